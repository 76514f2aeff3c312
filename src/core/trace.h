// The library's trace: with the environment variable MIXER_TRACE set when the
// library is loaded, every export call appends one line to the file it names
// (or, for "debug", hands it to OutputDebugStringA): the export's name and
// arguments, its result, and each platform request made during the call
// (platform/requests.h) with its arguments and its result.
// docs/dist-REFERENCE.txt describes the format.
//
// Unset, an export pays a test of a global flag at entry and one of a local
// pointer at return, and its requests go straight to the platform
// (platform/requests.h): nothing is formatted, allocated or asked of the
// platform. A trace that cannot be written is given up silently: no result
// of any export changes, and neither does the thread's last error.
#pragma once

#include "platform/requests.h"

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

// An export call, made first thing in every export that a host calls, with
// the export's name and arguments as a wvsprintfA format and its arguments
// (32-bit numbers and strings; req::H for a handle, req::S for a string
// that may be null):
//     ExportCall call("SetMixer(0x%x, %d, %d, \"%s\", %d)", ...);
//     ...
//     return call.Returns(result);
// The line is written when the call ends (its holders' requests are in
// it); an export called by another export on the same thread (Save reading
// the getters) is part of the outer call's line: only the host's call is
// traced.
class ExportCall {
public:
    template <typename... Args>
    explicit ExportCall(const char* format, Args... args) {
        if (g_traceOn) Begin(format, args...);
    }
    ~ExportCall() {
        if (line_ != nullptr) End();
    }
    ExportCall(const ExportCall&) = delete;
    ExportCall& operator=(const ExportCall&) = delete;

    LONG Returns(LONG result) {
        result_ = result;
        kind_ = 1;
        return result;
    }
    // An MCI error code (the CD player's exports).
    LONG ReturnsMci(LONG result) {
        result_ = result;
        kind_ = 2;
        return result;
    }

private:
    void Begin(const char* format, ...);
    void End();

    void* line_ = nullptr;
    LONG result_ = 0;
    char kind_ = 0;  // no result, a number, an MCI error code
};
