// Text-mode reading and safe replacement of a text file.
#include "persistence/text_file.h"

#include "core/holders.h"
#include "core/state.h"

namespace {

const char kCtrlZ = 0x1A;
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

// Whole names compared as Windows compares them: ASCII letters without case.
bool SameName(const char* a, const char* b) {
    for (; *a != '\0' && UpperAscii(*a) == UpperAscii(*b); ++a, ++b) {
    }
    return *a == '\0' && *b == '\0';
}

// The temporary names of a target, each once, none the target's own name.
struct TempNames {
    char names[TEMP_NAME_TRIES][MAX_PATH];
    int count;
};

bool MakeTempNames(LPCSTR path, TempNames* out) {
    out->count = 0;
    const char* name = path + NameStart(path, StrLen(path));
    for (int attempt = 0; attempt < TEMP_NAME_TRIES; ++attempt) {
        char* candidate = out->names[out->count];
        if (!TempFileName(path, attempt, candidate)) return false;
        const char* candidateName = candidate + (name - path);
        bool fresh = !SameName(candidateName, name);
        for (int i = 0; i < out->count && fresh; ++i) fresh = !SameName(out->names[i], candidate);
        if (fresh) ++out->count;
    }
    return out->count > 0;
}

// Turns the raw bytes into text in place; returns the text's length.
DWORD FromDisk(char* bytes, DWORD count) {
    DWORD out = 0;
    for (DWORD i = 0; i < count; ++i) {
        const char ch = bytes[i];
        if (ch == kCtrlZ) break;
        if (ch == '\r' && i + 1 < count && bytes[i + 1] == '\n') continue;
        bytes[out++] = ch;
    }
    return out;
}

// Copies the text to `disk` with LF stored as CR LF; returns the byte count.
// `disk` holds 2 * length bytes.
DWORD ToDisk(const char* text, DWORD length, char* disk) {
    DWORD out = 0;
    for (DWORD i = 0; i < length; ++i) {
        if (text[i] == '\n') disk[out++] = '\r';
        disk[out++] = text[i];
    }
    return out;
}

}  // namespace

TextReadOutcome ReadTextFile(LPCSTR path, char* text, DWORD* length) {
    *length = 0;
    text[0] = '\0';
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return TextOpenFailed;
    DWORD count = 0;
    const BOOL ok = ReadFile(file, text, TEXT_READ_LIMIT, &count, nullptr);
    CloseHandle(file);
    if (!ok) return TextReadFailed;
    if (count > TEXT_READ_LIMIT) count = TEXT_READ_LIMIT;
    *length = FromDisk(text, count);
    text[*length] = '\0';
    return TextRead;
}

bool TempFileName(LPCSTR path, int attempt, char* out) {
    if (path == nullptr) return false;
    const size_t length = StrLen(path);
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

bool ReplaceTextFile(LPCSTR path, const char* text, DWORD length) {
    TempNames temp;
    if (!MakeTempNames(path, &temp)) return false;
    // A read-only target is refused, as writing it in place is: a rename
    // would replace it (Wine's does) and drop the attribute. A directory
    // cannot be replaced at all.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;

    LocalBlock disk;
    if (!disk.Alloc(length > 0 ? 2 * static_cast<size_t>(length) : 1, 1)) return false;
    const DWORD bytes = ToDisk(text, length, disk.as<char>());

    // A save killed while writing leaves its temporary file behind: every
    // temporary name of the target is cleared first, so that a target never
    // has more than one left over. What cannot be removed there (a directory,
    // a read-only or open file) is not ours to touch: a new file is made only
    // where none exists, under the first name that is free.
    for (int i = 0; i < temp.count; ++i) DeleteFileA(temp.names[i]);
    HANDLE file = INVALID_HANDLE_VALUE;
    int used = 0;
    for (; used < temp.count; ++used) {
        file = CreateFileA(temp.names[used], GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) break;
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    // A write that stores fewer bytes than asked counts as failed, as does a
    // flush that does not reach the disk.
    DWORD written = 0;
    bool ok = WriteFile(file, disk.get(), bytes, &written, nullptr) && written == bytes && FlushFileBuffers(file);
    CloseHandle(file);
    if (ok) ok = MoveFileExA(temp.names[used], path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!ok) DeleteFileA(temp.names[used]);
    return ok;
}
