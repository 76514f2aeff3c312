// Peak meter: the magnitude of the first line of a component type's peak meter.
#include "core/holders.h"
#include "core/trace.h"
#include "core/state.h"
#include "engine/endpoint_volume.h"
#include "engine/engine.h"
#include "engine/line_controls.h"

static LONG GetPeakCall(DWORD componentType) {
    LONG peak = 0;
    if (EndpointPeak(componentType, &peak)) return peak;
    MixerDevice device;
    if (device.Open() != MMSYSERR_NOERROR) return 0;

    MIXERLINEA line;
    PrepareLine(&line);
    line.dwComponentType = componentType;
    if (req::mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR) return 0;

    MIXERCONTROLA control;
    ClearRecord(&control, sizeof control);
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA request;
    ClearRecord(&request, sizeof request);
    request.cbStruct = sizeof request;
    request.dwLineID = line.dwLineID;
    request.dwControlType = MIXERCONTROL_CONTROLTYPE_PEAKMETER;
    request.cControls = 1;
    request.cbmxctrl = sizeof control;
    request.pamxctrl = &control;
    if (req::mixerGetLineControlsA(device.obj(), &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return 0;

    MIXERCONTROLDETAILS_SIGNED reading;
    reading.lValue = 0;
    MIXERCONTROLDETAILS details;
    PrepareDetails(&details, control.dwControlID, 1, 0, sizeof reading, &reading);
    if (req::mixerGetControlDetailsA(device.obj(), &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return 0;
    device.Close();

    const LONG v = reading.lValue;
    if (v >= 0) return v;
    // -2147483648 has no positive 32-bit counterpart: report the largest value.
    return v == static_cast<LONG>(0x80000000u) ? 0x7FFFFFFF : -v;
}

MIXER_EXPORT LONG WINAPI GetPeak(DWORD componentType) {
    ExportCall call("GetPeak", componentType);
    return call.Returns(GetPeakCall(componentType));
}
