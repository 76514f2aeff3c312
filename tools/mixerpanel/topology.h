// What mixer device 0 has, read once from winmm and again on request: which
// lines exist (a strip of an absent line is disabled), the volume bounds a
// fader spans, the peak meter's bounds, and the recording sources' names.
// Every request names the device by its identifier (MIXER_OBJECTF_MIXER), so
// the panel itself opens no mixer handle. Values are never read here: they
// come from the library.
#pragma once

#include "model.h"

#include <string>
#include <vector>

namespace mixerpanel {

struct LineFacts {
    bool present = false;
    std::string name;
    bool hasVolume = false;
    int64_t volumeMin = 0, volumeMax = 65535;
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
    LineFacts waveIn;                       // the recording (wave-in) destination
    std::vector<SourceName> waveInSources;  // its sources, in order
};

Topology ReadTopology();

}  // namespace mixerpanel
