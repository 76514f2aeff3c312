// Identifiers of mixerpanel's menu commands, resources and controls. The
// panel test's driver program uses them too, to find a control and to send
// a command the way the menu does.
#pragma once

// Menu commands (WM_COMMAND).
#define IDM_SAVE_SETTINGS 40001
#define IDM_RESTORE_SETTINGS 40002
#define IDM_LOAD_NAMES 40003
#define IDM_EXIT 40004
#define IDM_REFRESH 40005
#define IDM_PAGE_PLAYBACK 40006
#define IDM_PAGE_RECORDING 40007
#define IDM_NEXT_PAGE 40008
#define IDM_CD_OPEN 40010
#define IDM_CD_PLAY 40011
#define IDM_CD_STOP 40012
#define IDM_CD_CLOSE 40013
#define IDM_CD_DIGITAL 40014
#define IDM_ABOUT 40020

// Resources.
#define IDR_MAINMENU 100
#define IDR_ACCELERATORS 101
#define IDI_PANEL 102
#define IDD_PLAY_TRACK 110
#define IDC_TRACK_EDIT 111
#define IDC_TRACK_SPIN 112

// Controls. Page p (0 playback, 1 recording), strip s (0..6, in the order of
// the strip table), part k: ID_STRIP(p, s, k). The tab control, the status
// bar and the pages are children of the main window; the strips' controls
// are children of their page.
#define ID_TAB 200
#define ID_STATUS 201
#define ID_PAGE_BASE 210  // + page
#define PART_GROUP 0
#define PART_FADER 1
#define PART_METER 2
#define PART_VALUE 3
#define PART_BALANCE 4
#define PART_BOOST 5
#define PART_MUTE 6
#define PART_SELECT 7
#define PART_BALANCE_TEXT 8
#define ID_STRIP(page, strip, part) (1000 + (page) * 100 + (strip) * 10 + (part))
#define ID_SOURCE_GROUP 1300
#define ID_SOURCE_MODE 1301
#define ID_SOURCE_LIST 1302
#define ID_SOURCE_METER 1303

// The main window's class, for FindWindow.
#define PANEL_WINDOW_CLASS "MixerPanelWindow"

// A registered window message (RegisterWindowMessageA) through which a test
// asks the running panel about itself; wParam picks the figure, the result
// is its value. The panel answers only this; it changes nothing.
#define PANEL_DIAGNOSTICS_MESSAGE "MixerPanel.Diagnostics"
#define DIAG_HANDLES 0       // GetProcessHandleCount (counted by probing where it answers 0)
#define DIAG_HEAP_BYTES 1    // bytes in busy blocks of all the process's heaps (HeapWalk)
#define DIAG_HEAP_BLOCKS 2   // busy blocks of all the process's heaps
#define DIAG_GDI_OBJECTS 3   // GetGuiResources
#define DIAG_USER_OBJECTS 4
#define DIAG_CPU_MS 5        // user and kernel time of the process, milliseconds
#define DIAG_PRIVATE_KIB 6   // private bytes (GetProcessMemoryInfo), KiB
#define DIAG_METER_POLLS 7   // GetPeak calls made
#define DIAG_REFRESHES 8     // once-a-second value refreshes made
#define DIAG_WRITES 9        // setter calls made for the controls
#define DIAG_FAILED_READS 10 // getter results of -1
#define DIAG_HEAP_COUNT 11   // heaps of the process

// Two more registered messages let a test read and write a control of a
// mixer device straight through winmm (by device identifier, not through
// the library) inside the panel's process: Wine 8 keeps mixer levels per
// process (a level one process sets is not seen by another), so this is
// where a check of what the panel did must look, and where a change "by
// another program" must be made. wParam: the control's identifier; lParam:
// the value to write. The read answers the one-channel value, or
// PANEL_DIRECT_FAILED; the write answers 1, or 0 when winmm refused.
// The device is 0 until a third message chooses another (a recording
// endpoint's mixer): wParam, its identifier; the answer is 1, or 0 when
// there is no such device and the choice stays as it was.
#define PANEL_DIRECT_READ_MESSAGE "MixerPanel.DirectRead"
#define PANEL_DIRECT_WRITE_MESSAGE "MixerPanel.DirectWrite"
#define PANEL_DIRECT_DEVICE_MESSAGE "MixerPanel.DirectDevice"
#define PANEL_DIRECT_FAILED ((LONG)0x80000000)
