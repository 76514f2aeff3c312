// get, set, save and restore: the per-line properties through the library's
// exports, each write read back, each value checked against the control it
// goes to before anything is written.
#include "mixerctl.h"
#include "command_table.h"

#include "engine/level_rule.h"



namespace mixerctl {
namespace {

constexpr LONG kLibraryFailure = -1;  // what a getter returns when it cannot read

LONG Minimum(const TargetControl& t) { return t.info.control.Bounds.lMinimum; }
LONG Maximum(const TargetControl& t) { return t.info.control.Bounds.lMaximum; }
std::string RangeText(const TargetControl& t) { return std::to_string(Minimum(t)) + ".." + std::to_string(Maximum(t)); }
LONG Tolerance(const TargetControl& t) { return LevelTolerance(Minimum(t), Maximum(t), t.info.control.Metrics.cSteps); }

TargetControl Target(const PropertyPath& p) { return FindTargetControl(p.lineType, p.op); }

// The control a path writes, as winmm shows it now; ToolError when the
// library would find none.
TargetControl RequireTarget(const std::string& command, const PropertyPath& p) {
    TargetControl t = Target(p);
    if (!t.problem.empty()) throw ToolError(command + ": " + p.path + ": " + t.problem);
    return t;
}

// One channel's value as winmm reported it; false when the driver left it
// unwritten.
bool ChannelValue(const TargetControl& t, DWORD channel, LONG* value) {
    const size_t i = static_cast<size_t>(channel) * t.info.items;
    if (t.info.readResult != MMSYSERR_NOERROR || i >= t.info.values.size() || !t.info.filled[i]) return false;
    *value = t.info.values[i];
    return true;
}

std::string Them(size_t n) { return n == 1 ? "it" : "them"; }

std::string Join(const std::vector<std::string>& v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) out += (i ? ", " : "") + v[i];
    return out;
}

}  // namespace

// ---- get -----------------------------------------------------------------------

void CmdGet(Context& c, const Options& o) {
    const bool percent = o.Has("--percent");
    std::vector<PropertyPath> paths;
    for (const PropertyPath& p : AllPaths())
        if (o.rest.empty() && !p.getter.empty()) paths.push_back(p);
    for (const std::string& a : o.rest) {
        PropertyPath p = ParsePath(a);
        if (p.getter.empty())
            throw UsageError("get: " + p.path + " can only be set (the library has no G" + p.setter.substr(1) + ")");
        paths.push_back(p);
    }
    // Everything is read before anything is printed.
    nlohmann::json all = nlohmann::json::array();
    std::string text;
    std::vector<std::string> unread, problems;
    for (const PropertyPath& p : paths) {
        const LONG value = CallExportValue(p.getter);
        nlohmann::json row = {{"path", p.path}, {"value", value}};
        std::string shown = std::to_string(value);
        if (value == kLibraryFailure) row["value"] = nullptr, unread.push_back(p.path), shown.clear();
        if (percent && p.kind == PathKind::Volume) {
            row["percent"] = nullptr;
            const TargetControl t = shown.empty() ? TargetControl() : Target(p);
            // Without a PATH every level is shown: one the mixer lacks shows
            // as the library reads it (0).
            const bool asRead = shown.empty() || (!t.problem.empty() && o.rest.empty());
            if (asRead) {
                // no percentage
            } else if (!t.problem.empty() || Maximum(t) <= Minimum(t)) {
                problems.push_back(p.path + ": no percentage: " +
                                   (t.problem.empty() ? "the control's range " + RangeText(t) + " is empty" : t.problem));
                shown.clear();
            } else {
                row["percent"] = LevelToPercent(value, Minimum(t), Maximum(t));
                shown = std::to_string(row["percent"].get<long long>()) + "%";
            }
        }
        if (!shown.empty()) text += p.path + " = " + shown + "\n";
        all.push_back(row);
    }
    c.out << (o.Has("--json") ? all.dump(2) + "\n" : text);
    if (!unread.empty() && DeviceCount() == 0) throw ToolError("get: there is no mixer device (the library reads -1)");
    if (!unread.empty())
        throw ToolError("get: " + Join(unread) + ": the library could not read " + Them(unread.size()) + " (result -1)");
    if (!problems.empty()) throw ToolError("get: " + problems[0]);
}

// ---- set -----------------------------------------------------------------------

namespace {

struct Write {
    PropertyPath path;
    std::string text;      // the value as typed
    TypedValue value;
    TargetControl target;  // levels, balances and one side's boost
};

[[noreturn]] void BadValue(const PropertyPath& p, const std::string& text, const std::string& takes) {
    throw UsageError("set: " + p.path + " takes " + takes + ", not '" + text + "'");
}

std::string SwitchWords(PathKind kind) {
    return kind == PathKind::Mute ? "0, 1, on, off, mute, unmute or toggle" : "0, 1, on, off or toggle";
}

// Checks one path and its value against the mixer; writes nothing.
Write Plan(const PropertyPath& p, const std::string& text) {
    Write w;
    w.path = p;
    w.text = text;
    switch (p.kind) {
    case PathKind::Volume:
        if (!ParseLevel(text, &w.value))
            BadValue(p, text, "a level: N in the control's units, N% (0 to 100), or a step: +N, N-, +N% or -N%");
        w.target = RequireTarget("set", p);
        if (w.value.form == ValueForm::Absolute && (w.value.number < Minimum(w.target) || w.value.number > Maximum(w.target)))
            throw UsageError("set: " + p.path + ": " + text + " is outside the control's range " + RangeText(w.target) +
                             (w.value.number < 0 ? " (a step down is written N- or -N%)"
                                                 : " (a percentage, 0% to 100%, spans it)"));
        break;
    case PathKind::Balance: {
        LONG position;
        if (!ParseInt32(text, &position) || position < 0 || position > 15)
            BadValue(p, text, "a position from 0 (left) to 15 (right)");
        w.value.number = position;
        w.target = RequireTarget("set", p);
        const bool uniform = (w.target.info.control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) != 0;
        if (uniform || w.target.lineChannels < 2)
            throw ToolError("set: " + p.path + ": the volume control of \"" + w.target.lineName + "\" has " +
                            (uniform ? "one level for all channels" : "one channel") + ": there is no balance to set");
        break;
    }
    case PathKind::Mute:
    case PathKind::Boost:
    case PathKind::BothBoosts:
    case PathKind::CdDigital:
        if (!ParseSwitch(text, p.kind == PathKind::Mute, &w.value)) BadValue(p, text, SwitchWords(p.kind));
        if (p.kind == PathKind::Mute || p.kind == PathKind::Boost) w.target = RequireTarget("set", p);
        if (p.kind == PathKind::BothBoosts)
            for (LONG op : {OpRecBoost, OpPlayBoost}) {
                const TargetControl t = FindTargetControl(p.lineType, op);
                if (!t.problem.empty()) throw ToolError("set: " + p.path + ": " + t.problem);
            }
        break;
    case PathKind::Select:
        break;
    }
    return w;
}

[[noreturn]] void NotArrived(const PropertyPath& p, const std::string& asked, const std::string& found) {
    throw ToolError("set: " + p.path + ": asked " + asked + ", " + found + " (the mixer did not take it)");
}

LONG ReadOrFail(const PropertyPath& p, const char* what) {
    const LONG v = CallExportValue(p.getter);
    if (v == kLibraryFailure)
        throw ToolError("set: " + p.path + ": cannot read " + what + " (" + p.getter + " gives -1)");
    return v;
}

// One side's boost has no reader in the library: winmm tells.
LONG ReadSwitch(const PropertyPath& p, const char* what) {
    TargetControl t = RequireTarget("set", p);
    LONG v;
    if (!ChannelValue(t, 0, &v)) throw ToolError("set: " + p.path + ": cannot read " + what + " of \"" + t.lineName + "\"");
    return v;
}

std::string Execute(const Write& w) {
    const PropertyPath& p = w.path;
    switch (p.kind) {
    case PathKind::Volume: {
        const LONG min = Minimum(w.target), max = Maximum(w.target);
        LONG current = 0;
        if (w.value.form == ValueForm::Relative || w.value.form == ValueForm::RelativePercent)
            current = ReadOrFail(p, "the current level");
        const LONG asked = ResolveLevel(w.value, current, min, max);
        CallExport(p.setter, {std::to_string(asked)});
        const LONG read = CallExportValue(p.getter);
        if (read == kLibraryFailure || !LevelArrived(asked, read, Tolerance(w.target)))
            NotArrived(p, std::to_string(asked), read == kLibraryFailure ? "cannot read it back" : "reads back " + std::to_string(read));
        std::string shown = std::to_string(read);
        if ((w.value.form == ValueForm::Percent || w.value.form == ValueForm::RelativePercent) && max > min)
            shown += " (" + std::to_string(LevelToPercent(read, min, max)) + "%)";
        return shown;
    }
    case PathKind::Balance: {
        const LONG position = static_cast<LONG>(w.value.number);
        TargetControl before = RequireTarget("set", p);
        const DWORD last = before.info.channels - 1;
        LONG first = 0, lastLevel = 0;
        if (!ChannelValue(before, 0, &first) || !ChannelValue(before, last, &lastLevel))
            throw ToolError("set: " + p.path + ": cannot read the channels of \"" + before.lineName + "\"");
        LONG expectedFirst = first, expectedLast = lastLevel;
        ApplyBalanceRule(&expectedFirst, &expectedLast, position);  // the library's rule
        CallExport(p.setter, {std::to_string(position)});
        TargetControl after = RequireTarget("set", p);
        LONG a = 0, b = 0;
        const bool read = ChannelValue(after, 0, &a) && ChannelValue(after, last, &b);
        const LONG tolerance = Tolerance(after);
        if (!read || !LevelArrived(expectedFirst, a, tolerance) || !LevelArrived(expectedLast, b, tolerance))
            NotArrived(p, std::to_string(position) + " (levels " + std::to_string(expectedFirst) + " and " +
                              std::to_string(expectedLast) + ")",
                       read ? "the channels hold " + std::to_string(a) + " and " + std::to_string(b)
                            : "cannot read the channels back");
        return std::to_string(position);
    }
    case PathKind::Mute:
    case PathKind::Boost:
    case PathKind::BothBoosts:
    case PathKind::CdDigital: {
        const bool viaMixer = p.getter.empty();
        LONG asked = static_cast<LONG>(w.value.number);
        if (w.value.form == ValueForm::Toggle)
            asked = (viaMixer ? ReadSwitch(p, "the current state") : ReadOrFail(p, "the current state")) != 0 ? 0 : 1;
        CallExport(p.setter, {std::to_string(asked)});
        const LONG read = viaMixer ? ReadSwitch(p, "the state") : ReadOrFail(p, "it back");
        if ((read != 0) != (asked != 0)) NotArrived(p, std::to_string(asked), "reads back " + std::to_string(read));
        return std::to_string(read);
    }
    case PathKind::Select: {
        CallExport(p.setter);
        const LONG read = ReadOrFail(p, "it back");
        if (read == 0) NotArrived(p, "the source", "the selector does not show it selected");
        return std::to_string(read);
    }
    }
    return "";
}

}  // namespace

void CmdSet(Context& c, const Options& o) {
    const Args& args = o.rest;
    if (args.empty()) throw UsageError("set: give PATH VALUE (see 'mixerctl set --help')");
    // The whole command is checked before anything is written.
    std::vector<Write> writes;
    for (size_t i = 0; i < args.size(); ++i) {
        PropertyPath p = ParsePath(args[i]);
        if (p.setter.empty()) throw UsageError("set: " + p.path + " can only be read");
        if (p.kind == PathKind::Select) {
            if (i + 1 < args.size()) {
                const std::string next = Lower(args[i + 1]);
                LONG v = 0;
                const bool number = ParseInt32(next, &v);
                if (next == "off" || (number && v != 1))
                    throw UsageError("set: " + p.path + " only selects (value 1 or on); to deselect use " +
                                     "'call SelectLine KIND NAME 0'");
                if (next == "on" || number) ++i;
            }
            writes.push_back(Plan(p, ""));
            continue;
        }
        if (i + 1 >= args.size()) throw UsageError("set: " + p.path + " needs a value");
        writes.push_back(Plan(p, args[++i]));
    }
    // Each write is read back before the next one.
    for (const Write& w : writes) {
        const std::string shown = Execute(w);
        c.out << w.path.path << " = " << shown << "\n";
    }
}

// ---- save and restore -------------------------------------------------------------

void CmdSave(Context& c, const Options& o) {
    const Args& args = o.rest;
    if (args.size() != 1) throw UsageError("save: give one FILE");
    const std::string& file = args[0];
    if (DeviceCount() == 0) throw ToolError("save: there is no mixer device; nothing saved");
    bool created = false;
    const std::string problem = WriteProblem(file, &created);
    if (!problem.empty()) throw ToolError("save: cannot write " + file + ": " + problem);
    if (CallExportValue("Save", {file}) != 1) {
        if (created) RemoveFile(file);
        throw ToolError("save: the library could not save the mixer settings to " + file +
                        " (reading the mixer or writing the file failed)");
    }
    c.out << "saved mixer settings to " << file << "\n";
}

namespace {

// Why a value of the file would do something else than it says ("" when it
// is fine). `target` is the control the path writes (null for the paths
// without one); `missing` says the library finds no control there.
std::string EntryProblem(const SettingsEntry& e, const TargetControl* target) {
    const bool missing = target && !target->problem.empty();
    const std::string where = "line " + std::to_string(e.line) + ": " + e.key + "=" + e.value + " in " + e.section;
    if (e.failureMark) {
        // Save writes -1 for a value it could not read; the library reads it
        // as 0, which selects nothing and writes nothing to a missing control.
        if (e.path.kind == PathKind::Select || missing) return "";
        return where + " marks a value 'save' could not read; the library would write 0 to " + e.path.path +
               ": give a value or remove the entry";
    }
    if (e.path.kind == PathKind::Volume) {
        if (missing) return "";
        if (e.number < Minimum(*target) || e.number > Maximum(*target))
            return where + " is outside the range of " + e.path.path + ", " + RangeText(*target);
        return "";
    }
    if (e.number > 1) return where + ": " + e.path.path + " takes 0 or 1";
    return "";
}

}  // namespace

void CmdRestore(Context& c, const Options& o) {
    const Args& args = o.rest;
    if (args.size() != 1) throw UsageError("restore: give one FILE");
    const std::string& file = args[0];
    std::string bytes;
    try {
        bytes = ReadWholeFile(file);
    } catch (const ToolError& e) {
        throw ToolError(std::string("restore: ") + e.what());
    }
    const std::string nothing = "; nothing restored";
    if (bytes.empty()) throw ToolError("restore: " + file + " is empty" + nothing);
    if (bytes.size() > TEXT_READ_LIMIT)
        throw ToolError("restore: " + file + " holds " + std::to_string(bytes.size()) + " bytes; the library reads only the first " +
                        std::to_string(TEXT_READ_LIMIT) + nothing);
    const SettingsReading reading = ReadSettingsText(bytes);
    std::vector<std::string> problems = reading.problems;
    if (reading.entries.empty())
        throw ToolError("restore: " + file + " holds no mixer settings (" +
                        (problems.empty() ? "sections such as [PLAY VOLUME] with entries such as MAIN=40000, as "
                                            "'save' writes them"
                                          : problems[0]) +
                        ")" + nothing);
    // Every value is checked against the control it goes to.
    std::map<std::string, TargetControl> targets;
    for (const SettingsEntry& e : reading.entries) {
        const TargetControl* target = nullptr;
        if (e.path.HasControl()) {
            auto it = targets.find(e.path.path);
            if (it == targets.end()) it = targets.emplace(e.path.path, Target(e.path)).first;
            target = &it->second;
        }
        const std::string problem = EntryProblem(e, target);
        if (!problem.empty()) problems.push_back(problem);
    }
    if (!problems.empty())
        throw ToolError("restore: " + file + ": " + problems[0] +
                        (problems.size() > 1 ? " (and " + std::to_string(problems.size() - 1) + " more)" : "") + nothing);

    if (CallExportValue("Set", {file}) != 1) throw ToolError("restore: the library could not read " + file);

    // Read back the last value of each path. Selections are not: on a
    // one-at-a-time selector a later entry deselects an earlier one.
    std::map<std::string, const SettingsEntry*> last;
    std::vector<std::string> order;
    for (const SettingsEntry& e : reading.entries) {
        if (e.path.kind == PathKind::Select || e.failureMark) continue;
        if (!last.count(e.path.path)) order.push_back(e.path.path);
        last[e.path.path] = &e;
    }
    std::vector<std::string> differ;
    for (const std::string& name : order) {
        const SettingsEntry& e = *last[name];
        const auto t = targets.find(name);
        if (t != targets.end() && !t->second.problem.empty()) continue;  // no such control: nothing was written
        LONG read = 0;
        bool readable;
        if (e.path.getter.empty()) {
            readable = ChannelValue(RequireTarget("restore", e.path), 0, &read);
        } else {
            read = CallExportValue(e.path.getter);
            readable = read != kLibraryFailure;
        }
        const bool arrived = e.path.kind == PathKind::Volume ? LevelArrived(e.number, read, Tolerance(t->second))
                             : e.path.kind == PathKind::CdDigital ? read == e.number
                                                                 : (read != 0) == (e.number != 0);
        if (!readable || !arrived)
            differ.push_back(name + " should be " + e.value + ", " +
                             (readable ? "reads " + std::to_string(read) : std::string("cannot be read")));
    }
    if (!differ.empty())
        throw ToolError("restore: " + file + ": the mixer did not take every value: " + differ[0] +
                        (differ.size() > 1 ? " (and " + std::to_string(differ.size() - 1) + " more)" : ""));
    c.out << "restored mixer settings from " << file << "\n";
}

}  // namespace mixerctl
