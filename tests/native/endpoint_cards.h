// Per-endpoint mixers as Windows Vista and later show them (Microsoft,
// "Audio Mixers in Windows Vista"): every audio endpoint is a mixer device of
// its own. A playback endpoint has one speakers destination (volume, mute)
// over a wave-out and a CD source; a recording endpoint has one wave-in
// destination (volume, mute) over one source typed by its input. Every
// control of an endpoint acts on the destination's one volume or mute.
#pragma once

#include "wine_card.h"

// Playback endpoint "Speakers" (device 0, wave-out 0); recording endpoints
// "Line In" (device 1, wave-in 0) and "Microphone" (device 2, wave-in 1),
// the microphone the preferred recording device. With `shared` false the
// sources keep levels of their own, as a driver's own mixer does.
struct WindowsCard {
    sim::Control* playVolume;  // the destinations' controls
    sim::Control* playMute;
    sim::Control* lineVolume;
    sim::Control* lineMute;
    sim::Control* micVolume;
    sim::Control* micMute;
    sim::Control* micSourceVolume;  // the microphone source's own
    sim::Control* micSourceMute;
};

inline void AddEndpointControls(sim::Line& line, sim::Control** volume, sim::Control** mute, LONG level) {
    sim::Control& v = line.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, level, 0, 0, "Volume");
    v.steps = 65535;
    sim::Control& m = line.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Mute");
    if (volume) *volume = &v;
    if (mute) *mute = &m;
}

// A source of `destination` whose volume and mute act on the destination's
// (or keep their own, when not `shared`).
inline sim::Line& AddEndpointSource(sim::Destination& destination, DWORD type, const std::string& name,
                                    bool shared, sim::Control** volume = nullptr, sim::Control** mute = nullptr) {
    sim::Line& source = destination.AddSource(type, name, 2);
    sim::Control* v = nullptr;
    sim::Control* m = nullptr;
    AddEndpointControls(source, &v, &m, 0);
    if (shared) {
        v->actsOn = destination.Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->id;
        m->actsOn = destination.Find(MIXERCONTROL_CONTROLTYPE_MUTE)->id;
    }
    if (volume) *volume = v;
    if (mute) *mute = m;
    return source;
}

inline sim::Destination& AddEndpoint(const std::string& product, sim::Device::Endpoint direction, DWORD type,
                                     const std::string& name, LONG level, sim::Control** volume,
                                     sim::Control** mute) {
    sim::Device& device = sim::AddDevice(product);
    device.endpoint = direction;
    sim::Destination& d = device.AddDestination(type, name, 2);
    AddEndpointControls(d, volume, mute, level);
    return d;
}

inline WindowsCard BuildWindowsCard(bool shared = true) {
    WindowsCard card = {};
    sim::Destination& speakers =
        AddEndpoint("Speakers (AX200 Audio)", sim::Device::Endpoint::Playback,
                    MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Speakers", 50000, &card.playVolume, &card.playMute);
    AddEndpointSource(speakers, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave", shared);
    AddEndpointSource(speakers, MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD Audio", shared);
    sim::Destination& line =
        AddEndpoint("Line In (AX200 Audio)", sim::Device::Endpoint::Recording, MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                    "Line In", 40000, &card.lineVolume, &card.lineMute);
    AddEndpointSource(line, MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line In", shared);
    sim::Destination& mic =
        AddEndpoint("Microphone (AX200 Audio)", sim::Device::Endpoint::Recording,
                    MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Microphone", 20000, &card.micVolume, &card.micMute);
    AddEndpointSource(mic, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone", shared, &card.micSourceVolume,
                      &card.micSourceMute);
    sim::SetPreferredWaveIn(1);
    return card;
}
