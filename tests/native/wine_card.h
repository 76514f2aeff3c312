// The mixer Wine 8's winmm shows under tests/wine/wine-run.sh, as measured
// there (tests/cards/wine.json has every value): playback device "Out:
// default" with a speakers destination "Master Volume" whose volume (id 0,
// uniform, 0..65535) and mute (id 1) answer only the first of two channels,
// over one wave-out source "Master Volume" (line id 0) whose controls (ids
// 2, 3) fill nothing and change nothing; then recording device "In:
// default", the same over a microphone source. Wine's handle numbering is
// on, and the master volume keeps a level as Wine's float does.
#pragma once

#include "sim.h"
#include "test_cards.h"

#include <cstring>
#include <string>

// A one-channel read or write of a control, the mixer named by `object` (a
// device identifier or a handle) with `flags` (MIXER_OBJECTF_MIXER or
// MIXER_OBJECTF_HMIXER).
inline MMRESULT ValueRequest(UINT_PTR object, DWORD flags, DWORD controlId, LONG* value, bool write) {
    MIXERCONTROLDETAILS d;
    std::memset(&d, 0, sizeof d);
    d.cbStruct = sizeof d;
    d.dwControlID = controlId;
    d.cChannels = 1;
    d.cbDetails = sizeof *value;
    d.paDetails = value;
    HMIXEROBJ obj = reinterpret_cast<HMIXEROBJ>(object);
    return write ? mixerSetControlDetails(obj, &d, flags) : mixerGetControlDetailsA(obj, &d, flags);
}

inline MMRESULT WriteValue(UINT_PTR object, DWORD controlId, LONG value, DWORD flags = MIXER_OBJECTF_MIXER) {
    return ValueRequest(object, flags, controlId, &value, true);
}

// The value of a control of device `device`, read by identifier; -12345
// when the read is refused.
inline LONG ReadValue(UINT device, DWORD controlId) {
    LONG value = -12345;
    return ValueRequest(device, MIXER_OBJECTF_MIXER, controlId, &value, false) == MMSYSERR_NOERROR ? value : -12345;
}

struct WineCard {
    sim::Control* volume;  // device 0's master volume and mute
    sim::Control* mute;
    sim::Control* secondVolume;  // the second playback device's, when asked for
    sim::Control* secondMute;
    sim::Control* recVolume;  // "In: default"'s, the recording endpoint's
    sim::Control* recMute;
};

// Wine's playback device "Out: default" of wine.json, under another name.
inline nlohmann::json WineOutput(const std::string& name) {
    nlohmann::json device = TestCard("wine")["devices"][0];
    device["name"] = name;
    return device;
}

// With `secondOutput`, a second playback device "Out: null2" between the two,
// as Wine lists it when ALSA offers it a second output.
inline WineCard BuildWineCard(bool secondOutput = false) {
    nlohmann::json card = TestCard("wine");
    if (secondOutput) card["devices"].insert(card["devices"].begin() + 1, WineOutput("Out: null2"));
    const size_t first = sim::Devices().size();
    sim::LoadCard(card, "wine.json");
    auto control = [first](size_t device, DWORD id) { return sim::Devices().at(first + device).FindControl(id); };
    const size_t recording = secondOutput ? 2 : 1;
    return {control(0, 0), control(0, 1), secondOutput ? control(1, 0) : nullptr,
            secondOutput ? control(1, 1) : nullptr, control(recording, 0), control(recording, 1)};
}
