// Text files as the library keeps them, on every build alike: CR LF line ends
// on disk, LF in memory, a Ctrl-Z byte ends what a read delivers. The library
// does this translation itself over the kernel's plain file functions, so the
// bytes on disk never depend on a runtime's text mode.
#pragma once

#include "core/holders.h"
#include "persistence/tokens.h"  // TEXT_READ_LIMIT, DecodeText

enum TextReadOutcome {
    TextOpenFailed,  // the file could not be opened for reading
    TextReadFailed,  // opened, but the read reported an error (file closed)
    TextRead,        // read and closed; the text may be empty
};

// Opens `path` read-only, reads it once and closes it. `text` must hold
// TEXT_READ_LIMIT + 1 bytes; on TextRead it holds *length characters and a
// terminator: the bytes read as DecodeText makes them text.
TextReadOutcome ReadTextFile(LPCSTR path, char* text, DWORD* length);

// A text as ReadTextFile delivers it, in a block of its own.
struct FileText {
    LocalBlock block;  // TEXT_READ_LIMIT + 1 bytes
    DWORD length = 0;
    const char* chars() const { return block.as<const char>(); }
};

// ReadTextFile into a block from the local heap that `text` holds; when the
// block cannot be had, TextOpenFailed with no file opened.
TextReadOutcome LoadTextFile(LPCSTR path, FileText* text);

// Writes `length` characters of `text` to `path` with every LF stored as
// CR LF, so that the file at `path` is at every moment either the old one or
// the whole new one. The text goes to a temporary file in the target's
// directory first (persistence/temp_name.h); only when all of it was written
// and flushed does that file replace the target. Temporary files that earlier
// calls left behind (a process killed while writing) are removed first; a
// name something else occupies (a directory, a read-only or open file) is
// passed over for the next. False, with the target as it was, when the
// target is read-only or a directory, when no temporary file can be created,
// or when a write, the flush or the replacement fails; the temporary file is
// removed again on failure.
bool ReplaceTextFile(LPCSTR path, const char* text, DWORD length);
