// <windows.h> in the native build: the simulated platform's declarations
// (../win32_api.h), so that code written for Windows, the public mixer.h
// among it, compiles against the simulation unchanged.
#pragma once

#include "../win32_api.h"
