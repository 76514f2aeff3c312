// Mixer control engine: line addressing, the control writer and reader.
#pragma once

#include "core/exports.h"
#include "engine/level_rule.h"
#include "engine/line_search.h"
#include "engine/ops.h"

static_assert(OpPlayMute == MIXER_OP_PLAY_MUTE && OpPlayVolume == MIXER_OP_PLAY_VOLUME &&
                  OpMainVolume == MIXER_OP_MAIN_VOLUME && OpRecMute == MIXER_OP_REC_MUTE &&
                  OpRecVolume == MIXER_OP_REC_VOLUME && OpRecSelect == MIXER_OP_REC_SELECT &&
                  OpPlaySelect == MIXER_OP_PLAY_SELECT && OpMainMute == MIXER_OP_MAIN_MUTE &&
                  OpPlayBalance == MIXER_OP_PLAY_BALANCE && OpPlayBoost == MIXER_OP_PLAY_BOOST &&
                  OpRecBoost == MIXER_OP_REC_BOOST && OpRecBalance == MIXER_OP_REC_BALANCE &&
                  OpMainBalance == MIXER_OP_MAIN_BALANCE,
              "the operation rows' codes are mixer.h's MIXER_OP_ codes");

// The exports SetMixer (writes one control of the line found: 1 when a line
// matched, 0 otherwise), LocateControl (writes the control of kind `op` on
// the line `lineId` of the open `mixer`, the host's handle, which names the
// mixer in every request) and GetPeak are declared in mixer.h
// (MIXER_FUNCTIONS_ENGINE).

// Writes the control of kind `op` on `line` (a line a search found, its
// destination's control standing in for one that keeps nothing on a
// recording endpoint's mixer; for LocateControl the host's line) on the
// mixer `object` names: the line search hands over device 0's identifier
// (see MixerDevice), LocateControl the host's handle. Every request passes
// `object` with flags MIXER_OBJECTF_MIXER (0), which winmm reads as a device
// identifier or, failing that, a handle.
LONG WriteControl(const FoundLine& line, LONG value, HMIXEROBJ object, LONG op);

// Reads one control of the line found: the value; 0 when no line or control;
// -1 on failure. Nothing is written.
LONG GetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName);
LONG ReadControl(const FoundLine& line, HMIXEROBJ object, LONG op);
