#include "fixture.h"

#include "test_cards.h"

TypicalCard BuildTypicalCard(const std::string& product) {
    sim::Device& device = LoadTestCard("typical");
    device.productName = product;
    return {&device, device.FindDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS),
            device.FindDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN)};
}
