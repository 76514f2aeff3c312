// CD audio player over MCI.
#pragma once

#include "core/exports.h"

MIXER_EXPORT LONG WINAPI OpenCD(void);
MIXER_EXPORT LONG WINAPI PlayCD(LONG track);
MIXER_EXPORT LONG WINAPI StopCD(void);
MIXER_EXPORT LONG WINAPI CloseCD(void);
// Internal: sets the open device's time format to tracks/minutes/seconds/frames.
LONG SetTimeFormatToTrack(void);
