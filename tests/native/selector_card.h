// Cards for the selector suites: a wave-in line whose recording selector is
// built to order, and what the library last wrote to it.
#pragma once

#include "fixture.h"

struct SelectorCard {
    sim::Device* device;
    sim::Destination* wavein;
    sim::Control* selector;
};

// Speakers and wave-in destinations; the wave-in line has `channels`
// channels, the sources line-in "Line In", microphone "Microphone", CD
// "CD Audio" and auxiliary "Aux" (no analog, no digital source), a volume
// control and then the selector, of type `type`, with the given item texts.
inline SelectorCard BuildSelectorCard(DWORD type, const std::vector<std::string>& texts,
                                      const std::vector<DWORD>& selected = {},
                                      DWORD flags = MIXERCONTROL_CONTROLF_UNIFORM, DWORD channels = 2) {
    SelectorCard c;
    c.device = &sim::AddDevice("AX200 Mixer");
    sim::Destination& speakers = c.device->AddDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Master Volume");
    speakers.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 1000);
    speakers.AddSource(MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line In");
    c.wavein = &c.device->AddDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Recording Control", channels);
    c.wavein->AddSource(MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line In");
    c.wavein->AddSource(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone", 1);
    c.wavein->AddSource(MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD Audio");
    c.wavein->AddSource(MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, "Aux");
    c.wavein->AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 5000);
    c.selector = &c.wavein->AddList(type, texts, selected, flags);
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
