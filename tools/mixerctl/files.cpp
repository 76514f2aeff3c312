// The files mixerctl opens itself, at the path the platform maps the
// library's path to, with the operating system's reason when that fails.
#include "mixerctl.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mixerctl {
namespace {

bool IsDirectory(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR;
}

}  // namespace

std::string SystemReason(int errnoValue) { return std::strerror(errnoValue); }

std::string ReadWholeFile(const std::string& path) {
    const std::string host = PlatformFilePath(path);
    errno = host.empty() ? ENOENT : IsDirectory(host) ? EISDIR : 0;
    std::FILE* f = errno ? nullptr : std::fopen(host.c_str(), "rb");
    if (!f) throw ToolError("cannot read " + path + ": " + SystemReason(errno));
    std::string text;
    char block[4096];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) text.append(block, n);
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    std::fclose(f);
    if (failed) throw ToolError("cannot read " + path + ": " + SystemReason(error ? error : EIO));
    return text;
}

std::string WriteProblem(const std::string& path, bool* created) {
    const std::string host = PlatformFilePath(path);
    if (host.empty()) return SystemReason(ENOENT);
    if (IsDirectory(host)) return SystemReason(EISDIR);
    struct stat st;
    const bool existed = stat(host.c_str(), &st) == 0;
    errno = 0;
    std::FILE* f = std::fopen(host.c_str(), "ab");
    if (!f) return SystemReason(errno ? errno : EACCES);
    std::fclose(f);
    *created = !existed;
    return "";
}

void RemoveFile(const std::string& path) {
    const std::string host = PlatformFilePath(path);
    if (!host.empty()) std::remove(host.c_str());
}

}  // namespace mixerctl
