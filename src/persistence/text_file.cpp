// Text-mode reading and safe replacement of a text file.
#include "persistence/text_file.h"

#include "persistence/temp_name.h"

namespace {

// The temporary names of a target, each once, none the target's own name.
struct TempNames {
    char names[TEMP_NAME_TRIES][MAX_PATH];
    int count;
};

bool MakeTempNames(LPCSTR path, TempNames* out) {
    out->count = 0;
    for (int attempt = 0; attempt < TEMP_NAME_TRIES; ++attempt) {
        char* candidate = out->names[out->count];
        if (!TempFileName(path, attempt, candidate)) return false;
        bool fresh = !SameFileName(candidate, path);
        for (int i = 0; i < out->count && fresh; ++i) fresh = !SameFileName(out->names[i], candidate);
        if (fresh) ++out->count;
    }
    return out->count > 0;
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
    ScopedFile file(req::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file.valid()) return TextOpenFailed;
    DWORD count = 0;
    if (!req::ReadFile(file.get(), text, TEXT_READ_LIMIT, &count, nullptr)) return TextReadFailed;
    if (count > TEXT_READ_LIMIT) count = TEXT_READ_LIMIT;
    *length = DecodeText(text, count);
    text[*length] = '\0';
    return TextRead;
}

TextReadOutcome LoadTextFile(LPCSTR path, FileText* text) {
    text->length = 0;
    if (!text->block.Alloc(TEXT_READ_LIMIT + 1, 1)) return TextOpenFailed;
    return ReadTextFile(path, text->block.as<char>(), &text->length);
}

bool ReplaceTextFile(LPCSTR path, const char* text, DWORD length) {
    TempNames temp;
    if (!MakeTempNames(path, &temp)) return false;
    // A read-only target is refused, as writing it in place is: a rename
    // would replace it (Wine's does) and drop the attribute. A directory
    // cannot be replaced at all.
    const DWORD attributes = req::GetFileAttributesA(path);
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
    for (int i = 0; i < temp.count; ++i) req::DeleteFileA(temp.names[i]);
    HANDLE created = INVALID_HANDLE_VALUE;
    int used = 0;
    for (; used < temp.count; ++used) {
        created = req::CreateFileA(temp.names[used], GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE) break;
    }
    ScopedFile file(created);
    if (!file.valid()) return false;
    // A write that stores fewer bytes than asked counts as failed, as does a
    // flush that does not reach the disk.
    DWORD written = 0;
    bool ok = req::WriteFile(file.get(), disk.get(), bytes, &written, nullptr) && written == bytes &&
              req::FlushFileBuffers(file.get());
    file.Close();  // before the rename: an open file cannot be moved
    if (ok) ok = req::MoveFileExA(temp.names[used], path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!ok) req::DeleteFileA(temp.names[used]);
    return ok;
}
