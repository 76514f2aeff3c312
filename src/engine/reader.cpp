// Control reader: reads one control of a line as a single channel. A read
// writes nothing: the control keeps exactly what it held, including a level a
// platform stores with less precision than it reports and a change another
// program makes at the same moment.
#include "engine/engine.h"
#include "engine/line_controls.h"
#include "engine/recording_endpoints.h"

namespace {

// QueryControl; with a stand-in, the line that stands in for a control that
// keeps nothing.
LONG ReadControl(DWORD lineId, HMIXEROBJ obj, LONG op, const DWORD* standIn) {
    // Balance has no reading: those codes, like the codes without a control,
    // look for no control at all.
    const Treatment treatment = OpTreatment(op);
    const bool readable = treatment == TreatBoolean || treatment == TreatLevel;
    LineControls controls;
    switch (controls.Fetch(obj, MIXER_GETLINEINFOF_LINEID, lineId, true, readable ? ControlIsOfType : nullptr,
                           OpControlType(op))) {
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
    if (standIn != nullptr) {
        MMRESULT unread = MMSYSERR_NOERROR;
        switch (ControlKeeping(obj, MIXER_OBJECTF_MIXER, control, &unread)) {
        case ControlUnread:
            return -1;  // as the read below fails
        case ControlKeepsNothing:
            return ReadControl(*standIn, obj, op, nullptr);
        case ControlKeeps:
            break;
        }
    }

    // Every value starts at 0: a driver may report a read as done without
    // filling the buffer. A multiple-item control (single-select) is read with
    // a value for each item, and its first item's value is reported.
    const DWORD items = control.cMultipleItems;
    DetailsBuffer buffer;
    if (!buffer.AllocValues(items)) return -1;
    MIXERCONTROLDETAILS details;
    PrepareDetails(&details, control.dwControlID, 1, items, sizeof(LONG), buffer.get());
    if (mixerGetControlDetailsA(obj, &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return -1;
    return buffer.values()[0];
}

}  // namespace

LONG QueryControl(DWORD lineId, LONG value, HMIXEROBJ obj, LONG op) {
    (void)value;
    return ReadControl(lineId, obj, op, nullptr);
}

LONG QueryFoundLine(const FoundLine& line, LONG value, HMIXEROBJ obj, LONG op) {
    (void)value;
    return ReadControl(line.lineId, obj, op, line.onEndpoint ? &line.destinationId : nullptr);
}
