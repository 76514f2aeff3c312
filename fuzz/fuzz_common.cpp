#include "fuzz_common.h"

#include "engine/endpoint_volume.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace fuzz {

namespace {

bool g_logged = true;

void Decide() {
    static const bool always = [] {
        const char* v = std::getenv("MIXER_FUZZ_LOG");
        return v != nullptr && std::strcmp(v, "1") == 0;
    }();
    static unsigned long inputs = 0;
    g_logged = always || inputs++ % 16 == 0;
}

}  // namespace

bool Logged() { return g_logged; }

void Fresh() {
    Decide();
    sim::Reset();
    sim::SetCallLog(g_logged);
    ResetLibraryState();
    // Every input is a process of its own: the library probes Core Audio
    // again.
    ForgetEndpointVerdict();
}

void Begin() {
    Decide();
    sim::SetCallLog(g_logged);
    sim::ClearLog();
    ResetLibraryState();
}

const std::string& WorkDir() {
    // Never destroyed, so that the removal at exit still has its name.
    static const std::string* dir = [] {
        // In memory where the machine has it: every input is written to a
        // file, and on a disk file system rewriting one costs more than
        // running the library (truncation, writeback on close, discards).
        std::error_code ec;
        const bool shm = std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0;
        const std::filesystem::path root = shm ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
        std::string base = (root / "mixer-fuzz-XXXXXX").string();
        std::vector<char> name(base.begin(), base.end());
        name.push_back('\0');
        FUZZ_CHECK(mkdtemp(name.data()) != nullptr);
        return new std::string(name.data());
    }();
    static const bool removeAtExit = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(*dir, ignored);
    }) == 0;
    (void)removeAtExit;
    return *dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    // Straight to the system: a stream's buffer and locale cost more than the
    // write itself, and the targets write a file or more an input.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool good = fd >= 0;
    for (size_t done = 0; good && done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        good = n > 0;
        if (good) done += static_cast<size_t>(n);
    }
    if (fd >= 0 && ::close(fd) != 0) good = false;
    if (!good) std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    FUZZ_CHECK(good);
}

void CheckNothingHeld() {
    FUZZ_CHECK(sim::OpenMixerHandles() == 0);
    FUZZ_CHECK(sim::ProcessHeapBlocks() == 0);
    FUZZ_CHECK(sim::LocalBlocks() == 0);
    FUZZ_CHECK(sim::OpenFiles() == 0);
    FUZZ_CHECK(sim::OpenSearches() == 0);
    FUZZ_CHECK(sim::OpenKeys() == 0);
    FUZZ_CHECK(sim::ComReferences() == 0);
    FUZZ_CHECK(sim::ComInitializations() == 0);
}

std::string TextModeRead(const uint8_t* data, size_t size) {
    const size_t n = size < 4096 ? size : 4096;
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        const char ch = static_cast<char>(data[i]);
        if (ch == 0x1A) break;
        if (ch == '\r' && i + 1 < n && data[i + 1] == '\n') continue;
        text += ch;
    }
    return text;
}

std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> out;
    std::string token;
    for (char ch : text) {
        if (ch == '=' || ch == '\n') {
            if (!token.empty()) out.push_back(token);
            token.clear();
        } else {
            token += ch;
        }
    }
    if (!token.empty()) out.push_back(token);
    return out;
}

}  // namespace fuzz
