// Mixer control engine: line addressing, the control writer and reader.
#pragma once

#include "core/exports.h"

// Operation codes: which destination is searched, whether its source lines or
// the destination itself is meant, and which control is touched how.
enum MixerOp {
    OpPlayMute = 0,
    OpPlayVolume = 1,
    OpMainVolume = 2,
    OpRecMute = 3,
    OpRecVolume = 4,
    OpRecSelect = 5,
    OpPlaySelect = 6,
    OpMainMute = 7,
    OpPlayBalance = 8,
    OpPlayBoost = 9,
    OpRecBoost = 10,
    OpNone = 11,
    OpRecBalance = 12,
    OpMainBalance = 13,
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
// Opens mixer device 0 into `device` and finds the line that `op` and the line
// target address. On SearchFound the device stays open for the caller.
SearchOutcome FindMixerLine(DWORD componentType, LONG op, LPCSTR name, LONG byName, MixerDevice& device,
                            DWORD* lineId);

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

// Writes one control of the line found: 1 when a line matched, 0 otherwise.
MIXER_EXPORT LONG WINAPI SetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName);
// Writes the control of kind `op` on the line `lineId` of the open `mixer`,
// the host's handle, which names the mixer in every request.
MIXER_EXPORT LONG WINAPI LocateControl(DWORD lineId, LONG value, HMIXER mixer, LONG op);
// The same on the mixer `object` names: the line search hands over device 0's
// identifier (see MixerDevice), the export above the host's handle. Every
// request passes `object` with flags MIXER_OBJECTF_MIXER (0), which winmm
// reads as a device identifier or, failing that, a handle.
LONG WriteLineControl(DWORD lineId, LONG value, HMIXEROBJ object, LONG op);

// Reads one control of the line found: the value; 0 when no line or control;
// -1 on failure. Nothing is written.
LONG GetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName);
LONG QueryControl(DWORD lineId, LONG value, HMIXEROBJ object, LONG op);

// Magnitude of the peak meter of the first line of a component type; 0 on
// any failure.
MIXER_EXPORT LONG WINAPI GetPeak(DWORD componentType);

// Level and balance arithmetic, exposed for tests.
void ApplyLevelRule(LONG* first, LONG* last, LONG level);
void ApplyBalanceRule(LONG* first, LONG* last, LONG position);
