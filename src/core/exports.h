// How the library's exported functions are declared: their prototypes are
// the public header's (include/mixer.h, whose lists are the one table of the
// exports), declared here without __declspec(dllimport). A definition whose
// parameters differ from the header's does not compile: the names are C
// names, which cannot be overloaded. The .def file the build writes from the
// same lists gives each name its ordinal.
#pragma once

#include "platform/win.h"

#ifndef MIXER_NO_DLLIMPORT
#define MIXER_NO_DLLIMPORT
#endif
#include "mixer.h"

#define MIXER_EXPORT extern "C"
