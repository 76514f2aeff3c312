// The settings file as the tests and benchmarks expect it: Save's 45 lines
// and the sections and keys Set reads. The suites (native, Wine) and the
// benchmarks' bare sequences share this one table, so that each holds the
// library's own (src/persistence/settings_file.cpp) against the same
// expectation, and a change of the layout is made here once.
#pragma once

#include <cstddef>
#include <string>

// Save's lines in order, each followed by CR LF on disk:
//
//     X(kind, text, getter, line, op)
//
//   Text      a section header, or "" for an empty line;
//   Level     "KEY=" and the per-line getter's result: `line` is the line's
//             word (LineIn, Mic, CD, WaveOut, Aux, Digital, Analog, Main),
//             `op` what the getter reads (RecVolume, PlayVolume, MainVolume,
//             PlayMute, MainMute, RecMute);
//   Select    "KEY=" and the selection getter's result for the source `line`;
//   MicBoost  "KEY=", then 1 when the playback microphone boost (the
//             library's GetPlayMicBoostMode) reads non-zero, else 0 (a first
//             0 is read again);
//   CDType    "KEY=", then 1 when the CD-type flag is non-zero, else 0.
//
// Fields a kind does not use are None.
#define MIXER_SETTINGS_LAYOUT(X)                                       \
    X(Text, "[RECORD VOLUME]", None, None, None)                       \
    X(Level, "LINEIN=", GetRecLineInVolume, LineIn, RecVolume)         \
    X(Level, "MIC=", GetRecMicVolume, Mic, RecVolume)                  \
    X(Level, "CD=", GetRecCDVolume, CD, RecVolume)                     \
    X(Level, "AUX=", GetRecAuxVolume, Aux, RecVolume)                  \
    X(Level, "WAVEOUT=", GetRecWaveOutVolume, WaveOut, RecVolume)      \
    X(Level, "DIGITAL=", GetRecDigitalVolume, Digital, RecVolume)      \
    X(Level, "ANALOG=", GetRecAnalogVolume, Analog, RecVolume)         \
    X(Text, "", None, None, None)                                      \
    X(Text, "[PLAY VOLUME]", None, None, None)                         \
    X(Level, "LINEIN=", GetPlayLineInVolume, LineIn, PlayVolume)       \
    X(Level, "MIC=", GetPlayMicVolume, Mic, PlayVolume)                \
    X(Level, "CD=", GetPlayCDVolume, CD, PlayVolume)                   \
    X(Level, "MAIN=", GetPlayMainVolume, Main, MainVolume)             \
    X(Level, "WAVEOUT=", GetPlayWaveOutVolume, WaveOut, PlayVolume)    \
    X(Level, "AUX=", GetPlayAuxVolume, Aux, PlayVolume)                \
    X(Text, "", None, None, None)                                      \
    X(Text, "[PLAY MUTE]", None, None, None)                           \
    X(Level, "LINEIN=", GetPlayLineInMute, LineIn, PlayMute)           \
    X(Level, "MIC=", GetPlayMicMute, Mic, PlayMute)                    \
    X(Level, "CD=", GetPlayCDMute, CD, PlayMute)                       \
    X(Level, "WAVEOUT=", GetPlayWaveOutMute, WaveOut, PlayMute)        \
    X(Level, "AUX=", GetPlayAuxMute, Aux, PlayMute)                    \
    X(Level, "MAIN=", GetPlayMainMute, Main, MainMute)                 \
    X(Text, "", None, None, None)                                      \
    X(Text, "[REC MUTE]", None, None, None)                            \
    X(Level, "LINEIN=", GetRecLineInMute, LineIn, RecMute)             \
    X(Level, "MIC=", GetRecMicMute, Mic, RecMute)                      \
    X(Level, "CD=", GetRecCDMute, CD, RecMute)                         \
    X(Level, "WAVEOUT=", GetRecWaveOutMute, WaveOut, RecMute)          \
    X(Level, "AUX=", GetRecAuxMute, Aux, RecMute)                      \
    X(Text, "", None, None, None)                                      \
    X(Text, "[REC SELECT]", None, None, None)                          \
    X(Select, "LINEIN=", GetRecLineInSelect, LineIn, None)             \
    X(Select, "MIC=", GetRecMicSelect, Mic, None)                      \
    X(Select, "CD=", GetRecCDSelect, CD, None)                         \
    X(Select, "ANALOG=", GetRecAnalogSelect, Analog, None)             \
    X(Select, "AUX=", GetRecAuxSelect, Aux, None)                      \
    X(Select, "DIGITAL=", GetRecDigitalSelect, Digital, None)          \
    X(Text, "", None, None, None)                                      \
    X(Text, "[ADVANCED]", None, None, None)                            \
    X(MicBoost, "MICBOOST=", GetPlayMicBoostMode, Mic, PlayBoost)      \
    X(Text, "", None, None, None)                                      \
    X(Text, "[CD]", None, None, None)                                  \
    X(CDType, "DIGITAL=", GetCDTypeDigital, None, None)

namespace settings_layout {

enum Kind { Text, Level, Select, MicBoost, CDType };

struct Line {
    Kind kind;
    const char* text;
    const char* getter;  // the function whose result follows; null for Text
};

#define MIXER_SETTINGS_LAYOUT_ROW(kind, text, getter, line, op) {kind, text, kind == Text ? nullptr : #getter},
const Line kLines[] = {MIXER_SETTINGS_LAYOUT(MIXER_SETTINGS_LAYOUT_ROW)};
#undef MIXER_SETTINGS_LAYOUT_ROW
const size_t kLineCount = sizeof kLines / sizeof kLines[0];

// The sections and keys Set reads, in the order the library numbers them.
const char* const kSections[] = {"[RECORD VOLUME]", "[PLAY VOLUME]", "[PLAY MUTE]", "[REC MUTE]",
                                 "[REC SELECT]",    "[ADVANCED]",    "[CD]"};
const char* const kKeys[] = {"LINEIN", "MIC", "CD", "AUX", "ANALOG", "DIGITAL", "MAIN", "WAVEOUT", "MICBOOST"};
const size_t kSectionCount = sizeof kSections / sizeof kSections[0];
const size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

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
        const std::string head = l.text;
        if (line.compare(0, head.size(), head) != 0) return false;
        std::string value = line.substr(head.size());
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
