// Selector inspection: whether the recording selector is single-select, and a
// listing of the mixer's product name and the selector's item texts.
#include "core/state.h"
#include "core/trace.h"
#include "selector/rec_selector.h"
#include "selector/selector.h"

namespace {

// Appends `text` at buffer[length] with a "|" after it; the new length.
DWORD AppendField(LPSTR buffer, DWORD length, const char* text) {
    for (const char* p = text; *p != '\0'; ++p) buffer[length++] = *p;
    buffer[length++] = '|';
    buffer[length] = '\0';
    return length;
}

}  // namespace

MIXER_EXPORT LONG WINAPI IsMuxSingleSelect(void) {
    ExportCall call("IsMuxSingleSelect()");
    MixerDevice device;
    RecSelector selector;
    MMRESULT openError = MMSYSERR_NOERROR;
    if (FindRecSelector(device, &selector, &openError) != SelectorFound) return call.Returns(0);
    return call.Returns(selector.singleSelect ? 1 : 0);
}

// The buffer holds at least limit + 1 bytes and never fewer than 33: the
// product name and its separator go in whatever the limit; an item goes in
// only when the text so far (L) and the item's text (T) stay below the limit,
// L + T < limit, so the listing ends at most at position limit. An item that
// does not fit is skipped and a later, shorter one may still go in.
MIXER_EXPORT LONG WINAPI GetMixerRecordChannels(LPSTR buffer, DWORD limit) {
    ExportCall call("GetMixerRecordChannels(0x%x, %u)", req::H(buffer), limit);
    if (buffer == nullptr) return call.Returns(-1);
    buffer[0] = '\0';
    ScanRecControls();

    MixerDevice device;
    RecSelector selector;
    SelectorContents contents;
    MMRESULT openError = MMSYSERR_NOERROR;
    switch (FindRecSelector(device, &selector, &openError)) {
    case SelectorNoDevice:
    case SelectorFailed:
        return call.Returns(-1);
    case SelectorNone:
        return call.Returns(0);
    case SelectorFound:
        break;
    }
    // The values are read as the selection operations read them, and not used.
    if (!ReadRecSelector(device, selector, &contents)) return call.Returns(-1);

    MIXERCAPSA caps;
    if (req::mixerGetDevCapsA(0, &caps, sizeof caps) != MMSYSERR_NOERROR) return call.Returns(0);
    caps.szPname[MAXPNAMELEN - 1] = '\0';
    DWORD length = AppendField(buffer, 0, caps.szPname);
    for (DWORD i = 0; i < contents.walkItems; ++i) {
        const char* text = ItemText(contents, i);
        if (length + static_cast<DWORD>(StrLen(text)) < limit) length = AppendField(buffer, length, text);
    }
    return call.Returns(0);
}

