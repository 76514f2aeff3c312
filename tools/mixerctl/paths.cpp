#include "paths.h"

#include "common.h"
#include "exports_table.h"
#include "names.h"

namespace mixerctl {
namespace {

struct Word {
    const char* word;
    const char* canonical;
    const char* exportPiece;
    DWORD type;  // sides: the destination searched; lines: the component type
};

constexpr DWORD kSpeakers = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
constexpr DWORD kWaveIn = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;

const Word kSides[] = {{"play", "play", "Play", kSpeakers},  {"playback", "play", "Play", kSpeakers},
                       {"rec", "rec", "Rec", kWaveIn},       {"record", "rec", "Rec", kWaveIn},
                       {"recording", "rec", "Rec", kWaveIn}};

const Word kLines[] = {
    {"linein", "linein", "LineIn", MIXERLINE_COMPONENTTYPE_SRC_LINE},
    {"line", "linein", "LineIn", MIXERLINE_COMPONENTTYPE_SRC_LINE},
    {"mic", "mic", "Mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
    {"microphone", "mic", "Mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
    {"cd", "cd", "CD", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},
    {"waveout", "waveout", "WaveOut", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},
    {"wave", "waveout", "WaveOut", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},
    {"aux", "aux", "Aux", MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY},
    {"auxiliary", "aux", "Aux", MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY},
    {"digital", "digital", "Digital", MIXERLINE_COMPONENTTYPE_SRC_DIGITAL},
    {"analog", "analog", "Analog", MIXERLINE_COMPONENTTYPE_SRC_ANALOG},
    {"main", "main", "Main", kSpeakers},
    {"master", "main", "Main", kSpeakers},
};

// The property's type field holds its PathKind.
const Word kProperties[] = {{"volume", "volume", "Volume", static_cast<DWORD>(PathKind::Volume)},
                            {"mute", "mute", "Mute", static_cast<DWORD>(PathKind::Mute)},
                            {"balance", "balance", "Balance", static_cast<DWORD>(PathKind::Balance)},
                            {"boost", "boost", "BoostMode", static_cast<DWORD>(PathKind::Boost)},
                            {"boostmode", "boost", "BoostMode", static_cast<DWORD>(PathKind::Boost)},
                            {"select", "select", "Select", static_cast<DWORD>(PathKind::Select)}};

template <size_t N>
const Word* Find(const Word (&table)[N], const std::string& w) {
    for (const Word& x : table)
        if (w == x.word) return &x;
    return nullptr;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t dot = s.find(sep, start);
        parts.push_back(s.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts;
}

std::string IfExport(const std::string& name) { return FindExport(name) ? name : std::string(); }

}  // namespace

PropertyPath ParsePath(const std::string& text) {
    const std::string t = Lower(text);
    const std::vector<std::string> parts = Split(t, '.');
    PropertyPath p;
    if (parts.size() == 2 && (parts[0] == "mic" || parts[0] == "microphone") &&
        (parts[1] == "boost" || parts[1] == "boostmode")) {
        return {"mic.boost", "SetMicBoostMode", "GetMicBoostMode", true, PathKind::BothBoosts, 0,
                MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE};
    }
    if (parts.size() == 2 && parts[0] == "cd" && parts[1] == "digital")
        return {"cd.digital", "SetCDTypeDigital", "GetCDTypeDigital", true, PathKind::CdDigital, 0, 0};
    if (parts.size() != 3)
        throw UsageError("'" + text + "' is not a property path (SIDE.LINE.PROPERTY, e.g. play.linein.volume)");
    const Word* side = Find(kSides, parts[0]);
    if (!side) throw UsageError("'" + text + "': unknown side '" + parts[0] + "' (play or rec)");
    const Word* line = Find(kLines, parts[1]);
    if (!line)
        throw UsageError("'" + text + "': unknown line '" + parts[1] +
                         "' (linein, mic, cd, waveout, aux, digital, analog, main)");
    const Word* prop = Find(kProperties, parts[2]);
    if (!prop)
        throw UsageError("'" + text + "': unknown property '" + parts[2] +
                         "' (volume, mute, balance, boost, select)");
    const std::string tail = std::string(side->exportPiece) + line->exportPiece + prop->exportPiece;
    p.path = std::string(side->canonical) + "." + line->canonical + "." + prop->canonical;
    p.setter = IfExport("Set" + tail);
    p.getter = IfExport("Get" + tail);
    if (p.setter.empty() && p.getter.empty())
        throw UsageError("'" + text + "': the library has no " + p.path + " (no Set" + tail + " or Get" + tail + ")");
    if (!p.setter.empty()) p.setterTakesValue = FindExport(p.setter)->argumentCount != 0;
    p.kind = static_cast<PathKind>(prop->type);
    p.destinationType = side->type;
    p.lineType = line->type;
    return p;
}

DWORD KindControlType(PathKind kind) {
    switch (kind) {
    case PathKind::Volume:
    case PathKind::Balance: return MIXERCONTROL_CONTROLTYPE_VOLUME;
    case PathKind::Mute: return MIXERCONTROL_CONTROLTYPE_MUTE;
    case PathKind::Boost: return MIXERCONTROL_CONTROLTYPE_ONOFF;
    case PathKind::BothBoosts:
    case PathKind::Select:
    case PathKind::CdDigital: return 0;
    }
    return 0;
}

bool IsSwitchKind(PathKind kind) {
    return kind == PathKind::Mute || kind == PathKind::Boost || kind == PathKind::BothBoosts ||
           kind == PathKind::CdDigital;
}

std::vector<PropertyPath> AllPaths() {
    std::vector<PropertyPath> out;
    for (const char* side : {"rec", "play"})
        for (const char* prop : {"volume", "mute", "balance", "boost", "select"})
            for (const char* line : {"linein", "mic", "cd", "waveout", "aux", "digital", "analog", "main"}) {
                try {
                    out.push_back(ParsePath(std::string(side) + "." + line + "." + prop));
                } catch (const UsageError&) {
                    // not a property of the library
                }
            }
    out.push_back(ParsePath("mic.boost"));
    out.push_back(ParsePath("cd.digital"));
    return out;
}

}  // namespace mixerctl
