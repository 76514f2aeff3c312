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
};

const Word kSides[] = {{"play", "play", "Play"},     {"playback", "play", "Play"}, {"rec", "rec", "Rec"},
                       {"record", "rec", "Rec"},     {"recording", "rec", "Rec"}};

const Word kLines[] = {{"linein", "linein", "LineIn"}, {"line", "linein", "LineIn"},
                       {"mic", "mic", "Mic"},          {"microphone", "mic", "Mic"},
                       {"cd", "cd", "CD"},             {"waveout", "waveout", "WaveOut"},
                       {"wave", "waveout", "WaveOut"}, {"aux", "aux", "Aux"},
                       {"auxiliary", "aux", "Aux"},    {"digital", "digital", "Digital"},
                       {"analog", "analog", "Analog"}, {"main", "main", "Main"},
                       {"master", "main", "Main"}};

const Word kProperties[] = {{"volume", "volume", "Volume"},   {"mute", "mute", "Mute"},
                            {"balance", "balance", "Balance"}, {"boost", "boost", "BoostMode"},
                            {"boostmode", "boost", "BoostMode"}, {"select", "select", "Select"}};

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
        return {"mic.boost", "SetMicBoostMode", "GetMicBoostMode", true};
    }
    if (parts.size() == 2 && parts[0] == "cd" && parts[1] == "digital")
        return {"cd.digital", "SetCDTypeDigital", "GetCDTypeDigital", true};
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
    if (!p.setter.empty()) p.setterTakesValue = FindExport(p.setter)->sig != Sig::Void;
    return p;
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
