#include "abilities.h"

#include <algorithm>

namespace mixerpanel {

namespace {

ControlAbility Acts() {
    ControlAbility a;
    a.acts = true;
    return a;
}

ControlAbility Not(const std::string& why) {
    ControlAbility a;
    a.why = why;
    return a;
}

std::string KeepsNothing(const std::string& label, const char* control) {
    return "This mixer keeps no value for the " + label + " " + control + ", so it cannot be set here.";
}

ControlAbility Switch(const std::string& label, bool has, bool keeps, const char* name) {
    if (!has) return Not("The " + label + " line has no " + name + " switch.");
    if (!keeps) return Not(KeepsNothing(label, name));
    return Acts();
}

}  // namespace

StripAbilities AbilitiesOf(const StripSpec& spec, const StripLine& line) {
    StripAbilities a;
    const LineFacts& f = line.facts;
    const std::string label = spec.label;
    if (!f.present) {
        std::string why = "This mixer has no " + label + " line.";
        if (spec.override == Override::NameFile && !line.namesLoaded)
            why += " A sound card name file may name one (File > Load sound card names).";
        a.fader = a.mute = a.balance = a.boost = a.select = Not(why);
        return a;
    }
    a.line = true;
    if (!f.hasVolume)
        a.fader = Not("The " + label + " line has no volume control.");
    else if (!f.volumeKeeps)
        a.fader = Not(KeepsNothing(label, "volume"));
    else
        a.fader = Acts();

    if (!a.fader.acts)
        a.balance = a.fader;
    else if (f.volumeChannels == 0)  // a line found by name that the panel could not tell apart
        a.balance = Not("The panel cannot tell how many channels the " + label + " line has, so it offers no balance.");
    else if (f.volumeUniform && f.volumeChannels > 1)
        a.balance = Not("The " + label + " line has one level for all its channels: there is no balance to set.");
    else if (f.volumeChannels < 2)
        a.balance = Not("The " + label + " line has one channel: there is no balance to set.");
    else
        a.balance = Acts();

    a.mute = Switch(label, f.hasMute, f.muteKeeps, "mute");
    a.boost = Switch(label, f.hasSwitch, f.switchKeeps, "boost");
    a.select = line.selector ? Acts()
                             : Not("This mixer has no recording selector: there is nothing to select the " + label +
                                   " line with.");
    return a;
}

LineFacts ProbeNamedLine(LONG(WINAPI* get)(void), LONG(WINAPI* set)(LONG), const std::vector<LineFacts>& candidates,
                         const LineFacts& byType, unsigned long* writes) {
    LineFacts facts = byType;
    facts.present = true;
    const LONG before = get();
    if (before == -1) return facts;  // no answer: as the line of the type, if any
    std::vector<long> levels(candidates.size(), 0);
    std::vector<bool> read(candidates.size(), false);
    for (size_t k = 0; k < candidates.size(); ++k) read[k] = ReadVolume(candidates[k], &levels[k]);
    const FaderScale scale = byType.hasVolume ? MakeFaderScale(byType.volumeMin, byType.volumeMax)
                                              : MakeFaderScale(0, 65535);
    const int64_t step = std::max<int64_t>(1, (scale.maximum - scale.minimum) / 100);
    set(static_cast<LONG>(before + step <= scale.maximum ? before + step : before - step));
    const LONG after = get();
    const LineFacts* named = nullptr;
    for (size_t k = 0; k < candidates.size() && !named; ++k) {
        long now = 0;
        if (read[k] && ReadVolume(candidates[k], &now) && now != levels[k]) named = &candidates[k];
    }
    set(before);
    *writes += 2;

    if (named) facts = *named;
    facts.present = facts.hasVolume = true;
    facts.volumeKeeps = after != before;
    if (!facts.volumeKeeps) {  // nothing the library finds by that name keeps a value
        facts.hasMute = facts.hasSwitch = true;
        facts.muteKeeps = facts.switchKeeps = false;
    } else if (!named && !byType.present) {  // a line the panel cannot see: nothing more is known
        facts.hasMute = facts.hasSwitch = true;
        facts.muteKeeps = facts.switchKeeps = true;
        facts.volumeChannels = 0;
    }
    return facts;
}

}  // namespace mixerpanel
