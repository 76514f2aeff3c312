// Per-endpoint mixers as Windows Vista and later show them (Microsoft,
// "Audio Mixers in Windows Vista"): every audio endpoint is a mixer device of
// its own. tests/cards/windows.json: a playback endpoint with one speakers
// destination (volume, mute) over a wave-out and a CD source; recording
// endpoints each a wave-in destination (volume, mute) over one source typed
// by its input. Every control of an endpoint acts on the destination's one
// volume or mute.
#pragma once

#include "wine_card.h"

// Playback endpoint "Speakers" (device 0, wave-out 0); recording endpoints
// "Microphone" (device 1, wave-in 0, one channel) and "Line In" (device 2,
// wave-in 1, two channels), the line input the preferred recording device.
// With `shared` false the sources keep levels of their own, as a driver's
// own mixer does.
struct WindowsCard {
    sim::Control* playVolume;  // the destinations' controls
    sim::Control* playMute;
    sim::Control* micVolume;
    sim::Control* micMute;
    sim::Control* lineVolume;
    sim::Control* lineMute;
    sim::Control* micSourceVolume;  // the sources' own
    sim::Control* micSourceMute;
    sim::Control* lineSourceVolume;
    sim::Control* lineSourceMute;
};

inline WindowsCard BuildWindowsCard(bool shared = true) {
    nlohmann::json card = TestCard("windows");
    if (!shared)
        for (auto& device : card["devices"])
            for (auto& source : device["destinations"][0]["sources"])
                for (auto& control : source["controls"]) control.erase("actsOn");
    const size_t first = sim::Devices().size();
    sim::LoadCard(card, "windows.json");
    // Every endpoint's controls: the destination's volume 1 and mute 2, its
    // first source's volume 3 and mute 4.
    auto control = [first](size_t device, DWORD id) { return sim::Devices().at(first + device).FindControl(id); };
    return {control(0, 1), control(0, 2), control(1, 1), control(1, 2), control(2, 1),
            control(2, 2), control(1, 3), control(1, 4), control(2, 3), control(2, 4)};
}
