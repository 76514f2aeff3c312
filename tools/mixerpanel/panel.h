// The panel's window: a tab control with the playback and the recording
// page, one strip of controls per line, the recording source list, a status
// bar, the menus and the two timers (meters 20 times a second, the other
// values once a second). A control that cannot act on the mixer is disabled
// and its tooltip says why.
#pragma once

#include "abilities.h"
#include "library.h"
#include "model.h"
#include "topology.h"

#include <windows.h>

#include <map>
#include <string>

namespace mixerpanel {

struct StripUi {
    const StripSpec* spec = nullptr;
    Page page = Page::Playback;
    int index = 0;
    HWND group = nullptr, fader = nullptr, meter = nullptr, value = nullptr;
    HWND balance = nullptr, balanceLeft = nullptr, balanceRight = nullptr, balanceText = nullptr;
    HWND boost = nullptr, mute = nullptr, select = nullptr;
    Getter volumeGet = nullptr, muteGet = nullptr, selectGet = nullptr, selectSet = nullptr;
    Setter volumeSet = nullptr, muteSet = nullptr, balanceSet = nullptr, boostSet = nullptr;

    bool present = false;
    LineFacts facts;            // of the line the library addresses
    StripAbilities abilities;   // which controls act; why the others do not
    FaderScale scale;
    int64_t peakMax = 32768;
    bool dragging = false;     // the fader's thumb is held: refreshes leave it alone
    bool written = false;      // lastWritten holds a value this panel wrote
    int64_t lastWritten = 0;
    int balancePosition = kBalanceCentre;
    LONG selected = -1;        // the selection getter's last answer
    MeterState meterState;
};

struct Counters {
    unsigned long meterPolls = 0, refreshes = 0, writes = 0, failedReads = 0;
};

struct Panel {
    HINSTANCE instance = nullptr;
    Options options;
    Library library;
    Topology topology;

    HWND window = nullptr, tab = nullptr, status = nullptr, tooltip = nullptr;
    HWND pages[kPageCount] = {};
    HWND sourceGroup = nullptr, sourceMode = nullptr, sourceList = nullptr, sourceMeter = nullptr;
    HFONT font = nullptr;
    FontMetrics metrics;
    HACCEL accelerators = nullptr;
    UINT diagnosticsMessage = 0, directReadMessage = 0, directWriteMessage = 0, directDeviceMessage = 0;

    StripUi strips[kPageCount][kStripsPerPage];
    Page page = Page::Playback;
    MeterState inputMeter;
    BoostState boost;
    bool namesLoaded = false;
    bool cdOpen = false;  // OpenCD was called since the last CloseCD: close it on exit

    RecordChannels channels;
    LONG singleSelect = -1;                 // IsMuxSingleSelect's last answer
    std::map<std::string, bool> chosen;     // sources this panel selected or deselected by name
    bool fillingList = false;               // the list is being changed by the panel, not the user
    int listShown = -1;                     // the list shown enabled (1), disabled (0), not yet (-1)
    int wheel = 0;                          // wheel movement short of a whole notch
    HWND focusBeforeDeactivation = nullptr;

    Counters counters;
};

// Shared by the window (panel.cpp) and the menu commands (commands.cpp).
void RefreshValues(Panel* panel);                 // every value of the page shown, from the library
void RereadLines(Panel* panel);                   // the topology again, then the strips' states
void SetStatus(Panel* panel, const std::string& text);
void RunCommand(Panel* panel, int command);       // a menu command
void InitMenu(Panel* panel, HMENU menu);          // checks and greys the menu's items
void ShowPage(Panel* panel, Page page);
void ShowMessage(Panel* panel, const std::string& text, UINT icon);

// Registers the classes, creates the window and shows it; false (with a
// message shown) when the library cannot be loaded.
bool CreatePanel(Panel* panel, int show);
// The message loop, with the accelerators and dialog keyboard handling.
int RunPanel(Panel* panel);

}  // namespace mixerpanel
