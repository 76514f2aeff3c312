// The per-line table: every property of a line that the library exports, one
// row each, with its setter and getter, the line and operation they address,
// and the settings file's section and key that Save writes it under and Set
// restores it from. The library generates from it the per-line exports
// (exports/line_exports.cpp) and the settings file's layout and dispatch
// (persistence/settings_file.cpp); the tools that host the library read it
// to learn which export reaches which line.
//
// Header-only and free of the library's internals: the platform's mixer
// constants and the operation rows (engine/ops.h) are all it needs.
#pragma once

#include "engine/ops.h"
#include "platform/win.h"

#include <stddef.h>

// ---- Lines ---------------------------------------------------------------------

// How a line may be addressed besides its component type: by an override
// name from the sound-card name file (ReadDigitalConfiguration). The CD line
// takes the digital CD name only while the CD-type flag is set; the flag is
// looked at before the name. A line addressed by name is never looked for by
// its type as well.
enum LineOverride {
    OverrideNone,
    OverrideLineIn,     // the [LINEIN] name
    OverrideDigital,    // the [DIGITAL] name
    OverrideDigitalCD,  // the [DIGITALCD] name, while the CD-type flag is set
};

// X(line, component type, override, recording source kind, word)
//
// The component type is the line's, or for the main line the speakers
// destination's (the main operations address the destination itself). The
// recording source kind is mixer.h's MIXER_SRC_ code the line is selected by
// (0: no selection export names the line). The word names the line in the
// tools' property paths.
#define MIXER_LINES(X)                                                                  \
    X(LineLineIn, MIXERLINE_COMPONENTTYPE_SRC_LINE, OverrideLineIn, 1, "linein")         \
    X(LineMic, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OverrideNone, 2, "mic")           \
    X(LineCD, MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, OverrideDigitalCD, 3, "cd")       \
    X(LineWaveOut, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, OverrideNone, 0, "waveout")      \
    X(LineAux, MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, OverrideNone, 4, "aux")            \
    X(LineDigital, MIXERLINE_COMPONENTTYPE_SRC_DIGITAL, OverrideDigital, 6, "digital")   \
    X(LineAnalog, MIXERLINE_COMPONENTTYPE_SRC_ANALOG, OverrideNone, 5, "analog")         \
    X(LineMain, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, OverrideNone, 0, "main")

#define MIXER_LINE_ENUM_(line, type, override, source, word) line,
// LineNone: the row of the CD-type flag, which is no line.
enum LineId { MIXER_LINES(MIXER_LINE_ENUM_) LineCount, LineNone = LineCount };
#undef MIXER_LINE_ENUM_

struct LineInfo {
    LineId line;
    DWORD componentType;
    LineOverride override;
    LONG recSource;
    const char* word;
};

#define MIXER_LINE_INFO_(line, type, override, source, word) {line, static_cast<DWORD>(type), override, source, word},
inline constexpr LineInfo kLineInfo[LineCount] = {MIXER_LINES(MIXER_LINE_INFO_)};
#undef MIXER_LINE_INFO_

// ---- The settings file's sections and keys ---------------------------------------

// X(section, header): in the order Save writes them.
#define MIXER_SETTINGS_SECTIONS(X)           \
    X(SecRecordVolume, "[RECORD VOLUME]")   \
    X(SecPlayVolume, "[PLAY VOLUME]")       \
    X(SecPlayMute, "[PLAY MUTE]")           \
    X(SecRecMute, "[REC MUTE]")             \
    X(SecRecSelect, "[REC SELECT]")         \
    X(SecAdvanced, "[ADVANCED]")            \
    X(SecCD, "[CD]")

// X(key, word)
#define MIXER_SETTINGS_KEYS(X) \
    X(KeyLineIn, "LINEIN")     \
    X(KeyMic, "MIC")           \
    X(KeyCD, "CD")             \
    X(KeyAux, "AUX")           \
    X(KeyAnalog, "ANALOG")     \
    X(KeyDigital, "DIGITAL")   \
    X(KeyMain, "MAIN")         \
    X(KeyWaveOut, "WAVEOUT")   \
    X(KeyMicBoost, "MICBOOST")

#define MIXER_SETTINGS_NAME_ENUM_(name, text) name,
#define MIXER_SETTINGS_NAME_TEXT_(name, text) text,
// SecNone, KeyNone: a row the settings file does not hold.
enum Section { MIXER_SETTINGS_SECTIONS(MIXER_SETTINGS_NAME_ENUM_) SectionCount, SecNone = SectionCount };
enum Key { MIXER_SETTINGS_KEYS(MIXER_SETTINGS_NAME_ENUM_) KeyCount, KeyNone = KeyCount };
inline constexpr const char* kSectionHeaders[SectionCount] = {MIXER_SETTINGS_SECTIONS(MIXER_SETTINGS_NAME_TEXT_)};
inline constexpr const char* kKeyWords[KeyCount] = {MIXER_SETTINGS_KEYS(MIXER_SETTINGS_NAME_TEXT_)};
#undef MIXER_SETTINGS_NAME_ENUM_
#undef MIXER_SETTINGS_NAME_TEXT_

// The section of the entries before the first header.
const Section kFirstSection = SecPlayMute;

// ---- The rows ------------------------------------------------------------------

// The exports a row has:
//   RowPair    a setter taking the value and a getter, on a line;
//   RowSetter  a setter taking the value, no getter (balance cannot be read,
//              and the recording microphone boost is read by GetMicBoostMode);
//   RowBoost   a setter taking the value; its getter is the library's own
//              reading of the line (not exported: GetMicBoostMode reports
//              both boosts together), used by Save;
//   RowSelect  a setter without argument that selects the line as the
//              recording source (it never deselects) and a getter;
//   RowFlag    the CD-type flag's setter and getter, which reach no line.
enum RowKind { RowPair, RowSetter, RowBoost, RowSelect, RowFlag };

// What Save writes for a row after "KEY=":
//   SaveNo      nothing: Save leaves the row out (Set still restores it
//               when it has a section and key);
//   SaveValue   the getter's result;
//   SaveSwitch  1 when the getter reads non-zero, a failure included, else 0;
//               a first 0 is read again;
//   SaveFlag    1 when the getter returns non-zero, else 0.
enum SaveRule { SaveNo, SaveValue, SaveSwitch, SaveFlag };

// X(kind, setter, getter, line, op, section, key, save): the kind a RowKind
// and the save a SaveRule without their prefixes.
//
// Within a section the rows stand in the order Save writes them; the
// sections follow in the order of MIXER_SETTINGS_SECTIONS, each after an
// empty line but the first. Set hands a value under a section and key to the
// row with that section and key; a pair no row has takes no value.
#define MIXER_LINE_TABLE(X)                                                                                         \
    X(Pair, SetRecLineInVolume, GetRecLineInVolume, LineLineIn, OpRecVolume, SecRecordVolume, KeyLineIn, Value)     \
    X(Pair, SetRecMicVolume, GetRecMicVolume, LineMic, OpRecVolume, SecRecordVolume, KeyMic, Value)                 \
    X(Pair, SetRecCDVolume, GetRecCDVolume, LineCD, OpRecVolume, SecRecordVolume, KeyCD, Value)                     \
    X(Pair, SetRecAuxVolume, GetRecAuxVolume, LineAux, OpRecVolume, SecRecordVolume, KeyAux, Value)                 \
    X(Pair, SetRecWaveOutVolume, GetRecWaveOutVolume, LineWaveOut, OpRecVolume, SecRecordVolume, KeyWaveOut, Value) \
    X(Pair, SetRecDigitalVolume, GetRecDigitalVolume, LineDigital, OpRecVolume, SecRecordVolume, KeyDigital, Value) \
    X(Pair, SetRecAnalogVolume, GetRecAnalogVolume, LineAnalog, OpRecVolume, SecRecordVolume, KeyAnalog, Value)     \
    X(Pair, SetPlayLineInVolume, GetPlayLineInVolume, LineLineIn, OpPlayVolume, SecPlayVolume, KeyLineIn, Value)    \
    X(Pair, SetPlayMicVolume, GetPlayMicVolume, LineMic, OpPlayVolume, SecPlayVolume, KeyMic, Value)                \
    X(Pair, SetPlayCDVolume, GetPlayCDVolume, LineCD, OpPlayVolume, SecPlayVolume, KeyCD, Value)                    \
    X(Pair, SetPlayMainVolume, GetPlayMainVolume, LineMain, OpMainVolume, SecPlayVolume, KeyMain, Value)            \
    X(Pair, SetPlayWaveOutVolume, GetPlayWaveOutVolume, LineWaveOut, OpPlayVolume, SecPlayVolume, KeyWaveOut, Value)\
    X(Pair, SetPlayAuxVolume, GetPlayAuxVolume, LineAux, OpPlayVolume, SecPlayVolume, KeyAux, Value)                \
    X(Pair, SetPlayDigitalVolume, GetPlayDigitalVolume, LineDigital, OpPlayVolume, SecPlayVolume, KeyDigital, No)   \
    X(Pair, SetPlayLineInMute, GetPlayLineInMute, LineLineIn, OpPlayMute, SecPlayMute, KeyLineIn, Value)            \
    X(Pair, SetPlayMicMute, GetPlayMicMute, LineMic, OpPlayMute, SecPlayMute, KeyMic, Value)                        \
    X(Pair, SetPlayCDMute, GetPlayCDMute, LineCD, OpPlayMute, SecPlayMute, KeyCD, Value)                            \
    X(Pair, SetPlayWaveOutMute, GetPlayWaveOutMute, LineWaveOut, OpPlayMute, SecPlayMute, KeyWaveOut, Value)        \
    X(Pair, SetPlayAuxMute, GetPlayAuxMute, LineAux, OpPlayMute, SecPlayMute, KeyAux, Value)                        \
    X(Pair, SetPlayMainMute, GetPlayMainMute, LineMain, OpMainMute, SecPlayMute, KeyMain, Value)                    \
    X(Pair, SetRecLineInMute, GetRecLineInMute, LineLineIn, OpRecMute, SecRecMute, KeyLineIn, Value)                \
    X(Pair, SetRecMicMute, GetRecMicMute, LineMic, OpRecMute, SecRecMute, KeyMic, Value)                            \
    X(Pair, SetRecCDMute, GetRecCDMute, LineCD, OpRecMute, SecRecMute, KeyCD, Value)                                \
    X(Pair, SetRecWaveOutMute, GetRecWaveOutMute, LineWaveOut, OpRecMute, SecRecMute, KeyWaveOut, Value)            \
    X(Pair, SetRecAuxMute, GetRecAuxMute, LineAux, OpRecMute, SecRecMute, KeyAux, Value)                            \
    X(Select, SetRecLineInSelect, GetRecLineInSelect, LineLineIn, OpRecSelect, SecRecSelect, KeyLineIn, Value)      \
    X(Select, SetRecMicSelect, GetRecMicSelect, LineMic, OpRecSelect, SecRecSelect, KeyMic, Value)                  \
    X(Select, SetRecCDSelect, GetRecCDSelect, LineCD, OpRecSelect, SecRecSelect, KeyCD, Value)                      \
    X(Select, SetRecAnalogSelect, GetRecAnalogSelect, LineAnalog, OpRecSelect, SecRecSelect, KeyAnalog, Value)      \
    X(Select, SetRecAuxSelect, GetRecAuxSelect, LineAux, OpRecSelect, SecRecSelect, KeyAux, Value)                  \
    X(Select, SetRecDigitalSelect, GetRecDigitalSelect, LineDigital, OpRecSelect, SecRecSelect, KeyDigital, Value)  \
    X(Boost, SetPlayMicBoostMode, GetPlayMicBoostMode, LineMic, OpPlayBoost, SecAdvanced, KeyMicBoost, Switch)      \
    X(Flag, SetCDTypeDigital, GetCDTypeDigital, LineNone, OpNone, SecCD, KeyDigital, Flag)                          \
    X(Setter, SetPlayLineInBalance, None, LineLineIn, OpPlayBalance, SecNone, KeyNone, No)                          \
    X(Setter, SetRecLineInBalance, None, LineLineIn, OpRecBalance, SecNone, KeyNone, No)                            \
    X(Setter, SetPlayMainBalance, None, LineMain, OpMainBalance, SecNone, KeyNone, No)                              \
    X(Setter, SetRecMicBoostMode, None, LineMic, OpRecBoost, SecNone, KeyNone, No)

// A row as data, with the exports' names.
struct LineRow {
    RowKind kind;
    const char* setter;
    const char* getter;  // null for RowSetter; for RowBoost not an export
    LineId line;
    MixerOp op;
    Section section;
    Key key;
    SaveRule save;
};

#define MIXER_LINE_ROW_GETTER_Pair(getter) #getter
#define MIXER_LINE_ROW_GETTER_Setter(getter) nullptr
#define MIXER_LINE_ROW_GETTER_Boost(getter) #getter
#define MIXER_LINE_ROW_GETTER_Select(getter) #getter
#define MIXER_LINE_ROW_GETTER_Flag(getter) #getter
#define MIXER_LINE_ROW_(kind, setter, getter, line, op, section, key, save) \
    {Row##kind, #setter, MIXER_LINE_ROW_GETTER_##kind(getter), line, op, section, key, Save##save},
inline constexpr LineRow kLineRows[] = {MIXER_LINE_TABLE(MIXER_LINE_ROW_)};
#undef MIXER_LINE_ROW_
inline constexpr size_t kLineRowCount = sizeof kLineRows / sizeof kLineRows[0];

// ---- Looking rows up -----------------------------------------------------------

inline constexpr const LineInfo& LineOf(LineId line) { return kLineInfo[line]; }

// The row of a line and operation; null when the library exports none.
inline constexpr const LineRow* FindLineRow(LineId line, LONG op) {
    for (const LineRow& row : kLineRows)
        if (row.line == line && row.op == op) return &row;
    return nullptr;
}

// The row of a line, side and property ("play", "main", "volume": the row
// of OpMainVolume); null when the library exports none.
inline constexpr const LineRow* FindLineRow(LineId line, OpSide side, OpProperty property) {
    for (const LineRow& row : kLineRows)
        if (row.line == line && row.kind != RowFlag && OpRowOf(row.op).side == side &&
            OpRowOf(row.op).property == property)
            return &row;
    return nullptr;
}

// The row Set hands a value under `section` and `key` to; null when the
// pair takes no value.
inline constexpr const LineRow* FindSettingsRow(int section, int key) {
    for (const LineRow& row : kLineRows)
        if (row.section != SecNone && row.section == section && row.key == key) return &row;
    return nullptr;
}

// Every section and key pair names one row at most, every row a line and
// operation of its own, and the rows of the file stand section by section.
inline constexpr bool LineTableIsWellFormed() {
    int lastSection = 0;
    for (size_t i = 0; i < kLineRowCount; ++i) {
        const LineRow& row = kLineRows[i];
        if ((row.section == SecNone) != (row.key == KeyNone)) return false;
        if (row.section == SecNone && row.save != SaveNo) return false;
        if (row.section != SecNone) {
            if (row.section < lastSection) return false;
            lastSection = row.section;
            if (FindSettingsRow(row.section, row.key) != &row) return false;
        }
        const OpRow& op = OpRowOf(row.op);
        if (row.kind != RowFlag && (FindLineRow(row.line, row.op) != &row ||
                                    FindLineRow(row.line, op.side, op.property) != &row))
            return false;
        if ((row.kind == RowFlag) != (row.line == LineNone)) return false;
    }
    return true;
}
static_assert(LineTableIsWellFormed(), "the per-line table is not as its comments say");
