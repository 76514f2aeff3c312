#include "selector/rec_selector.h"

namespace {

bool IsListClass(const MIXERCONTROLA& control, DWORD) {
    return (control.dwControlType & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST;
}

MIXERCONTROLDETAILS_LISTTEXTA* Texts(const SelectorContents& contents) {
    return static_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(contents.texts.get());
}

MIXERCONTROLDETAILS_BOOLEAN* Values(const SelectorContents& contents) {
    return static_cast<MIXERCONTROLDETAILS_BOOLEAN*>(contents.values.get());
}

}  // namespace

SelectorOutcome FindRecSelector(MixerDevice& device, RecSelector* selector, MMRESULT* openError) {
    *openError = device.Open();
    if (*openError != MMSYSERR_NOERROR) return SelectorNoDevice;

    // A wave-in line without controls is asked for its controls like any
    // other; the platform refuses a request for none.
    LineControls& wavein = selector->wavein;
    switch (wavein.Fetch(device.obj(), MIXER_GETLINEINFOF_COMPONENTTYPE, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, false,
                         IsListClass, 0)) {
    case FetchFound:
        break;
    case FetchNoKind:
        return SelectorNone;
    default:
        return SelectorFailed;
    }
    const MIXERCONTROLA& found = wavein.control();
    const DWORD type = found.dwControlType;
    selector->singleSelect = type >= MIXERCONTROL_CONTROLTYPE_SINGLESELECT && type <= MIXERCONTROL_CONTROLTYPE_MUX;
    selector->channels = (found.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : wavein.line().cChannels;
    selector->items = (found.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? found.cMultipleItems : 1;
    return SelectorFound;
}

bool ReadRecSelector(const MixerDevice& device, const RecSelector& selector, SelectorContents* contents) {
    const DWORD channels = selector.channels;
    const DWORD items = selector.items;
    contents->walkItems = channels != 0 ? items : 0;
    const DWORD elements = channels * items;  // fits once the texts' buffer is had
    MIXERCONTROLDETAILS& request = contents->request;

    // A driver's item count is not trusted: the buffer checks it.
    if (!contents->texts.Alloc(channels, items, sizeof(MIXERCONTROLDETAILS_LISTTEXTA))) return false;
    PrepareDetails(&request, selector.wavein.control().dwControlID, channels, items,
                   sizeof(MIXERCONTROLDETAILS_LISTTEXTA), contents->texts.get());
    if (req::mixerGetControlDetailsA(device.obj(), &request, MIXER_GETCONTROLDETAILSF_LISTTEXT) != MMSYSERR_NOERROR)
        return false;
    // Texts are compared and copied as strings: keep every one inside its record.
    for (DWORD i = 0; i < elements; ++i) Texts(*contents)[i].szName[MIXER_LONG_NAME_CHARS - 1] = '\0';

    if (!contents->values.Alloc(channels, items, sizeof(MIXERCONTROLDETAILS_BOOLEAN))) return false;
    request.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
    request.paDetails = contents->values.get();
    return req::mixerGetControlDetailsA(device.obj(), &request, MIXER_GETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

const char* ItemText(const SelectorContents& contents, DWORD item) { return Texts(contents)[item].szName; }

LONG ItemValue(const SelectorContents& contents, const RecSelector& selector, DWORD item) {
    return Values(contents)[(selector.channels - 1) * selector.items + item].fValue;
}

void SetItemValue(SelectorContents* contents, const RecSelector& selector, DWORD item, LONG value) {
    for (DWORD ch = 0; ch < selector.channels; ++ch) Values(*contents)[ch * selector.items + item].fValue = value;
}
