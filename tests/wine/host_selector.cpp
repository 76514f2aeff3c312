// Recording selector against Wine's winmm: device 0 has a speakers
// destination only, so there is no recording selector to find.
#include "host.h"

TEST(Selector, WineHasNoWaveInDestination) { EXPECT_FALSE(DirectDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN).found); }

// ScanRecControls and IsMuxSingleSelect answer 0 here too: the recording
// tests' SelectionAndMeters checks them, in both Wines.
TEST(Selector, AbsentOnWine) {
    const auto selectLine = CALL(SelectLine);
    const auto channels = CALL(GetMixerRecordChannels);
    ASSERT_TRUE(selectLine && channels);

    EXPECT_EQ(selectLine(2, nullptr, 1), 0);
    EXPECT_EQ(selectLine(9, "Master Volume", 0), 0);
    EXPECT_EQ(selectLine(0, nullptr, 1), 0);

    char buffer[300];
    for (char& c : buffer) c = 'x';
    EXPECT_EQ(channels(buffer, sizeof buffer - 1), -1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');
    EXPECT_EQ(channels(nullptr, 100), -1);
}
