// The exports that address a line by operation code and line target: the
// search and the control's choice are engine/line_search.h's.
#include "engine/engine.h"
#include "core/trace.h"
#include "engine/endpoint_volume.h"
#include "engine/line_controls.h"

static LONG SetMixerCall(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName) {
    LONG result = 0;
    if (EndpointSetMain(componentType, op, value, byName, &result)) return result;
    MixerDevice device;
    FoundLine line;
    if (FindMixerLine(componentType, op, name, byName, device, &line) != SearchFound) return 0;
    if (!EndpointWriteFound(line, op, value)) WriteFoundLine(line, value, device.obj(), op);
    return 1;
}

MIXER_EXPORT LONG WINAPI SetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName) {
    ExportCall call("SetMixer", componentType, op, value, byName != 0 ? TraceValue(name) : TraceUnread(name), byName);
    return call.Returns(SetMixerCall(componentType, op, value, name, byName));
}

LONG GetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName) {
    LONG result = 0;
    if (EndpointGetMain(componentType, op, byName, &result)) return result;
    MixerDevice device;
    FoundLine line;
    switch (FindMixerLine(componentType, op, name, byName, device, &line)) {
    case SearchFound:
        if (EndpointReadFound(line, op, &result)) return result;
        return QueryFoundLine(line, value, device.obj(), op);
    case SearchNotFound:
        return 0;
    default:
        return -1;
    }
}
