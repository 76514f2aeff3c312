#include "core/state.h"

LibraryState g_state;

size_t StrLen(const char* s) {
    size_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

void ClearRecord(void* record, size_t size) {
    char* p = static_cast<char*>(record);
    for (size_t i = 0; i < size; ++i) p[i] = 0;
}

size_t CopyStateField(char* field, const char* stateField) {
    StateLock lock;
    return CopyField(field, stateField);
}

