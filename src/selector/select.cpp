// Recording selector access: selecting or deselecting one source, and reading
// whether it is selected. A source is the selector item whose text equals the
// kind's match name.
#include "core/state.h"
#include "core/trace.h"
#include "engine/line_search.h"
#include "selector/rec_selector.h"
#include "selector/selector.h"

namespace {

// The name a kind is matched by: a cached slot's, copied into `buffer`
// (MIXER_NAME_CHARS bytes) under the state lock, as scans on other threads
// write the slots; for SrcNamed the caller's own name, used in place (an item
// text has at most 63 characters, so a name longer than 255 matches nothing,
// cut to 255 or not, and a comparison reads no further into it than 64
// characters). Null when the kind has no name: a kind outside the table, or
// SrcNamed with a null name. Such a call matches no item at all, not even one
// whose text is empty, so it does what a call for a source that is not there
// does. (An empty cached slot is a name, the empty one, compared like any
// other.)
const char* MatchName(LONG kind, LPCSTR name, char* buffer) {
    if (kind == SrcNamed) return name;
    const char* slot = RecNameSlot(kind);
    if (slot == nullptr) return nullptr;
    CopyStateField(buffer, slot);
    return buffer;
}

// Sets the items whose text is `match` (none when it is null) to `value` on
// the recording selector; false when device 0 could not be opened
// (*openError says why). Every item with an equal text is treated alike;
// other items are cleared on a single-select selector and kept as read on a
// multiple-select one. A refused write is not reported (nor retried).
bool WriteSelection(MixerDevice& device, const char* match, LONG value, MMRESULT* openError) {
    RecSelector selector;
    SelectorContents contents;
    const SelectorOutcome found = FindRecSelector(device, &selector, openError);
    if (found == SelectorNoDevice) return false;
    if (found == SelectorFound && ReadRecSelector(device, selector, &contents)) {
        for (DWORD i = 0; i < contents.walkItems; ++i) {
            if (match != nullptr && line_search::SameText(ItemText(contents, i), match))
                SetItemValue(&contents, selector, i, value);
            else if (selector.singleSelect)
                SetItemValue(&contents, selector, i, 0);
        }
        req::mixerSetControlDetails(device.obj(), &contents.request, MIXER_SETCONTROLDETAILSF_VALUE);
    }
    return true;
}

}  // namespace

MIXER_EXPORT LONG WINAPI SelectLine(LONG kind, LPCSTR name, LONG select) {
    ExportCall call("SelectLine(%d, \"%.255s\", %d)", kind, kind == SrcNamed ? req::S(name) : "", select);
    // A source by name without a name: nothing to select, and a single-select
    // selector must not lose its selection to it.
    if (kind == SrcNamed && name == nullptr) return call.Returns(0);
    ScanRecControls();
    char slot[MIXER_NAME_CHARS];
    const char* match = MatchName(kind, name, slot);
    const LONG value = select == 1 ? 1 : 0;

    MixerDevice device;
    MMRESULT openError = MMSYSERR_NOERROR;
    // The arrays go (with the function's return) before the device is closed.
    if (!WriteSelection(device, match, value, &openError)) return call.Returns(static_cast<LONG>(openError));
    return call.Returns(static_cast<LONG>(device.Close()));
}

LONG GetSelectLine(LONG kind, LPCSTR name) {
    ScanRecControls();
    char slot[MIXER_NAME_CHARS];
    const char* match = MatchName(kind, name, slot);
    const bool named = match != nullptr;

    MixerDevice device;
    RecSelector selector;
    SelectorContents contents;
    MMRESULT openError = MMSYSERR_NOERROR;
    if (FindRecSelector(device, &selector, &openError) != SelectorFound) return -1;
    if (!ReadRecSelector(device, selector, &contents) || !named) return -1;
    for (DWORD i = 0; i < contents.walkItems; ++i)
        if (line_search::SameText(ItemText(contents, i), match)) return ItemValue(contents, selector, i);
    return -1;
}
