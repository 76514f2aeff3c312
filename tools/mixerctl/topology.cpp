// The mixer as winmm shows it, without the library: `list` and `sources`,
// which read every device as one JSON value and print their text from it;
// the mixers the library uses; the control a property path reaches, found
// by the library's own search; the peak meter GetPeak reads.
#include "mixerctl.h"

#include "engine/endpoint_probe.h"

#include "engine/line_search.h"
#include "mixer_lookup.h"
#include "text_code_page.h"

#include <algorithm>

namespace mixerctl {
namespace {

using mixer_names::ControlClassName;
using mixer_names::FlagNames;
using nlohmann::json;
using mixertools::AnsiToUtf8;

// Two reads with different fill patterns tell a value the driver wrote from
// one it left alone.
constexpr LONG kFillA = 0x5A5A5A5A;
constexpr LONG kFillB = static_cast<LONG>(0xA5A5A5A5u);

// A mixer device named by its identifier (MIXER_OBJECTF_MIXER), with no
// handle to open: Wine gives a process working handles for a device only in
// a few windows of its opens (the first 256, then from the 16384th).
HMIXEROBJ ById(UINT index) { return reinterpret_cast<HMIXEROBJ>(static_cast<uintptr_t>(index)); }

std::string ErrorText(MMRESULT r) { return "error " + std::to_string(r); }

// Destination d (source < 0) or its source line `source`.
MMRESULT LineAt(UINT device, DWORD d, long source, MIXERLINEA* line) {
    PrepareLine(line);
    line->dwDestination = d;
    line->dwSource = source < 0 ? 0 : static_cast<DWORD>(source);
    const DWORD which = source < 0 ? MIXER_GETLINEINFOF_DESTINATION : MIXER_GETLINEINFOF_SOURCE;
    return mixerGetLineInfoA(ById(device), line, MIXER_OBJECTF_MIXER | which);
}

// A control's details (`what`: MIXER_GETCONTROLDETAILSF_VALUE or _LISTTEXT),
// one record of `records` each.
template <typename Record>
MMRESULT ReadDetails(UINT device, const MIXERCONTROLA& c, DWORD channels, DWORD items, DWORD what,
                     std::vector<Record>* records) {
    MIXERCONTROLDETAILS d;
    PrepareDetails(&d, c.dwControlID, channels, items, sizeof(Record), records->data());
    return mixerGetControlDetailsA(ById(device), &d, MIXER_OBJECTF_MIXER | what);
}

// ---- One walk: every device as `list --json` shows it --------------------------

// A control with its values: "min", "max", "steps", "flags", "values"
// [channel][item] (null where the driver left a value unwritten) or
// "readError", and for a list control "texts" or "textError".
json ReadControl(UINT device, const MIXERLINEA& line, MIXERCONTROLA c) {
    c.szName[sizeof c.szName - 1] = '\0';
    c.szShortName[sizeof c.szShortName - 1] = '\0';
    json j = {{"id", c.dwControlID}, {"name", AnsiToUtf8(c.szName)}, {"shortName", AnsiToUtf8(c.szShortName)},
              {"type", ControlTypeName(c.dwControlType)}, {"controlType", c.dwControlType},
              {"class", ControlClassName(c.dwControlType)},
              {"flags", FlagNames(mixer_names::kControlFlags, c.fdwControl)}, {"items", c.cMultipleItems},
              {"min", c.Bounds.lMinimum}, {"max", c.Bounds.lMaximum}, {"steps", c.Metrics.cSteps}};
    const bool multiple = (c.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
    const DWORD channels = (c.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) || line.cChannels == 0 ? 1 : line.cChannels;
    const DWORD items = multiple && c.cMultipleItems ? c.cMultipleItems : 1;  // 1 for a multiple control without items
    std::vector<LONG> a(static_cast<size_t>(channels) * items, kFillA), b(a.size(), kFillB);
    const DWORD asked = multiple ? c.cMultipleItems : 0;
    MMRESULT r = ReadDetails(device, c, channels, asked, MIXER_GETCONTROLDETAILSF_VALUE, &a);
    if (r == MMSYSERR_NOERROR) r = ReadDetails(device, c, channels, asked, MIXER_GETCONTROLDETAILSF_VALUE, &b);
    if (r != MMSYSERR_NOERROR) j["readError"] = r;
    for (size_t ch = 0; r == MMSYSERR_NOERROR && ch < channels; ++ch) {
        json row = json::array();
        for (size_t i = ch * items; i < (ch + 1) * items; ++i)
            row.push_back(a[i] == kFillA && b[i] == kFillB ? json() : json(b[i]));
        j["values"].push_back(row);
    }
    if (multiple && (c.dwControlType & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST && c.cMultipleItems) {
        std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(static_cast<size_t>(channels) * items);
        r = ReadDetails(device, c, channels, items, MIXER_GETCONTROLDETAILSF_LISTTEXT, &texts);
        if (r != MMSYSERR_NOERROR) j["textError"] = r;
        for (DWORD i = 0; r == MMSYSERR_NOERROR && i < items; ++i) {
            texts[i].szName[sizeof texts[i].szName - 1] = '\0';
            j["texts"].push_back(AnsiToUtf8(texts[i].szName));
        }
    }
    return j;
}

json LineJson(UINT device, const MIXERLINEA& line) {
    json j = {{"id", line.dwLineID}, {"name", AnsiToUtf8(line.szName)}, {"shortName", AnsiToUtf8(line.szShortName)},
              {"type", ComponentTypeName(line.dwComponentType)}, {"componentType", line.dwComponentType},
              {"channels", line.cChannels}, {"flags", FlagNames(mixer_names::kLineFlags, line.fdwLine)},
              {"controls", json::array()}};
    if (line.cControls == 0) return j;
    std::vector<MIXERCONTROLA> controls(line.cControls);
    MIXERLINECONTROLSA lc;
    PrepareControls(&lc, line.dwLineID, 0, line.cControls, controls.data());
    const MMRESULT r = mixerGetLineControlsA(ById(device), &lc, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ALL);
    if (r != MMSYSERR_NOERROR) j["controlsError"] = r;
    for (size_t i = 0; r == MMSYSERR_NOERROR && i < controls.size(); ++i)
        j["controls"].push_back(ReadControl(device, line, controls[i]));
    return j;
}

}  // namespace

json ReadDevice(UINT index) {
    MIXERCAPSA caps{};
    MMRESULT r = mixerGetDevCapsA(index, &caps, sizeof caps);
    if (r != MMSYSERR_NOERROR)
        throw ToolError("cannot read mixer device " + std::to_string(index) + " (" + ErrorText(r) + ")");
    caps.szPname[sizeof caps.szPname - 1] = '\0';
    json j = {{"device", index}, {"name", AnsiToUtf8(caps.szPname)}, {"mid", caps.wMid}, {"pid", caps.wPid},
              {"destinations", json::array()}};
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        MIXERLINEA line, source;
        r = LineAt(index, d, -1, &line);
        if (r != MMSYSERR_NOERROR)
            throw ToolError("cannot read destination " + std::to_string(d) + " (" + ErrorText(r) + ")");
        json destination = LineJson(index, line);
        destination["sources"] = json::array();
        for (DWORD s = 0; s < line.cConnections; ++s) {
            r = LineAt(index, d, static_cast<long>(s), &source);
            if (r != MMSYSERR_NOERROR) {
                destination["sourcesError"] = r;
                break;
            }
            destination["sources"].push_back(LineJson(index, source));
        }
        j["destinations"].push_back(destination);
    }
    return j;
}

namespace {

// ---- `list`'s text, printed from its JSON ---------------------------------------

std::string Quote(const json& text) { return "\"" + text.get<std::string>() + "\""; }

std::string Flags(const json& flags) {
    std::string out;
    for (const json& f : flags) out += (out.empty() ? " [" : ",") + f.get<std::string>();
    return out.empty() ? out : out + "]";
}

// " 7", or " ?" for a value the driver left unwritten.
std::string Value(const json& v) { return v.is_null() ? " ?" : " " + v.dump(); }

void PrintControl(const json& c, const std::string& indent, std::ostream& out) {
    out << indent << "control " << c["id"] << " " << Quote(c["name"]) << " " << c["type"].get<std::string>()
        << Flags(c["flags"]);
    if (c["class"] == "list" || HasFlag(c, "multiple")) out << " items " << c["items"];
    out << " range " << c["min"] << ".." << c["max"];
    if (c["steps"] != 0) out << " steps " << c["steps"];
    if (c.contains("readError")) {
        out << ": read " << ErrorText(c["readError"]) << "\n";
        return;
    }
    // One value a channel on the control's line, or a line an item.
    const json& channels = c["values"];
    const json texts = c.value("texts", json::array());
    const size_t items = channels[0].size();
    if (items == 1) out << ":";
    for (size_t item = 0; item < items; ++item) {
        if (items > 1)
            out << "\n" << indent << "  item " << item << (item < texts.size() ? " " + Quote(texts[item]) : "") << ":";
        for (const json& channel : channels) out << Value(channel[item]);
    }
    out << "\n";
    if (c.contains("textError")) out << indent << "  item texts: " << ErrorText(c["textError"]) << "\n";
}

void PrintLine(const json& l, const char* kind, size_t index, const std::string& indent, std::ostream& out) {
    const DWORD channels = l["channels"];
    out << indent << kind << " " << index << " " << Quote(l["name"]) << " " << l["type"].get<std::string>() << ", "
        << channels << (channels == 1 ? " channel" : " channels") << ", id " << Hex(l["id"]) << Flags(l["flags"])
        << "\n";
    if (l.contains("controlsError")) out << indent << "  controls: " << ErrorText(l["controlsError"]) << "\n";
    for (const json& c : l["controls"]) PrintControl(c, indent + "  ", out);
    if (l.contains("sourcesError")) out << indent << "  sources: " << ErrorText(l["sourcesError"]) << "\n";
    for (size_t s = 0; l.contains("sources") && s < l["sources"].size(); ++s)
        PrintLine(l["sources"][s], "source", s, indent + "  ", out);
}

void PrintDevice(const json& device, std::ostream& out) {
    const size_t count = device["destinations"].size();
    out << "device " << device["device"] << " " << Quote(device["name"]) << ", " << count
        << (count == 1 ? " destination" : " destinations") << "\n";
    for (size_t d = 0; d < count; ++d) PrintLine(device["destinations"][d], "destination", d, "  ", out);
}

// ---- The mixers the library uses ------------------------------------------------

// " of mixer device N" for a device other than 0, whose messages have
// always named no device.
std::string OfDevice(UINT index) { return index == 0 ? std::string() : " of mixer device " + std::to_string(index); }

std::string LineName(MIXERLINEA line) {
    line.szName[sizeof line.szName - 1] = '\0';
    return AnsiToUtf8(line.szName);
}

// Where a search of the library's ended on a failed request.
std::string RequestProblem(const SearchNotes& n) {
    const std::string error = " (" + ErrorText(n.error) + ")";
    switch (n.request) {
    case RequestOpen: return "cannot open mixer device " + std::to_string(n.device) + error;
    case RequestCaps: return "cannot read mixer device " + std::to_string(n.device) + error;
    case RequestDestination:
        return "cannot read destination " + std::to_string(n.destination) + OfDevice(n.device) + error;
    case RequestSource:
        return "cannot read source " + std::to_string(n.source) + " of destination " + std::to_string(n.destination) +
               OfDevice(n.device) + error;
    case RequestMixerId:
        return "mixer device 0 has no dst.wavein, and the mixer of wave-in device " + std::to_string(n.device) +
               " cannot be found (mixerGetID " + ErrorText(n.error) + ")";
    case RequestNone: break;
    }
    return "there is no mixer device";
}

// A device's product name; "" when its capabilities cannot be read.
std::string DeviceName(UINT index) {
    MIXERCAPSA caps{};
    if (mixerGetDevCapsA(index, &caps, sizeof caps) != MMSYSERR_NOERROR) return "";
    caps.szPname[sizeof caps.szPname - 1] = '\0';
    return AnsiToUtf8(caps.szPname);
}

std::string NamedDevice(UINT index) {
    const std::string name = DeviceName(index);
    return "mixer device " + std::to_string(index) + (name.empty() ? "" : " \"" + name + "\"");
}

}  // namespace

// The mixers the library uses, as `list` says them: "library: ..." lines,
// and {"playback": {"device", "name"}, "recording": [{"device", "name",
// "waveIn", "preferred"}...], "recordingError": {"waveIn", "error"}}.
// Playback is on mixer device 0, and so is recording when device 0 has a
// wave-in destination; otherwise recording is on the recording endpoints'
// mixers in the library's order (engine/recording_endpoints.h), passing over
// wave-in devices without a mixer of their own, up to one it cannot map.
void LibraryMixers(std::string* text, json* j) {
    if (mixerGetNumDevs() == 0) throw ToolError("there is no mixer device");
    // The library's walk of device 0 tells whether it has a wave-in destination.
    MixerDevice device;
    line_search::WalkEnd end;
    SearchNotes notes;
    if (line_search::WalkDevice(device, 0, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, true,
                                [](MIXERLINEA*, void*) { return true; }, nullptr, &end, &notes) == SearchFailed)
        throw ToolError(RequestProblem(notes));
    *j = {{"playback", {{"device", 0}, {"name", DeviceName(0)}}}, {"recording", json::array()}};
    *text = "library: playback on " + NamedDevice(0) + "\n";
    if (end.sawDestination) {
        (*j)["recording"].push_back((*j)["playback"]);
        *text += "library: recording on " + NamedDevice(0) + " (its wave-in destination)\n";
        return;
    }
    std::string endpoints;
    // The device count first: Wine names no preferred device before it.
    const UINT count = waveInGetNumDevs();
    const UINT preferred = PreferredWaveIn(count);
    for (UINT position = 0; position < count; ++position) {
        const UINT waveIn = WaveInAt(position, preferred);
        UINT mixer = 0;
        const MMRESULT r = WaveInMixer(waveIn, &mixer);
        const std::string name = "wave-in device " + std::to_string(waveIn);
        if (r == MMSYSERR_NOERROR && mixer != 0) {
            (*j)["recording"].push_back(
                {{"device", mixer}, {"name", DeviceName(mixer)}, {"waveIn", waveIn}, {"preferred", position == 0}});
            endpoints += "  " + NamedDevice(mixer) + " (" + name + (position == 0 ? ", preferred)\n" : ")\n");
            continue;
        }
        endpoints += "  " + name + (position == 0 ? " (preferred)" : "");
        if (r == MMSYSERR_NOERROR || r == MMSYSERR_NODRIVER) {
            endpoints += std::string(" passed over: ") + (r ? "it has no mixer\n" : "its mixer is device 0\n");
            continue;
        }
        (*j)["recordingError"] = {{"waveIn", waveIn}, {"error", r}};
        endpoints += " ends the search: its mixer cannot be found (mixerGetID " + ErrorText(r) + ")\n";
        break;
    }
    if ((*j)["recording"].empty() && !j->contains("recordingError"))
        *text += std::string("library: recording on no mixer (mixer device 0 has no wave-in destination, and ") +
                 (count == 0 ? "there is no wave-in device" : "no wave-in device has a mixer of its own") + ")\n";
    else
        *text += "library: recording on the recording endpoints' mixers (mixer device 0 has no wave-in destination), "
                 "in this order:\n" + endpoints;
}

bool HasFlag(const json& item, const char* flag) {
    const json flags = item.value("flags", json::array());
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

void CmdList(Context& c, const Options& o) {
    NoArguments("list", o.rest);
    const UINT count = mixerGetNumDevs();
    if (count == 0) throw ToolError("list: " + NoMixerDevice());
    UINT first = 0, last = o.Has("--all") ? count - 1 : 0;
    if (o.Has("--device") && o.Has("--all")) throw UsageError("list: --device and --all go alone");
    if (o.Has("--device")) {
        const LONG d = ParseValue(o.Value("--device", "0"), "--device");
        if (d < 0 || static_cast<UINT>(d) >= count)
            throw UsageError("list: no mixer device " + std::to_string(d) + " (there are " + std::to_string(count) +
                            ")");
        first = last = static_cast<UINT>(d);
    }
    // Which devices the library uses, said first (text) or in every
    // device's object (JSON), whichever devices are shown; a device 0 that
    // cannot be read leaves that untold (null) and the devices shown.
    const bool asJson = o.Has("--json");
    std::string text;
    json library, all = json::array();
    try {
        LibraryMixers(&text, &library);
    } catch (const ToolError& e) {
        text = "library: which mixers it uses is unknown: " + std::string(e.what()) + "\n";
    }
    // Where the library's levels are the endpoints' own, the mixer's
    // controls below are the process's: the endpoint's main level and mute,
    // through the exports, come first.
    json levels;  // null unless they are the endpoints'
    if (ProbeEndpointVolume().verdict == EndpointUsable) {
        const LONG volume = CallExport("GetPlayMainVolume").result;
        const LONG mute = CallExport("GetPlayMainMute").result;
        levels = {{"mainVolume", volume}, {"mainMute", mute}};
    }
    if (!asJson) c.out << text;
    for (UINT d = first; d <= last; ++d) {
        json device = ReadDevice(d);
        if (!asJson) PrintDevice(device, c.out);
        device["library"] = library;
        if (!levels.is_null()) device["endpointLevels"] = levels;
        all.push_back(device);
    }
    if (!asJson && !levels.is_null())
        c.out << "levels: the endpoints' own (Core Audio): main volume " << levels["mainVolume"] << ", mute "
              << levels["mainMute"] << " (GetPlayMainVolume, GetPlayMainMute); the controls above are the "
              << "process's\n";
    if (asJson) c.out << (o.Has("--all") ? all : all[0]).dump(2) << "\n";
}

namespace {

// The recording selector of mixer device 0 (`device`, null when there is
// none): the first list-class control of its first wave-in destination,
// which goes to `waveIn`. Null, with the reason, when it has none.
const json* FindSelector(const json& device, const json** waveIn, std::string* problem) {
    *waveIn = nullptr;
    if (device.is_null()) {
        *problem = "there is no mixer device";
        return nullptr;
    }
    for (const json& d : device["destinations"])
        if (!*waveIn && d["componentType"] == MIXERLINE_COMPONENTTYPE_DST_WAVEIN) *waveIn = &d;
    if (!*waveIn) {
        *problem = "mixer device 0 has no wave-in destination, and with it no recording selector";
        return nullptr;
    }
    for (const json& control : (**waveIn)["controls"])
        if (control["class"] == "list") return &control;
    *problem = "the wave-in destination " + Quote((**waveIn)["name"]) + " has no recording selector";
    return nullptr;
}

}  // namespace

std::string SelectorProblem() {
    const json device = mixerGetNumDevs() == 0 ? json() : ReadDevice(0);
    const json* waveIn = nullptr;
    std::string problem;
    FindSelector(device, &waveIn, &problem);
    return problem;
}

// The recording selector: the first list-class control of mixer device 0's
// first wave-in destination.
void CmdSources(Context& c, const Options& o) {
    NoArguments("sources", o.rest);
    const json device = mixerGetNumDevs() == 0 ? json() : ReadDevice(0);
    const json* waveIn = nullptr;
    std::string problem;
    const json* sel = FindSelector(device, &waveIn, &problem);
    if (!sel) throw ToolError("sources: " + problem);
    const bool single = (*sel)["controlType"] == MIXERCONTROL_CONTROLTYPE_SINGLESELECT ||
                        (*sel)["controlType"] == MIXERCONTROL_CONTROLTYPE_MUX;
    std::string text = "recording selector " + Quote((*sel)["name"]) + " (" + (*sel)["type"].get<std::string>() + ", " +
                       (single ? "single" : "multiple") + " select) of " + Quote((*waveIn)["name"]) + "\n";
    if (sel->contains("readError")) text += "  (values could not be read: error " + (*sel)["readError"].dump() + ")\n";
    // Items a channel, as read; unread, a multiple control's item count.
    const json values = sel->value("values", json::array()), texts = sel->value("texts", json::array());
    const bool multiple = HasFlag(*sel, "multiple") && (*sel)["items"] != 0;
    const size_t items = values.empty() ? (multiple ? (*sel)["items"].get<size_t>() : 1) : values[0].size();
    json list = json::array();
    for (size_t item = 0; item < items; ++item) {
        // Selected when any channel's value for the item is non-zero.
        bool selected = false, known = !values.empty();
        for (size_t ch = 0; known && ch < values.size(); ++ch) {
            known = !values[ch][item].is_null();
            selected = selected || (known && values[ch][item] != 0);
        }
        const std::string name = item < texts.size() ? texts[item].get<std::string>() : "";
        list.push_back({{"index", item}, {"text", name}, {"selected", known ? json(selected) : json()}});
        text += (known ? (selected ? "  * " : "    ") : "  ? ") + std::to_string(item) + " \"" + name + "\"\n";
    }
    const json shape = {{"name", (*sel)["name"]}, {"type", (*sel)["type"]}, {"single", single}, {"items", list}};
    c.out << (o.Has("--json") ? shape.dump(2) + "\n" : text);
}

TargetControl FindTargetControl(DWORD lineType, LONG op) {
    TargetControl t;
    if (mixerGetNumDevs() == 0) {
        t.problem = "there is no mixer device";
        return t;
    }
    const DWORD destinationType = OpDestinationType(op);
    const bool itself = OpAddressesDestination(op);
    const std::string under = itself ? "" : " line under " + ComponentTypeName(destinationType);
    std::string where = ComponentTypeName(lineType) + under;
    // The library's own search, with the value of a write it takes (a
    // balance position inside the scale).
    LibraryControl found;
    SearchNotes notes;
    LocateLibraryControl(&found, lineType, op, nullptr, 0, UseWrite, 0, &notes);
    if (found.search == SearchFailed) {
        t.problem = RequestProblem(notes);
        return t;
    }
    if (found.search == SearchNotFound) {
        t.absent = true;
        const std::string none = "mixer device 0 has no " + ComponentTypeName(destinationType);
        std::string devices;
        for (UINT i = 0; i < notes.endpointCount && i < SearchNotes::kMaxListed; ++i)
            devices += (i ? ", " : "") + std::to_string(notes.endpoints[i]);
        if (notes.sawDestination || itself || destinationType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            t.problem = "mixer device 0 has no " + where;
        else if (notes.endpointCount == 0)
            t.problem = none + ", and no wave-in device has a mixer of its own";
        else
            t.problem = none + ", nor " +
                        (notes.endpointCount == 1 ? "has the recording endpoint's mixer (device "
                                                  : "have the recording endpoints' mixers (devices ") +
                        devices + ") a " + ComponentTypeName(lineType) + " line";
        return t;
    }
    const UINT device = found.device.id();
    const std::string kind = ControlTypeName(OpControlType(op));
    if (found.line.onEndpoint) where += OfDevice(device);
    if (found.choice.standIn)
        where = ComponentTypeName(MIXERLINE_COMPONENTTYPE_DST_WAVEIN) + OfDevice(device) + ", in place of \"" +
                LineName(found.choice.line.line()) + "\", whose " + kind + " control keeps nothing";
    const LineControls& taken = found.choice.chosen();
    t.lineName = LineName(taken.line());
    const std::string control = "the " + kind + " control of \"" + t.lineName + "\"";
    switch (found.outcome) {
    case ChoiceFound: break;
    case ChoiceLineFailed: t.problem = "cannot read the " + where + " (" + ErrorText(taken.lineError()) + ")"; return t;
    case ChoiceNoArray:
    case ChoiceListFailed: t.problem = "cannot read the controls of \"" + t.lineName + "\""; return t;
    case ChoiceDisabled: t.problem = control + " is disabled"; return t;
    case ChoiceUnread:
        t.problem = "cannot read " + control + " (" + ErrorText(found.choice.unreadError) + ")";
        return t;
    case ChoiceNoControls:
    case ChoiceNoKind:
    case ChoiceOutOfScale:
        t.absent = true;
        t.problem = "\"" + t.lineName + "\" (" + where + ") has no " + kind + " control"; return t;
    }
    t.control = ReadControl(device, taken.line(), taken.control());
    if (t.control.contains("readError"))
        t.problem = "cannot read " + control + " (" + ErrorText(t.control["readError"]) + ")";
    // Where the library moves the endpoint's volume, its channels are the
    // values (a mute's, the endpoint's mute).
    bool capture = false;
    UINT wave = 0;
    if (t.problem.empty() && LibraryUsesEndpoint(op, lineType, found.line, &capture, &wave)) {
        LONG levels[32];
        BOOL mute = FALSE;
        const UINT channels = EndpointChannelLevels(capture, wave, levels, 32, &mute);
        if (channels == 0) {
            t.problem = "cannot read the endpoint volume of " + std::string(capture ? "wave-in" : "wave-out") +
                        " device " + std::to_string(wave);
            return t;
        }
        nlohmann::json values = nlohmann::json::array();
        for (UINT i = 0; i < channels; ++i) values.push_back({OpTreatment(op) == TreatBoolean ? LONG(mute != FALSE) : levels[i]});
        if (OpTreatment(op) == TreatBoolean) values = nlohmann::json::array({values[0]});
        t.control["values"] = values;
        t.control["endpoint"] = capture ? "recording" : "playback";
    }
    return t;
}

std::string PeakMeterProblem(DWORD componentType) {
    if (mixerGetNumDevs() == 0) return "there is no mixer device";
    const mixertools::PeakMeter meter = mixertools::FindPeakMeter(componentType);
    if (meter.found == mixertools::PeakMeterFound::NoLine)
        return "mixer device 0 has no " + ComponentTypeName(componentType) + " line";
    if (meter.found == mixertools::PeakMeterFound::NoMeter)
        return "\"" + AnsiToUtf8(meter.line.szName) + "\" (" + ComponentTypeName(componentType) + ") has no peak meter";
    return "";
}

}  // namespace mixerctl
