// tools/common's MixerDll under Windows, as the tools and these tests load
// MIXER.DLL: a library that is not there, one without the exports, a second
// load of the one the tests use, moved and unloaded, and where a name is
// taken from (the program's folder, never the current directory).
#include "host.h"

#include <utility>

TEST(Common, LoadOfAMissingLibraryFails) {
    mixertools::MixerDll dll;
    EXPECT_FALSE(dll.Load("NO-SUCH-MIXER.DLL"));
    EXPECT_EQ(dll.Error(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(dll.Loaded());
    EXPECT_EQ(dll.Path(), "");
    EXPECT_EQ(dll.Directory(), "");
    EXPECT_EQ(dll.Address("GetPeak"), nullptr);
    EXPECT_EQ(dll.MissingExports().size(), static_cast<size_t>(MIXER_FUNCTION_COUNT));
    EXPECT_FALSE(dll.Version().Read());
}

TEST(Common, ALibraryWithoutTheExports) {
    mixertools::MixerDll dll;
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    ASSERT_TRUE(dll.Load(std::string(system) + "\\kernel32.dll"));
    EXPECT_EQ(dll.Error(), 0u);
    EXPECT_NE(dll.Address("GetTickCount"), nullptr);
    EXPECT_EQ(dll.Address(""), nullptr);
    EXPECT_EQ(dll.Address(nullptr), nullptr);
    EXPECT_EQ(dll.MissingExports().size(), static_cast<size_t>(MIXER_FUNCTION_COUNT));
    // A failed load after a good one leaves nothing loaded.
    EXPECT_FALSE(dll.Load("NO-SUCH-MIXER.DLL"));
    EXPECT_EQ(dll.Address("GetTickCount"), nullptr);
}

TEST(Common, ASecondLoadIsTheSameModule) {
    mixertools::MixerDll second;
    ASSERT_TRUE(second.Load());
    EXPECT_EQ(second.Module(), Dll().Module());
    EXPECT_EQ(second.Path(), Dll().Path());
    EXPECT_EQ(second.Directory(), second.Path().substr(0, second.Path().rfind('\\') + 1));
    EXPECT_EQ(MIXER_DLL_FUNCTION(second, GetPeak), AsFunction<MIXER_PFN_GetPeak>(Dll().Address("GetPeak")));
    EXPECT_EQ(second.MissingExports(), std::vector<std::string>());

    mixertools::MixerDll moved(std::move(second));
    EXPECT_FALSE(second.Loaded());
    EXPECT_EQ(moved.Module(), Dll().Module());
    mixertools::MixerDll assigned;
    assigned = std::move(moved);
    EXPECT_FALSE(moved.Loaded());
    EXPECT_EQ(assigned.Module(), Dll().Module());
    // One unload for the one load: the tests' own load keeps the library in
    // place, still answering.
    assigned.Unload();
    second.Unload();
    moved.Unload();
    ASSERT_EQ(GetModuleHandleA("MIXER.DLL"), Dll().Module());
    EXPECT_EQ(CALL(GetCDTypeDigital)(), 0);
}

namespace {

std::string ProgramDirectory() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string program(path, n);
    return program.substr(0, program.find_last_of('\\') + 1);
}

std::string CurrentDirectory() {
    char path[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(sizeof path, path);
    std::string dir(path, n);
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    return dir;
}

}  // namespace

TEST(Common, FullPathOfAName) {
    const std::string cwd = CurrentDirectory();
    const struct {
        const char* file;
        std::string want;
    } cases[] = {
        {"MIXER.DLL", ProgramDirectory() + "MIXER.DLL"},  // a bare name: beside the program
        {"other.dll", ProgramDirectory() + "other.dll"},
        {"sub\\x.dll", cwd + "sub\\x.dll"},  // a relative path: from the current directory
        {".\\x.dll", cwd + "x.dll"},
        {"C:\\dir\\x.dll", "C:\\dir\\x.dll"},
        {"C:/dir/../x.dll", "C:\\x.dll"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(mixertools::FullPath(c.file), c.want) << c.file;
    EXPECT_EQ(mixertools::FullPath("C:\\" + std::string(MAX_PATH, 'a') + ".dll"), "");
    EXPECT_EQ(mixertools::FullPath(std::string(MAX_PATH, 'a') + ".dll"), "");  // too long beside the program
    // Wine has the search flags (as Windows 7 with KB2533623 and later), so
    // Load uses LoadLibraryExA there.
    EXPECT_TRUE(mixertools::HasDllSearchFlags());
}

// A library in the current directory is never taken for a bare name, with
// the search flags or without them (LoadLibraryA of the full path, as on
// Windows XP); a path the caller gives is.
TEST(Common, ALibraryInTheCurrentDirectoryIsNotLoaded) {
    const std::string dir = TempDirectory("cwd-dll");
    const std::string planted = dir + "MIXER_CWD.DLL";
    ASSERT_TRUE(CopyFileA(Dll().Path().c_str(), planted.c_str(), FALSE));
    const std::string previous = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    for (bool flags : {true, false}) {
        SCOPED_TRACE(flags ? "LoadLibraryExA with search flags" : "LoadLibraryA of the full path");
        mixertools::MixerDll dll;
        EXPECT_FALSE(dll.Load("MIXER_CWD.DLL", flags));
        EXPECT_EQ(dll.Error(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
        EXPECT_EQ(GetModuleHandleA(planted.c_str()), nullptr);
        // The default name is the program's own library, the one loaded.
        ASSERT_TRUE(dll.Load(mixertools::MixerDll::kName, flags));
        EXPECT_EQ(dll.Module(), Dll().Module());
        EXPECT_EQ(dll.Directory(), ProgramDirectory());
        // Named with a path, the current directory's is loaded.
        ASSERT_TRUE(dll.Load(".\\MIXER_CWD.DLL", flags)) << "error " << dll.Error();
        EXPECT_NE(dll.Module(), Dll().Module());
        EXPECT_EQ(dll.Path(), planted);
        EXPECT_EQ(dll.MissingExports(), std::vector<std::string>());
        dll.Unload();
        EXPECT_EQ(GetModuleHandleA(planted.c_str()), nullptr);
    }
    EXPECT_TRUE(SetCurrentDirectoryA(previous.c_str()));
    EXPECT_TRUE(DeleteFileA(planted.c_str()));
    RemoveDirectoryA(dir.c_str());
}
