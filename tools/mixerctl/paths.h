// Property paths of `get` and `set`: "SIDE.LINE.PROPERTY" such as
// play.linein.volume, rec.mic.select or play.main.balance, each naming one
// setter and/or getter export; and two paths of their own: mic.boost (both
// sides' boost together) and cd.digital (the CD-type flag).
#pragma once

#include <string>
#include <vector>

namespace mixerctl {

struct PropertyPath {
    std::string path;    // canonical spelling, e.g. "play.linein.volume"
    std::string setter;  // export name, "" when the property cannot be written
    std::string getter;  // export name, "" when it cannot be read
    bool setterTakesValue = true;  // false for the selection setters
};

// Reads a path (case-insensitive; aliases: line = linein, microphone = mic,
// wave = waveout, auxiliary = aux, master = main, boostmode = boost,
// playback = play, record/recording = rec). Only paths whose setter or getter
// is one of the library's exports exist. Throws UsageError naming the fault.
PropertyPath ParsePath(const std::string& text);

// Every path, in a fixed order: recording side, then playback side, then the
// two special paths.
std::vector<PropertyPath> AllPaths();

}  // namespace mixerctl
