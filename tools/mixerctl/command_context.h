// What the commands share: the run's context, their arguments and options.
#pragma once

#include "common.h"

#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace mixerctl {

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool echo;
    int depth;  // script nesting
};

using Args = std::vector<std::string>;

LONG ParseValue(const std::string& text, const std::string& what);

// Takes "--name" and "--name VALUE" options out of a command's arguments.
struct Options {
    Args rest;
    std::vector<std::pair<std::string, std::string>> given;
    Options(const Args& args, std::initializer_list<const char*> flags, std::initializer_list<const char*> valued,
            const char* command);
    bool Has(const char* name) const;
    std::string Value(const char* name, const std::string& fallback) const;
};

void NoArguments(const char* command, const Args& args);

// The property commands (property_commands.cpp).
void CmdGet(Context& c, const Args& args);
void CmdSet(Context& c, const Args& args);
void CmdSave(Context& c, const Args& args);
void CmdRestore(Context& c, const Args& args);

}  // namespace mixerctl
