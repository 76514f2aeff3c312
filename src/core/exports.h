// How the library's exported functions are declared: C names, the standard
// calling convention, 32-bit arguments and results. The .def file gives each
// name its ordinal.
#pragma once

#include "platform/win.h"

#define MIXER_EXPORT extern "C"
