// The exports that address a line by operation code and line target: the
// search and the control's choice are engine/line_search.h's.
#include "engine/engine.h"
#include "core/trace.h"
#include "engine/endpoint_volume.h"
#include "engine/line_controls.h"

// The name is shown only when the search reads it (byName).
MIXER_EXPORT LONG WINAPI SetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName) {
    ExportCall call("SetMixer(0x%x, %d, %d, \"%.255s\", %d)", componentType, op, value, byName != 0 ? req::S(name) : "",
                    byName);
    LONG result = 0;
    if (IsMainLine(componentType, op, byName) && EndpointSetMain(componentType, op, value, byName, &result))
        return call.Returns(result);
    MixerDevice device;
    FoundLine line;
    if (FindMixerLine(componentType, op, name, byName, device, &line) != SearchFound) return call.Returns(0);
    if (!EndpointWriteFound(line, componentType, op, value, byName)) WriteControl(line, value, device.obj(), op);
    return call.Returns(1);
}

LONG GetMixer(DWORD componentType, LONG op, LONG, LPCSTR name, LONG byName) {
    LONG result = 0;
    if (IsMainLine(componentType, op, byName) && EndpointGetMain(componentType, op, byName, &result)) return result;
    MixerDevice device;
    FoundLine line;
    switch (FindMixerLine(componentType, op, name, byName, device, &line)) {
    case SearchFound:
        if (EndpointReadFound(line, componentType, op, byName, &result)) return result;
        return ReadControl(line, device.obj(), op);
    case SearchNotFound:
        return 0;
    default:
        return -1;
    }
}
