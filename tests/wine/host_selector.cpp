// Recording selector against Wine's winmm: device 0 has a speakers
// destination only, so there is no recording selector to find.
#include "host.h"

HOST_TEST(wine_has_no_wavein_destination) {
    CHECK(!DirectDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN).found);
}

HOST_TEST(selector_absent_on_wine) {
    const auto scan = CALL(ScanRecControls);
    const auto isMux = CALL(IsMuxSingleSelect);
    const auto selectLine = CALL(SelectLine);
    const auto channels = CALL(GetMixerRecordChannels);
    if (!scan || !isMux || !selectLine || !channels) return;

    CHECK_EQ(scan(), 0);
    CHECK_EQ(isMux(), 0);
    CHECK_EQ(selectLine(2, nullptr, 1), 0);
    CHECK_EQ(selectLine(9, "Master Volume", 0), 0);
    CHECK_EQ(selectLine(0, nullptr, 1), 0);

    char buffer[300];
    for (char& c : buffer) c = 'x';
    CHECK_EQ(channels(buffer, sizeof buffer - 1), -1);
    CHECK_EQ(buffer[0], '\0');
    CHECK_EQ(buffer[1], 'x');
    CHECK_EQ(channels(nullptr, 100), -1);
}
