#include "mixer_lookup.h"

#include "engine/line_search.h"  // the library's request records

#include <cstring>

namespace mixertools {

namespace {

HMIXEROBJ Device(UINT id) { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(id)); }

MIXERCONTROLDETAILS OneValue(DWORD controlId, LONG* value) {
    MIXERCONTROLDETAILS details;
    PrepareDetails(&details, controlId, 1, 0, sizeof *value, value);
    return details;
}

}  // namespace

bool ReadControlValue(UINT device, DWORD controlId, LONG* value) {
    MIXERCONTROLDETAILS details = OneValue(controlId, value);
    return mixerGetControlDetailsA(Device(device), &details, MIXER_OBJECTF_MIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

bool WriteControlValue(UINT device, DWORD controlId, LONG value) {
    MIXERCONTROLDETAILS details = OneValue(controlId, &value);
    return mixerSetControlDetails(Device(device), &details, MIXER_OBJECTF_MIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

bool LineOfType(UINT device, DWORD componentType, MIXERLINEA* line) {
    PrepareLine(line);
    line->dwComponentType = componentType;
    if (mixerGetLineInfoA(Device(device), line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return false;
    line->szShortName[sizeof line->szShortName - 1] = '\0';
    line->szName[sizeof line->szName - 1] = '\0';
    return true;
}

bool ControlOfType(UINT device, DWORD lineId, DWORD controlType, MIXERCONTROLA* control) {
    MIXERLINECONTROLSA request;
    PrepareControls(&request, lineId, controlType, 1, control);
    return mixerGetLineControlsA(Device(device), &request, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
           MMSYSERR_NOERROR;
}

PeakMeter FindPeakMeter(DWORD componentType) {
    PeakMeter meter;
    std::memset(&meter, 0, sizeof meter);
    meter.found = PeakMeterFound::NoLine;
    if (!LineOfType(0, componentType, &meter.line)) return meter;
    meter.found = ControlOfType(0, meter.line.dwLineID, MIXERCONTROL_CONTROLTYPE_PEAKMETER, &meter.control)
                      ? PeakMeterFound::Yes
                      : PeakMeterFound::NoMeter;
    return meter;
}

}  // namespace mixertools
