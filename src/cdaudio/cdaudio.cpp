// CD audio player over MCI, device type "cdaudio".
//
// The open device's id lives in g_state.CDDeviceID (0 = none open) from OpenCD
// to CloseCD. Every command's full result is kept in g_state.CDLastError; a
// failure is also shown to the user in a message box captioned with the
// function's name.
//
// Threads: each function sends its commands and changes the CD fields while
// it holds the state lock, so a device is recorded, replaced or forgotten
// together with the command that opened or closed it. The message boxes wait
// for the user, so they are shown after the lock is released, in the order
// the failures came.
#include "cdaudio/cdaudio.h"

#include "core/state.h"

namespace {

// Returned without sending anything when no device is open.
const LONG kNoDeviceOpen = 3075;

const DWORD kErrorTextChars = 256;

// The failures of one call, to be shown once the state lock is released. A
// call sends at most three commands.
struct Reports {
    DWORD codes[3];
    const char* captions[3];
    int count;
};

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

// Keeps the command's result and, when it failed, notes it for a box.
// Returns the result unchanged. The state lock is held.
DWORD Record(DWORD result, const char* caption, Reports* reports) {
    g_state.CDLastError = result;
    if (result != 0 && reports->count < 3) {
        reports->codes[reports->count] = result;
        reports->captions[reports->count] = caption;
        ++reports->count;
    }
    return result;
}

// Shows each failure with the platform's text for its low 16 bits. The state
// lock is not held.
void Show(const Reports& reports) {
    for (int i = 0; i < reports.count; ++i) {
        char text[kErrorTextChars];
        text[0] = '\0';
        mciGetErrorStringA(reports.codes[i] & 0xFFFF, text, kErrorTextChars);
        // The platform writes the text only when it knows the code (and may
        // leave an empty string when it does not); the buffer is ours to
        // terminate.
        text[kErrorTextChars - 1] = '\0';
        if (text[0] == '\0') FallbackText(text, reports.codes[i]);
        MessageBoxA(NULL, text, reports.captions[i], MB_OK);
    }
}

DWORD Send(MCIDEVICEID device, UINT command, DWORD flags, void* record, const char* caption, Reports* reports) {
    return Record(mciSendCommandA(device, command, flags, reinterpret_cast<DWORD_PTR>(record)), caption, reports);
}

// The time-format step on the recorded device. The state lock is held.
LONG TimeFormatStep(Reports* reports) {
    if (g_state.CDDeviceID == 0) return kNoDeviceOpen;
    MCI_SET_PARMS set = {};
    set.dwCallback = 0;
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    return static_cast<LONG>(
        Send(g_state.CDDeviceID, MCI_SET, MCI_SET_TIME_FORMAT, &set, "SetTimeFormatToTrack", reports));
}

// PlayCD, StopCD and CloseCD: one command to the recorded device.
LONG SendToDevice(UINT command, DWORD flags, void* record, const char* caption, bool forget) {
    Reports reports = {};
    LONG result = kNoDeviceOpen;
    {
        StateLock lock;
        if (g_state.CDDeviceID != 0) {
            result = static_cast<LONG>(Send(g_state.CDDeviceID, command, flags, record, caption, &reports));
            // Forgotten even when the close failed: the host opens afresh.
            if (forget) g_state.CDDeviceID = 0;
        }
    }
    Show(reports);  // nothing to show when no device was open
    return result;
}

}  // namespace

LONG SetTimeFormatToTrack(void) {
    Reports reports = {};
    LONG result;
    {
        StateLock lock;
        result = TimeFormatStep(&reports);
    }
    Show(reports);
    return result;
}

MIXER_EXPORT LONG WINAPI OpenCD(void) {
    Reports reports = {};
    LONG result;
    {
        StateLock lock;
        CopyField(g_state.CDDeviceType, "cdaudio");
        MCI_OPEN_PARMSA open = {};
        open.lpstrDeviceType = g_state.CDDeviceType;
        Send(0, MCI_OPEN, MCI_OPEN_TYPE, &open, "OpenCD", &reports);
        if (g_state.CDLastError == 0) {
            // A device opened earlier is closed, not left open unrecorded:
            // nothing could reach it any more (a host with two threads that
            // each open and close the player would otherwise leak one).
            const MCIDEVICEID earlier = g_state.CDDeviceID;
            g_state.CDDeviceID = open.wDeviceID;
            if (earlier != 0 && earlier != open.wDeviceID) {
                MCI_GENERIC_PARMS generic = {};
                Send(earlier, MCI_CLOSE, MCI_WAIT, &generic, "OpenCD", &reports);
            }
        }
        // Runs on whatever device is recorded: after a failed open that is the
        // earlier device, if any, and the step then answers for the whole call.
        TimeFormatStep(&reports);
        result = static_cast<LONG>(g_state.CDLastError);
    }
    Show(reports);
    return result;
}

MIXER_EXPORT LONG WINAPI PlayCD(LONG track) {
    MCI_PLAY_PARMS play = {};
    play.dwCallback = 0;
    // Tracks/minutes/seconds/frames: the track in the low byte, minutes in the
    // next; only those two bytes come from the caller.
    play.dwFrom = static_cast<DWORD>(track) & 0xFFFF;
    return SendToDevice(MCI_PLAY, MCI_FROM, &play, "PlayCD", false);
}

MIXER_EXPORT LONG WINAPI StopCD(void) {
    MCI_GENERIC_PARMS generic = {};
    return SendToDevice(MCI_STOP, MCI_WAIT, &generic, "StopCD", false);
}

MIXER_EXPORT LONG WINAPI CloseCD(void) {
    MCI_GENERIC_PARMS generic = {};
    return SendToDevice(MCI_CLOSE, MCI_WAIT, &generic, "CloseCD", true);
}
