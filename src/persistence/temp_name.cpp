// Temporary file names beside a target, bounded by MAX_PATH.
#include "persistence/temp_name.h"

namespace {

const char kTempMarker = '~';
const char kTempExtension[] = ".tmp";
const char kHexDigits[] = "0123456789ABCDEF";

bool IsSeparator(char ch) { return ch == '\\' || ch == '/'; }

char UpperAscii(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

// Where the file name of a path starts: after its last separator, or after
// the colon of a drive-relative path ("C:name").
size_t NameStart(const char* path, size_t length) {
    size_t start = 0;
    for (size_t i = 0; i < length; ++i)
        if (IsSeparator(path[i]) || (i == 1 && path[i] == ':')) start = i + 1;
    return start;
}

// FNV-1a over the file name folded to upper case, then the attempt number.
DWORD NameHash(const char* name, int attempt) {
    DWORD hash = 2166136261u;
    for (; *name != '\0'; ++name) {
        hash ^= static_cast<unsigned char>(UpperAscii(*name));
        hash *= 16777619u;
    }
    hash ^= static_cast<DWORD>(attempt);
    return hash * 16777619u;
}

}  // namespace

bool TempFileName(LPCSTR path, int attempt, char* out) {
    if (path == nullptr) return false;
    size_t length = 0;
    while (length < MAX_PATH && path[length] != '\0') ++length;
    if (length == 0 || length >= MAX_PATH || IsSeparator(path[length - 1])) return false;
    const size_t nameStart = NameStart(path, length);
    if (nameStart == length) return false;  // "C:" alone names no file

    char name[1 + 8 + sizeof kTempExtension];
    size_t n = 0;
    name[n++] = kTempMarker;
    const DWORD hash = NameHash(path + nameStart, attempt);
    for (int shift = 28; shift >= 0; shift -= 4) name[n++] = kHexDigits[(hash >> shift) & 0xF];
    for (size_t i = 0; i < sizeof kTempExtension; ++i) name[n++] = kTempExtension[i];

    // The target fits below MAX_PATH, so the room left is at least its own
    // file name's length.
    const size_t room = MAX_PATH - 1 - nameStart;
    for (size_t i = 0; i < nameStart; ++i) out[i] = path[i];
    size_t i = 0;
    for (; i < room && name[i] != '\0'; ++i) out[nameStart + i] = name[i];
    out[nameStart + i] = '\0';
    return true;
}

bool SameFileName(LPCSTR a, LPCSTR b) {
    for (; *a != '\0' && UpperAscii(*a) == UpperAscii(*b); ++a, ++b) {
    }
    return *a == '\0' && *b == '\0';
}
