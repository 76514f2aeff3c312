#include "core/state.h"

#include <atomic>

LibraryState g_state;

namespace {

std::atomic<LONG> g_stateLock{0};  // 1 while held

}  // namespace

StateLock::StateLock() {
    for (DWORD spins = 0; g_stateLock.exchange(1, std::memory_order_acquire) != 0; ++spins) {
        if (spins < 64)
            YieldProcessor();
        else
            Sleep(spins < 128 ? 0 : 1);  // 1: lets a holder of lower priority run
    }
}

StateLock::~StateLock() { g_stateLock.store(0, std::memory_order_release); }

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

void ClearRecord(void* record, size_t size) {
    char* p = static_cast<char*>(record);
    for (size_t i = 0; i < size; ++i) p[i] = 0;
}

size_t CopyStateField(char* field, const char* stateField) {
    StateLock lock;
    return CopyField(field, stateField);
}

void ResetLibraryState() { ClearRecord(&g_state, sizeof g_state); }
