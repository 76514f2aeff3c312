// Simulated critical sections (win32_api.h): a recursive mutex behind the
// record's DebugInfo, so that ThreadSanitizer sees the lock for what it is.
#include "sim.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace sim {
namespace {

const uint32_t kSectionMagic = 0x43524954;  // "CRIT"

struct Section {
    uint32_t magic = kSectionMagic;
    std::recursive_mutex mutex;
    std::thread::id owner;  // read and written by the holder only
    LONG recursion = 0;
};

// The threads waiting in EnterCriticalSection, for tests that wait for one
// to be there.
struct Waiters {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
};

Waiters& W() {
    static Waiters w;
    return w;
}

[[noreturn]] void Misuse(const char* fn, const char* what) {
    std::fprintf(stderr, "simulated platform: %s on a critical section %s\n", fn, what);
    std::abort();
}

Section* SectionOf(LPCRITICAL_SECTION cs, const char* fn) {
    if (cs == nullptr) Misuse(fn, "given as a null pointer");
    auto* s = static_cast<Section*>(cs->DebugInfo);
    if (s == nullptr || s->magic != kSectionMagic) Misuse(fn, "that is not initialised");
    return s;
}

void CountWaiter(int delta) {
    std::lock_guard<std::mutex> lock(W().mutex);
    W().count += delta;
    W().changed.notify_all();
}

}  // namespace

int CriticalSectionWaiters() {
    std::lock_guard<std::mutex> lock(W().mutex);
    return W().count;
}

bool AwaitCriticalSectionWaiters(int count, DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(W().mutex);
    return W().changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [count] { return W().count >= count; });
}

}  // namespace sim

extern "C" {

BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount) {
    if (lpCriticalSection == nullptr) sim::Misuse("InitializeCriticalSectionAndSpinCount", "given as a null pointer");
    lpCriticalSection->DebugInfo = new sim::Section;
    lpCriticalSection->LockCount = -1;
    lpCriticalSection->RecursionCount = 0;
    lpCriticalSection->OwningThread = nullptr;
    lpCriticalSection->LockSemaphore = nullptr;
    lpCriticalSection->SpinCount = dwSpinCount;
    return TRUE;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    sim::Section* s = sim::SectionOf(lpCriticalSection, "EnterCriticalSection");
    if (!s->mutex.try_lock()) {
        sim::CountWaiter(1);
        s->mutex.lock();
        sim::CountWaiter(-1);
    }
    if (s->recursion++ == 0) s->owner = std::this_thread::get_id();
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    sim::Section* s = sim::SectionOf(lpCriticalSection, "LeaveCriticalSection");
    if (s->recursion == 0 || s->owner != std::this_thread::get_id())
        sim::Misuse("LeaveCriticalSection", "that the thread does not hold");
    if (--s->recursion == 0) s->owner = std::thread::id();
    s->mutex.unlock();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    sim::Section* s = sim::SectionOf(lpCriticalSection, "DeleteCriticalSection");
    // Held by another thread, or (the mutex being re-entrant) by this one.
    if (!s->mutex.try_lock()) sim::Misuse("DeleteCriticalSection", "that another thread holds");
    const bool held = s->recursion != 0;
    s->mutex.unlock();
    if (held) sim::Misuse("DeleteCriticalSection", "that the thread holds");
    s->magic = 0;
    delete s;
    lpCriticalSection->DebugInfo = nullptr;
}

}  // extern "C"
