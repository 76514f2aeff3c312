#include "mixerctl.h"


#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>

namespace mixerctl {

std::string SystemReason(int errnoValue) { return std::strerror(errnoValue); }

namespace {

enum class FileKind { Missing, Directory, File };

FileKind KindOfFile(const std::string& path) {
    const std::string host = PlatformFilePath(path);
    struct stat st;
    if (host.empty() || stat(host.c_str(), &st) != 0) return FileKind::Missing;
    return (st.st_mode & S_IFMT) == S_IFDIR ? FileKind::Directory : FileKind::File;
}

}  // namespace

std::string ReadWholeFile(const std::string& path, const std::string& what) {
    const std::string name = (what.empty() ? "" : what + " ") + path;
    const std::string host = PlatformFilePath(path);
    if (KindOfFile(path) == FileKind::Directory) throw ToolError("cannot read " + name + ": " + SystemReason(EISDIR));
    errno = 0;
    std::FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
    if (!f) throw ToolError("cannot read " + name + ": " + SystemReason(host.empty() ? ENOENT : errno));
    std::string text;
    char block[4096];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) text.append(block, n);
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    std::fclose(f);
    if (failed) throw ToolError("cannot read " + name + ": " + SystemReason(error ? error : EIO));
    return text;
}

std::string WriteProblem(const std::string& path, bool* created) {
    *created = false;
    const std::string host = PlatformFilePath(path);
    if (host.empty()) return SystemReason(ENOENT);
    const FileKind kind = KindOfFile(path);
    if (kind == FileKind::Directory) return SystemReason(EISDIR);
    errno = 0;
    std::FILE* f = std::fopen(host.c_str(), "ab");
    if (!f) return SystemReason(errno ? errno : EACCES);
    std::fclose(f);
    *created = kind == FileKind::Missing;
    return "";
}

void RemoveFile(const std::string& path) {
    const std::string host = PlatformFilePath(path);
    if (!host.empty()) std::remove(host.c_str());
}

std::string ReadStandardInput() {
    std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    if (std::cin.bad()) throw ToolError("cannot read standard input");
    return text;
}

}  // namespace mixerctl
