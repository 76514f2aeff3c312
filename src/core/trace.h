// The library's trace: with the environment variable MIXER_TRACE set when the
// library is loaded, every export call appends one line to the file it names
// (or, for "debug", hands it to OutputDebugStringA): the export's name and
// arguments, its result, and each platform request made during the call
// (platform/requests.h) with its key arguments and its decoded result.
// docs/dist-REFERENCE.txt describes the format.
//
// Unset, an export pays a test of a global flag at entry and one of a local
// pointer at return, and its requests go straight to the platform
// (platform/requests.h): nothing is formatted, allocated or asked of the
// platform. A trace
// that cannot be written is given up silently: no result of any export
// changes, and neither does the thread's last error.
#pragma once

#include "platform/win.h"

// True from a successful TraceStart to TraceStop; written only while no
// export runs (at load and unload).
extern bool g_traceOn;

// Reads MIXER_TRACE and starts tracing when it names a file that can be
// opened for appending, or is "debug". Does nothing when tracing has
// started already: the variable is read once, at load (DllMain).
void TraceStart();
// Stops tracing and gives back the file, the lock and the thread slot
// (DllMain, when the library is unloaded; tests).
void TraceStop();

// One argument of an export as the trace shows it.
struct TraceArg {
    enum Kind { Signed, Count, Hex, Text, Pointer } kind;
    UINT_PTR value;
};
inline TraceArg TraceValue(LONG v) { return {TraceArg::Signed, static_cast<UINT_PTR>(static_cast<LONG_PTR>(v))}; }
inline TraceArg TraceValue(DWORD v) { return {TraceArg::Hex, v}; }
inline TraceArg TraceValue(LPCSTR v) { return {TraceArg::Text, reinterpret_cast<UINT_PTR>(v)}; }
inline TraceArg TraceValue(LPSTR v) { return {TraceArg::Pointer, reinterpret_cast<UINT_PTR>(v)}; }
inline TraceArg TraceValue(HMIXER v) { return {TraceArg::Pointer, reinterpret_cast<UINT_PTR>(v)}; }
// A size or count, shown in decimal.
inline TraceArg TraceCount(DWORD v) { return {TraceArg::Count, v}; }
// A string argument the export does not read: shown as its address.
inline TraceArg TraceUnread(LPCSTR v) { return {TraceArg::Pointer, reinterpret_cast<UINT_PTR>(v)}; }

// What an export's result is: a number, or an MCI error code (CD player).
enum TraceResult { ResultNumber, ResultMci };

// An export call, made first thing in every export that a host calls:
//     ExportCall call("SetMixer", componentType, op, value, name, byName);
//     ...
//     return call.Returns(result);
// Writes the call's line at Returns. An export called by another export on
// the same thread (Save reading the getters) is part of the outer call's
// line: only the host's call is traced.
class ExportCall {
public:
    template <typename... Args>
    explicit ExportCall(const char* name, Args... args) {
        if (g_traceOn) {
            const TraceArg list[sizeof...(Args) + 1] = {TraceArgOf(args)..., {TraceArg::Signed, 0}};
            Begin(name, list, sizeof...(Args));
        }
    }
    // A call left without Returns (none is, today) gives its line back
    // unwritten, so the thread's next call is not taken for a nested one.
    ~ExportCall() {
        if (line_ != nullptr) Drop();
    }
    ExportCall(const ExportCall&) = delete;
    ExportCall& operator=(const ExportCall&) = delete;

    LONG Returns(LONG result, TraceResult kind = ResultNumber) {
        if (line_ != nullptr) End(result, kind);
        return result;
    }

private:
    static TraceArg TraceArgOf(TraceArg arg) { return arg; }
    template <typename T>
    static TraceArg TraceArgOf(T arg) {
        return TraceValue(arg);
    }
    void Begin(const char* name, const TraceArg* args, int count);
    void End(LONG result, TraceResult kind);
    void Drop();

    void* line_ = nullptr;
};
