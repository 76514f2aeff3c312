#include "panel.h"

#include "diagnostics.h"
#include "ids.h"
#include "messages.h"
#include "meter.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace mixerpanel {

namespace {

const char* const kPageClass = "MixerPanelPage";
const char* const kMemoryKey = "Software\\MIXER\\Panel";
const char* const kPageNames[kPageCount] = {"Playback", "Recording"};
constexpr UINT_PTR kMeterTimer = 1;
constexpr UINT_PTR kValueTimer = 2;
constexpr UINT kMeterPeriod = 50;    // 20 Hz
constexpr UINT kValuePeriod = 1000;  // 1 Hz

Panel* g_panel = nullptr;  // the one panel of the process

// ---------------------------------------------------------------------------
// Remembered positions (balance cannot be read back from the mixer).

int RecallPosition(const char* name, int fallback) {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kMemoryKey, name, RRF_RT_REG_DWORD, &type, &value, &size) != ERROR_SUCCESS)
        return fallback;
    return static_cast<int>(value);
}

void RememberPosition(const char* name, int position) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kMemoryKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const DWORD value = static_cast<DWORD>(position);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

// ---------------------------------------------------------------------------
// Tooltips that say why a control is disabled. A disabled control gets no
// mouse messages (they go to its page), so each tool is a rectangle of the
// page, kept on the control's place; its text is empty while the control
// acts, and an empty tip is never shown.

void AddTool(Panel* p, HWND control) {
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    tool.lpszText = const_cast<char*>("");
    SendMessageA(p->tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void SetTip(Panel* p, HWND control, const std::string& text) {
    if (!control) return;
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(control);
    tool.uId = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(p->tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void PlaceTool(Panel* p, HWND control, const Rect& r) {
    if (!control) return;
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(control);
    tool.uId = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    tool.rect = RECT{r.left, r.top, r.right, r.bottom};
    SendMessageA(p->tooltip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
}

// ---------------------------------------------------------------------------
// The mouse wheel on the faders. The wheel message goes to the window with
// the focus (or, on newer Windows, the one under the pointer) and from a
// control that does not use it on to its parents: the faders take it
// themselves, the pages and the main window pass it on. It moves the fader
// under the pointer, else the focused one.

bool Wheel(Panel* p, POINT screen, int delta, HWND receiver);

LRESULT CALLBACK FaderProc(HWND fader, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_MOUSEWHEEL) {
        const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (Wheel(reinterpret_cast<Panel*>(data), at, GET_WHEEL_DELTA_WPARAM(wParam), fader)) return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(fader, FaderProc, 0);
    return DefSubclassProc(fader, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Creating the controls.

HWND Child(Panel* p, HWND parent, const char* cls, const char* text, DWORD style, int id, DWORD exStyle = 0) {
    HWND w = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), p->instance, nullptr);
    SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(p->font), FALSE);
    return w;
}

template <typename F>
F Export(const Panel* p, const char* name) {
    return p->library.dll.Function<F>(name);
}

void CreateStrip(Panel* p, Page page, int index) {
    StripUi& s = p->strips[static_cast<int>(page)][index];
    s.spec = &Strip(page, index);
    s.page = page;
    s.index = index;
    const int pg = static_cast<int>(page);
    HWND parent = p->pages[pg];
    s.volumeGet = Export<Getter>(p, s.spec->volumeGet);
    s.volumeSet = Export<Setter>(p, s.spec->volumeSet);
    s.muteGet = Export<Getter>(p, s.spec->muteGet);
    s.muteSet = Export<Setter>(p, s.spec->muteSet);
    s.balanceSet = Export<Setter>(p, s.spec->balanceSet);
    s.boostSet = Export<Setter>(p, s.spec->boostSet);
    s.selectGet = Export<Getter>(p, s.spec->selectGet);
    s.selectSet = Export<Getter>(p, s.spec->selectSet);

    // Creation order is the tab order: balance, fader, boost, mute, select.
    // The group box lies under the strip's other controls and draws only its
    // frame and caption: transparent, it is not clipped out of the page's
    // background, which the page then erases under it too. (Clipped out, the
    // inside of every strip would keep whatever was drawn there before: the
    // other page's controls, the layout before a resize.)
    s.group = Child(p, parent, "BUTTON", s.spec->label, BS_GROUPBOX, ID_STRIP(pg, index, PART_GROUP),
                    WS_EX_TRANSPARENT);
    if (s.balanceSet) {
        s.balanceLeft = Child(p, parent, "STATIC", "L", SS_CENTER | SS_NOPREFIX, -1);
        s.balanceRight = Child(p, parent, "STATIC", "R", SS_CENTER | SS_NOPREFIX, -1);
        // No trackbar tooltip: it would show the raw position over the
        // strip's caption. The label under the trackbar says it in words.
        s.balance = Child(p, parent, TRACKBAR_CLASSA, "", WS_TABSTOP | TBS_HORZ | TBS_BOTTOM,
                          ID_STRIP(pg, index, PART_BALANCE));
        SendMessageA(s.balance, TBM_SETRANGE, FALSE, MAKELPARAM(0, kBalancePositions - 1));
        SendMessageA(s.balance, TBM_SETTIC, 0, kBalanceCentre);
        SendMessageA(s.balance, TBM_SETTIC, 0, kBalanceCentre + 1);
        SendMessageA(s.balance, TBM_SETPAGESIZE, 0, 4);
        s.balanceText = Child(p, parent, "STATIC", "", SS_CENTER | SS_NOPREFIX, ID_STRIP(pg, index, PART_BALANCE_TEXT));
    }
    s.fader = Child(p, parent, TRACKBAR_CLASSA, "", WS_TABSTOP | TBS_VERT | TBS_BOTH | TBS_AUTOTICKS,
                    ID_STRIP(pg, index, PART_FADER));
    SetWindowSubclass(s.fader, FaderProc, 0, reinterpret_cast<DWORD_PTR>(p));
    if (page == Page::Playback) {
        s.meter = Child(p, parent, kMeterClass, "", 0, ID_STRIP(pg, index, PART_METER));
        AttachMeterState(s.meter, &s.meterState);
    }
    s.value = Child(p, parent, "STATIC", "", SS_CENTER | SS_NOPREFIX, ID_STRIP(pg, index, PART_VALUE));
    if (s.boostSet)
        s.boost = Child(p, parent, "BUTTON", "Boost", WS_TABSTOP | BS_3STATE, ID_STRIP(pg, index, PART_BOOST));
    if (s.muteSet)
        s.mute = Child(p, parent, "BUTTON", "Mute", WS_TABSTOP | BS_AUTOCHECKBOX, ID_STRIP(pg, index, PART_MUTE));
    if (s.selectSet)
        s.select = Child(p, parent, "BUTTON", "Select", WS_TABSTOP | BS_CHECKBOX, ID_STRIP(pg, index, PART_SELECT));
    for (HWND control : {s.fader, s.balance, s.boost, s.mute, s.select})
        if (control) AddTool(p, control);
}

void CreateSourcePanel(Panel* p) {
    HWND parent = p->pages[static_cast<int>(Page::Recording)];
    p->sourceGroup = Child(p, parent, "BUTTON", "Recording source", BS_GROUPBOX, ID_SOURCE_GROUP, WS_EX_TRANSPARENT);
    p->sourceMode = Child(p, parent, "STATIC", "", SS_LEFT | SS_NOPREFIX, ID_SOURCE_MODE);
    p->sourceList = Child(p, parent, WC_LISTVIEWA, "",
                          WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                              LVS_SHOWSELALWAYS,
                          ID_SOURCE_LIST);
    ListView_SetExtendedListViewStyle(p->sourceList, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    ListView_InsertColumn(p->sourceList, 0, &column);
    p->sourceMeter = Child(p, parent, kMeterClass, "", 0, ID_SOURCE_METER);
    AttachMeterState(p->sourceMeter, &p->inputMeter);
}

// ---------------------------------------------------------------------------
// Layout.

void Place(HDWP* defer, HWND w, const Rect& r) {
    if (!w || !*defer) return;
    *defer = DeferWindowPos(*defer, w, nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOutPageControls(Panel* p, Page page) {
    HWND pageWindow = p->pages[static_cast<int>(page)];
    RECT client;
    GetClientRect(pageWindow, &client);
    const PageLayout layout = LayOutPage(RowsFor(page), kStripsPerPage, client.right, client.bottom, p->metrics);
    HDWP defer = BeginDeferWindowPos(kStripsPerPage * 11 + 4);
    for (int i = 0; i < kStripsPerPage; ++i) {
        StripUi& s = p->strips[static_cast<int>(page)][i];
        const StripRects& r = layout.strips[i];
        const std::pair<HWND, const Rect*> places[] = {
            {s.group, &r.group},   {s.balance, &r.balance}, {s.balanceLeft, &r.balanceLeft},
            {s.balanceRight, &r.balanceRight}, {s.balanceText, &r.balanceText}, {s.fader, &r.fader},
            {s.meter, &r.meter},   {s.value, &r.value},     {s.boost, &r.boost},
            {s.mute, &r.mute},     {s.select, &r.select}};
        for (const auto& place : places) Place(&defer, place.first, *place.second);
        const std::pair<HWND, const Rect*> tools[] = {
            {s.fader, &r.fader}, {s.balance, &r.balance}, {s.boost, &r.boost}, {s.mute, &r.mute}, {s.select, &r.select}};
        for (const auto& tool : tools) PlaceTool(p, tool.first, *tool.second);
    }
    if (page == Page::Recording) {
        Place(&defer, p->sourceGroup, layout.side);
        Place(&defer, p->sourceMode, layout.sideMode);
        Place(&defer, p->sourceList, layout.sideList);
        Place(&defer, p->sourceMeter, layout.sideMeter);
    }
    if (defer) EndDeferWindowPos(defer);
    if (page == Page::Recording)
        ListView_SetColumnWidth(p->sourceList, 0, std::max(20, layout.sideList.Width() - GetSystemMetrics(SM_CXVSCROLL) - 4));
}

// Draws the whole client area anew, every child included: after a page
// switch or a resize nothing of what was there before may stay.
void RedrawAll(Panel* p) { RedrawWindow(p->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN); }

void LayOut(Panel* p) {
    RECT client;
    GetClientRect(p->window, &client);
    SendMessageA(p->status, WM_SIZE, 0, 0);
    RECT statusRect;
    GetWindowRect(p->status, &statusRect);
    const int statusHeight = statusRect.bottom - statusRect.top;
    const int margin = std::max(4, p->metrics.height / 3);
    SetWindowPos(p->tab, nullptr, margin, margin, client.right - 2 * margin,
                 client.bottom - statusHeight - 2 * margin, SWP_NOZORDER | SWP_NOACTIVATE);
    // The pages lie on the tab control's display area, as its siblings.
    RECT body;
    GetClientRect(p->tab, &body);
    TabCtrl_AdjustRect(p->tab, FALSE, &body);
    MapWindowPoints(p->tab, p->window, reinterpret_cast<POINT*>(&body), 2);
    for (int pg = 0; pg < kPageCount; ++pg) {
        SetWindowPos(p->pages[pg], nullptr, body.left, body.top, body.right - body.left, body.bottom - body.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        LayOutPageControls(p, static_cast<Page>(pg));
    }
    const int parts[3] = {client.right * 2 / 5, client.right * 3 / 5, -1};
    SendMessageA(p->status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
}

// The window size that gives both pages their minimum.
SIZE MinimumWindowSize(Panel* p) {
    int width = 0, height = 0;
    for (int pg = 0; pg < kPageCount; ++pg) {
        int w = 0, h = 0;
        MinimumPageSize(RowsFor(static_cast<Page>(pg)), kStripsPerPage, p->metrics, &w, &h);
        width = std::max(width, w);
        height = std::max(height, h);
    }
    RECT r = {0, 0, width, height};
    TabCtrl_AdjustRect(p->tab, TRUE, &r);
    RECT statusRect;
    GetWindowRect(p->status, &statusRect);
    const int margin = std::max(4, p->metrics.height / 3);
    r.right += 2 * margin - r.left;
    r.bottom += 2 * margin + (statusRect.bottom - statusRect.top) - r.top;
    r.left = r.top = 0;
    AdjustWindowRectEx(&r, GetWindowLongA(p->window, GWL_STYLE), TRUE, GetWindowLongA(p->window, GWL_EXSTYLE));
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// ---------------------------------------------------------------------------
// Showing values.

void SetText(HWND w, const std::string& text) {
    char current[128] = "";
    GetWindowTextA(w, current, sizeof current);
    if (text != current) SetWindowTextA(w, text.c_str());
}

void ShowVolume(StripUi& s, LONG value) {
    if (value == -1) {  // the library's failure value
        SetText(s.value, "no reading");
        return;
    }
    // A thumb the user holds (captured, or reporting a drag) stays where
    // the user has it.
    if (!s.dragging && GetCapture() != s.fader)
        SendMessageA(s.fader, TBM_SETPOS, TRUE, FaderPosition(s.scale, value));
    SetText(s.value, std::to_string(Percent(s.scale, value)) + " %");
}

void SetCheck(HWND w, int state) {
    if (w && SendMessageA(w, BM_GETCHECK, 0, 0) != state) SendMessageA(w, BM_SETCHECK, state, 0);
}

int CheckOf(Tri t) { return t == Tri::On ? BST_CHECKED : t == Tri::Off ? BST_UNCHECKED : BST_INDETERMINATE; }

LONG Read(Panel* p, Getter getter) {
    const LONG v = getter();
    if (v == -1) ++p->counters.failedReads;
    return v;
}

StripUi* MicStrip(Panel* p, Page page) {
    for (StripUi& s : p->strips[static_cast<int>(page)])
        if (s.boost) return &s;
    return nullptr;
}

// A boost that does not act shows nothing: clear.
void ShowBoost(Panel* p) {
    if (StripUi* s = MicStrip(p, Page::Playback))
        SetCheck(s->boost, s->abilities.boost.acts ? CheckOf(p->boost.play) : BST_UNCHECKED);
    if (StripUi* s = MicStrip(p, Page::Recording))
        SetCheck(s->boost, s->abilities.boost.acts ? CheckOf(p->boost.rec) : BST_UNCHECKED);
}

// The recording strip whose selection getter answers for a source list
// item: the library matches a kind by the name of the recording
// destination's last source of that kind's type.
const StripUi* StripForSource(Panel* p, const std::string& item) {
    for (const StripUi& s : p->strips[static_cast<int>(Page::Recording)]) {
        if (!s.selectGet) continue;
        const SourceName* last = nullptr;
        for (const SourceName& source : p->topology.waveInSources)
            if (source.componentType == s.spec->componentType) last = &source;
        if (last && last->name == item) return &s;
    }
    return nullptr;
}

// Whether the list shows an item as selected: -1 when nothing tells.
int ItemSelected(Panel* p, const std::string& item) {
    if (const StripUi* s = StripForSource(p, item)) return s->selected < 0 ? -1 : s->selected != 0;
    auto it = p->chosen.find(item);
    return it == p->chosen.end() ? -1 : it->second;
}

void FillSourceList(Panel* p) {
    p->fillingList = true;
    const int count = ListView_GetItemCount(p->sourceList);
    bool rebuild = count != static_cast<int>(p->channels.items.size());
    for (int i = 0; i < count && !rebuild; ++i) {
        char text[80] = "";
        ListView_GetItemText(p->sourceList, i, 0, text, sizeof text);
        rebuild = p->channels.items[i] != text;
    }
    if (rebuild) {
        ListView_DeleteAllItems(p->sourceList);
        for (size_t i = 0; i < p->channels.items.size(); ++i) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<char*>(p->channels.items[i].c_str());
            ListView_InsertItem(p->sourceList, &item);
        }
    }
    for (size_t i = 0; i < p->channels.items.size(); ++i) {
        const bool on = ItemSelected(p, p->channels.items[i]) == 1;
        if ((ListView_GetCheckState(p->sourceList, static_cast<int>(i)) != 0) != on)
            ListView_SetCheckState(p->sourceList, static_cast<int>(i), on);
    }
    p->fillingList = false;
    InvalidateRect(p->sourceList, nullptr, FALSE);
}

// The list is enabled while it has sources to choose from; disabled, it is
// drawn on the dialog's colour, as the list views of some versions draw a
// disabled list no differently from an enabled one.
void ShowListEnabled(Panel* p) {
    const bool on = p->topology.device && p->topology.waveIn.present && !p->channels.items.empty();
    if (p->listShown == (on ? 1 : 0)) return;
    p->listShown = on ? 1 : 0;
    EnableWindow(p->sourceList, on);
    const COLORREF background = GetSysColor(on ? COLOR_WINDOW : COLOR_BTNFACE);
    ListView_SetBkColor(p->sourceList, background);
    ListView_SetTextBkColor(p->sourceList, background);
    ListView_SetTextColor(p->sourceList, GetSysColor(on ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    InvalidateRect(p->sourceList, nullptr, TRUE);
}

void RefreshSelector(Panel* p) {
    if (!p->topology.waveIn.present) {
        p->channels = RecordChannels();
        p->singleSelect = -1;
        // A mixer per endpoint: recording lines without a selector.
        SetText(p->sourceMode,
                RecordingOnEndpoints(p->topology) ? "No recording selector" : "No recording destination");
        FillSourceList(p);
        ShowListEnabled(p);
        return;
    }
    p->singleSelect = p->library.IsMuxSingleSelect();
    char buffer[4096 + 1] = "";
    const LONG listed = p->library.GetMixerRecordChannels(buffer, sizeof buffer - 1);
    p->channels = listed == 0 ? ParseRecordChannels(buffer) : RecordChannels();
    if (listed != 0)
        SetText(p->sourceMode, "The recording selector cannot be read");
    else if (p->channels.product.empty())
        SetText(p->sourceMode, "No recording selector");
    else
        SetText(p->sourceMode, p->singleSelect == 1 ? "Records one source at a time"
                                                    : "Records any number of sources at once");
    FillSourceList(p);
    ShowListEnabled(p);
}

// Enables the controls that act and gives the others their tooltip. A
// balance is shown where it is remembered only where the mixer can hold
// one; elsewhere it stays at the centre, without words.
void ShowAbilities(Panel* p, StripUi& s) {
    const StripAbilities& a = s.abilities;
    for (HWND w : {s.group, s.meter, s.value}) EnableWindow(w, a.line);
    const std::pair<HWND, const ControlAbility*> controls[] = {
        {s.fader, &a.fader}, {s.mute, &a.mute}, {s.boost, &a.boost}, {s.select, &a.select}, {s.balance, &a.balance}};
    for (const auto& c : controls) {
        if (!c.first) continue;
        EnableWindow(c.first, c.second->acts);
        SetTip(p, c.first, c.second->acts ? std::string() : c.second->why);
    }
    for (HWND w : {s.balanceLeft, s.balanceRight, s.balanceText}) EnableWindow(w, a.balance.acts);
    if (s.balance) {
        s.balancePosition = a.balance.acts ? std::clamp(RecallPosition(s.spec->memoryKey, kBalanceCentre), 0,
                                                        kBalancePositions - 1)
                                           : kBalanceCentre;
        SendMessageA(s.balance, TBM_SETPOS, TRUE, s.balancePosition);
        SetText(s.balanceText, a.balance.acts ? BalanceText(s.balancePosition) : "");
    }
    // A control that does not act shows no value: a fader rests at the
    // bottom, a check box is clear.
    if (!a.fader.acts) SendMessageA(s.fader, TBM_SETPOS, TRUE, s.scale.steps);
    if (!a.mute.acts) SetCheck(s.mute, BST_UNCHECKED);
    if (!a.select.acts) SetCheck(s.select, BST_UNCHECKED);
    if (!a.line) SetText(s.value, "no line");
    else if (!a.fader.acts) SetText(s.value, "no value");
    if (!a.line) {
        s.meterState = MeterState();
        if (s.meter) InvalidateRect(s.meter, nullptr, FALSE);
    }
}

// Which strips have a line, and which of their controls act: the
// topology's lines by type, and the lines the library may address by a name
// from the sound card's name file.
void ApplyPresence(Panel* p) {
    const bool digitalCD = p->namesLoaded && p->library.GetCDTypeDigital() != 0;
    for (int pg = 0; pg < kPageCount; ++pg)
        for (int i = 0; i < kStripsPerPage; ++i) {
            StripUi& s = p->strips[pg][i];
            StripLine line;
            line.facts = p->topology.lines[pg][i];
            line.selector = p->topology.selector;
            line.namesLoaded = p->namesLoaded;
            const bool named = (s.spec->override == Override::NameFile && p->namesLoaded) ||
                               (s.spec->override == Override::NameFileDigitalCD && digitalCD);
            if (!p->topology.device)
                line.facts.present = false;
            else if (named)
                line.facts = ProbeNamedLine(s.volumeGet, s.volumeSet, p->topology.sources[pg], line.facts,
                                            &p->counters.writes);
            s.facts = line.facts;
            s.present = line.facts.present;
            s.abilities = AbilitiesOf(*s.spec, line);
            s.scale = s.facts.hasVolume ? MakeFaderScale(s.facts.volumeMin, s.facts.volumeMax) : MakeFaderScale(0, 65535);
            s.peakMax = p->topology.lines[pg][i].peakMax;  // GetPeak reads by the line's type
            SendMessageA(s.fader, TBM_SETRANGEMIN, FALSE, 0);
            SendMessageA(s.fader, TBM_SETRANGEMAX, TRUE, s.scale.steps);
            SendMessageA(s.fader, TBM_SETTICFREQ, std::max(1, s.scale.steps / 10), 0);
            SendMessageA(s.fader, TBM_SETLINESIZE, 0, LineStep(s.scale));
            SendMessageA(s.fader, TBM_SETPAGESIZE, 0, PageStep(s.scale));
            ShowAbilities(p, s);
        }
    const bool input = p->topology.device && p->topology.waveIn.present;
    for (HWND w : {p->sourceGroup, p->sourceMode, p->sourceMeter}) EnableWindow(w, input);
    ShowListEnabled(p);
    SendMessageA(p->status, SB_SETTEXTA, 0,
                 reinterpret_cast<LPARAM>(p->topology.device ? ("Mixer: " + p->topology.product).c_str()
                                                              : "No mixer device"));
}

void PollMeters(Panel* p) {
    if (p->page == Page::Playback) {
        for (StripUi& s : p->strips[0]) {
            if (!s.present || !s.meter) continue;
            const LONG magnitude = p->library.GetPeak(s.spec->componentType);
            ++p->counters.meterPolls;
            if (MeterTick(s.meterState, MeterFraction(magnitude, s.peakMax))) InvalidateRect(s.meter, nullptr, FALSE);
        }
    } else if (p->topology.waveIn.present) {
        const LONG magnitude = p->library.GetPeak(kDstWaveIn);
        ++p->counters.meterPolls;
        if (MeterTick(p->inputMeter, MeterFraction(magnitude, p->topology.waveIn.peakMax)))
            InvalidateRect(p->sourceMeter, nullptr, FALSE);
    }
}

// ---------------------------------------------------------------------------
// Writing values.

void WriteFader(Panel* p, StripUi& s) {
    const int position = static_cast<int>(SendMessageA(s.fader, TBM_GETPOS, 0, 0));
    const int64_t value = FaderValue(s.scale, position);
    SetText(s.value, std::to_string(Percent(s.scale, value)) + " %");
    if (s.written && value == s.lastWritten) return;
    s.volumeSet(static_cast<LONG>(value));
    ++p->counters.writes;
    s.written = true;
    s.lastWritten = value;
}

void WriteBalance(Panel* p, StripUi& s, bool finished) {
    const int position = static_cast<int>(SendMessageA(s.balance, TBM_GETPOS, 0, 0));
    if (position != s.balancePosition) {
        s.balanceSet(position);
        ++p->counters.writes;
        s.balancePosition = position;
        SetText(s.balanceText, BalanceText(position));
        SetStatus(p, std::string(kPageNames[static_cast<int>(s.page)]) + " " + s.spec->label + " balance: " +
                         BalanceText(position));
    }
    if (finished) RememberPosition(s.spec->memoryKey, position);
}

bool Wheel(Panel* p, POINT screen, int delta, HWND receiver) {
    StripUi* target = nullptr;
    for (StripUi& s : p->strips[static_cast<int>(p->page)]) {
        if (!IsWindowEnabled(s.fader) || !IsWindowVisible(s.fader)) continue;
        RECT r;
        GetWindowRect(s.fader, &r);
        if (PtInRect(&r, screen) || (!target && s.fader == receiver)) target = &s;
    }
    if (!target) return false;
    // A notch (WHEEL_DELTA) is one keyboard step; finer wheels add up to it.
    p->wheel += delta;
    const int notches = p->wheel / WHEEL_DELTA;
    p->wheel -= notches * WHEEL_DELTA;
    if (notches == 0) return true;
    // Up raises the level: the top of the fader is its maximum.
    const int position = static_cast<int>(SendMessageA(target->fader, TBM_GETPOS, 0, 0));
    SendMessageA(target->fader, TBM_SETPOS, TRUE,
                 std::clamp(position - notches * LineStep(target->scale), 0, target->scale.steps));
    WriteFader(p, *target);
    return true;
}

void Scrolled(Panel* p, HWND control, int code) {
    for (auto& page : p->strips)
        for (StripUi& s : page) {
            if (control == s.fader) {
                if (code == TB_THUMBTRACK) s.dragging = true;
                if (code == TB_ENDTRACK || code == TB_THUMBPOSITION) s.dragging = false;
                WriteFader(p, s);
                return;
            }
            if (control == s.balance) {
                WriteBalance(p, s, code == TB_ENDTRACK || code == TB_THUMBPOSITION);
                return;
            }
        }
}

void Clicked(Panel* p, HWND control) {
    for (auto& page : p->strips)
        for (StripUi& s : page) {
            if (control == s.mute && s.mute) {
                s.muteSet(SendMessageA(s.mute, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
                ++p->counters.writes;
                return;
            }
            if (control == s.boost && s.boost) {
                const bool on = SendMessageA(s.boost, BM_GETCHECK, 0, 0) != BST_CHECKED;
                s.boostSet(on ? 1 : 0);
                ++p->counters.writes;
                (s.page == Page::Playback ? p->boost.play : p->boost.rec) = on ? Tri::On : Tri::Off;
                ShowBoost(p);
                return;
            }
            if (control == s.select && s.select) {
                // The selection setters only select; deselecting goes by kind.
                if (s.selected > 0)
                    p->library.SelectLine(s.spec->selectKind, nullptr, 0);
                else
                    s.selectSet();
                ++p->counters.writes;
                RefreshValues(p);
                return;
            }
        }
}

void SourceChecked(Panel* p, int item, bool on) {
    if (item < 0 || item >= static_cast<int>(p->channels.items.size())) return;
    const std::string& name = p->channels.items[item];
    p->library.SelectLine(kSourceNamed, name.c_str(), on ? 1 : 0);
    ++p->counters.writes;
    p->chosen[name] = on;
    if (on && p->singleSelect == 1)  // the others went off with it
        for (auto& entry : p->chosen)
            if (entry.first != name) entry.second = false;
    SetStatus(p, (on ? "Recording from " : "Not recording from ") + name);
    RefreshValues(p);
}

LRESULT SourceListNotify(Panel* p, NMHDR* header) {
    if (header->code == LVN_ITEMCHANGED) {
        NMLISTVIEW* change = reinterpret_cast<NMLISTVIEW*>(header);
        const UINT oldImage = change->uOldState & LVIS_STATEIMAGEMASK;
        const UINT newImage = change->uNewState & LVIS_STATEIMAGEMASK;
        if (!p->fillingList && (change->uChanged & LVIF_STATE) && oldImage && newImage && oldImage != newImage)
            SourceChecked(p, change->iItem, newImage == INDEXTOSTATEIMAGEMASK(2));
        return 0;
    }
    if (header->code == NM_CUSTOMDRAW) {
        // Sources whose state nothing tells are shown in grey.
        NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            const size_t i = draw->nmcd.dwItemSpec;
            if (i < p->channels.items.size() && ItemSelected(p, p->channels.items[i]) < 0)
                draw->clrText = GetSysColor(COLOR_GRAYTEXT);
            return CDRF_DODEFAULT;
        }
    }
    return 0;
}

LRESULT Diagnostics(Panel* p, WPARAM which) {
    switch (which) {
    case DIAG_HANDLES: return HandleCount();
    case DIAG_HEAP_BYTES: return static_cast<LRESULT>(MeasureHeaps().busyBytes);
    case DIAG_HEAP_BLOCKS: return static_cast<LRESULT>(MeasureHeaps().busyBlocks);
    case DIAG_HEAP_COUNT: return static_cast<LRESULT>(MeasureHeaps().heaps);
    case DIAG_GDI_OBJECTS: return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    case DIAG_USER_OBJECTS: return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    case DIAG_CPU_MS: return static_cast<LRESULT>(CpuMilliseconds());
    case DIAG_PRIVATE_KIB: return static_cast<LRESULT>(PrivateKiB());
    case DIAG_METER_POLLS: return static_cast<LRESULT>(p->counters.meterPolls);
    case DIAG_REFRESHES: return static_cast<LRESULT>(p->counters.refreshes);
    case DIAG_WRITES: return static_cast<LRESULT>(p->counters.writes);
    case DIAG_FAILED_READS: return static_cast<LRESULT>(p->counters.failedReads);
    }
    return -1;
}

// ---------------------------------------------------------------------------
// Window procedures.

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
        return SendMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Panel* p = g_panel;
    if (!p || !p->window) return DefWindowProcA(window, message, wParam, lParam);
    if (message != 0 && message == p->diagnosticsMessage) return Diagnostics(p, wParam);
    if (message != 0 && message == p->directReadMessage) {
        LONG value = 0;
        return DirectRead(static_cast<DWORD>(wParam), &value) ? value : PANEL_DIRECT_FAILED;
    }
    if (message != 0 && message == p->directWriteMessage)
        return DirectWrite(static_cast<DWORD>(wParam), static_cast<LONG>(lParam)) ? 1 : 0;
    if (message != 0 && message == p->directDeviceMessage) return DirectDevice(static_cast<UINT>(wParam)) ? 1 : 0;
    switch (message) {
    case WM_SIZE:
        LayOut(p);
        RedrawAll(p);
        return 0;
    case WM_MOUSEWHEEL: {
        const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (Wheel(p, at, GET_WHEEL_DELTA_WPARAM(wParam), nullptr)) return 0;
        break;
    }
    case WM_GETMINMAXINFO: {
        const SIZE minimum = MinimumWindowSize(p);
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{minimum.cx, minimum.cy};
        return 0;
    }
    case WM_TIMER:
        // Nothing to show while minimised.
        if (IsIconic(window)) return 0;
        if (wParam == kMeterTimer) PollMeters(p);
        if (wParam == kValueTimer) RefreshValues(p);
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lParam) Scrolled(p, reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        return 0;
    case WM_COMMAND:
        if (lParam && HIWORD(wParam) == BN_CLICKED) {
            Clicked(p, reinterpret_cast<HWND>(lParam));
            return 0;
        }
        if (!lParam) RunCommand(p, LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == p->tab && header->code == TCN_SELCHANGE) {
            ShowPage(p, static_cast<Page>(TabCtrl_GetCurSel(p->tab)));
            return 0;
        }
        if (header->hwndFrom == p->sourceList) return SourceListNotify(p, header);
        return 0;
    }
    case WM_INITMENUPOPUP:
        InitMenu(p, reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            p->focusBeforeDeactivation = GetFocus();
        } else if (p->focusBeforeDeactivation && IsWindow(p->focusBeforeDeactivation)) {
            SetFocus(p->focusBeforeDeactivation);
            return 0;
        }
        break;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        p->listShown = -1;  // its colours are the system's
        ShowListEnabled(p);
        RedrawAll(p);
        break;
    case WM_DESTROY:
        KillTimer(window, kMeterTimer);
        KillTimer(window, kValueTimer);
        if (p->cdOpen) p->library.CloseCD();
        p->cdOpen = false;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HFONT DialogFont(FontMetrics* metrics) {
    NONCLIENTMETRICSA ncm = {};
    // The size without iPaddedBorderWidth is accepted by every version.
    ncm.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    HFONT font = nullptr;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) font = CreateFontIndirectA(&ncm.lfMessageFont);
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    if (GetTextMetricsA(dc, &tm)) {
        metrics->height = tm.tmHeight;
        metrics->charWidth = tm.tmAveCharWidth;
    }
    SIZE l = {}, r = {};
    if (GetTextExtentPoint32A(dc, "L", 1, &l) && GetTextExtentPoint32A(dc, "R", 1, &r))
        metrics->letterWidth = std::max(l.cx, r.cx);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return font;
}

}  // namespace

// ---------------------------------------------------------------------------

void SetStatus(Panel* p, const std::string& text) {
    SendMessageA(p->status, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>(text.c_str()));
}

void ShowMessage(Panel* p, const std::string& text, UINT icon) {
    MessageBoxA(p->window, text.c_str(), "MIXER panel", MB_OK | icon);
}

void RefreshValues(Panel* p) {
    ++p->counters.refreshes;
    const int pg = static_cast<int>(p->page);
    bool mic = false;
    for (StripUi& s : p->strips[pg]) {
        if (!s.present) continue;
        if (s.abilities.fader.acts) ShowVolume(s, Read(p, s.volumeGet));
        if (s.muteGet && s.abilities.mute.acts) {
            const LONG mute = Read(p, s.muteGet);
            if (mute >= 0) SetCheck(s.mute, mute ? BST_CHECKED : BST_UNCHECKED);
        }
        if (s.selectGet && s.abilities.select.acts) {
            s.selected = Read(p, s.selectGet);
            SetCheck(s.select, s.selected > 0 ? BST_CHECKED : BST_UNCHECKED);
        }
        mic |= s.boost != nullptr && s.abilities.boost.acts;
    }
    if (mic) {
        p->boost = BoostAfterReading(p->boost, p->library.GetMicBoostMode());
        ShowBoost(p);
    }
    if (p->page == Page::Recording) RefreshSelector(p);
}

void RereadLines(Panel* p) {
    p->topology = ReadTopology();
    ApplyPresence(p);
    RefreshValues(p);
}

void ShowPage(Panel* p, Page page) {
    p->page = page;
    const int pg = static_cast<int>(page);
    if (TabCtrl_GetCurSel(p->tab) != pg) TabCtrl_SetCurSel(p->tab, pg);
    for (int i = 0; i < kPageCount; ++i) ShowWindow(p->pages[i], i == pg ? SW_SHOW : SW_HIDE);
    RefreshValues(p);
    RedrawAll(p);
    // Focus to the first enabled fader of the page, if focus was on the other.
    HWND focus = GetFocus();
    if (!focus || !IsChild(p->pages[pg], focus)) {
        for (StripUi& s : p->strips[pg])
            if (IsWindowEnabled(s.fader)) {
                SetFocus(s.fader);
                return;
            }
        SetFocus(p->tab);
    }
}

bool CreatePanel(Panel* p, int show) {
    g_panel = p;
    std::string error;
    if (!LoadMixerLibrary(p->options.dll, &p->library, &error)) {
        MessageBoxA(nullptr, error.c_str(), "MIXER panel", MB_OK | MB_ICONERROR);
        return false;
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    p->diagnosticsMessage = RegisterWindowMessageA(PANEL_DIAGNOSTICS_MESSAGE);
    p->directReadMessage = RegisterWindowMessageA(PANEL_DIRECT_READ_MESSAGE);
    p->directWriteMessage = RegisterWindowMessageA(PANEL_DIRECT_WRITE_MESSAGE);
    p->directDeviceMessage = RegisterWindowMessageA(PANEL_DIRECT_DEVICE_MESSAGE);
    p->font = DialogFont(&p->metrics);

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = p->instance;
    wc.hIcon = LoadIconA(p->instance, MAKEINTRESOURCEA(IDI_PANEL));
    wc.hIconSm = static_cast<HICON>(LoadImageA(p->instance, MAKEINTRESOURCEA(IDI_PANEL), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
    wc.lpszClassName = PANEL_WINDOW_CLASS;
    WNDCLASSA page = {};
    page.lpfnWndProc = PageProc;
    page.hInstance = p->instance;
    page.hCursor = LoadCursor(nullptr, IDC_ARROW);
    page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    page.lpszClassName = kPageClass;
    if (!RegisterClassExA(&wc) || !RegisterClassA(&page) || !RegisterMeterClass(p->instance)) {
        MessageBoxA(nullptr, "The panel's window classes cannot be registered.", "MIXER panel", MB_OK | MB_ICONERROR);
        return false;
    }
    p->accelerators = LoadAcceleratorsA(p->instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

    p->topology = ReadTopology();
    const std::string title = "MIXER panel";
    HWND window = CreateWindowExA(WS_EX_CONTROLPARENT, PANEL_WINDOW_CLASS, title.c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 900, 520,
                                  nullptr, nullptr, p->instance, nullptr);
    if (!window) {
        MessageBoxA(nullptr, "The panel's window cannot be created.", "MIXER panel", MB_OK | MB_ICONERROR);
        return false;
    }
    p->tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                 p->instance, nullptr);
    SendMessageA(p->tooltip, TTM_SETMAXTIPWIDTH, 0, 40 * p->metrics.charWidth);
    p->status = Child(p, window, STATUSCLASSNAMEA, "", SBARS_SIZEGRIP, ID_STATUS);
    // The pages are the tab control's siblings, above it in the Z order, so
    // that the tab control is a stop of its own in the Tab order (a control
    // parent is only passed through) and never draws over the page shown.
    p->tab = Child(p, window, WC_TABCONTROLA, "", WS_TABSTOP | WS_CLIPSIBLINGS | TCS_FOCUSONBUTTONDOWN, ID_TAB);
    for (int pg = 0; pg < kPageCount; ++pg) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(kPageNames[pg]);
        TabCtrl_InsertItem(p->tab, pg, &item);
        p->pages[pg] = CreateWindowExA(WS_EX_CONTROLPARENT, kPageClass, kPageNames[pg], WS_CHILD | WS_CLIPCHILDREN, 0,
                                       0, 10, 10, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_PAGE_BASE + pg)),
                                       p->instance, nullptr);
        for (int i = 0; i < kStripsPerPage; ++i) CreateStrip(p, static_cast<Page>(pg), i);
    }
    SetWindowPos(p->tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    CreateSourcePanel(p);
    p->window = window;  // from here on the window procedure handles messages

    // Start at a size that shows every strip comfortably.
    const SIZE minimum = MinimumWindowSize(p);
    SetWindowPos(window, nullptr, 0, 0, std::max<int>(minimum.cx, minimum.cx * 6 / 5),
                 std::max<int>(minimum.cy, minimum.cy * 3 / 2), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut(p);
    const std::string library = "MIXER.DLL " + (p->library.version.empty() ? std::string("(no version)")
                                                                          : p->library.version);
    SendMessageA(p->status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(library.c_str()));
    ApplyPresence(p);
    ShowWindow(window, show);
    ShowPage(p, p->options.page);
    UpdateWindow(window);
    SetTimer(window, kMeterTimer, kMeterPeriod, nullptr);
    SetTimer(window, kValueTimer, kValuePeriod, nullptr);
    return true;
}

int RunPanel(Panel* p) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (p->accelerators && TranslateAcceleratorA(p->window, p->accelerators, &msg)) continue;
        if (IsDialogMessageA(p->window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (p->font) DeleteObject(p->font);
    UnloadMixerLibrary(&p->library);
    g_panel = nullptr;
    return static_cast<int>(msg.wParam);
}

}  // namespace mixerpanel
