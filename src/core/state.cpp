#include "core/state.h"

LibraryState g_state;

namespace {

// Made when the library is loaded, before DllMain runs, and deleted when it
// is unloaded. A critical section has no static initialiser of its own.
struct StateLockSection {
    CRITICAL_SECTION section;
    StateLockSection() { InitializeCriticalSection(&section); }
    ~StateLockSection() { DeleteCriticalSection(&section); }
};
StateLockSection g_stateLock;

}  // namespace

StateLock::StateLock() { EnterCriticalSection(&g_stateLock.section); }
StateLock::~StateLock() { LeaveCriticalSection(&g_stateLock.section); }

size_t StrLen(const char* s) {
    size_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

bool StrEqual(const char* a, const char* b) {
    if (!a || !b) return false;
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

size_t CopyField(char* field, const char* src) {
    size_t n = 0;
    if (src)
        while (n < MIXER_NAME_CHARS - 1 && src[n]) {
            field[n] = src[n];
            ++n;
        }
    field[n] = '\0';
    return n;
}

void ClearRecord(void* record, size_t size) {
    char* p = static_cast<char*>(record);
    for (size_t i = 0; i < size; ++i) p[i] = 0;
}

void ResetLibraryState() { ClearRecord(&g_state, sizeof g_state); }
