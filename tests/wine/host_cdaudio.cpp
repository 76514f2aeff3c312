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

HOST_TEST(cd_open_answers_what_the_platform_answers) {
    const auto openCD = CALL(OpenCD);
    const auto stopCD = CALL(StopCD);
    const auto closeCD = CALL(CloseCD);
    const auto playCD = CALL(PlayCD);
    if (!openCD || !stopCD || !closeCD || !playCD) return;
    // Before any open nothing is sent.
    CHECK_EQ(playCD(1), 3075);
    CHECK_EQ(stopCD(), 3075);
    CHECK_EQ(closeCD(), 3075);

    const MCIERROR direct = DirectOpenResult();
    std::printf("  direct cdaudio open: %s\n", ResultText(direct).c_str());
    const LONG opened = openCD();
    CHECK_RESULT(opened, direct);
    if (direct != 0) {
        // No drive: the player stays closed.
        CHECK_EQ(playCD(1), 3075);
        CHECK_EQ(stopCD(), 3075);
        CHECK_EQ(closeCD(), 3075);
    } else {
        // A drive after all: the device is recorded until the close.
        CHECK_EQ(stopCD(), 0);
        CHECK_EQ(closeCD(), 0);
        CHECK_EQ(closeCD(), 3075);
    }
}
