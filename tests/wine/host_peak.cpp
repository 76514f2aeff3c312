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

HOST_TEST(get_peak_without_peak_meter_is_zero) {
    const auto getPeak = CALL(GetPeak);
    if (!getPeak) return;
    // The speakers destination exists but carries no peak meter.
    CHECK(DirectDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS).found);
    MIXERCONTROLA meter;
    CHECK(!DirectControl(DirectDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS).line.dwLineID,
                         MIXERCONTROL_CONTROLTYPE_PEAKMETER, &meter));
    for (int i = 0; i < 20; ++i) CHECK_EQ(getPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), 0);
    CHECK(Device0Opens());
}

HOST_TEST(get_peak_for_a_missing_type_is_zero) {
    const auto getPeak = CALL(GetPeak);
    if (!getPeak) return;
    const DWORD absent[] = {MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, MIXERLINE_COMPONENTTYPE_DST_TELEPHONE,
                            MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER, 0x7777};
    for (DWORD type : absent) {
        HostContext context("component type " + ComponentTypeText(type));
        CHECK(!DirectDestination(type).found);
        CHECK_EQ(getPeak(type), 0);
    }
    CHECK(Device0Opens());
}
