#include "core/state.h"

LibraryState g_state;

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
