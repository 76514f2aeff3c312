// CD audio player against Wine's MCI. Wine here has no CD drive, so opening
// "cdaudio" fails (266, cannot load driver, in this setup); the library must
// answer with exactly what the platform said and stay closed. Without a
// display Wine's MessageBoxA returns at once.
#include "host.h"

#include <cstring>

namespace {

// What a direct open of "cdaudio" answers; a device it opens is closed again.
MCIERROR DirectOpenResult() {
    MCI_OPEN_PARMSA open;
    std::memset(&open, 0, sizeof open);
    open.lpstrDeviceType = "cdaudio";
    MCIERROR r = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open));
    if (r == 0) mciSendCommandA(open.wDeviceID, MCI_CLOSE, MCI_WAIT, 0);
    return r;
}

}  // namespace

TEST(CdAudio, OpenAnswersWhatThePlatformAnswers) {
    const auto openCD = CALL(OpenCD);
    const auto stopCD = CALL(StopCD);
    const auto closeCD = CALL(CloseCD);
    const auto playCD = CALL(PlayCD);
    ASSERT_TRUE(openCD && stopCD && closeCD && playCD);
    // A closed player sends nothing: every command answers 3075.
    auto expectClosed = [&](const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(playCD(1), 3075);
        EXPECT_EQ(stopCD(), 3075);
        EXPECT_EQ(closeCD(), 3075);
    };
    expectClosed("before any open");

    const MCIERROR direct = DirectOpenResult();
    std::printf("  direct cdaudio open: %s\n", ResultText(direct).c_str());
    const LONG opened = openCD();
    EXPECT_RESULT(opened, direct);
    if (direct != 0) {
        expectClosed("after an open without a drive");
    } else {
        // A drive after all: the device is recorded until the close.
        EXPECT_EQ(stopCD(), 0);
        EXPECT_EQ(closeCD(), 0);
        EXPECT_EQ(closeCD(), 3075);
    }
}
