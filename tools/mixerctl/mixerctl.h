// mixerctl's own declarations: its errors, the files it opens, the names
// and values it reads and prints, the property paths and settings files, the
// export table, the mixer as winmm shows it, what differs between its two
// builds, and its commands. The command table is command_table.h.
#pragma once

#include "platform/win.h"

#include "core/line_table.h"
#include "persistence/tokens.h"
#include "platform/mixer_names.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

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

// Files mixerctl opens itself (cards, state files, scripts, the settings
// files it checks before the library reads or writes them), with the
// operating system's reason when that fails.

// The C runtime's text for an errno value ("No such file or directory").
std::string SystemReason(int errnoValue);

// The whole file. Throws ToolError "cannot read PATH: REASON" ("Is a
// directory" for a directory). `what` goes before PATH ("cannot read card
// file x.json: ...") when given.
std::string ReadWholeFile(const std::string& path, const std::string& what = "");

// Why `path` cannot be written ("" when it can): a directory, or a file that
// cannot be opened for appending. A missing file is created by the check and
// `*created` says so, so that the caller can remove it again.
std::string WriteProblem(const std::string& path, bool* created);
void RemoveFile(const std::string& path);

// Reads standard input to its end.
std::string ReadStandardInput();

// Readable names of the platform's mixer constants (platform/mixer_names.h,
// shared with the simulated platform's card loader) as mixerctl prints and
// reads them.

using mixer_names::ControlTypeName;  // "volume", "mute", "mux", ...
using mixer_names::Hex;              // "0x0000abcd"
using mixer_names::Lower;
// Integer text: decimal or 0x hexadecimal, optionally negative, anything from
// -2^31 to 2^32-1; the result is the 32-bit pattern.
using mixer_names::ParseInt32;

// Component types print as "dst.speakers", "src.line", ... and unknown values
// as hexadecimal.
std::string ComponentTypeName(DWORD type);
// For `peak`: the line words of the property paths (linein, mic, ..., main),
// destinations by bare name (speakers, wavein, ...), then source names
// ("digital" is the source), "dst."/"src." names or a number. Throws
// UsageError when unknown.
DWORD ParsePeakTarget(const std::string& text);
// The class of a control type: "list", "switch", "fader", ...
std::string ControlClassName(DWORD type);
// Control flags: "uniform", "multiple", "disabled", and line flags:
// "active", "disconnected", "source"; hexadecimal for the rest.
std::vector<std::string> ControlFlagNames(DWORD flags);
std::vector<std::string> LineFlagNames(DWORD flags);

// The values people type for `set` and the arithmetic behind them:
// percentages of a control's range, relative steps, the words for switches,
// and the rule that says whether a written level arrived: plain functions
// over plain numbers; the commands read the bounds and current values from
// the mixer and the library.

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

// A switch: 0, 1, on, off or toggle, and also mute (1) and unmute (0) when
// `muteWords`; any letter case. False when the text is none of these.
bool ParseSwitch(const std::string& text, bool muteWords, TypedValue* out);

// numerator / denominator rounded to nearest, halves away from zero;
// denominator > 0.
long long RoundedDivision(long long numerator, long long denominator);

// min + round(percent * (max - min) / 100), halves away from zero.
LONG PercentToLevel(long long percent, LONG min, LONG max);
// The inverse: round((level - min) * 100 / (max - min)), halves away from
// zero; needs max > min. A level outside the range gives a percentage
// outside 0..100.
long long LevelToPercent(LONG level, LONG min, LONG max);

// The level `value` asks for. Absolute and percent forms stand alone (the
// caller has checked their range); relative forms start at `current` and
// stop at the bounds.
LONG ResolveLevel(const TypedValue& value, LONG current, LONG min, LONG max);

// The largest difference between a level written and the level read back
// that still counts as the level having arrived: one step of the control,
// its range divided by its step count (cSteps) and rounded up; 1 for a
// control that reports no steps. Drivers keep levels with less precision
// than 32 bits (Wine stores a float, so a level often reads back one lower).
LONG LevelTolerance(LONG min, LONG max, DWORD steps);
bool LevelArrived(long long asked, long long read, LONG tolerance);

// Property paths of `get` and `set`: "SIDE.LINE.PROPERTY" such as
// play.linein.volume, rec.mic.select or play.main.balance, one a row of the
// library's per-line table (core/line_table.h); and two paths of their own:
// mic.boost (both sides' boost together) and cd.digital (the CD-type flag).

// What a property is, which decides the values it takes and how a write is
// checked.
enum class PathKind {
    Volume,      // a level in the volume control's units
    Balance,     // a position 0..15 on the volume control (write only)
    Mute,        // the mute switch
    Boost,       // the microphone's on/off switch of one side
    BothBoosts,  // mic.boost: both sides' boost switches together
    Select,      // a recording source of the selector
    CdDigital,   // cd.digital: the library's CD-type flag
};

struct PropertyPath {
    std::string path;    // canonical spelling, e.g. "play.linein.volume"
    std::string setter;  // export name, "" when the property cannot be written
    std::string getter;  // export name, "" when it cannot be read
    bool setterTakesValue = true;  // false for the selection setters
    PathKind kind = PathKind::Volume;
    // The line the library addresses by type with the operation, as its
    // line search takes them (the speakers destination itself for main).
    DWORD lineType = 0;
    LONG op = OpNone;
    // Whether the path names one control of its line, which `set` and
    // `restore` check: volumes, balances, mutes and one side's boost.
    bool HasControl() const { return kind != PathKind::BothBoosts && kind != PathKind::Select && kind != PathKind::CdDigital; }
};

// Reads a path (case-insensitive; aliases: line = linein, microphone = mic,
// wave = waveout, auxiliary = aux, master = main, boostmode = boost,
// playback = play, record/recording = rec). Only paths of the library's
// exports exist. Throws UsageError naming the fault.
PropertyPath ParsePath(const std::string& text);
// The path of a row of the per-line table.
PropertyPath PathOfRow(const LineRow& row);

// The component type of a line word of the paths ("linein", "line", ...,
// "main"): the line the library addresses by it; false for another word.
bool LineWordType(const std::string& word, DWORD* type);

// Every path, in a fixed order: recording side, then playback side, then the
// two special paths.
std::vector<PropertyPath> AllPaths();

// Reads a mixer settings file as the library's Set export does, with the
// library's own grammar (persistence/settings_grammar.h), so that `restore`
// can tell what the file will do before the library applies it, and refuse a
// file that would do something other than it looks like.

struct SettingsEntry {
    int line = 0;         // 1-based line of the value
    std::string section;  // "[PLAY VOLUME]"
    std::string key;      // "MAIN"
    std::string value;    // the value as written
    PropertyPath path;    // what the library writes it to
    long long number = 0; // the value's number (valid unless failureMark)
    bool failureMark = false;  // "-1": Save's mark of a value it could not read
};

struct SettingsReading {
    std::vector<SettingsEntry> entries;  // the values the library applies, in order
    std::vector<std::string> problems;   // "line N: ...", in order
};

// `bytes` is the file as stored, of which the library reads the first
// TEXT_READ_LIMIT (persistence/tokens.h). A problem is a value the library would take
// otherwise than it reads: one that is not a decimal number (other than
// Save's -1), one beyond 32 bits, one before any key, or one for a section
// and key the library does not restore.
SettingsReading ReadSettingsText(const std::string& bytes);

// The library's 91 exports, each with the call that reads its arguments from
// the command line: both made from mixer.h's lists and MIXER_PFN_ types, one
// argument reader per parameter type.
//
// Both builds call the library only through this table: natively it holds the
// addresses of the library's functions (linked in), on Windows the addresses
// GetProcAddress finds in MIXER.DLL.

struct CallOutcome {
    LONG result = 0;
    bool hasText = false;  // the export filled a buffer
    std::string text;
};

struct ExportInfo;
using Invoker = CallOutcome (*)(const ExportInfo& info, AnyFn fn, const std::vector<std::string>& args);

struct ExportInfo {
    const char* name;
    const char* params;  // mixer.h's parameter list, e.g. "(LONG kind, LPCSTR name, LONG select)"
    Invoker invoke;      // reads the arguments by the export's MIXER_PFN_ type and calls
    int argumentCount;   // 32-bit arguments of the export (its stack size / 4)
};

// Every export, in alphabetical order of the names (the ordinal order).
const std::vector<ExportInfo>& Exports();
const ExportInfo* FindExport(const std::string& name);  // exact name; null when unknown
// The arguments `call` takes on the command line, from the parameter names:
// e.g. "KIND NAME SELECT"; a buffer takes none, the limit after it is
// optional ("[LIMIT]"), a mixer handle may be "open" ("MIXER|open").
std::string CommandLineArguments(const ExportInfo& info);

// The address of an export in this build: the linked function natively, the
// DLL's export on Windows; null when the library lacks it. Defined by the
// build's platform file.
AnyFn ExportAddress(const char* name);

// Calls `fn` with `args` read by `info`'s parameter types: integers (decimal
// or 0x hex, -2^31 to 2^32-1), strings as given ("@null" for a null pointer),
// for a buffer its limit (optional, default 255), and for a mixer handle
// either a number or "open" (mixerctl opens mixer device 0 around the call).
// Throws UsageError for a wrong argument count or value, before calling.
inline CallOutcome Invoke(const ExportInfo& info, AnyFn fn, const std::vector<std::string>& args) {
    return info.invoke(info, fn, args);
}

// Looks up `name` in the table and this build's library and calls it; throws
// ToolError when the library lacks the export.
CallOutcome CallExport(const std::string& name, const std::vector<std::string>& args = {});
LONG CallExportValue(const std::string& name, const std::vector<std::string>& args = {});

// Mixer topology read straight from winmm (the simulated winmm natively):
// devices, destinations, sources and controls with their current values.
// The library itself is not involved; `list` and `sources` use this.

struct ControlInfo {
    MIXERCONTROLA control{};
    DWORD channels = 1;  // channels read: 1 for a uniform control, else the line's
    DWORD items = 1;     // items per channel: cMultipleItems for a multiple control, else 1
    MMRESULT readResult = MMSYSERR_NOERROR;
    // values[channel * items + item]; `filled` false where the driver answered
    // the read without writing that value.
    std::vector<LONG> values;
    std::vector<bool> filled;
    MMRESULT textResult = MMSYSERR_NOERROR;
    std::vector<std::string> texts;  // item texts of a list control (channel 0)
};

struct LineInfo {
    MIXERLINEA line{};
    MMRESULT controlsResult = MMSYSERR_NOERROR;
    std::vector<ControlInfo> controls;
    std::vector<LineInfo> sources;  // of a destination
    MMRESULT sourcesResult = MMSYSERR_NOERROR;
};

struct DeviceInfo {
    UINT index = 0;
    MIXERCAPSA caps{};
    std::vector<LineInfo> destinations;
};

UINT DeviceCount();
// Reads everything of device `index` (by its identifier, without opening a
// handle); throws ToolError when its capabilities or a destination cannot be
// read.
DeviceInfo ReadDevice(UINT index);

void PrintTree(const DeviceInfo& device, std::ostream& out);
nlohmann::json ToJson(const DeviceInfo& device);

// The recording selector: the first list-class control of the first wave-in
// destination; null when there is none.
const LineInfo* FindWaveIn(const DeviceInfo& device);
const ControlInfo* FindRecordingSelector(const LineInfo& waveIn);
bool IsSingleSelectType(DWORD controlType);

// The mixers the library uses. Playback is always on mixer device 0.
// Recording is on device 0 when it has a wave-in destination; otherwise on
// the recording endpoints' mixers (Windows Vista and later, Wine: every
// audio endpoint is a mixer of its own), searched in the order of
// engine/recording_endpoints.h: the preferred wave-in device's mixer, then
// the other wave-in devices' in device order.
struct RecordingEndpoint {
    UINT waveIn = 0;
    bool preferred = false;  // searched first: the device the wave mapper prefers (0 when it names none)
    MMRESULT result = MMSYSERR_NOERROR;  // mixerGetID's answer for the device
    UINT mixer = 0;                      // its mixer device, when result is MMSYSERR_NOERROR
    // The library passes over a device without a mixer of its own (no
    // mixer, or device 0's), and its search ends at one it cannot map.
    bool Searched() const { return result == MMSYSERR_NOERROR && mixer != 0; }
    bool EndsSearch() const { return result != MMSYSERR_NOERROR && result != MMSYSERR_NODRIVER; }
};
struct RecordingMixers {
    bool onDevice0 = false;  // device 0 has a wave-in destination
    // Otherwise every wave-in device in the library's order, up to the one
    // that ends the search.
    std::vector<RecordingEndpoint> endpoints;
};
// Throws ToolError when there is no mixer device or device 0's destinations
// cannot be read.
RecordingMixers FindRecordingMixers();
// The mixers the library uses, as `list` shows them: "library: ..." lines,
// and {"playback": {"device", "name"}, "recording": [{"device", "name",
// "waveIn", "preferred"}...], "recordingError": {"waveIn", "error"}} (the
// wave-in fields only for endpoints, the error only where the search ends).
void PrintLibraryMixers(const RecordingMixers& mixers, std::ostream& out);
nlohmann::json LibraryMixersJson(const RecordingMixers& mixers);

// The control the library reaches when it addresses the line of component
// type `lineType` with operation `op`, found by the library's own search
// (engine/line_search.h): on mixer device 0, or for a recording line where
// device 0 has no wave-in destination on the recording endpoints' mixers,
// where a destination's control may stand in for a line's that keeps
// nothing; with its current values read from winmm. `problem` says why
// there is none ("" when found).
struct TargetControl {
    std::string problem;
    std::string lineName;  // the line whose control is written
    DWORD lineChannels = 0;
    ControlInfo info;
};
TargetControl FindTargetControl(DWORD lineType, LONG op);

// Why GetPeak(type) cannot read a meter: no mixer device, no line of the
// type, or no peak meter on it ("" when it can).
std::string PeakMeterProblem(DWORD componentType);

// What differs between the two builds of mixerctl: where the library's
// exports come from and what surrounds a run. platform_native.cpp works on a
// simulated card; platform_win32.cpp loads MIXER.DLL and uses the machine's
// mixer.

struct GlobalOptions {
    std::string card;   // native: card file ("" = the default card)
    std::string state;  // native: state file carried between runs
    std::string dll;    // Windows: the library to load ("" = MIXER.DLL by name)
    bool echo = false;  // print each command before running it
    bool quiet = false; // nothing on standard output
};

// True in the simulated build.
bool PlatformSimulated();
// Before the first command: natively loads the card (and the state) and runs
// the library's load-time entry; on Windows remembers which DLL to load.
void PlatformStart(const GlobalOptions& options);
// After the last command (also after a failed one): natively saves the state.
void PlatformFinish(const GlobalOptions& options);
// After each command: natively reports the message boxes the library showed.
void PlatformAfterCommand(std::ostream& err);
// Before each peak reading: natively moves the card's live meters.
void PlatformTick();
void PlatformSleep(int milliseconds);
bool PlatformStdoutIsTerminal();

// Before the first command that calls the library: on Windows loads the DLL
// and throws ToolError naming the file and where it was looked for when that
// fails; natively nothing (the library is linked in).
void PlatformLoadLibrary();
// The library's version line for --version, e.g. "MIXER.DLL 1.0.0.0
// (C:\\mixer\\MIXER.DLL)"; loads the library on Windows.
std::string PlatformLibraryVersion();
// The path mixerctl itself opens for a path the library would be given:
// natively the simulated platform's reading of it (backslashes are
// separators, mapped drives), "" when it names nothing; on Windows the path.
std::string PlatformFilePath(const std::string& path);

// The default card of the native build (tests/cards/default.json, embedded
// when the program is built): a typical sound card of the era. The
// simulated platform loads it (sim_card.h).

const char* DefaultCardText();

// What the commands share: the run's context and a command's arguments and
// options as its synopsis in command_table.h reads them.

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

// The command line.

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
