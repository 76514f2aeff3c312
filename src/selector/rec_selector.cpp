#include "selector/rec_selector.h"

#include "core/state.h"

namespace {

bool IsListClass(DWORD controlType) {
    return (controlType & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST;
}

MIXERCONTROLDETAILS_LISTTEXTA* Texts(const SelectorContents& contents) {
    return contents.texts.as<MIXERCONTROLDETAILS_LISTTEXTA>();
}

MIXERCONTROLDETAILS_BOOLEAN* Values(const SelectorContents& contents) {
    return contents.values.as<MIXERCONTROLDETAILS_BOOLEAN>();
}

}  // namespace

SelectorOutcome FindRecSelector(MixerDevice& device, RecSelector* selector, MMRESULT* openError) {
    *openError = device.Open();
    if (*openError != MMSYSERR_NOERROR) return SelectorNoDevice;

    MIXERLINEA& line = selector->line;
    ClearRecord(&line, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return SelectorFailed;
    if (!selector->controls.Alloc(line.cControls, sizeof(MIXERCONTROLA))) return SelectorFailed;

    MIXERLINECONTROLSA request;
    ClearRecord(&request, sizeof request);
    request.cbStruct = sizeof request;
    request.dwLineID = line.dwLineID;
    request.dwControlID = 0;
    request.cControls = line.cControls;
    request.cbmxctrl = sizeof(MIXERCONTROLA);
    request.pamxctrl = selector->controls.as<MIXERCONTROLA>();
    if (mixerGetLineControlsA(device.obj(), &request, MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR)
        return SelectorFailed;

    const MIXERCONTROLA* found = nullptr;
    for (DWORD i = 0; i < line.cControls && found == nullptr; ++i) {
        const MIXERCONTROLA& c = selector->controls.as<MIXERCONTROLA>()[i];
        if (IsListClass(c.dwControlType)) found = &c;
    }
    if (found == nullptr) return SelectorNone;

    selector->control = *found;
    const DWORD type = found->dwControlType;
    selector->singleSelect = type >= MIXERCONTROL_CONTROLTYPE_SINGLESELECT && type <= MIXERCONTROL_CONTROLTYPE_MUX;
    selector->channels = (found->fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.cChannels;
    selector->items = (found->fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? found->cMultipleItems : 1;
    return SelectorFound;
}

bool ReadRecSelector(const MixerDevice& device, const RecSelector& selector, SelectorContents* contents) {
    const DWORD channels = selector.channels;
    const DWORD items = selector.items;
    // A driver's item count is not trusted: the element count must fit.
    if (items != 0 && channels > 0xFFFFFFFFu / items) return false;
    const DWORD elements = channels * items;
    contents->walkItems = channels != 0 ? items : 0;

    MIXERCONTROLDETAILS& request = contents->request;
    ClearRecord(&request, sizeof request);
    request.cbStruct = sizeof request;
    request.dwControlID = selector.control.dwControlID;
    request.cChannels = channels;
    request.cMultipleItems = items;

    if (!contents->texts.Alloc(elements, sizeof(MIXERCONTROLDETAILS_LISTTEXTA))) return false;
    request.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXTA);
    request.paDetails = contents->texts.get();
    if (mixerGetControlDetailsA(device.obj(), &request, MIXER_GETCONTROLDETAILSF_LISTTEXT) != MMSYSERR_NOERROR)
        return false;
    // Texts are compared and copied as strings: keep every one inside its record.
    for (DWORD i = 0; i < elements; ++i) Texts(*contents)[i].szName[MIXER_LONG_NAME_CHARS - 1] = '\0';

    if (!contents->values.Alloc(elements, sizeof(MIXERCONTROLDETAILS_BOOLEAN))) return false;
    request.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
    request.paDetails = contents->values.get();
    return mixerGetControlDetailsA(device.obj(), &request, MIXER_GETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

const char* ItemText(const SelectorContents& contents, DWORD item) { return Texts(contents)[item].szName; }

LONG ItemValue(const SelectorContents& contents, const RecSelector& selector, DWORD item) {
    return Values(contents)[(selector.channels - 1) * selector.items + item].fValue;
}

void SetItemValue(SelectorContents* contents, const RecSelector& selector, DWORD item, LONG value) {
    for (DWORD ch = 0; ch < selector.channels; ++ch) Values(*contents)[ch * selector.items + item].fValue = value;
}
