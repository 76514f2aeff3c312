// Control reader: reads one control of a line as a single channel and writes
// the value straight back with the same request.
#include "core/holders.h"
#include "engine/engine.h"
#include "engine/line_controls.h"

LONG QueryControl(DWORD lineId, LONG value, HMIXER mixer, LONG op) {
    (void)value;
    // Balance has no reading: those codes, like the codes without a control,
    // look for no control at all.
    const Treatment treatment = OpTreatment(op);
    const DWORD kind = (treatment == TreatBoolean || treatment == TreatLevel) ? OpControlType(op) : 0;
    LineControls controls;
    switch (controls.Fetch(mixer, lineId, kind)) {
    case FetchLineFailed:
    case FetchNoControls:
    case FetchNoArray:
        return -1;
    case FetchListFailed:
    case FetchNoKind:
        return 0;
    case FetchFound:
        break;
    }
    const MIXERCONTROLA& control = controls.control();
    if (control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) return -1;

    // Every value starts at 0: a driver may report a read as done without
    // filling the buffer. A multiple-item control (single-select) is read with
    // a value for each item, and its first item's value is reported.
    const DWORD items = control.cMultipleItems;
    LONG single = 0;
    LONG* values = &single;
    LocalBlock many;
    if (items > 1) {
        if (!many.Alloc(items, sizeof(LONG))) return -1;
        values = many.as<LONG>();
    }
    HMIXEROBJ obj = reinterpret_cast<HMIXEROBJ>(mixer);
    MIXERCONTROLDETAILS details;
    PrepareDetails(&details, control.dwControlID, 1, items, sizeof(LONG), values);
    if (mixerGetControlDetailsA(obj, &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return -1;
    const LONG read = values[0];
    if (mixerSetControlDetails(obj, &details, MIXER_SETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR &&
        control.dwControlType != MIXERCONTROL_CONTROLTYPE_MUTE)
        return -1;
    return read;
}
