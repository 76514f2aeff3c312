// Property paths of `get` and `set`: "SIDE.LINE.PROPERTY" such as
// play.linein.volume, rec.mic.select or play.main.balance, each naming one
// setter and/or getter export; and two paths of their own: mic.boost (both
// sides' boost together) and cd.digital (the CD-type flag).
#pragma once

#include "common.h"

#include <string>
#include <vector>

namespace mixerctl {

// What a property is, which decides the values it takes and how a write is
// checked.
enum class PathKind {
    Volume,      // a level in the volume control's units
    Balance,     // a position 0..15 on the volume control (write only)
    Mute,        // the mute switch
    Boost,       // the microphone's on/off switch of one side
    BothBoosts,  // mic.boost: both sides' boost switches together
    Select,      // a recording source of the selector
    CdDigital,   // cd.digital: the library's CD-type flag
};

struct PropertyPath {
    std::string path;    // canonical spelling, e.g. "play.linein.volume"
    std::string setter;  // export name, "" when the property cannot be written
    std::string getter;  // export name, "" when it cannot be read
    bool setterTakesValue = true;  // false for the selection setters
    PathKind kind = PathKind::Volume;
    // The line the library addresses by type: the destination it searches
    // (speakers for the playback side, wave-in for the recording side) and
    // the line's component type (the speakers destination itself for main).
    DWORD destinationType = 0;
    DWORD lineType = 0;
};

// The control type a kind writes on the line (0 for the kinds that are no
// single control of the line: selections, the CD-type flag, both boosts).
DWORD KindControlType(PathKind kind);
bool IsSwitchKind(PathKind kind);  // mute, boost, both boosts, cd.digital

// Reads a path (case-insensitive; aliases: line = linein, microphone = mic,
// wave = waveout, auxiliary = aux, master = main, boostmode = boost,
// playback = play, record/recording = rec). Only paths whose setter or getter
// is one of the library's exports exist. Throws UsageError naming the fault.
PropertyPath ParsePath(const std::string& text);

// Every path, in a fixed order: recording side, then playback side, then the
// two special paths.
std::vector<PropertyPath> AllPaths();

}  // namespace mixerctl
