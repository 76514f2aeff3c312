// CD audio player over MCI, device type "cdaudio".
//
// The open device's id lives in g_state.CDDeviceID (0 = none open) from OpenCD
// to CloseCD. Every command's full result is kept in g_state.CDLastError; a
// failure is also shown to the user in a message box captioned with the
// function's name.
//
// Threads: each function holds the CD player's lock (CdLock) from its first
// look at the CD fields to its last change of them, MCI commands included,
// so that a device is recorded, replaced or forgotten together with the
// command that opened or closed it, and an open that waits for the drive
// holds up no export but the CD player's. A call works on a copy of the CD
// fields and puts back what it changed in one hold of the state lock. The
// message boxes wait for the user, so they are shown after both locks are
// released, in the order the failures came.
#include "cdaudio/cdaudio.h"

#include "core/state.h"
#include "core/trace.h"
#include "platform/requests.h"

namespace {

// Returned without sending anything when no device is open.
const LONG kNoDeviceOpen = 3075;

const char kDeviceType[] = "cdaudio";

const DWORD kErrorTextChars = 256;

// One call of the CD player: the CD fields as it found and changes them, and
// its failures, to be shown once the locks are released. A call sends at
// most three commands.
struct CdCall {
    DWORD device;     // g_state.CDDeviceID
    DWORD lastError;  // g_state.CDLastError
    int sent;
    DWORD codes[3];
    const char* captions[3];
    int count;
};

// The CD fields as the call finds them. The CD lock is held: only its
// holders write them.
void Begin(CdCall* call) {
    ClearRecord(call, sizeof *call);
    call->device = g_state.CDDeviceID;
    call->lastError = g_state.CDLastError;
}

// Puts back what the call changed, all at once: the device and last error
// when a command was sent, and the device type on an OpenCD call. The CD
// lock is held.
void Commit(const CdCall& call, bool openCall) {
    if (call.sent == 0 && !openCall) return;
    StateLock lock;
    g_state.CDDeviceID = call.device;
    g_state.CDLastError = call.lastError;
    if (openCall) CopyField(g_state.CDDeviceType, kDeviceType);
}

// "MCI error <code>" into text (at least 32 bytes): what the box shows when the
// platform has no text for the code.
void FallbackText(char* text, DWORD code) { wsprintfA(text, "MCI error %u", code); }

// Keeps the command's result and, when it failed, notes it for a box.
// Returns the result unchanged.
DWORD Record(DWORD result, const char* caption, CdCall* call) {
    call->lastError = result;
    if (result != 0 && call->count < 3) {
        call->codes[call->count] = result;
        call->captions[call->count] = caption;
        ++call->count;
    }
    return result;
}

// Shows each failure with the platform's text for its low 16 bits. No lock
// is held.
void Show(const CdCall& call) {
    for (int i = 0; i < call.count; ++i) {
        char text[kErrorTextChars];
        text[0] = '\0';
        req::mciGetErrorStringA(call.codes[i] & 0xFFFF, text, kErrorTextChars);
        // The platform writes the text only when it knows the code (and may
        // leave an empty string when it does not); the buffer is ours to
        // terminate.
        text[kErrorTextChars - 1] = '\0';
        if (text[0] == '\0') FallbackText(text, call.codes[i]);
        req::MessageBoxA(NULL, text, call.captions[i], MB_OK);
    }
}

DWORD Send(MCIDEVICEID device, UINT command, DWORD flags, void* record, const char* caption, CdCall* call) {
    ++call->sent;
    return Record(req::mciSendCommandA(device, command, flags, reinterpret_cast<DWORD_PTR>(record)), caption, call);
}

// The time-format step on the call's device. The CD lock is held.
LONG TimeFormatStep(CdCall* call) {
    if (call->device == 0) return kNoDeviceOpen;
    MCI_SET_PARMS set = {};
    set.dwCallback = 0;
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    return static_cast<LONG>(Send(call->device, MCI_SET, MCI_SET_TIME_FORMAT, &set, "SetTimeFormatToTrack", call));
}

// PlayCD, StopCD and CloseCD: one command to the recorded device.
LONG SendToDevice(UINT command, DWORD flags, void* record, const char* caption, bool forget) {
    CdCall call;
    LONG result = kNoDeviceOpen;
    {
        CdLock lock;
        Begin(&call);
        if (call.device != 0) {
            result = static_cast<LONG>(Send(call.device, command, flags, record, caption, &call));
            // Forgotten even when the close failed: the host opens afresh.
            if (forget) call.device = 0;
        }
        Commit(call, false);
    }
    Show(call);  // nothing to show when no device was open
    return result;
}

}  // namespace

LONG SetTimeFormatToTrack(void) {
    CdCall call;
    LONG result;
    {
        CdLock lock;
        Begin(&call);
        result = TimeFormatStep(&call);
        Commit(call, false);
    }
    Show(call);
    return result;
}

MIXER_EXPORT LONG WINAPI OpenCD(void) {
    ExportCall traced("OpenCD()");
    CdCall call;
    {
        CdLock lock;
        Begin(&call);
        MCI_OPEN_PARMSA open = {};
        open.lpstrDeviceType = kDeviceType;
        if (Send(0, MCI_OPEN, MCI_OPEN_TYPE, &open, "OpenCD", &call) == 0) {
            // A device opened earlier is closed, not left open unrecorded:
            // nothing could reach it any more (a host with two threads that
            // each open and close the player would otherwise leak one).
            const MCIDEVICEID earlier = call.device;
            call.device = open.wDeviceID;
            if (earlier != 0 && earlier != open.wDeviceID) {
                MCI_GENERIC_PARMS generic = {};
                Send(earlier, MCI_CLOSE, MCI_WAIT, &generic, "OpenCD", &call);
            }
        }
        // Runs on whatever device is recorded: after a failed open that is the
        // earlier device, if any, and the step then answers for the whole call.
        TimeFormatStep(&call);
        Commit(call, true);
    }
    Show(call);
    return traced.ReturnsMci(static_cast<LONG>(call.lastError));
}

MIXER_EXPORT LONG WINAPI PlayCD(LONG track) {
    ExportCall call("PlayCD(%d)", track);
    MCI_PLAY_PARMS play = {};
    play.dwCallback = 0;
    // Tracks/minutes/seconds/frames: the track in the low byte, minutes in the
    // next; only those two bytes come from the caller.
    play.dwFrom = static_cast<DWORD>(track) & 0xFFFF;
    return call.ReturnsMci(SendToDevice(MCI_PLAY, MCI_FROM, &play, "PlayCD", false));
}

MIXER_EXPORT LONG WINAPI StopCD(void) {
    ExportCall call("StopCD()");
    MCI_GENERIC_PARMS generic = {};
    return call.ReturnsMci(SendToDevice(MCI_STOP, MCI_WAIT, &generic, "StopCD", false));
}

MIXER_EXPORT LONG WINAPI CloseCD(void) {
    ExportCall call("CloseCD()");
    MCI_GENERIC_PARMS generic = {};
    return call.ReturnsMci(SendToDevice(MCI_CLOSE, MCI_WAIT, &generic, "CloseCD", true));
}
