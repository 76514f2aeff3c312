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
#include "core/trace.h"
#include "core/line_table.h"
#include "core/state.h"
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence/settings_grammar.h"
#include "persistence/text_file.h"
#include "persistence/tokens.h"

namespace {

// What the settings file needs of each row of the per-line table, in the
// table's order: the setter that takes a value, or the one that selects; the
// getter; the section, key and what Save writes.
typedef LONG(WINAPI* ValueSetter)(LONG);
typedef LONG(WINAPI* PlainFunction)(void);
struct SettingsRow {
    ValueSetter set;
    PlainFunction select;
    PlainFunction get;
    unsigned char section;
    unsigned char key;
    unsigned char save;
};

#define SETTINGS_FUNCTIONS_Pair(setter, getter) setter, nullptr, getter
#define SETTINGS_FUNCTIONS_Setter(setter, getter) setter, nullptr, nullptr
#define SETTINGS_FUNCTIONS_Boost(setter, getter) setter, nullptr, getter
#define SETTINGS_FUNCTIONS_Select(setter, getter) nullptr, setter, getter
#define SETTINGS_FUNCTIONS_Flag(setter, getter) setter, nullptr, getter
#define SETTINGS_ROW(kind, setter, getter, line, op, section, key, save) \
    {SETTINGS_FUNCTIONS_##kind(setter, getter), section, key, Save##save},
const SettingsRow kSettingsRows[] = {MIXER_LINE_TABLE(SETTINGS_ROW)};
#undef SETTINGS_ROW
static_assert(sizeof kSettingsRows / sizeof kSettingsRows[0] == kLineRowCount, "one entry a row");

// ---- Save --------------------------------------------------------------------

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

// The value Save writes for a row; *failed set when a getter's failure value
// went into it.
LONG SavedValue(int rule, PlainFunction get, bool* failed) {
    LONG reading = get();
    switch (rule) {
    case SaveSwitch:
        // Any non-zero result counts as on, a failure value included; a first
        // reading of 0 is taken again before the switch counts as off.
        if (reading == 0) reading = get();
        if (reading == kFailed) *failed = true;
        return reading != 0 ? 1 : 0;
    case SaveFlag:
        return reading != 0 ? 1 : 0;
    default:
        if (reading == kFailed) *failed = true;
        return reading;
    }
}

// Builds the text, calling each row's getter as its line is built: the
// sections in order, each after an empty line but the first, and in each the
// rows Save writes. *failed tells whether a getter returned the failure
// value.
DWORD BuildSettingsText(char* text, bool* failed) {
    TextOut out = {text, 0};
    *failed = false;
    int section = SecNone;
    for (const SettingsRow& row : kSettingsRows) {
        if (row.save == SaveNo) continue;
        if (row.section != section) {
            if (section != SecNone) Append(&out, "\n");
            section = row.section;
            Append(&out, kSectionHeaders[section]);
            Append(&out, "\n");
        }
        Append(&out, kKeyWords[row.key]);
        Append(&out, "=");
        AppendNumber(&out, SavedValue(row.save, row.get, failed));
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

// Hands each value to the row its section and key name: a row that selects
// selects when the number is non-zero, any other row's setter takes the
// number. Values before the first key, under a pair no row has, and the
// failure mark are dropped.
void ApplySettings(const char* text, DWORD length) {
    ReadSettingsEntries(text, length, [](int section, int key, const Token& value) {
        if (key == KeyNone || IsFailureMark(value)) return;
        const int row = SettingsRowIndex(section, key);
        if (row < 0) return;
        const SettingsRow& f = kSettingsRows[row];
        const LONG number = TokenNumber(value);
        if (f.set != nullptr)
            f.set(number);
        else if (number != 0)
            f.select();
    });
}

}  // namespace

MIXER_EXPORT LONG WINAPI Save(LPCSTR path) {
    ExportCall call("Save(\"%.255s\")", req::S(path));
    if (path == nullptr) return call.Returns(0);
    LocalBlock buffer;
    if (!buffer.Alloc(kSettingsTextChars, 1)) return call.Returns(0);
    // Every getter is called before the file is touched. When one failed and
    // device 0 cannot be read now, the mixer was gone (unplugged, or refusing
    // its handles): the file keeps the settings it has.
    bool failed = false;
    const DWORD length = BuildSettingsText(buffer.as<char>(), &failed);
    if (failed && !MixerReadable()) return call.Returns(0);
    return call.Returns(ReplaceTextFile(path, buffer.as<char>(), length) ? 1 : 0);
}

MIXER_EXPORT LONG WINAPI Set(LPCSTR path) {
    ExportCall call("Set(\"%.255s\")", req::S(path));
    if (path == nullptr) return call.Returns(0);
    FileText text;
    const TextReadOutcome read = LoadTextFile(path, &text);
    if (read == TextOpenFailed || (read == TextRead && text.length == 0)) return call.Returns(0);
    // A failed read leaves nothing to apply, but the CD type is still reset.
    SetCDTypeDigital(0);
    ApplySettings(text.chars(), text.length);
    return call.Returns(1);
}

