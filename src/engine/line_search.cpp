// Finding a line of mixer device 0 by operation code and line target.
#include "core/holders.h"
#include "core/state.h"
#include "engine/engine.h"

namespace {

bool Matches(const MIXERLINEA& line, DWORD componentType, LPCSTR name, LONG byName) {
    if (byName) return name != nullptr && StrEqual(line.szName, name);
    return line.dwComponentType == componentType;
}

void PrepareLine(MIXERLINEA* line) {
    ClearRecord(line, sizeof *line);
    line->cbStruct = sizeof *line;
}

}  // namespace

SearchOutcome FindMixerLine(DWORD componentType, LONG op, LPCSTR name, LONG byName, MixerDevice& device,
                            DWORD* lineId) {
    if (mixerGetNumDevs() == 0) return SearchFailed;
    if (device.Open() != MMSYSERR_NOERROR) return SearchFailed;

    MIXERCAPSA caps;
    caps.cDestinations = 0;
    if (mixerGetDevCapsA(0, &caps, sizeof caps) != MMSYSERR_NOERROR) return SearchFailed;

    const DWORD wantedDestination = OpDestinationType(op);
    const bool destinationItself = OpAddressesDestination(op);
    MIXERLINEA line;  // one record, reused for every request of the search
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        PrepareLine(&line);
        line.dwDestination = d;
        if (mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_DESTINATION) != MMSYSERR_NOERROR)
            return SearchFailed;
        const LONG sources = static_cast<LONG>(line.cConnections);
        if (line.dwComponentType != wantedDestination) continue;
        // A destination without source lines is never addressed, not even
        // by the operations that mean the destination itself.
        if (sources <= 0) continue;
        for (LONG s = 0; s < sources; ++s) {
            PrepareLine(&line);
            line.dwDestination = d;
            MMRESULT r;
            if (destinationItself) {
                r = mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_DESTINATION);
            } else {
                line.dwSource = static_cast<DWORD>(s);
                r = mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_SOURCE);
            }
            if (r != MMSYSERR_NOERROR) return SearchFailed;
            if (Matches(line, componentType, name, byName)) {
                *lineId = line.dwLineID;
                return SearchFound;
            }
            if (destinationItself) break;  // the same line on every pass
        }
    }
    return SearchNotFound;
}

MIXER_EXPORT LONG WINAPI SetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName) {
    MixerDevice device;
    DWORD lineId = 0;
    if (FindMixerLine(componentType, op, name, byName, device, &lineId) != SearchFound) return 0;
    WriteLineControl(lineId, value, device.obj(), op);
    return 1;
}

LONG GetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName) {
    MixerDevice device;
    DWORD lineId = 0;
    switch (FindMixerLine(componentType, op, name, byName, device, &lineId)) {
    case SearchFound:
        return QueryControl(lineId, value, device.obj(), op);
    case SearchNotFound:
        return 0;
    default:
        return -1;
    }
}
