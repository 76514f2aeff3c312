// Simulated cards as data (sim_card.h): the card loader, the state file and
// the live meters; and the snapshot of every control's values (sim.h).
#include "sim_card.h"

#include "platform/mixer_names.h"
#include "sim_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

namespace sim {
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
const detail::ResetHook kForgetLive([] { Live().clear(); });

// The text of the card being loaded, while LoadCardText or LoadCardFile
// loads it: a message then says where in the text the value sits.
const std::string* g_cardText = nullptr;

// "line L, column C" of byte `at` of `text`: lines from 1, columns from 1
// counting characters of UTF-8.
std::string TextPosition(const std::string& text, size_t at) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < at && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// A walk of JSON text that parsed: where a value starts, by the keys and
// indexes that lead to it.
namespace text_walk {

size_t Space(const std::string& t, size_t i) {
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\r' || t[i] == '\n')) ++i;
    return i;
}

// Past the string that starts at `i`.
size_t String(const std::string& t, size_t i) {
    for (++i; i < t.size() && t[i] != '"'; ++i)
        if (t[i] == '\\') ++i;
    return i + 1;
}

// Past the value that starts at `i`.
size_t Value(const std::string& t, size_t i) {
    if (i >= t.size()) return i;
    if (t[i] == '"') return String(t, i);
    if (t[i] != '{' && t[i] != '[') {
        while (i < t.size() && std::strchr(",]} \t\r\n", t[i]) == nullptr) ++i;
        return i;
    }
    for (int depth = 0; i < t.size(); ++i) {
        if (t[i] == '"') i = String(t, i) - 1;
        else if (t[i] == '{' || t[i] == '[') ++depth;
        else if ((t[i] == '}' || t[i] == ']') && --depth == 0) return i + 1;
    }
    return i;
}

struct Step {
    const char* key;  // null: element `index`
    size_t index;
};

// Where the value at `steps` starts; npos when the text has no such value.
size_t Find(const std::string& t, const std::vector<Step>& steps) {
    size_t i = Space(t, 0);
    for (const Step& step : steps) {
        if (i >= t.size() || t[i] != (step.key ? '{' : '[')) return std::string::npos;
        i = Space(t, i + 1);
        for (size_t n = 0;; ++n) {
            if (i >= t.size() || t[i] == '}' || t[i] == ']') return std::string::npos;
            bool found = !step.key && n == step.index;
            if (step.key) {
                if (t[i] != '"') return std::string::npos;
                const size_t end = String(t, i);
                found = t.compare(i + 1, end - i - 2, step.key) == 0 && std::strlen(step.key) == end - i - 2;
                i = Space(t, Space(t, end) + 1);  // past the colon
            }
            if (found) break;
            i = Space(t, Value(t, i));
            if (i < t.size() && t[i] == ',') i = Space(t, i + 1);
        }
    }
    return i;
}

}  // namespace text_walk

// Where in the card a value sits, for messages: a field of its parent, or
// an element of a list. The path is spelt out only for a message, so that a
// card loads without building a string for every field it reads; a Ctx
// lives no longer than its parent.
class Ctx {
public:
    Ctx(const std::string& origin, const std::string& path) : origin_(&origin), path_(path) {}
    Ctx At(const char* key) const { return Ctx(this, key, 0); }
    Ctx At(size_t index) const { return Ctx(this, nullptr, index); }
    std::string Path() const {
        if (parent_ == nullptr) return path_;
        const std::string above = parent_->Path();
        if (key_ == nullptr) return above + "[" + std::to_string(index_) + "]";
        return above.empty() ? key_ : above + "." + key_;
    }
    const std::string& Origin() const { return *origin_; }
    [[noreturn]] void Fail(const std::string& what) const {
        const std::string path = Path();
        std::string where;
        if (g_cardText != nullptr && path_.empty()) {
            std::vector<text_walk::Step> steps;
            for (const Ctx* c = this; c->parent_ != nullptr; c = c->parent_) steps.insert(steps.begin(), {c->key_, c->index_});
            const size_t at = text_walk::Find(*g_cardText, steps);
            if (at != std::string::npos) where = TextPosition(*g_cardText, at) + ": ";
        }
        throw CardError(*origin_ + ": " + where + (path.empty() ? std::string("card") : path) + ": " + what);
    }

private:
    Ctx(const Ctx* parent, const char* key, size_t index)
        : origin_(parent->origin_), parent_(parent), key_(key), index_(index) {}
    const std::string* origin_;
    std::string path_;  // the root's
    const Ctx* parent_ = nullptr;
    const char* key_ = nullptr;  // null: an element, `index_`
    size_t index_ = 0;
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
        if (mixer_names::ParseInt32(j.get<std::string>(), &v)) return v;
    }
    ctx.Fail("must be an integer");
}

bool Bool(const json& j, const Ctx& ctx) {
    if (!j.is_boolean()) ctx.Fail("must be true or false");
    return j.get<bool>();
}

// A type or flag given by name or by number; `parse` reads the name and
// `what` says what it names ("control type").
template <typename Parse>
DWORD Named(const json& j, const Ctx& ctx, const std::string& what, Parse parse) {
    if (j.is_number_integer()) return static_cast<DWORD>(Int(j, ctx));
    if (!j.is_string()) ctx.Fail("must be a name or a number");
    DWORD value;
    if (!parse(j.get<std::string>(), &value)) ctx.Fail("unknown " + what + " '" + j.get<std::string>() + "'");
    return value;
}

template <size_t N>
DWORD Flags(const json& j, const Ctx& ctx, const char* what, const mixer_names::Named (&table)[N]) {
    auto parse = [&table](const std::string& s, DWORD* v) { return mixer_names::ParseNamed(table, s, v); };
    if (j.is_number_integer() || j.is_string()) return Named(j, ctx, what, parse);
    if (!j.is_array()) ctx.Fail("must be a list of flag names or a number");
    DWORD flags = 0;
    for (size_t i = 0; i < j.size(); ++i) flags |= Named(j[i], ctx.At(i), what, parse);
    return flags;
}

DWORD ComponentType(const json& j, const Ctx& ctx, bool destination) {
    return Named(j, ctx, destination ? "destination type" : "source type", [destination](const std::string& s, DWORD* v) {
        return mixer_names::ParseComponentType(s, destination, v);
    });
}

// The driver quirks of a control, by field name.
const struct {
    const char* name;
    bool Control::*field;
} kQuirks[] = {
    {"firstChannelOnly", &Control::firstChannelOnly},
    {"leaveUnfilled", &Control::leaveUnfilled},
    {"ignoreWrites", &Control::ignoreWrites},
    {"refuseOutOfRange", &Control::refuseOutOfRange},
    {"refuseBadSelection", &Control::refuseBadSelection},
    {"textsFirstChannelOnly", &Control::textsFirstChannelOnly},
    {"floatLevel", &Control::floatLevel},
};

// A control that acts on another, checked once the whole device is there.
struct ActsOn {
    DWORD control;
    DWORD target;
    Ctx ctx;  // the actsOn field, its path spelt out
};

// The control's values from "value", "values" or "selected": storage is
// channel-major, channels x items.
void LoadValues(const json& j, const Ctx& ctx, Control& c, size_t channels, size_t perChannel) {
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
        if (!(c.flags & MIXERCONTROL_CONTROLF_MULTIPLE)) sc.Fail("only a control with items has selected items");
        if (!s.is_array()) sc.Fail("must be a list of item indexes");
        for (size_t i = 0; i < s.size(); ++i) {
            LONG item = Int(s[i], sc.At(i));
            if (item < 0 || static_cast<DWORD>(item) >= c.items)
                sc.At(i).Fail("no item " + std::to_string(item) + " (the control has " + std::to_string(c.items) + ")");
            for (size_t ch = 0; ch < channels; ++ch) c.SetValue(1, static_cast<DWORD>(ch), static_cast<DWORD>(item));
        }
    }
}

void LoadControl(const json& j, const Ctx& ctx, Line& line, size_t device, std::vector<ActsOn>* actsOn) {
    CheckKeys(j, ctx, {"type", "name", "shortName", "id", "flags", "min", "max", "steps", "items", "itemCount",
                       "value", "values", "selected", "live", "actsOn", "firstChannelOnly", "leaveUnfilled",
                       "ignoreWrites", "refuseOutOfRange", "refuseBadSelection", "textsFirstChannelOnly",
                       "floatLevel"});
    if (!j.contains("type")) ctx.Fail("a control needs a type");
    const DWORD type = Named(j["type"], ctx.At("type"), "control type", [](const std::string& s, DWORD* v) {
        return mixer_names::ParseNamed(mixer_names::kControlTypes, s, v);
    });
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
        flags = Flags(j["flags"], ctx.At("flags"), "control flag", mixer_names::kControlFlags);
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
    Control& c = line.AddControl(type, 0, flags, itemCount, name);
    c.itemTexts = texts;
    if (j.contains("shortName")) c.shortName = Text(j["shortName"], ctx.At("shortName"));
    if (j.contains("id")) c.id = static_cast<DWORD>(Int(j["id"], ctx.At("id")));
    if (j.contains("min")) c.minimum = Int(j["min"], ctx.At("min"));
    if (j.contains("max")) c.maximum = Int(j["max"], ctx.At("max"));
    if (j.contains("steps")) c.steps = static_cast<DWORD>(Int(j["steps"], ctx.At("steps")));
    for (const auto& q : kQuirks)
        if (j.contains(q.name)) c.*q.field = Bool(j[q.name], ctx.At(q.name));

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
        actsOn->push_back({c.id, target, Ctx(ac.Origin(), ac.Path())});
        c.actsOn = target;
    }
    if (c.minimum > c.maximum) ctx.At("min").Fail("is above max (" + std::to_string(c.maximum) + ")");
    LoadValues(j, ctx, c, channels, perChannel);
    if (j.contains("live") && Bool(j["live"], ctx.At("live"))) Live().push_back({device, c.id, 0});
}

void LoadLineCommon(const json& j, const Ctx& ctx, Line& line, size_t device, std::vector<ActsOn>* actsOn) {
    if (j.contains("shortName")) line.shortName = Text(j["shortName"], ctx.At("shortName"));
    if (j.contains("flags")) line.fdwLine = Flags(j["flags"], ctx.At("flags"), "line flag", mixer_names::kLineFlags);
    if (j.contains("reportedControls"))
        line.reportedControls = static_cast<DWORD>(Int(j["reportedControls"], ctx.At("reportedControls")));
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

void CheckUnique(const Device& dev, const Ctx& ctx) {
    std::set<DWORD> lines, controls;
    auto visit = [&](const Line& l) {
        if (!lines.insert(l.id).second) ctx.Fail("two lines have the id " + mixer_names::Hex(l.id));
        for (const Control& c : l.controls)
            if (!controls.insert(c.id).second) ctx.Fail("two controls have the id " + std::to_string(c.id));
    };
    for (const Destination& d : dev.destinations) {
        visit(d);
        for (const Line& s : d.sources) visit(s);
    }
}

// The control of the device that holds the value a control acts on: one
// that exists, is another, holds its own value, and is of the same type
// and item count (a volume acts on a volume).
void CheckActsOn(Device& dev, const ActsOn& a) {
    const Control* target = dev.FindControl(a.target);
    if (target == nullptr) a.ctx.Fail("the device has no control " + std::to_string(a.target));
    const Control& control = *dev.FindControl(a.control);
    if (a.target == a.control) a.ctx.Fail("a control does not act on itself (leave actsOn out)");
    if (target->actsOn)
        a.ctx.Fail("control " + std::to_string(a.target) + " acts on control " + std::to_string(*target->actsOn) +
                   " itself: name the control that holds the value");
    if (target->type != control.type)
        a.ctx.Fail("control " + std::to_string(a.target) + " is a " + mixer_names::ControlTypeName(target->type) +
                   " control, not a " + mixer_names::ControlTypeName(control.type) + " control");
    if (target->items != control.items)
        a.ctx.Fail("control " + std::to_string(a.target) + " has " + std::to_string(target->items) + " items, not " +
                   std::to_string(control.items));
}

Device::Endpoint EndpointOf(const json& j, const Ctx& ctx) {
    const std::string word = Text(j, ctx);
    if (word == "playback") return Device::Endpoint::Playback;
    if (word == "recording") return Device::Endpoint::Recording;
    ctx.Fail("must be \"playback\" or \"recording\" (left out: a card's own mixer, serving both), not '" + word + "'");
}

void LoadSource(const json& j, const Ctx& ctx, Destination& dst, size_t device, std::vector<ActsOn>* actsOn) {
    CheckKeys(j, ctx, {"name", "shortName", "type", "channels", "id", "flags", "reportedControls", "controls"});
    if (!j.contains("name") || !j.contains("type")) ctx.Fail("a source needs a name and a type");
    const DWORD type = ComponentType(j["type"], ctx.At("type"), false);
    const std::string name = Text(j["name"], ctx.At("name"));
    Line& src = dst.AddSource(type, name, Channels(j, ctx));
    LoadLineCommon(j, ctx, src, device, actsOn);
    if (j.contains("id")) src.id = static_cast<DWORD>(Int(j["id"], ctx.At("id")));
}

void LoadDestination(const json& j, const Ctx& ctx, Device& dev, size_t device, std::vector<ActsOn>* actsOn) {
    CheckKeys(j, ctx,
              {"name", "shortName", "type", "channels", "id", "flags", "reportedControls", "controls", "sources"});
    if (!j.contains("name") || !j.contains("type")) ctx.Fail("a destination needs a name and a type");
    const DWORD type = ComponentType(j["type"], ctx.At("type"), true);
    const std::string name = Text(j["name"], ctx.At("name"));
    Destination& dst = dev.AddDestination(type, name, Channels(j, ctx));
    LoadLineCommon(j, ctx, dst, device, actsOn);
    if (j.contains("sources")) {
        const json& ss = j["sources"];
        if (!ss.is_array()) ctx.At("sources").Fail("must be a list");
        for (size_t s = 0; s < ss.size(); ++s) LoadSource(ss[s], ctx.At("sources").At(s), dst, device, actsOn);
    }
    // Source ids derive from the destination's automatic id, so an explicit
    // destination id is put in last.
    if (j.contains("id")) dst.id = static_cast<DWORD>(Int(j["id"], ctx.At("id")));
}

// A scalar of Core Audio: a JSON number from 0.0 to 1.0.
float Scalar(const json& j, const Ctx& ctx) {
    if (!j.is_number()) ctx.Fail("must be a number from 0.0 to 1.0");
    const double v = j.get<double>();
    if (!(v >= 0.0 && v <= 1.0)) ctx.Fail("must be a number from 0.0 to 1.0");
    return static_cast<float>(v);
}

void LoadEndpointVolume(const json& j, const Ctx& ctx, Device& dev) {
    CheckKeys(j, ctx, {"levels", "mute", "peak", "present"});
    Device::EndpointVolume& ev = dev.endpointVolume;
    if (j.contains("levels")) {
        const json& ls = j["levels"];
        if (!ls.is_array() || ls.empty() || ls.size() > 32) ctx.At("levels").Fail("must be a list of 1 to 32 levels");
        for (size_t i = 0; i < ls.size(); ++i) ev.levels.push_back(Scalar(ls[i], ctx.At("levels").At(i)));
    }
    if (j.contains("mute")) ev.mute = Bool(j["mute"], ctx.At("mute"));
    if (j.contains("peak")) ev.peak = Scalar(j["peak"], ctx.At("peak"));
    if (j.contains("present")) ev.present = Bool(j["present"], ctx.At("present"));
}

void LoadDevice(const json& j, const Ctx& ctx) {
    CheckKeys(j, ctx, {"name", "mid", "pid", "endpoint", "destinations", "endpointVolume"});
    if (!j.contains("name")) ctx.Fail("a device needs a name");
    const size_t index = Devices().size();
    Device& dev = AddDevice(Text(j["name"], ctx.At("name")));
    if (j.contains("mid")) dev.mid = static_cast<WORD>(Int(j["mid"], ctx.At("mid")));
    if (j.contains("pid")) dev.pid = static_cast<WORD>(Int(j["pid"], ctx.At("pid")));
    if (j.contains("endpoint")) dev.endpoint = EndpointOf(j["endpoint"], ctx.At("endpoint"));
    std::vector<ActsOn> actsOn;
    if (j.contains("destinations")) {
        const json& ds = j["destinations"];
        if (!ds.is_array()) ctx.At("destinations").Fail("must be a list");
        for (size_t i = 0; i < ds.size(); ++i) LoadDestination(ds[i], ctx.At("destinations").At(i), dev, index, &actsOn);
    }
    CheckUnique(dev, ctx);
    for (const ActsOn& a : actsOn) CheckActsOn(dev, a);
    if (j.contains("endpointVolume")) LoadEndpointVolume(j["endpointVolume"], ctx.At("endpointVolume"), dev);
    if (dev.endpointVolume.levels.empty())
        dev.endpointVolume.levels.assign(dev.destinations.empty() ? 2 : dev.destinations[0].ChannelCount(), 1.0f);
}

std::vector<Control*> ControlsOf(Device& dev) {
    std::vector<Control*> out;
    for (Destination& d : dev.destinations) {
        for (Control& c : d.controls) out.push_back(&c);
        for (Line& s : d.sources)
            for (Control& c : s.controls) out.push_back(&c);
    }
    return out;
}

// What a parse stopped at, in words: the word it could not read, the end of
// the text or the character at `*at`, which moves to the word's start.
std::string Unexpected(const std::string& text, size_t* at) {
    if (*at >= text.size()) return "the text ends too soon";
    const unsigned char ch = static_cast<unsigned char>(text[*at]);
    if (ch == '\n' || ch == '\r') return "unexpected end of line";
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", ch);
    if (ch < 0x20 || ch >= 0x7F) return std::string("unexpected byte ") + code;
    auto isWord = [&text](size_t i) { return std::isalnum(static_cast<unsigned char>(text[i])) != 0; };
    size_t end = *at;
    while (end < text.size() && isWord(end)) ++end;
    while (*at > 0 && isWord(*at - 1)) --*at;
    if (end > *at) return "unexpected '" + text.substr(*at, std::min<size_t>(end - *at, 20)) + "'";
    return std::string("unexpected '") + static_cast<char>(ch) + "'";
}

[[noreturn]] void ThrowSystem(const std::string& what, int error) {
    throw CardError(what + ": " + std::strerror(error));
}

bool IsDirectory(const std::string& host) {
    struct stat st;
    return !host.empty() && stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The whole file, or a CardError "cannot read WHAT PATH: REASON".
std::string ReadWholeFile(const std::string& path, const std::string& what) {
    const std::string name = "cannot read " + what + " " + path;
    const std::string host = HostPath(path);
    if (IsDirectory(host)) ThrowSystem(name, EISDIR);
    errno = 0;
    std::FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
    if (!f) ThrowSystem(name, host.empty() ? ENOENT : errno);
    std::string text;
    char block[4096];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) text.append(block, n);
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    std::fclose(f);
    if (failed) ThrowSystem(name, error ? error : EIO);
    return text;
}

}  // namespace

Values AllValues() {
    Values all;
    for (size_t d = 0; d < Devices().size(); ++d)
        for (const Destination& dst : Devices()[d].destinations) {
            for (const Control& c : dst.controls) all[{d, c.id}] = c.values;
            for (const Line& l : dst.sources)
                for (const Control& c : l.controls) all[{d, c.id}] = c.values;
        }
    return all;
}

std::set<ControlKey> ChangedControls(const Values& before, const Values& after) {
    std::set<ControlKey> changed;
    for (const auto& entry : after) {
        auto it = before.find(entry.first);
        if (it == before.end() || it->second != entry.second) changed.insert(entry.first);
    }
    return changed;
}

void RestoreValues(const Values& values) {
    for (size_t d = 0; d < Devices().size(); ++d) {
        auto restore = [&](Line& l) {
            for (Control& c : l.controls) {
                auto it = values.find({d, c.id});
                if (it != values.end()) c.values = it->second;
            }
        };
        for (Destination& dst : Devices()[d].destinations) {
            restore(dst);
            for (Line& s : dst.sources) restore(s);
        }
    }
}

void LoadCard(const json& j, const std::string& origin) {
    const Ctx ctx(origin, "");
    CheckKeys(j, ctx, {"devices", "hostDirectory", "description", "preferredWaveIn", "wineDeviceIds", "wineMixerHandles",
                       "coreAudio", "wineMixer"});
    if (!j.contains("devices") || !j["devices"].is_array()) ctx.Fail("a card needs a list of devices");
    if (j.contains("description")) Text(j["description"], ctx.At("description"));
    for (size_t i = 0; i < j["devices"].size(); ++i) LoadDevice(j["devices"][i], ctx.At("devices").At(i));
    // Any identifier, one of no device included, is what the wave mapper
    // reports.
    if (j.contains("preferredWaveIn"))
        SetPreferredWaveIn(static_cast<DWORD>(Int(j["preferredWaveIn"], ctx.At("preferredWaveIn"))));
    if (j.contains("wineDeviceIds")) SetWineDeviceIds(Bool(j["wineDeviceIds"], ctx.At("wineDeviceIds")));
    if (j.contains("wineMixerHandles")) SetWineMixerHandles(Bool(j["wineMixerHandles"], ctx.At("wineMixerHandles")));
    if (j.contains("wineMixer")) SetWineMixer(Bool(j["wineMixer"], ctx.At("wineMixer")));
    if (j.contains("coreAudio")) {
        const std::string kind = Text(j["coreAudio"], ctx.At("coreAudio"));
        if (kind == "windows")
            SetCoreAudio(CoreAudio::Windows);
        else if (kind == "wine")
            SetCoreAudio(CoreAudio::Wine);
        else if (kind == "none")
            SetCoreAudio(CoreAudio::None);
        else
            ctx.At("coreAudio").Fail("unknown Core Audio '" + kind + "' (windows, wine or none)");
    }
    if (j.contains("hostDirectory"))
        RegSetString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", Text(j["hostDirectory"], ctx.At("hostDirectory")));
}

json ParseJson(const std::string& text, const std::string& origin) {
    try {
        return json::parse(text);
    } catch (const json::parse_error& e) {
        // The parser's position counts bytes from 1 and stands on the byte
        // it could not take; the column counts characters of UTF-8.
        size_t at = e.byte > 0 ? e.byte - 1 : 0;
        const std::string what = Unexpected(text, &at);
        throw CardError(origin + ": " + TextPosition(text, at) + ": not valid JSON: " + what);
    }
}

namespace {

// A card from its text, whose messages say where in the text.
void LoadCardFromText(const std::string& text, const std::string& origin) {
    const json card = ParseJson(text, origin);
    struct Showing {
        explicit Showing(const std::string& t) { g_cardText = &t; }
        ~Showing() { g_cardText = nullptr; }
    } showing(text);
    LoadCard(card, origin);
}

}  // namespace

void LoadCardText(const std::string& text, const std::string& origin) { LoadCardFromText(text, origin); }

json ReadJsonFile(const std::string& path, const std::string& what) {
    return ParseJson(ReadWholeFile(path, what), path);
}

void LoadCardFile(const std::string& path) { LoadCardFromText(ReadWholeFile(path, "card"), path); }

json CardState() {
    json devices = json::array();
    for (Device& dev : Devices()) {
        json controls = json::array();
        for (Control* c : ControlsOf(dev)) controls.push_back({{"id", c->id}, {"values", c->values}});
        devices.push_back({{"name", dev.productName}, {"controls", controls}});
    }
    return {{"mixerctlState", 1}, {"devices", devices}};
}

void RestoreCardState(const json& state, const std::string& origin) {
    auto fail = [&](const std::string& what) -> void {
        throw CardError(origin + ": " + what + " (was it saved with another card?)");
    };
    if (!state.is_object() || state.value("mixerctlState", 0) != 1 || !state.contains("devices") ||
        !state["devices"].is_array())
        throw CardError(origin + ": not a mixerctl state file");
    const json& devices = state["devices"];
    if (devices.size() != Devices().size())
        fail("it holds " + std::to_string(devices.size()) + " devices, the card " + std::to_string(Devices().size()));
    // Check everything before changing anything.
    std::vector<std::pair<Control*, std::vector<LONG>>> changes;
    for (size_t d = 0; d < devices.size(); ++d) {
        Device& dev = Devices()[d];
        const json& dj = devices[d];
        if (!dj.is_object() || dj.value("name", std::string()) != dev.productName)
            fail("device " + std::to_string(d) + " is not \"" + dev.productName + "\"");
        std::vector<Control*> controls = ControlsOf(dev);
        if (!dj.contains("controls") || !dj["controls"].is_array() || dj["controls"].size() != controls.size())
            fail("device " + std::to_string(d) + " has another number of controls");
        for (const json& cj : dj["controls"]) {
            if (!cj.is_object() || !cj.contains("id") || !cj["id"].is_number_unsigned() || !cj.contains("values") ||
                !cj["values"].is_array())
                throw CardError(origin + ": malformed control entry in device " + std::to_string(d));
            const DWORD id = cj["id"].get<DWORD>();
            Control* c = dev.FindControl(id);
            if (!c) fail("device " + std::to_string(d) + " has no control " + std::to_string(id));
            std::vector<LONG> values;
            for (const json& v : cj["values"]) {
                if (!v.is_number_integer())
                    throw CardError(origin + ": control " + std::to_string(id) + ": values must be integers");
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

void SaveCardStateFile(const std::string& path) {
    const std::string text = CardState().dump(1) + "\n";
    const std::string name = "cannot write state file " + path;
    const std::string host = HostPath(path);
    if (IsDirectory(host)) ThrowSystem(name, EISDIR);
    errno = 0;
    std::FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "wb");
    if (!f) ThrowSystem(name, host.empty() ? ENOENT : errno);
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int error = errno;
    if (std::fclose(f) != 0 || !written) ThrowSystem(name, error ? error : errno ? errno : EIO);
}

bool RestoreCardStateFile(const std::string& path) {
    const std::string host = HostPath(path);
    struct stat st;
    if (host.empty() || stat(host.c_str(), &st) != 0) return false;
    RestoreCardState(ReadJsonFile(path, "state file"), path);
    return true;
}

void TickLiveMeters() {
    static unsigned seed = 12345;
    for (LiveControl& live : Live()) {
        if (live.device >= Devices().size()) continue;
        Control* c = Devices()[live.device].FindControl(live.controlId);
        if (!c) continue;
        seed = seed * 1103515245u + 12345u;
        const long long span = static_cast<long long>(c->maximum) - (c->minimum < 0 ? 0 : c->minimum);
        const long long target = span > 0 ? static_cast<long long>((seed >> 8) % static_cast<unsigned>(span + 1)) : 0;
        live.level = static_cast<LONG>((static_cast<long long>(live.level) * 2 + target) / 3);
        const bool negative = c->minimum < 0 && (seed >> 30) & 1;
        c->SetAll(negative ? -live.level : live.level + (c->minimum > 0 ? c->minimum : 0));
    }
}

void StopLiveMeters() { Live().clear(); }

}  // namespace sim
