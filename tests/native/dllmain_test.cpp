// Library entry point: the module handle and the library's own directory.
#include "fixture.h"

#include <cstring>
#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

namespace {

class DllMainTest : public SimTest {};

HINSTANCE Module(uintptr_t v) { return reinterpret_cast<HINSTANCE>(v); }

TEST_F(DllMainTest, ProcessAttachRecordsTheDirectory) {
    const std::string deep = "C:\\" + std::string(241, 'd') + "\\MIXER.DLL";  // 254 characters
    const std::string full = "C:\\" + std::string(242, 'd') + "\\MIXER.DLL";  // 255: fills the buffer
    struct Case {
        std::string path;
        std::string want;
    } cases[] = {
        {"D:\\Cards\\Mix\\MIXER.DLL", "D:\\Cards\\Mix\\"},
        {"C:\\MIXER.DLL", "C:\\"},
        {"\\MIXER.DLL", "\\"},
        {"D:\\Cards\\Mix\\", "D:\\Cards\\Mix\\"},
        {"MIXER.DLL", ""},
        {"C:/Cards/MIXER.DLL", ""},
        {deep, deep.substr(0, deep.size() - 9)},
        {full, ""},
        {full + "\\MORE.DLL", ""},
    };
    ASSERT_EQ(deep.size(), 254u);
    ASSERT_EQ(full.size(), 255u);
    for (const Case& c : cases) {
        sim::Reset();
        ResetLibraryState();
        sim::SetModulePath(c.path);
        EXPECT_EQ(DllMain(Module(0x400000), DLL_PROCESS_ATTACH, nullptr), TRUE) << c.path;
        EXPECT_EQ(g_state.SoundCardConfigFilePath, c.want) << c.path;
        EXPECT_EQ(g_state.ModuleHandle, Module(0x400000));
        const std::vector<sim::Call> calls = sim::CallsOf("GetModuleFileNameA");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].object, 0x400000u);
        EXPECT_EQ(calls[0].count, 255u) << "a 256-byte buffer, 255 characters";
    }
}

TEST_F(DllMainTest, PathWithoutBackslashKeepsTheDirectory) {
    CopyField(g_state.SoundCardConfigFilePath, "E:\\Cards\\");
    sim::SetModulePath("MIXER.DLL");
    EXPECT_EQ(DllMain(Module(0x400000), DLL_PROCESS_ATTACH, nullptr), TRUE);
    EXPECT_STREQ(g_state.SoundCardConfigFilePath, "E:\\Cards\\");
}

TEST_F(DllMainTest, NoModulePathFailsTheLoad) {
    sim::FailFunction("GetModuleFileNameA", ERROR_INVALID_HANDLE);
    EXPECT_EQ(DllMain(Module(0x400000), DLL_PROCESS_ATTACH, nullptr), FALSE);
    EXPECT_STREQ(g_state.SoundCardConfigFilePath, "");
}

TEST_F(DllMainTest, SecondAttachKeepsTheFirstHandle) {
    sim::SetModulePath("D:\\One\\MIXER.DLL");
    EXPECT_EQ(DllMain(Module(0x400000), DLL_PROCESS_ATTACH, nullptr), TRUE);
    sim::SetModulePath("D:\\Two\\MIXER.DLL");
    EXPECT_EQ(DllMain(Module(0x500000), DLL_PROCESS_ATTACH, nullptr), TRUE);
    EXPECT_EQ(g_state.ModuleHandle, Module(0x400000));
    const std::vector<sim::Call> calls = sim::CallsOf("GetModuleFileNameA");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].object, 0x400000u) << "the path asked for is the first module's";
    EXPECT_STREQ(g_state.SoundCardConfigFilePath, "D:\\Two\\");
}

TEST_F(DllMainTest, OtherReasonsChangeNothing) {
    for (DWORD reason : {DWORD(DLL_PROCESS_DETACH), DWORD(DLL_THREAD_ATTACH), DWORD(DLL_THREAD_DETACH)}) {
        for (int loaded = 0; loaded < 2; ++loaded) {
            sim::Reset();
            ResetLibraryState();
            if (loaded) {
                sim::SetModulePath("D:\\Cards\\MIXER.DLL");
                ASSERT_EQ(DllMain(Module(0x400000), DLL_PROCESS_ATTACH, nullptr), TRUE);
            }
            sim::SetModulePath("F:\\Elsewhere\\MIXER.DLL");
            sim::ClearLog();
            LibraryState before;
            std::memcpy(&before, &g_state, sizeof before);
            EXPECT_EQ(DllMain(Module(0x500000), reason, nullptr), TRUE) << reason;
            EXPECT_EQ(std::memcmp(&before, &g_state, sizeof before), 0) << reason;
            EXPECT_TRUE(sim::Log().empty()) << reason;
        }
    }
}

}  // namespace
