// The per-line exported functions. Each member binds a line, an operation and
// a direction; the tables below are the whole family.
#include "exports/line_exports.h"

#include "core/state.h"
#include "engine/engine.h"
#include "selector/selector.h"

#include <type_traits>

namespace {

enum Line { LineLineIn, LineMic, LineCD, LineWaveOut, LineAux, LineDigital, LineAnalog, LineMain };

// Component type of each line, and the recording source kind it is selected
// by (0 for the lines no selection export names), by Line.
struct LineKinds {
    DWORD componentType;
    LONG recSource;
};
const LineKinds kLineKinds[] = {
    {MIXERLINE_COMPONENTTYPE_SRC_LINE, SrcLineIn},    {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, SrcMic},
    {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, SrcCD}, {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 0},
    {MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, SrcAux},  {MIXERLINE_COMPONENTTYPE_SRC_DIGITAL, SrcDigital},
    {MIXERLINE_COMPONENTTYPE_SRC_ANALOG, SrcAnalog},  {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0},
};
static_assert(sizeof kLineKinds / sizeof *kLineKinds == LineMain + 1, "one row a line");

DWORD LineComponentType(Line line) { return kLineKinds[line].componentType; }
LONG LineRecSource(Line line) { return kLineKinds[line].recSource; }

// Copies the override name the line is addressed by into `name`
// (MIXER_NAME_CHARS bytes); false to address the line by its component type.
// The CD line follows the digital CD name only while the CD type flag is set;
// the flag is looked at before the name. The copy is taken under the state
// lock, so a name file read on another thread cannot change it mid-search.
bool OverrideName(Line line, char* name) {
    if (line != LineLineIn && line != LineDigital && line != LineCD) return false;
    StateLock lock;
    const char* source = line == LineLineIn    ? g_state.LineInLineName
                         : line == LineDigital ? g_state.DigitalLineName
                         : g_state.CDTypeDigital != 0 ? g_state.DigitalCDLineName
                                                      : nullptr;
    if (source == nullptr || source[0] == '\0') return false;
    CopyField(name, source);
    return true;
}

LONG SetLine(Line line, LONG op, LONG value) {
    char name[MIXER_NAME_CHARS];
    if (OverrideName(line, name))
        SetMixer(LineComponentType(line), op, value, name, 1);
    else
        SetMixer(LineComponentType(line), op, value, "", 0);
    return 1;
}

LONG GetLine(Line line, LONG op) {
    char name[MIXER_NAME_CHARS];
    if (OverrideName(line, name)) return GetMixer(LineComponentType(line), op, 0, name, 1);
    return GetMixer(LineComponentType(line), op, 0, "", 0);
}

LONG SelectSource(Line line) {
    char name[MIXER_NAME_CHARS];
    if (OverrideName(line, name))
        SelectLine(SrcNamed, name, 1);
    else
        SelectLine(LineRecSource(line), nullptr, 1);
    return 1;
}

LONG GetSourceSelect(Line line) {
    char name[MIXER_NAME_CHARS];
    if (OverrideName(line, name)) return GetSelectLine(SrcNamed, name);
    return GetSelectLine(LineRecSource(line), nullptr);
}

}  // namespace

// Mixer setters and getters: (setter, getter, line, operation). Balance has
// a setter only.
#define MIXER_MEMBERS(X)                                                  \
    X(SetPlayLineInVolume, GetPlayLineInVolume, LineLineIn, OpPlayVolume) \
    X(SetPlayMicVolume, GetPlayMicVolume, LineMic, OpPlayVolume)          \
    X(SetPlayCDVolume, GetPlayCDVolume, LineCD, OpPlayVolume)             \
    X(SetPlayWaveOutVolume, GetPlayWaveOutVolume, LineWaveOut, OpPlayVolume) \
    X(SetPlayAuxVolume, GetPlayAuxVolume, LineAux, OpPlayVolume)          \
    X(SetPlayDigitalVolume, GetPlayDigitalVolume, LineDigital, OpPlayVolume) \
    X(SetPlayMainVolume, GetPlayMainVolume, LineMain, OpMainVolume)       \
    X(SetRecLineInVolume, GetRecLineInVolume, LineLineIn, OpRecVolume)    \
    X(SetRecMicVolume, GetRecMicVolume, LineMic, OpRecVolume)             \
    X(SetRecCDVolume, GetRecCDVolume, LineCD, OpRecVolume)                \
    X(SetRecWaveOutVolume, GetRecWaveOutVolume, LineWaveOut, OpRecVolume) \
    X(SetRecAuxVolume, GetRecAuxVolume, LineAux, OpRecVolume)             \
    X(SetRecDigitalVolume, GetRecDigitalVolume, LineDigital, OpRecVolume) \
    X(SetRecAnalogVolume, GetRecAnalogVolume, LineAnalog, OpRecVolume)    \
    X(SetPlayLineInMute, GetPlayLineInMute, LineLineIn, OpPlayMute)       \
    X(SetPlayMicMute, GetPlayMicMute, LineMic, OpPlayMute)                \
    X(SetPlayCDMute, GetPlayCDMute, LineCD, OpPlayMute)                   \
    X(SetPlayWaveOutMute, GetPlayWaveOutMute, LineWaveOut, OpPlayMute)    \
    X(SetPlayAuxMute, GetPlayAuxMute, LineAux, OpPlayMute)                \
    X(SetPlayMainMute, GetPlayMainMute, LineMain, OpMainMute)             \
    X(SetRecLineInMute, GetRecLineInMute, LineLineIn, OpRecMute)          \
    X(SetRecMicMute, GetRecMicMute, LineMic, OpRecMute)                   \
    X(SetRecCDMute, GetRecCDMute, LineCD, OpRecMute)                      \
    X(SetRecWaveOutMute, GetRecWaveOutMute, LineWaveOut, OpRecMute)       \
    X(SetRecAuxMute, GetRecAuxMute, LineAux, OpRecMute)

#define SETTER_ONLY_MEMBERS(X)                           \
    X(SetPlayLineInBalance, LineLineIn, OpPlayBalance)   \
    X(SetRecLineInBalance, LineLineIn, OpRecBalance)     \
    X(SetPlayMainBalance, LineMain, OpMainBalance)       \
    X(SetPlayMicBoostMode, LineMic, OpPlayBoost)         \
    X(SetRecMicBoostMode, LineMic, OpRecBoost)

// Recording selection setters and getters: (setter, getter, line).
#define SELECTION_MEMBERS(X)                                    \
    X(SetRecLineInSelect, GetRecLineInSelect, LineLineIn)       \
    X(SetRecMicSelect, GetRecMicSelect, LineMic)                \
    X(SetRecCDSelect, GetRecCDSelect, LineCD)                   \
    X(SetRecAuxSelect, GetRecAuxSelect, LineAux)                \
    X(SetRecAnalogSelect, GetRecAnalogSelect, LineAnalog)       \
    X(SetRecDigitalSelect, GetRecDigitalSelect, LineDigital)

// Every member is a function mixer.h lists: a name it does not list has no
// MIXER_PFN_ type, and the definition does not compile.
#define LISTED(name) \
    static_assert(std::is_same<decltype(&name), MIXER_PFN_##name>::value, #name " is not as mixer.h lists it");
#define DEFINE_MIXER_MEMBER(setter, getter, line, op)                                 \
    MIXER_EXPORT LONG WINAPI setter(LONG value) { return SetLine(line, op, value); } \
    MIXER_EXPORT LONG WINAPI getter(void) { return GetLine(line, op); }              \
    LISTED(setter) LISTED(getter)
#define DEFINE_SETTER_ONLY(setter, line, op)                                          \
    MIXER_EXPORT LONG WINAPI setter(LONG value) { return SetLine(line, op, value); } \
    LISTED(setter)
#define DEFINE_SELECTION_MEMBER(setter, getter, line)                    \
    MIXER_EXPORT LONG WINAPI setter(void) { return SelectSource(line); } \
    MIXER_EXPORT LONG WINAPI getter(void) { return GetSourceSelect(line); } \
    LISTED(setter) LISTED(getter)

MIXER_MEMBERS(DEFINE_MIXER_MEMBER)
SETTER_ONLY_MEMBERS(DEFINE_SETTER_ONLY)
SELECTION_MEMBERS(DEFINE_SELECTION_MEMBER)

LONG GetPlayMicBoostMode(void) { return GetMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpPlayBoost, 0, "", 0); }

// Recording side first, then playback.
MIXER_EXPORT LONG WINAPI SetMicBoostMode(LONG value) {
    SetMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecBoost, value, "", 0);
    SetMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpPlayBoost, value, "", 0);
    return 1;
}

// On only when both sides are on. A failed first read (-1) counts as on, so
// the playback side decides then.
MIXER_EXPORT LONG WINAPI GetMicBoostMode(void) {
    if (GetMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecBoost, 0, "", 0) == 0) return 0;
    return GetPlayMicBoostMode();
}

MIXER_EXPORT LONG WINAPI SetCDTypeDigital(LONG value) {
    StateLock lock;
    g_state.CDTypeDigital = value;
    return 1;
}

MIXER_EXPORT LONG WINAPI GetCDTypeDigital(void) {
    StateLock lock;
    return g_state.CDTypeDigital;
}

MIXER_EXPORT LONG WINAPI NoOpWithValue(LONG value) {
    (void)value;
    return 1;
}

// RepeatPlay, SetPlayRecMonitorMute and SetVolume are NoOpWithValue under
// three names: aliases of its symbol, one address in every build. On 32-bit
// Windows a stdcall function's symbol carries its argument bytes. GCC marks
// the function as throwing nothing and wants its aliases marked alike; to
// clang that mark would be an exception specification mixer.h's
// declarations lack.
#if defined(_WIN32) && !defined(_WIN64)
#define NO_OP_SYMBOL "NoOpWithValue@4"
#else
#define NO_OP_SYMBOL "NoOpWithValue"
#endif
#ifdef __clang__
#define NO_OP_ALIAS __attribute__((alias(NO_OP_SYMBOL)))
#else
#define NO_OP_ALIAS __attribute__((alias(NO_OP_SYMBOL), nothrow))
#endif
#define DEFINE_NO_OP_ALIAS(name) \
    MIXER_EXPORT LONG WINAPI name(LONG value) NO_OP_ALIAS; LISTED(name)
DEFINE_NO_OP_ALIAS(RepeatPlay)
DEFINE_NO_OP_ALIAS(SetPlayRecMonitorMute)
DEFINE_NO_OP_ALIAS(SetVolume)

MIXER_EXPORT LONG WINAPI RepeatPlayStop(void) { return 1; }
