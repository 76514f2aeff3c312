// The one place the library gets its platform from: the real Win32 headers on
// Windows, the simulated platform's declarations everywhere else.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>  // DRVM_MAPPER_PREFERRED_GET
#else
#include "sim/win32_api.h"
#endif
