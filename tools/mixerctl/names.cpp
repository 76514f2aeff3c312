#include "mixerctl.h"

namespace mixerctl {
namespace {

using mixer_names::Named;

template <size_t N>
std::vector<std::string> FlagNames(const Named (&table)[N], DWORD flags) {
    std::vector<std::string> out;
    for (const Named& n : table)
        if (flags & n.value) {
            out.push_back(n.name);
            flags &= ~n.value;
        }
    if (flags) out.push_back(Hex(flags));
    return out;
}

}  // namespace

std::string ComponentTypeName(DWORD type) {
    if (const Named* n = mixer_names::ByValue(mixer_names::kDestinations, type)) return std::string("dst.") + n->name;
    if (const Named* n = mixer_names::ByValue(mixer_names::kSources, type)) return std::string("src.") + n->name;
    return Hex(type);
}

DWORD ParsePeakTarget(const std::string& text) {
    const std::string t = Lower(text);
    DWORD v;
    if (LineWordType(t, &v)) return v;
    if (t != "digital" && t != "line" && t != "telephone" && t != "undefined")
        if (const Named* n = mixer_names::ByName(mixer_names::kDestinations, t)) return n->value;
    if (mixer_names::ParseComponentType(text, false, &v)) return v;
    throw UsageError("unknown source type '" + text + "'");
}

std::string ControlClassName(DWORD type) {
    const DWORD typeClass = type & MIXERCONTROL_CT_CLASS_MASK;
    if (const Named* n = mixer_names::ByValue(mixer_names::kControlClasses, typeClass)) return n->name;
    return Hex(typeClass);
}

std::vector<std::string> ControlFlagNames(DWORD flags) { return FlagNames(mixer_names::kControlFlags, flags); }
std::vector<std::string> LineFlagNames(DWORD flags) { return FlagNames(mixer_names::kLineFlags, flags); }

}  // namespace mixerctl
