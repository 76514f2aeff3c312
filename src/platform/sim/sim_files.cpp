// Simulated kernel file functions over real POSIX files.
//
// CreateFileA, ReadFile, WriteFile, FlushFileBuffers, CloseHandle, DeleteFileA,
// MoveFileExA and GetFileAttributesA with the documented Win32 results and
// error codes. Paths are translated as sim_files.h describes; an ANSI path of
// MAX_PATH characters or more fails with ERROR_FILENAME_EXCED_RANGE, as on
// Windows. A read-only file (no owner-write bit) refuses to be opened for
// writing, truncated, deleted or replaced with ERROR_ACCESS_DENIED, as
// Windows refuses it; the POSIX calls underneath would let root do all of
// that, so the checks are made here.
#include "sim_files.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {
namespace {

struct OpenFile {
    int fd;
    bool read;
    bool write;
};

struct FileState {
    std::map<uintptr_t, OpenFile> files;
    uintptr_t nextHandle = 0x20000;
    std::map<char, std::string> drives;
    FileFaults faults;
    FileQuirks quirks;
};

FileState& F() {
    static FileState s;
    return s;
}

void ResetFiles() {
    FileState& s = F();
    for (auto& f : s.files) ::close(f.second.fd);
    s.files.clear();
    s.nextHandle = 0x20000;
    s.drives.clear();
    s.faults = FileFaults();
    s.quirks = FileQuirks();
}

detail::ResetHook g_resetFiles(ResetFiles);

bool IsDirectory(const std::string& host) {
    struct stat st;
    return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The directory part of a host path ("." when there is none).
std::string ParentOf(const std::string& host) {
    size_t slash = host.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return host.substr(0, slash);
}

}  // namespace

void MapDrive(char drive, const std::string& dir) {
    F().drives[static_cast<char>(std::tolower(static_cast<unsigned char>(drive)))] = dir;
}

std::string HostPath(const std::string& path) {
    std::string p = path;
    for (char& ch : p)
        if (ch == '\\') ch = '/';
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
        auto it = F().drives.find(static_cast<char>(std::tolower(static_cast<unsigned char>(p[0]))));
        if (it == F().drives.end()) return "";
        std::string rest = p.substr(2);
        if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
        std::string root = it->second;
        if (root.empty() || root.back() != '/') root += '/';
        return root + rest;
    }
    return p;
}

// Win32 error for a failed POSIX file request on `host`.
DWORD FileErrorFromErrno(int err, const std::string& host) {
    switch (err) {
    case ENOENT:
        return IsDirectory(ParentOf(host)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

// Resolves an ANSI path argument; 0 and the host path, or the error.
DWORD ResolvePath(LPCSTR path, std::string* host) {
    if (path == nullptr || path[0] == '\0') return ERROR_PATH_NOT_FOUND;
    if (std::strlen(path) >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    *host = HostPath(path);
    return host->empty() ? ERROR_PATH_NOT_FOUND : 0;
}

int OpenFiles() { return static_cast<int>(F().files.size()); }

void SetFileFaults(const FileFaults& faults) { F().faults = faults; }

void SetFileQuirks(const FileQuirks& quirks) { F().quirks = quirks; }

}  // namespace sim

using sim::detail::CallRecord;

namespace {

sim::OpenFile* FindFile(HANDLE h) {
    auto it = sim::F().files.find(reinterpret_cast<uintptr_t>(h));
    return it == sim::F().files.end() ? nullptr : &it->second;
}

// How ReadFile and WriteFile start: the handle and byte count logged, the
// caller's count zeroed, fault injection, then Windows' checks in its order.
// The open file, or null with *error set.
sim::OpenFile* StartTransfer(CallRecord& call, HANDLE h, const void* buffer, DWORD bytes, DWORD* done,
                             const void* overlapped, bool write, DWORD* error) {
    call->object = reinterpret_cast<uintptr_t>(h);
    call->count = bytes;
    if (done) *done = 0;
    if (call.Injected(error)) return nullptr;
    sim::OpenFile* f = FindFile(h);
    if (f == nullptr) {
        *error = ERROR_INVALID_HANDLE;
    } else if (overlapped != nullptr || done == nullptr || (buffer == nullptr && bytes > 0)) {
        *error = ERROR_INVALID_PARAMETER;
        f = nullptr;
    } else if (!(write ? f->write : f->read)) {
        *error = ERROR_ACCESS_DENIED;
        f = nullptr;
    }
    return f;
}

// Ends a call that failed with `code`: FALSE and the thread's last error.
BOOL Fail(CallRecord& call, DWORD code) {
    SetLastError(code);
    return call.Return(FALSE);
}

}  // namespace

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    (void)dwShareMode;
    (void)lpSecurityAttributes;
    (void)dwFlagsAndAttributes;
    (void)hTemplateFile;
    CallRecord call("CreateFileA");
    call.Text(lpFileName);
    call->flags = dwDesiredAccess;
    call->id = dwCreationDisposition;
    DWORD code = 0;
    HANDLE result = INVALID_HANDLE_VALUE;
    std::string host;
    const bool read = (dwDesiredAccess & GENERIC_READ) != 0;
    // FILE_APPEND_DATA without GENERIC_WRITE: every write goes to the end of
    // the file, whoever else writes to it.
    const bool append = (dwDesiredAccess & GENERIC_WRITE) == 0 && (dwDesiredAccess & FILE_APPEND_DATA) != 0;
    const bool write = (dwDesiredAccess & GENERIC_WRITE) != 0 || append;
    bool existed = false;  // the entry was there before the open
    int oflags = write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (append) oflags |= O_APPEND;
    switch (dwCreationDisposition) {
    case CREATE_NEW: oflags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: oflags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: oflags |= O_CREAT; break;
    case TRUNCATE_EXISTING: oflags |= O_TRUNC; break;
    default: code = ERROR_INVALID_PARAMETER; break;
    }
    if (dwCreationDisposition == TRUNCATE_EXISTING && !write) code = ERROR_INVALID_PARAMETER;
    if (call.Injected(&code)) {
        SetLastError(code);
    } else if (code != 0 || (code = sim::ResolvePath(lpFileName, &host)) != 0) {
        SetLastError(code);
    } else if (struct stat entry; (existed = ::stat(host.c_str(), &entry) == 0) && (write || (oflags & O_TRUNC)) &&
                                   S_ISREG(entry.st_mode) && !(entry.st_mode & S_IWUSR) &&
                                   !sim::F().quirks.writesReadOnlyFiles) {
        // Neither written nor truncated: a read-only file (CREATE_ALWAYS and
        // TRUNCATE_EXISTING included).
        SetLastError(ERROR_ACCESS_DENIED);
    } else {
        int fd = ::open(host.c_str(), oflags | O_CLOEXEC, 0666);
        struct stat st;
        if (fd < 0) {
            SetLastError(sim::FileErrorFromErrno(errno, host));
        } else if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            // Windows opens no directory as a file.
            ::close(fd);
            SetLastError(ERROR_ACCESS_DENIED);
        } else {
            uintptr_t h = sim::F().nextHandle;
            sim::F().nextHandle += 4;
            sim::F().files[h] = sim::OpenFile{fd, read, write};
            result = reinterpret_cast<HANDLE>(h);
            const bool reported = existed && (dwCreationDisposition == CREATE_ALWAYS ||
                                              dwCreationDisposition == OPEN_ALWAYS);
            SetLastError(reported ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        }
    }
    call->object = reinterpret_cast<uintptr_t>(result);
    call->result = result != INVALID_HANDLE_VALUE;
    return result;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
    CallRecord call("ReadFile");
    DWORD code = 0;
    sim::OpenFile* f =
        StartTransfer(call, hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped, false, &code);
    if (f == nullptr) return Fail(call, code);
    if (sim::F().faults.readFails) return Fail(call, ERROR_READ_FAULT);
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t n = ::read(f->fd, static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(call, ERROR_READ_FAULT);
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    *lpNumberOfBytesRead = done;
    call.Text(static_cast<const char*>(lpBuffer), done);
    return call.Return(TRUE);
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
    CallRecord call("WriteFile");
    DWORD code = 0;
    sim::OpenFile* f = StartTransfer(call, hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                                     lpOverlapped, true, &code);
    if (f == nullptr) return Fail(call, code);
    sim::FileFaults& faults = sim::F().faults;
    if (faults.writeFails) return Fail(call, ERROR_WRITE_FAULT);
    DWORD store = nNumberOfBytesToWrite;
    DWORD failure = 0;
    if (faults.shortWrite >= 0 && store > static_cast<DWORD>(faults.shortWrite))
        store = static_cast<DWORD>(faults.shortWrite);
    if (faults.diskSpace >= 0) {
        if (store > static_cast<DWORD>(faults.diskSpace)) {
            store = static_cast<DWORD>(faults.diskSpace);
            failure = ERROR_DISK_FULL;
        }
        faults.diskSpace -= store;
    }
    DWORD done = 0;
    while (done < store) {
        ssize_t n = ::write(f->fd, static_cast<const char*>(lpBuffer) + done, store - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failure = errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
            break;
        }
        done += static_cast<DWORD>(n);
    }
    *lpNumberOfBytesWritten = done;
    call.Text(static_cast<const char*>(lpBuffer), done);
    if (failure != 0) return Fail(call, failure);
    return call.Return(TRUE);
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    CallRecord call("FlushFileBuffers");
    call->object = reinterpret_cast<uintptr_t>(hFile);
    DWORD code = 0;
    if (call.Injected(&code)) return Fail(call, code);
    sim::OpenFile* f = FindFile(hFile);
    if (f == nullptr) return Fail(call, ERROR_INVALID_HANDLE);
    if (!f->write) return Fail(call, ERROR_ACCESS_DENIED);
    // The data is already with the host system; nothing is synced to a disk.
    return call.Return(TRUE);
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    CallRecord call("CloseHandle");
    call->object = reinterpret_cast<uintptr_t>(hObject);
    DWORD code = 0;
    if (call.Injected(&code)) return Fail(call, code);
    auto it = sim::F().files.find(reinterpret_cast<uintptr_t>(hObject));
    if (it == sim::F().files.end()) return Fail(call, ERROR_INVALID_HANDLE);
    ::close(it->second.fd);
    sim::F().files.erase(it);
    return call.Return(TRUE);
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    CallRecord call("DeleteFileA");
    call.Text(lpFileName);
    DWORD code = 0;
    if (call.Injected(&code)) return Fail(call, code);
    std::string host;
    if ((code = sim::ResolvePath(lpFileName, &host)) != 0) return Fail(call, code);
    // One look at the entry: what is missing fails as the unlink would, a
    // directory or a read-only file (which a Linux unlink takes) is refused.
    struct stat st;
    if (::stat(host.c_str(), &st) != 0) return Fail(call, sim::FileErrorFromErrno(errno, host));
    if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)))
        return Fail(call, ERROR_ACCESS_DENIED);
    if (::unlink(host.c_str()) != 0) return Fail(call, sim::FileErrorFromErrno(errno, host));
    return call.Return(TRUE);
}

BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
    CallRecord call("MoveFileExA");
    call.Text(lpExistingFileName);
    call.AppendText(" -> ");
    call.AppendText(lpNewFileName ? lpNewFileName : "");
    call->flags = dwFlags;
    DWORD code = 0;
    if (call.Injected(&code)) return Fail(call, code);
    std::string from, to;
    if ((code = sim::ResolvePath(lpExistingFileName, &from)) != 0) return Fail(call, code);
    if (lpNewFileName == nullptr) return Fail(call, ERROR_INVALID_PARAMETER);
    if ((code = sim::ResolvePath(lpNewFileName, &to)) != 0) return Fail(call, code);
    struct stat st;
    if (::stat(from.c_str(), &st) != 0) return Fail(call, sim::FileErrorFromErrno(errno, from));
    if (::stat(to.c_str(), &st) == 0) {
        if (!(dwFlags & MOVEFILE_REPLACE_EXISTING)) return Fail(call, ERROR_ALREADY_EXISTS);
        if (S_ISDIR(st.st_mode)) return Fail(call, ERROR_ACCESS_DENIED);
        if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR) && !sim::F().quirks.renameReplacesReadOnly)
            return Fail(call, ERROR_ACCESS_DENIED);
    }
    if (::rename(from.c_str(), to.c_str()) != 0) return Fail(call, sim::FileErrorFromErrno(errno, to));
    return call.Return(TRUE);
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    CallRecord call("GetFileAttributesA");
    call.Text(lpFileName);
    DWORD code = 0;
    DWORD result = INVALID_FILE_ATTRIBUTES;
    std::string host;
    struct stat st;
    if (call.Injected(&code) || (code = sim::ResolvePath(lpFileName, &host)) != 0) {
        SetLastError(code);
    } else if (::stat(host.c_str(), &st) != 0) {
        SetLastError(sim::FileErrorFromErrno(errno, host));
    } else {
        // As the directory search reports them.
        result = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        if (!(st.st_mode & S_IWUSR)) result |= FILE_ATTRIBUTE_READONLY;
        SetLastError(ERROR_SUCCESS);
    }
    return call.Return(result);
}

}  // extern "C"
