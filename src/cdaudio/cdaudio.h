// CD audio player over MCI: the exports OpenCD, PlayCD, StopCD and CloseCD
// are declared in mixer.h (MIXER_FUNCTIONS_CD).
#pragma once

#include "core/exports.h"

// Internal: sets the open device's time format to tracks/minutes/seconds/frames.
LONG SetTimeFormatToTrack(void);
