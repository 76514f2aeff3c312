// panel_driver: drives a running mixerpanel the way a user's input does,
// through window messages (a fader dragged, arrow keys, a check box clicked,
// menu commands), and checks through winmm reads of mixer device 0, by
// device identifier, that every action reached the mixer.
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
//   panel_driver menus                    the pages, reading the lines again,
//                                         the digital CD flag, and Load sound
//                                         card names (the panel runs with
//                                         --names-dir holding a name file
//                                         that names the line-in line)
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
// Mixer device 0's master line, found by device identifier: the controls'
// identifiers and bounds are the same in every process.

struct Master {
    bool ok = false;
    DWORD volume = 0, mute = 0;
    FaderScale scale;
};

Master FindMaster() {
    Master m;
    MIXERLINEA line = {};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    HMIXEROBJ device = reinterpret_cast<HMIXEROBJ>(0);
    if (mixerGetLineInfoA(device, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != 0) return m;
    MIXERCONTROLA controls[2] = {};
    const DWORD types[2] = {MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERCONTROL_CONTROLTYPE_MUTE};
    for (int i = 0; i < 2; ++i) {
        MIXERLINECONTROLSA request = {};
        request.cbStruct = sizeof request;
        request.dwLineID = line.dwLineID;
        request.dwControlType = types[i];
        request.cControls = 1;
        request.cbmxctrl = sizeof controls[i];
        controls[i].cbStruct = sizeof controls[i];
        request.pamxctrl = &controls[i];
        if (mixerGetLineControlsA(device, &request, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) != 0)
            return m;
    }
    m.ok = true;
    m.volume = controls[0].dwControlID;
    m.mute = controls[1].dwControlID;
    m.scale = mixerpanel::MakeFaderScale(controls[0].Bounds.dwMinimum, controls[0].Bounds.dwMaximum);
    return m;
}

// Wine keeps a level as a float: a written level may read back one lower.
bool NearLevel(long long got, long long want) { return got == want || got == want - 1; }

// ---------------------------------------------------------------------------
// The panel's windows.

struct Panel {
    HWND main = nullptr, page = nullptr, fader = nullptr, mute = nullptr;
    UINT diagnostics = 0, directRead = 0, directWrite = 0;
};
Panel g_panel;

Panel FindPanel(int seconds) {
    Panel p;
    for (int i = 0; i < seconds * 10; ++i) {
        p.main = FindWindowA(PANEL_WINDOW_CLASS, nullptr);
        if (p.main && IsWindowVisible(p.main)) break;
        Sleep(100);
    }
    if (!p.main) return p;
    HWND tab = GetDlgItem(p.main, ID_TAB);
    p.page = GetDlgItem(tab, ID_PAGE_BASE + 0);
    p.fader = GetDlgItem(p.page, ID_STRIP(0, 0, PART_FADER));
    p.mute = GetDlgItem(p.page, ID_STRIP(0, 0, PART_MUTE));
    p.diagnostics = RegisterWindowMessageA(PANEL_DIAGNOSTICS_MESSAGE);
    p.directRead = RegisterWindowMessageA(PANEL_DIRECT_READ_MESSAGE);
    p.directWrite = RegisterWindowMessageA(PANEL_DIRECT_WRITE_MESSAGE);
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
// process, so the panel reads and writes device 0 for us (ids.h).
LONG DirectRead(DWORD control) {
    bool answered = false;
    const LONG v = static_cast<LONG>(Send(g_panel.main, g_panel.directRead, control, 0, &answered));
    return answered && v != PANEL_DIRECT_FAILED ? v : -12345;
}

bool DirectWrite(DWORD control, LONG value) {
    return Send(g_panel.main, g_panel.directWrite, control, static_cast<LPARAM>(value)) == 1;
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

// Drags the main fader to `target` in `steps` moves, as the trackbar reports
// a drag to its parent; with `each`, checks after every move that the level
// arrived while the thumb is still held. Returns the failures seen.
int Drag(const Panel& p, const Master& m, long long target, int steps, bool each) {
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
            const LONG got = DirectRead(m.volume);
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

bool WaitFor(int milliseconds, bool (*condition)(const Panel&, const Master&, long long), const Panel& p,
             const Master& m, long long arg) {
    for (int waited = 0; waited <= milliseconds; waited += 50) {
        if (condition(p, m, arg)) return true;
        Sleep(50);
    }
    return false;
}

bool FaderShows(const Panel& p, const Master& m, long long value) {
    return std::abs(FaderPos(p) - FaderPosition(m.scale, value)) <= 1;
}

bool MuteShows(const Panel& p, const Master&, long long on) {
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

// ---------------------------------------------------------------------------

void CheckControls(const Panel& p, const Master& m, const std::string& settings) {
    Check(p.fader && p.mute && IsWindowEnabled(p.fader) && IsWindowEnabled(p.mute),
          "the main strip's fader and mute are there and enabled");

    // A drag writes as the thumb moves.
    Check(Drag(p, m, 20000, 6, true) == 0, "dragging the main fader writes every position it passes");
    Check(NearLevel(DirectRead(m.volume), FaderValue(m.scale, FaderPos(p))),
          "after the drag the mixer holds the fader's level");

    // Arrow keys on the fader: up raises the level by the line step.
    const int before = FaderPos(p);
    PostMessageA(p.fader, WM_KEYDOWN, VK_UP, 0x00480001);
    PostMessageA(p.fader, WM_KEYUP, VK_UP, 0xC0480001);
    for (int i = 0; i < 40 && FaderPos(p) == before; ++i) Sleep(50);
    const int after = FaderPos(p);
    Check(after < before, "the up arrow moves the fader up (position " + Str(before) + " to " + Str(after) + ")");
    Check(NearLevel(DirectRead(m.volume), FaderValue(m.scale, after)),
          "the arrow key's level reached the mixer (" + Str(DirectRead(m.volume)) + ")");

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
        const LONG was = DirectRead(m.mute);
        Send(p.mute, BM_CLICK, 0, 0);
        const LONG now = DirectRead(m.mute);
        Check(was >= 0 && now == (was ? 0 : 1),
              "clicking Mute turns the master mute " + std::string(now ? "on" : "off") + " (" + Str(was) + " to " +
                  Str(now) + ")");
    }

    // A change made past the library (as by another program) shows within
    // the once-a-second refresh.
    DirectWrite(m.volume, 12345);
    Check(WaitFor(3000, FaderShows, p, m, 12345), "a level set past the library shows on the fader");
    const LONG mute = DirectRead(m.mute);
    DirectWrite(m.mute, mute ? 0 : 1);
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
    DirectWrite(m.mute, 0);
    DeleteFileA(settings.c_str());
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_SAVE_SETTINGS, 0), 0);
    const std::string text = ReadFile(settings);
    const long long saved = SettingsValue(text, "PLAY VOLUME", "MAIN");
    Check(NearLevel(saved, 40000), "File > Save settings wrote the main volume (" + Str(saved) + ")");
    Check(SettingsValue(text, "PLAY MUTE", "MAIN") == 0, "File > Save settings wrote the main mute off");
    DirectWrite(m.volume, 1000);
    DirectWrite(m.mute, 1);
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_RESTORE_SETTINGS, 0), 0);
    Check(NearLevel(DirectRead(m.volume), saved),
          "File > Restore settings put the main volume back (" + Str(DirectRead(m.volume)) + ")");
    Check(DirectRead(m.mute) == 0, "File > Restore settings put the main mute back off");
    Check(FaderShows(p, m, saved) && MuteShows(p, m, 0), "the panel shows the restored values at once");
}

void CheckMenus(const Panel& p) {
    HWND tab = GetDlgItem(p.main, ID_TAB);
    HWND pages[2] = {GetDlgItem(tab, ID_PAGE_BASE + 0), GetDlgItem(tab, ID_PAGE_BASE + 1)};
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

    HWND lineIn = GetDlgItem(pages[0], ID_STRIP(0, 2, PART_FADER));
    const bool before = IsWindowEnabled(lineIn) != 0;
    Send(p.main, WM_COMMAND, MAKEWPARAM(IDM_LOAD_NAMES, 0), 0);
    Check(!before && IsWindowEnabled(lineIn),
          "File > Load sound card names: the line-in strip, now addressed by name, is enabled");
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
                 "usage: panel_driver check SETTINGS [VOLUME] | endurance SECONDS SETTINGS | menus | idle SECONDS | close\n");
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
        const Master m = FindMaster();
        Check(m.ok, "mixer device 0 has a master volume and mute");
        if (m.ok) {
            CheckControls(p, m, argv[2]);
            if (argc >= 4) {
                Drag(p, m, std::atoll(argv[3]), 3, false);
                DirectWrite(m.mute, 0);
            }
        }
        PrintFigures(p, "end");
    } else if (command == "endurance" && argc >= 4) {
        const int seconds = std::atoi(argv[2]);
        const Master m = FindMaster();
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
