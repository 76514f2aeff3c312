// mixerctl's commands and its command line.
#pragma once

#include <cstdio>
#include <iosfwd>
#include <streambuf>
#include <string>
#include <vector>

namespace mixerctl {

// Standard output (or any C stream) as a stream buffer that remembers the
// reason (an errno value) when a write or flush fails.
class StdoutBuffer : public std::streambuf {
public:
    explicit StdoutBuffer(std::FILE* file);
    ~StdoutBuffer() override;
    StdoutBuffer(const StdoutBuffer&) = delete;
    StdoutBuffer& operator=(const StdoutBuffer&) = delete;
    int Failure() const { return failure_; }  // 0 while every write went through

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    bool Drain();
    std::FILE* file_;
    int failure_ = 0;
    char buffer_[4096];
};

// The whole program: global options, then commands separated by "--" or ";".
int Main(int argc, char** argv);

// Runs commands (without global options) against the library as this build
// has it; stops at the first failing one. Returns the exit status.
int RunCommands(const std::vector<std::string>& words, std::ostream& out, std::ostream& err, bool echo = false);

struct Context;
// Runs one command (its words, without "--"), `script` too.
void RunOne(Context& c, const std::vector<std::string>& words);
void PrintProgramHelp(std::ostream& out);
// Every property path, one a line: the path, whether it reads and writes,
// and the kind of value it takes.
void PrintPaths(std::ostream& out);

// Splits a script line into words: blanks separate, double quotes group
// (no escapes, so Windows paths stay as written), "#" outside quotes starts a
// comment.
std::vector<std::string> SplitScriptLine(const std::string& line);

}  // namespace mixerctl
