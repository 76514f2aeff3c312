// info: the platform as the library meets it. The mixer devices, the ones
// the library uses, and for each family of exports whether the mixer has
// the line and control it needs, found by the library's own search; then
// what the platform does differently (per-process levels, no CD device, no
// peak meters).
#include "mixerctl.h"

#include "engine/endpoint_probe.h"

#include "text_code_page.h"

namespace mixerctl {
namespace {

using nlohmann::json;

// A failed request of the probe, in words.
std::string ProbeStep(const EndpointError& e) {
    static const char* const kSteps[] = {"",
                                         "mixerGetID (no wave-out device of mixer device 0)",
                                         "DRV_QUERYFUNCTIONINSTANCEIDSIZE",
                                         "the identifier's length",
                                         "DRV_QUERYFUNCTIONINSTANCEID",
                                         "CoInitializeEx",
                                         "CoCreateInstance(CLSID_MMDeviceEnumerator)",
                                         "IMMDeviceEnumerator::GetDevice",
                                         "IMMDevice::Activate",
                                         "a method of the endpoint volume"};
    char code[24];
    if (e.step <= StepId)
        std::snprintf(code, sizeof code, "%u", static_cast<unsigned>(e.mm));
    else if (e.hr == E_NOTIMPL)
        std::snprintf(code, sizeof code, "E_NOTIMPL");
    else if (e.hr == E_NOINTERFACE)
        std::snprintf(code, sizeof code, "E_NOINTERFACE");
    else if (e.hr == REGDB_E_CLASSNOTREG)
        std::snprintf(code, sizeof code, "REGDB_E_CLASSNOTREG");
    else
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(e.hr));
    return std::string(kSteps[e.step]) + " = " + code;
}

// Whose levels the library's level exports move, and why: the library's
// own probe, made in this process.
json EndpointLevels(std::string* text) {
    const EndpointProbe probe = ProbeEndpointVolume();
    json levels;
    switch (probe.verdict) {
    case EndpointUsable:
        levels = {{"levels", "endpoint"},
                  {"why", "Core Audio's endpoint volume of the playback endpoint (device 0's) and of the recording "
                          "endpoints: the system-wide levels Windows' volume icon shows; the wave-out and CD "
                          "sources stay the process's"}};
        break;
    case EndpointCardMixer:
        levels = {{"levels", "card"}, {"why", "mixer device 0 is the card's own mixer (it has a wave-in destination)"}};
        break;
    case EndpointAbsent:
        levels = {{"levels", "process"}, {"why", "no Core Audio endpoint volume: " + ProbeStep(probe.error)}};
        break;
    case EndpointUntrusted:
        levels = {{"levels", "process"},
                  {"why", "the endpoint volume cannot be trusted (as Wine's): " +
                              (probe.error.step == StepNone ? std::string("a level set is not read back")
                                                            : ProbeStep(probe.error))}};
        break;
    case EndpointUnknown:
        levels = {{"levels", "unknown"}, {"why", "a request failed: " + ProbeStep(probe.error)}};
        break;
    }
    const std::string whose = levels["levels"];
    *text += "levels: " + (whose == "unknown" ? whose : "the " + whose + "'s") + " (" +
             levels["why"].get<std::string>() + ")\n";
    return levels;
}


// One thing an export family needs: a property path's line and control, a
// line's peak meter, the CD device.
struct Need {
    std::string label;    // as the text shows it: "linein", "play.main.balance", "dst.speakers"
    json exports;         // the exports that need it
    std::string missing;  // why the mixer lacks it; "" when it has it
};

struct Family {
    const char* name;
    bool endpointsLackIt;  // per-endpoint mixers have no counterpart of it
    std::vector<Need> needs;
};

// The word between the dots of "side.LINE.property".
std::string LineWord(const std::string& path) {
    const size_t from = path.find('.') + 1;
    return path.substr(from, path.rfind('.') - from);
}

json ExportsOf(const PropertyPath& p) {
    json e = json::array();
    for (const std::string& name : {p.setter, p.getter})
        if (!name.empty()) e.push_back(name);
    return e;
}

// The MCI result of opening the CD player as OpenCD does (device type
// "cdaudio"), closed again at once: 0 when there is one.
MCIERROR OpenCdDevice() {
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "cdaudio";
    const MCIERROR r = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open));
    if (r == 0) {
        MCI_GENERIC_PARMS close = {};
        mciSendCommandA(open.wDeviceID, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    }
    return r;
}

// The families, in the order of mixer.h's lists.
enum FamilyIndex { PlayVolumes, PlayMutes, Balance, RecVolumes, RecMutes, Selector, PeakMeters, Boost, Cd };

std::vector<Family> Families(MCIERROR cd) {
    std::vector<Family> f = {{"play volumes", false, {}}, {"play mutes", false, {}}, {"balance", false, {}},
                             {"rec volumes", false, {}},  {"rec mutes", false, {}},  {"selector", true, {}},
                             {"peak meters", true, {}},   {"boost", true, {}},       {"cd", false, {}}};
    for (const PropertyPath& p : AllPaths()) {
        const bool play = p.path.compare(0, 5, "play.") == 0;
        FamilyIndex at = Boost;  // the boosts, one side's and both
        switch (p.kind) {
        case PathKind::Volume: at = play ? PlayVolumes : RecVolumes; break;
        case PathKind::Mute: at = play ? PlayMutes : RecMutes; break;
        case PathKind::Balance: at = Balance; break;
        case PathKind::Select: at = Selector; break;
        case PathKind::CdDigital: at = Cd; break;
        case PathKind::Boost:
        case PathKind::BothBoosts: break;
        }
        // A family of one side and property is told by its lines.
        const bool byLine = at != Balance && at != Boost && at != Cd;
        f[at].needs.push_back({byLine ? LineWord(p.path) : p.path, ExportsOf(p), Absence(p)});
    }
    for (DWORD type : {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_COMPONENTTYPE_DST_WAVEIN})
        f[PeakMeters].needs.push_back({ComponentTypeName(type), json::array({"GetPeak"}), PeakMeterProblem(type)});
    f[Cd].needs.insert(f[Cd].needs.begin(),
                       {"CD device", json::array({"OpenCD", "PlayCD", "StopCD", "CloseCD"}),
                        cd ? "MCI cannot open a cdaudio device (" + MciErrorText(cd) + ")" : ""});
    return f;
}

}  // namespace

std::string MciErrorText(MCIERROR r) {
    char text[256] = {0};
    const bool known = mciGetErrorStringA(r, text, sizeof text) && text[0];
    return "MCI error " + std::to_string(r) + ": " +
           (known ? mixertools::AnsiToUtf8(text) : mixer_names::MciErrorWords(static_cast<long>(r)));
}

std::string NoMixerDevice() {
    return std::string("there is no mixer device: ") +
           (PlatformSimulated() ? "the simulated card has none" : PlatformWineVersion().empty()
                ? "no sound card driver offers a mixer"
                : "Wine shows mixers only when ALSA has a PCM (with no sound card, put 'pcm.!default { type null }' "
                  "in ~/.asoundrc; README.txt of the kit, under Wine, explains it)");
}

void CmdInfo(Context& c, const Options& o) {
    NoArguments("info", o.rest);
    const std::string wine = PlatformWineVersion();
    json report = {{"platform",
                    {{"simulated", PlatformSimulated()}, {"wine", wine.empty() ? json() : json(wine)}}},
                   {"devices", json::array()}};
    std::string text = std::string("platform: ") +
                       (PlatformSimulated() ? "the simulated Windows platform" : wine.empty() ? "Windows" : "Wine " + wine) +
                       "\nmixer devices:\n";
    // Without the library or a mixer nothing is present: said in one line
    // (a field in JSON), and the run fails.
    std::string problem;
    try {
        PlatformLoadLibrary();
    } catch (const ToolError& e) {
        problem = e.what();
    }
    const UINT count = mixerGetNumDevs();
    if (count == 0) text += "  none\n";
    if (problem.empty() && count == 0) problem = NoMixerDevice();
    for (UINT d = 0; d < count; ++d) {
        json device = {{"device", d}};
        try {
            const json all = ReadDevice(d);
            device["name"] = all["name"];
            device["destinations"] = json::array();
            std::string destinations;
            for (const json& dst : all["destinations"]) {
                device["destinations"].push_back({{"name", dst["name"]}, {"type", dst["type"]}});
                destinations += (destinations.empty() ? "" : ", ") + dst["type"].get<std::string>() + " \"" +
                                dst["name"].get<std::string>() + "\"";
            }
            text += "  " + std::to_string(d) + " \"" + all["name"].get<std::string>() + "\": " +
                    (destinations.empty() ? "no destinations" : destinations) + "\n";
        } catch (const ToolError& e) {
            device["error"] = e.what();
            text += "  " + std::to_string(d) + ": " + e.what() + "\n";
        }
        report["devices"].push_back(device);
    }
    if (!problem.empty()) {
        report["problem"] = problem;
        report["families"] = json::array();
        c.out << (o.Has("--json") ? report.dump(2) + "\n" : text);
        throw ToolError("info: " + problem);
    }

    // Per-endpoint mixers: recording on a mixer of its own, not device 0.
    std::string library;
    json mixers = json::object();
    try {
        LibraryMixers(&library, &mixers);
    } catch (const ToolError& e) {
        library = "library: which mixers it uses is unknown: " + std::string(e.what()) + "\n";
    }
    report["library"] = mixers;
    const json recording = mixers.value("recording", json::array());
    const bool perEndpoint = !recording.empty() && recording[0]["device"] != 0;
    report["perEndpointMixers"] = perEndpoint;
    text += library + "mixers: " +
            (perEndpoint ? "one per audio endpoint (Windows Vista and later, Wine): no recording selector, no peak "
                           "meter, no microphone boost"
                         : std::string("one for the sound card")) +
            "\n";
    report["levels"] = EndpointLevels(&text);
    const bool endpointLevels = report["levels"]["levels"] == "endpoint";
    text += "exports:\n";

    const MCIERROR cd = OpenCdDevice();
    report["families"] = json::array();
    bool anyMeter = false;
    const std::vector<Family> families = Families(cd);
    for (const Family& f : families) {
        json items = json::array();
        std::map<std::string, std::string> byStatus;  // status -> labels
        for (const Need& n : f.needs) {
            const std::string status = n.missing.empty()                        ? "present"
                                       : perEndpoint && f.endpointsLackIt ? "no counterpart"
                                                                                : "absent";
            json item = {{"name", n.label}, {"exports", n.exports}, {"status", status}};
            if (!n.missing.empty()) item["missing"] = n.missing;
            items.push_back(item);
            byStatus[status] += (byStatus[status].empty() ? "" : ", ") + n.label;
            anyMeter = anyMeter || (&f == &families[PeakMeters] && n.missing.empty());
        }
        report["families"].push_back({{"family", f.name}, {"items", items}});
        std::string line;
        for (const char* status : {"present", "absent", "no counterpart"})
            if (byStatus.count(status)) line += (line.empty() ? "" : "; ") + (status + (": " + byStatus[status]));
        text += "  " + std::string(f.name) + ":" + std::string(14 - std::string(f.name).size(), ' ') + line + "\n";
    }

    json notes = json::array();
    if ((perEndpoint || !wine.empty()) && !endpointLevels)
        notes.push_back(std::string("levels are per process") +
                        (perEndpoint ? " on per-endpoint mixers" : "") + (wine.empty() ? "" : " under Wine") +
                        ": a level set here lasts only as long as the process that set it");
    if (cd)
        notes.push_back("no CD device: MCI cannot open cdaudio (" + MciErrorText(cd) +
                        "); OpenCD returns that error and shows a message box");
    if (!anyMeter && !endpointLevels) notes.push_back("no peak meters: GetPeak reads 0 for every line");
    report["notes"] = notes;
    for (const json& n : notes) text += "note: " + n.get<std::string>() + "\n";
    c.out << (o.Has("--json") ? report.dump(2) + "\n" : text);
}

}  // namespace mixerctl
