// The per-line exported functions: one line, one property, one direction
// each (declared in mixer.h: MIXER_FUNCTIONS_LINE_SETTERS, _LINE_GETTERS,
// _SELECTION and _MISC).
#pragma once

#include "core/exports.h"

// Does nothing and returns 1: the one function behind the exports
// RepeatPlay, SetPlayRecMonitorMute and SetVolume, which are its aliases.
MIXER_EXPORT LONG WINAPI NoOpWithValue(LONG value);

// Internal: the playback-side microphone boost alone (used by Save).
LONG WINAPI GetPlayMicBoostMode(void);
