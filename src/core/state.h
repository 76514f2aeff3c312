// The library's process-wide state: everything that outlives one exported call.
#pragma once

#include "platform/win.h"

#define MIXER_NAME_CHARS 256  // every string field: 255 characters and a terminator

struct LibraryState {
    // Names of the recording destination's sources, refreshed by ScanRecControls.
    char RecLineInName[MIXER_NAME_CHARS];
    char RecMicName[MIXER_NAME_CHARS];
    char RecCDName[MIXER_NAME_CHARS];
    char RecAuxName[MIXER_NAME_CHARS];
    char RecAnalogName[MIXER_NAME_CHARS];
    char RecDigitalName[MIXER_NAME_CHARS];
    // Override line names from the sound-card name file; empty = not set.
    char DigitalLineName[MIXER_NAME_CHARS];
    char DigitalCDLineName[MIXER_NAME_CHARS];
    char LineInLineName[MIXER_NAME_CHARS];
    // Prefix of the sound-card name file search (a directory ending in a backslash).
    char SoundCardConfigFilePath[MIXER_NAME_CHARS];
    LONG CDTypeDigital;
    DWORD CDDeviceID;
    DWORD CDLastError;
    char CDDeviceType[MIXER_NAME_CHARS];
    HMODULE ModuleHandle;
};

// The one instance; all zero when the library is loaded.
extern LibraryState g_state;

// The library's two locks, and a hold of one of them for a scope: taken when
// the hold is made, given back when it goes.
enum LockKind { TheStateLock, TheCdLock };
template <LockKind Kind>
class LockHold {
public:
    LockHold();
    ~LockHold();
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;
};

// The lock of g_state. Every read and write of a field of g_state after the
// library is loaded happens while a StateLock is held, so that threads of the
// host calling exports at once each see the state whole: a name is never read
// half written, and the fields that go together (the three override names,
// the CD device, its type and its last error) change together. The CD
// fields are the one exception for reads: the CD player, which alone writes
// them, reads them under its own lock (CdLock) instead. Mixer, file,
// registry and MCI requests are made without it, and no message box is
// shown while it is held.
// It is held for a copy of a few names at most, and nothing done while
// holding it takes it again.
//
// It is a critical section made with no spin count when the library is
// loaded (locks.cpp): a thread that finds it held waits in the system until
// it is left, neither spinning nor sleeping. An SRWLOCK waits the same way,
// but Windows XP has none: it would be looked up at run time, with a
// critical section behind it that only Windows XP would run. Under Wine 8 the
// critical section is also the faster: a take and release costs 13 ns,
// against 28 ns at best for an SRWLOCK (and 2.4 ns for the locked exchange
// this lock was before, which spun and slept when it found the lock held); a
// per-line getter that fails early, about 0.5 us, is 4 to 7 percent slower
// with an SRWLOCK; and four threads taking the lock at once share it evenly
// (BENCHMARKS.md, "The state lock").
typedef LockHold<TheStateLock> StateLock;

// The CD player's lock, a critical section like the state lock. OpenCD,
// PlayCD, StopCD, CloseCD and the time-format step each hold it from the
// first look at the CD fields to their last change, MCI commands included,
// so that one call's commands and the device they leave recorded are never
// mixed with another's. An MCI_OPEN that waits for a drive to spin up so
// holds up the CD player's other calls and nothing else. The CD fields
// (CDDeviceID, CDLastError, CDDeviceType) are written only while both locks
// are held, each call's changes in one hold of the state lock, so that
// either lock is enough to read them whole. Taken before the state lock,
// never while it is held.
typedef LockHold<TheCdLock> CdLock;

// Whether both locks were made when the library was loaded. Making one
// always succeeds since Windows Vista; on Windows XP it can fail for want of
// memory, and DllMain then refuses the load.
bool LibraryLocksReady();

// Copies src into a field of MIXER_NAME_CHARS bytes, cutting it to 255
// characters; a null src gives the empty string. Returns the characters stored.
inline size_t CopyField(char* field, const char* src) {
    size_t n = 0;
    if (src)
        while (n < MIXER_NAME_CHARS - 1 && src[n]) {
            field[n] = src[n];
            ++n;
        }
    field[n] = '\0';
    return n;
}

// Bounded string helpers shared by the subsystems (no CRT string calls, so the
// DLL's behaviour does not depend on the runtime it is linked with).
size_t StrLen(const char* s);
bool StrEqual(const char* a, const char* b);  // whole-string, byte for byte

// Fills a record with zero bytes.
void ClearRecord(void* record, size_t size);

// CopyField from a field of g_state, under the state lock.
size_t CopyStateField(char* field, const char* stateField);

// For tests: back to the load-time state (all zero).
void ResetLibraryState();
