// Mixer settings file: Save writes every setting the per-line getters report
// as a sectioned text; Set reads such a text and hands each value to the
// matching per-line setter.
//
// Set applies everything Save writes, so that restoring a saved file brings
// back what was saved: the recording mutes ("[REC MUTE]", with the
// SetRec...Mute setters), the wave-out recording volume (WAVEOUT of
// "[RECORD VOLUME]", SetRecWaveOutVolume) and the analog recording source
// (ANALOG of "[REC SELECT]", selected like the other sources).
//
// What the file promises: it is never partial (the text goes to a temporary
// file that replaces the target only once complete), never replaced by the
// values of a mixer that could not be read (Save returns 0 instead), and a
// read-only file is left as it is. A value of -1, the getters' failure value
// that older files may hold, restores nothing.
#include "core/holders.h"
#include "core/state.h"
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence/text_file.h"
#include "persistence/tokens.h"

namespace {

// ---- Save --------------------------------------------------------------------

typedef LONG(WINAPI* Getter)(void);

enum LineKind {
    LineText,      // the text alone (a section header or an empty line)
    LineValue,     // the key, then the getter's result
    LineMicBoost,  // the key, then 0 or 1 from the playback microphone boost
    LineCDType,    // the key, then 0 or 1 from the CD-type flag
};

struct LayoutLine {
    LineKind kind;
    const char* text;
    Getter getter;
};

const LayoutLine kLayout[] = {
    {LineText, "[RECORD VOLUME]", nullptr},
    {LineValue, "LINEIN=", GetRecLineInVolume},
    {LineValue, "MIC=", GetRecMicVolume},
    {LineValue, "CD=", GetRecCDVolume},
    {LineValue, "AUX=", GetRecAuxVolume},
    {LineValue, "WAVEOUT=", GetRecWaveOutVolume},
    {LineValue, "DIGITAL=", GetRecDigitalVolume},
    {LineValue, "ANALOG=", GetRecAnalogVolume},
    {LineText, "", nullptr},
    {LineText, "[PLAY VOLUME]", nullptr},
    {LineValue, "LINEIN=", GetPlayLineInVolume},
    {LineValue, "MIC=", GetPlayMicVolume},
    {LineValue, "CD=", GetPlayCDVolume},
    {LineValue, "MAIN=", GetPlayMainVolume},
    {LineValue, "WAVEOUT=", GetPlayWaveOutVolume},
    {LineValue, "AUX=", GetPlayAuxVolume},
    {LineText, "", nullptr},
    {LineText, "[PLAY MUTE]", nullptr},
    {LineValue, "LINEIN=", GetPlayLineInMute},
    {LineValue, "MIC=", GetPlayMicMute},
    {LineValue, "CD=", GetPlayCDMute},
    {LineValue, "WAVEOUT=", GetPlayWaveOutMute},
    {LineValue, "AUX=", GetPlayAuxMute},
    {LineValue, "MAIN=", GetPlayMainMute},
    {LineText, "", nullptr},
    {LineText, "[REC MUTE]", nullptr},
    {LineValue, "LINEIN=", GetRecLineInMute},
    {LineValue, "MIC=", GetRecMicMute},
    {LineValue, "CD=", GetRecCDMute},
    {LineValue, "WAVEOUT=", GetRecWaveOutMute},
    {LineValue, "AUX=", GetRecAuxMute},
    {LineText, "", nullptr},
    {LineText, "[REC SELECT]", nullptr},
    {LineValue, "LINEIN=", GetRecLineInSelect},
    {LineValue, "MIC=", GetRecMicSelect},
    {LineValue, "CD=", GetRecCDSelect},
    {LineValue, "ANALOG=", GetRecAnalogSelect},
    {LineValue, "AUX=", GetRecAuxSelect},
    {LineValue, "DIGITAL=", GetRecDigitalSelect},
    {LineText, "", nullptr},
    {LineText, "[ADVANCED]", nullptr},
    {LineMicBoost, "MICBOOST=", nullptr},
    {LineText, "", nullptr},
    {LineText, "[CD]", nullptr},
    {LineCDType, "DIGITAL=", nullptr},
};

// The whole text: 45 lines of at most 27 characters each.
const DWORD kSettingsTextChars = 2048;

struct TextOut {
    char* text;
    DWORD length;
};

void Append(TextOut* out, const char* s) {
    while (*s != '\0' && out->length < kSettingsTextChars) out->text[out->length++] = *s++;
}

void AppendNumber(TextOut* out, LONG value) {
    char digits[12];
    const DWORD n = FormatNumber(value, digits);
    for (DWORD i = 0; i < n && out->length < kSettingsTextChars; ++i) out->text[out->length++] = digits[i];
}

// The getters' failure value. A line that is not there reads as 0.
const LONG kFailed = -1;

// Any non-zero result counts as on, a failure value included; a first
// reading of 0 is taken again before the boost counts as off.
LONG MicBoostEntry(bool* failed) {
    LONG reading = GetPlayMicBoostMode();
    if (reading == 0) reading = GetPlayMicBoostMode();
    if (reading == kFailed) *failed = true;
    return reading != 0 ? 1 : 0;
}

// The getter's value; *failed set when it is the failure value.
LONG NoteFailure(LONG value, bool* failed) {
    if (value == kFailed) *failed = true;
    return value;
}

// Builds the text, calling each line's getter as its line is built. *failed
// tells whether a getter returned the failure value.
DWORD BuildSettingsText(char* text, bool* failed) {
    TextOut out = {text, 0};
    *failed = false;
    for (const LayoutLine& line : kLayout) {
        Append(&out, line.text);
        switch (line.kind) {
        case LineText:
            break;
        case LineValue:
            AppendNumber(&out, NoteFailure(line.getter(), failed));
            break;
        case LineMicBoost:
            AppendNumber(&out, MicBoostEntry(failed));
            break;
        case LineCDType:
            AppendNumber(&out, GetCDTypeDigital() != 0 ? 1 : 0);
            break;
        }
        Append(&out, "\n");
    }
    return out.length;
}

// True when mixer device 0 is there, opens, and its destinations can be
// read: a line search for a name no line has (no name at all) walks them.
// A getter's failure value says no more than that one line or control could
// not be read (a disabled control, a source the selector does not list); when
// the device itself cannot be read, every value is one, and none is worth
// keeping.
bool MixerReadable() {
    MixerDevice device;
    FoundLine line;
    return FindMixerLine(0, OpMainVolume, nullptr, 1, device, &line) != SearchFailed;
}

// ---- Set ---------------------------------------------------------------------

enum Section { SecRecordVolume, SecPlayVolume, SecPlayMute, SecRecMute, SecRecSelect, SecAdvanced, SecCD, SectionCount };
enum Key { KeyLineIn, KeyMic, KeyCD, KeyAux, KeyAnalog, KeyDigital, KeyMain, KeyWaveOut, KeyMicBoost, KeyCount };
const int kNoKey = -1;

const char* const kSectionNames[SectionCount] = {"[RECORD VOLUME]", "[PLAY VOLUME]", "[PLAY MUTE]", "[REC MUTE]",
                                                  "[REC SELECT]",    "[ADVANCED]",    "[CD]"};
const char* const kKeyNames[KeyCount] = {"LINEIN", "MIC", "CD", "AUX", "ANALOG", "DIGITAL", "MAIN", "WAVEOUT", "MICBOOST"};

typedef LONG(WINAPI* ValueSetter)(LONG);
typedef LONG(WINAPI* SelectSetter)(void);

// A cell calls `set` with the value's number, or `select` when the number is
// non-zero; an empty cell drops the value.
struct Cell {
    ValueSetter set;
    SelectSetter select;
};

#define NONE {nullptr, nullptr}
#define SET(fn) {fn, nullptr}
#define SELECT(fn) {nullptr, fn}

// Rows by section, columns LINEIN, MIC, CD, AUX, ANALOG, DIGITAL, MAIN, WAVEOUT, MICBOOST.
const Cell kDispatch[SectionCount][KeyCount] = {
    // [RECORD VOLUME]
    {SET(SetRecLineInVolume), SET(SetRecMicVolume), SET(SetRecCDVolume), SET(SetRecAuxVolume),
     SET(SetRecAnalogVolume), SET(SetRecDigitalVolume), NONE, SET(SetRecWaveOutVolume), NONE},
    // [PLAY VOLUME]
    {SET(SetPlayLineInVolume), SET(SetPlayMicVolume), SET(SetPlayCDVolume), SET(SetPlayAuxVolume), NONE,
     SET(SetPlayDigitalVolume), SET(SetPlayMainVolume), SET(SetPlayWaveOutVolume), NONE},
    // [PLAY MUTE]
    {SET(SetPlayLineInMute), SET(SetPlayMicMute), SET(SetPlayCDMute), SET(SetPlayAuxMute), NONE, NONE,
     SET(SetPlayMainMute), SET(SetPlayWaveOutMute), NONE},
    // [REC MUTE]
    {SET(SetRecLineInMute), SET(SetRecMicMute), SET(SetRecCDMute), SET(SetRecAuxMute), NONE, NONE, NONE,
     SET(SetRecWaveOutMute), NONE},
    // [REC SELECT]
    {SELECT(SetRecLineInSelect), SELECT(SetRecMicSelect), SELECT(SetRecCDSelect), SELECT(SetRecAuxSelect),
     SELECT(SetRecAnalogSelect), SELECT(SetRecDigitalSelect), NONE, NONE, NONE},
    // [ADVANCED]
    {NONE, NONE, NONE, NONE, NONE, NONE, NONE, NONE, SET(SetPlayMicBoostMode)},
    // [CD]
    {NONE, NONE, NONE, NONE, NONE, SET(SetCDTypeDigital), NONE, NONE, NONE},
};

#undef NONE
#undef SET
#undef SELECT

int FindWord(const Token& token, const char* const* words, int count) {
    for (int i = 0; i < count; ++i)
        if (TokenIs(token, words[i])) return i;
    return -1;
}

// Section headers and keys change the current pair; every other token is a
// value for it. Entries before the first header belong to "[PLAY MUTE]".
void ApplySettings(const char* text, DWORD length) {
    int section = SecPlayMute;
    int key = kNoKey;
    TokenReader reader;
    StartTokens(&reader, text, length);
    Token token;
    while (NextToken(&reader, &token)) {
        const int header = FindWord(token, kSectionNames, SectionCount);
        if (header >= 0) {
            section = header;
            continue;
        }
        const int word = FindWord(token, kKeyNames, KeyCount);
        if (word >= 0) {
            key = word;
            continue;
        }
        // The getters' failure value, as older files hold it where the mixer
        // could not be read, is no setting at all.
        if (key == kNoKey || TokenIs(token, "-1")) continue;
        const Cell& cell = kDispatch[section][key];
        const LONG number = TokenNumber(token);
        if (cell.set != nullptr)
            cell.set(number);
        else if (cell.select != nullptr && number != 0)
            cell.select();
    }
}

}  // namespace

MIXER_EXPORT LONG WINAPI Save(LPCSTR path) {
    if (path == nullptr) return 0;
    LocalBlock buffer;
    if (!buffer.Alloc(kSettingsTextChars, 1)) return 0;
    // Every getter is called before the file is touched. When one failed and
    // device 0 cannot be read now, the mixer was gone (unplugged, or refusing
    // its handles): the file keeps the settings it has.
    bool failed = false;
    const DWORD length = BuildSettingsText(buffer.as<char>(), &failed);
    if (failed && !MixerReadable()) return 0;
    return ReplaceTextFile(path, buffer.as<char>(), length) ? 1 : 0;
}

MIXER_EXPORT LONG WINAPI Set(LPCSTR path) {
    if (path == nullptr) return 0;
    FileText text;
    const TextReadOutcome read = LoadTextFile(path, &text);
    if (read == TextOpenFailed || (read == TextRead && text.length == 0)) return 0;
    // A failed read leaves nothing to apply, but the CD type is still reset.
    SetCDTypeDigital(0);
    ApplySettings(text.chars(), text.length);
    return 1;
}
