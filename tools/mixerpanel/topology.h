// What the mixers have, read once from winmm and again on request: which
// lines exist (a strip of an absent line is disabled), the volume bounds a
// fader spans, the peak meter's bounds, and the recording sources' names.
//
// The lines are looked for where the library looks for them: on mixer
// device 0, and for the recording strips, where device 0 has no wave-in
// destination, on the recording endpoints' mixers (Windows Vista and later,
// Wine), in the order engine/recording_endpoints.h gives. There a fader
// spans the control the library uses: the line's own volume, or, when that
// keeps nothing, its wave-in destination's.
//
// Every request names a device by its identifier (MIXER_OBJECTF_MIXER), so
// the panel itself opens no mixer handle. Values are never shown from here:
// they come from the library. A control is read only to tell whether it
// keeps a value at all (ControlKeeping), never written.
#pragma once

#include "model.h"

#include <string>
#include <vector>

namespace mixerpanel {

// Of each control the library may use on a line (its own, or on a recording
// endpoint's mixer the destination's standing in for one that keeps
// nothing): whether there is one, and whether it keeps a value. A control
// whose reads leave the buffer as it was keeps none; one that cannot be read
// counts as keeping, as the library then reads it.
struct LineFacts {
    bool present = false;
    std::string name;
    unsigned mixer = 0;  // the mixer device the line is on
    bool hasVolume = false;
    bool volumeKeeps = true;
    int64_t volumeMin = 0, volumeMax = 65535;
    uint32_t volumeControl = 0;  // the control whose bounds those are (with hasVolume)
    int volumeChannels = 0;      // of the line whose volume that is
    bool volumeUniform = false;  // one level for all of them
    bool hasMute = false, muteKeeps = true;
    bool hasSwitch = false, switchKeeps = true;  // an on/off control: the microphone boost
    bool hasPeak = false;  // the first line of the type has a peak meter (what GetPeak reads)
    int64_t peakMax = 32768;
};

struct SourceName {
    uint32_t componentType;
    std::string name;
};

struct Topology {
    bool device = false;  // mixer device 0 exists
    std::string product;
    LineFacts lines[kPageCount][kStripsPerPage];
    // Device 0's recording (wave-in) destination and its sources, in order:
    // what the recording selector, its list and the input meter work on.
    // Absent on a mixer per endpoint, whose recording lines are elsewhere.
    LineFacts waveIn;
    std::vector<SourceName> waveInSources;
    bool selector = false;  // waveIn has a multiplexer or mixer control: sources can be selected
    // Every source line the library may find by name for a page's strips,
    // in the order it searches them.
    std::vector<LineFacts> sources[kPageCount];
};

Topology ReadTopology();

// Whether some recording strip's line is on a recording endpoint's mixer.
bool RecordingOnEndpoints(const Topology& topology);

// The one-channel value of a line's volume control (facts.volumeControl on
// facts.mixer), read by device identifier; false when winmm refuses.
bool ReadVolume(const LineFacts& facts, long* value);

}  // namespace mixerpanel
