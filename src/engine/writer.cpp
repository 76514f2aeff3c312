// Control writer: boolean, level and balance writes of one line's control.
#include "engine/engine.h"
#include "core/trace.h"
#include "engine/line_controls.h"

namespace {

void WriteBoolean(HMIXEROBJ obj, const MIXERCONTROLA& control, LONG value) {
    // A request that carries the control's item count needs a value for every
    // item: a single-select control gets a buffer of all its items, and the
    // value applies to its first item.
    const DWORD items = control.cMultipleItems;
    DetailsBuffer buffer;
    if (!buffer.AllocValues(items)) return;
    LONG* values = buffer.values();
    MIXERCONTROLDETAILS details;
    PrepareDetails(&details, control.dwControlID, 1, items, sizeof(LONG), values);
    if (req::mixerGetControlDetailsA(obj, &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return;
    values[0] = value != 0 ? 1 : 0;
    // A single-select control holds one selection: selecting its first item
    // clears the others.
    if (control.dwControlType == MIXERCONTROL_CONTROLTYPE_SINGLESELECT && values[0] == 1)
        for (DWORD i = 1; i < items; ++i) values[i] = 0;
    req::mixerSetControlDetails(obj, &details, MIXER_SETCONTROLDETAILSF_VALUE);
}

void WriteChannels(HMIXEROBJ obj, const MIXERLINEA& line, const MIXERCONTROLA& control, LONG value,
                   Treatment treatment) {
    const DWORD channels = line.cChannels != 0 ? line.cChannels : 1;
    const DWORD items = control.cMultipleItems != 0 ? control.cMultipleItems : 1;
    // Zero-filled: a driver may fill fewer values than asked (a uniform control
    // asked for every channel may answer only the first), and the rules must
    // not compute from whatever the buffer held before.
    DetailsBuffer buffer;
    if (!buffer.Alloc(channels, items, sizeof(LONG))) return;
    LONG* values = buffer.values();
    MIXERCONTROLDETAILS details;
    PrepareDetails(&details, control.dwControlID, channels, control.cMultipleItems, sizeof(LONG), values);
    for (DWORD k = 0; k < items; k += channels) {
        if (req::mixerGetControlDetailsA(obj, &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return;
        LONG* first = &values[k];
        LONG* last = &values[k + channels - 1];
        if (treatment == TreatLevel)
            ApplyLevelRule(first, last, value);
        else
            ApplyBalanceRule(first, last, value);
        if (req::mixerSetControlDetails(obj, &details, MIXER_SETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return;
    }
}

}  // namespace

LONG WriteControl(const FoundLine& line, LONG value, HMIXEROBJ obj, LONG op) {
    ControlChoice choice;
    switch (ChooseControl(&choice, obj, line, op, UseWrite, value)) {
    case ChoiceLineFailed:
        return static_cast<LONG>(choice.chosen().lineError());
    case ChoiceNoControls:
    case ChoiceNoArray:
        return 0;
    case ChoiceListFailed:
    case ChoiceNoKind:
    case ChoiceDisabled:
    case ChoiceOutOfScale:
    case ChoiceUnread:  // as the writes' own read fails: nothing written
        return 1;
    case ChoiceFound:
        break;
    }
    const LineControls& taken = choice.chosen();
    if (OpTreatment(op) == TreatBoolean)
        WriteBoolean(obj, taken.control(), value);
    else
        WriteChannels(obj, taken.line(), taken.control(), value, OpTreatment(op));
    return 1;
}

MIXER_EXPORT LONG WINAPI LocateControl(DWORD lineId, LONG value, HMIXER mixer, LONG op) {
    ExportCall call("LocateControl(0x%x, %d, 0x%x, %d)", lineId, value, req::H(mixer), op);
    FoundLine line;
    line.lineId = lineId;
    return call.Returns(WriteControl(line, value, reinterpret_cast<HMIXEROBJ>(mixer), op));
}
