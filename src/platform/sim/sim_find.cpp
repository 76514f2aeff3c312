// Simulated directory search: FindFirstFileA, FindNextFileA, FindClose.
//
// The pattern is split at its last path separator ('\\' or '/'): the part up
// to and including it names the directory (the current directory when there
// is none), the rest is the name pattern. Entries are matched the way the
// Windows wildcard search matches long names: '*' stands for any run of
// characters, '?' for one character, and letters are compared without case.
// Short (8.3) names are not modelled. Entries come in the directory's own
// order (readdir), which the platform does not promise to be any particular
// one, and include "." and ".." when the pattern matches them.
#include "sim_files.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace sim {

DWORD ResolvePath(LPCSTR path, std::string* host);  // sim_files.cpp

namespace {

struct Search {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

struct FindState {
    std::map<uintptr_t, Search> searches;
    uintptr_t nextHandle = 0x30000;
};

FindState& S() {
    static FindState s;
    return s;
}

void ResetFind() {
    S().searches.clear();
    S().nextHandle = 0x30000;
}

detail::ResetHook g_resetFind(ResetFind);

int Lower(char ch) { return std::tolower(static_cast<unsigned char>(ch)); }

bool Matches(const char* pattern, const char* name) {
    // Iterative wildcard match with one backtrack point for the last '*'.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && Lower(*pattern) == Lower(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

// The entry `name` of the open directory `dir`, looked up relative to it.
void FillEntry(DIR* dir, const char* name, WIN32_FIND_DATAA* out) {
    std::memset(out, 0, sizeof *out);
    std::strncpy(out->cFileName, name, MAX_PATH - 1);
    struct stat st;
    if (::fstatat(::dirfd(dir), name, &st, 0) != 0) {
        out->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
        return;
    }
    if (S_ISDIR(st.st_mode)) {
        out->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    } else {
        out->dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
        const unsigned long long size = static_cast<unsigned long long>(st.st_size);
        out->nFileSizeLow = static_cast<DWORD>(size);
        out->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    }
    if (!(st.st_mode & S_IWUSR)) out->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
}

}  // namespace

int OpenSearches() { return static_cast<int>(S().searches.size()); }

}  // namespace sim

using sim::detail::CallRecord;

extern "C" {

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    CallRecord call("FindFirstFileA");
    call.Text(lpFileName);
    DWORD code = 0;
    HANDLE result = INVALID_HANDLE_VALUE;
    std::string host;
    if (call.Injected(&code)) {
        SetLastError(code);
    } else if (lpFindFileData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if ((code = sim::ResolvePath(lpFileName, &host)) != 0) {
        SetLastError(code);
    } else {
        const size_t slash = host.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "./" : host.substr(0, slash + 1);
        const std::string pattern = slash == std::string::npos ? host : host.substr(slash + 1);
        DIR* d = ::opendir(dir.c_str());
        if (d == nullptr) {
            SetLastError(ERROR_PATH_NOT_FOUND);
        } else {
            sim::Search search;
            while (dirent* e = ::readdir(d)) {
                if (pattern.empty() || !sim::Matches(pattern.c_str(), e->d_name)) continue;
                search.entries.emplace_back();
                sim::FillEntry(d, e->d_name, &search.entries.back());
            }
            ::closedir(d);
            if (search.entries.empty()) {
                SetLastError(ERROR_FILE_NOT_FOUND);
            } else {
                *lpFindFileData = search.entries[0];
                search.next = 1;
                call->count = static_cast<DWORD>(search.entries.size());
                uintptr_t h = sim::S().nextHandle;
                sim::S().nextHandle += 4;
                sim::S().searches[h] = std::move(search);
                result = reinterpret_cast<HANDLE>(h);
                SetLastError(ERROR_SUCCESS);
            }
        }
    }
    call->object = reinterpret_cast<uintptr_t>(result);
    call->result = result != INVALID_HANDLE_VALUE;
    return result;
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    CallRecord call("FindNextFileA");
    call->object = reinterpret_cast<uintptr_t>(hFindFile);
    DWORD code = 0;
    BOOL ok = FALSE;
    auto it = sim::S().searches.find(reinterpret_cast<uintptr_t>(hFindFile));
    if (call.Injected(&code)) {
        SetLastError(code);
    } else if (it == sim::S().searches.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
    } else if (lpFindFileData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (it->second.next >= it->second.entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
    } else {
        *lpFindFileData = it->second.entries[it->second.next++];
        call.Text(lpFindFileData->cFileName);
        ok = TRUE;
    }
    return call.Return(ok);
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
    CallRecord call("FindClose");
    call->object = reinterpret_cast<uintptr_t>(hFindFile);
    DWORD code = 0;
    BOOL ok = FALSE;
    if (call.Injected(&code)) {
        SetLastError(code);
    } else if (sim::S().searches.erase(reinterpret_cast<uintptr_t>(hFindFile)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
    } else {
        ok = TRUE;
    }
    return call.Return(ok);
}

}  // extern "C"
