// Mixer control engine: line addressing, the control writer and reader.
#pragma once

#include "core/exports.h"

// Operation codes, mixer.h's MIXER_OP_ codes: which destination is searched,
// whether its source lines or the destination itself is meant, and which
// control is touched how.
enum MixerOp {
    OpPlayMute = MIXER_OP_PLAY_MUTE,
    OpPlayVolume = MIXER_OP_PLAY_VOLUME,
    OpMainVolume = MIXER_OP_MAIN_VOLUME,
    OpRecMute = MIXER_OP_REC_MUTE,
    OpRecVolume = MIXER_OP_REC_VOLUME,
    OpRecSelect = MIXER_OP_REC_SELECT,
    OpPlaySelect = MIXER_OP_PLAY_SELECT,
    OpMainMute = MIXER_OP_MAIN_MUTE,
    OpPlayBalance = MIXER_OP_PLAY_BALANCE,
    OpPlayBoost = MIXER_OP_PLAY_BOOST,
    OpRecBoost = MIXER_OP_REC_BOOST,
    OpNone = 11,  // no operation has this code (see mixer.h): a search that touches no control
    OpRecBalance = MIXER_OP_REC_BALANCE,
    OpMainBalance = MIXER_OP_MAIN_BALANCE,
};

// How an operation treats the control it takes.
enum Treatment { TreatNone, TreatBoolean, TreatLevel, TreatBalance };

// Component type of the destination an operation searches (wave-in or speakers).
DWORD OpDestinationType(LONG op);
// True for the operations that address the destination line itself.
bool OpAddressesDestination(LONG op);
// The control type an operation takes, 0 when it takes none.
DWORD OpControlType(LONG op);
Treatment OpTreatment(LONG op);

// Line search shared by the writer and reader entry points.
enum SearchOutcome { SearchFailed, SearchNotFound, SearchFound };
class MixerDevice;

// The line a search found. On a recording endpoint's mixer (see
// recording_endpoints.h) its destination's controls stand in for those of
// the line that keep nothing: Wine's source controls take a write and change
// nothing, and every control of a Windows endpoint acts on the one endpoint
// control that its destination's name.
struct FoundLine {
    DWORD lineId = 0;
    bool onEndpoint = false;  // found on a recording endpoint's mixer
    DWORD destinationId = 0;  // there, its wave-in destination
};

// Opens mixer device 0 into `device` and finds the line that `op` and the line
// target address. A recording line (a source of the wave-in destination) is
// looked for on the recording endpoints' mixers when device 0 has no wave-in
// destination. On SearchFound the device searched last stays open for the
// caller.
SearchOutcome FindMixerLine(DWORD componentType, LONG op, LPCSTR name, LONG byName, MixerDevice& device,
                            FoundLine* found);

// Given each line a walk reads, in the record the walk reuses; true ends the
// walk there.
typedef bool (*LineVisitor)(MIXERLINEA* line, void* context);
// The walk of mixer device 0's lines that the line search and the recording
// source names share. Opens the device into `device` (it stays open for the
// caller), reads its destinations in order and, for each one of component
// type `destinationType` that has source lines, gives `visit` each source
// line in order, or with `destinationItself` the destination line, read
// again, once. SearchFound when `visit` ends the walk, SearchNotFound when
// the walk ends by itself, SearchFailed when there is no device, it cannot
// be opened or a request fails.
SearchOutcome WalkLines(MixerDevice& device, DWORD destinationType, bool destinationItself, LineVisitor visit,
                        void* context);

// The exports SetMixer (writes one control of the line found: 1 when a line
// matched, 0 otherwise), LocateControl (writes the control of kind `op` on
// the line `lineId` of the open `mixer`, the host's handle, which names the
// mixer in every request) and GetPeak are declared in mixer.h
// (MIXER_FUNCTIONS_ENGINE).

// LocateControl's write on the mixer `object` names: the line search hands
// over device 0's identifier (see MixerDevice), the export the host's handle.
// Every request passes `object` with flags MIXER_OBJECTF_MIXER (0), which
// winmm reads as a device identifier or, failing that, a handle.
LONG WriteLineControl(DWORD lineId, LONG value, HMIXEROBJ object, LONG op);
// The same on a line a search found, its destination's control standing in
// for one that keeps nothing on a recording endpoint's mixer.
LONG WriteFoundLine(const FoundLine& line, LONG value, HMIXEROBJ object, LONG op);

// Reads one control of the line found: the value; 0 when no line or control;
// -1 on failure. Nothing is written.
LONG GetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName);
LONG QueryControl(DWORD lineId, LONG value, HMIXEROBJ object, LONG op);
LONG QueryFoundLine(const FoundLine& line, LONG value, HMIXEROBJ object, LONG op);

// Level and balance arithmetic, exposed for tests.
void ApplyLevelRule(LONG* first, LONG* last, LONG level);
void ApplyBalanceRule(LONG* first, LONG* last, LONG position);
