#include "names.h"

#include "platform/mixer_names.h"

#include <utility>

namespace mixerctl {
namespace {

using mixer_names::ByName;
using mixer_names::ByValue;
using mixer_names::kControlClasses;
using mixer_names::kControlFlags;
using mixer_names::kDestinations;
using mixer_names::kLineFlags;
using mixer_names::kLineWords;
using mixer_names::kSources;
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

template <size_t N>
DWORD ParseFlag(const Named (&table)[N], const std::string& text, const char* what) {
    DWORD v;
    if (mixer_names::ParseNamed(table, text, &v)) return v;
    throw UsageError("unknown " + std::string(what) + " '" + text + "'");
}

}  // namespace

std::string Lower(std::string s) { return mixer_names::Lower(std::move(s)); }

std::string Hex(DWORD v) { return mixer_names::Hex(v); }

bool ParseInt32(const std::string& text, LONG* out) { return mixer_names::ParseInt32(text, out); }

std::string ComponentTypeName(DWORD type) {
    if (const Named* n = ByValue(kDestinations, type)) return std::string("dst.") + n->name;
    if (const Named* n = ByValue(kSources, type)) return std::string("src.") + n->name;
    return Hex(type);
}

DWORD ParseComponentType(const std::string& text, bool destination) {
    DWORD v;
    if (mixer_names::ParseComponentType(text, destination, &v)) return v;
    throw UsageError(std::string("unknown ") + (destination ? "destination" : "source") + " type '" + text + "'");
}

DWORD ParsePeakTarget(const std::string& text) {
    const std::string t = Lower(text);
    if (const Named* n = ByName(kLineWords, t)) return n->value;
    if (t != "digital" && t != "line" && t != "telephone" && t != "undefined")
        if (const Named* n = ByName(kDestinations, t)) return n->value;
    return ParseComponentType(text, false);
}

std::string ControlTypeName(DWORD type) { return mixer_names::ControlTypeName(type); }

DWORD ParseControlType(const std::string& text) {
    DWORD v;
    if (mixer_names::ParseNamed(mixer_names::kControlTypes, text, &v)) return v;
    throw UsageError("unknown control type '" + text + "'");
}

std::string ControlClassName(DWORD type) {
    if (const Named* n = ByValue(kControlClasses, type & MIXERCONTROL_CT_CLASS_MASK)) return n->name;
    return Hex(type & MIXERCONTROL_CT_CLASS_MASK);
}

std::vector<std::string> ControlFlagNames(DWORD flags) { return FlagNames(kControlFlags, flags); }
DWORD ParseControlFlag(const std::string& text) { return ParseFlag(kControlFlags, text, "control flag"); }
std::vector<std::string> LineFlagNames(DWORD flags) { return FlagNames(kLineFlags, flags); }
DWORD ParseLineFlag(const std::string& text) { return ParseFlag(kLineFlags, text, "line flag"); }

}  // namespace mixerctl
