// CD audio player over MCI, device type "cdaudio".
//
// The open device's id lives in g_state.CDDeviceID (0 = none open) from OpenCD
// to CloseCD. Every command's full result is kept in g_state.CDLastError; a
// failure is also shown to the user in a message box captioned with the
// function's name.
#include "cdaudio/cdaudio.h"

#include "core/state.h"

namespace {

// Returned without sending anything when no device is open.
const LONG kNoDeviceOpen = 3075;

const DWORD kErrorTextChars = 256;

// "MCI error <code>" into text (at least 32 bytes): what the box shows when the
// platform has no text for the code.
void FallbackText(char* text, DWORD code) {
    const char prefix[] = "MCI error ";
    size_t n = 0;
    for (; prefix[n]; ++n) text[n] = prefix[n];
    char digits[10];
    int d = 0;
    do {
        digits[d++] = static_cast<char>('0' + code % 10);
        code /= 10;
    } while (code != 0);
    while (d > 0) text[n++] = digits[--d];
    text[n] = '\0';
}

// Keeps the command's result and, when it failed, shows the platform's text
// for its low 16 bits. Returns the result unchanged.
DWORD Report(DWORD result, const char* caption) {
    g_state.CDLastError = result;
    if (result == 0) return result;
    char text[kErrorTextChars];
    text[0] = '\0';
    mciGetErrorStringA(result & 0xFFFF, text, kErrorTextChars);
    // The platform writes the text only when it knows the code (and may leave
    // an empty string when it does not); the buffer is ours to terminate.
    text[kErrorTextChars - 1] = '\0';
    if (text[0] == '\0') FallbackText(text, result);
    MessageBoxA(NULL, text, caption, MB_OK);
    return result;
}

DWORD Send(UINT command, DWORD flags, void* record, const char* caption) {
    return Report(mciSendCommandA(g_state.CDDeviceID, command, flags, reinterpret_cast<DWORD_PTR>(record)),
                  caption);
}

}  // namespace

LONG SetTimeFormatToTrack(void) {
    if (g_state.CDDeviceID == 0) return kNoDeviceOpen;
    MCI_SET_PARMS set = {};
    set.dwCallback = 0;
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    return static_cast<LONG>(Send(MCI_SET, MCI_SET_TIME_FORMAT, &set, "SetTimeFormatToTrack"));
}

MIXER_EXPORT LONG WINAPI OpenCD(void) {
    CopyField(g_state.CDDeviceType, "cdaudio");
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = g_state.CDDeviceType;
    Report(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open)), "OpenCD");
    if (g_state.CDLastError == 0) g_state.CDDeviceID = open.wDeviceID;
    // Runs on whatever device is recorded: after a failed open that is the
    // earlier device, if any, and the step then answers for the whole call.
    SetTimeFormatToTrack();
    return static_cast<LONG>(g_state.CDLastError);
}

MIXER_EXPORT LONG WINAPI PlayCD(LONG track) {
    if (g_state.CDDeviceID == 0) return kNoDeviceOpen;
    MCI_PLAY_PARMS play = {};
    play.dwCallback = 0;
    // Tracks/minutes/seconds/frames: the track in the low byte, minutes in the
    // next; only those two bytes come from the caller.
    play.dwFrom = static_cast<DWORD>(track) & 0xFFFF;
    return static_cast<LONG>(Send(MCI_PLAY, MCI_FROM, &play, "PlayCD"));
}

MIXER_EXPORT LONG WINAPI StopCD(void) {
    if (g_state.CDDeviceID == 0) return kNoDeviceOpen;
    MCI_GENERIC_PARMS generic = {};
    return static_cast<LONG>(Send(MCI_STOP, MCI_WAIT, &generic, "StopCD"));
}

MIXER_EXPORT LONG WINAPI CloseCD(void) {
    if (g_state.CDDeviceID == 0) return kNoDeviceOpen;
    MCI_GENERIC_PARMS generic = {};
    DWORD result = Send(MCI_CLOSE, MCI_WAIT, &generic, "CloseCD");
    // Forgotten even when the close failed: the host opens afresh.
    g_state.CDDeviceID = 0;
    return static_cast<LONG>(result);
}
