// The version resource as Windows reads it: GetFileVersionInfoA on the loaded
// MIXER.DLL shows the project's version (passed in by the build as
// MIXER_VERSION and MIXER_DESCRIPTION) and the original file name, and the
// version macros of the public header give the same numbers.
#include "host.h"

#include <cstring>
#include <string>
#include <vector>

#ifndef MIXER_VERSION
#error "the build passes MIXER_VERSION (the project's version)"
#endif

namespace {

std::string Value(std::vector<char>& block, const char* name) {
    // The first translation the resource lists names the string table.
    struct Translation {
        WORD language, codePage;
    }* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) ||
        size < sizeof(Translation))
        return "<no translation>";
    char path[128];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translations[0].language,
                  translations[0].codePage, name);
    char* text = nullptr;
    if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&text), &size) || !text) return "<missing>";
    return std::string(text);
}

}  // namespace

HOST_TEST(version_resource_reads_under_windows) {
    char path[MAX_PATH];
    CHECK(GetModuleFileNameA(Dll(), path, sizeof path) > 0);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    CHECK(size > 0);
    if (size == 0) return;
    std::vector<char> block(size);
    CHECK(GetFileVersionInfoA(path, 0, size, block.data()));

    const std::string version = MIXER_VERSION;
    const char* keys[] = {"FileVersion", "ProductVersion", "OriginalFilename", "FileDescription"};
    const std::string want[] = {version, version, "MIXER.DLL", MIXER_DESCRIPTION};
    for (int i = 0; i < 4; ++i) {
        const std::string got = Value(block, keys[i]);
        if (got != want[i]) std::printf("  FAIL: %s is \"%s\", want \"%s\"\n", keys[i], got.c_str(), want[i].c_str());
        CHECK(got == want[i]);
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    CHECK(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    if (!fixed) return;
    CHECK_EQ(fixed->dwSignature, 0xFEEF04BD);
    unsigned parts[4] = {0, 0, 0, 0};
    std::sscanf(MIXER_VERSION, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    CHECK_EQ(fixed->dwFileVersionMS, (parts[0] << 16) | parts[1]);
    CHECK_EQ(fixed->dwFileVersionLS, (parts[2] << 16) | parts[3]);
    CHECK_EQ(fixed->dwProductVersionMS, (parts[0] << 16) | parts[1]);
    CHECK_EQ(fixed->dwProductVersionLS, (parts[2] << 16) | parts[3]);
    CHECK_EQ(fixed->dwFileType, VFT_DLL);

    // What a host compiled against mixer.h expects of the DLL it loads.
    CHECK(Value(block, "FileVersion") == MIXER_VERSION_STRING);
    CHECK_EQ(fixed->dwFileVersionMS, (DWORD(MIXER_VERSION_MAJOR) << 16) | MIXER_VERSION_MINOR);
    CHECK_EQ(fixed->dwFileVersionLS >> 16, DWORD(MIXER_VERSION_PATCH));
}
