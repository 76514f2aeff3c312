// Reading a line and all of its controls, and taking the first control of a
// kind: the common first half of the control writer and reader.
#pragma once

#include "core/holders.h"

enum FetchOutcome {
    FetchLineFailed,  // the line cannot be read by its identifier
    FetchNoControls,  // the line has no controls
    FetchNoArray,     // the control array cannot be obtained
    FetchListFailed,  // the controls cannot be fetched
    FetchNoKind,      // no control of the kind (or no kind asked for)
    FetchFound,
};

class LineControls {
public:
    // `mixer` names the device as the requests' object (flags MIXER_OBJECTF_MIXER).
    FetchOutcome Fetch(HMIXEROBJ mixer, DWORD lineId, DWORD controlType);
    MMRESULT lineError() const { return lineError_; }
    const MIXERLINEA& line() const { return line_; }
    const MIXERCONTROLA& control() const { return *control_; }

private:
    MIXERLINEA line_;
    ProcessHeapBlock array_;
    const MIXERCONTROLA* control_ = nullptr;
    MMRESULT lineError_ = MMSYSERR_NOERROR;
};

// A details request for one control, buffer not yet attached.
void PrepareDetails(MIXERCONTROLDETAILS* details, DWORD controlId, DWORD channels, DWORD items, DWORD cbDetails,
                    void* buffer);
