#include "mixerctl.h"


#include <map>

namespace mixerctl {
namespace {

// The words a path may use for a table word, besides the table word itself.
const std::map<std::string, std::string> kAliases = {
    {"playback", "play"}, {"record", "rec"},    {"recording", "rec"}, {"line", "linein"},
    {"microphone", "mic"}, {"wave", "waveout"}, {"auxiliary", "aux"}, {"master", "main"},
    {"boostmode", "boost"}};

std::string Canonical(const std::string& word) {
    const auto it = kAliases.find(word);
    return it == kAliases.end() ? word : it->second;
}

std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> parts(1);
    for (char ch : s) {
        if (ch == '.') parts.emplace_back();
        else parts.back() += ch;
    }
    return parts;
}

PathKind KindOf(const LineRow& row) {
    if (row.kind == RowFlag) return PathKind::CdDigital;
    switch (OpRowOf(row.op).property) {
    case PropMute: return PathKind::Mute;
    case PropBalance: return PathKind::Balance;
    case PropBoost: return PathKind::Boost;
    case PropSelect: return PathKind::Select;
    default: return PathKind::Volume;
    }
}

}  // namespace

PropertyPath PathOfRow(const LineRow& row) {
    PropertyPath p;
    p.kind = KindOf(row);
    p.op = row.op;
    p.setter = row.setter;
    // A boost row's getter is the library's own reading, not an export.
    p.getter = row.getter && row.kind != RowBoost ? row.getter : "";
    p.setterTakesValue = row.kind != RowSelect;
    if (row.kind == RowFlag) {
        p.path = "cd.digital";
        return p;
    }
    const OpRow& op = OpRowOf(row.op);
    p.lineType = LineOf(row.line).componentType;
    p.path = std::string(SideWord(op.side)) + "." + LineOf(row.line).word + "." + PropertyWord(op.property);
    return p;
}

PropertyPath ParsePath(const std::string& text) {
    std::vector<std::string> parts = Split(Lower(text));
    for (std::string& part : parts) part = Canonical(part);
    if (parts.size() == 2 && parts[0] == "mic" && parts[1] == "boost") {
        PropertyPath p;
        p.path = "mic.boost";
        p.setter = "SetMicBoostMode";
        p.getter = "GetMicBoostMode";
        p.kind = PathKind::BothBoosts;
        p.lineType = LineOf(LineMic).componentType;
        return p;
    }
    if (parts.size() == 2 && parts[0] == "cd" && parts[1] == "digital")
        for (const LineRow& row : kLineRows)
            if (row.kind == RowFlag) return PathOfRow(row);
    if (parts.size() != 3)
        throw UsageError("'" + text + "' is not a property path (SIDE.LINE.PROPERTY, e.g. play.linein.volume)");
    if (parts[0] != SideWord(SidePlay) && parts[0] != SideWord(SideRec))
        throw UsageError("'" + text + "': unknown side '" + parts[0] + "' (play or rec)");
    const OpSide side = parts[0] == SideWord(SideRec) ? SideRec : SidePlay;
    int line = 0, property = 0;
    while (line < LineCount && parts[1] != kLineInfo[line].word) ++line;
    while (property < PropNone && parts[2] != PropertyWord(static_cast<OpProperty>(property))) ++property;
    if (line == LineCount)
        throw UsageError("'" + text + "': unknown line '" + parts[1] +
                         "' (linein, mic, cd, waveout, aux, digital, analog, main)");
    if (property == PropNone)
        throw UsageError("'" + text + "': unknown property '" + parts[2] + "' (volume, mute, balance, boost, select)");
    const LineRow* row = FindLineRow(static_cast<LineId>(line), side, static_cast<OpProperty>(property));
    if (!row) throw UsageError("'" + text + "': the library has no " + parts[0] + "." + parts[1] + "." + parts[2]);
    return PathOfRow(*row);
}

bool LineWordType(const std::string& word, DWORD* type) {
    const std::string w = Canonical(Lower(word));
    for (const ::LineInfo& line : kLineInfo)
        if (w == line.word) return *type = line.componentType, true;
    return false;
}

std::vector<PropertyPath> AllPaths() {
    std::vector<PropertyPath> out;
    for (OpSide side : {SideRec, SidePlay})
        for (int property = 0; property < PropNone; ++property)
            for (int line = 0; line < LineCount; ++line)
                if (const LineRow* row = FindLineRow(static_cast<LineId>(line), side, static_cast<OpProperty>(property)))
                    out.push_back(PathOfRow(*row));
    out.push_back(ParsePath("mic.boost"));
    out.push_back(ParsePath("cd.digital"));
    return out;
}

}  // namespace mixerctl
