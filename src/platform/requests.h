// The platform requests the library makes, each through a function of the
// same name in namespace req: it makes the request and, while a recorder is
// installed (the library's trace, core/trace.h), hands it what was asked
// and answered. Without a recorder a request costs one test of a pointer
// more than the platform function.
//
// Header-only and free of the library's internals, like the headers that
// use it (engine/line_search.h, engine/recording_endpoints.h,
// core/holders.h), which the tools that host the library include: in a
// program of their own (mixerctl.exe) the recorder is that program's, and
// never installed.
#pragma once

#include "platform/win.h"

namespace req {

enum Kind {
    KindMixerGetNumDevs,
    KindMixerOpen,
    KindMixerClose,
    KindMixerGetDevCaps,
    KindMixerGetLineInfo,
    KindMixerGetLineControls,
    KindMixerGetControlDetails,
    KindMixerSetControlDetails,
    KindMixerGetId,
    KindWaveInGetNumDevs,
    KindWaveInMessage,
    KindMciSendCommand,
};

// One request as it was made and answered. `record` is the request's record
// after the platform answered (line, controls, details, caps or MCI record);
// `object` the device, handle or MCI device named; `arg` and `arg2` the
// function's other arguments as passed (for mixerOpen and mixerGetID the
// pointer the handle or identifier was stored through, for waveInMessage
// the message and its first parameter, for mciSendCommandA the command);
// `result` what the function returned. The recorder reads what the
// pointers point to.
struct Request {
    Kind kind;
    UINT_PTR object;
    DWORD flags;
    const void* record;
    UINT_PTR arg;
    UINT_PTR arg2;
    DWORD result;
};

typedef void (*Recorder)(const Request& request);

// Installed by the library while it traces (one per module that includes
// this header).
inline Recorder g_recorder = nullptr;

inline DWORD Note(Kind kind, UINT_PTR object, DWORD flags, const void* record, UINT_PTR arg, UINT_PTR arg2,
                  DWORD result) {
    const Recorder recorder = g_recorder;
    if (recorder != nullptr) recorder(Request{kind, object, flags, record, arg, arg2, result});
    return result;
}

inline UINT mixerGetNumDevs() {
    return Note(KindMixerGetNumDevs, 0, 0, nullptr, 0, 0, ::mixerGetNumDevs());
}

inline MMRESULT mixerOpen(LPHMIXER handle, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    const MMRESULT r = ::mixerOpen(handle, id, callback, instance, flags);
    return Note(KindMixerOpen, id, flags, nullptr, reinterpret_cast<UINT_PTR>(handle), 0, r);
}

inline MMRESULT mixerClose(HMIXER handle) {
    return Note(KindMixerClose, reinterpret_cast<UINT_PTR>(handle), 0, nullptr, 0, 0, ::mixerClose(handle));
}

inline MMRESULT mixerGetDevCapsA(UINT_PTR id, LPMIXERCAPSA caps, UINT size) {
    const MMRESULT r = ::mixerGetDevCapsA(id, caps, size);
    return Note(KindMixerGetDevCaps, id, 0, caps, size, 0, r);
}

inline MMRESULT mixerGetLineInfoA(HMIXEROBJ object, LPMIXERLINEA line, DWORD flags) {
    const MMRESULT r = ::mixerGetLineInfoA(object, line, flags);
    return Note(KindMixerGetLineInfo, reinterpret_cast<UINT_PTR>(object), flags, line, 0, 0, r);
}

inline MMRESULT mixerGetLineControlsA(HMIXEROBJ object, LPMIXERLINECONTROLSA controls, DWORD flags) {
    const MMRESULT r = ::mixerGetLineControlsA(object, controls, flags);
    return Note(KindMixerGetLineControls, reinterpret_cast<UINT_PTR>(object), flags, controls, 0, 0, r);
}

inline MMRESULT mixerGetControlDetailsA(HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags) {
    const MMRESULT r = ::mixerGetControlDetailsA(object, details, flags);
    return Note(KindMixerGetControlDetails, reinterpret_cast<UINT_PTR>(object), flags, details, 0, 0, r);
}

inline MMRESULT mixerSetControlDetails(HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags) {
    const MMRESULT r = ::mixerSetControlDetails(object, details, flags);
    return Note(KindMixerSetControlDetails, reinterpret_cast<UINT_PTR>(object), flags, details, 0, 0, r);
}

inline MMRESULT mixerGetID(HMIXEROBJ object, UINT* id, DWORD flags) {
    const MMRESULT r = ::mixerGetID(object, id, flags);
    return Note(KindMixerGetId, reinterpret_cast<UINT_PTR>(object), flags, nullptr, reinterpret_cast<UINT_PTR>(id), 0,
                r);
}

inline UINT waveInGetNumDevs() {
    return Note(KindWaveInGetNumDevs, 0, 0, nullptr, 0, 0, ::waveInGetNumDevs());
}

inline MMRESULT waveInMessage(HWAVEIN device, UINT message, DWORD_PTR dw1, DWORD_PTR dw2) {
    const MMRESULT r = ::waveInMessage(device, message, dw1, dw2);
    return Note(KindWaveInMessage, reinterpret_cast<UINT_PTR>(device), 0, reinterpret_cast<const void*>(dw2),
                message, dw1, r);
}

inline MCIERROR mciSendCommandA(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR record) {
    const MCIERROR r = ::mciSendCommandA(device, command, flags, record);
    return Note(KindMciSendCommand, device, static_cast<DWORD>(flags), reinterpret_cast<const void*>(record),
                command, 0, r);
}

}  // namespace req
