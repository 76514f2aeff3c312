// Text-mode reading and safe replacement of a text file.
#include "persistence/text_file.h"

#include "core/holders.h"
#include "core/state.h"

namespace {

const char kTempSuffix[] = ".tmp";
const char kCtrlZ = 0x1A;

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

bool ReplaceTextFile(LPCSTR path, const char* text, DWORD length) {
    const size_t pathLength = StrLen(path);
    if (pathLength == 0 || pathLength + sizeof kTempSuffix > MAX_PATH) return false;
    char temp[MAX_PATH];
    for (size_t i = 0; i < pathLength; ++i) temp[i] = path[i];
    for (size_t i = 0; i < sizeof kTempSuffix; ++i) temp[pathLength + i] = kTempSuffix[i];

    LocalBlock disk;
    if (!disk.Alloc(length > 0 ? 2 * static_cast<size_t>(length) : 1, 1)) return false;
    const DWORD bytes = ToDisk(text, length, disk.as<char>());

    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // A write that stores fewer bytes than asked counts as failed, as does a
    // flush that does not reach the disk.
    DWORD written = 0;
    bool ok = WriteFile(file, disk.get(), bytes, &written, nullptr) && written == bytes && FlushFileBuffers(file);
    CloseHandle(file);
    if (ok) ok = MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!ok) DeleteFileA(temp);
    return ok;
}
