// Mixer topology read straight from winmm (the simulated winmm natively):
// devices, destinations, sources and controls with their current values.
// The library itself is not involved; `list` and `sources` use this.
#pragma once

#include "common.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace mixerctl {

struct ControlInfo {
    MIXERCONTROLA control{};
    DWORD channels = 1;  // channels read: 1 for a uniform control, else the line's
    DWORD items = 1;     // items per channel: cMultipleItems for a multiple control, else 1
    MMRESULT readResult = MMSYSERR_NOERROR;
    // values[channel * items + item]; `filled` false where the driver answered
    // the read without writing that value.
    std::vector<LONG> values;
    std::vector<bool> filled;
    MMRESULT textResult = MMSYSERR_NOERROR;
    std::vector<std::string> texts;  // item texts of a list control (channel 0)
};

struct LineInfo {
    MIXERLINEA line{};
    MMRESULT controlsResult = MMSYSERR_NOERROR;
    std::vector<ControlInfo> controls;
    std::vector<LineInfo> sources;  // of a destination
    MMRESULT sourcesResult = MMSYSERR_NOERROR;
};

struct DeviceInfo {
    UINT index = 0;
    MIXERCAPSA caps{};
    std::vector<LineInfo> destinations;
};

UINT DeviceCount();
// Reads everything of device `index` (by its identifier, without opening a
// handle); throws ToolError when its capabilities or a destination cannot be
// read.
DeviceInfo ReadDevice(UINT index);

void PrintTree(const DeviceInfo& device, std::ostream& out);
nlohmann::json ToJson(const DeviceInfo& device);

// The recording selector: the first list-class control of the first wave-in
// destination; null when there is none.
const LineInfo* FindWaveIn(const DeviceInfo& device);
const ControlInfo* FindRecordingSelector(const LineInfo& waveIn);
bool IsSingleSelectType(DWORD controlType);

// The mixers the library uses. Playback is always on mixer device 0.
// Recording is on device 0 when it has a wave-in destination; otherwise on
// the recording endpoints' mixers (Windows Vista and later, Wine: every
// audio endpoint is a mixer of its own), searched in the order of
// engine/recording_endpoints.h: the preferred wave-in device's mixer, then
// the other wave-in devices' in device order.
struct RecordingEndpoint {
    UINT waveIn = 0;
    bool preferred = false;  // searched first: the device the wave mapper prefers (0 when it names none)
    MMRESULT result = MMSYSERR_NOERROR;  // mixerGetID's answer for the device
    UINT mixer = 0;                      // its mixer device, when result is MMSYSERR_NOERROR
    // The library passes over a device without a mixer of its own (no
    // mixer, or device 0's), and its search ends at one it cannot map.
    bool Searched() const { return result == MMSYSERR_NOERROR && mixer != 0; }
    bool EndsSearch() const { return result != MMSYSERR_NOERROR && result != MMSYSERR_NODRIVER; }
};
struct RecordingMixers {
    bool onDevice0 = false;  // device 0 has a wave-in destination
    // Otherwise every wave-in device in the library's order, up to the one
    // that ends the search.
    std::vector<RecordingEndpoint> endpoints;
};
// Throws ToolError when there is no mixer device or device 0's destinations
// cannot be read.
RecordingMixers FindRecordingMixers();
// The mixers the library uses, as `list` shows them: "library: ..." lines,
// and {"playback": {"device", "name"}, "recording": [{"device", "name",
// "waveIn", "preferred"}...], "recordingError": {"waveIn", "error"}} (the
// wave-in fields only for endpoints, the error only where the search ends).
void PrintLibraryMixers(const RecordingMixers& mixers, std::ostream& out);
nlohmann::json LibraryMixersJson(const RecordingMixers& mixers);

// The control the library reaches when it addresses the line of component
// type `lineType` with operation `op`, found by the library's own search
// (engine/line_search.h): on mixer device 0, or for a recording line where
// device 0 has no wave-in destination on the recording endpoints' mixers,
// where a destination's control may stand in for a line's that keeps
// nothing; with its current values read from winmm. `problem` says why
// there is none ("" when found).
struct TargetControl {
    std::string problem;
    std::string lineName;  // the line whose control is written
    DWORD lineChannels = 0;
    ControlInfo info;
};
TargetControl FindTargetControl(DWORD lineType, LONG op);

// Why GetPeak(type) cannot read a meter: no mixer device, no line of the
// type, or no peak meter on it ("" when it can).
std::string PeakMeterProblem(DWORD componentType);

}  // namespace mixerctl
