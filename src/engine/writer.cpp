// Control writer: boolean, level and balance writes of one line's control.
#include "engine/engine.h"
#include "engine/line_controls.h"
#include "engine/recording_endpoints.h"

namespace {

// The double nearest to one seventh (bit pattern 0x3FC2492492492492). The
// balance scale multiplies by it; it is not the same as dividing by 7.
const double kOneSeventh = 0.14285714285714285;

// Truncation toward zero into 32 bits. A value outside the 32-bit range (or
// NaN) gives 0x80000000, as the x86 conversion instruction does, instead of
// undefined behaviour.
LONG Truncate(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) return static_cast<LONG>(0x80000000u);
    return static_cast<LONG>(x);
}

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
    if (mixerGetControlDetailsA(obj, &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return;
    values[0] = value != 0 ? 1 : 0;
    // A single-select control holds one selection: selecting its first item
    // clears the others.
    if (control.dwControlType == MIXERCONTROL_CONTROLTYPE_SINGLESELECT && values[0] == 1)
        for (DWORD i = 1; i < items; ++i) values[i] = 0;
    mixerSetControlDetails(obj, &details, MIXER_SETCONTROLDETAILSF_VALUE);
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
        if (mixerGetControlDetailsA(obj, &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return;
        LONG* first = &values[k];
        LONG* last = &values[k + channels - 1];
        if (treatment == TreatLevel)
            ApplyLevelRule(first, last, value);
        else
            ApplyBalanceRule(first, last, value);
        if (mixerSetControlDetails(obj, &details, MIXER_SETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return;
    }
}

}  // namespace

// The louder of the two channels gets the new level; the other keeps its ratio
// to it. first and last may be the same value (a one-channel line); the stores
// happen in the order shown so that the later one wins there.
void ApplyLevelRule(LONG* first, LONG* last, LONG level) {
    const LONG f = *first;
    const LONG l = *last;
    if (f > l) {
        const double ratio = f == 0 ? 1.0 : static_cast<double>(l) / static_cast<double>(f);
        *first = level;
        *last = Truncate(static_cast<double>(level) * ratio);
    } else {
        const double ratio = l == 0 ? 1.0 : static_cast<double>(f) / static_cast<double>(l);
        *last = level;
        *first = Truncate(static_cast<double>(level) * ratio);
    }
}

// Position 0..15 on the balance scale, with the louder channel's level as the
// reference: 0 silences the last channel, 15 the first, 7 and 8 give both the
// reference level.
void ApplyBalanceRule(LONG* first, LONG* last, LONG position) {
    const LONG f = *first;
    const LONG l = *last;
    const LONG max = f > l ? f : l;
    if (position <= 7) {
        *first = max;
        *last = Truncate(static_cast<double>(static_cast<long long>(position) * max) * kOneSeventh);
    } else {
        *first = Truncate(static_cast<double>((15 - static_cast<long long>(position)) * max) * kOneSeventh);
        *last = max;
    }
}

namespace {

// WriteLineControl; with a stand-in, the line that stands in for a control
// that keeps nothing.
LONG WriteControl(DWORD lineId, LONG value, HMIXEROBJ obj, LONG op, const DWORD* standIn) {
    const Treatment treatment = OpTreatment(op);
    LineControls controls;
    switch (controls.Fetch(obj, MIXER_GETLINEINFOF_LINEID, lineId, true,
                           treatment == TreatNone ? nullptr : ControlIsOfType, OpControlType(op))) {
    case FetchLineFailed:
        return static_cast<LONG>(controls.lineError());
    case FetchNoControls:
    case FetchNoArray:
        return 0;
    case FetchListFailed:
    case FetchNoKind:
        return 1;
    case FetchFound:
        break;
    }
    const MIXERCONTROLA& control = controls.control();
    if (control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) return 1;
    // The balance scale has 16 steps; any other position would give channel
    // levels below zero or above the louder channel's.
    if (treatment == TreatBalance && (value < 0 || value > 15)) return 1;
    if (standIn != nullptr) {
        MMRESULT unread = MMSYSERR_NOERROR;
        switch (ControlKeeping(obj, MIXER_OBJECTF_MIXER, control, &unread)) {
        case ControlUnread:
            return 1;  // as the writes' own read fails: nothing written
        case ControlKeepsNothing:
            return WriteControl(*standIn, value, obj, op, nullptr);
        case ControlKeeps:
            break;
        }
    }
    if (treatment == TreatBoolean)
        WriteBoolean(obj, control, value);
    else
        WriteChannels(obj, controls.line(), control, value, treatment);
    return 1;
}

}  // namespace

LONG WriteLineControl(DWORD lineId, LONG value, HMIXEROBJ obj, LONG op) {
    return WriteControl(lineId, value, obj, op, nullptr);
}

LONG WriteFoundLine(const FoundLine& line, LONG value, HMIXEROBJ obj, LONG op) {
    return WriteControl(line.lineId, value, obj, op, line.onEndpoint ? &line.destinationId : nullptr);
}

MIXER_EXPORT LONG WINAPI LocateControl(DWORD lineId, LONG value, HMIXER mixer, LONG op) {
    return WriteLineControl(lineId, value, reinterpret_cast<HMIXEROBJ>(mixer), op);
}
