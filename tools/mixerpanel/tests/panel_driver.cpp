// panel_driver: drives a running mixerpanel the way a user's input does,
// through window messages (a fader dragged, arrow keys, a check box clicked
// or toggled with Space, menu commands, the wheel) and the pointer, and checks through winmm reads, by
// device identifier, that every action reached the mixer: mixer device 0,
// or for the recording page a recording endpoint's mixer.
//
//   panel_driver check SETTINGS [VOLUME]  the controls, an outside change,
//                                         Save/Restore settings through the
//                                         menu (the panel runs with
//                                         --settings-file SETTINGS); then
//                                         leaves the main volume at VOLUME
//   panel_driver endurance SECONDS SETTINGS
//                                         the main fader moved every second,
//                                         the process's figures before and
//                                         after, then `check`
//   panel_driver recording VOLUME         the recording page's microphone
//                                         strip, whose line is on a recording
//                                         endpoint's mixer; then leaves the
//                                         page shown, the level at VOLUME
//   panel_driver menus                    the pages, reading the lines again,
//                                         the digital CD flag
//   panel_driver usability SETTINGS       why controls do nothing (the panel
//                                         runs with --names-dir holding a
//                                         name file that names the line-in
//                                         line), the messages (SETTINGS is
//                                         overwritten), the wheel, the Tab
//                                         order, the empty source list
//   panel_driver idle SECONDS             the panel's CPU time over SECONDS
//                                         of sitting idle, meters running
//   panel_driver close                    closes the panel
//
// The panel itself answers the direct reads (and makes the outside changes):
// Wine 8 keeps mixer levels per process, so only inside the panel's process
// does winmm show what the panel did (ids.h).
//
// Output: "ok"/"FAIL" lines, "figure NAME VALUE" lines, and a last line
// "N passed, M failed". Exit status 0 when nothing failed.
#include "engine/recording_endpoints.h"
#include "ids.h"
#include "model.h"

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

using mixerpanel::FaderPosition;
using mixerpanel::FaderScale;
using mixerpanel::FaderValue;

namespace {

int g_passed = 0, g_failed = 0;

void Check(bool ok, const std::string& what) {
    (ok ? g_passed : g_failed)++;
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
}

std::string Str(long long v) { return std::to_string(v); }

// ---------------------------------------------------------------------------
// The controls a strip's values must reach, found by device identifier: the
// controls' identifiers and bounds are the same in every process.

struct Target {
    bool ok = false;
    UINT device = 0;
    DWORD volume = 0, mute = 0;
    FaderScale scale;
};

HMIXEROBJ Device(UINT id) { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(id)); }

// The volume and the mute of line `lineId` of `device`.
Target LineTarget(UINT device, DWORD lineId) {
    Target m;
    MIXERCONTROLA controls[2] = {};
    const DWORD types[2] = {MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERCONTROL_CONTROLTYPE_MUTE};
    for (int i = 0; i < 2; ++i) {
        MIXERLINECONTROLSA request = {};
        request.cbStruct = sizeof request;
        request.dwLineID = lineId;
        request.dwControlType = types[i];
        request.cControls = 1;
        request.cbmxctrl = sizeof controls[i];
        controls[i].cbStruct = sizeof controls[i];
        request.pamxctrl = &controls[i];
        if (mixerGetLineControlsA(Device(device), &request, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
            0)
            return m;
    }
    m.ok = true;
    m.device = device;
    m.volume = controls[0].dwControlID;
    m.mute = controls[1].dwControlID;
    m.scale = mixerpanel::MakeFaderScale(controls[0].Bounds.dwMinimum, controls[0].Bounds.dwMaximum);
    return m;
}

// Mixer device 0's master line.
Target FindMaster() {
    MIXERLINEA line = {};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoA(Device(0), &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != 0)
        return Target();
    return LineTarget(0, line.dwLineID);
}

// The microphone on Wine's mixers, where device 0 has no wave-in
// destination: on the first recording endpoint's mixer, in the library's
// order, whose wave-in destination has a microphone source. Wine's source
// controls keep nothing, so the level and the mute the strip sets are that
// destination's.
Target FindEndpointMicrophone() {
    const UINT count = waveInGetNumDevs();
    const UINT preferred = PreferredWaveIn(count);
    for (UINT position = 0; position < count; ++position) {
        UINT mixer = 0;
        if (WaveInMixer(WaveInAt(position, preferred), &mixer) != MMSYSERR_NOERROR || mixer == 0) continue;
        MIXERLINEA destination = {};
        destination.cbStruct = sizeof destination;
        destination.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
        if (mixerGetLineInfoA(Device(mixer), &destination, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
            0)
            continue;
        for (DWORD s = 0; s < destination.cConnections; ++s) {
            MIXERLINEA source = {};
            source.cbStruct = sizeof source;
            source.dwDestination = destination.dwDestination;
            source.dwSource = s;
            if (mixerGetLineInfoA(Device(mixer), &source, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_SOURCE) == 0 &&
                source.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)
                return LineTarget(mixer, destination.dwLineID);
        }
    }
    return Target();
}

// Wine keeps a level as a float: a written level may read back one lower.
bool NearLevel(long long got, long long want) { return got == want || got == want - 1; }

// ---------------------------------------------------------------------------
// The panel's windows.

struct Panel {
    HWND main = nullptr, page = nullptr, fader = nullptr, mute = nullptr;
    UINT diagnostics = 0, directRead = 0, directWrite = 0, directDevice = 0;
};
Panel g_panel;

// A page of the panel (0 playback, 1 recording).
HWND PageWindow(HWND main, int page) { return GetDlgItem(main, ID_PAGE_BASE + page); }

Panel FindPanel(int seconds) {
    Panel p;
    for (int i = 0; i < seconds * 10; ++i) {
        p.main = FindWindowA(PANEL_WINDOW_CLASS, nullptr);
        if (p.main && IsWindowVisible(p.main)) break;
        Sleep(100);
    }
    if (!p.main) return p;
    p.page = PageWindow(p.main, 0);
    p.fader = GetDlgItem(p.page, ID_STRIP(0, 0, PART_FADER));
    p.mute = GetDlgItem(p.page, ID_STRIP(0, 0, PART_MUTE));
    p.diagnostics = RegisterWindowMessageA(PANEL_DIAGNOSTICS_MESSAGE);
    p.directRead = RegisterWindowMessageA(PANEL_DIRECT_READ_MESSAGE);
    p.directWrite = RegisterWindowMessageA(PANEL_DIRECT_WRITE_MESSAGE);
    p.directDevice = RegisterWindowMessageA(PANEL_DIRECT_DEVICE_MESSAGE);
    return p;
}

// SendMessage that gives up after 20 s rather than hang on a stuck panel.
LRESULT Send(HWND w, UINT message, WPARAM wParam, LPARAM lParam, bool* answered = nullptr) {
    DWORD_PTR result = 0;
    const LRESULT ok = SendMessageTimeoutA(w, message, wParam, lParam, SMTO_NORMAL, 20000, &result);
    if (answered) *answered = ok != 0;
    if (!ok) std::printf("     (message 0x%x to %p got no answer)\n", message, static_cast<void*>(w));
    return static_cast<LRESULT>(result);
}

// The mixer as the panel's process sees it: Wine 8 keeps levels per
// process, so the panel reads and writes the target's device for us
// (ids.h). The panel keeps the device chosen last, by any run of the
// driver: each run chooses afresh before its first request.
bool ChooseDevice(UINT device) {
    static UINT chosen = static_cast<UINT>(-1);
    if (device == chosen) return true;
    if (Send(g_panel.main, g_panel.directDevice, device, 0) != 1) return false;
    chosen = device;
    return true;
}

LONG DirectRead(const Target& m, DWORD control) {
    if (!ChooseDevice(m.device)) return -12345;
    bool answered = false;
    const LONG v = static_cast<LONG>(Send(g_panel.main, g_panel.directRead, control, 0, &answered));
    return answered && v != PANEL_DIRECT_FAILED ? v : -12345;
}

bool DirectWrite(const Target& m, DWORD control, LONG value) {
    return ChooseDevice(m.device) &&
           Send(g_panel.main, g_panel.directWrite, control, static_cast<LPARAM>(value)) == 1;
}

long long Figure(const Panel& p, int which) {
    bool answered = false;
    const LRESULT v = Send(p.main, p.diagnostics, which, 0, &answered);
    return answered ? static_cast<long long>(static_cast<unsigned long>(v)) : -1;
}

int FaderPos(const Panel& p) { return static_cast<int>(Send(p.fader, TBM_GETPOS, 0, 0)); }

void Scroll(const Panel& p, int code, int position) {
    Send(p.page, WM_VSCROLL, MAKEWPARAM(code, position & 0xFFFF), reinterpret_cast<LPARAM>(p.fader));
}

// Drags a strip's fader to `target` in `steps` moves, as the trackbar reports
// a drag to its parent; with `each`, checks after every move that the level
// arrived while the thumb is still held. Returns the failures seen.
int Drag(const Panel& p, const Target& m, long long target, int steps, bool each) {
    int bad = 0;
    // The thumb is taken first, where it is, as a press on it starts a drag:
    // from then on the panel's refresh leaves the fader to the drag.
    const int from = FaderPos(p);
    Scroll(p, TB_THUMBTRACK, from);
    const int to = FaderPosition(m.scale, target);
    for (int i = 1; i <= steps; ++i) {
        const int position = from + (to - from) * i / steps;
        Send(p.fader, TBM_SETPOS, TRUE, position);
        Scroll(p, TB_THUMBTRACK, position);
        if (each || i == steps) {
            const long long want = FaderValue(m.scale, position);
            const LONG got = DirectRead(m, m.volume);
            if (!NearLevel(got, want)) {
                ++bad;
                std::printf("     fader at %d: mixer has %ld, want %lld\n", position, got, want);
            }
        }
    }
    Scroll(p, TB_THUMBPOSITION, to);
    Scroll(p, TB_ENDTRACK, to);
    return bad;
}

bool WaitFor(int milliseconds, bool (*condition)(const Panel&, const Target&, long long), const Panel& p,
             const Target& m, long long arg) {
    for (int waited = 0; waited <= milliseconds; waited += 50) {
        if (condition(p, m, arg)) return true;
        Sleep(50);
    }
    return false;
}

bool FaderShows(const Panel& p, const Target& m, long long value) {
    return std::abs(FaderPos(p) - FaderPosition(m.scale, value)) <= 1;
}

bool MuteShows(const Panel& p, const Target&, long long on) {
    return (Send(p.mute, BM_GETCHECK, 0, 0) == BST_CHECKED) == (on != 0);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The value of KEY= in SECTION of a settings file; -99999 when missing.
long long SettingsValue(const std::string& text, const std::string& section, const std::string& key) {
    const size_t at = text.find("[" + section + "]");
    if (at == std::string::npos) return -99999;
    const size_t end = text.find('[', at + 1);
    const size_t k = text.find("\n" + key + "=", at);
    if (k == std::string::npos || (end != std::string::npos && k > end)) return -99999;
    return std::atoll(text.c_str() + k + key.size() + 2);
}

// A key pressed and released on `w`, as the keyboard sends it to the
// window with the focus.
void Key(HWND w, WPARAM key, UINT scanCode) {
    PostMessageA(w, WM_KEYDOWN, key, 0x00000001 | scanCode << 16);
    PostMessageA(w, WM_KEYUP, key, 0xC0000001 | scanCode << 16);
}

// The up arrow on a strip's fader raises the level by the line step.
void CheckArrowUp(const Panel& p, const Target& m, const std::string& strip) {
    const int before = FaderPos(p);
    Key(p.fader, VK_UP, 0x48);
    for (int i = 0; i < 40 && FaderPos(p) == before; ++i) Sleep(50);
    const int after = FaderPos(p);
    Check(after < before,
          "the up arrow moves the " + strip + " fader up (position " + Str(before) + " to " + Str(after) + ")");
    // The fader may move before its level is written: winmm under Wine may
    // wait inside the write, and the panel answers our messages meanwhile.
    LONG level = DirectRead(m, m.volume);
    for (int i = 0; i < 40 && !NearLevel(level, FaderValue(m.scale, after)); ++i) {
        Sleep(50);
        level = DirectRead(m, m.volume);
    }
    Check(NearLevel(level, FaderValue(m.scale, after)), "the arrow key's level reached the mixer (" + Str(level) + ")");
}

// The focus of the panel's thread; null when it cannot be told.
HWND PanelFocus(const Panel& p) {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    return GetGUIThreadInfo(GetWindowThreadProcessId(p.main, nullptr), &gui) ? gui.hwndFocus : nullptr;
}

// ---------------------------------------------------------------------------

void CheckControls(const Panel& p, const Target& m, const std::string& settings) {
    Check(p.fader && p.mute && IsWindowEnabled(p.fader) && IsWindowEnabled(p.mute),
          "the main strip's fader and mute are there and enabled");

    // A drag writes as the thumb moves.
    Check(Drag(p, m, 20000, 6, true) == 0, "dragging the main fader writes every position it passes");
    Check(NearLevel(DirectRead(m, m.volume), FaderValue(m.scale, FaderPos(p))),
          "after the drag the mixer holds the fader's level");

    CheckArrowUp(p, m, "main");

    // Tab moves the keyboard focus on from the fader to its strip's Mute.
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    const DWORD thread = GetWindowThreadProcessId(p.main, nullptr);
    PostMessageA(p.fader, WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageA(p.fader, WM_KEYUP, VK_TAB, 0xC00F0001);
    HWND focus = nullptr;
    for (int i = 0; i < 40; ++i) {
        Sleep(50);
        if (GetGUIThreadInfo(thread, &gui) && gui.hwndFocus != p.fader) {
            focus = gui.hwndFocus;
            break;
        }
    }
    Check(focus == p.mute, "Tab moves the focus from the main fader to its Mute");

    // A line the card lacks: its strip is there, disabled.
    HWND lineIn = GetDlgItem(p.page, ID_STRIP(0, 2, PART_FADER));
    Check(lineIn && !IsWindowEnabled(lineIn) && IsWindowVisible(lineIn) &&
              !IsWindowEnabled(GetDlgItem(p.page, ID_STRIP(0, 2, PART_MUTE))),
          "the line-in strip (no such line on Wine's card) is shown disabled");

    // The mute check box, twice.
    for (int i = 0; i < 2; ++i) {
        const LONG was = DirectRead(m, m.mute);
        Send(p.mute, BM_CLICK, 0, 0);
        const LONG now = DirectRead(m, m.mute);
        Check(was >= 0 && now == (was ? 0 : 1),
              "clicking Mute turns the master mute " + std::string(now ? "on" : "off") + " (" + Str(was) + " to " +
                  Str(now) + ")");
    }

    // A change made past the library (as by another program) shows within
    // the once-a-second refresh.
    DirectWrite(m, m.volume, 12345);
    Check(WaitFor(3000, FaderShows, p, m, 12345), "a level set past the library shows on the fader");
    const LONG mute = DirectRead(m, m.mute);
    DirectWrite(m, m.mute, mute ? 0 : 1);
    Check(WaitFor(3000, MuteShows, p, m, mute ? 0 : 1), "a mute set past the library shows on the check box");

    // Resizing: the faders follow the window; it does not shrink past what
    // its controls need.
    RECT window, fader;
    GetWindowRect(p.main, &window);
    GetWindowRect(p.fader, &fader);
    SetWindowPos(p.main, nullptr, 0, 0, window.right - window.left + 200, window.bottom - window.top + 150,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT taller;
    GetWindowRect(p.fader, &taller);
    Check(taller.bottom - taller.top == fader.bottom - fader.top + 150,
          "the fader grows with the window (" + Str(fader.bottom - fader.top) + " to " +
              Str(taller.bottom - taller.top) + " pixels)");
    SetWindowPos(p.main, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT small;
    GetWindowRect(p.main, &small);
    Check(small.right - small.left > 400 && small.bottom - small.top > 250,
          "the window keeps a usable minimum (" + Str(small.right - small.left) + "x" +
              Str(small.bottom - small.top) + ")");
    SetWindowPos(p.main, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // Save settings and Restore settings through the menu's commands.
    Drag(p, m, 40000, 2, false);
    DirectWrite(m, m.mute, 0);
    DeleteFileA(settings.c_str());
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_SAVE_SETTINGS, 0), 0);
    const std::string text = ReadFile(settings);
    const long long saved = SettingsValue(text, "PLAY VOLUME", "MAIN");
    Check(NearLevel(saved, 40000), "File > Save settings wrote the main volume (" + Str(saved) + ")");
    Check(SettingsValue(text, "PLAY MUTE", "MAIN") == 0, "File > Save settings wrote the main mute off");
    DirectWrite(m, m.volume, 1000);
    DirectWrite(m, m.mute, 1);
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_RESTORE_SETTINGS, 0), 0);
    Check(NearLevel(DirectRead(m, m.volume), saved),
          "File > Restore settings put the main volume back (" + Str(DirectRead(m, m.volume)) + ")");
    Check(DirectRead(m, m.mute) == 0, "File > Restore settings put the main mute back off");
    Check(FaderShows(p, m, saved) && MuteShows(p, m, 0), "the panel shows the restored values at once");
}

// The recording page's strip of a line type: its page, fader and mute.
Panel RecordingStrip(const Panel& p, DWORD componentType) {
    Panel strip = p;
    strip.page = PageWindow(p.main, 1);
    strip.fader = strip.mute = nullptr;
    for (int i = 0; i < mixerpanel::kStripsPerPage; ++i)
        if (mixerpanel::Strip(mixerpanel::Page::Recording, i).componentType == componentType) {
            strip.fader = GetDlgItem(strip.page, ID_STRIP(1, i, PART_FADER));
            strip.mute = GetDlgItem(strip.page, ID_STRIP(1, i, PART_MUTE));
        }
    return strip;
}

// The microphone strip of the recording page where its line is on a
// recording endpoint's mixer (`m`); leaves the page shown, the level at
// `volume` and the mute off.
void CheckRecording(const Panel& p, const Target& m, long long volume) {
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_PAGE_RECORDING, 0), 0);
    const Panel mic = RecordingStrip(p, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    Check(IsWindowVisible(mic.page) && mic.fader && mic.mute && IsWindowEnabled(mic.fader) &&
              IsWindowEnabled(mic.mute),
          "the recording page's microphone strip is enabled (its line is on mixer " + Str(m.device) + ")");
    const long long steps = Send(mic.fader, TBM_GETRANGEMAX, 0, 0);
    Check(steps == m.scale.steps, "its fader spans the endpoint's volume (" + Str(steps) + " steps, want " +
                                      Str(m.scale.steps) + ")");

    Check(Drag(mic, m, 20000, 6, true) == 0, "dragging the microphone fader writes every position it passes");
    CheckArrowUp(mic, m, "microphone");

    // Mute by the mouse, which also gives the box the focus, then back off
    // by the space bar.
    const LONG was = DirectRead(m, m.mute);
    Send(mic.mute, BM_CLICK, 0, 0);
    const LONG clicked = DirectRead(m, m.mute);
    Check(was >= 0 && clicked == (was ? 0 : 1),
          "clicking Mute sets the endpoint's mute (" + Str(was) + " to " + Str(clicked) + ")");
    Check(PanelFocus(p) == mic.mute, "the click leaves the focus on the microphone's Mute");
    Key(mic.mute, VK_SPACE, 0x39);
    bool toggled = false;
    for (int i = 0; i < 40 && !toggled; ++i) {
        Sleep(50);
        toggled = DirectRead(m, m.mute) == was;
    }
    Check(toggled && MuteShows(mic, m, was),
          "the space bar on Mute sets the endpoint's mute back (" + Str(DirectRead(m, m.mute)) + ")");

    // What the library reads for the strip follows the endpoint.
    DirectWrite(m, m.volume, 12345);
    Check(WaitFor(3000, FaderShows, mic, m, 12345), "a level set past the library shows on the microphone fader");
    DirectWrite(m, m.mute, was ? 0 : 1);
    Check(WaitFor(3000, MuteShows, mic, m, was ? 0 : 1), "a mute set past the library shows on the microphone's Mute");

    // Wine's recording endpoint has no line-in: that strip stays disabled.
    const Panel lineIn = RecordingStrip(p, MIXERLINE_COMPONENTTYPE_SRC_LINE);
    Check(lineIn.fader && !IsWindowEnabled(lineIn.fader), "the recording line-in strip (no such line) is disabled");

    Drag(mic, m, volume, 3, false);
    DirectWrite(m, m.mute, 0);
    const LONG left = DirectRead(m, m.volume);
    Check(NearLevel(left, FaderValue(m.scale, FaderPos(mic))) && WaitFor(3000, MuteShows, mic, m, 0),
          "the microphone is left at " + Str(left) + ", not muted");
}

void CheckMenus(const Panel& p) {
    HWND pages[2] = {PageWindow(p.main, 0), PageWindow(p.main, 1)};
    const long long refreshes = Figure(p, DIAG_REFRESHES);
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_PAGE_RECORDING, 0), 0);
    Check(IsWindowVisible(pages[1]) && !IsWindowVisible(pages[0]), "View > Recording shows the recording page");
    Check(Figure(p, DIAG_REFRESHES) > refreshes, "the recording page's values are read when it is shown");
    Sleep(1200);  // a refresh of the recording page by the timer
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_NEXT_PAGE, 1), 0);
    Check(IsWindowVisible(pages[0]) && !IsWindowVisible(pages[1]), "Ctrl+Tab's command goes back to playback");
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_REFRESH, 1), 0);
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_CD_DIGITAL, 0), 0);
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_CD_DIGITAL, 0), 0);
    Check(IsWindowEnabled(p.fader), "after F5 and the digital CD flag twice the main strip still works");
}

// ---------------------------------------------------------------------------
// What a user meets besides the values: why a control does nothing, the
// messages, the wheel and the Tab order.

POINT Centre(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A visible top-level window of `className` of the panel's process.
HWND PanelPopup(const Panel& p, const char* className) {
    DWORD panel = 0, owner = 0;
    GetWindowThreadProcessId(p.main, &panel);
    for (HWND w = FindWindowExA(nullptr, nullptr, className, nullptr); w; w = FindWindowExA(nullptr, w, className, nullptr))
        if (GetWindowThreadProcessId(w, &owner) && owner == panel && IsWindowVisible(w)) return w;
    return nullptr;
}

std::string Text(HWND w) {
    char text[512] = "";
    Send(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The tooltip that comes while the pointer rests on `control`, "" when none
// comes within three seconds; the pointer then moves on to the status bar.
std::string TooltipAt(const Panel& p, HWND control) {
    POINT at = Centre(control);
    SetCursorPos(at.x, at.y);
    std::string text;
    for (int i = 0; i < 30 && text.empty(); ++i) {
        Sleep(100);
        if (HWND tip = PanelPopup(p, TOOLTIPS_CLASSA)) text = Text(tip);
    }
    at = Centre(GetDlgItem(p.main, ID_STATUS));
    SetCursorPos(at.x, at.y);
    for (int i = 0; i < 30 && PanelPopup(p, TOOLTIPS_CLASSA); ++i) Sleep(100);
    return text;
}

// The status bar's message part, read into memory of the panel's process.
std::string Status(const Panel& p) {
    HWND bar = GetDlgItem(p.main, ID_STATUS);
    DWORD id = 0;
    GetWindowThreadProcessId(bar, &id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    char text[512] = "";
    if (void* remote = process ? VirtualAllocEx(process, nullptr, sizeof text, MEM_COMMIT, PAGE_READWRITE) : nullptr) {
        if (LOWORD(Send(bar, SB_GETTEXTLENGTHA, 2, 0)) < sizeof text && Send(bar, SB_GETTEXTA, 2, (LPARAM)remote))
            ReadProcessMemory(process, remote, text, sizeof text - 1, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    if (process) CloseHandle(process);
    return text;
}

void Command(const Panel& p, int command) { Send(p.main, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

// Part `part` of the strip of line type `type` on page `page`.
HWND StripPart(const Panel& p, int page, DWORD type, int part) {
    for (int i = 0; i < mixerpanel::kStripsPerPage; ++i)
        if (mixerpanel::Strip(static_cast<mixerpanel::Page>(page), i).componentType == type)
            return GetDlgItem(PageWindow(p.main, page), ID_STRIP(page, i, part));
    return nullptr;
}

// Wine's wave-out source keeps nothing, its master volume has one level
// for all channels (the run remembers a balance of 15 for it), its recording
// endpoint's microphone has no boost switch and no selector; after the name
// file, so do the line-in line it names (the wave-out source) and the
// digital line (none). Asking the library about those leaves the levels.
void CheckAbilities(const Panel& p, const Target& master) {
    const DWORD wave = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, mic = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                line = MIXERLINE_COMPONENTTYPE_SRC_LINE;
    const struct {
        int page;
        DWORD type;
        int part;
        const char* why;
    } cases[] = {{0, wave, PART_FADER, "keeps no value for the Wave volume"},
                 {0, wave, PART_MUTE, "keeps no value for the Wave mute"},
                 {0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, PART_BALANCE, "one level for all its channels"},
                 {1, mic, PART_BOOST, "has no boost switch"},
                 {1, mic, PART_SELECT, "no recording selector"},
                 {0, line, PART_FADER, "keeps no value for the Line In volume"},  // from here on, named
                 {0, line, PART_MUTE, "keeps no value for the Line In mute"},
                 {0, MIXERLINE_COMPONENTTYPE_SRC_DIGITAL, PART_FADER, "keeps no value for the Digital volume"}};
    const LONG level = DirectRead(master, master.volume);
    for (const auto& c : cases) {
        if (&c == &cases[5]) Command(p, IDM_LOAD_NAMES);
        Command(p, c.page ? IDM_PAGE_RECORDING : IDM_PAGE_PLAYBACK);
        HWND control = StripPart(p, c.page, c.type, c.part);
        const std::string tip = control ? TooltipAt(p, control) : "";
        Check(control && !IsWindowEnabled(control) && Has(tip, c.why), "disabled, saying \"" + tip + "\"");
    }
    Check(DirectRead(master, master.volume) == level, "looking at the named lines left the main volume as it was");
    // A balance names its position below it; none has the trackbar's own
    // tooltip, which shows the raw position over the strip's caption.
    HWND balance = StripPart(p, 0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, PART_BALANCE);
    Check(Send(balance, TBM_GETPOS, 0, 0) == mixerpanel::kBalanceCentre, "the Main balance shows the centre, not 15");
    for (int page = 0; page < 2; ++page)
        Check(!Send(StripPart(p, page, line, PART_BALANCE), TBM_GETTOOLTIPS, 0, 0) &&
                  StripPart(p, page, line, PART_BALANCE_TEXT),
              "a Line In balance has a label and no tooltip");
}

// The dialog a posted menu command opens (a message box, the Play track
// dialog), answered with `button`: its text (a message box's static
// 0xFFFF) or title; "" when none came within five seconds.
std::string AnswerDialog(const Panel& p, int command, int button) {
    PostMessageA(p.main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    HWND dialog = nullptr;
    for (int i = 0; i < 50 && !dialog; ++i, Sleep(100)) dialog = PanelPopup(p, "#32770");
    if (!dialog) return "";
    const std::string said = Text(GetDlgItem(dialog, 0xFFFF) ? GetDlgItem(dialog, 0xFFFF) : dialog);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    for (int i = 0; i < 50 && IsWindow(dialog); ++i) Sleep(100);
    return said;
}

// A file without settings is refused, the CD's status lines say what
// failed (Wine has no CD device), the names message names the file.
void CheckMessages(const Panel& p, const Target& master, const std::string& settings) {
    DirectWrite(master, master.volume, 30000);
    std::ofstream(settings, std::ios::binary) << "\x89PNG\r\n\x1a\n\rIHDR" << std::string(64, '\x7f');
    const std::string refusal = AnswerDialog(p, IDM_RESTORE_SETTINGS, IDOK);
    Check(Has(refusal, "holds no mixer settings, so nothing was restored: none of its") &&
              !Has(Status(p), "Settings restored") && NearLevel(DirectRead(master, master.volume), 30000),
          "Restore settings refuses a file without settings (\"" + refusal + "\")");
    // No CD device: the status line says so at once, without the library's box.
    const std::string box = AnswerDialog(p, IDM_CD_OPEN, IDOK);
    const std::string opened = Status(p);
    Check(box.empty() && Has(opened, "CD: no CD device could be opened (MCI error 266: ") && !Has(opened, ": )"),
          "CD > Open: " + opened + (box.empty() ? "" : ", after a box: " + box));
    const std::string dialog = AnswerDialog(p, IDM_CD_PLAY, IDOK);
    Check(dialog == "Play CD track" && Status(p) == "CD: no CD is open, nothing to play (MCI error 3075: no CD device "
                                                   "is open (the library's own code))",
          "CD > Play track: " + Status(p));
    Command(p, IDM_LOAD_NAMES);
    const std::string names = Status(p);
    Check(Has(names, "Sound card names loaded from Jos") && Has(names, "\\default.cfg"), "the names message: " + names);
}

// Tab reaches the page tabs and goes on into the page, the wheel over the
// main fader (the focus on the tabs) moves it a keyboard step a notch, and
// the empty source list is disabled. Wine may show its read-back of a level
// one lower: one fader position.
void CheckInput(const Panel& p, const Target& master) {
    Command(p, IDM_PAGE_PLAYBACK);
    HWND tab = GetDlgItem(p.main, ID_TAB);
    for (int i = 0; i < 20 && PanelFocus(p) != tab; ++i) {
        Key(PanelFocus(p), VK_TAB, 0x0F);
        Sleep(200);
    }
    Check(PanelFocus(p) == tab, "Tab reaches the page tabs");
    const int before = FaderPos(p), step = static_cast<int>(Send(p.fader, TBM_GETLINESIZE, 0, 0));
    for (int notches : {1, -2}) {
        const POINT at = Centre(p.fader);
        PostMessageA(PanelFocus(p), WM_MOUSEWHEEL, MAKEWPARAM(0, notches * WHEEL_DELTA), MAKELPARAM(at.x, at.y));
        Sleep(300);
    }
    const int moved = FaderPos(p);
    Check(std::abs(moved - (before + step)) <= 1 && NearLevel(DirectRead(master, master.volume), FaderValue(master.scale, moved)),
          "the wheel, a notch up and two down, moves the fader a step down (" + Str(before) + " to " + Str(moved) + ")");
    Key(tab, VK_TAB, 0x0F);
    Sleep(300);
    Check(IsChild(p.page, PanelFocus(p)), "Tab from the page tabs goes into the page");
    Command(p, IDM_PAGE_RECORDING);
    HWND list = GetDlgItem(PageWindow(p.main, 1), ID_SOURCE_LIST);
    Check(!Send(list, LVM_GETITEMCOUNT, 0, 0) && !IsWindowEnabled(list) &&
              static_cast<COLORREF>(Send(list, LVM_GETBKCOLOR, 0, 0)) == GetSysColor(COLOR_BTNFACE),
          "the empty source list is disabled and drawn so");
    Command(p, IDM_PAGE_PLAYBACK);
}

void PrintFigures(const Panel& p, const char* when) {
    const struct {
        const char* name;
        int which;
    } figures[] = {{"handles", DIAG_HANDLES},         {"heap_bytes", DIAG_HEAP_BYTES},
                   {"heap_blocks", DIAG_HEAP_BLOCKS}, {"heaps", DIAG_HEAP_COUNT},
                   {"private_kib", DIAG_PRIVATE_KIB}, {"gdi_objects", DIAG_GDI_OBJECTS},
                   {"user_objects", DIAG_USER_OBJECTS}, {"cpu_ms", DIAG_CPU_MS},
                   {"meter_polls", DIAG_METER_POLLS}, {"refreshes", DIAG_REFRESHES},
                   {"writes", DIAG_WRITES},           {"failed_reads", DIAG_FAILED_READS}};
    for (const auto& f : figures) std::printf("figure %s.%s %lld\n", when, f.name, Figure(p, f.which));
    std::fflush(stdout);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: panel_driver check SETTINGS [VOLUME] | endurance SECONDS SETTINGS |\n"
                 "       recording VOLUME | menus | usability SETTINGS | idle SECONDS | close\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    g_panel = FindPanel(60);
    const Panel& p = g_panel;
    Check(p.main != nullptr, "the panel's window is there");
    if (!p.main) return 1;
    if (command == "close") {
        PostMessageA(p.main, WM_CLOSE, 0, 0);
        for (int i = 0; i < 100 && IsWindow(p.main); ++i) Sleep(100);
        Check(!IsWindow(p.main), "the panel closed");
    } else if (command == "menus") {
        CheckMenus(p);
    } else if (command == "usability" && argc >= 3) {
        const Target m = FindMaster();
        Check(m.ok, "mixer device 0 has a master volume and mute");
        if (m.ok) {
            CheckAbilities(p, m);
            CheckMessages(p, m, argv[2]);
            CheckInput(p, m);
        }
    } else if (command == "recording" && argc >= 3) {
        const Target m = FindEndpointMicrophone();
        Check(m.ok && m.device != 0,
              "a recording endpoint's mixer has a microphone, its destination a volume and mute");
        if (m.ok && m.device != 0) CheckRecording(p, m, std::atoll(argv[2]));
    } else if (command == "idle" && argc >= 3) {
        const int seconds = std::atoi(argv[2]);
        const long long cpu = Figure(p, DIAG_CPU_MS), polls = Figure(p, DIAG_METER_POLLS);
        const DWORD begin = GetTickCount();
        Sleep(static_cast<DWORD>(seconds) * 1000);
        const DWORD wall = GetTickCount() - begin;
        const long long cpuUsed = Figure(p, DIAG_CPU_MS) - cpu, pollsMade = Figure(p, DIAG_METER_POLLS) - polls;
        std::printf("figure idle.wall_ms %lu\nfigure idle.cpu_ms %lld\nfigure idle.meter_polls %lld\n",
                    static_cast<unsigned long>(wall), cpuUsed, pollsMade);
        Check(seconds > 0 && cpu >= 0 && cpuUsed >= 0, "the panel's CPU time was read");
    } else if (command == "check" && argc >= 3) {
        const Target m = FindMaster();
        Check(m.ok, "mixer device 0 has a master volume and mute");
        if (m.ok) {
            CheckControls(p, m, argv[2]);
            if (argc >= 4) {
                Drag(p, m, std::atoll(argv[3]), 3, false);
                DirectWrite(m, m.mute, 0);
            }
        }
        PrintFigures(p, "end");
    } else if (command == "endurance" && argc >= 4) {
        const int seconds = std::atoi(argv[2]);
        const Target m = FindMaster();
        Check(m.ok && seconds > 0, "mixer device 0 has a master volume and mute");
        if (!m.ok || seconds <= 0) return 1;
        PrintFigures(p, "start");
        unsigned long long seed = 0x2545F4914F6CDD1DULL;
        int misses = 0;
        const DWORD begin = GetTickCount();
        for (int s = 1; s <= seconds; ++s) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            const long long target = static_cast<long long>((seed >> 33) % 65536);
            misses += Drag(p, m, target, 3, true);
            const DWORD due = begin + static_cast<DWORD>(s) * 1000;
            const DWORD now = GetTickCount();
            if (static_cast<LONG>(due - now) > 0) Sleep(due - now);
            if (s % 60 == 0 || s == seconds) {
                std::printf("figure at%d.handles %lld\nfigure at%d.heap_bytes %lld\n", s, Figure(p, DIAG_HANDLES), s,
                            Figure(p, DIAG_HEAP_BYTES));
                std::fflush(stdout);
            }
        }
        Check(misses == 0, "every fader move of " + Str(seconds) + " seconds reached the mixer (" + Str(misses) +
                               " missed)");
        PrintFigures(p, "end");
        CheckControls(p, m, argv[3]);
    } else {
        return Usage();
    }
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
