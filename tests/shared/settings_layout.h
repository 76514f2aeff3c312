// The settings file as the tests and benchmarks expect it, read from the
// library's per-line table (src/core/line_table.h): Save's 45 lines and the
// sections and keys Set reads. The per-line exports test holds the table
// against its own rows, typed by hand; the suites (native, Wine), the fuzz
// targets and the benchmarks' bare sequences take the layout from here.
#pragma once

#include "core/line_table.h"

#include <cstddef>
#include <string>
#include <vector>

namespace settings_layout {

// What a line of Save's file holds after its text:
//   Text      nothing: a section header, or "" for an empty line;
//   Level     the per-line getter's result;
//   Select    the selection getter's result;
//   MicBoost  1 when the playback microphone boost (the library's
//             GetPlayMicBoostMode) reads non-zero, else 0 (a first 0 is read
//             again);
//   CDType    1 when the CD-type flag is non-zero, else 0.
enum Kind { Text, Level, Select, MicBoost, CDType };

struct Line {
    Kind kind;
    std::string text;           // the header, "" or "KEY="
    const char* getter;         // the function whose result follows; null for Text
    const LineRow* row;         // the table's row; null for Text
};

inline Kind KindOf(const LineRow& row) {
    switch (row.save) {
    case SaveSwitch: return MicBoost;
    case SaveFlag: return CDType;
    default: return row.kind == RowSelect ? Select : Level;
    }
}

// Save's lines in order, each followed by CR LF on disk: the sections in
// order, each after an empty line but the first, and in each the rows Save
// writes.
inline std::vector<Line> BuildLines() {
    std::vector<Line> lines;
    int section = SecNone;
    for (const LineRow& row : kLineRows) {
        if (row.save == SaveNo) continue;
        if (row.section != section) {
            if (section != SecNone) lines.push_back({Text, "", nullptr, nullptr});
            section = row.section;
            lines.push_back({Text, kSectionHeaders[section], nullptr, nullptr});
        }
        lines.push_back({KindOf(row), std::string(kKeyWords[row.key]) + "=", row.getter, &row});
    }
    return lines;
}

inline const std::vector<Line> kLines = BuildLines();
inline const size_t kLineCount = kLines.size();

// The sections and keys Set reads, in the order the library numbers them.
inline constexpr const auto& kSections = kSectionHeaders;
inline constexpr const auto& kKeys = kKeyWords;
inline constexpr size_t kSectionCount = SectionCount;
inline constexpr size_t kKeyCount = KeyCount;

// The lines that carry a value.
inline size_t ValueCount() {
    size_t n = 0;
    for (const Line& l : kLines) n += l.kind != Text;
    return n;
}

// The whole text with `values` after the keys, in the layout's order
// (ValueCount() of them), each line ending in `eol`; empty when the count
// is wrong.
inline std::string Render(const long* values, size_t count, const char* eol = "\r\n") {
    if (count != ValueCount()) return std::string();
    std::string text;
    size_t v = 0;
    for (const Line& l : kLines) {
        text += l.text;
        if (l.kind != Text) text += std::to_string(values[v++]);
        text += eol;
    }
    return text;
}

// True when `text` is a whole file of this layout: every line the layout's
// text (a value after each key: an optional minus sign and digits), each
// ending in CR LF, nothing after the last.
inline bool Complete(const std::string& text) {
    size_t at = 0;
    for (const Line& l : kLines) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos) return false;
        const std::string line = text.substr(at, end - at);
        if (line.compare(0, l.text.size(), l.text) != 0) return false;
        std::string value = line.substr(l.text.size());
        if (l.kind == Text) {
            if (!value.empty()) return false;
        } else {
            if (!value.empty() && value[0] == '-') value.erase(0, 1);
            if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) return false;
        }
        at = end + 2;
    }
    return at == text.size();
}

}  // namespace settings_layout
