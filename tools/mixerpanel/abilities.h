// Which controls of a strip act on the mixer, and for each one that does
// not, why: the text of its tooltip. A control acts when its line is there
// and the control the library uses keeps a value; balance also needs a
// volume with more than one channel level, and selection a recording
// selector.
#pragma once

#include "model.h"
#include "topology.h"

#include <string>

namespace mixerpanel {

struct ControlAbility {
    bool acts = false;
    std::string why;  // for one that does not act: what the user is told
};

struct StripAbilities {
    bool line = false;  // the strip has a line
    ControlAbility fader, mute, balance, boost, select;
};

// What the panel knows of a strip's line.
struct StripLine {
    LineFacts facts;        // present: the library finds the line
    bool selector = false;  // the recording selector exists (Topology::selector)
    bool namesLoaded = false;
};

StripAbilities AbilitiesOf(const StripSpec& spec, const StripLine& line);

}  // namespace mixerpanel
