// Peak meter against Wine's winmm: device 0 has no peak meter anywhere, so
// every reading is 0, and no handle is left open.
#include "host.h"

namespace {

// Wine's mixerClose never invalidates a handle, so leaks are counted on the
// simulated platform only; here device 0 must still open and close after
// the calls.
bool Device0Opens() {
    HMIXER h = nullptr;
    if (mixerOpen(&h, 0, 0, 0, 0) != MMSYSERR_NOERROR) return false;
    return mixerClose(h) == MMSYSERR_NOERROR;
}

}  // namespace

TEST(Peak, WithoutPeakMeterIsZero) {
    const auto getPeak = CALL(GetPeak);
    ASSERT_TRUE(getPeak);
    // The speakers destination exists but carries no peak meter.
    EXPECT_EQ(mixertools::FindPeakMeter(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS).found,
              mixertools::PeakMeterFound::NoMeter);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(getPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), 0);
    EXPECT_TRUE(Device0Opens());
}

TEST(Peak, ForAMissingTypeIsZero) {
    const auto getPeak = CALL(GetPeak);
    ASSERT_TRUE(getPeak);
    const DWORD absent[] = {MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, MIXERLINE_COMPONENTTYPE_DST_TELEPHONE,
                            MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER, 0x7777};
    for (DWORD type : absent) {
        SCOPED_TRACE("component type " + ComponentTypeText(type));
        EXPECT_EQ(mixertools::FindPeakMeter(type).found, mixertools::PeakMeterFound::NoLine);
        EXPECT_EQ(getPeak(type), 0);
    }
    EXPECT_TRUE(Device0Opens());
}
