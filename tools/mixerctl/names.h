// Readable names of the platform's mixer constants (platform/mixer_names.h,
// shared with the simulated platform's card loader) as mixerctl prints and
// reads them.
#pragma once

#include "common.h"

#include "platform/mixer_names.h"

#include <string>
#include <vector>

namespace mixerctl {

using mixer_names::ControlTypeName;  // "volume", "mute", "mux", ...
using mixer_names::Hex;              // "0x0000abcd"
using mixer_names::Lower;
// Integer text: decimal or 0x hexadecimal, optionally negative, anything from
// -2^31 to 2^32-1; the result is the 32-bit pattern.
using mixer_names::ParseInt32;

// Component types print as "dst.speakers", "src.line", ... and unknown values
// as hexadecimal.
std::string ComponentTypeName(DWORD type);
// For `peak`: the line words of the property paths (linein, mic, ..., main),
// destinations by bare name (speakers, wavein, ...), then source names
// ("digital" is the source), "dst."/"src." names or a number. Throws
// UsageError when unknown.
DWORD ParsePeakTarget(const std::string& text);
// The class of a control type: "list", "switch", "fader", ...
std::string ControlClassName(DWORD type);
// Control flags: "uniform", "multiple", "disabled", and line flags:
// "active", "disconnected", "source"; hexadecimal for the rest.
std::vector<std::string> ControlFlagNames(DWORD flags);
std::vector<std::string> LineFlagNames(DWORD flags);

}  // namespace mixerctl
