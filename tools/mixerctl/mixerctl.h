// mixerctl's own declarations: its errors, the files it opens, the values
// and property paths it reads, the export table, the mixer as winmm shows
// it, what differs between its two builds, and the command line. The
// commands themselves are in command_table.h.
#pragma once

#include "platform/win.h"

#include "core/line_table.h"
#include "persistence/tokens.h"
#include "platform/mixer_names.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <map>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

namespace mixerctl {

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

using Args = std::vector<std::string>;

// The names of the platform's mixer constants (platform/mixer_names.h):
// "volume", "dst.speakers", "0x0000abcd", and integers (decimal or 0x hex,
// -2^31 to 2^32-1, as the 32-bit pattern).
using mixer_names::ComponentTypeName;
using mixer_names::ControlTypeName;
using mixer_names::Hex;
using mixer_names::Lower;
using mixer_names::ParseInt32;

// ---- Files mixerctl opens itself (cli.cpp) ------------------------------------

// The C runtime's text for an errno value ("No such file or directory").
std::string SystemReason(int errnoValue);
// A file name given on the command line as the library and the C runtime
// take it: under Wine a Unix path ("/home/me/mixer.ini") becomes Wine's DOS
// name for it; on Windows a ToolError "COMMAND: NAME: ..." when the name has
// characters the ANSI code page lacks. Natively as given.
std::string PlatformUserPath(const std::string& path, const std::string& command);
// The whole file; ToolError "COMMAND: cannot read PATH: REASON".
std::string ReadWholeFile(const std::string& path, const char* command);
// Why `path` cannot be written ("" when it can). A file the check makes is
// removed again.
std::string WriteProblem(const std::string& path);

// ---- Values people type for `set`, and their arithmetic (property_commands.cpp) ---

enum class ValueForm {
    Absolute,         // "20000", "0x4e20", "-1"; switches: 0, 1, on, off, mute, unmute
    Percent,          // "50%": of the control's range
    Relative,         // "+1000", "1000+", "1000-"
    RelativePercent,  // "+5%", "-5%", "5%+", "5%-"
    Toggle,           // "toggle": the switch's other state
};

struct TypedValue {
    ValueForm form = ValueForm::Absolute;
    long long number = 0;  // the level, the percentage (0..100), or the signed step
};

// A level: a decimal or 0x hexadecimal number (-4294967295 to 4294967295; a
// negative one is a level, which the range check refuses), N% with N from 0
// to 100; a step: +N, N+ or N- (N up to 4294967295), +N%, -N%, N%+ or N%- (N
// up to 100). False when the text is none of these.
bool ParseLevel(const std::string& text, TypedValue* out);
// A switch: 0, 1, on, off or toggle, and mute (1) and unmute (0) when
// `muteWords`; any letter case. False when the text is none of these.
bool ParseSwitch(const std::string& text, bool muteWords, TypedValue* out);

// numerator / denominator (> 0) rounded to nearest, halves away from zero.
long long RoundedDivision(long long numerator, long long denominator);
// round((level - min) * 100 / (max - min)), max > min: outside 0..100 for a
// level outside the range.
long long LevelToPercent(LONG level, LONG min, LONG max);
// The level `value` asks for: an absolute one as it is (its range is checked
// before), a percentage min + round(percent * (max - min) / 100); steps start
// at `current` and stop at the bounds.
LONG ResolveLevel(const TypedValue& value, LONG current, LONG min, LONG max);

// How far a level read back may lie from the one written and still count as
// arrived: one step of the control, its range divided by its step count
// (cSteps) and rounded up, or 1 without steps. Drivers keep levels less
// precisely than 32 bits (Wine keeps a float: a level often reads one lower).
LONG LevelTolerance(LONG min, LONG max, DWORD steps);
bool LevelArrived(long long asked, long long read, LONG tolerance);

// ---- Property paths and settings files (paths.cpp) -------------------------------
//
// A path is "SIDE.LINE.PROPERTY" (play.linein.volume, rec.mic.select, ...),
// one a row of the library's per-line table (core/line_table.h), or one of
// two of its own: mic.boost (both sides' boost) and cd.digital (the CD-type
// flag). Its kind says the values it takes and how a write is checked; the
// first five kinds are the library's properties (OpProperty), in its order.
enum class PathKind {
    Volume,      // a level in the volume control's units
    Mute,        // the mute switch
    Balance,     // a position 0..15 on the volume control (write only)
    Boost,       // the microphone's on/off switch of one side
    Select,      // a recording source of the selector; its setter takes no value
    BothBoosts,  // mic.boost: both sides' boost switches together
    CdDigital,   // cd.digital: the library's CD-type flag
};

struct PropertyPath {
    std::string path;    // canonical spelling, e.g. "play.linein.volume"
    std::string setter;  // export name, "" when the property cannot be written
    std::string getter;  // export name, "" when the library has no reader for it
    PathKind kind = PathKind::Volume;
    // The line and operation the library addresses, as its line search
    // takes them (the speakers destination itself for main).
    DWORD lineType = 0;
    LONG op = OpNone;
    // Whether the path names one control of its line, which `set` and
    // `restore` check: volumes, balances, mutes and one side's boost.
    bool HasControl() const {
        return kind != PathKind::BothBoosts && kind != PathKind::Select && kind != PathKind::CdDigital;
    }
};

// Reads a path, in any letter case, with the aliases line, microphone, wave,
// auxiliary, master, boostmode, playback, record and recording. Only paths
// of the library's exports exist. Throws UsageError naming the fault.
PropertyPath ParsePath(const std::string& text);
// Every path: recording side, then playback side, then the two of their own.
std::vector<PropertyPath> AllPaths();
// `help paths`: every path, whether it reads and writes, the value it takes.
void PrintPaths(std::ostream& out);
// `peak`'s TYPE: the line words of the paths (linein, ..., main), bare
// destination names (speakers, ...), source names ("digital" is the source),
// "dst."/"src." names or a number. Throws UsageError when unknown.
DWORD ParsePeakTarget(const std::string& text);

// A value of a settings file as the library's Set reads it.
struct SettingsEntry {
    int line = 0;              // 1-based line of the value
    std::string section;       // "[PLAY VOLUME]"
    std::string key;           // "MAIN"
    std::string value;         // the value as written
    PropertyPath path;         // what the library writes it to
    long long number = 0;      // the value's number (valid unless failureMark)
    bool failureMark = false;  // "-1": Save's mark of a value it could not read
};

struct SettingsReading {
    std::vector<SettingsEntry> entries;  // the values the library applies, in order
    std::vector<std::string> problems;   // "line N: ...", in order
};

// A settings file as stored, read with the library's own grammar
// (persistence/settings_grammar.h) over the TEXT_READ_LIMIT bytes it reads.
// A problem is a value the library would take otherwise than it reads: not
// a decimal number (other than Save's -1), beyond 32 bits, before any key,
// or under a section and key the library does not restore.
SettingsReading ReadSettingsText(const std::string& bytes);

// ---- The library's exports (exports_table.cpp) -----------------------------------
//
// The 91 exports, each with the call that reads its arguments from the
// command line, made from mixer.h's lists and MIXER_PFN_ types. Both builds
// call the library only through this table, by function addresses of any
// signature (AnyFn).

using AnyFn = void (*)();

struct CallOutcome {
    LONG result = 0;
    bool hasText = false;  // the export filled a buffer
    std::string text;
};

struct ExportInfo {
    const char* name;
    const char* params;  // mixer.h's parameter list, e.g. "(LONG kind, LPCSTR name, LONG select)"
    // Calls `fn` with `args` read by the parameter types: integers (decimal
    // or 0x hex, -2^31 to 2^32-1), strings as given ("@null" for a null
    // pointer), for a buffer its limit (optional, default 255), for a mixer
    // handle a number or "open" (mixer device 0, opened around the call).
    // Throws UsageError for a wrong argument count or value, before calling.
    CallOutcome (*invoke)(const ExportInfo& info, AnyFn fn, const Args& args);
    int argumentCount;  // 32-bit arguments of the export (its stack size / 4)
};

// Every export, in alphabetical order of the names (the ordinal order).
const std::vector<ExportInfo>& Exports();
const ExportInfo* FindExport(const std::string& name);  // any letter case; null when unknown
// The arguments `call` takes, from the parameter names, e.g. "KIND NAME
// SELECT"; a buffer takes none, the limit after it is optional ("[LIMIT]"),
// a mixer handle may be "open" ("MIXER|open").
std::string CommandLineArguments(const ExportInfo& info);
// The address of an export in this build: the linked function natively, the
// DLL's export on Windows; null when the library lacks it.
AnyFn ExportAddress(const char* name);
// Calls an export of this build's library; ToolError when it lacks it.
CallOutcome CallExport(const std::string& name, const Args& args = {});

// ---- The mixer as winmm shows it (topology.cpp) -----------------------------------

// Whether an object of `list --json` has a flag ("uniform", "multiple", ...).
bool HasFlag(const nlohmann::json& item, const char* flag);

// The control the library reaches when it addresses the line of component
// type `lineType` with operation `op`, found by the library's own search
// (engine/line_search.h), with its values read from winmm; `problem` says
// why there is none ("" when found).
struct TargetControl {
    std::string problem;
    // The mixer lacks the line or its control (problem says which), as
    // against a request that failed.
    bool absent = false;
    std::string lineName;  // the line whose control is written
    nlohmann::json control = nlohmann::json::object();  // as `list --json` shows it
};
TargetControl FindTargetControl(DWORD lineType, LONG op);

std::string NoBalance(const TargetControl& t);  // "" when the control has a level a channel

std::string PeakMeterProblem(DWORD componentType);

// "there is no mixer device", with what to do about it on this platform
// (under Wine: ALSA's PCM, and where the README explains it).
std::string NoMixerDevice();
// "MCI error 266: TEXT": the platform's text for the code, or its name in
// words when the platform has none (mixer_names::MciErrorWords).
std::string MciErrorText(MCIERROR code);  // why GetPeak cannot read a meter; "" when it can

// Why mixer device 0 has no recording selector, the first list-class
// control of its first wave-in destination ("" when it has one).
std::string SelectorProblem();

// The mixers the library uses: `list`'s "library: ..." lines and its JSON
// (playback, recording, recordingError). ToolError when device 0 cannot be
// walked or there is no mixer device.
void LibraryMixers(std::string* text, nlohmann::json* j);
// Mixer device `index` as `list --json` shows it; ToolError when its
// capabilities or a destination cannot be read.
nlohmann::json ReadDevice(UINT index);

// What the mixer lacks that a path needs, found by the library's own
// search: its line, the line's control, for a selection the recording
// selector or the item the library selects ("" when it has all). A request
// that fails is no absence: reading or writing the path reports it.
std::string Absence(const PropertyPath& p);

// ---- What differs between the two builds ------------------------------------------
//
// platform_native.cpp works on a simulated card with the library linked in;
// platform_win32.cpp loads MIXER.DLL and uses the machine's mixer.

struct GlobalOptions {
    std::string card;   // native: card file ("" = the default card)
    std::string state;  // native: state file carried between runs
    std::string dll;    // Windows: the library to load ("" = MIXER.DLL by name)
    bool echo = false;  // print each command before running it
    bool trace = false; // print the library's trace lines after each command
};

bool PlatformSimulated();
// The program's arguments after its name, in UTF-8 (on Windows read from
// the wide command line); on Windows also puts standard output and error
// in binary mode, so that lines end in LF alone.
Args PlatformArguments(int argc, char** argv);
// Wine's version when the program runs under Wine (ntdll's
// wine_get_version), "" otherwise.
std::string PlatformWineVersion();
// Before the first command: natively loads the card (and the state) and runs
// the library's load-time entry; on Windows remembers which DLL to load.
// With --trace, sets MIXER_TRACE for the library before it is loaded.
void PlatformStart(const GlobalOptions& options);
// After the last command, also a failed one: natively saves the state.
void PlatformFinish(const GlobalOptions& options);
// After each command: natively reports the message boxes the library showed;
// with --trace, prints the trace lines the library wrote during the command
// on `err`.
void PlatformAfterCommand(std::ostream& err);
// Before each peak reading: natively moves the card's live meters.
void PlatformTick();
// Before a command that calls the library: on Windows loads the DLL, with a
// ToolError naming the file and where it was looked for when that fails.
void PlatformLoadLibrary();
// --version's line of the library, e.g. "MIXER.DLL 1.0.0.0 (C:\\x\\MIXER.DLL)".
std::string PlatformLibraryVersion();
// The path mixerctl opens for a path the library would be given: natively
// the simulated platform's reading of it, "" when it names nothing.
std::string PlatformFilePath(const std::string& path);
// The native build's default card, tests/cards/default.json.
const char* DefaultCardText();

// ---- Commands and the command line (cli.cpp) ------------------------------------------

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool echo;
    int depth;   // script nesting
    bool quiet;  // -q: no notes on standard error either
};

// A command's arguments and options, as its synopsis names them.
struct Options {
    Args rest;                                 // the arguments, in order
    std::map<std::string, std::string> given;  // the options given: "--count" -> "5", "--json" -> ""
    bool Has(const char* name) const { return given.count(name) != 0; }
    std::string Value(const char* name, const std::string& fallback) const {
        const auto it = given.find(name);
        return it == given.end() ? fallback : it->second;
    }
};

inline LONG ParseValue(const std::string& text, const std::string& what) {
    LONG v;
    if (!ParseInt32(text, &v)) throw UsageError(what + " must be a 32-bit integer, not '" + text + "'");
    return v;
}

inline void NoArguments(const char* command, const Args& args) {
    if (!args.empty()) throw UsageError(std::string(command) + ": unexpected argument '" + args[0] + "'");
}

// Standard output (or any C stream) as a stream buffer that remembers the
// reason (an errno value) when a write or flush fails; the stream buffers.
class StdoutBuffer : public std::streambuf {
public:
    explicit StdoutBuffer(std::FILE* file) : file_(file) {}
    ~StdoutBuffer() override { sync(); }
    int Failure() const { return failure_; }  // 0 while every write went through

protected:
    std::streamsize xsputn(const char* text, std::streamsize n) override {
        errno = 0;
        if (!failure_ && std::fwrite(text, 1, static_cast<size_t>(n), file_) != static_cast<size_t>(n))
            failure_ = errno ? errno : EIO;
        return failure_ ? 0 : n;
    }
    int_type overflow(int_type ch) override {
        const char c = traits_type::to_char_type(ch);
        if (traits_type::eq_int_type(ch, traits_type::eof()) || xsputn(&c, 1) == 1) return traits_type::not_eof(ch);
        return traits_type::eof();
    }
    int sync() override {
        errno = 0;
        if (!failure_ && std::fflush(file_) != 0) failure_ = errno ? errno : EIO;
        return failure_ ? -1 : 0;
    }

private:
    std::FILE* file_;
    int failure_ = 0;
};

// The whole program: global options, then commands separated by "--" or ";".
int Main(int argc, char** argv);
// Runs commands (without global options), stopping at the first that fails;
// returns the exit status.
int RunCommands(const Args& words, std::ostream& out, std::ostream& err, bool echo = false, bool quiet = false);
// Runs one command (its words, without "--"), `script` too.
void RunOne(Context& c, const Args& words);
// A script line's words: blanks separate, double quotes group (no escapes,
// so Windows paths stay as written), "#" outside quotes starts a comment.
Args SplitScriptLine(const std::string& line);

}  // namespace mixerctl
