// What the commands share: the run's context and a command's arguments and
// options as its synopsis in command_table.h reads them.
#pragma once

#include "common.h"

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace mixerctl {

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool echo;
    int depth;  // script nesting
};

using Args = std::vector<std::string>;

struct Options {
    Args rest;                                  // the arguments, in order
    std::map<std::string, std::string> given;   // the options given: "--count" -> "5", "--json" -> ""
    bool Has(const char* name) const { return given.count(name) != 0; }
    std::string Value(const char* name, const std::string& fallback) const {
        const auto it = given.find(name);
        return it == given.end() ? fallback : it->second;
    }
};

LONG ParseValue(const std::string& text, const std::string& what);
void NoArguments(const char* command, const Args& args);

}  // namespace mixerctl
