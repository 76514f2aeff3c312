#include "topology.h"

#include "names.h"

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

MMRESULT ReadValues(const Mixer& m, const MIXERCONTROLA& c, DWORD channels, DWORD items, LONG fill,
                    std::vector<LONG>* values) {
    values->assign(static_cast<size_t>(channels) * items, fill);
    MIXERCONTROLDETAILS d;
    std::memset(&d, 0, sizeof d);
    d.cbStruct = sizeof d;
    d.dwControlID = c.dwControlID;
    d.cChannels = channels;
    d.cMultipleItems = (c.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? c.cMultipleItems : 0;
    d.cbDetails = sizeof(LONG);
    d.paDetails = values->data();
    return mixerGetControlDetailsA(m.obj(), &d, kByDevice | MIXER_GETCONTROLDETAILSF_VALUE);
}

ControlInfo ReadControl(const Mixer& m, const MIXERLINEA& line, const MIXERCONTROLA& c) {
    ControlInfo info;
    info.control = c;
    const bool multiple = (c.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
    info.channels = (c.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) || line.cChannels == 0 ? 1 : line.cChannels;
    info.items = multiple ? c.cMultipleItems : 1;
    if (info.items == 0) info.items = 1;  // a multiple control that reports no items
    std::vector<LONG> a, b;
    info.readResult = ReadValues(m, c, info.channels, info.items, kFillA, &a);
    if (info.readResult == MMSYSERR_NOERROR) info.readResult = ReadValues(m, c, info.channels, info.items, kFillB, &b);
    if (info.readResult == MMSYSERR_NOERROR) {
        info.values = b;
        info.filled.resize(b.size());
        for (size_t i = 0; i < b.size(); ++i) info.filled[i] = !(a[i] == kFillA && b[i] == kFillB);
    }
    if (multiple && (c.dwControlType & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST && c.cMultipleItems) {
        std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(static_cast<size_t>(info.channels) * c.cMultipleItems);
        std::memset(texts.data(), 0, texts.size() * sizeof texts[0]);
        MIXERCONTROLDETAILS d;
        std::memset(&d, 0, sizeof d);
        d.cbStruct = sizeof d;
        d.dwControlID = c.dwControlID;
        d.cChannels = info.channels;
        d.cMultipleItems = c.cMultipleItems;
        d.cbDetails = sizeof texts[0];
        d.paDetails = texts.data();
        info.textResult = mixerGetControlDetailsA(m.obj(), &d, kByDevice | MIXER_GETCONTROLDETAILSF_LISTTEXT);
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
    nlohmann::json j;
    j["id"] = x.dwControlID;
    j["name"] = x.szName;
    j["shortName"] = x.szShortName;
    j["type"] = ControlTypeName(x.dwControlType);
    j["controlType"] = x.dwControlType;
    j["class"] = ControlClassName(x.dwControlType);
    j["flags"] = ControlFlagNames(x.fdwControl);
    j["items"] = x.cMultipleItems;
    j["min"] = x.Bounds.lMinimum;
    j["max"] = x.Bounds.lMaximum;
    j["steps"] = x.Metrics.cSteps;
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
    nlohmann::json j;
    j["id"] = x.dwLineID;
    j["name"] = x.szName;
    j["shortName"] = x.szShortName;
    j["type"] = ComponentTypeName(x.dwComponentType);
    j["componentType"] = x.dwComponentType;
    j["channels"] = x.cChannels;
    j["flags"] = LineFlagNames(x.fdwLine);
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

TargetControl FindTargetControl(DWORD destinationType, DWORD lineType, DWORD controlType) {
    TargetControl t;
    if (DeviceCount() == 0) {
        t.problem = "there is no mixer device";
        return t;
    }
    MIXERCAPSA caps;
    std::memset(&caps, 0, sizeof caps);
    MMRESULT r = mixerGetDevCapsA(0, &caps, sizeof caps);
    if (r != MMSYSERR_NOERROR) {
        t.problem = "cannot read mixer device 0 (" + ErrorText(r) + ")";
        return t;
    }
    Mixer m(0);
    const bool itself = lineType == destinationType;
    const std::string where = ComponentTypeName(lineType) + (itself ? "" : " line under " + ComponentTypeName(destinationType));
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        MIXERLINEA dst;
        r = LineAt(m, d, -1, &dst);
        if (r != MMSYSERR_NOERROR) {
            t.problem = "cannot read destination " + std::to_string(d) + " (" + ErrorText(r) + ")";
            return t;
        }
        if (dst.dwComponentType != destinationType || static_cast<LONG>(dst.cConnections) <= 0) continue;
        MIXERLINEA line = dst;
        bool found = itself;
        for (DWORD s = 0; !found && s < dst.cConnections; ++s) {
            r = LineAt(m, d, static_cast<long>(s), &line);
            if (r != MMSYSERR_NOERROR) {
                t.problem = "cannot read source " + std::to_string(s) + " of destination " + std::to_string(d) +
                            " (" + ErrorText(r) + ")";
                return t;
            }
            found = line.dwComponentType == lineType;
        }
        if (!found) continue;
        // The first matching line decides, whatever controls it has.
        line.szName[sizeof line.szName - 1] = '\0';
        t.lineName = line.szName;
        t.lineChannels = line.cChannels;
        LineInfo info = ReadLine(m, line);
        if (info.controlsResult != MMSYSERR_NOERROR) {
            t.problem = "cannot read the controls of \"" + t.lineName + "\" (" + ErrorText(info.controlsResult) + ")";
            return t;
        }
        for (const ControlInfo& c : info.controls)
            if (c.control.dwControlType == controlType) {
                t.info = c;
                if (c.control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED)
                    t.problem = "the " + ControlTypeName(controlType) + " control of \"" + t.lineName + "\" is disabled";
                else if (c.readResult != MMSYSERR_NOERROR)
                    t.problem = "cannot read the " + ControlTypeName(controlType) + " control of \"" + t.lineName +
                                "\" (" + ErrorText(c.readResult) + ")";
                return t;
            }
        t.problem = "\"" + t.lineName + "\" (" + where + ") has no " + ControlTypeName(controlType) + " control";
        return t;
    }
    t.problem = "mixer device 0 has no " + where;
    return t;
}

std::string PeakMeterProblem(DWORD componentType) {
    if (DeviceCount() == 0) return "there is no mixer device";
    Mixer m(0);
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = componentType;
    if (mixerGetLineInfoA(m.obj(), &line, kByDevice | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return "mixer device 0 has no " + ComponentTypeName(componentType) + " line";
    line.szName[sizeof line.szName - 1] = '\0';
    MIXERCONTROLA control;
    std::memset(&control, 0, sizeof control);
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA lc;
    std::memset(&lc, 0, sizeof lc);
    lc.cbStruct = sizeof lc;
    lc.dwLineID = line.dwLineID;
    lc.dwControlType = MIXERCONTROL_CONTROLTYPE_PEAKMETER;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof control;
    lc.pamxctrl = &control;
    if (mixerGetLineControlsA(m.obj(), &lc, kByDevice | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return "\"" + std::string(line.szName) + "\" (" + ComponentTypeName(componentType) + ") has no peak meter";
    return "";
}

bool IsSingleSelectType(DWORD controlType) {
    return controlType == MIXERCONTROL_CONTROLTYPE_SINGLESELECT || controlType == MIXERCONTROL_CONTROLTYPE_MUX;
}

}  // namespace mixerctl
