// The mixer Wine 8's winmm shows under tests/wine/wine-run.sh, as measured
// there (tools/mixerctl/cards/wine.json has every value): playback
// device "Out: default" with a speakers destination "Master Volume" whose
// volume (id 0, uniform, 0..65535) and mute (id 1) answer only the first of
// two channels, over one wave-out source "Master Volume" (line id 0) whose
// controls (ids 2, 3) fill nothing and change nothing; then recording device
// "In: default", the same over a microphone source. Wine's handle numbering
// is on, and the master volume keeps a level as Wine's float does.
#pragma once

#include "sim.h"

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

inline void AddWineDevice(const std::string& name, bool capture, sim::Control** volume, sim::Control** mute) {
    sim::Device& device = sim::AddDevice(name);
    device.mid = 255;
    device.pid = 255;
    device.endpoint = capture ? sim::Device::Endpoint::Recording : sim::Device::Endpoint::Playback;
    sim::Destination& d = device.AddDestination(
        capture ? MIXERLINE_COMPONENTTYPE_DST_WAVEIN : MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Master Volume", 2);
    d.shortName = "Volume";
    sim::Control& v = d.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 65535, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Volume");
    v.id = 0;
    v.steps = 192;
    v.firstChannelOnly = true;
    v.refuseOutOfRange = true;
    v.floatLevel = true;
    sim::Control& m = d.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Mute");
    m.id = 1;
    m.firstChannelOnly = true;
    sim::Line& s = d.AddSource(capture ? MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE : MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT,
                               "Master Volume", 1);
    s.id = 0;
    s.shortName = "Volume";
    DWORD id = 2;
    for (DWORD type : {MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERCONTROL_CONTROLTYPE_MUTE}) {
        sim::Control& c = s.AddControl(type, type == MIXERCONTROL_CONTROLTYPE_VOLUME ? 65535 : 0,
                                       MIXERCONTROL_CONTROLF_UNIFORM, 0,
                                       type == MIXERCONTROL_CONTROLTYPE_VOLUME ? "Volume" : "Mute");
        c.id = id++;
        c.leaveUnfilled = true;
        c.ignoreWrites = true;
    }
    *volume = &v;
    *mute = &m;
}

// With `secondOutput`, a second playback device "Out: null2" between the two,
// as Wine lists it when ALSA offers it a second output.
inline WineCard BuildWineCard(bool secondOutput = false) {
    WineCard card = {};
    AddWineDevice("Out: default", false, &card.volume, &card.mute);
    if (secondOutput) AddWineDevice("Out: null2", false, &card.secondVolume, &card.secondMute);
    AddWineDevice("In: default", true, &card.recVolume, &card.recMute);
    sim::SetWineMixerHandles(true);
    sim::SetWineDeviceIds(true);
    return card;
}
