#include "fixture.h"

#include "test_cards.h"

TypicalCard BuildTypicalCard(const std::string& product) {
    sim::Device& device = LoadTestCard("typical");
    device.productName = product;
    return {&device, device.FindDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS),
            device.FindDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN)};
}

// A loaded library decides once a process whether its levels are the
// endpoint volume's. These suites change the platform under it: every reset
// of the platform leaves the levels to the mixer, without a probe, and the
// tests of the endpoint volume (endpoint_volume_test.cpp, the fault
// injection's Core Audio table) let the library probe again.
#include "engine/endpoint_volume.h"
static sim::detail::ResetHook g_keepMixerLevels(KeepMixerLevels);
