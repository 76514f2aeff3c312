#include "topology.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>

namespace mixerpanel {

namespace {

// Device 0 named by its identifier.
HMIXEROBJ Device0() { return reinterpret_cast<HMIXEROBJ>(0); }

bool LineByIndex(DWORD destination, DWORD source, bool isSource, MIXERLINEA* line) {
    std::memset(line, 0, sizeof *line);
    line->cbStruct = sizeof *line;
    line->dwDestination = destination;
    line->dwSource = source;
    const DWORD how = isSource ? MIXER_GETLINEINFOF_SOURCE : MIXER_GETLINEINFOF_DESTINATION;
    return mixerGetLineInfoA(Device0(), line, MIXER_OBJECTF_MIXER | how) == MMSYSERR_NOERROR;
}

bool ControlByType(DWORD lineId, DWORD controlType, MIXERCONTROLA* control) {
    MIXERLINECONTROLSA request;
    std::memset(&request, 0, sizeof request);
    std::memset(control, 0, sizeof *control);
    control->cbStruct = sizeof *control;
    request.cbStruct = sizeof request;
    request.dwLineID = lineId;
    request.dwControlType = controlType;
    request.cControls = 1;
    request.cbmxctrl = sizeof *control;
    request.pamxctrl = control;
    return mixerGetLineControlsA(Device0(), &request, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
           MMSYSERR_NOERROR;
}

void Describe(const MIXERLINEA& line, LineFacts* facts) {
    facts->present = true;
    facts->name = line.szName;
    MIXERCONTROLA volume;
    if (line.cControls > 0 && ControlByType(line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &volume)) {
        facts->hasVolume = true;
        facts->volumeMin = volume.Bounds.dwMinimum;
        facts->volumeMax = volume.Bounds.dwMaximum;
    }
}

// What GetPeak reads for a component type: the first line of the type.
void DescribePeak(uint32_t componentType, LineFacts* facts) {
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = componentType;
    if (mixerGetLineInfoA(Device0(), &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return;
    MIXERCONTROLA peak;
    if (!ControlByType(line.dwLineID, MIXERCONTROL_CONTROLTYPE_PEAKMETER, &peak)) return;
    facts->hasPeak = true;
    facts->peakMax = peak.Bounds.lMaximum > 0 ? peak.Bounds.lMaximum : 32768;
}

// The destination's sources: the first of each strip's type fills the strip.
void DescribeSources(const MIXERLINEA& destination, DWORD index, Page page, Topology* t) {
    const DWORD count = destination.cConnections;
    for (DWORD s = 0; s < count && s < 256; ++s) {
        MIXERLINEA source;
        if (!LineByIndex(index, s, true, &source)) break;
        if (page == Page::Recording) t->waveInSources.push_back({source.dwComponentType, source.szName});
        for (int i = 0; i < kStripsPerPage; ++i) {
            const StripSpec& spec = Strip(page, i);
            LineFacts& facts = t->lines[static_cast<int>(page)][i];
            if (!spec.destination && spec.componentType == source.dwComponentType && !facts.present)
                Describe(source, &facts);
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
        if (!LineByIndex(d, 0, false, &line)) break;
        if (line.dwComponentType == kDstSpeakers && !speakers) {
            speakers = true;
            for (int i = 0; i < kStripsPerPage; ++i)
                if (Strip(Page::Playback, i).destination) Describe(line, &t.lines[0][i]);
            DescribeSources(line, d, Page::Playback, &t);
        } else if (line.dwComponentType == kDstWaveIn && !waveIn) {
            waveIn = true;
            Describe(line, &t.waveIn);
            DescribeSources(line, d, Page::Recording, &t);
        }
    }
    for (int p = 0; p < kPageCount; ++p)
        for (int i = 0; i < kStripsPerPage; ++i)
            DescribePeak(Strip(static_cast<Page>(p), i).componentType, &t.lines[p][i]);
    DescribePeak(kDstWaveIn, &t.waveIn);
    return t;
}

}  // namespace mixerpanel
