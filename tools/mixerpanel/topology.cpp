#include "topology.h"

#include "engine/line_search.h"
#include "mixer_lookup.h"
#include "platform/win.h"

#include <cstring>

namespace mixerpanel {

namespace {

// A device named by its identifier.
HMIXEROBJ Device(UINT id) { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(id)); }

bool LineByIndex(UINT device, DWORD destination, DWORD source, bool isSource, MIXERLINEA* line) {
    PrepareLine(line);
    line->dwDestination = destination;
    line->dwSource = source;
    const DWORD how = isSource ? MIXER_GETLINEINFOF_SOURCE : MIXER_GETLINEINFOF_DESTINATION;
    return mixerGetLineInfoA(Device(device), line, MIXER_OBJECTF_MIXER | how) == MMSYSERR_NOERROR;
}

// A control of the line the library may use, and whether it keeps a value.
struct UsedControl {
    bool found = false;
    bool keeps = true;
    MIXERCONTROLA control;
    const MIXERLINEA* line = nullptr;  // the line whose control it is
};

// The first control of `type` on line `lineId`, taken as the library takes
// it (LineControls, engine/line_search.h): from the line's full list.
bool FirstOfType(UINT device, DWORD lineId, DWORD type, MIXERCONTROLA* control) {
    LineControls controls;
    if (controls.Fetch(Device(device), MIXER_GETLINEINFOF_LINEID, lineId, true, ControlIsOfType, type) != FetchFound)
        return false;
    *control = controls.control();
    return true;
}

// The control of `type` that the library reads and writes for `line`: its
// own; on a recording endpoint's mixer (`destination` set) the
// destination's when the line's own keeps nothing, and none when the
// destination has no such control either. A disabled control is not asked.
UsedControl ControlUsed(UINT device, const MIXERLINEA& line, const MIXERLINEA* destination, DWORD type) {
    UsedControl used;
    if (line.cControls == 0 || !FirstOfType(device, line.dwLineID, type, &used.control)) return used;
    used.found = true;
    used.line = &line;
    MMRESULT unread = MMSYSERR_NOERROR;
    if ((used.control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) ||
        ControlKeeping(Device(device), MIXER_OBJECTF_MIXER, used.control, &unread) != ControlKeepsNothing)
        return used;
    if (destination == nullptr) {
        used.keeps = false;
        return used;
    }
    used.found = destination->cControls > 0 && FirstOfType(device, destination->dwLineID, type, &used.control);
    used.line = destination;
    return used;
}

// A line of device `device`: its name and what its controls are, as the
// library uses them (`destination`: see ControlUsed).
void Describe(UINT device, const MIXERLINEA& line, const MIXERLINEA* destination, LineFacts* facts) {
    facts->present = true;
    facts->name = line.szName;
    facts->mixer = device;
    const UsedControl volume = ControlUsed(device, line, destination, MIXERCONTROL_CONTROLTYPE_VOLUME);
    if (volume.found) {
        facts->hasVolume = true;
        facts->volumeKeeps = volume.keeps;
        facts->volumeMin = volume.control.Bounds.dwMinimum;
        facts->volumeMax = volume.control.Bounds.dwMaximum;
        facts->volumeControl = volume.control.dwControlID;
        facts->volumeChannels = static_cast<int>(volume.line->cChannels);
        facts->volumeUniform = (volume.control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) != 0;
    }
    const UsedControl mute = ControlUsed(device, line, destination, MIXERCONTROL_CONTROLTYPE_MUTE);
    facts->hasMute = mute.found;
    facts->muteKeeps = mute.keeps;
    const UsedControl onOff = ControlUsed(device, line, destination, MIXERCONTROL_CONTROLTYPE_ONOFF);
    facts->hasSwitch = onOff.found;
    facts->switchKeeps = onOff.keeps;
}

// Whether a line has a control that selects among its sources.
bool HasSelector(UINT device, const MIXERLINEA& line) {
    MIXERCONTROLA control;
    for (DWORD type : {MIXERCONTROL_CONTROLTYPE_MUX, MIXERCONTROL_CONTROLTYPE_MIXER,
                       MIXERCONTROL_CONTROLTYPE_SINGLESELECT, MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT})
        if (line.cControls > 0 && mixertools::ControlOfType(device, line.dwLineID, type, &control)) return true;
    return false;
}

// What GetPeak reads for a component type: the first line of the type on
// device 0.
void DescribePeak(uint32_t componentType, LineFacts* facts) {
    const mixertools::PeakMeter meter = mixertools::FindPeakMeter(componentType);
    if (meter.found != mixertools::PeakMeterFound::Yes) return;
    facts->hasPeak = true;
    facts->peakMax = meter.control.Bounds.lMaximum > 0 ? meter.control.Bounds.lMaximum : 32768;
}

// The sources of destination `index` of `device`: the first of each strip's
// type fills the strip, if no earlier line filled it. Names are listed for
// device 0's wave-in destination only (`names`). False when winmm refused a
// source, as the library's search then stops.
bool DescribeSources(UINT device, const MIXERLINEA& destination, DWORD index, Page page, bool onEndpoint,
                     std::vector<SourceName>* names, Topology* t) {
    const DWORD count = destination.cConnections;
    for (DWORD s = 0; s < count && s < 256; ++s) {
        MIXERLINEA source;
        if (!LineByIndex(device, index, s, true, &source)) return false;
        if (names) names->push_back({source.dwComponentType, source.szName});
        t->sources[static_cast<int>(page)].emplace_back();
        Describe(device, source, onEndpoint ? &destination : nullptr, &t->sources[static_cast<int>(page)].back());
        for (int i = 0; i < kStripsPerPage; ++i) {
            const StripSpec& spec = Strip(page, i);
            LineFacts& facts = t->lines[static_cast<int>(page)][i];
            if (!spec.destination && spec.componentType == source.dwComponentType && !facts.present)
                facts = t->sources[static_cast<int>(page)].back();
        }
    }
    return true;
}

// The recording lines on the recording endpoints' mixers: those of the
// wave-in devices, the preferred one first. Device 0 and wave-in devices
// without a mixer are passed over; any other failure ends the search, as it
// ends the library's. Each mixer's wave-in destinations are searched in
// order, as device 0's are.
void DescribeRecordingEndpoints(Topology* t) {
    const UINT count = waveInGetNumDevs();
    const UINT preferred = PreferredWaveIn(count);
    for (UINT position = 0; position < count; ++position) {
        UINT mixer = 0;
        const MMRESULT r = WaveInMixer(WaveInAt(position, preferred), &mixer);
        if (r == MMSYSERR_NODRIVER || (r == MMSYSERR_NOERROR && mixer == 0)) continue;
        if (r != MMSYSERR_NOERROR) return;
        MIXERCAPSA caps;
        std::memset(&caps, 0, sizeof caps);
        if (mixerGetDevCapsA(mixer, &caps, sizeof caps) != MMSYSERR_NOERROR) return;
        for (DWORD d = 0; d < caps.cDestinations && d < 64; ++d) {
            MIXERLINEA line;
            if (!LineByIndex(mixer, d, 0, false, &line)) return;
            if (line.dwComponentType != kDstWaveIn) continue;
            if (!DescribeSources(mixer, line, d, Page::Recording, true, nullptr, t)) return;
        }
    }
}

}  // namespace

Topology ReadTopology() {
    Topology t;
    MIXERCAPSA caps;
    std::memset(&caps, 0, sizeof caps);
    if (mixerGetNumDevs() == 0 || mixerGetDevCapsA(0, &caps, sizeof caps) != MMSYSERR_NOERROR) return t;
    t.device = true;
    t.product = caps.szPname;
    bool speakers = false, waveIn = false;
    for (DWORD d = 0; d < caps.cDestinations && d < 64; ++d) {
        MIXERLINEA line;
        if (!LineByIndex(0, d, 0, false, &line)) break;
        if (line.dwComponentType == kDstSpeakers && !speakers) {
            speakers = true;
            for (int i = 0; i < kStripsPerPage; ++i)
                if (Strip(Page::Playback, i).destination) Describe(0, line, nullptr, &t.lines[0][i]);
            DescribeSources(0, line, d, Page::Playback, false, nullptr, &t);
        } else if (line.dwComponentType == kDstWaveIn && !waveIn) {
            waveIn = true;
            Describe(0, line, nullptr, &t.waveIn);
            t.selector = HasSelector(0, line);
            DescribeSources(0, line, d, Page::Recording, false, &t.waveInSources, &t);
        }
    }
    if (!waveIn) DescribeRecordingEndpoints(&t);
    for (int p = 0; p < kPageCount; ++p)
        for (int i = 0; i < kStripsPerPage; ++i)
            DescribePeak(Strip(static_cast<Page>(p), i).componentType, &t.lines[p][i]);
    DescribePeak(kDstWaveIn, &t.waveIn);
    return t;
}

bool ReadVolume(const LineFacts& facts, long* value) {
    LONG read = 0;
    if (!facts.hasVolume || !mixertools::ReadControlValue(facts.mixer, facts.volumeControl, &read)) return false;
    *value = read;
    return true;
}

bool RecordingOnEndpoints(const Topology& t) {
    for (const LineFacts& facts : t.lines[static_cast<int>(Page::Recording)])
        if (facts.present && facts.mixer != 0) return true;
    return false;
}

}  // namespace mixerpanel
