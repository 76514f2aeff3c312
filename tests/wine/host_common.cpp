// tools/common's MixerDll under Windows, as the tools and these tests load
// MIXER.DLL: a library that is not there, one without the exports, and a
// second load of the one the tests use, moved and unloaded.
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
    ASSERT_TRUE(dll.Load("kernel32.dll"));
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
