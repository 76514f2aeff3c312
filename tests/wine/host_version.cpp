// The version resource as Windows reads it: GetFileVersionInfoA on the loaded
// MIXER.DLL (tools/common's VersionResource) shows the project's version
// (passed in by the build as MIXER_VERSION and MIXER_DESCRIPTION) and the
// original file name, and the version macros of the public header give the
// same numbers.
#include "host.h"

#include <cstdio>
#include <string>

#ifndef MIXER_VERSION
#error "the build passes MIXER_VERSION (the project's version)"
#endif

TEST(Version, ResourceReadsUnderWindows) {
    const std::string path = Dll().Path();
    ASSERT_FALSE(path.empty());
    const mixertools::VersionResource resource(path);
    ASSERT_TRUE(resource.Read());

    const struct {
        const char* key;
        std::string want;
    } strings[] = {{"FileVersion", MIXER_VERSION},
                   {"ProductVersion", MIXER_VERSION},
                   {"OriginalFilename", "MIXER.DLL"},
                   {"FileDescription", MIXER_DESCRIPTION},
                   // What a host compiled against mixer.h expects of the DLL it loads.
                   {"FileVersion", MIXER_VERSION_STRING}};
    for (const auto& s : strings) {
        SCOPED_TRACE(s.key);
        std::string got;
        EXPECT_TRUE(resource.String(s.key, &got));
        EXPECT_EQ(got, s.want);
    }
    std::string absent;
    EXPECT_FALSE(resource.String("NoSuchField", &absent));
    EXPECT_EQ(absent, "");

    const VS_FIXEDFILEINFO* fixed = resource.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    unsigned parts[4] = {0, 0, 0, 0};
    std::sscanf(MIXER_VERSION, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    EXPECT_EQ(fixed->dwFileVersionMS, (parts[0] << 16) | parts[1]);
    EXPECT_EQ(fixed->dwFileVersionLS, (parts[2] << 16) | parts[3]);
    EXPECT_EQ(fixed->dwProductVersionMS, (parts[0] << 16) | parts[1]);
    EXPECT_EQ(fixed->dwProductVersionLS, (parts[2] << 16) | parts[3]);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(resource.FileVersion(), std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
                                          std::to_string(parts[2]) + "." + std::to_string(parts[3]));

    // What a host compiled against mixer.h expects of the DLL it loads.
    EXPECT_EQ(fixed->dwFileVersionMS, (DWORD(MIXER_VERSION_MAJOR) << 16) | MIXER_VERSION_MINOR);
    EXPECT_EQ(fixed->dwFileVersionLS >> 16, DWORD(MIXER_VERSION_PATCH));
}

// A file without a version resource reads as none, and one that is not there
// as well.
TEST(Version, ResourceOfAFileWithoutOne) {
    const std::string dir = TempDirectory("version");
    const std::string file = dir + "plain.txt";
    ASSERT_TRUE(WriteBytes(file, "no resource here"));
    for (const std::string& path : {file, dir + "missing.dll", std::string()}) {
        SCOPED_TRACE("\"" + path + "\"");
        const mixertools::VersionResource resource(path);
        EXPECT_FALSE(resource.Read());
        EXPECT_EQ(resource.Fixed(), nullptr);
        EXPECT_EQ(resource.FileVersion(), "");
        std::string text = "left";
        EXPECT_FALSE(resource.String("FileVersion", &text));
        EXPECT_EQ(text, "");
    }
    DeleteFileA(file.c_str());
    RemoveDirectoryA(dir.c_str());
}
