// Readable names of the platform's mixer constants: component types of lines,
// control types and flags. Used for printing topology and for reading cards.
#pragma once

#include "common.h"

#include <string>
#include <vector>

namespace mixerctl {

// Component types print as "dst.speakers", "src.line", ... and unknown values
// as hexadecimal.
std::string ComponentTypeName(DWORD type);
// Reads a component type: a full name ("dst.wavein", "src.microphone"), a bare
// name looked up among destinations or sources as `destination` says, one of
// the line words of the property paths (linein, mic, cd, waveout, aux,
// digital, analog, main), or a number. Throws UsageError when unknown.
DWORD ParseComponentType(const std::string& text, bool destination);
// For `peak`: destinations by bare name (speakers, wavein, ...) first, then
// the line words and source names ("digital" is the source).
DWORD ParsePeakTarget(const std::string& text);

// Control types print by their suffix: "volume", "mute", "mux", "peakmeter".
std::string ControlTypeName(DWORD type);
DWORD ParseControlType(const std::string& text);  // name or number; throws UsageError
// The class of a control type: "list", "switch", "fader", ...
std::string ControlClassName(DWORD type);

// Control flags: "uniform", "multiple", "disabled" and hexadecimal for the rest.
std::vector<std::string> ControlFlagNames(DWORD flags);
DWORD ParseControlFlag(const std::string& text);
// Line flags: "active", "disconnected", "source".
std::vector<std::string> LineFlagNames(DWORD flags);
DWORD ParseLineFlag(const std::string& text);

// Integer text: decimal or 0x hexadecimal, optionally negative, anything from
// -2^31 to 2^32-1; the result is the 32-bit pattern.
bool ParseInt32(const std::string& text, LONG* out);

std::string Hex(DWORD v);  // "0x0000abcd"
std::string Lower(std::string s);

}  // namespace mixerctl
