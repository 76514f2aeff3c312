// Recording source name cache: the long names under which mixer device 0
// reports the wave-in destination's sources, one slot per kind of source.
#include "core/holders.h"
#include "core/state.h"
#include "selector/rec_selector.h"
#include "selector/selector.h"

namespace {

// The slot of a source component type, or null for a type without one.
char* SlotOf(DWORD componentType) {
    switch (componentType) {
    case MIXERLINE_COMPONENTTYPE_SRC_LINE:
        return g_state.RecLineInName;
    case MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE:
        return g_state.RecMicName;
    case MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC:
        return g_state.RecCDName;
    case MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY:
        return g_state.RecAuxName;
    case MIXERLINE_COMPONENTTYPE_SRC_ANALOG:
        return g_state.RecAnalogName;
    case MIXERLINE_COMPONENTTYPE_SRC_DIGITAL:
        return g_state.RecDigitalName;
    default:
        return nullptr;
    }
}

void PrepareLine(MIXERLINEA* line, DWORD destination) {
    ClearRecord(line, sizeof *line);
    line->cbStruct = sizeof *line;
    line->dwDestination = destination;
}

}  // namespace

MIXER_EXPORT LONG WINAPI ScanRecControls(void) {
    if (mixerGetNumDevs() == 0) return 0;
    MixerDevice device;
    if (device.Open() != MMSYSERR_NOERROR) return 0;

    MIXERCAPSA caps;
    caps.cDestinations = 0;  // a failed request leaves nothing to walk
    mixerGetDevCapsA(0, &caps, sizeof caps);

    MIXERLINEA line;  // one record, reused for every query
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        PrepareLine(&line, d);
        if (mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_DESTINATION) != MMSYSERR_NOERROR) return 0;
        const LONG sources = static_cast<LONG>(line.cConnections);
        if (line.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN || sources <= 0) continue;
        for (LONG s = 0; s < sources; ++s) {
            PrepareLine(&line, d);
            line.dwSource = static_cast<DWORD>(s);
            if (mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR) return 0;
            char* slot = SlotOf(line.dwComponentType);
            if (slot == nullptr) continue;
            line.szName[MIXER_LONG_NAME_CHARS - 1] = '\0';  // a long name is at most 63 characters
            StateLock lock;
            CopyField(slot, line.szName);
        }
    }
    return 0;
}
