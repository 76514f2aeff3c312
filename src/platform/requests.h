// The platform requests the library makes (winmm's mixer, wave-in and MCI
// requests, its files, directory searches, registry reads and message
// boxes), each through a function of the same name in namespace req: it
// makes the request and, while the library traces (core/trace.h), hands
// what was asked and answered to the trace's recorder.
//
// Header-only and free of the library's internals, like the headers that
// use it (engine/line_search.h, engine/recording_endpoints.h,
// core/holders.h), which the tools that host the library include: in a
// program of their own (mixerctl.exe) the requests are that program's, and
// never traced.
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
    KindMciGetErrorString,
    KindMessageBox,
    KindCreateFile,
    KindReadFile,
    KindWriteFile,
    KindFlushFileBuffers,
    KindCloseHandle,
    KindDeleteFile,
    KindMoveFile,
    KindGetFileAttributes,
    KindFindFirstFile,
    KindFindNextFile,
    KindFindClose,
    KindRegOpenKey,
    KindRegQueryValue,
    KindRegCloseKey,
    // Core Audio (platform/core_audio.h): waveOutMessage and waveInMessage
    // asking for an endpoint's identifier, CoInitializeEx, CoCreateInstance,
    // and a method of a Core Audio interface (`flags` its CoreMethod).
    KindEndpointId,
    KindCoInitialize,
    KindCoCreateInstance,
    KindCoreMethod,
};

// The Core Audio methods the library calls, as KindCoreMethod names them:
// X(code, owner, method), the owner an index into REQ_CORE_INTERFACES.
#define REQ_CORE_INTERFACES(X) \
    X("IMMDeviceEnumerator") X("IMMDevice") X("IAudioEndpointVolume") X("IAudioMeterInformation")
#define REQ_CORE_METHODS(X)                                       \
    X(CoreGetDevice, 0, "GetDevice")                              \
    X(CoreActivate, 1, "Activate")                                \
    X(CoreGetChannelCount, 2, "GetChannelCount")                  \
    X(CoreSetMaster, 2, "SetMasterVolumeLevelScalar")             \
    X(CoreGetMaster, 2, "GetMasterVolumeLevelScalar")             \
    X(CoreSetChannel, 2, "SetChannelVolumeLevelScalar")           \
    X(CoreGetChannel, 2, "GetChannelVolumeLevelScalar")           \
    X(CoreSetMute, 2, "SetMute")                                  \
    X(CoreGetMute, 2, "GetMute")                                  \
    X(CoreGetPeak, 3, "GetPeakValue")
#define REQ_CORE_METHOD_ENUM_(code, owner, name) code,
enum CoreMethod { REQ_CORE_METHODS(REQ_CORE_METHOD_ENUM_) CoreMethodCount };
#undef REQ_CORE_METHOD_ENUM_

// One request as it was made and answered. `record` is the request's record
// after the platform answered (line, controls, details, caps or MCI record);
// `object` the device, handle or MCI device named; `arg` and `arg2` the
// function's other arguments as passed (for mixerOpen and mixerGetID the
// pointer the handle or identifier was stored through, for waveInMessage
// the message and its first parameter, for mciSendCommandA the command);
// `result` what the function returned, `error` the thread's last error
// after a file or registry request (what a failure's code is read from);
// `text` and `text2` the paths, names and texts passed. The recorder reads
// what the pointers point to.
struct Request {
    Kind kind;
    UINT_PTR object;
    DWORD flags;
    const void* record;
    UINT_PTR arg;
    UINT_PTR arg2;
    UINT_PTR result;
    DWORD error;
    const char* text;
    const char* text2;
};

typedef void (*Recorder)(const Request& request);

// Installed by the library while it traces (one per module that includes
// this header).
inline Recorder g_recorder = nullptr;

// Each request is made through a pointer, name##Now, to the platform's
// function, or while the library traces (Install) to name##Traced, which
// makes the request and hands it to the recorder. A call through the
// pointer costs what a call to a function imported from a DLL costs anyway
// (on Windows both are an indirect call), so an untraced request costs
// nothing more.
#if defined(__GNUC__)
#define REQ_INLINE inline __attribute__((always_inline))
#else
#define REQ_INLINE inline
#endif

// REQUEST(result type, function, (parameters), (arguments), Tell(...) made
// of the arguments and the result r).
#define REQUEST(Result, name, params, args, tell)    \
    inline Result WINAPI name##Traced params {       \
        const Result r = ::name args;                \
        tell;                                        \
        return r;                                    \
    }                                                \
    inline decltype(&::name) name##Now = &::name;    \
    REQ_INLINE Result name params { return name##Now args; }

inline void Tell(Kind kind, UINT_PTR object, DWORD flags, const void* record, UINT_PTR arg, UINT_PTR arg2,
                 UINT_PTR result, DWORD error = 0, const char* text = nullptr, const char* text2 = nullptr) {
    const Recorder recorder = g_recorder;
    if (recorder != nullptr) recorder(Request{kind, object, flags, record, arg, arg2, result, error, text, text2});
}

inline UINT_PTR Value(const void* p) { return reinterpret_cast<UINT_PTR>(p); }

// ---- winmm ------------------------------------------------------------------------

REQUEST(UINT, mixerGetNumDevs, (void), (), Tell(KindMixerGetNumDevs, 0, 0, nullptr, 0, 0, r))
REQUEST(UINT, waveInGetNumDevs, (void), (), Tell(KindWaveInGetNumDevs, 0, 0, nullptr, 0, 0, r))

REQUEST(MMRESULT, mixerOpen, (LPHMIXER handle, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags),
        (handle, id, callback, instance, flags), Tell(KindMixerOpen, id, flags, nullptr, Value(handle), 0, r))
REQUEST(MMRESULT, mixerClose, (HMIXER handle), (handle), Tell(KindMixerClose, Value(handle), 0, nullptr, 0, 0, r))
REQUEST(MMRESULT, mixerGetDevCapsA, (UINT_PTR id, LPMIXERCAPSA caps, UINT size), (id, caps, size),
        Tell(KindMixerGetDevCaps, id, 0, caps, size, 0, r))
REQUEST(MMRESULT, mixerGetLineInfoA, (HMIXEROBJ object, LPMIXERLINEA line, DWORD flags), (object, line, flags),
        Tell(KindMixerGetLineInfo, Value(object), flags, line, 0, 0, r))
REQUEST(MMRESULT, mixerGetLineControlsA, (HMIXEROBJ object, LPMIXERLINECONTROLSA controls, DWORD flags),
        (object, controls, flags), Tell(KindMixerGetLineControls, Value(object), flags, controls, 0, 0, r))
REQUEST(MMRESULT, mixerGetControlDetailsA, (HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags),
        (object, details, flags), Tell(KindMixerGetControlDetails, Value(object), flags, details, 0, 0, r))
REQUEST(MMRESULT, mixerSetControlDetails, (HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags),
        (object, details, flags), Tell(KindMixerSetControlDetails, Value(object), flags, details, 0, 0, r))
REQUEST(MMRESULT, mixerGetID, (HMIXEROBJ object, UINT* id, DWORD flags), (object, id, flags),
        Tell(KindMixerGetId, Value(object), flags, nullptr, Value(id), 0, r))
REQUEST(MMRESULT, waveInMessage, (HWAVEIN device, UINT message, DWORD_PTR dw1, DWORD_PTR dw2),
        (device, message, dw1, dw2),
        Tell(KindWaveInMessage, Value(device), 0, reinterpret_cast<const void*>(dw2), message, dw1, r))
REQUEST(MCIERROR, mciSendCommandA, (MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR record),
        (device, command, flags, record),
        Tell(KindMciSendCommand, device, static_cast<DWORD>(flags), reinterpret_cast<const void*>(record), command,
             0, r))
REQUEST(BOOL, mciGetErrorStringA, (MCIERROR code, LPSTR text, UINT chars), (code, text, chars),
        Tell(KindMciGetErrorString, code, 0, nullptr, chars, 0, r, 0, r && chars != 0 ? text : nullptr))

// ---- User interface, files, directory search, registry ----------------------------
// These read the thread's last error for a failure's code (reading it
// changes nothing).

REQUEST(int, MessageBoxA, (HWND owner, LPCSTR text, LPCSTR caption, UINT type), (owner, text, caption, type),
        Tell(KindMessageBox, Value(owner), type, nullptr, 0, 0, static_cast<UINT_PTR>(r), 0, text, caption))
REQUEST(HANDLE, CreateFileA,
        (LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
         DWORD attributes, HANDLE model),
        (path, access, share, security, disposition, attributes, model),
        Tell(KindCreateFile, disposition, access, nullptr, 0, 0, Value(r), GetLastError(), path))
REQUEST(BOOL, ReadFile, (HANDLE file, LPVOID buffer, DWORD bytes, LPDWORD done, LPOVERLAPPED overlapped),
        (file, buffer, bytes, done, overlapped),
        Tell(KindReadFile, Value(file), bytes, done, 0, 0, r, GetLastError()))
REQUEST(BOOL, WriteFile, (HANDLE file, LPCVOID buffer, DWORD bytes, LPDWORD done, LPOVERLAPPED overlapped),
        (file, buffer, bytes, done, overlapped),
        Tell(KindWriteFile, Value(file), bytes, done, 0, 0, r, GetLastError()))
REQUEST(BOOL, FlushFileBuffers, (HANDLE file), (file),
        Tell(KindFlushFileBuffers, Value(file), 0, nullptr, 0, 0, r, GetLastError()))
REQUEST(BOOL, CloseHandle, (HANDLE h), (h), Tell(KindCloseHandle, Value(h), 0, nullptr, 0, 0, r, GetLastError()))
REQUEST(BOOL, DeleteFileA, (LPCSTR path), (path),
        Tell(KindDeleteFile, 0, 0, nullptr, 0, 0, r, GetLastError(), path))
REQUEST(BOOL, MoveFileExA, (LPCSTR from, LPCSTR to, DWORD flags), (from, to, flags),
        Tell(KindMoveFile, 0, flags, nullptr, 0, 0, r, GetLastError(), from, to))
REQUEST(DWORD, GetFileAttributesA, (LPCSTR path), (path),
        Tell(KindGetFileAttributes, 0, 0, nullptr, 0, 0, r, GetLastError(), path))
REQUEST(HANDLE, FindFirstFileA, (LPCSTR pattern, LPWIN32_FIND_DATAA entry), (pattern, entry),
        Tell(KindFindFirstFile, 0, 0, entry, 0, 0, Value(r), GetLastError(), pattern))
REQUEST(BOOL, FindNextFileA, (HANDLE search, LPWIN32_FIND_DATAA entry), (search, entry),
        Tell(KindFindNextFile, Value(search), 0, entry, 0, 0, r, GetLastError()))
REQUEST(BOOL, FindClose, (HANDLE search), (search),
        Tell(KindFindClose, Value(search), 0, nullptr, 0, 0, r, GetLastError()))
REQUEST(LSTATUS, RegOpenKeyExA, (HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY key),
        (root, subKey, options, access, key),
        Tell(KindRegOpenKey, Value(root), access, nullptr, Value(key), 0, static_cast<UINT_PTR>(r), 0, subKey))
REQUEST(LSTATUS, RegQueryValueExA,
        (HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size),
        (key, name, reserved, type, data, size),
        Tell(KindRegQueryValue, Value(key), 0, size, 0, 0, static_cast<UINT_PTR>(r), 0, name))
REQUEST(LSTATUS, RegCloseKey, (HKEY key), (key),
        Tell(KindRegCloseKey, Value(key), 0, nullptr, 0, 0, static_cast<UINT_PTR>(r)))

// Every request above: X(function).
#define REQ_FUNCTIONS(X)                                                                                   \
    X(mixerGetNumDevs) X(waveInGetNumDevs) X(mixerOpen) X(mixerClose) X(mixerGetDevCapsA)                  \
    X(mixerGetLineInfoA) X(mixerGetLineControlsA) X(mixerGetControlDetailsA) X(mixerSetControlDetails)     \
    X(mixerGetID) X(waveInMessage) X(mciSendCommandA) X(mciGetErrorStringA) X(MessageBoxA) X(CreateFileA) \
    X(ReadFile) X(WriteFile) X(FlushFileBuffers) X(CloseHandle) X(DeleteFileA) X(MoveFileExA)             \
    X(GetFileAttributesA) X(FindFirstFileA) X(FindNextFileA) X(FindClose) X(RegOpenKeyExA)                 \
    X(RegQueryValueExA) X(RegCloseKey)

// Sends every request through its traced function (with `recorder`), or
// with null straight to the platform again. Called while no request is
// made (the library's load and unload).
inline void Install(Recorder recorder) {
    g_recorder = recorder;
#define REQ_INSTALL(name) name##Now = recorder != nullptr ? name##Traced : &::name;
    REQ_FUNCTIONS(REQ_INSTALL)
#undef REQ_INSTALL
}

}  // namespace req

#undef REQUEST
#undef REQ_FUNCTIONS
#undef REQ_INLINE
