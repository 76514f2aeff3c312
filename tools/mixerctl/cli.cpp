// mixerctl's command line: the global options, commands separated by "--" or
// ";", each command's options read by CLI11 from its synopsis in the command
// table, the help printed from the table, and standard output checked.
#include "mixerctl.h"

#include "command_table.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <regex>

namespace mixerctl {
namespace {

// CLI11's message as one of ours: "the following argument was not expected:
// --x"; "--card given 2 times: give it once".
std::string Message(const CLI::ParseError& e) {
    static const std::regex repeated(R"(^(-[^:]+): At Most 1 required but received (\d+)$)");
    std::string m = std::regex_replace(e.what(), repeated, "$1 given $2 times: give it once");
    if (!m.empty()) m[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(m[0])));
    return m;
}

// The options of mixerctl only: on Windows CLI11 would also read "/x" as an
// option, and a Unix path given under Wine is none.
void OwnOptionsOnly(CLI::App& app) {
    app.set_help_flag();  // "--help" is seen before parsing
    app.allow_windows_style_options(false);
}

// A command's options, as its synopsis names them; the words that are no
// option are its arguments. A command whose options come first takes every
// word from its first argument on as arguments.
Options ParseOptions(const Command& cmd, const Args& args) {
    CLI::App app(cmd.name);
    OwnOptionsOnly(app);
    app.prefix_command(cmd.optionsFirst);
    Options o;
    const std::vector<UsageOption> wanted = UsageOptions(cmd.usage);
    std::map<std::string, std::string> values;
    for (const UsageOption& u : wanted) {
        if (u.value.empty()) app.add_flag(u.name);
        else app.add_option(u.name, values[u.name]);
    }
    if (!cmd.optionsFirst) app.add_option("arguments", o.rest);
    try {
        app.parse(Args(args.rbegin(), args.rend()));  // CLI11 takes the words last first
    } catch (const CLI::ParseError& e) {
        throw UsageError(std::string(cmd.name) + ": " + Message(e));
    }
    if (cmd.optionsFirst) o.rest = app.remaining();
    for (const UsageOption& u : wanted)
        if (app.count(u.name) > 0) o.given[u.name] = values[u.name];
    return o;
}

void PrintCommandHelp(std::ostream& out, const Command& cmd) {
    out << "usage: mixerctl " << cmd.usage << "\n\n" << cmd.summary << "\n\n" << CommandDetails(cmd.name);
}

// Text of the table, indented: each line but the first starts at `column`.
std::string Indented(const std::string& text, size_t column) {
    std::string out;
    for (char ch : text) out += ch == '\n' ? "\n" + std::string(column, ' ') : std::string(1, ch);
    return out;
}

std::string Padded(const std::string& text, size_t width) {
    return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

void PrintProgramHelp(std::ostream& out) {
    out << "usage: mixerctl [OPTIONS] COMMAND [ARGS] [-- COMMAND [ARGS]]...\n\n"
           "Drives a sound card's mixer through MIXER.DLL's exports, the way the host\n"
           "application does. "
        << (PlatformSimulated()
                ? "This build links the library with the simulated Windows platform\n"
                  "and works on a simulated card (the default card, or --card FILE).\n"
                : "This build loads MIXER.DLL from its own folder (or --dll FILE) and works\n"
                  "on this machine's mixer device 0.\n")
        << "The library is used only through its exports; 'list' and 'sources' read\n"
           "the mixer straight from winmm to show it as it is, and 'set' reads a\n"
           "control's range there.\n\n"
           "Commands are separated by '--' or ';' (a word of its own, or ';' at the\n"
           "end of a word) and run in order; the first that fails ends the run.\n\n"
           "  mixerctl set play.main.volume 50% -- get --percent play.main.volume\n"
           "  mixerctl set play.linein.volume +5% play.main.mute toggle\n"
           "  mixerctl get --json play.main.volume play.main.mute\n\n"
           "Options:\n";
    for (const GlobalOption& o : kGlobalOptions) {
        const std::string name = std::string(o.shortName[0] ? std::string(o.shortName) + ", " : "") + o.longName +
                                 (o.value[0] ? std::string(" ") + o.value : "");
        out << "  " << Padded(name, 15) << Indented(o.help, 17) << "\n";
    }
    out << "\nNumbers (levels, --device, --count, --interval, export arguments) are\n"
           "decimal, or hexadecimal after 0x (0x4e20).\n";
    out << "\nCommands:\n";
    for (const Command& cmd : kCommands) out << "  " << Padded(cmd.usage, 36) << cmd.summary << "\n";
    out << "\nExit status: 0 when every command did what it said, 1 when one failed (a\n"
           "value that did not arrive, a read that failed, a file that cannot be\n"
           "used), 2 for a wrong command line or a value out of range. Errors go to\n"
           "standard error. The manual page mixerctl(1) has the details.\n";
}

const Command* FindCommand(const std::string& name) {
    for (const Command& x : kCommands)
        if (name == x.name) return &x;
    return nullptr;
}

// -q: output that goes nowhere.
struct NullBuffer : std::streambuf {
    int_type overflow(int_type ch) override { return traits_type::not_eof(ch); }
};

// Throws when standard output could not take what was written, with the
// reason the C runtime gave.
void CheckOutput(std::ostream& out) {
    out.flush();
    if (out) return;
    const auto* buffer = dynamic_cast<const StdoutBuffer*>(out.rdbuf());
    const int reason = buffer && buffer->Failure() ? buffer->Failure() : EIO;
    throw ToolError("cannot write standard output: " + SystemReason(reason));
}

// Before the first command changes anything: every file a command of the
// run saves to can be written.
void CheckFilesToWrite(const std::vector<Args>& commands) {
    for (const Args& cmd : commands) {
        const bool save = cmd.size() == 2 && cmd[0] == "save" && cmd[1] != "/?" && cmd[1][0] != '-';
        const std::string problem = save ? WriteProblem(PlatformUserPath(cmd[1], "save")) : "";
        if (!problem.empty()) throw ToolError("save: cannot write " + cmd[1] + ": " + problem);
    }
}

}  // namespace

void CmdHelp(Context& c, const Options& o) {
    if (o.rest.size() > 1) throw UsageError("help: unexpected argument '" + o.rest[1] + "'");
    if (o.rest.empty()) return PrintProgramHelp(c.out);
    if (o.rest[0] == "paths") return PrintPaths(c.out);
    const Command* cmd = FindCommand(o.rest[0]);
    if (!cmd) throw UsageError("help: no command '" + o.rest[0] + "' (see 'mixerctl --help')");
    PrintCommandHelp(c.out, *cmd);
}

void RunOne(Context& c, const Args& words) {
    if (c.echo) {
        c.out << ">";
        // Quoted as a script line would need it.
        for (const std::string& w : words)
            c.out << " " << (w.empty() || w.find_first_of(" \t#") != std::string::npos ? "\"" + w + "\"" : w);
        c.out << "\n";
    }
    const Command* cmd = FindCommand(words[0]);
    if (!cmd) throw UsageError("unknown command '" + words[0] + "' (see 'mixerctl --help')");
    const Args args(words.begin() + 1, words.end());
    for (const std::string& a : args)
        if (a == "--help" || a == "-h" || a == "/?") return PrintCommandHelp(c.out, *cmd);
    const Options options = ParseOptions(*cmd, args);
    // Whether it ends or fails, what the library showed is said after it.
    struct After {
        std::ostream& err;
        ~After() { PlatformAfterCommand(err); }
    } after{c.err};
    if (cmd->library) PlatformLoadLibrary();
    cmd->run(c, options);
}

Args SplitScriptLine(const std::string& line) {
    // A word runs up to a blank outside quotes; a quote without its end runs
    // to the end of the line.
    static const std::regex word(R"re((?:[^ \t"]|"[^"]*")+|"[^"]*$)re");
    Args words;
    for (std::sregex_iterator m(line.begin(), line.end(), word), end; m != end && m->str()[0] != '#'; ++m) {
        std::string w = m->str();
        if (std::count(w.begin(), w.end(), '"') % 2) throw UsageError("unterminated quote in '" + line + "'");
        w.erase(std::remove(w.begin(), w.end(), '"'), w.end());
        words.push_back(w);
    }
    return words;
}

int RunCommands(const Args& words, std::ostream& out, std::ostream& err, bool echo, bool quiet) {
    Context c{out, err, echo, 0, quiet};
    // Cut into commands at "--", ";" and a trailing ";".
    std::vector<Args> commands(1);
    for (const std::string& w : words) {
        const bool cut = w == "--" || w == ";" || (w.size() > 1 && w.back() == ';');
        if (w != "--" && w != ";") commands.back().push_back(cut ? w.substr(0, w.size() - 1) : w);
        if (cut && !commands.back().empty()) commands.emplace_back();
    }
    if (commands.back().empty()) commands.pop_back();
    if (commands.empty()) {
        err << "mixerctl: no command (see 'mixerctl --help')\n";
        return kExitUsage;
    }
    for (size_t i = 0; i < commands.size(); ++i) {
        const Args& cmd = commands[i];
        try {
            if (i == 0) CheckFilesToWrite(commands);
            RunOne(c, cmd);
            CheckOutput(out);
        } catch (const std::exception& e) {
            out.flush();  // what the command printed comes before its error
            const auto* tool = dynamic_cast<const ToolError*>(&e);
            err << "mixerctl: " << (tool ? "" : cmd[0] + ": ") << e.what() << "\n";
            return tool ? tool->status : kExitFailure;
        }
    }
    return kExitOk;
}

int Main(int argc, char** argv) {
    StdoutBuffer stdoutBuffer(stdout);
    NullBuffer nowhere;
    std::ostream out(&stdoutBuffer);
    // The global options, read by CLI11 up to the first command; the words
    // from there on are the commands.
    CLI::App app("mixerctl");
    OwnOptionsOnly(app);
    app.prefix_command();
    GlobalOptions options;
    const std::map<std::string, std::string*> values = {
        {"--card", &options.card}, {"--state", &options.state}, {"--dll", &options.dll}};
    for (const GlobalOption& o : kGlobalOptions) {
        const std::string names = std::string(o.shortName[0] ? std::string(o.shortName) + "," : "") + o.longName;
        if (o.value[0]) app.add_option(names, *values.at(o.longName));
        else app.add_flag(names);
    }
    int status = kExitOk;
    try {
        try {
            const Args arguments = PlatformArguments(argc, argv);
            app.parse(Args(arguments.rbegin(), arguments.rend()));  // CLI11 takes the words last first
        } catch (const CLI::ParseError& e) {
            throw UsageError(Message(e) + " (see 'mixerctl --help')");
        }
        const Args words = app.remaining();
        const bool version = app.count("--version") > 0;
        // An option CLI11 does not know reaches the commands: it is none.
        if (!words.empty() && words[0].size() > 1 && words[0][0] == '-' && words[0] != "--")
            throw UsageError("unknown option " + words[0] + " (see 'mixerctl --help')");
        options.echo = app.count("--echo") > 0;
        options.trace = app.count("--trace") > 0;
        if (app.count("--help") || (!words.empty() && words[0] == "/?")) {
            PrintProgramHelp(out);
        } else {
            if (app.count("--quiet")) out.rdbuf(&nowhere);
            if (version != words.empty())
                throw UsageError(version ? "--version takes no command" : "no command (see 'mixerctl --help')");
            PlatformStart(options);
            if (version) {
                const std::string library = PlatformLibraryVersion();
                out << "mixerctl " << MIXERCTL_VERSION << "\n" << library << "\n";
            } else {
                status = RunCommands(words, out, std::cerr, options.echo, app.count("--quiet") > 0);
            }
            PlatformFinish(options);
        }
        if (status == kExitOk) CheckOutput(out);
    } catch (const std::exception& e) {  // a ToolError, or the simulated platform's card errors
        std::cerr << "mixerctl: " << e.what() << "\n";
        const auto* tool = dynamic_cast<const ToolError*>(&e);
        if (status == kExitOk) status = tool ? tool->status : kExitFailure;
    }
    return status;
}

// ---- Files mixerctl opens itself ------------------------------------------------
//
// At the path the platform maps the library's path to, with the operating
// system's reason when that fails.

std::string SystemReason(int errnoValue) { return std::strerror(errnoValue); }

std::string ReadWholeFile(const std::string& path, const char* command) {
    const std::string host = PlatformFilePath(path);
    std::error_code unused;
    errno = host.empty() ? ENOENT : std::filesystem::is_directory(host, unused) ? EISDIR : 0;
    std::FILE* f = errno ? nullptr : std::fopen(host.c_str(), "rb");
    std::string text;
    char block[4096];
    for (size_t n; f && (n = std::fread(block, 1, sizeof block, f)) > 0;) text.append(block, n);
    const int error = !f ? errno : std::ferror(f) ? (errno ? errno : EIO) : 0;
    if (f) std::fclose(f);
    if (error) throw ToolError(command + ("cannot read " + path) + ": " + SystemReason(error));
    return text;
}

std::string WriteProblem(const std::string& path) {
    const std::string host = PlatformFilePath(path);
    std::error_code unused;
    if (host.empty()) return SystemReason(ENOENT);
    if (std::filesystem::is_directory(host, unused)) return SystemReason(EISDIR);
    const bool existed = std::filesystem::exists(host, unused);
    errno = 0;
    std::FILE* f = std::fopen(host.c_str(), "ab");
    if (!f) return SystemReason(errno ? errno : EACCES);
    std::fclose(f);
    if (!existed) std::remove(host.c_str());
    return "";
}

}  // namespace mixerctl
