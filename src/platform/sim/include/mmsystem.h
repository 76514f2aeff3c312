// <mmsystem.h> in the native build: winmm's declarations are part of the
// simulated platform's (../win32_api.h).
#pragma once

#include "../win32_api.h"
