// Simulated platform: call log, fault injection, reset hooks, kernel basics
// (heaps, module file name, last error).
#include "sim.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace sim {
namespace {

struct FunctionFault {
    DWORD code;
    int occurrence;  // 0 = every call
    int seen;
};

const size_t kDefaultHeapLimit = 256u << 20;

struct CoreState {
    std::vector<Call> log;
    long callCounter = 0;   // calls since the last FailNthCall
    long failAt = 0;        // 0 = off
    DWORD failAtCode = 0;
    std::map<std::string, FunctionFault, std::less<>> functionFaults;  // found by a call's name as it is
    bool logCalls = true;
    int heapBlocks = 0;
    int localBlocks = 0;
    // Every heap and local block not yet freed, so that Reset() can give back
    // what a failed HeapFree or LocalFree left behind.
    std::set<void*> liveBlocks;
    size_t heapLimit = kDefaultHeapLimit;

    ~CoreState() {
        for (void* block : liveBlocks) std::free(block);
    }
    std::string modulePath = "C:\\Program Files\\Tavrin\\MIXER.DLL";
};

// As on Windows, each thread has its own last error.
thread_local DWORD t_lastError = 0;

std::recursive_mutex& ApiMutex() {
    static std::recursive_mutex m;
    return m;
}

CoreState& S() {
    static CoreState s;
    return s;
}

std::vector<void (*)()>& Hooks() {
    static std::vector<void (*)()> hooks;
    return hooks;
}

// Heap blocks carry their size in a header so that HeapFree can be checked.
struct BlockHeader {
    size_t size;
    uint32_t magic;
    uint32_t pad;
};
constexpr uint32_t kHeapMagic = 0x48454150;   // "HEAP"
constexpr uint32_t kLocalMagic = 0x4C4F434C;  // "LOCL"
int g_processHeap;

void* AllocBlock(size_t bytes, bool zero, uint32_t magic) {
    if (bytes > S().heapLimit) return nullptr;
    auto* h = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + (bytes ? bytes : 1)));
    if (!h) return nullptr;
    h->size = bytes;
    h->magic = magic;
    S().liveBlocks.insert(h);
    void* p = h + 1;
    if (zero)
        std::memset(p, 0, bytes);
    else
        std::memset(p, 0xCD, bytes);  // not zero-filled: make reliance on it visible
    return p;
}

bool FreeBlock(void* p, uint32_t magic) {
    auto* h = static_cast<BlockHeader*>(p) - 1;
    if (h->magic != magic) return false;
    h->magic = 0;
    S().liveBlocks.erase(h);
    std::free(h);
    return true;
}

}  // namespace

namespace detail {

CallRecord::CallRecord(const char* fn) : fn_(fn) {
    CoreState& s = S();
    ++s.callCounter;
    if (s.failAt != 0 && s.callCounter == s.failAt) {
        injected_ = true;
        code_ = s.failAtCode;
        s.failAt = 0;
    }
    auto it = s.functionFaults.find(fn);
    if (it != s.functionFaults.end()) {
        FunctionFault& f = it->second;
        ++f.seen;
        if (f.occurrence == 0 || f.occurrence == f.seen) {
            injected_ = true;
            code_ = f.code;
        }
    }
    if (injected_) {
        call_.injected = true;
        call_.result = code_;
    }
}

CallRecord::~CallRecord() {
    if (!logging_) return;
    call_.fn = fn_;
    S().log.push_back(std::move(call_));
}

bool CallRecord::Logging() { return S().logCalls; }

void CallRecord::Text(const char* text) {
    if (Logging()) call_.text = text != nullptr ? text : "";
}

void CallRecord::Text(const char* bytes, size_t count) {
    if (Logging()) call_.text.assign(bytes, count);
}

void CallRecord::AppendText(const char* text) {
    if (Logging()) call_.text += text;
}

void CallRecord::AppendText(const char* bytes, size_t count) {
    if (Logging()) call_.text.append(bytes, count);
}

ApiLock::ApiLock() { ApiMutex().lock(); }
ApiLock::~ApiLock() { ApiMutex().unlock(); }

ResetHook::ResetHook(void (*fn)()) { Hooks().push_back(fn); }

}  // namespace detail

void ResetCore() {
    CoreState& s = S();
    s.log.clear();
    s.callCounter = 0;
    s.failAt = 0;
    s.functionFaults.clear();
    s.heapBlocks = 0;
    s.localBlocks = 0;
    for (void* block : s.liveBlocks) std::free(block);
    s.liveBlocks.clear();
    s.heapLimit = kDefaultHeapLimit;
    s.modulePath = "C:\\Program Files\\Tavrin\\MIXER.DLL";
    s.logCalls = true;
    t_lastError = 0;
}

void ResetMixer();  // sim_mixer.cpp

void Reset() {
    ResetCore();
    ResetMixer();
    for (auto fn : Hooks()) fn();
}

const std::vector<Call>& Log() { return S().log; }
void ClearLog() { S().log.clear(); }
void SetCallLog(bool on) { S().logCalls = on; }

std::vector<Call> CallsOf(const std::string& fn) {
    std::vector<Call> out;
    for (const Call& c : S().log)
        if (c.fn == fn) out.push_back(c);
    return out;
}

size_t CountOf(const std::string& fn) {
    size_t n = 0;
    for (const Call& c : S().log)
        if (c.fn == fn) ++n;
    return n;
}

int ProcessHeapBlocks() { return S().heapBlocks; }
void SetHeapLimit(size_t bytes) { S().heapLimit = bytes; }
int LocalBlocks() { return S().localBlocks; }

void FailNthCall(int n, DWORD code) {
    S().callCounter = 0;
    S().failAt = n;
    S().failAtCode = code;
}

void FailFunction(const std::string& fn, DWORD code, int occurrence) {
    S().functionFaults[fn] = FunctionFault{code, occurrence, 0};
}

void ClearFaults() {
    S().failAt = 0;
    S().functionFaults.clear();
}

void SetModulePath(const std::string& path) { S().modulePath = path; }

}  // namespace sim

using sim::detail::CallRecord;

extern "C" {

HANDLE WINAPI GetProcessHeap(void) {
    CallRecord call("GetProcessHeap");
    DWORD code = 0;
    HANDLE h = call.Injected(&code) ? nullptr : &sim::g_processHeap;
    call->object = reinterpret_cast<uintptr_t>(h);
    return h;
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    CallRecord call("HeapAlloc");
    call->object = reinterpret_cast<uintptr_t>(hHeap);
    call->flags = dwFlags;
    call->count = static_cast<DWORD>(dwBytes);
    DWORD code = 0;
    void* p = nullptr;
    if (!call.Injected(&code) && hHeap == &sim::g_processHeap) {
        p = sim::AllocBlock(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0, sim::kHeapMagic);
        if (p) ++sim::S().heapBlocks;
    }
    call->result = p != nullptr;
    return p;
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) {
    CallRecord call("HeapFree");
    call->object = reinterpret_cast<uintptr_t>(hHeap);
    call->flags = dwFlags;
    DWORD code = 0;
    BOOL ok = FALSE;
    if (call.Injected(&code)) {
        sim::t_lastError = code;
    } else if (lpMem == nullptr) {
        ok = TRUE;  // freeing null is harmless
    } else if (hHeap == &sim::g_processHeap && sim::FreeBlock(lpMem, sim::kHeapMagic)) {
        --sim::S().heapBlocks;
        ok = TRUE;
    } else {
        sim::t_lastError = ERROR_INVALID_PARAMETER;
    }
    return call.Return(ok);
}

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    CallRecord call("LocalAlloc");
    call->flags = uFlags;
    call->count = static_cast<DWORD>(uBytes);
    DWORD code = 0;
    void* p = nullptr;
    if (call.Injected(&code)) {
        sim::t_lastError = code;
    } else {
        p = sim::AllocBlock(uBytes, (uFlags & LMEM_ZEROINIT) != 0, sim::kLocalMagic);
        if (p)
            ++sim::S().localBlocks;
        else
            sim::t_lastError = ERROR_NOT_ENOUGH_MEMORY;
    }
    call->result = p != nullptr;
    return p;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    CallRecord call("LocalFree");
    DWORD code = 0;
    HLOCAL result = nullptr;
    if (call.Injected(&code)) {
        result = hMem;
    } else if (hMem != nullptr) {
        if (sim::FreeBlock(hMem, sim::kLocalMagic))
            --sim::S().localBlocks;
        else
            result = hMem;
    }
    call->result = result == nullptr;
    return result;
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    CallRecord call("GetModuleFileNameA");
    call->object = reinterpret_cast<uintptr_t>(hModule);
    call->count = nSize;
    DWORD code = 0;
    DWORD n = 0;
    if (call.Injected(&code)) {
        sim::t_lastError = code;
    } else if (lpFilename != nullptr && nSize > 0) {
        // As Windows does: a path that does not fit is cut to nSize - 1
        // characters, terminated, and nSize is returned.
        const std::string& p = sim::S().modulePath;
        if (p.size() < nSize) {
            std::memcpy(lpFilename, p.c_str(), p.size() + 1);
            n = static_cast<DWORD>(p.size());
        } else {
            std::memcpy(lpFilename, p.data(), nSize - 1);
            lpFilename[nSize - 1] = '\0';
            n = nSize;
            sim::t_lastError = ERROR_INSUFFICIENT_BUFFER;
        }
        call.Text(lpFilename);
    }
    return call.Return(n);
}

DWORD WINAPI GetLastError(void) { return sim::t_lastError; }
void WINAPI SetLastError(DWORD dwErrCode) { sim::t_lastError = dwErrCode; }

}  // extern "C"
