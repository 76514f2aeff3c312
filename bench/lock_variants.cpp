// MIXER.DLL's two locks (src/core/locks.cpp) made another way, for
// lock_bench.cpp to load beside the real DLL (bench/CMakeLists.txt builds
// the library's sources with this file in place of locks.cpp):
//   MIXER_LOCK_SRW   MIXER_SRW.DLL: SRWLOCKs, with critical sections where
//                    the system has none (Windows XP);
//   MIXER_LOCK_XCHG  MIXER_XCHG.DLL: the exchanged word the critical
//                    sections replaced.
#include "core/state.h"
#include "lock_kinds.h"

namespace {

#if defined(MIXER_LOCK_SRW)
// An SRWLOCK, or a critical section where there is none.
class Lock {
public:
    bool Make() {
        srw_ = srwLock_.Make();
        csMade_ = !srw_ && cs_.Make();
        return srw_ || csMade_;
    }
    void Delete() {
        if (csMade_) cs_.Delete();
    }
    void Take() { srw_ ? srwLock_.Take() : cs_.Take(); }
    void Give() { srw_ ? srwLock_.Give() : cs_.Give(); }

private:
    bool srw_ = false;
    bool csMade_ = false;
    lockbench::SrwLock srwLock_;
    lockbench::CsLock cs_;
};
#elif defined(MIXER_LOCK_XCHG)
typedef lockbench::XchgLock Lock;
#else
#error "MIXER_LOCK_SRW or MIXER_LOCK_XCHG"
#endif

class LibraryLocks {
public:
    LibraryLocks() {
        const bool stateMade = state.Make();
        const bool cdMade = cd.Make();
        ready_ = stateMade && cdMade;
    }
    ~LibraryLocks() {
        state.Delete();
        cd.Delete();
    }
    bool Ready() const { return ready_; }
    Lock state;
    Lock cd;

private:
    bool ready_;
};

LibraryLocks g_locks;

}  // namespace

StateLock::StateLock() { g_locks.state.Take(); }
StateLock::~StateLock() { g_locks.state.Give(); }

CdLock::CdLock() { g_locks.cd.Take(); }
CdLock::~CdLock() { g_locks.cd.Give(); }

bool LibraryLocksReady() { return g_locks.Ready(); }
