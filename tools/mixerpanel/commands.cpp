// The menu commands: settings files, the sound card's name file, the CD
// player, the pages and About.
#include "ids.h"
#include "messages.h"
#include "panel.h"

#include <commctrl.h>
#include <commdlg.h>

#include "persistence/tokens.h"

#include <algorithm>
#include <vector>

#ifndef MIXERPANEL_VERSION
#error "the build passes MIXERPANEL_VERSION (the project's version)"
#endif

namespace mixerpanel {

namespace {

// A file name from the common file dialog; "" when the user cancels.
std::string AskFile(Panel* p, bool save, const char* title, const char* filter, const char* extension) {
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = p->window;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    return chosen ? std::string(path) : std::string();
}

const char* const kSettingsFilter = "Mixer settings (*.ini)\0*.ini\0All files (*.*)\0*.*\0";

std::string SettingsPath(Panel* p, bool save) {
    if (!p->options.settingsFile.empty()) return p->options.settingsFile;
    return AskFile(p, save, save ? "Save mixer settings" : "Restore mixer settings", kSettingsFilter, "ini");
}

void SaveSettings(Panel* p) {
    const std::string path = SettingsPath(p, true);
    if (path.empty()) return;
    if (p->library.Save(path.c_str()) == 1)
        SetStatus(p, "Settings saved to " + path);
    else
        ShowMessage(p, "The settings could not be saved to " + path + ".", MB_ICONERROR);
}

// The bytes of the file that the library's Set reads; false when it cannot
// be read (Set then fails too, and says so).
bool ReadSettingsBytes(const std::string& path, std::string* bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> buffer(TEXT_READ_LIMIT);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok) return false;
    bytes->assign(buffer.data(), read);
    return true;
}

void RestoreSettings(Panel* p) {
    const std::string path = SettingsPath(p, false);
    if (path.empty()) return;
    // Set takes any file and restores what it recognises: a file that holds
    // no settings would "restore" nothing without a word.
    std::string bytes;
    if (ReadSettingsBytes(path, &bytes)) {
        const std::string why = WhyNoSettings(bytes);
        if (!why.empty()) {
            SetStatus(p, "Nothing restored from " + path);
            ShowMessage(p, path + " holds no mixer settings, so nothing was restored: " + why, MB_ICONWARNING);
            return;
        }
    }
    if (p->library.Set(path.c_str()) == 1) {
        RereadLines(p);  // the CD-type flag may have changed with them
        SetStatus(p, "Settings restored from " + path);
    } else {
        ShowMessage(p, "The settings in " + path + " could not be restored.", MB_ICONERROR);
    }
}

// The name file the library reads in `folder` (which ends in a separator):
// the first "*.cfg" file, in the order the directory search gives them, whose
// base name occurs in the mixer's product name. The folder when none is
// found (the library may see the folder differently at another moment).
std::string NameFileRead(const std::string& folder, const std::string& product) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*.cfg").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return folder;
    std::string found = folder;
    do {
        if (NameFileFits(entry.cFileName, product)) {
            found = folder + entry.cFileName;
            break;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

void LoadNames(Panel* p) {
    std::string folder = p->options.namesDir;
    if (folder.empty()) {
        const std::string file =
            AskFile(p, false, "Sound card name files: pick one in the folder to search",
                    "Sound card name files (*.cfg)\0*.cfg\0", "cfg");
        const size_t slash = file.find_last_of("\\/");
        if (slash == std::string::npos) return;
        folder = file.substr(0, slash);
    }
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    if (p->library.SetSoundCardConfigFilePath(folder.c_str()) == 0) {
        ShowMessage(p, "The folder's name is longer than the library takes (255 characters).", MB_ICONERROR);
        return;
    }
    p->namesLoaded = p->library.ReadDigitalConfiguration() == 1;
    RereadLines(p);
    if (p->namesLoaded) {
        SetStatus(p, "Sound card names loaded from " + NameFileRead(folder, p->topology.product));
    } else {
        ShowMessage(p,
                    "No name file in " + folder + " belongs to this card: the library reads the first \"*.cfg\" " +
                        "file whose base name occurs in the card's name (\"" + p->topology.product + "\").",
                    MB_ICONWARNING);
    }
}

// ---------------------------------------------------------------------------
// CD. The library shows the MCI error text itself; the status bar says what
// failed, with the code and its text, or its name where MCI has no text.

void CdResult(Panel* p, CdCommand command, LONG result, int track = 0) {
    char text[256] = {0};
    if (result == 0 || !mciGetErrorStringA(static_cast<MCIERROR>(result), text, sizeof text)) text[0] = '\0';
    SetStatus(p, CdStatus(command, result, track, text));
}

// The MCI open OpenCD makes ("cdaudio"), closed again at once: its error, 0
// when a CD device opens. Where none does, the status line says so without
// OpenCD, whose message box would come before it and wait.
MCIERROR CdDeviceError() {
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "cdaudio";
    const MCIERROR r = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open));
    MCI_GENERIC_PARMS close = {};
    if (r == 0) mciSendCommandA(open.wDeviceID, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    return r;
}

INT_PTR CALLBACK PlayTrackProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, IDC_TRACK_SPIN, UDM_SETRANGE32, 1, 99);
        SendDlgItemMessageA(dialog, IDC_TRACK_SPIN, UDM_SETPOS32, 0, lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            BOOL ok = FALSE;
            const UINT track = GetDlgItemInt(dialog, IDC_TRACK_EDIT, &ok, FALSE);
            if (!ok || track < 1 || track > 99) {
                MessageBeep(MB_ICONWARNING);
                SetFocus(GetDlgItem(dialog, IDC_TRACK_EDIT));
                return TRUE;
            }
            EndDialog(dialog, static_cast<INT_PTR>(track));
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void PlayTrack(Panel* p) {
    static int lastTrack = 1;
    const INT_PTR track = DialogBoxParamA(p->instance, MAKEINTRESOURCEA(IDD_PLAY_TRACK), p->window, PlayTrackProc,
                                          lastTrack);
    if (track <= 0) return;
    lastTrack = static_cast<int>(track);
    CdResult(p, CdCommand::Play, p->library.PlayCD(static_cast<LONG>(track)), static_cast<int>(track));
}

void About(Panel* p) {
    std::string text = "MIXER panel " MIXERPANEL_VERSION "\n\nA mixer panel over MIXER.DLL, which it loads by name.\n\n";
    text += "Library: " + p->library.path + "\n";
    text += "Version: " + (p->library.version.empty() ? std::string("(no version resource)") : p->library.version);
    if (!p->library.description.empty()) text += "\n" + p->library.description;
    text += "\n\nMixer device 0: " + (p->topology.device ? p->topology.product : std::string("none"));
    MessageBoxA(p->window, text.c_str(), "About MIXER panel", MB_OK | MB_ICONINFORMATION);
}

void Check(HMENU menu, UINT id, bool on) { CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); }

}  // namespace

void InitMenu(Panel* p, HMENU menu) {
    CheckMenuRadioItem(menu, IDM_PAGE_PLAYBACK, IDM_PAGE_RECORDING,
                       p->page == Page::Playback ? IDM_PAGE_PLAYBACK : IDM_PAGE_RECORDING, MF_BYCOMMAND);
    Check(menu, IDM_CD_DIGITAL, p->library.GetCDTypeDigital() != 0);
}

void RunCommand(Panel* p, int command) {
    switch (command) {
    case IDM_SAVE_SETTINGS: SaveSettings(p); break;
    case IDM_RESTORE_SETTINGS: RestoreSettings(p); break;
    case IDM_LOAD_NAMES: LoadNames(p); break;
    case IDM_EXIT: DestroyWindow(p->window); break;
    case IDM_REFRESH:
        RereadLines(p);
        SetStatus(p, "Lines read again");
        break;
    case IDM_PAGE_PLAYBACK: ShowPage(p, Page::Playback); break;
    case IDM_PAGE_RECORDING: ShowPage(p, Page::Recording); break;
    case IDM_NEXT_PAGE:
        ShowPage(p, p->page == Page::Playback ? Page::Recording : Page::Playback);
        break;
    // Without an open device the library answers 3075 and shows nothing,
    // so the items stay enabled.
    case IDM_CD_OPEN:
        if (const MCIERROR none = CdDeviceError()) {
            CdResult(p, CdCommand::Open, static_cast<LONG>(none));
            break;
        }
        p->cdOpen = true;  // even a failed open may leave the device open
        CdResult(p, CdCommand::Open, p->library.OpenCD());
        break;
    case IDM_CD_PLAY: PlayTrack(p); break;
    case IDM_CD_STOP: CdResult(p, CdCommand::Stop, p->library.StopCD()); break;
    case IDM_CD_CLOSE:
        CdResult(p, CdCommand::Close, p->library.CloseCD());
        p->cdOpen = false;
        break;
    case IDM_CD_DIGITAL:
        p->library.SetCDTypeDigital(p->library.GetCDTypeDigital() != 0 ? 0 : 1);
        RereadLines(p);
        break;
    case IDM_ABOUT: About(p); break;
    }
}

}  // namespace mixerpanel
