// Which controls of a strip act on the mixer, and for each one that does
// not, why: the text of its tooltip. A control acts when its line is there
// and the control the library uses keeps a value; balance also needs a
// volume with more than one channel level, and selection a recording
// selector.
#pragma once

#include "model.h"
#include "platform/win.h"
#include "topology.h"

#include <string>
#include <vector>

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

// A line the library addresses by a name from the sound card's name file,
// which the panel does not know, is found by asking the library: its volume
// getter is read, the setter writes a value one step off and the getter
// reads back, and the first reading is written back, so the user's level
// stays. A read-back that did not move says that no line of that name keeps
// a value (or that there is none). The candidate (Topology::sources) whose
// volume moved meanwhile, as winmm reads it, is the named line: the facts
// returned are its facts, else those of `byType` (the line of the strip's
// type, if any). Adds the writes made to *writes.
LineFacts ProbeNamedLine(LONG(WINAPI* get)(void), LONG(WINAPI* set)(LONG), const std::vector<LineFacts>& candidates,
                         const LineFacts& byType, unsigned long* writes);

}  // namespace mixerpanel
