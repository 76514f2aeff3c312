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

// The control the library's line search reaches when it addresses a line by
// its component type: on mixer device 0, the first destination of
// `destinationType` that has source lines; in it the first source line of
// `lineType`, or the destination itself when `lineType` is the destination's
// own type; on that line the first control of `controlType`, with its
// current values. `problem` says why there is none ("" when found).
struct TargetControl {
    std::string problem;
    std::string lineName;
    DWORD lineChannels = 0;
    ControlInfo info;
};
TargetControl FindTargetControl(DWORD destinationType, DWORD lineType, DWORD controlType);

// Why GetPeak(type) cannot read a meter: no mixer device, no line of the
// type, or no peak meter on it ("" when it can).
std::string PeakMeterProblem(DWORD componentType);

}  // namespace mixerctl
