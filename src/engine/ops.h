// The operations of SetMixer and LocateControl, one row each: which
// destination the line search looks in, whether the destination line itself
// is meant, which control is taken and how it is treated.
//
// Header-only and free of the library's internals, so that the tools that
// host the library read the same rows (the codes are mixer.h's MIXER_OP_
// codes; the engine checks each against mixer.h).
#pragma once

#include "platform/win.h"

// The side of the mixer an operation works on: playback (the speakers
// destination) or recording (the wave-in destination).
enum OpSide : unsigned char { SidePlay, SideRec };

// What an operation does to its line, as the per-line exports name it.
enum OpProperty : unsigned char { PropVolume, PropMute, PropBalance, PropBoost, PropSelect, PropNone };

// How an operation treats the control it takes.
enum Treatment : unsigned char { TreatNone, TreatBoolean, TreatLevel, TreatBalance };

// X(op, code, side, property, destination itself, control type, treatment)
#define MIXER_OPERATIONS(X)                                                                         \
    X(OpPlayMute, 0, SidePlay, PropMute, false, MIXERCONTROL_CONTROLTYPE_MUTE, TreatBoolean)          \
    X(OpPlayVolume, 1, SidePlay, PropVolume, false, MIXERCONTROL_CONTROLTYPE_VOLUME, TreatLevel)      \
    X(OpMainVolume, 2, SidePlay, PropVolume, true, MIXERCONTROL_CONTROLTYPE_VOLUME, TreatLevel)       \
    X(OpRecMute, 3, SideRec, PropMute, false, MIXERCONTROL_CONTROLTYPE_MUTE, TreatBoolean)            \
    X(OpRecVolume, 4, SideRec, PropVolume, false, MIXERCONTROL_CONTROLTYPE_VOLUME, TreatLevel)        \
    X(OpRecSelect, 5, SideRec, PropSelect, false, MIXERCONTROL_CONTROLTYPE_SINGLESELECT, TreatBoolean) \
    X(OpPlaySelect, 6, SidePlay, PropSelect, false, MIXERCONTROL_CONTROLTYPE_SINGLESELECT, TreatBoolean) \
    X(OpMainMute, 7, SidePlay, PropMute, true, MIXERCONTROL_CONTROLTYPE_MUTE, TreatBoolean)           \
    X(OpPlayBalance, 8, SidePlay, PropBalance, false, MIXERCONTROL_CONTROLTYPE_VOLUME, TreatBalance)  \
    X(OpPlayBoost, 9, SidePlay, PropBoost, false, MIXERCONTROL_CONTROLTYPE_ONOFF, TreatBoolean)       \
    X(OpRecBoost, 10, SideRec, PropBoost, false, MIXERCONTROL_CONTROLTYPE_ONOFF, TreatBoolean)        \
    X(OpNone, 11, SidePlay, PropNone, false, 0, TreatNone)                                            \
    X(OpRecBalance, 12, SideRec, PropBalance, false, MIXERCONTROL_CONTROLTYPE_VOLUME, TreatBalance)   \
    X(OpMainBalance, 13, SidePlay, PropBalance, true, MIXERCONTROL_CONTROLTYPE_VOLUME, TreatBalance)

// No operation has the code 11 (see mixer.h): OpNone names the search that
// touches no control, as every code outside the table does.
#define MIXER_OP_ENUM_(op, code, side, property, itself, control, treatment) op = code,
enum MixerOp : unsigned char { MIXER_OPERATIONS(MIXER_OP_ENUM_) };
#undef MIXER_OP_ENUM_

struct OpRow {
    MixerOp op;
    OpSide side;
    OpProperty property;
    bool itself;  // the destination line itself, not one of its sources
    Treatment treatment;
    DWORD controlType;
};

#define MIXER_OP_ROW_(op, code, side, property, itself, control, treatment) \
    {op, side, property, itself, treatment, static_cast<DWORD>(control)},
inline constexpr OpRow kOpRows[] = {MIXER_OPERATIONS(MIXER_OP_ROW_)};
#undef MIXER_OP_ROW_

inline constexpr LONG kOpRowCount = sizeof kOpRows / sizeof kOpRows[0];

// The row of an operation code (the rows stand in code order); a code
// outside the table reads as OpNone's.
inline constexpr const OpRow& OpRowOf(LONG op) {
    return kOpRows[op >= 0 && op < kOpRowCount ? op : static_cast<LONG>(OpNone)];
}

// Component type of the destination an operation searches (wave-in or speakers).
inline constexpr DWORD OpDestinationType(LONG op) {
    return OpRowOf(op).side == SideRec ? MIXERLINE_COMPONENTTYPE_DST_WAVEIN : MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
}
// True for the operations that address the destination line itself.
inline constexpr bool OpAddressesDestination(LONG op) { return OpRowOf(op).itself; }
// The control type an operation takes, 0 when it takes none.
inline constexpr DWORD OpControlType(LONG op) { return OpRowOf(op).controlType; }
inline constexpr Treatment OpTreatment(LONG op) { return OpRowOf(op).treatment; }

// The words the tools name sides and properties by ("play.linein.volume").
inline constexpr const char* SideWord(OpSide side) { return side == SideRec ? "rec" : "play"; }
inline constexpr const char* PropertyWord(OpProperty property) {
    constexpr const char* kWords[] = {"volume", "mute", "balance", "boost", "select", ""};
    return kWords[property];
}

inline constexpr bool OpRowsInCodeOrder() {
    for (LONG i = 0; i < kOpRowCount; ++i)
        if (kOpRows[i].op != i) return false;
    return true;
}
static_assert(OpRowsInCodeOrder(), "one row a code, in code order");
