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

// The lock of g_state. Every read and write of a field of g_state after the
// library is loaded happens while a StateLock is held, so that threads of the
// host calling exports at once each see the state whole: a name is never read
// half written, and the fields that go together (the three override names,
// the CD device and its last error) change together. Mixer, file and
// registry requests are made without it, except the CD player's MCI commands,
// which change the CD fields; no message box is shown while it is held.
//
// It is a word taken with an atomic exchange and given back with a store,
// not a critical section: a critical section costs about 12 ns a take and
// release under Wine, the exchange and store about 3, and a per-line getter
// that fails early (no recording selector) takes 0.5 us in all. A thread that
// finds it held spins briefly, then yields, then sleeps a millisecond at a
// time. It is not re-entrant: nothing done while holding it takes it again.
class StateLock {
public:
    StateLock();
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
};

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
