// Property paths of `get` and `set`: "SIDE.LINE.PROPERTY" such as
// play.linein.volume, rec.mic.select or play.main.balance, one a row of the
// library's per-line table (core/line_table.h); and two paths of their own:
// mic.boost (both sides' boost together) and cd.digital (the CD-type flag).
#pragma once

#include "common.h"

#include "core/line_table.h"

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
    // The line the library addresses by type with the operation, as its
    // line search takes them (the speakers destination itself for main).
    DWORD lineType = 0;
    LONG op = OpNone;
    // Whether the path names one control of its line, which `set` and
    // `restore` check: volumes, balances, mutes and one side's boost.
    bool HasControl() const { return kind != PathKind::BothBoosts && kind != PathKind::Select && kind != PathKind::CdDigital; }
};

// Reads a path (case-insensitive; aliases: line = linein, microphone = mic,
// wave = waveout, auxiliary = aux, master = main, boostmode = boost,
// playback = play, record/recording = rec). Only paths of the library's
// exports exist. Throws UsageError naming the fault.
PropertyPath ParsePath(const std::string& text);
// The path of a row of the per-line table.
PropertyPath PathOfRow(const LineRow& row);

// Every path, in a fixed order: recording side, then playback side, then the
// two special paths.
std::vector<PropertyPath> AllPaths();

}  // namespace mixerctl
