#include "engine/line_controls.h"

#include "core/state.h"

FetchOutcome LineControls::Fetch(HMIXEROBJ obj, DWORD lineId, DWORD controlType) {
    ClearRecord(&line_, sizeof line_);
    line_.cbStruct = sizeof line_;
    line_.dwLineID = lineId;
    lineError_ = mixerGetLineInfoA(obj, &line_, MIXER_GETLINEINFOF_LINEID);
    if (lineError_ != MMSYSERR_NOERROR) return FetchLineFailed;
    if (line_.cControls == 0) return FetchNoControls;
    if (!array_.Alloc(line_.cControls, sizeof(MIXERCONTROLA))) return FetchNoArray;

    MIXERLINECONTROLSA request;
    request.cbStruct = sizeof request;
    request.dwLineID = lineId;
    request.dwControlID = 0;
    request.cControls = line_.cControls;
    request.cbmxctrl = sizeof(MIXERCONTROLA);
    request.pamxctrl = array_.as<MIXERCONTROLA>();
    if (mixerGetLineControlsA(obj, &request, MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR)
        return FetchListFailed;
    if (controlType == 0) return FetchNoKind;
    for (DWORD i = 0; i < line_.cControls; ++i) {
        const MIXERCONTROLA& c = array_.as<MIXERCONTROLA>()[i];
        if (c.dwControlType == controlType) {
            control_ = &c;
            return FetchFound;
        }
    }
    return FetchNoKind;
}

void PrepareDetails(MIXERCONTROLDETAILS* details, DWORD controlId, DWORD channels, DWORD items, DWORD cbDetails,
                    void* buffer) {
    ClearRecord(details, sizeof *details);
    details->cbStruct = sizeof *details;
    details->dwControlID = controlId;
    details->cChannels = channels;
    details->cMultipleItems = items;
    details->cbDetails = cbDetails;
    details->paDetails = buffer;
}
