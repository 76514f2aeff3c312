// Control reader: reads one control of a line as a single channel and writes
// the value straight back.
#include "core/holders.h"
#include "engine/engine.h"
#include "engine/line_controls.h"

namespace {

// Writes the value just read back to the control. A one-channel write sets
// every channel alike, which is harmless for a uniform control or a
// one-channel line; a control that holds a value per channel would lose its
// balance to a mere read. Such a control is written back channel by channel,
// with what each channel holds.
MMRESULT WriteBack(HMIXEROBJ obj, const MIXERLINEA& line, const MIXERCONTROLA& control,
                   MIXERCONTROLDETAILS* oneChannel) {
    if ((control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) || line.cChannels <= 1)
        return mixerSetControlDetails(obj, oneChannel, MIXER_SETCONTROLDETAILSF_VALUE);
    const DWORD channels = line.cChannels;
    const DWORD items = control.cMultipleItems != 0 ? control.cMultipleItems : 1;
    if (items > 0x7FFFFFFFu / channels) return MMSYSERR_NOMEM;
    LocalBlock buffer;
    if (!buffer.Alloc(static_cast<size_t>(channels) * items, sizeof(LONG))) return MMSYSERR_NOMEM;
    MIXERCONTROLDETAILS everyChannel;
    PrepareDetails(&everyChannel, control.dwControlID, channels, control.cMultipleItems, sizeof(LONG), buffer.get());
    MMRESULT r = mixerGetControlDetailsA(obj, &everyChannel, MIXER_GETCONTROLDETAILSF_VALUE);
    if (r != MMSYSERR_NOERROR) return r;
    return mixerSetControlDetails(obj, &everyChannel, MIXER_SETCONTROLDETAILSF_VALUE);
}

}  // namespace

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
    if (WriteBack(obj, controls.line(), control, &details) != MMSYSERR_NOERROR &&
        control.dwControlType != MIXERCONTROL_CONTROLTYPE_MUTE)
        return -1;
    return read;
}
