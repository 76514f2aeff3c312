// get, set, save and restore: the per-line properties through the library's
// exports. Each value is checked against the control it goes to before
// anything is written, and each write is read back; `restore` first reads
// the settings file as the library will.
#include "mixerctl.h"

#include "engine/level_rule.h"

#include <algorithm>
#include <cstdlib>
#include <regex>

namespace mixerctl {

// ---- The values people type, and the arithmetic behind them --------------------

bool ParseLevel(const std::string& text, TypedValue* out) {
    // A sign before (+N, +N%, -N%, or -N: a negative level) or after (N+, N-,
    // N%+, N%-), never both; hexadecimal for levels only.
    static const std::regex kLevel(R"(([+-]?)(0[xX][0-9a-fA-F]+|[0-9]+)(%?)([+-]?))");
    std::smatch m;
    if (!std::regex_match(text, m, kLevel)) return false;
    const std::string before = m[1], digits = m[2], after = m[4];
    const bool hex = digits.size() > 2 && (digits[1] == 'x' || digits[1] == 'X');
    const bool percent = m[3].length() > 0;
    const bool step = !after.empty() || before == "+" || (before == "-" && percent);
    // Beyond 64 bits strtoull gives its largest value, beyond every limit.
    const unsigned long long n = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if ((!before.empty() && !after.empty()) || (hex && (step || percent)) || n > (percent ? 100 : 0xFFFFFFFFull))
        return false;
    out->form = step ? (percent ? ValueForm::RelativePercent : ValueForm::Relative)
                     : (percent ? ValueForm::Percent : ValueForm::Absolute);
    out->number = before == "-" || after == "-" ? -static_cast<long long>(n) : static_cast<long long>(n);
    return true;
}

bool ParseSwitch(const std::string& text, bool muteWords, TypedValue* out) {
    const std::string t = Lower(text);
    const bool on = t == "1" || t == "on" || (muteWords && t == "mute");
    const bool off = t == "0" || t == "off" || (muteWords && t == "unmute");
    if (!on && !off && t != "toggle") return false;
    out->form = t == "toggle" ? ValueForm::Toggle : ValueForm::Absolute;
    out->number = on ? 1 : 0;
    return true;
}

long long RoundedDivision(long long numerator, long long denominator) {
    long long q = numerator / denominator;  // truncated toward zero
    const long long r = numerator % denominator;
    if (2 * (r < 0 ? -r : r) >= denominator) q += numerator < 0 ? -1 : 1;
    return q;
}

long long LevelToPercent(LONG level, LONG min, LONG max) {
    const long long range = static_cast<long long>(max) - min;
    return RoundedDivision((static_cast<long long>(level) - min) * 100, range);
}

LONG ResolveLevel(const TypedValue& value, LONG current, LONG min, LONG max) {
    const long long range = static_cast<long long>(max) - min;
    long long step = value.number;
    switch (value.form) {
    case ValueForm::Absolute: return static_cast<LONG>(value.number);
    case ValueForm::Percent: return static_cast<LONG>(min + RoundedDivision(value.number * range, 100));
    case ValueForm::Toggle: return current;
    case ValueForm::Relative: break;
    case ValueForm::RelativePercent: step = RoundedDivision(value.number * range, 100);
    }
    const long long target = static_cast<long long>(current) + step;
    return static_cast<LONG>(std::min<long long>(std::max<long long>(target, min), max));
}

LONG LevelTolerance(LONG min, LONG max, DWORD steps) {
    const long long range = static_cast<long long>(max) - min;
    if (steps == 0 || range <= 0) return 1;
    return static_cast<LONG>(std::max<long long>(1, (range + steps - 1) / steps));
}

bool LevelArrived(long long asked, long long read, LONG tolerance) {
    return (asked > read ? asked - read : read - asked) <= tolerance;
}

namespace {

constexpr LONG kLibraryFailure = -1;  // what a getter returns when it cannot read

LONG Minimum(const TargetControl& t) { return t.control.value("min", 0); }
LONG Maximum(const TargetControl& t) { return t.control.value("max", 0); }
std::string RangeText(const TargetControl& t) { return std::to_string(Minimum(t)) + ".." + std::to_string(Maximum(t)); }
LONG Tolerance(const TargetControl& t) { return LevelTolerance(Minimum(t), Maximum(t), t.control.value("steps", 0)); }

// The control a path writes, as winmm shows it now; with a `command`, a
// ToolError when the library would find none.
TargetControl Target(const PropertyPath& p, const char* command = nullptr) {
    TargetControl t = FindTargetControl(p.lineType, p.op);
    if (command && !t.problem.empty()) throw ToolError(command + (": " + p.path) + ": " + t.problem);
    return t;
}

// One channel's value as winmm reported it; false when the driver left it
// unwritten.
bool ChannelValue(const TargetControl& t, DWORD channel, LONG* value) {
    const nlohmann::json& values = t.control.value("values", nlohmann::json::array());
    if (channel >= values.size() || values[channel][0].is_null()) return false;
    *value = values[channel][0];
    return true;
}

// What a path reads now: through its getter, or for one side's boost, which
// has no reader in the library, from its control. False when it cannot be
// read.
bool ReadNow(const PropertyPath& p, LONG* value) {
    if (p.getter.empty()) return ChannelValue(Target(p), 0, value);
    *value = CallExport(p.getter).result;
    return *value != kLibraryFailure;
}

// Whether a value written has arrived: a level within one step of its
// control, a switch (or a selection, asked as 1) in the state asked for.
bool Arrived(const PropertyPath& p, long long asked, LONG read, const TargetControl& t) {
    return p.kind == PathKind::Volume ? LevelArrived(asked, read, Tolerance(t)) : (read != 0) == (asked != 0);
}

// "A" or "A (and N more)".
std::string FirstOf(const std::vector<std::string>& items) {
    return items[0] + (items.size() > 1 ? " (and " + std::to_string(items.size() - 1) + " more)" : "");
}

struct Write {
    PropertyPath path;
    TypedValue value;
    TargetControl target;  // levels, balances, mutes and one side's boost
};

// Under Wine a level set belongs to the process's own audio session: said
// once a run, on standard error.
void NoteWineLevels(Context& c) {
    static bool said = false;
    if (said || c.quiet || PlatformWineVersion().empty()) return;
    said = true;
    c.err << "mixerctl: note: under Wine a level set here lasts only as long as the process that set it: "
             "the next run reads the mixer's own level again\n";
}

// Why a control has no value to show or set: winmm left every value of a
// read as it was ('list' shows "?"); "" when it keeps one.
std::string KeepsNothing(const TargetControl& t) {
    const nlohmann::json values = t.control.value("values", nlohmann::json::array());
    if (values.empty() || std::any_of(values.begin(), values.end(), [](auto& ch) { return !ch[0].is_null(); })) return "";
    return "no value: the mixer keeps none for the " + ControlTypeName(t.control.value("controlType", 0u)) +
           " control of \"" + t.lineName + "\" (a read leaves its buffer as it was; 'list' shows ?)";
}

// Checks one path and its value against the mixer; writes nothing.
Write Plan(const PropertyPath& p, const std::string& text) {
    // What each kind of path takes, by PathKind.
    const char* takes[] = {"a level: N in the control's units, N% (0 to 100), or a step: +N, N+, N-, +N%, -N%, "
                           "N%+ or N%-",
                           "0, 1, on, off, mute, unmute or toggle", "a position from 0 (left) to 15 (right)",
                           "0, 1, on, off or toggle", "", "0, 1, on, off or toggle", "0, 1, on, off or toggle"};
    Write w{p, {ValueForm::Absolute, 1}, {}};
    LONG position = 0;
    const bool valid = p.kind == PathKind::Select    ? true
                       : p.kind == PathKind::Volume  ? ParseLevel(text, &w.value)
                       : p.kind == PathKind::Balance ? ParseInt32(text, &position) && BalanceInScale(position)
                                                     : ParseSwitch(text, p.kind == PathKind::Mute, &w.value);
    if (!valid)
        throw UsageError("set: " + p.path + " takes " + takes[static_cast<int>(p.kind)] + ", not '" + text + "'");
    if (p.kind == PathKind::Balance) w.value.number = position;
    // A selection has no control to check: the selector and its item first.
    if (p.kind == PathKind::Select) {
        const std::string absence = Absence(p);
        if (!absence.empty()) throw ToolError("set: " + p.path + ": " + absence);
    }
    if (p.HasControl()) w.target = Target(p, "set");
    if (p.kind == PathKind::BothBoosts)
        for (LONG op : {OpRecBoost, OpPlayBoost}) {
            PropertyPath side = p;
            side.op = op;
            Target(side, "set");
        }
    if (p.kind == PathKind::Volume && w.value.form == ValueForm::Absolute &&
        (w.value.number < Minimum(w.target) || w.value.number > Maximum(w.target)))
        throw UsageError("set: " + p.path + ": " + text + " is outside the control's range " + RangeText(w.target) +
                         (w.value.number < 0 ? " (a step down is written N- or -N%)"
                                             : " (a percentage, 0% to 100%, spans it)"));
    const std::string none = p.HasControl() ? KeepsNothing(w.target) : "";
    const std::string refused = none.empty() && p.kind == PathKind::Balance ? NoBalance(w.target) : none;
    if (!refused.empty()) throw ToolError("set: " + p.path + ": " + refused);
    return w;
}

[[noreturn]] void NotArrived(const PropertyPath& p, const std::string& asked, const std::string& found) {
    throw ToolError("set: " + p.path + ": asked " + asked + ", " + found + " (the mixer did not take it)");
}

LONG ReadOrFail(const PropertyPath& p, const char* what) {
    LONG v = 0;
    if (!ReadNow(p, &v))
        throw ToolError("set: " + p.path + ": cannot read " + what +
                        (p.getter.empty() ? " from the mixer" : " (" + p.getter + " gives -1)"));
    return v;
}

// A balance has no reader: the first and last channel's levels must be the
// ones the library's rule gives for their levels just before the write
// (which an earlier write of the command may have changed).
std::string SetBalance(const PropertyPath& p, LONG position) {
    const TargetControl before = Target(p, "set");
    const DWORD last = static_cast<DWORD>(before.control["values"].size() - 1);
    LONG first = 0, lastLevel = 0;
    if (!ChannelValue(before, 0, &first) || !ChannelValue(before, last, &lastLevel))
        throw ToolError("set: " + p.path + ": cannot read the channels of \"" + before.lineName + "\"");
    ApplyBalanceRule(&first, &lastLevel, position);
    CallExport(p.setter, {std::to_string(position)});
    const TargetControl after = Target(p, "set");
    LONG a = 0, b = 0;
    const bool read = ChannelValue(after, 0, &a) && ChannelValue(after, last, &b);
    if (!read || !LevelArrived(first, a, Tolerance(after)) || !LevelArrived(lastLevel, b, Tolerance(after)))
        NotArrived(p, std::to_string(position) + " (levels " + std::to_string(first) + " and " +
                          std::to_string(lastLevel) + ")",
                   read ? "the channels hold " + std::to_string(a) + " and " + std::to_string(b)
                        : "cannot read the channels back");
    return std::to_string(position);
}

// Writes one checked value and reads it back; returns what to print.
std::string Execute(const Write& w) {
    const PropertyPath& p = w.path;
    if (p.kind == PathKind::Balance) return SetBalance(p, static_cast<LONG>(w.value.number));
    const LONG min = Minimum(w.target), max = Maximum(w.target);
    const ValueForm form = w.value.form;
    LONG asked = static_cast<LONG>(w.value.number);
    const bool step = form == ValueForm::Relative || form == ValueForm::RelativePercent;
    if (form == ValueForm::Toggle) asked = ReadOrFail(p, "the current state") != 0 ? 0 : 1;
    if (p.kind == PathKind::Volume)
        asked = ResolveLevel(w.value, step ? ReadOrFail(p, "the current level") : 0, min, max);
    CallExport(p.setter, p.kind == PathKind::Select ? Args() : Args{std::to_string(asked)});
    const LONG read = ReadOrFail(p, "it back");
    if (!Arrived(p, asked, read, w.target)) NotArrived(p, std::to_string(asked), "reads back " + std::to_string(read));
    const bool percent = (form == ValueForm::Percent || form == ValueForm::RelativePercent) && max > min;
    return std::to_string(read) + (percent ? " (" + std::to_string(LevelToPercent(read, min, max)) + "%)" : "");
}

// Why a value of the file would do something else than it says ("" when it
// is fine), against the control its path writes.
std::string EntryProblem(const SettingsEntry& e, const TargetControl& target) {
    const bool missing = !target.problem.empty();  // the library finds no control there
    const std::string where = "line " + std::to_string(e.line) + ": " + e.key + "=" + e.value + " in " + e.section;
    if (e.failureMark) {
        // Save writes -1 for a value it could not read; the library reads it
        // as 0, which selects nothing and writes nothing to a missing control.
        if (e.path.kind == PathKind::Select || missing) return "";
        return where + " marks a value 'save' could not read; the library would write 0 to " + e.path.path +
               ": give a value or remove the entry";
    }
    if (e.path.kind != PathKind::Volume) return e.number > 1 ? where + ": " + e.path.path + " takes 0 or 1" : "";
    if (missing || (e.number >= Minimum(target) && e.number <= Maximum(target))) return "";
    return where + " is outside the range of " + e.path.path + ", " + RangeText(target);
}

}  // namespace

// Why a balance has nothing to act on: a uniform volume control has one
// level for all channels, a one-channel line one level; "" when it has a
// level a channel.
std::string NoBalance(const TargetControl& t) {
    const bool uniform = HasFlag(t.control, "uniform");
    if (!uniform && t.control.value("values", nlohmann::json::array()).size() >= 2) return "";
    return "the volume control of \"" + t.lineName + "\" has " +
           (uniform ? "one level for all channels" : "one channel") + ": there is no balance to set";
}

std::string Absence(const PropertyPath& p) {
    if (p.kind == PathKind::CdDigital) return "";  // the library's own flag
    if (p.kind == PathKind::Select) {
        const std::string selector = SelectorProblem();
        if (!selector.empty()) return selector;
        // The getter finds the item as the setter does; -1 is none.
        const size_t line = p.path.find('.') + 1;  // rec.LINE.select
        if (CallExport(p.getter).result == kLibraryFailure)
            return "the recording selector has no item the library takes for the " +
                   p.path.substr(line, p.path.rfind('.') - line) + " line (" + p.getter + " gives -1)";
        return "";
    }
    for (LONG op : p.kind == PathKind::BothBoosts ? std::vector<LONG>{OpRecBoost, OpPlayBoost} : std::vector<LONG>{p.op}) {
        const TargetControl t = FindTargetControl(p.lineType, op);
        if (t.absent) return t.problem;
        if (p.kind == PathKind::Balance && t.problem.empty()) return NoBalance(t);
    }
    return "";
}

// ---- get, set, save and restore ------------------------------------------------

void CmdGet(Context& c, const Options& o) {
    const bool everything = o.rest.empty();
    std::vector<PropertyPath> paths;
    for (const PropertyPath& p : AllPaths())
        if (everything && !p.getter.empty()) paths.push_back(p);
    for (const std::string& a : o.rest) {
        PropertyPath p = ParsePath(a);
        if (p.getter.empty())
            throw UsageError("get: " + p.path + " can only be set (the library has no G" + p.setter.substr(1) + ")");
        paths.push_back(p);
    }
    // Everything is read before anything is printed. What the mixer lacks
    // is absent (a getter reads 0 there): left out without a PATH, named
    // with one.
    nlohmann::json all = nlohmann::json::array();
    std::string text, unread, problem, missing;
    for (const PropertyPath& p : paths) {
        // A control that keeps nothing shows as 'list' shows it, "?".
        const std::string absence = Absence(p), none = absence.empty() && p.HasControl() ? KeepsNothing(Target(p)) : "";
        if (!absence.empty() || !none.empty()) {
            if (everything) continue;
            all.push_back(
                {{"path", p.path}, {"value", nullptr}, {absence.empty() ? "noValue" : "absent", absence + none}});
            text += p.path + (absence.empty() ? " = ?\n" : " = absent\n");
            missing += (missing.empty() ? "" : "; ") + p.path + ": " + (absence.empty() ? none : "absent: " + absence);
            continue;
        }
        const LONG value = CallExport(p.getter).result;
        const bool read = value != kLibraryFailure;
        nlohmann::json row = {{"path", p.path}, {"value", read ? nlohmann::json(value) : nullptr}};
        std::string shown = read ? std::to_string(value) : "";
        if (!read) unread += (unread.empty() ? "" : ", ") + p.path;
        if (o.Has("--percent") && p.kind == PathKind::Volume) {
            row["percent"] = nullptr;
            const TargetControl t = read ? Target(p) : TargetControl();
            if (read && t.problem.empty() && Maximum(t) > Minimum(t)) {
                row["percent"] = LevelToPercent(value, Minimum(t), Maximum(t));
                shown = row["percent"].dump() + "%";
            } else if (read) {
                if (problem.empty())
                    problem = p.path + ": no percentage: " +
                              (t.problem.empty() ? "the control's range " + RangeText(t) + " is empty" : t.problem);
                shown.clear();
            }
        }
        if (!shown.empty()) text += p.path + " = " + shown + "\n";
        all.push_back(row);
    }
    c.out << (o.Has("--json") ? all.dump(2) + "\n" : text);
    if (!unread.empty() && !mixerGetNumDevs()) throw ToolError("get: " + NoMixerDevice() + " (the library reads -1)");
    const std::string them = unread.find(',') == std::string::npos ? "it" : "them";
    if (!unread.empty()) throw ToolError("get: " + unread + ": the library could not read " + them + " (result -1)");
    if (!missing.empty()) throw ToolError("get: " + missing);
    if (!problem.empty()) throw ToolError("get: " + problem);
}

void CmdSet(Context& c, const Options& o) {
    const Args& args = o.rest;
    if (args.empty()) throw UsageError("set: give PATH VALUE (see 'mixerctl set --help')");
    // The whole command is checked before anything is written.
    std::vector<Write> writes;
    for (size_t i = 0; i < args.size(); ++i) {
        PropertyPath p = ParsePath(args[i]);
        if (p.setter.empty()) throw UsageError("set: " + p.path + " can only be read");
        // A select path takes no value, or 1 or on.
        const std::string next = i + 1 < args.size() ? Lower(args[i + 1]) : "";
        LONG v = 0;
        const bool number = ParseInt32(next, &v);
        if (p.kind == PathKind::Select && (next == "off" || (number && v != 1)))
            throw UsageError("set: " + p.path + " only selects (value 1 or on); to deselect use " +
                             "'call SelectLine KIND NAME 0'");
        const bool valued = p.kind != PathKind::Select || next == "on" || number;
        if (valued && i + 1 >= args.size()) throw UsageError("set: " + p.path + " needs a value");
        writes.push_back(Plan(p, valued ? args[++i] : ""));
    }
    // A one-at-a-time selector keeps one selection: a second would undo the first.
    std::vector<std::string> selected;  // the first selection, then the others
    for (const Write& w : writes)
        if (w.path.kind == PathKind::Select && (selected.empty() || w.path.path != selected[0])) selected.push_back(w.path.path);
    if (selected.size() > 1 && CallExport("IsMuxSingleSelect").result == 1)
        throw ToolError("set: " + selected[0] + " and " + selected[1] +
                        ": the recording selector takes one source at a time (IsMuxSingleSelect), so the second "
                        "would undo the first; nothing written");
    NoteWineLevels(c);
    // Each write is read back before the next one.
    for (const Write& w : writes) {
        const std::string shown = Execute(w);
        c.out << w.path.path << " = " << shown << "\n";
    }
}

void CmdSave(Context& c, const Options& o) {
    if (o.rest.size() != 1) throw UsageError("save: give one FILE");
    const std::string& name = o.rest[0];
    const std::string file = PlatformUserPath(name, "save");
    if (mixerGetNumDevs() == 0) throw ToolError("save: " + NoMixerDevice() + "; nothing saved");
    const std::string problem = WriteProblem(file);
    if (!problem.empty()) throw ToolError("save: cannot write " + name + ": " + problem);
    if (CallExport("Save", {file}).result != 1)
        throw ToolError("save: the library could not save the mixer settings to " + name +
                        " (reading the mixer or writing the file failed)");
    c.out << "saved mixer settings to " << name << "\n";
}

void CmdRestore(Context& c, const Options& o) {
    if (o.rest.size() != 1) throw UsageError("restore: give one FILE");
    const std::string& file = o.rest[0];
    const std::string path = PlatformUserPath(file, "restore");
    const std::string bytes = ReadWholeFile(path, "restore: ");
    const std::string nothing = "; nothing restored";
    if (bytes.empty()) throw ToolError("restore: " + file + " is empty" + nothing);
    if (bytes.size() > TEXT_READ_LIMIT)
        throw ToolError("restore: " + file + " holds " + std::to_string(bytes.size()) +
                        " bytes; the library reads only the first " + std::to_string(TEXT_READ_LIMIT) + nothing);
    const SettingsReading reading = ReadSettingsText(bytes);
    std::vector<std::string> problems = reading.problems;
    const std::string example = "sections such as [PLAY VOLUME] with entries such as MAIN=40000, as 'save' writes them";
    if (reading.entries.empty())
        throw ToolError("restore: " + file + " holds no mixer settings (" + (problems.empty() ? example : problems[0]) +
                        ")" + nothing);
    // Every value is checked against the control it goes to. Of each path
    // the last value is read back after the library applied the file;
    // selections are not: on a one-at-a-time selector a later entry
    // deselects an earlier one.
    std::map<std::string, TargetControl> targets;
    std::vector<const SettingsEntry*> last;
    for (const SettingsEntry& e : reading.entries) {
        auto t = targets.find(e.path.path);
        if (t == targets.end())
            t = targets.emplace(e.path.path, e.path.HasControl() ? Target(e.path) : TargetControl()).first;
        const std::string problem = EntryProblem(e, t->second);
        if (!problem.empty()) problems.push_back(problem);
        if (e.path.kind == PathKind::Select || e.failureMark || !t->second.problem.empty()) continue;
        const auto same = std::find_if(last.begin(), last.end(), [&](auto* x) { return x->path.path == e.path.path; });
        if (same == last.end()) last.push_back(&e);
        else *same = &e;
    }
    if (!problems.empty()) throw ToolError("restore: " + file + ": " + FirstOf(problems) + nothing);

    if (CallExport("Set", {path}).result != 1) throw ToolError("restore: the library could not read " + file);
    std::vector<std::string> differ;
    for (const SettingsEntry* e : last) {
        LONG read = 0;
        const bool readable = ReadNow(e->path, &read);
        if (!readable || !Arrived(e->path, e->number, read, targets[e->path.path]))
            differ.push_back(e->path.path + " should be " + e->value + ", " +
                             (readable ? "reads " + std::to_string(read) : std::string("cannot be read")));
    }
    if (!differ.empty())
        throw ToolError("restore: " + file + ": the mixer did not take every value: " + FirstOf(differ));
    c.out << "restored mixer settings from " << file << "\n";
}

}  // namespace mixerctl
