// Cards for the selector suites: a wave-in line whose recording selector is
// built to order, and what the library last wrote to it.
#pragma once

#include "fixture.h"
#include "test_cards.h"

struct SelectorCard {
    sim::Device* device;
    sim::Destination* wavein;
    sim::Control* selector;
};

// tests/cards/selector.json: speakers and wave-in destinations; the wave-in
// line has `channels` channels, the sources line-in "Line In", microphone
// "Microphone", CD "CD Audio" and auxiliary "Aux" (no analog, no digital
// source), a volume control and then the selector, of type `type` with the
// multiple flag and `flags`, with the given item texts.
inline SelectorCard BuildSelectorCard(DWORD type, const std::vector<std::string>& texts,
                                      const std::vector<DWORD>& selected = {},
                                      DWORD flags = MIXERCONTROL_CONTROLF_UNIFORM, DWORD channels = 2) {
    nlohmann::json card = TestCard("selector");
    nlohmann::json& wavein = card["devices"][0]["destinations"][1];
    wavein["channels"] = channels;
    wavein["controls"].push_back(
        {{"type", type}, {"flags", MIXERCONTROL_CONTROLF_MULTIPLE | flags}, {"items", texts}, {"selected", selected}});
    sim::LoadCard(card, "selector.json");
    SelectorCard c;
    c.device = &sim::Devices().back();
    c.wavein = &c.device->destinations[1];
    c.selector = &c.wavein->controls.back();
    return c;
}

inline const std::vector<std::string>& FourItems() {
    static const std::vector<std::string> items = {"Line In", "Microphone", "CD Audio", "Aux"};
    return items;
}

// The values of the last selection write, or nothing when none was made.
inline std::vector<LONG> LastWrite() {
    std::vector<sim::Call> writes = sim::CallsOf("mixerSetControlDetails");
    return writes.empty() ? std::vector<LONG>() : writes.back().values;
}

// 1-based index of the nth mixerOpen in the call log.
inline size_t NthOpen(int nth) {
    const std::vector<sim::Call>& log = sim::Log();
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].fn == "mixerOpen" && --nth == 0) return i + 1;
    return 0;
}
