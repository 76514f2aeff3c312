// Peak meter: the magnitude of the first line of a component type's peak meter.
#include "core/holders.h"
#include "core/trace.h"
#include "core/state.h"
#include "engine/endpoint_volume.h"
#include "engine/engine.h"
#include "engine/line_controls.h"

MIXER_EXPORT LONG WINAPI GetPeak(DWORD componentType) {
    ExportCall call("GetPeak(0x%x)", componentType);
    LONG peak = 0;
    if (EndpointPeak(componentType, &peak)) return call.Returns(peak);
    MixerDevice device;
    if (device.Open() != MMSYSERR_NOERROR) return call.Returns(0);

    MIXERLINEA line;
    PrepareLine(&line);
    line.dwComponentType = componentType;
    if (req::mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return call.Returns(0);

    MIXERCONTROLA control;
    MIXERLINECONTROLSA request;
    PrepareControls(&request, line.dwLineID, MIXERCONTROL_CONTROLTYPE_PEAKMETER, 1, &control);
    if (req::mixerGetLineControlsA(device.obj(), &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return call.Returns(0);

    MIXERCONTROLDETAILS_SIGNED reading;
    reading.lValue = 0;
    MIXERCONTROLDETAILS details;
    PrepareDetails(&details, control.dwControlID, 1, 0, sizeof reading, &reading);
    if (req::mixerGetControlDetailsA(device.obj(), &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return call.Returns(0);
    device.Close();

    const LONG v = reading.lValue;
    if (v >= 0) return call.Returns(v);
    // -2147483648 has no positive 32-bit counterpart: report the largest value.
    return call.Returns(v == static_cast<LONG>(0x80000000u) ? 0x7FFFFFFF : -v);
}
