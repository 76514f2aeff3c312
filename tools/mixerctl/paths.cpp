// The library's per-line table as mixerctl reads it: property paths, the
// rows by their side, line and property words and the two paths of their
// own; and the settings files, whose sections and keys name the rows.
#include "mixerctl.h"

#include "persistence/settings_grammar.h"

#include <algorithm>
#include <map>

namespace mixerctl {
namespace {

// The words a path may use for a table word, besides the table word itself.
const std::map<std::string, std::string> kAliases = {
    {"playback", "play"},  {"record", "rec"},     {"recording", "rec"}, {"line", "linein"},
    {"microphone", "mic"}, {"wave", "waveout"},   {"auxiliary", "aux"}, {"master", "main"},
    {"boostmode", "boost"}};

std::string Canonical(const std::string& word) {
    const auto it = kAliases.find(Lower(word));
    return it == kAliases.end() ? Lower(word) : it->second;
}

// The line of a line word of the paths; LineCount for another word.
int LineOfWord(const std::string& word) {
    int line = 0;
    while (line < LineCount && Canonical(word) != kLineInfo[line].word) ++line;
    return line;
}

static_assert(static_cast<int>(PathKind::Select) == PropSelect, "the first path kinds are the properties");

PropertyPath PathOfRow(const LineRow& row) {
    if (row.kind == RowFlag) return {"cd.digital", row.setter, row.getter, PathKind::CdDigital, 0, row.op};
    const OpRow& op = OpRowOf(row.op);
    // The first path kinds are the properties; a boost row's getter is the
    // library's own reading, not an export.
    return {std::string(SideWord(op.side)) + "." + LineOf(row.line).word + "." + PropertyWord(op.property),
            row.setter, row.kind == RowBoost || !row.getter ? "" : row.getter, static_cast<PathKind>(op.property),
            LineOf(row.line).componentType, row.op};
}

}  // namespace

PropertyPath ParsePath(const std::string& text) {
    Args parts(1);
    for (char ch : text) {
        if (ch == '.') parts.emplace_back();
        else parts.back() += ch;
    }
    for (std::string& part : parts) part = Canonical(part);
    if (parts == Args{"mic", "boost"})
        return {"mic.boost", "SetMicBoostMode", "GetMicBoostMode", PathKind::BothBoosts, LineOf(LineMic).componentType};
    if (parts == Args{"cd", "digital"})
        for (const LineRow& row : kLineRows)
            if (row.kind == RowFlag) return PathOfRow(row);
    if (parts.size() != 3)
        throw UsageError("'" + text + "' is not a property path (SIDE.LINE.PROPERTY, e.g. play.linein.volume)");
    if (parts[0] != SideWord(SidePlay) && parts[0] != SideWord(SideRec))
        throw UsageError("'" + text + "': unknown side '" + parts[0] + "' (play or rec)");
    const int line = LineOfWord(parts[1]);
    int property = 0;
    while (property < PropNone && parts[2] != PropertyWord(static_cast<OpProperty>(property))) ++property;
    if (line == LineCount)
        throw UsageError("'" + text + "': unknown line '" + parts[1] +
                         "' (linein, mic, cd, waveout, aux, digital, analog, main)");
    if (property == PropNone)
        throw UsageError("'" + text + "': unknown property '" + parts[2] + "' (volume, mute, balance, boost, select)");
    const OpSide side = parts[0] == SideWord(SideRec) ? SideRec : SidePlay;
    const LineRow* row = FindLineRow(static_cast<LineId>(line), side, static_cast<OpProperty>(property));
    if (!row) throw UsageError("'" + text + "': the library has no " + parts[0] + "." + parts[1] + "." + parts[2]);
    return PathOfRow(*row);
}

std::vector<PropertyPath> AllPaths() {
    std::vector<PropertyPath> out;
    for (OpSide side : {SideRec, SidePlay})
        for (int property = 0; property < PropNone; ++property)
            for (int line = 0; line < LineCount; ++line)
                if (auto row = FindLineRow(static_cast<LineId>(line), side, static_cast<OpProperty>(property)))
                    out.push_back(PathOfRow(*row));
    out.push_back(ParsePath("mic.boost"));
    out.push_back(ParsePath("cd.digital"));
    return out;
}

void PrintPaths(std::ostream& out) {
    const char* kinds[] = {"level",     "switch", "position 0..15", "switch", "selection",
                           "switch (both sides)", "switch (the library's flag)"};  // by PathKind
    for (const PropertyPath& p : AllPaths()) {
        const std::string access = p.getter.empty() ? "set" : p.setter.empty() ? "get" : "get,set";
        out << p.path << std::string(p.path.size() < 22 ? 22 - p.path.size() : 1, ' ') << access
            << std::string(10 - access.size(), ' ') << kinds[static_cast<int>(p.kind)] << "\n";
    }
}

DWORD ParsePeakTarget(const std::string& text) {
    const std::string t = Lower(text);
    const int line = LineOfWord(t);
    if (line < LineCount) return kLineInfo[line].componentType;
    if (t != "digital" && t != "line" && t != "telephone" && t != "undefined")
        if (const mixer_names::Named* n = mixer_names::ByName(mixer_names::kDestinations, t)) return n->value;
    DWORD v;
    if (mixer_names::ParseComponentType(text, false, &v)) return v;
    // What it takes, from the tables it reads.
    std::string words, destinations, sources;
    for (const LineInfo& l : kLineInfo) words += std::string(words.empty() ? "" : ", ") + l.word;
    // Bare names that are sources too are the sources.
    for (const mixer_names::Named& n : mixer_names::kDestinations)
        if (!mixer_names::ByName(mixer_names::kSources, n.name))
            destinations += std::string(destinations.empty() ? "" : ", ") + n.name;
    for (const mixer_names::Named& n : mixer_names::kSources) sources += std::string(sources.empty() ? "" : ", ") + n.name;
    throw UsageError("peak: unknown line type '" + text + "': give a line word (" + words + "), a destination (" +
                     destinations + "), a source (" + sources +
                     "; dst.NAME and src.NAME name either), or a component type number (decimal or 0x hex)");
}

SettingsReading ReadSettingsText(const std::string& bytes) {
    SettingsReading out;
    std::string text = bytes.substr(0, TEXT_READ_LIMIT);
    text.resize(DecodeText(&text[0], static_cast<DWORD>(text.size())));
    ReadSettingsEntries(text.data(), static_cast<DWORD>(text.size()), [&](int section, int key, const Token& token) {
        SettingsEntry e;
        e.value.assign(token.text, token.length);
        e.line = 1 + static_cast<int>(std::count(text.c_str(), token.text, '\n'));
        const std::string where = "line " + std::to_string(e.line) + ": ";
        if (key == KeyNone) return out.problems.push_back(where + "'" + e.value + "' comes before any key");
        e.section = kSectionHeaders[section];
        e.key = kKeyWords[key];
        const std::string pair = e.key + " in " + e.section;
        const int row = SettingsRowIndex(section, key);
        if (row < 0)
            return out.problems.push_back(where + pair + " is not a setting the library restores ('" + e.value + "')");
        e.path = PathOfRow(kLineRows[row]);
        e.failureMark = IsFailureMark(token);
        if (!e.failureMark) {
            const bool digits = e.value.size() <= 10 && e.value.find_first_not_of("0123456789") == std::string::npos;
            if (!digits)
                return out.problems.push_back(where + "'" + e.value + "' for " + pair + " is not a decimal number");
            e.number = std::stoll(e.value);
            if (e.number > 0x7FFFFFFFLL)
                return out.problems.push_back(where + e.value + " for " + pair + " is beyond the 32-bit range");
        }
        out.entries.push_back(e);
    });
    return out;
}

}  // namespace mixerctl
