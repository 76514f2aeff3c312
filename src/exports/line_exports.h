// The per-line exported functions: one line, one property, one direction each.
#pragma once

#include "core/exports.h"

MIXER_EXPORT LONG WINAPI GetCDTypeDigital(void);
MIXER_EXPORT LONG WINAPI GetMicBoostMode(void);
MIXER_EXPORT LONG WINAPI GetPlayAuxMute(void);
MIXER_EXPORT LONG WINAPI GetPlayAuxVolume(void);
MIXER_EXPORT LONG WINAPI GetPlayCDMute(void);
MIXER_EXPORT LONG WINAPI GetPlayCDVolume(void);
MIXER_EXPORT LONG WINAPI GetPlayDigitalVolume(void);
MIXER_EXPORT LONG WINAPI GetPlayLineInMute(void);
MIXER_EXPORT LONG WINAPI GetPlayLineInVolume(void);
MIXER_EXPORT LONG WINAPI GetPlayMainMute(void);
MIXER_EXPORT LONG WINAPI GetPlayMainVolume(void);
MIXER_EXPORT LONG WINAPI GetPlayMicMute(void);
MIXER_EXPORT LONG WINAPI GetPlayMicVolume(void);
MIXER_EXPORT LONG WINAPI GetPlayWaveOutMute(void);
MIXER_EXPORT LONG WINAPI GetPlayWaveOutVolume(void);
MIXER_EXPORT LONG WINAPI GetRecAnalogSelect(void);
MIXER_EXPORT LONG WINAPI GetRecAnalogVolume(void);
MIXER_EXPORT LONG WINAPI GetRecAuxMute(void);
MIXER_EXPORT LONG WINAPI GetRecAuxSelect(void);
MIXER_EXPORT LONG WINAPI GetRecAuxVolume(void);
MIXER_EXPORT LONG WINAPI GetRecCDMute(void);
MIXER_EXPORT LONG WINAPI GetRecCDSelect(void);
MIXER_EXPORT LONG WINAPI GetRecCDVolume(void);
MIXER_EXPORT LONG WINAPI GetRecDigitalSelect(void);
MIXER_EXPORT LONG WINAPI GetRecDigitalVolume(void);
MIXER_EXPORT LONG WINAPI GetRecLineInMute(void);
MIXER_EXPORT LONG WINAPI GetRecLineInSelect(void);
MIXER_EXPORT LONG WINAPI GetRecLineInVolume(void);
MIXER_EXPORT LONG WINAPI GetRecMicMute(void);
MIXER_EXPORT LONG WINAPI GetRecMicSelect(void);
MIXER_EXPORT LONG WINAPI GetRecMicVolume(void);
MIXER_EXPORT LONG WINAPI GetRecWaveOutMute(void);
MIXER_EXPORT LONG WINAPI GetRecWaveOutVolume(void);
MIXER_EXPORT LONG WINAPI RepeatPlayStop(void);
MIXER_EXPORT LONG WINAPI SetCDTypeDigital(LONG value);
MIXER_EXPORT LONG WINAPI SetMicBoostMode(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayAuxMute(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayAuxVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayCDMute(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayCDVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayDigitalVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayLineInBalance(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayLineInMute(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayLineInVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayMainBalance(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayMainMute(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayMainVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayMicBoostMode(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayMicMute(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayMicVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayWaveOutMute(LONG value);
MIXER_EXPORT LONG WINAPI SetPlayWaveOutVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetRecAnalogSelect(void);
MIXER_EXPORT LONG WINAPI SetRecAnalogVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetRecAuxMute(LONG value);
MIXER_EXPORT LONG WINAPI SetRecAuxSelect(void);
MIXER_EXPORT LONG WINAPI SetRecAuxVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetRecCDMute(LONG value);
MIXER_EXPORT LONG WINAPI SetRecCDSelect(void);
MIXER_EXPORT LONG WINAPI SetRecCDVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetRecDigitalSelect(void);
MIXER_EXPORT LONG WINAPI SetRecDigitalVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetRecLineInBalance(LONG value);
MIXER_EXPORT LONG WINAPI SetRecLineInMute(LONG value);
MIXER_EXPORT LONG WINAPI SetRecLineInSelect(void);
MIXER_EXPORT LONG WINAPI SetRecLineInVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetRecMicBoostMode(LONG value);
MIXER_EXPORT LONG WINAPI SetRecMicMute(LONG value);
MIXER_EXPORT LONG WINAPI SetRecMicSelect(void);
MIXER_EXPORT LONG WINAPI SetRecMicVolume(LONG value);
MIXER_EXPORT LONG WINAPI SetRecWaveOutMute(LONG value);
MIXER_EXPORT LONG WINAPI SetRecWaveOutVolume(LONG value);

// Exported under three names, RepeatPlay, SetPlayRecMonitorMute and SetVolume
// (one address, see MIXER.def): does nothing and returns 1.
MIXER_EXPORT LONG WINAPI NoOpWithValue(LONG value);

// Internal: the playback-side microphone boost alone (used by Save).
LONG GetPlayMicBoostMode(void);
