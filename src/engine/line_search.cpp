// Finding a line of mixer device 0 by operation code and line target, and the
// walk of its lines that the search is made of.
#include "core/holders.h"
#include "core/state.h"
#include "engine/engine.h"
#include "engine/line_controls.h"

namespace {

// What a line search looks for, and the line id it found.
struct LineTarget {
    DWORD componentType;
    LPCSTR name;
    LONG byName;
    DWORD lineId;
};

bool Matches(MIXERLINEA* line, void* context) {
    LineTarget* target = static_cast<LineTarget*>(context);
    const bool match = target->byName ? target->name != nullptr && StrEqual(line->szName, target->name)
                                      : line->dwComponentType == target->componentType;
    if (match) target->lineId = line->dwLineID;
    return match;
}

}  // namespace

SearchOutcome WalkLines(MixerDevice& device, DWORD destinationType, bool destinationItself, LineVisitor visit,
                        void* context) {
    if (mixerGetNumDevs() == 0) return SearchFailed;
    if (device.Open() != MMSYSERR_NOERROR) return SearchFailed;

    MIXERCAPSA caps;
    caps.cDestinations = 0;
    if (mixerGetDevCapsA(0, &caps, sizeof caps) != MMSYSERR_NOERROR) return SearchFailed;

    MIXERLINEA line;  // one record, reused for every request of the walk
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        PrepareLine(&line);
        line.dwDestination = d;
        if (mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_DESTINATION) != MMSYSERR_NOERROR)
            return SearchFailed;
        const LONG sources = static_cast<LONG>(line.cConnections);
        if (line.dwComponentType != destinationType) continue;
        // A destination without source lines is never visited, not even by
        // a walk that means the destination itself.
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
            if (visit(&line, context)) return SearchFound;
            if (destinationItself) break;  // the same line on every pass
        }
    }
    return SearchNotFound;
}

SearchOutcome FindMixerLine(DWORD componentType, LONG op, LPCSTR name, LONG byName, MixerDevice& device,
                            DWORD* lineId) {
    LineTarget target = {componentType, name, byName, 0};
    const SearchOutcome outcome =
        WalkLines(device, OpDestinationType(op), OpAddressesDestination(op), Matches, &target);
    if (outcome == SearchFound) *lineId = target.lineId;
    return outcome;
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
