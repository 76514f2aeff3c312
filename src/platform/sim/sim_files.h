// Test-facing side of the simulated file system, directory search and
// registry.
//
// Files are real POSIX files (tests work in a temporary directory). Paths are
// Windows-style or POSIX-style alike:
//  - every backslash is taken as a path separator ('\\' becomes '/');
//  - a path that starts with a drive ("D:" then a separator, or "D:" alone)
//    is resolved through MapDrive: "D:\\Cards\\x.cfg" with D mapped to
//    "/tmp/t" is "/tmp/t/Cards/x.cfg". An unmapped drive does not exist: the
//    request fails with ERROR_PATH_NOT_FOUND;
//  - every other path is used as it is (relative to the process's current
//    directory when not absolute).
// Handles (files, searches, registry keys) are process-wide and released by
// sim::Reset(), which also clears the faults, quirks and drive mappings below;
// files on disk are left alone.
//
// A file's read-only attribute is its owner-write permission bit, as Wine
// keeps it: a file without it is read-only, whoever runs the tests (root
// included). Such a file cannot be opened for writing, truncated, deleted or
// replaced by a rename: Windows answers each with ERROR_ACCESS_DENIED (for
// DeleteFileA, Wine's own conformance tests, kernel32 file.c, expect it of
// Windows and Wine alike; measured under Wine 8 as root too).
#pragma once

#include "sim.h"

#include <string>

namespace sim {

// ---- Files -------------------------------------------------------------------

// Makes drive letter `drive` (either case) stand for the host directory `dir`.
void MapDrive(char drive, const std::string& dir);
// The host path a Windows-style path names ("" when its drive is not mapped).
std::string HostPath(const std::string& path);

int OpenFiles();     // CreateFileA handles not yet closed
int OpenSearches();  // FindFirstFileA handles not yet closed

// File-level faults: what a disk does wrong, independent of call counting.
struct FileFaults {
    // Every WriteFile fails with ERROR_WRITE_FAULT and stores nothing.
    bool writeFails = false;
    // >= 0: the disk takes only this many more bytes. A write beyond that
    // stores the part that fits and fails with ERROR_DISK_FULL, reporting the
    // bytes stored.
    long diskSpace = -1;
    // >= 0: each write stores at most this many bytes and reports success
    // with the count stored (a short write).
    long shortWrite = -1;
    // Every ReadFile fails with ERROR_READ_FAULT and delivers nothing.
    bool readFails = false;
};
void SetFileFaults(const FileFaults& faults);

// Behaviours of another implementation of the platform, off until set; both
// measured under Wine 8 running as root (the test command's user).
struct FileQuirks {
    // MoveFileExA with MOVEFILE_REPLACE_EXISTING replaces a read-only target,
    // which then has the moved file's attributes. Windows refuses with
    // ERROR_ACCESS_DENIED.
    bool renameReplacesReadOnly = false;
    // CreateFileA opens a read-only file for writing and truncates it
    // (CREATE_ALWAYS, TRUNCATE_EXISTING), as root's POSIX open does; Windows
    // refuses with ERROR_ACCESS_DENIED. DeleteFileA still refuses it.
    bool writesReadOnlyFiles = false;
};
void SetFileQuirks(const FileQuirks& quirks);

// ---- Registry ----------------------------------------------------------------
//
// Keys live under the predefined roots; names of keys and values are compared
// without case, as the registry does. Each key records the access a caller is
// granted on it: RegOpenKeyExA asking for anything beyond that fails with
// ERROR_ACCESS_DENIED. A standard user, for instance, is granted KEY_READ on
// machine-wide keys.

// Creates the key (and the keys above it) when missing, granted KEY_ALL_ACCESS.
void RegAddKey(HKEY root, const std::string& subKey);
// Creates the key when missing and sets one value (type and raw bytes).
void RegSetValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
                 const std::string& bytes);
// A REG_SZ value stored with its terminating NUL.
void RegSetString(HKEY root, const std::string& subKey, const std::string& name, const std::string& text);
void RegGrantAccess(HKEY root, const std::string& subKey, REGSAM granted);
void RegDeleteKey(HKEY root, const std::string& subKey);  // the key and everything below it
int OpenKeys();  // RegOpenKeyExA handles not yet closed

}  // namespace sim
