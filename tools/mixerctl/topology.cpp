#include "mixerctl.h"

#include "engine/line_search.h"
#include "mixer_lookup.h"

#include <cstring>
#include <sstream>

namespace mixerctl {
namespace {

// Two reads with different fill patterns tell a value the driver wrote from
// one it left alone.
constexpr LONG kFillA = 0x5A5A5A5A;
constexpr LONG kFillB = static_cast<LONG>(0xA5A5A5A5u);

// A mixer device named by its identifier. Requests by identifier need no
// open handle, and Wine gives a process working handles for a device only in
// a few windows of its opens (the first 256, then again from the 16384th).
struct Mixer {
    UINT index;
    explicit Mixer(UINT i) : index(i) {}
    HMIXEROBJ obj() const { return reinterpret_cast<HMIXEROBJ>(static_cast<uintptr_t>(index)); }
};

constexpr DWORD kByDevice = MIXER_OBJECTF_MIXER;

// Destination d (source < 0) or its source line `source`.
MMRESULT LineAt(const Mixer& m, DWORD d, long source, MIXERLINEA* line) {
    std::memset(line, 0, sizeof *line);
    line->cbStruct = sizeof *line;
    line->dwDestination = d;
    line->dwSource = source < 0 ? 0 : static_cast<DWORD>(source);
    return mixerGetLineInfoA(m.obj(), line,
                             kByDevice | (source < 0 ? MIXER_GETLINEINFOF_DESTINATION : MIXER_GETLINEINFOF_SOURCE));
}

// A control's details (`what`: MIXER_GETCONTROLDETAILSF_VALUE or _LISTTEXT),
// one record of `records` each.
template <typename Record>
MMRESULT ReadDetails(const Mixer& m, const MIXERCONTROLA& c, DWORD channels, DWORD items, DWORD what,
                     std::vector<Record>* records) {
    MIXERCONTROLDETAILS d;
    std::memset(&d, 0, sizeof d);
    d.cbStruct = sizeof d;
    d.dwControlID = c.dwControlID;
    d.cChannels = channels;
    d.cMultipleItems = items;
    d.cbDetails = sizeof(Record);
    d.paDetails = records->data();
    return mixerGetControlDetailsA(m.obj(), &d, kByDevice | what);
}

ControlInfo ReadControl(const Mixer& m, const MIXERLINEA& line, const MIXERCONTROLA& c) {
    ControlInfo info;
    info.control = c;
    const bool multiple = (c.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
    info.channels = (c.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) || line.cChannels == 0 ? 1 : line.cChannels;
    info.items = multiple && c.cMultipleItems ? c.cMultipleItems : 1;  // 1 for a multiple control without items
    const DWORD items = multiple ? c.cMultipleItems : 0;
    std::vector<LONG> a(static_cast<size_t>(info.channels) * info.items, kFillA), b(a.size(), kFillB);
    info.readResult = ReadDetails(m, c, info.channels, items, MIXER_GETCONTROLDETAILSF_VALUE, &a);
    if (info.readResult == MMSYSERR_NOERROR)
        info.readResult = ReadDetails(m, c, info.channels, items, MIXER_GETCONTROLDETAILSF_VALUE, &b);
    if (info.readResult == MMSYSERR_NOERROR) {
        info.values = b;
        for (size_t i = 0; i < b.size(); ++i) info.filled.push_back(!(a[i] == kFillA && b[i] == kFillB));
    }
    if (multiple && (c.dwControlType & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST && c.cMultipleItems) {
        std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(static_cast<size_t>(info.channels) * c.cMultipleItems);
        std::memset(texts.data(), 0, texts.size() * sizeof texts[0]);
        info.textResult = ReadDetails(m, c, info.channels, c.cMultipleItems, MIXER_GETCONTROLDETAILSF_LISTTEXT, &texts);
        if (info.textResult == MMSYSERR_NOERROR)
            for (DWORD i = 0; i < c.cMultipleItems; ++i) {
                texts[i].szName[sizeof texts[i].szName - 1] = '\0';
                info.texts.push_back(texts[i].szName);
            }
    }
    return info;
}

LineInfo ReadLine(const Mixer& m, const MIXERLINEA& line) {
    LineInfo info;
    info.line = line;
    if (line.cControls == 0) return info;
    std::vector<MIXERCONTROLA> controls(line.cControls);
    std::memset(controls.data(), 0, controls.size() * sizeof controls[0]);
    for (MIXERCONTROLA& c : controls) c.cbStruct = sizeof c;
    MIXERLINECONTROLSA lc;
    std::memset(&lc, 0, sizeof lc);
    lc.cbStruct = sizeof lc;
    lc.dwLineID = line.dwLineID;
    lc.cControls = line.cControls;
    lc.cbmxctrl = sizeof(MIXERCONTROLA);
    lc.pamxctrl = controls.data();
    info.controlsResult = mixerGetLineControlsA(m.obj(), &lc, kByDevice | MIXER_GETLINECONTROLSF_ALL);
    if (info.controlsResult != MMSYSERR_NOERROR) return info;
    for (MIXERCONTROLA& c : controls) {
        c.szName[sizeof c.szName - 1] = '\0';
        c.szShortName[sizeof c.szShortName - 1] = '\0';
        info.controls.push_back(ReadControl(m, line, c));
    }
    return info;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string Join(const std::vector<std::string>& v, const char* sep) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) out += (i ? sep : "") + v[i];
    return out;
}

std::string ErrorText(MMRESULT r) { return "error " + std::to_string(r); }

void PrintControl(const ControlInfo& c, const std::string& indent, std::ostream& out) {
    const MIXERCONTROLA& x = c.control;
    out << indent << "control " << x.dwControlID << " " << Quote(x.szName) << " " << ControlTypeName(x.dwControlType);
    std::vector<std::string> flags = ControlFlagNames(x.fdwControl);
    if (!flags.empty()) out << " [" << Join(flags, ",") << "]";
    if ((x.dwControlType & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST ||
        (x.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE))
        out << " items " << x.cMultipleItems;
    out << " range " << x.Bounds.lMinimum << ".." << x.Bounds.lMaximum;
    if (x.Metrics.cSteps) out << " steps " << x.Metrics.cSteps;
    if (c.readResult != MMSYSERR_NOERROR) {
        out << ": read " << ErrorText(c.readResult) << "\n";
    } else if (c.items == 1) {
        out << ":";
        for (size_t i = 0; i < c.values.size(); ++i)
            out << " " << (c.filled[i] ? std::to_string(c.values[i]) : std::string("?"));
        out << "\n";
    } else {
        out << "\n";
        for (DWORD it = 0; it < c.items; ++it) {
            out << indent << "  item " << it;
            if (it < c.texts.size()) out << " " << Quote(c.texts[it]);
            out << ":";
            for (DWORD ch = 0; ch < c.channels; ++ch) {
                size_t i = static_cast<size_t>(ch) * c.items + it;
                out << " " << (c.filled[i] ? std::to_string(c.values[i]) : std::string("?"));
            }
            out << "\n";
        }
        if (c.textResult != MMSYSERR_NOERROR) out << indent << "  item texts: " << ErrorText(c.textResult) << "\n";
    }
}

void PrintLine(const LineInfo& l, const char* kind, DWORD index, const std::string& indent, std::ostream& out) {
    const MIXERLINEA& x = l.line;
    out << indent << kind << " " << index << " " << Quote(x.szName) << " " << ComponentTypeName(x.dwComponentType)
        << ", " << x.cChannels << (x.cChannels == 1 ? " channel" : " channels") << ", id " << Hex(x.dwLineID);
    std::vector<std::string> flags = LineFlagNames(x.fdwLine);
    if (!flags.empty()) out << " [" << Join(flags, ",") << "]";
    out << "\n";
    if (l.controlsResult != MMSYSERR_NOERROR) out << indent << "  controls: " << ErrorText(l.controlsResult) << "\n";
    for (const ControlInfo& c : l.controls) PrintControl(c, indent + "  ", out);
    if (l.sourcesResult != MMSYSERR_NOERROR) out << indent << "  sources: " << ErrorText(l.sourcesResult) << "\n";
    for (size_t s = 0; s < l.sources.size(); ++s) PrintLine(l.sources[s], "source", static_cast<DWORD>(s), indent + "  ", out);
}

nlohmann::json ControlJson(const ControlInfo& c) {
    const MIXERCONTROLA& x = c.control;
    nlohmann::json j = {{"id", x.dwControlID}, {"name", x.szName}, {"shortName", x.szShortName},
                        {"type", ControlTypeName(x.dwControlType)}, {"controlType", x.dwControlType},
                        {"class", ControlClassName(x.dwControlType)}, {"flags", ControlFlagNames(x.fdwControl)},
                        {"items", x.cMultipleItems}, {"min", x.Bounds.lMinimum}, {"max", x.Bounds.lMaximum},
                        {"steps", x.Metrics.cSteps}};
    if (c.readResult != MMSYSERR_NOERROR) {
        j["readError"] = c.readResult;
    } else {
        // values[channel][item]; null where the driver left the value unwritten.
        nlohmann::json channels = nlohmann::json::array();
        for (DWORD ch = 0; ch < c.channels; ++ch) {
            nlohmann::json row = nlohmann::json::array();
            for (DWORD it = 0; it < c.items; ++it) {
                size_t i = static_cast<size_t>(ch) * c.items + it;
                row.push_back(c.filled[i] ? nlohmann::json(c.values[i]) : nlohmann::json());
            }
            channels.push_back(row);
        }
        j["values"] = channels;
    }
    if (!c.texts.empty()) j["texts"] = c.texts;
    if (c.textResult != MMSYSERR_NOERROR) j["textError"] = c.textResult;
    return j;
}

nlohmann::json LineJson(const LineInfo& l, bool destination) {
    const MIXERLINEA& x = l.line;
    nlohmann::json j = {{"id", x.dwLineID}, {"name", x.szName}, {"shortName", x.szShortName},
                        {"type", ComponentTypeName(x.dwComponentType)}, {"componentType", x.dwComponentType},
                        {"channels", x.cChannels}, {"flags", LineFlagNames(x.fdwLine)}};
    if (l.controlsResult != MMSYSERR_NOERROR) j["controlsError"] = l.controlsResult;
    j["controls"] = nlohmann::json::array();
    for (const ControlInfo& c : l.controls) j["controls"].push_back(ControlJson(c));
    if (destination) {
        j["sources"] = nlohmann::json::array();
        for (const LineInfo& s : l.sources) j["sources"].push_back(LineJson(s, false));
        if (l.sourcesResult != MMSYSERR_NOERROR) j["sourcesError"] = l.sourcesResult;
    }
    return j;
}

}  // namespace

UINT DeviceCount() { return mixerGetNumDevs(); }

DeviceInfo ReadDevice(UINT index) {
    DeviceInfo dev;
    dev.index = index;
    MMRESULT r = mixerGetDevCapsA(index, &dev.caps, sizeof dev.caps);
    if (r != MMSYSERR_NOERROR)
        throw ToolError("cannot read mixer device " + std::to_string(index) + " (error " + std::to_string(r) + ")");
    dev.caps.szPname[sizeof dev.caps.szPname - 1] = '\0';
    Mixer m(index);
    for (DWORD d = 0; d < dev.caps.cDestinations; ++d) {
        MIXERLINEA line;
        r = LineAt(m, d, -1, &line);
        if (r != MMSYSERR_NOERROR)
            throw ToolError("cannot read destination " + std::to_string(d) + " (error " + std::to_string(r) + ")");
        LineInfo dst = ReadLine(m, line);
        for (DWORD s = 0; s < line.cConnections; ++s) {
            MIXERLINEA src;
            r = LineAt(m, d, static_cast<long>(s), &src);
            if (r != MMSYSERR_NOERROR) {
                dst.sourcesResult = r;
                break;
            }
            dst.sources.push_back(ReadLine(m, src));
        }
        dev.destinations.push_back(std::move(dst));
    }
    return dev;
}

void PrintTree(const DeviceInfo& device, std::ostream& out) {
    out << "device " << device.index << " " << Quote(device.caps.szPname) << ", " << device.caps.cDestinations
        << (device.caps.cDestinations == 1 ? " destination" : " destinations") << "\n";
    for (size_t d = 0; d < device.destinations.size(); ++d)
        PrintLine(device.destinations[d], "destination", static_cast<DWORD>(d), "  ", out);
}

nlohmann::json ToJson(const DeviceInfo& device) {
    nlohmann::json j;
    j["device"] = device.index;
    j["name"] = device.caps.szPname;
    j["mid"] = device.caps.wMid;
    j["pid"] = device.caps.wPid;
    j["destinations"] = nlohmann::json::array();
    for (const LineInfo& l : device.destinations) j["destinations"].push_back(LineJson(l, true));
    return j;
}

const LineInfo* FindWaveIn(const DeviceInfo& device) {
    for (const LineInfo& l : device.destinations)
        if (l.line.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN) return &l;
    return nullptr;
}

const ControlInfo* FindRecordingSelector(const LineInfo& waveIn) {
    for (const ControlInfo& c : waveIn.controls)
        if ((c.control.dwControlType & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST) return &c;
    return nullptr;
}

namespace {

// " of mixer device N" for a device other than 0, whose messages have
// always named no device.
std::string OfDevice(UINT index) { return index == 0 ? std::string() : " of mixer device " + std::to_string(index); }

std::string LineName(MIXERLINEA line) {
    line.szName[sizeof line.szName - 1] = '\0';
    return line.szName;
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

std::vector<RecordingEndpoint> RecordingEndpointOrder() {
    std::vector<RecordingEndpoint> order;
    // The device count first: Wine names no preferred device before it.
    const UINT count = waveInGetNumDevs();
    const UINT preferred = PreferredWaveIn(count);
    for (UINT position = 0; position < count; ++position) {
        RecordingEndpoint e;
        e.waveIn = WaveInAt(position, preferred);
        e.preferred = position == 0;
        e.result = WaveInMixer(e.waveIn, &e.mixer);
        order.push_back(e);
        if (e.EndsSearch()) break;
    }
    return order;
}

}  // namespace

RecordingMixers FindRecordingMixers() {
    if (DeviceCount() == 0) throw ToolError("there is no mixer device");
    // The library's walk of device 0 tells whether it has a wave-in destination.
    MixerDevice device;
    line_search::WalkEnd end;
    SearchNotes notes;
    if (line_search::WalkDevice(device, 0, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, true,
                                [](MIXERLINEA*, void*) { return true; }, nullptr, &end, &notes) == SearchFailed)
        throw ToolError(RequestProblem(notes));
    RecordingMixers r;
    r.onDevice0 = end.sawDestination;
    if (!r.onDevice0) r.endpoints = RecordingEndpointOrder();
    return r;
}

namespace {

// A device's product name; "" when its capabilities cannot be read.
std::string DeviceName(UINT index) {
    MIXERCAPSA caps;
    std::memset(&caps, 0, sizeof caps);
    if (mixerGetDevCapsA(index, &caps, sizeof caps) != MMSYSERR_NOERROR) return "";
    caps.szPname[sizeof caps.szPname - 1] = '\0';
    return caps.szPname;
}

std::string NamedDevice(UINT index) {
    const std::string name = DeviceName(index);
    return "mixer device " + std::to_string(index) + (name.empty() ? "" : " " + Quote(name));
}

}  // namespace

void PrintLibraryMixers(const RecordingMixers& mixers, std::ostream& out) {
    out << "library: playback on " << NamedDevice(0) << "\n";
    if (mixers.onDevice0) {
        out << "library: recording on " << NamedDevice(0) << " (its wave-in destination)\n";
        return;
    }
    bool any = false;
    for (const RecordingEndpoint& e : mixers.endpoints) any = any || e.Searched() || e.EndsSearch();
    if (!any) {
        out << "library: recording on no mixer (mixer device 0 has no wave-in destination, and "
            << (mixers.endpoints.empty() ? "there is no wave-in device" : "no wave-in device has a mixer of its own")
            << ")\n";
        return;
    }
    out << "library: recording on the recording endpoints' mixers (mixer device 0 has no wave-in destination), in "
           "this order:\n";
    for (const RecordingEndpoint& e : mixers.endpoints) {
        const std::string waveIn = "wave-in device " + std::to_string(e.waveIn);
        if (e.Searched())
            out << "  " << NamedDevice(e.mixer) << " (" << waveIn << (e.preferred ? ", preferred" : "") << ")\n";
        else
            out << "  " << waveIn << (e.preferred ? " (preferred)" : "")
                << (e.EndsSearch() ? " ends the search: its mixer cannot be found (mixerGetID " + ErrorText(e.result) + ")"
                    : e.result == MMSYSERR_NOERROR ? " passed over: its mixer is device 0"
                                                   : " passed over: it has no mixer")
                << "\n";
    }
}

nlohmann::json LibraryMixersJson(const RecordingMixers& mixers) {
    nlohmann::json j;
    j["playback"] = {{"device", 0}, {"name", DeviceName(0)}};
    j["recording"] = nlohmann::json::array();
    if (mixers.onDevice0) j["recording"].push_back({{"device", 0}, {"name", DeviceName(0)}});
    for (const RecordingEndpoint& e : mixers.endpoints) {
        if (e.Searched())
            j["recording"].push_back(
                {{"device", e.mixer}, {"name", DeviceName(e.mixer)}, {"waveIn", e.waveIn}, {"preferred", e.preferred}});
        else if (e.EndsSearch())
            j["recordingError"] = {{"waveIn", e.waveIn}, {"error", e.result}};
    }
    return j;
}

TargetControl FindTargetControl(DWORD lineType, LONG op) {
    TargetControl t;
    if (DeviceCount() == 0) {
        t.problem = "there is no mixer device";
        return t;
    }
    const DWORD destinationType = OpDestinationType(op);
    const bool itself = OpAddressesDestination(op);
    std::string where = ComponentTypeName(lineType) + (itself ? "" : " line under " + ComponentTypeName(destinationType));
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
    t.lineChannels = taken.line().cChannels;
    const std::string control = "the " + kind + " control of \"" + t.lineName + "\"";
    switch (found.outcome) {
    case ChoiceFound: break;
    case ChoiceLineFailed: t.problem = "cannot read the " + where + " (" + ErrorText(taken.lineError()) + ")"; return t;
    case ChoiceNoArray:
    case ChoiceListFailed: t.problem = "cannot read the controls of \"" + t.lineName + "\""; return t;
    case ChoiceDisabled: t.problem = control + " is disabled"; return t;
    case ChoiceUnread: t.problem = "cannot read " + control + " (" + ErrorText(found.choice.unreadError) + ")"; return t;
    case ChoiceNoControls:
    case ChoiceNoKind:
    case ChoiceOutOfScale: t.problem = "\"" + t.lineName + "\" (" + where + ") has no " + kind + " control"; return t;
    }
    t.info = ReadControl(Mixer(device), taken.line(), taken.control());
    if (t.info.readResult != MMSYSERR_NOERROR) t.problem = "cannot read " + control + " (" + ErrorText(t.info.readResult) + ")";
    return t;
}

std::string PeakMeterProblem(DWORD componentType) {
    if (DeviceCount() == 0) return "there is no mixer device";
    const mixertools::PeakMeter meter = mixertools::FindPeakMeter(componentType);
    if (meter.found == mixertools::PeakMeterFound::NoLine)
        return "mixer device 0 has no " + ComponentTypeName(componentType) + " line";
    if (meter.found == mixertools::PeakMeterFound::NoMeter)
        return "\"" + std::string(meter.line.szName) + "\" (" + ComponentTypeName(componentType) + ") has no peak meter";
    return "";
}

bool IsSingleSelectType(DWORD controlType) {
    return controlType == MIXERCONTROL_CONTROLTYPE_SINGLESELECT || controlType == MIXERCONTROL_CONTROLTYPE_MUX;
}

}  // namespace mixerctl
