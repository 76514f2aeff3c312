// mixerctl's commands and its command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace mixerctl {

// The whole program: global options, then commands separated by "--" or ";".
int Main(int argc, char** argv);

// Runs commands (without global options) against the library as this build
// has it; stops at the first failing one. Returns the exit status.
int RunCommands(const std::vector<std::string>& words, std::ostream& out, std::ostream& err, bool echo = false);

// Splits a script line into words: blanks separate, double quotes group
// (no escapes, so Windows paths stay as written), "#" outside quotes starts a
// comment.
std::vector<std::string> SplitScriptLine(const std::string& line);

}  // namespace mixerctl
