// The state lock and the CD player's lock (state.h): critical sections made
// when the library is loaded and deleted when it is unloaded.
#include "core/state.h"

namespace {

// Made by a static object, so that every host has them before its first
// call without doing anything: in MIXER.DLL the C runtime's entry point
// constructs it at DLL_PROCESS_ATTACH, before DllMain runs and before any
// export can be reached (the loader keeps the host's threads out of the
// library until DllMain has returned), and destroys it at
// DLL_PROCESS_DETACH; natively the program does so at start and exit.
class LibraryLocks {
public:
    LibraryLocks() {
        // A spin count of 0: a thread that finds a lock held waits at once.
        // (InitializeCriticalSection takes no count, and the system may
        // choose one.)
        stateMade_ = InitializeCriticalSectionAndSpinCount(&state_, 0) != FALSE;
        cdMade_ = InitializeCriticalSectionAndSpinCount(&cd_, 0) != FALSE;
    }
    ~LibraryLocks() {
        if (stateMade_) DeleteCriticalSection(&state_);
        if (cdMade_) DeleteCriticalSection(&cd_);
    }
    LibraryLocks(const LibraryLocks&) = delete;
    LibraryLocks& operator=(const LibraryLocks&) = delete;

    bool Ready() const { return stateMade_ && cdMade_; }
    CRITICAL_SECTION* Of(LockKind kind) { return kind == TheStateLock ? &state_ : &cd_; }

private:
    CRITICAL_SECTION state_;
    CRITICAL_SECTION cd_;
    bool stateMade_;
    bool cdMade_;
};

LibraryLocks g_locks;

}  // namespace

template <LockKind Kind>
LockHold<Kind>::LockHold() {
    EnterCriticalSection(g_locks.Of(Kind));
}

template <LockKind Kind>
LockHold<Kind>::~LockHold() {
    LeaveCriticalSection(g_locks.Of(Kind));
}

template class LockHold<TheStateLock>;
template class LockHold<TheCdLock>;

bool LibraryLocksReady() { return g_locks.Ready(); }
