// The per-line exported functions, generated from the per-line table
// (core/line_table.h): each binds a line, an operation and a direction.
#include "exports/line_exports.h"

#include "core/line_table.h"
#include "core/state.h"
#include "core/trace.h"
#include "engine/engine.h"
#include "selector/selector.h"

#include <type_traits>

namespace {

static_assert(kLineInfo[LineLineIn].recSource == SrcLineIn && kLineInfo[LineMic].recSource == SrcMic &&
                  kLineInfo[LineCD].recSource == SrcCD && kLineInfo[LineAux].recSource == SrcAux &&
                  kLineInfo[LineAnalog].recSource == SrcAnalog && kLineInfo[LineDigital].recSource == SrcDigital,
              "the lines' recording source kinds are mixer.h's MIXER_SRC_ codes");

// Copies the override name the line is addressed by into `name`
// (MIXER_NAME_CHARS bytes); false to address the line by its component type.
// The copy is taken under the state lock, so a name file read on another
// thread cannot change it mid-search.
bool OverrideName(LineId line, char* name) {
    const LineOverride rule = LineOf(line).override;
    if (rule == OverrideNone) return false;
    StateLock lock;
    const char* source = rule == OverrideLineIn    ? g_state.LineInLineName
                         : rule == OverrideDigital ? g_state.DigitalLineName
                         : g_state.CDTypeDigital != 0 ? g_state.DigitalCDLineName
                                                      : nullptr;
    if (source == nullptr || source[0] == '\0') return false;
    CopyField(name, source);
    return true;
}

// The bodies of the per-line exports, each entered through an ExportCall
// under the export's name (core/trace.h).
LONG SetLine(const char* exportName, LineId line, LONG op, LONG value) {
    ExportCall call("%s(%d)", exportName, value);
    char name[MIXER_NAME_CHARS];
    if (OverrideName(line, name))
        SetMixer(LineOf(line).componentType, op, value, name, 1);
    else
        SetMixer(LineOf(line).componentType, op, value, "", 0);
    return call.Returns(1);
}

LONG GetLine(const char* exportName, LineId line, LONG op) {
    ExportCall call("%s()", exportName);
    char name[MIXER_NAME_CHARS];
    if (OverrideName(line, name)) return call.Returns(GetMixer(LineOf(line).componentType, op, 0, name, 1));
    return call.Returns(GetMixer(LineOf(line).componentType, op, 0, "", 0));
}

LONG SelectSource(const char* exportName, LineId line) {
    ExportCall call("%s()", exportName);
    char name[MIXER_NAME_CHARS];
    if (OverrideName(line, name))
        SelectLine(SrcNamed, name, 1);
    else
        SelectLine(LineOf(line).recSource, nullptr, 1);
    return call.Returns(1);
}

LONG GetSourceSelect(const char* exportName, LineId line) {
    ExportCall call("%s()", exportName);
    char name[MIXER_NAME_CHARS];
    if (OverrideName(line, name)) return call.Returns(GetSelectLine(SrcNamed, name));
    return call.Returns(GetSelectLine(LineOf(line).recSource, nullptr));
}

}  // namespace

// Every export defined here is a function mixer.h lists: a name it does not
// list has no MIXER_PFN_ type, and the definition does not compile.
#define LISTED(name) \
    static_assert(std::is_same<decltype(&name), MIXER_PFN_##name>::value, #name " is not as mixer.h lists it");

// One definition a kind of row (the CD-type flag's two exports follow by
// hand: they reach no line).
#define DEFINE_Pair(setter, getter, line, op)                                                 \
    MIXER_EXPORT LONG WINAPI setter(LONG value) { return SetLine(#setter, line, op, value); }   \
    MIXER_EXPORT LONG WINAPI getter(void) { return GetLine(#getter, line, op); }                \
    LISTED(setter) LISTED(getter)
#define DEFINE_Setter(setter, getter, line, op)                                               \
    MIXER_EXPORT LONG WINAPI setter(LONG value) { return SetLine(#setter, line, op, value); } \
    LISTED(setter)
// The boost's getter is no export: it is called by exports only, and traces
// as part of their calls.
#define DEFINE_Boost(setter, getter, line, op)                                                \
    MIXER_EXPORT LONG WINAPI setter(LONG value) { return SetLine(#setter, line, op, value); } \
    LONG WINAPI getter(void) { return GetLine(#getter, line, op); }                           \
    LISTED(setter)
#define DEFINE_Select(setter, getter, line, op)                                \
    MIXER_EXPORT LONG WINAPI setter(void) { return SelectSource(#setter, line); } \
    MIXER_EXPORT LONG WINAPI getter(void) { return GetSourceSelect(#getter, line); } \
    LISTED(setter) LISTED(getter)
#define DEFINE_Flag(setter, getter, line, op) LISTED(setter) LISTED(getter)
#define DEFINE_ROW(kind, setter, getter, line, op, section, key, save) DEFINE_##kind(setter, getter, line, op)
MIXER_LINE_TABLE(DEFINE_ROW)

// Recording side first, then playback.
MIXER_EXPORT LONG WINAPI SetMicBoostMode(LONG value) {
    ExportCall call("SetMicBoostMode(%d)", value);
    SetMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecBoost, value, "", 0);
    SetMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpPlayBoost, value, "", 0);
    return call.Returns(1);
}

// On only when both sides are on. A failed first read (-1) counts as on, so
// the playback side decides then.
MIXER_EXPORT LONG WINAPI GetMicBoostMode(void) {
    ExportCall call("GetMicBoostMode()");
    if (GetMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecBoost, 0, "", 0) == 0) return call.Returns(0);
    return call.Returns(GetPlayMicBoostMode());
}

MIXER_EXPORT LONG WINAPI SetCDTypeDigital(LONG value) {
    ExportCall call("SetCDTypeDigital(%d)", value);
    {
        StateLock lock;
        g_state.CDTypeDigital = value;
    }
    return call.Returns(1);
}

MIXER_EXPORT LONG WINAPI GetCDTypeDigital(void) {
    ExportCall call("GetCDTypeDigital()");
    LONG value;
    {
        StateLock lock;
        value = g_state.CDTypeDigital;
    }
    return call.Returns(value);
}

// One function under three names: it traces as NoOpWithValue.
MIXER_EXPORT LONG WINAPI NoOpWithValue(LONG value) {
    ExportCall call("NoOpWithValue(%d)", value);
    return call.Returns(1);
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

MIXER_EXPORT LONG WINAPI RepeatPlayStop(void) {
    ExportCall call("RepeatPlayStop()");
    return call.Returns(1);
}
