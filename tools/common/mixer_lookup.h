// Requests to winmm that the programs hosting the library make to see what
// the library will find: a line by its component type, a control by its type,
// and the peak meter GetPeak reads. Every request names a mixer device by its
// identifier (MIXER_OBJECTF_MIXER), so no handle is opened.
#pragma once

#include <windows.h>
#include <mmsystem.h>

namespace mixertools {

// The first line of `componentType` on mixer device `device`
// (MIXER_GETLINEINFOF_COMPONENTTYPE); false when winmm refuses.
bool LineOfType(UINT device, DWORD componentType, MIXERLINEA* line);
// The control of `controlType` on line `lineId` of mixer device `device`
// (MIXER_GETLINECONTROLSF_ONEBYTYPE); false when winmm refuses.
bool ControlOfType(UINT device, DWORD lineId, DWORD controlType, MIXERCONTROLA* control);

// One value (the first channel's) of control `controlId` on mixer device
// `device`, read into *value or written from it; false when winmm refuses.
bool ReadControlValue(UINT device, DWORD controlId, LONG* value);
bool WriteControlValue(UINT device, DWORD controlId, LONG value);

enum class PeakMeterFound {
    Yes,
    NoLine,   // mixer device 0 has no line of the type (or no device 0)
    NoMeter,  // the line has no peak meter
};

// What GetPeak(componentType) reads: the peak meter of the first line of the
// type on mixer device 0. `line` is filled from NoMeter on, `control` with Yes.
struct PeakMeter {
    PeakMeterFound found;
    MIXERLINEA line;
    MIXERCONTROLA control;
};
PeakMeter FindPeakMeter(DWORD componentType);

}  // namespace mixertools
