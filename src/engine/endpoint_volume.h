// The library's levels on systems that show every audio endpoint as a mixer
// of its own (Windows Vista and later): the main line's volume, mute and
// balance are the playback endpoint's endpoint volume, a recording line's
// volume, mute and balance that of the recording endpoint whose mixer the
// recording search found it on, and the peak meters are the endpoints'
// meters (engine/endpoint_probe.h). Where mixer device 0 is a card's own
// mixer (Windows XP, or a host in XP compatibility mode), or Core Audio
// cannot serve (not there, or Wine's, which cannot be trusted), the mixer
// serves as it does there; that is decided once a process.
//
// Levels follow the library's level and balance rules (engine/level_rule.h)
// over the endpoint's first and last channel. A level of the volume
// control's range, 0 to 65535, is the scalar level / 65535 and back the
// scalar x 65535 rounded to the nearest level (halves away from zero), so
// that a level set reads back as set. A peak of 0.0 to 1.0 is 0 to 32767,
// rounded alike.
//
// Each call initialises COM on the calling thread for itself (ComScope) and
// releases every reference it took; nothing is kept between calls but the
// probe's verdict.
#pragma once

#include "engine/line_search.h"

// Whether the endpoint volume serves the library's levels in this process:
// the first call probes (ProbeEndpointVolume) and, unless a request failed
// on the way, remembers the verdict.
bool EndpointLevelsServe();
// For tests that change the platform under a loaded library: the next call
// probes again; or the verdict is that the mixer serves, without a probe.
void ForgetEndpointVerdict();
void KeepMixerLevels();

// The main line's operations: the speakers destination by its type.
inline bool IsMainLine(DWORD componentType, LONG op, LONG byName) {
    return (op == OpMainVolume || op == OpMainMute || op == OpMainBalance) &&
           componentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS && byName == 0;
}

// SetMixer's and GetMixer's main-line operations (OpMainVolume, OpMainMute,
// OpMainBalance on the speakers destination by its type), once the probe
// found the endpoint volume serving: true when it answered them, with the
// export's result in *result (a setter's 0 when the endpoint cannot be
// reached, as when no line is found; a getter's -1 on any failure).
bool EndpointSetMain(DWORD componentType, LONG op, LONG value, LONG byName, LONG* result);
bool EndpointGetMain(DWORD componentType, LONG op, LONG byName, LONG* result);

// The same operations on the line a search found (where the process's first
// call probes), and the recording operations (OpRecVolume, OpRecMute,
// OpRecBalance) of a line found on a recording endpoint's mixer: true when
// the endpoint volume answered them (a read's result, -1 on failure, in
// *result).
bool EndpointWriteFound(const FoundLine& line, DWORD componentType, LONG op, LONG value, LONG byName);
bool EndpointReadFound(const FoundLine& line, DWORD componentType, LONG op, LONG byName, LONG* result);

// GetPeak of the speakers destination or a source of device 0 (the
// playback endpoint's meter), of the wave-in destination or any other line
// (the recording endpoint's, the preferred wave-in device's): true when the
// endpoint's meter answered, with the reading, 0 on failure.
bool EndpointPeak(DWORD componentType, LONG* result);
