#include "card.h"

#include "files.h"
#include "names.h"
#include "platform.h"
#include "sim.h"
#include "sim_files.h"

#include <cerrno>
#include <cstdio>
#include <set>

namespace mixerctl {
namespace card {
namespace {

using nlohmann::json;

// The registry value GetTavrinDirectory reads.
const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";

struct LiveControl {
    size_t device;
    DWORD controlId;
    LONG level;
};
std::vector<LiveControl>& Live() {
    static std::vector<LiveControl> live;
    return live;
}

// Where in the card a value sits, for messages.
struct Ctx {
    std::string origin;
    std::string path;
    Ctx At(const std::string& key) const { return {origin, path.empty() ? key : path + "." + key}; }
    Ctx At(size_t index) const { return {origin, path + "[" + std::to_string(index) + "]"}; }
    [[noreturn]] void Fail(const std::string& what) const {
        throw ToolError(origin + ": " + (path.empty() ? std::string("card") : path) + ": " + what);
    }
};

void CheckKeys(const json& j, const Ctx& ctx, std::initializer_list<const char*> allowed) {
    if (!j.is_object()) ctx.Fail("must be an object");
    for (auto it = j.begin(); it != j.end(); ++it) {
        bool ok = it.key() == "comment";
        for (const char* a : allowed) ok = ok || it.key() == a;
        if (!ok) ctx.Fail("unknown field '" + it.key() + "'");
    }
}

std::string Text(const json& j, const Ctx& ctx) {
    if (!j.is_string()) ctx.Fail("must be a string");
    return j.get<std::string>();
}

LONG Int(const json& j, const Ctx& ctx) {
    if (j.is_number_integer()) {
        long long v = j.get<long long>();
        if (v < -2147483648LL || v > 4294967295LL) ctx.Fail("out of the 32-bit range");
        return static_cast<LONG>(static_cast<DWORD>(v));
    }
    if (j.is_string()) {
        LONG v;
        if (ParseInt32(j.get<std::string>(), &v)) return v;
    }
    ctx.Fail("must be an integer");
}

bool Bool(const json& j, const Ctx& ctx) {
    if (!j.is_boolean()) ctx.Fail("must be true or false");
    return j.get<bool>();
}

// A type or flag given by name or by number.
template <typename Parse>
DWORD Named(const json& j, const Ctx& ctx, Parse parse) {
    if (j.is_number_integer()) return static_cast<DWORD>(Int(j, ctx));
    if (!j.is_string()) ctx.Fail("must be a name or a number");
    try {
        return parse(j.get<std::string>());
    } catch (const UsageError& e) {
        ctx.Fail(e.what());
    }
}

template <typename Parse>
DWORD Flags(const json& j, const Ctx& ctx, Parse parse) {
    if (j.is_number_integer() || j.is_string()) return Named(j, ctx, parse);
    if (!j.is_array()) ctx.Fail("must be a list of flag names or a number");
    DWORD flags = 0;
    for (size_t i = 0; i < j.size(); ++i) flags |= Named(j[i], ctx.At(i), parse);
    return flags;
}

const char* const kQuirks[] = {"firstChannelOnly",   "leaveUnfilled",         "ignoreWrites", "refuseOutOfRange",
                               "refuseBadSelection", "textsFirstChannelOnly", "floatLevel"};

bool* QuirkField(sim::Control& c, const std::string& name) {
    if (name == "firstChannelOnly") return &c.firstChannelOnly;
    if (name == "leaveUnfilled") return &c.leaveUnfilled;
    if (name == "ignoreWrites") return &c.ignoreWrites;
    if (name == "refuseOutOfRange") return &c.refuseOutOfRange;
    if (name == "refuseBadSelection") return &c.refuseBadSelection;
    if (name == "textsFirstChannelOnly") return &c.textsFirstChannelOnly;
    if (name == "floatLevel") return &c.floatLevel;
    return nullptr;
}

// A control that acts on another, checked once the whole device is there.
struct ActsOn {
    DWORD control;
    DWORD target;
    Ctx ctx;  // the actsOn field
};

void LoadControl(const json& j, const Ctx& ctx, sim::Line& line, size_t device, std::vector<ActsOn>* actsOn) {
    CheckKeys(j, ctx, {"type", "name", "shortName", "id", "flags", "min", "max", "steps", "items", "itemCount",
                       "value", "values", "selected", "live", "actsOn", "firstChannelOnly", "leaveUnfilled",
                       "ignoreWrites", "refuseOutOfRange", "refuseBadSelection", "textsFirstChannelOnly",
                       "floatLevel"});
    if (!j.contains("type")) ctx.Fail("a control needs a type");
    const DWORD type = Named(j["type"], ctx.At("type"), ParseControlType);
    const bool isList = (type & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST;

    std::vector<std::string> texts;
    if (j.contains("items")) {
        const json& items = j["items"];
        if (!items.is_array()) ctx.At("items").Fail("must be a list of item texts");
        for (size_t i = 0; i < items.size(); ++i) texts.push_back(Text(items[i], ctx.At("items").At(i)));
    }
    DWORD itemCount = static_cast<DWORD>(texts.size());
    if (j.contains("itemCount")) {
        LONG n = Int(j["itemCount"], ctx.At("itemCount"));
        if (n < 0 || n > 4096) ctx.At("itemCount").Fail("must be from 0 to 4096");
        itemCount = static_cast<DWORD>(n);
    }
    DWORD flags;
    if (j.contains("flags")) {
        flags = Flags(j["flags"], ctx.At("flags"), ParseControlFlag);
        if ((j.contains("items") || j.contains("itemCount")) && !(flags & MIXERCONTROL_CONTROLF_MULTIPLE))
            ctx.At("flags").Fail("a control with items needs the multiple flag");
    } else {
        flags = isList || j.contains("items") || j.contains("itemCount")
                    ? MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE
                    : 0;
    }
    if (isList && (flags & MIXERCONTROL_CONTROLF_MULTIPLE) && itemCount == 0)
        ctx.Fail("a list control needs items");

    std::string name = j.contains("name") ? Text(j["name"], ctx.At("name")) : std::string();
    sim::Control& c = line.AddControl(type, 0, flags, itemCount, name);
    c.itemTexts = texts;
    if (j.contains("shortName")) c.shortName = Text(j["shortName"], ctx.At("shortName"));
    if (j.contains("id")) c.id = static_cast<DWORD>(Int(j["id"], ctx.At("id")));
    if (j.contains("min")) c.minimum = Int(j["min"], ctx.At("min"));
    if (j.contains("max")) c.maximum = Int(j["max"], ctx.At("max"));
    if (j.contains("steps")) c.steps = static_cast<DWORD>(Int(j["steps"], ctx.At("steps")));
    for (const char* q : kQuirks)
        if (j.contains(q)) *QuirkField(c, q) = Bool(j[q], ctx.At(q));

    // Values: storage is channel-major, channels x items.
    const size_t channels = (flags & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.ChannelCount();
    const size_t perChannel = (flags & MIXERCONTROL_CONTROLF_MULTIPLE) ? itemCount : 1;
    const int given = j.contains("value") + j.contains("values") + j.contains("selected");
    if (given > 1) ctx.Fail("give only one of value, values and selected");
    if (j.contains("actsOn")) {
        const Ctx ac = ctx.At("actsOn");
        const DWORD target = static_cast<DWORD>(Int(j["actsOn"], ac));
        // Its reads and writes go to the other control: values of its own
        // would never be seen.
        if (given > 0) ac.Fail("a control that acts on another holds no value of its own: give it to control " +
                               std::to_string(target));
        actsOn->push_back({c.id, target, ac});
        c.actsOn = target;
    }
    if (c.minimum > c.maximum) ctx.At("min").Fail("is above max (" + std::to_string(c.maximum) + ")");
    // A value within the control's own bounds, as a driver reports it.
    auto inRange = [&c](const json& v, const Ctx& at) {
        const LONG x = Int(v, at);
        if (x < c.minimum || x > c.maximum)
            at.Fail(std::to_string(x) + " is outside the control's range " + std::to_string(c.minimum) + ".." +
                    std::to_string(c.maximum));
        return x;
    };
    if (j.contains("value")) c.SetAll(inRange(j["value"], ctx.At("value")));
    if (j.contains("values")) {
        const json& v = j["values"];
        const Ctx vc = ctx.At("values");
        if (!v.is_array()) vc.Fail("must be a list");
        std::vector<LONG> flat;
        if (!v.empty() && v[0].is_array()) {
            if (v.size() != channels) vc.Fail("needs " + std::to_string(channels) + " channel rows");
            for (size_t ch = 0; ch < v.size(); ++ch) {
                if (!v[ch].is_array() || v[ch].size() != perChannel)
                    vc.At(ch).Fail("needs a list of " + std::to_string(perChannel) + " values");
                for (size_t i = 0; i < perChannel; ++i) flat.push_back(inRange(v[ch][i], vc.At(ch).At(i)));
            }
        } else {
            if (v.size() != channels * perChannel)
                vc.Fail("needs " + std::to_string(channels * perChannel) + " values (" + std::to_string(channels) +
                        " channels x " + std::to_string(perChannel) + " items), not " + std::to_string(v.size()));
            for (size_t i = 0; i < v.size(); ++i) flat.push_back(inRange(v[i], vc.At(i)));
        }
        c.values = flat;
    }
    if (j.contains("selected")) {
        const json& s = j["selected"];
        const Ctx sc = ctx.At("selected");
        if (!(flags & MIXERCONTROL_CONTROLF_MULTIPLE)) sc.Fail("only a control with items has selected items");
        if (!s.is_array()) sc.Fail("must be a list of item indexes");
        for (size_t i = 0; i < s.size(); ++i) {
            LONG item = Int(s[i], sc.At(i));
            if (item < 0 || static_cast<DWORD>(item) >= itemCount)
                sc.At(i).Fail("no item " + std::to_string(item) + " (the control has " + std::to_string(itemCount) + ")");
            for (size_t ch = 0; ch < channels; ++ch) c.SetValue(1, static_cast<DWORD>(ch), static_cast<DWORD>(item));
        }
    }
    if (j.contains("live") && Bool(j["live"], ctx.At("live"))) Live().push_back({device, c.id, 0});
}

void LoadLineCommon(const json& j, const Ctx& ctx, sim::Line& line, size_t device, std::vector<ActsOn>* actsOn) {
    if (j.contains("shortName")) line.shortName = Text(j["shortName"], ctx.At("shortName"));
    if (j.contains("flags")) line.fdwLine = Flags(j["flags"], ctx.At("flags"), ParseLineFlag);
    if (j.contains("controls")) {
        const json& cs = j["controls"];
        if (!cs.is_array()) ctx.At("controls").Fail("must be a list");
        for (size_t i = 0; i < cs.size(); ++i) LoadControl(cs[i], ctx.At("controls").At(i), line, device, actsOn);
    }
}

DWORD Channels(const json& j, const Ctx& ctx) {
    if (!j.contains("channels")) return 2;
    LONG n = Int(j["channels"], ctx.At("channels"));
    if (n < 0 || n > 32) ctx.At("channels").Fail("must be from 0 to 32");
    return static_cast<DWORD>(n);
}

void CheckUnique(const sim::Device& dev, const Ctx& ctx) {
    std::set<DWORD> lines, controls;
    auto visit = [&](const sim::Line& l) {
        if (!lines.insert(l.id).second) ctx.Fail("two lines have the id " + Hex(l.id));
        for (const sim::Control& c : l.controls)
            if (!controls.insert(c.id).second) ctx.Fail("two controls have the id " + std::to_string(c.id));
    };
    for (const sim::Destination& d : dev.destinations) {
        visit(d);
        for (const sim::Line& s : d.sources) visit(s);
    }
}

// The control of the device that holds the value a control acts on: one
// that exists, is another, holds its own value, and is of the same type
// and item count (a volume acts on a volume).
void CheckActsOn(sim::Device& dev, const ActsOn& a) {
    const sim::Control* target = dev.FindControl(a.target);
    if (target == nullptr) a.ctx.Fail("the device has no control " + std::to_string(a.target));
    const sim::Control& control = *dev.FindControl(a.control);
    if (a.target == a.control) a.ctx.Fail("a control does not act on itself (leave actsOn out)");
    if (target->actsOn)
        a.ctx.Fail("control " + std::to_string(a.target) + " acts on control " + std::to_string(*target->actsOn) +
                   " itself: name the control that holds the value");
    if (target->type != control.type)
        a.ctx.Fail("control " + std::to_string(a.target) + " is a " + ControlTypeName(target->type) + " control, not a " +
                   ControlTypeName(control.type) + " control");
    if (target->items != control.items)
        a.ctx.Fail("control " + std::to_string(a.target) + " has " + std::to_string(target->items) + " items, not " +
                   std::to_string(control.items));
}

sim::Device::Endpoint EndpointOf(const json& j, const Ctx& ctx) {
    const std::string word = Text(j, ctx);
    if (word == "playback") return sim::Device::Endpoint::Playback;
    if (word == "recording") return sim::Device::Endpoint::Recording;
    ctx.Fail("must be \"playback\" or \"recording\" (left out: a card's own mixer, serving both), not '" + word + "'");
}

void LoadDevice(const json& j, const Ctx& ctx) {
    CheckKeys(j, ctx, {"name", "mid", "pid", "endpoint", "destinations"});
    if (!j.contains("name")) ctx.Fail("a device needs a name");
    const size_t index = sim::Devices().size();
    sim::Device& dev = sim::AddDevice(Text(j["name"], ctx.At("name")));
    if (j.contains("mid")) dev.mid = static_cast<WORD>(Int(j["mid"], ctx.At("mid")));
    if (j.contains("pid")) dev.pid = static_cast<WORD>(Int(j["pid"], ctx.At("pid")));
    if (j.contains("endpoint")) dev.endpoint = EndpointOf(j["endpoint"], ctx.At("endpoint"));
    std::vector<ActsOn> actsOn;
    if (j.contains("destinations")) {
        const json& ds = j["destinations"];
        if (!ds.is_array()) ctx.At("destinations").Fail("must be a list");
        for (size_t i = 0; i < ds.size(); ++i) {
            const json& dj = ds[i];
            const Ctx dc = ctx.At("destinations").At(i);
            CheckKeys(dj, dc, {"name", "shortName", "type", "channels", "id", "flags", "controls", "sources"});
            if (!dj.contains("name") || !dj.contains("type")) dc.Fail("a destination needs a name and a type");
            const DWORD type = Named(dj["type"], dc.At("type"), [](const std::string& s) { return ParseComponentType(s, true); });
            sim::Destination& dst = dev.AddDestination(type, Text(dj["name"], dc.At("name")), Channels(dj, dc));
            LoadLineCommon(dj, dc, dst, index, &actsOn);
            if (dj.contains("sources")) {
                const json& ss = dj["sources"];
                if (!ss.is_array()) dc.At("sources").Fail("must be a list");
                for (size_t s = 0; s < ss.size(); ++s) {
                    const json& sj = ss[s];
                    const Ctx sc = dc.At("sources").At(s);
                    CheckKeys(sj, sc, {"name", "shortName", "type", "channels", "id", "flags", "controls"});
                    if (!sj.contains("name") || !sj.contains("type")) sc.Fail("a source needs a name and a type");
                    const DWORD st = Named(sj["type"], sc.At("type"), [](const std::string& x) { return ParseComponentType(x, false); });
                    sim::Line& src = dst.AddSource(st, Text(sj["name"], sc.At("name")), Channels(sj, sc));
                    LoadLineCommon(sj, sc, src, index, &actsOn);
                    if (sj.contains("id")) src.id = static_cast<DWORD>(Int(sj["id"], sc.At("id")));
                }
            }
            // Source ids derive from the destination's automatic id, so an
            // explicit destination id is put in last.
            if (dj.contains("id")) dst.id = static_cast<DWORD>(Int(dj["id"], dc.At("id")));
        }
    }
    CheckUnique(dev, ctx);
    for (const ActsOn& a : actsOn) CheckActsOn(dev, a);
}

std::vector<sim::Control*> ControlsOf(sim::Device& dev) {
    std::vector<sim::Control*> out;
    for (sim::Destination& d : dev.destinations) {
        for (sim::Control& c : d.controls) out.push_back(&c);
        for (sim::Line& s : d.sources)
            for (sim::Control& c : s.controls) out.push_back(&c);
    }
    return out;
}

}  // namespace

void Load(const json& j, const std::string& origin) {
    const Ctx ctx{origin, ""};
    CheckKeys(j, ctx, {"devices", "hostDirectory", "description", "preferredWaveIn", "wineDeviceIds", "wineMixerHandles"});
    if (!j.contains("devices") || !j["devices"].is_array()) ctx.Fail("a card needs a list of devices");
    if (j.contains("description")) Text(j["description"], ctx.At("description"));
    for (size_t i = 0; i < j["devices"].size(); ++i) LoadDevice(j["devices"][i], ctx.At("devices").At(i));
    // Any identifier, one of no device included, is what the wave mapper
    // reports.
    if (j.contains("preferredWaveIn"))
        sim::SetPreferredWaveIn(static_cast<DWORD>(Int(j["preferredWaveIn"], ctx.At("preferredWaveIn"))));
    if (j.contains("wineDeviceIds")) sim::SetWineDeviceIds(Bool(j["wineDeviceIds"], ctx.At("wineDeviceIds")));
    if (j.contains("wineMixerHandles"))
        sim::SetWineMixerHandles(Bool(j["wineMixerHandles"], ctx.At("wineMixerHandles")));
    if (j.contains("hostDirectory"))
        sim::RegSetString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", Text(j["hostDirectory"], ctx.At("hostDirectory")));
}

void LoadText(const std::string& text, const std::string& origin) {
    json j;
    try {
        j = json::parse(text);
    } catch (const json::parse_error& e) {
        throw ToolError(origin + ": not valid JSON: " + e.what());
    }
    Load(j, origin);
}

void LoadFile(const std::string& path) { LoadText(ReadWholeFile(path, "card"), path); }

json CaptureState() {
    json devices = json::array();
    for (sim::Device& dev : sim::Devices()) {
        json controls = json::array();
        for (sim::Control* c : ControlsOf(dev)) controls.push_back({{"id", c->id}, {"values", c->values}});
        devices.push_back({{"name", dev.productName}, {"controls", controls}});
    }
    return {{"mixerctlState", 1}, {"devices", devices}};
}

void RestoreState(const json& state, const std::string& origin) {
    auto fail = [&](const std::string& what) -> void {
        throw ToolError(origin + ": " + what + " (was it saved with another card?)");
    };
    if (!state.is_object() || state.value("mixerctlState", 0) != 1 || !state.contains("devices") ||
        !state["devices"].is_array())
        throw ToolError(origin + ": not a mixerctl state file");
    const json& devices = state["devices"];
    if (devices.size() != sim::Devices().size())
        fail("it holds " + std::to_string(devices.size()) + " devices, the card " + std::to_string(sim::Devices().size()));
    // Check everything before changing anything.
    std::vector<std::pair<sim::Control*, std::vector<LONG>>> changes;
    for (size_t d = 0; d < devices.size(); ++d) {
        sim::Device& dev = sim::Devices()[d];
        const json& dj = devices[d];
        if (!dj.is_object() || dj.value("name", std::string()) != dev.productName)
            fail("device " + std::to_string(d) + " is not \"" + dev.productName + "\"");
        std::vector<sim::Control*> controls = ControlsOf(dev);
        if (!dj.contains("controls") || !dj["controls"].is_array() || dj["controls"].size() != controls.size())
            fail("device " + std::to_string(d) + " has another number of controls");
        for (const json& cj : dj["controls"]) {
            if (!cj.is_object() || !cj.contains("id") || !cj["id"].is_number_unsigned() || !cj.contains("values") ||
                !cj["values"].is_array())
                throw ToolError(origin + ": malformed control entry in device " + std::to_string(d));
            const DWORD id = cj["id"].get<DWORD>();
            sim::Control* c = dev.FindControl(id);
            if (!c) fail("device " + std::to_string(d) + " has no control " + std::to_string(id));
            std::vector<LONG> values;
            for (const json& v : cj["values"]) {
                if (!v.is_number_integer()) throw ToolError(origin + ": control " + std::to_string(id) + ": values must be integers");
                values.push_back(static_cast<LONG>(v.get<long long>()));
            }
            if (values.size() != c->values.size())
                fail("control " + std::to_string(id) + " holds " + std::to_string(c->values.size()) + " values, not " +
                     std::to_string(values.size()));
            changes.emplace_back(c, values);
        }
    }
    for (auto& change : changes) change.first->values = change.second;
}

void SaveStateFile(const std::string& path) {
    const std::string text = CaptureState().dump(1) + "\n";
    const std::string host = PlatformFilePath(path);
    if (KindOfFile(path) == FileKind::Directory)
        throw ToolError("cannot write state file " + path + ": " + SystemReason(EISDIR));
    errno = 0;
    std::FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "wb");
    if (!f) throw ToolError("cannot write state file " + path + ": " + SystemReason(host.empty() ? ENOENT : errno));
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int error = errno;
    if (std::fclose(f) != 0 || !written)
        throw ToolError("cannot write state file " + path + ": " + SystemReason(error ? error : errno ? errno : EIO));
}

bool RestoreStateFile(const std::string& path) {
    // A missing file is the first run of a sequence.
    if (KindOfFile(path) == FileKind::Missing) return false;
    std::string text = ReadWholeFile(path, "state file");
    json state;
    try {
        state = json::parse(text);
    } catch (const json::parse_error& e) {
        throw ToolError(path + ": not valid JSON: " + e.what());
    }
    RestoreState(state, path);
    return true;
}

void TickLiveMeters() {
    static unsigned seed = 12345;
    for (LiveControl& live : Live()) {
        if (live.device >= sim::Devices().size()) continue;
        sim::Control* c = sim::Devices()[live.device].FindControl(live.controlId);
        if (!c) continue;
        // A level that drifts towards a random target, with a signed reading
        // swinging either way as a waveform's peak does.
        seed = seed * 1103515245u + 12345u;
        const long long span = static_cast<long long>(c->maximum) - (c->minimum < 0 ? 0 : c->minimum);
        const long long target = span > 0 ? static_cast<long long>((seed >> 8) % static_cast<unsigned>(span + 1)) : 0;
        live.level = static_cast<LONG>((static_cast<long long>(live.level) * 2 + target) / 3);
        const bool negative = c->minimum < 0 && (seed >> 30) & 1;
        c->SetAll(negative ? -live.level : live.level + (c->minimum > 0 ? c->minimum : 0));
    }
}

void ClearLive() { Live().clear(); }

}  // namespace card
}  // namespace mixerctl
