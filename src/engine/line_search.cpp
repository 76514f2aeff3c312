// Finding a line by operation code and line target: on mixer device 0, or,
// for a recording line where device 0 has no wave-in destination, on the
// recording endpoints' mixers; and the walk of a device's lines that the
// search is made of.
#include "core/holders.h"
#include "core/state.h"
#include "engine/engine.h"
#include "engine/line_controls.h"
#include "engine/recording_endpoints.h"

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

// What a walk saw of the destinations it looked for.
struct WalkEnd {
    bool sawDestination = false;  // the device has a destination of the type
    DWORD destinationId = 0;      // the line id of the one the walk was in last
};

// WalkLines on mixer device `id`, without asking for the device count.
SearchOutcome WalkDevice(MixerDevice& device, UINT id, DWORD destinationType, bool destinationItself,
                         LineVisitor visit, void* context, WalkEnd* end) {
    if (device.Open(id) != MMSYSERR_NOERROR) return SearchFailed;

    MIXERCAPSA caps;
    caps.cDestinations = 0;
    if (mixerGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR) return SearchFailed;

    MIXERLINEA line;  // one record, reused for every request of the walk
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        PrepareLine(&line);
        line.dwDestination = d;
        if (mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_DESTINATION) != MMSYSERR_NOERROR)
            return SearchFailed;
        const LONG sources = static_cast<LONG>(line.cConnections);
        if (line.dwComponentType != destinationType) continue;
        end->sawDestination = true;
        end->destinationId = line.dwLineID;
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

// The source line of the target on the recording endpoints' mixers: those
// of the wave-in devices, the preferred one first, each searched as device 0
// is. Device 0 itself, searched already, and wave-in devices without a mixer
// are passed over. On SearchFound `device` holds the mixer open and `end`
// names its wave-in destination.
SearchOutcome FindOnRecordingEndpoints(MixerDevice& device, LineTarget* target, WalkEnd* end) {
    device.Close();
    const UINT count = waveInGetNumDevs();
    const UINT preferred = PreferredWaveIn(count);
    for (UINT position = 0; position < count; ++position) {
        UINT mixer = 0;
        const MMRESULT r = WaveInMixer(WaveInAt(position, preferred), &mixer);
        if (r == MMSYSERR_NODRIVER || (r == MMSYSERR_NOERROR && mixer == 0)) continue;
        if (r != MMSYSERR_NOERROR) return SearchFailed;
        *end = WalkEnd();
        const SearchOutcome outcome =
            WalkDevice(device, mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, false, Matches, target, end);
        if (outcome != SearchNotFound) return outcome;
        device.Close();
    }
    return SearchNotFound;
}

}  // namespace

SearchOutcome WalkLines(MixerDevice& device, DWORD destinationType, bool destinationItself, LineVisitor visit,
                        void* context) {
    if (mixerGetNumDevs() == 0) return SearchFailed;
    WalkEnd end;
    return WalkDevice(device, 0, destinationType, destinationItself, visit, context, &end);
}

SearchOutcome FindMixerLine(DWORD componentType, LONG op, LPCSTR name, LONG byName, MixerDevice& device,
                            FoundLine* found) {
    LineTarget target = {componentType, name, byName, 0};
    const DWORD destinationType = OpDestinationType(op);
    const bool itself = OpAddressesDestination(op);
    WalkEnd end;
    SearchOutcome outcome = SearchFailed;
    if (mixerGetNumDevs() != 0)
        outcome = WalkDevice(device, 0, destinationType, itself, Matches, &target, &end);
    *found = FoundLine();
    if (outcome == SearchNotFound && !end.sawDestination && !itself &&
        destinationType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN) {
        outcome = FindOnRecordingEndpoints(device, &target, &end);
        found->onEndpoint = true;
        found->destinationId = end.destinationId;
    }
    found->lineId = target.lineId;
    return outcome;
}

MIXER_EXPORT LONG WINAPI SetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName) {
    MixerDevice device;
    FoundLine line;
    if (FindMixerLine(componentType, op, name, byName, device, &line) != SearchFound) return 0;
    WriteFoundLine(line, value, device.obj(), op);
    return 1;
}

LONG GetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName) {
    MixerDevice device;
    FoundLine line;
    switch (FindMixerLine(componentType, op, name, byName, device, &line)) {
    case SearchFound:
        return QueryFoundLine(line, value, device.obj(), op);
    case SearchNotFound:
        return 0;
    default:
        return -1;
    }
}
