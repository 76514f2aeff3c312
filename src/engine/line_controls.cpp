#include "engine/line_controls.h"

#include "core/state.h"

void PrepareLine(MIXERLINEA* line) {
    ClearRecord(line, sizeof *line);
    line->cbStruct = sizeof *line;
}

bool ControlIsOfType(const MIXERCONTROLA& control, DWORD type) { return control.dwControlType == type; }

FetchOutcome LineControls::Fetch(HMIXEROBJ obj, DWORD query, DWORD key, bool stopWhenEmpty, ControlTest test,
                                 DWORD arg) {
    PrepareLine(&line_);
    if (query == MIXER_GETLINEINFOF_LINEID)
        line_.dwLineID = key;
    else
        line_.dwComponentType = key;
    lineError_ = mixerGetLineInfoA(obj, &line_, query);
    if (lineError_ != MMSYSERR_NOERROR) return FetchLineFailed;
    if (line_.cControls == 0 && stopWhenEmpty) return FetchNoControls;
    if (!array_.Alloc(line_.cControls, sizeof(MIXERCONTROLA))) return FetchNoArray;

    MIXERLINECONTROLSA request;
    request.cbStruct = sizeof request;
    request.dwLineID = line_.dwLineID;
    request.dwControlID = 0;
    request.cControls = line_.cControls;
    request.cbmxctrl = sizeof(MIXERCONTROLA);
    request.pamxctrl = array_.as<MIXERCONTROLA>();
    if (mixerGetLineControlsA(obj, &request, MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR)
        return FetchListFailed;
    if (test == nullptr) return FetchNoKind;
    for (DWORD i = 0; i < line_.cControls; ++i) {
        const MIXERCONTROLA& c = array_.as<MIXERCONTROLA>()[i];
        if (test(c, arg)) {
            control_ = &c;
            return FetchFound;
        }
    }
    return FetchNoKind;
}

bool DetailsBuffer::Alloc(DWORD channels, DWORD items, size_t size) {
    // The element count is formed in 32 bits on every build, as the DLL forms
    // it: a product that wraps is refused before it is formed.
    if (items != 0 && channels > 0xFFFFFFFFu / items) return false;
    const DWORD count = channels * items;
    if (!block_.Alloc(count, size)) return false;
    ptr_ = block_.get();
    return true;
}

bool DetailsBuffer::AllocValues(DWORD items) {
    if (items > 1) return Alloc(1, items, sizeof(LONG));
    single_ = 0;
    ptr_ = &single_;
    return true;
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
