// Control reader: reads one control of a line as a single channel. A read
// writes nothing: the control keeps exactly what it held, including a level a
// platform stores with less precision than it reports and a change another
// program makes at the same moment.
#include "engine/engine.h"
#include "engine/line_controls.h"

LONG ReadControl(const FoundLine& line, HMIXEROBJ obj, LONG op) {
    ControlChoice choice;
    switch (ChooseControl(&choice, obj, line, op, UseRead, 0)) {
    case ChoiceLineFailed:
    case ChoiceNoControls:
    case ChoiceNoArray:
    case ChoiceDisabled:
    case ChoiceOutOfScale:
    case ChoiceUnread:
        return -1;
    case ChoiceListFailed:
    case ChoiceNoKind:
        return 0;
    case ChoiceFound:
        break;
    }
    // Every value starts at 0: a driver may report a read as done without
    // filling the buffer. A multiple-item control (single-select) is read with
    // a value for each item, and its first item's value is reported.
    const MIXERCONTROLA& control = choice.chosen().control();
    const DWORD items = control.cMultipleItems;
    DetailsBuffer buffer;
    if (!buffer.AllocValues(items)) return -1;
    MIXERCONTROLDETAILS details;
    PrepareDetails(&details, control.dwControlID, 1, items, sizeof(LONG), buffer.get());
    if (req::mixerGetControlDetailsA(obj, &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return -1;
    return buffer.values()[0];
}

