// The three locks compared in BENCHMARKS.md ("The state lock"), each with
// Make(), Take(), Give() and Delete(): lock_bench.cpp times them bare, and
// lock_variants.cpp builds MIXER.DLL with each in place of its critical
// sections.
#pragma once

#include <windows.h>

#include <atomic>

namespace lockbench {

// What MIXER.DLL uses (src/core/locks.cpp): a critical section with a spin
// count of 0.
class CsLock {
public:
    bool Make() { return InitializeCriticalSectionAndSpinCount(&cs_, 0) != FALSE; }
    void Delete() { DeleteCriticalSection(&cs_); }
    void Take() { EnterCriticalSection(&cs_); }
    void Give() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

// An SRWLOCK taken exclusively, its functions looked up in kernel32 at run
// time (Windows XP has none: Make() is then false). Needs no deleting.
class SrwLock {
public:
    bool Make() {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        if (kernel == nullptr) return false;
        acquire_ = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, "AcquireSRWLockExclusive")));
        release_ = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, "ReleaseSRWLockExclusive")));
        return acquire_ != nullptr && release_ != nullptr;
    }
    void Delete() {}
    void Take() { acquire_(&lock_); }
    void Give() { release_(&lock_); }

private:
    struct Srw {
        void* ptr;  // SRWLOCK_INIT: all zero
    };
    typedef void(WINAPI* Fn)(Srw*);
    Fn acquire_ = nullptr;
    Fn release_ = nullptr;
    Srw lock_ = {nullptr};
};

// MIXER.DLL's state lock before the critical section: a word taken with a
// locked exchange and given back with a store; a thread that finds it held
// spins 64 times, yields 64 times, then sleeps a millisecond at a time.
class XchgLock {
public:
    bool Make() { return true; }
    void Delete() {}
    void Take() {
        for (DWORD spins = 0; word_.exchange(1, std::memory_order_acquire) != 0; ++spins) {
            if (spins < 64)
                YieldProcessor();
            else
                Sleep(spins < 128 ? 0 : 1);
        }
    }
    void Give() { word_.store(0, std::memory_order_release); }

private:
    std::atomic<LONG> word_{0};
};

}  // namespace lockbench
