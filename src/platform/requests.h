// The platform requests the library makes (winmm's mixer, wave-in and MCI
// requests, its files, directory searches, registry reads and message
// boxes), each through a function of the same name in namespace req: it
// makes the request and, while the library traces (core/trace.h), hands
// the trace one part of its line: a format string and its arguments, as
// user32's wvsprintfA takes them, made of what was asked and answered.
//
// Header-only and free of the library's internals, like the headers that
// use it (engine/line_search.h, engine/recording_endpoints.h,
// core/holders.h), which the tools that host the library include: in a
// program of their own (mixerctl.exe) the requests are that program's, and
// never traced.
//
// A request's part reads "function(arguments) = result, what it answered".
// Results of winmm's mixer and wave-in functions show by name (ResultText);
// every other number shows as it is: Win32 error codes as "error N", MCI
// error codes as "mcierr N", handles, flags and types in hexadecimal.
#pragma once

#include "platform/win.h"

#include <stdarg.h>

namespace req {

// Called with a request's part while the library traces.
typedef void (*Recorder)(const char* format, va_list args);

// Installed by the library while it traces (one per module that includes
// this header).
inline Recorder g_recorder = nullptr;

inline void Note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const Recorder recorder = g_recorder;
    if (recorder != nullptr) recorder(format, args);
    va_end(args);
}

// A handle or pointer as the 32-bit number the trace shows in hexadecimal.
inline DWORD H(const volatile void* p) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(p)); }
// A string argument, which may be null.
inline const char* S(const char* s) { return s != nullptr ? s : "(null)"; }
// The thread's last error after a request that failed, 0 after one that
// succeeded (reading it changes nothing).
inline DWORD Err(bool ok) { return ok ? 0 : GetLastError(); }

// The names of winmm's MMRESULT codes: MMSYSERR_ from 0, MIXERR_ from
// MIXERR_BASE.
inline constexpr const char* kMmResults[] = {
    "MMSYSERR_NOERROR",    "MMSYSERR_ERROR",       "MMSYSERR_BADDEVICEID", "MMSYSERR_NOTENABLED",
    "MMSYSERR_ALLOCATED",  "MMSYSERR_INVALHANDLE", "MMSYSERR_NODRIVER",    "MMSYSERR_NOMEM",
    "MMSYSERR_NOTSUPPORTED", "MMSYSERR_BADERRNUM", "MMSYSERR_INVALFLAG",   "MMSYSERR_INVALPARAM",
    "MMSYSERR_HANDLEBUSY", "MMSYSERR_INVALIDALIAS", "MMSYSERR_BADDB",      "MMSYSERR_KEYNOTFOUND",
    "MMSYSERR_READERROR",  "MMSYSERR_WRITEERROR",  "MMSYSERR_DELETEERROR", "MMSYSERR_VALNOTFOUND",
    "MMSYSERR_NODRIVERCB", "MMSYSERR_MOREDATA",
};
inline constexpr const char* kMixerResults[] = {"MIXERR_INVALLINE", "MIXERR_INVALCONTROL", "MIXERR_INVALVALUE"};

// An MMRESULT as the trace shows it: its name, else its number.
struct ResultText {
    char text[24];
};
inline ResultText Mm(MMRESULT code) {
    ResultText out;
    const DWORD mixer = code - MIXERR_BASE;
    const char* name = code < sizeof kMmResults / sizeof kMmResults[0] ? kMmResults[code]
                       : mixer < sizeof kMixerResults / sizeof kMixerResults[0] ? kMixerResults[mixer]
                                                                               : nullptr;
    if (name != nullptr)
        wsprintfA(out.text, "%s", name);
    else
        wsprintfA(out.text, "MMRESULT %u", code);
    return out;
}

// A details request's values: up to 8 numbers, or the first item's text of
// a LISTTEXT request; nothing for a failed read.
struct ValuesText {
    char text[112];
};
inline ValuesText Values(const MIXERCONTROLDETAILS* d, bool answered) {
    ValuesText out;
    out.text[0] = '\0';
    if (!answered || d->paDetails == nullptr) return out;
    if (d->cbDetails == sizeof(MIXERCONTROLDETAILS_LISTTEXTA)) {
        wsprintfA(out.text, "\"%.64s\"", static_cast<const MIXERCONTROLDETAILS_LISTTEXTA*>(d->paDetails)->szName);
        return out;
    }
    if (d->cbDetails != sizeof(LONG)) return out;
    const DWORD channels = d->cChannels != 0 ? d->cChannels : 1;
    const DWORD count = d->cMultipleItems != 0 ? d->cMultipleItems * channels : channels;
    int n = 0;
    for (DWORD i = 0; i < count && i < 8; ++i) {
        n += wsprintfA(out.text + n, i == 0 ? "%d" : " %d", static_cast<const LONG*>(d->paDetails)[i]);
    }
    return out;
}

// Every request below: X(function).
#define REQ_FUNCTIONS(X)                                                                                   \
    X(mixerGetNumDevs) X(waveInGetNumDevs) X(mixerOpen) X(mixerClose) X(mixerGetDevCapsA)                  \
    X(mixerGetLineInfoA) X(mixerGetLineControlsA) X(mixerGetControlDetailsA) X(mixerSetControlDetails)     \
    X(mixerGetID) X(waveInMessage) X(mciSendCommandA) X(mciGetErrorStringA) X(MessageBoxA) X(CreateFileA) \
    X(ReadFile) X(WriteFile) X(FlushFileBuffers) X(CloseHandle) X(DeleteFileA) X(MoveFileExA)             \
    X(GetFileAttributesA) X(FindFirstFileA) X(FindNextFileA) X(FindClose) X(RegOpenKeyExA)                 \
    X(RegQueryValueExA) X(RegCloseKey)

// Each request is made through a pointer of g_now to the platform's
// function, or while the library traces (Install) to name##Traced, which
// makes the request and hands the trace its part. A call through the
// pointer costs what a call to a function imported from a DLL costs anyway
// (on Windows both are an indirect call), so an untraced request costs
// nothing more.
struct Pointers {
#define REQ_MEMBER(name) decltype(&::name) name;
    REQ_FUNCTIONS(REQ_MEMBER)
#undef REQ_MEMBER
};
#define REQ_PLATFORM(name) &::name,
inline Pointers g_now = {REQ_FUNCTIONS(REQ_PLATFORM)};

#if defined(__GNUC__)
#define REQ_INLINE inline __attribute__((always_inline))
#else
#define REQ_INLINE inline
#endif

// REQUEST(result type, function, (parameters), (arguments), format, its
// arguments made of the function's arguments and its result r).
#define REQUEST(Result, name, params, args, ...) \
    inline Result WINAPI name##Traced params {   \
        const Result r = ::name args;            \
        Note(__VA_ARGS__);                       \
        return r;                                \
    }                                            \
    REQ_INLINE Result name params { return g_now.name args; }

// ---- winmm ------------------------------------------------------------------------

REQUEST(UINT, mixerGetNumDevs, (void), (), "mixerGetNumDevs() = %u", r)
REQUEST(UINT, waveInGetNumDevs, (void), (), "waveInGetNumDevs() = %u", r)
REQUEST(MMRESULT, mixerOpen, (LPHMIXER handle, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags),
        (handle, id, callback, instance, flags), "mixerOpen(%u, 0x%x) = %s, handle 0x%x", id, flags, Mm(r).text,
        r == MMSYSERR_NOERROR && handle != nullptr ? H(*handle) : 0)
REQUEST(MMRESULT, mixerClose, (HMIXER handle), (handle), "mixerClose(0x%x) = %s", H(handle), Mm(r).text)
REQUEST(MMRESULT, mixerGetDevCapsA, (UINT_PTR id, LPMIXERCAPSA caps, UINT size), (id, caps, size),
        "mixerGetDevCapsA(%u) = %s, \"%.32s\", %u destinations", static_cast<UINT>(id), Mm(r).text,
        r == MMSYSERR_NOERROR && size >= sizeof *caps ? caps->szPname : "",
        r == MMSYSERR_NOERROR && size >= sizeof *caps ? caps->cDestinations : 0)
REQUEST(MMRESULT, mixerGetLineInfoA, (HMIXEROBJ object, LPMIXERLINEA line, DWORD flags), (object, line, flags),
        "mixerGetLineInfoA(0x%x, 0x%x, %u.%u, line 0x%x, type 0x%x) = %s, "
        "line 0x%x type 0x%x \"%.64s\" %u sources %u channels %u controls",
        H(object), flags, line->dwDestination, line->dwSource, line->dwLineID, line->dwComponentType, Mm(r).text,
        line->dwLineID, line->dwComponentType, r == MMSYSERR_NOERROR ? line->szName : "", line->cConnections,
        line->cChannels, line->cControls)
REQUEST(MMRESULT, mixerGetLineControlsA, (HMIXEROBJ object, LPMIXERLINECONTROLSA controls, DWORD flags),
        (object, controls, flags),
        "mixerGetLineControlsA(0x%x, 0x%x, line 0x%x, %u, type 0x%x, %u controls) = %s, "
        "control %u type 0x%x flags 0x%x %u items",
        H(object), flags, controls->dwLineID, controls->dwControlID, controls->dwControlType, controls->cControls,
        Mm(r).text, r == MMSYSERR_NOERROR && controls->pamxctrl ? controls->pamxctrl->dwControlID : 0,
        r == MMSYSERR_NOERROR && controls->pamxctrl ? controls->pamxctrl->dwControlType : 0,
        r == MMSYSERR_NOERROR && controls->pamxctrl ? controls->pamxctrl->fdwControl : 0,
        r == MMSYSERR_NOERROR && controls->pamxctrl ? controls->pamxctrl->cMultipleItems : 0)
REQUEST(MMRESULT, mixerGetControlDetailsA, (HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags),
        (object, details, flags),
        "mixerGetControlDetailsA(0x%x, 0x%x, control %u, %u.%u) = %s, [%s]", H(object), flags,
        details->dwControlID, details->cChannels, details->cMultipleItems, Mm(r).text,
        Values(details, r == MMSYSERR_NOERROR).text)
REQUEST(MMRESULT, mixerSetControlDetails, (HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags),
        (object, details, flags),
        "mixerSetControlDetails(0x%x, 0x%x, control %u, %u.%u, [%s]) = %s", H(object), flags,
        details->dwControlID, details->cChannels, details->cMultipleItems, Values(details, true).text, Mm(r).text)
REQUEST(MMRESULT, mixerGetID, (HMIXEROBJ object, UINT* id, DWORD flags), (object, id, flags),
        "mixerGetID(0x%x, 0x%x) = %s, mixer %u", H(object), flags, Mm(r).text,
        r == MMSYSERR_NOERROR && id != nullptr ? *id : 0)
REQUEST(MMRESULT, waveInMessage, (HWAVEIN device, UINT message, DWORD_PTR dw1, DWORD_PTR dw2),
        (device, message, dw1, dw2), "waveInMessage(0x%x, 0x%x) = %s, device %d, flags 0x%x", H(device), message,
        Mm(r).text,
        r == MMSYSERR_NOERROR && message == DRVM_MAPPER_PREFERRED_GET && dw1 ? *reinterpret_cast<const LONG*>(dw1) : 0,
        r == MMSYSERR_NOERROR && message == DRVM_MAPPER_PREFERRED_GET && dw2 ? *reinterpret_cast<const DWORD*>(dw2) : 0)
REQUEST(MCIERROR, mciSendCommandA, (MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR record),
        (device, command, flags, record), "mciSendCommandA(%u, 0x%x, 0x%x, \"%s\") = mcierr %u, device %u", device,
        command, static_cast<DWORD>(flags),
        command == MCI_OPEN && (flags & MCI_OPEN_TYPE) && !(flags & MCI_OPEN_TYPE_ID) && record
            ? S(reinterpret_cast<const MCI_OPEN_PARMSA*>(record)->lpstrDeviceType)
            : "",
        r, r == 0 && command == MCI_OPEN && record ? reinterpret_cast<const MCI_OPEN_PARMSA*>(record)->wDeviceID : 0u)
REQUEST(BOOL, mciGetErrorStringA, (MCIERROR code, LPSTR text, UINT chars), (code, text, chars),
        "mciGetErrorStringA(%u) = %d, \"%.128s\"", code, r, r && chars != 0 ? text : "")

// ---- User interface, files, directory search, registry ----------------------------

REQUEST(int, MessageBoxA, (HWND owner, LPCSTR text, LPCSTR caption, UINT type), (owner, text, caption, type),
        "MessageBoxA(\"%s\", \"%s\", 0x%x) = %d", S(text), S(caption), type, r)
REQUEST(HANDLE, CreateFileA,
        (LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
         DWORD attributes, HANDLE model),
        (path, access, share, security, disposition, attributes, model),
        "CreateFileA(\"%s\", 0x%x, %u) = 0x%x, error %u", S(path), access, disposition, H(r),
        Err(r != INVALID_HANDLE_VALUE))
REQUEST(BOOL, ReadFile, (HANDLE file, LPVOID buffer, DWORD bytes, LPDWORD done, LPOVERLAPPED overlapped),
        (file, buffer, bytes, done, overlapped), "ReadFile(0x%x, %u) = %d, error %u, %u read", H(file), bytes, r,
        Err(r), done != nullptr ? *done : 0)
REQUEST(BOOL, WriteFile, (HANDLE file, LPCVOID buffer, DWORD bytes, LPDWORD done, LPOVERLAPPED overlapped),
        (file, buffer, bytes, done, overlapped), "WriteFile(0x%x, %u) = %d, error %u, %u written", H(file), bytes,
        r, Err(r), done != nullptr ? *done : 0)
REQUEST(BOOL, FlushFileBuffers, (HANDLE file), (file), "FlushFileBuffers(0x%x) = %d, error %u", H(file), r, Err(r))
REQUEST(BOOL, CloseHandle, (HANDLE h), (h), "CloseHandle(0x%x) = %d, error %u", H(h), r, Err(r))
REQUEST(BOOL, DeleteFileA, (LPCSTR path), (path), "DeleteFileA(\"%s\") = %d, error %u", S(path), r, Err(r))
REQUEST(BOOL, MoveFileExA, (LPCSTR from, LPCSTR to, DWORD flags), (from, to, flags),
        "MoveFileExA(\"%s\", \"%s\", 0x%x) = %d, error %u", S(from), S(to), flags, r, Err(r))
REQUEST(DWORD, GetFileAttributesA, (LPCSTR path), (path), "GetFileAttributesA(\"%s\") = 0x%x, error %u", S(path),
        r, Err(r != INVALID_FILE_ATTRIBUTES))
REQUEST(HANDLE, FindFirstFileA, (LPCSTR pattern, LPWIN32_FIND_DATAA entry), (pattern, entry),
        "FindFirstFileA(\"%s\") = 0x%x, error %u, \"%.260s\"", S(pattern), H(r),
        Err(r != INVALID_HANDLE_VALUE), r != INVALID_HANDLE_VALUE ? entry->cFileName : "")
REQUEST(BOOL, FindNextFileA, (HANDLE search, LPWIN32_FIND_DATAA entry), (search, entry),
        "FindNextFileA(0x%x) = %d, error %u, \"%.260s\"", H(search), r, Err(r), r ? entry->cFileName : "")
REQUEST(BOOL, FindClose, (HANDLE search), (search), "FindClose(0x%x) = %d, error %u", H(search), r, Err(r))
REQUEST(LSTATUS, RegOpenKeyExA, (HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY key),
        (root, subKey, options, access, key), "RegOpenKeyExA(0x%x, \"%s\", 0x%x) = error %d, key 0x%x", H(root),
        S(subKey), access, r, r == ERROR_SUCCESS && key != nullptr ? H(*key) : 0)
REQUEST(LSTATUS, RegQueryValueExA,
        (HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size),
        (key, name, reserved, type, data, size), "RegQueryValueExA(0x%x, \"%s\") = error %d, %u bytes", H(key),
        S(name), r, r == ERROR_SUCCESS && size != nullptr ? *size : 0)
REQUEST(LSTATUS, RegCloseKey, (HKEY key), (key), "RegCloseKey(0x%x) = error %d", H(key), r)

// Sends every request through its traced function (with `recorder`), or
// with null straight to the platform again. Called while no request is
// made (the library's load and unload).
inline void Install(Recorder recorder) {
#define REQ_TRACED(name) name##Traced,
    static const Pointers kTraced = {REQ_FUNCTIONS(REQ_TRACED)};
    static const Pointers kPlatform = {REQ_FUNCTIONS(REQ_PLATFORM)};
#undef REQ_TRACED
    g_recorder = recorder;
    g_now = recorder != nullptr ? kTraced : kPlatform;
}

}  // namespace req

#undef REQUEST
#undef REQ_FUNCTIONS
#undef REQ_PLATFORM
#undef REQ_INLINE
