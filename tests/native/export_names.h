// The library's exported names, from the one table of the exports (mixer.h's
// MIXER_FUNCTIONS): the suites that call every export check their list
// against it.
#pragma once

#include "core/exports.h"

#include <set>
#include <string>

inline std::set<std::string> ExportNames() {
#define MIXER_TEST_EXPORT_NAME(result, name, params) #name,
    return {MIXER_FUNCTIONS(MIXER_TEST_EXPORT_NAME)};
#undef MIXER_TEST_EXPORT_NAME
}
