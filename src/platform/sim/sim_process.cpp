// Simulated platform: the process's environment, debug output, thread
// identifiers and thread-local storage slots. None of these is logged or
// failed by fault injection: the library reads its environment once at load
// and writes debug output only while tracing, and neither may move the call
// counts the suites inject faults by.
#include "sim.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace sim {
namespace {

const DWORD kTlsSlots = 64;

struct ProcessState {
    std::mutex mutex;  // these functions may be called from any thread
    std::map<std::string, std::string> environment;
    std::vector<std::string> debugStrings;
    bool slotUsed[kTlsSlots] = {};
};

ProcessState& P() {
    static ProcessState s;
    return s;
}

thread_local LPVOID t_slots[kTlsSlots] = {};
thread_local DWORD t_threadId = 0;
std::atomic<DWORD> g_nextThreadId{0x100};

// Variable names compare without case, as Windows compares them.
std::string Upper(const char* text) {
    std::string s = text != nullptr ? text : "";
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

void ResetProcess() {
    ProcessState& s = P();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.environment.clear();
    s.debugStrings.clear();
}
detail::ResetHook g_resetHook(ResetProcess);

}  // namespace

void SetEnvironment(const std::string& name, std::optional<std::string> value) {
    ProcessState& s = P();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (value)
        s.environment[Upper(name.c_str())] = *value;
    else
        s.environment.erase(Upper(name.c_str()));
}

std::vector<std::string> DebugStrings() {
    ProcessState& s = P();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.debugStrings;
}

}  // namespace sim

extern "C" {

// As Windows answers: the length without the terminator when the value fits,
// else the size needed with it (the buffer then untouched); 0 with
// ERROR_ENVVAR_NOT_FOUND for a variable that is not set.
DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
    sim::ProcessState& s = sim::P();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.environment.find(sim::Upper(lpName));
    if (it == s.environment.end()) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    const std::string& value = it->second;
    if (lpBuffer == nullptr || value.size() >= nSize) return static_cast<DWORD>(value.size() + 1);
    std::memcpy(lpBuffer, value.c_str(), value.size() + 1);
    return static_cast<DWORD>(value.size());
}

BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue) {
    if (lpName == nullptr || *lpName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::SetEnvironment(lpName, lpValue != nullptr ? std::optional<std::string>(lpValue) : std::nullopt);
    return TRUE;
}

void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
    sim::ProcessState& s = sim::P();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.debugStrings.push_back(lpOutputString != nullptr ? lpOutputString : "");
}

// The format is the caller's, as it is for user32's own.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
int WINAPI wvsprintfA(LPSTR out, LPCSTR format, va_list args) {
    // user32 writes at most 1024 characters; NULL strings show as "(null)".
    const int n = std::vsnprintf(out, 1025, format, args);
    return n < 0 ? 0 : n > 1024 ? 1024 : n;
}
#pragma GCC diagnostic pop

int wsprintfA(LPSTR out, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    const int n = wvsprintfA(out, format, args);
    va_end(args);
    return n;
}

// A number of its own for each thread, from 0x100 up, given at its first ask.
DWORD WINAPI GetCurrentThreadId(void) {
    if (sim::t_threadId == 0) sim::t_threadId = sim::g_nextThreadId.fetch_add(4);
    return sim::t_threadId;
}

DWORD WINAPI TlsAlloc(void) {
    sim::ProcessState& s = sim::P();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (DWORD i = 0; i < sim::kTlsSlots; ++i)
        if (!s.slotUsed[i]) {
            s.slotUsed[i] = true;
            // As on Windows, a new slot reads null on every thread; only this
            // thread's copy can be cleared here, the others were cleared by
            // the TlsFree that gave the slot back (for the threads still
            // alive that set it, the value stays theirs to clear).
            sim::t_slots[i] = nullptr;
            return i;
        }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return TLS_OUT_OF_INDEXES;
}

BOOL WINAPI TlsFree(DWORD dwTlsIndex) {
    sim::ProcessState& s = sim::P();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (dwTlsIndex >= sim::kTlsSlots || !s.slotUsed[dwTlsIndex]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    s.slotUsed[dwTlsIndex] = false;
    sim::t_slots[dwTlsIndex] = nullptr;
    return TRUE;
}

LPVOID WINAPI TlsGetValue(DWORD dwTlsIndex) {
    if (dwTlsIndex >= sim::kTlsSlots) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Windows clears the last error on success, so that a null value can be
    // told from a failure.
    SetLastError(ERROR_SUCCESS);
    return sim::t_slots[dwTlsIndex];
}

BOOL WINAPI TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue) {
    if (dwTlsIndex >= sim::kTlsSlots) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::t_slots[dwTlsIndex] = lpTlsValue;
    return TRUE;
}

}  // extern "C"
