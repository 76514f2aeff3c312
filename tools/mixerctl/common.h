// Shared pieces of mixerctl: the error type every command throws and the
// platform's Windows names (real headers on Windows, the simulation natively).
#pragma once

#include "platform/win.h"

#include <stdexcept>
#include <string>

namespace mixerctl {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // a command could not do its work, or not all of it
constexpr int kExitUsage = 2;    // the command line is wrong, or a value out of its range

// A command that cannot go on: the message goes to standard error and the
// program ends with `status`.
struct ToolError : std::runtime_error {
    int status;
    explicit ToolError(const std::string& what, int st = kExitFailure) : std::runtime_error(what), status(st) {}
};

struct UsageError : ToolError {
    explicit UsageError(const std::string& what) : ToolError(what, kExitUsage) {}
};

// A function address of any signature; the export table says which.
using AnyFn = void (*)();

}  // namespace mixerctl
