// Recording source name cache: the long names under which mixer device 0
// reports the wave-in destination's sources, one slot per kind of source.
#include "core/holders.h"
#include "core/state.h"
#include "engine/engine.h"
#include "selector/selector.h"

namespace {

// The slot of a source component type, or null for a type without one.
char* SlotOf(DWORD componentType) {
    switch (componentType) {
    case MIXERLINE_COMPONENTTYPE_SRC_LINE:
        return g_state.RecLineInName;
    case MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE:
        return g_state.RecMicName;
    case MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC:
        return g_state.RecCDName;
    case MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY:
        return g_state.RecAuxName;
    case MIXERLINE_COMPONENTTYPE_SRC_ANALOG:
        return g_state.RecAnalogName;
    case MIXERLINE_COMPONENTTYPE_SRC_DIGITAL:
        return g_state.RecDigitalName;
    default:
        return nullptr;
    }
}

// Keeps a source's name in its kind's slot; the walk goes on.
bool CacheName(MIXERLINEA* line, void*) {
    char* slot = SlotOf(line->dwComponentType);
    if (slot == nullptr) return false;
    line->szName[MIXER_LONG_NAME_CHARS - 1] = '\0';  // a long name is at most 63 characters
    StateLock lock;
    CopyField(slot, line->szName);
    return false;
}

}  // namespace

// A walk that fails part way keeps the names it read before the failure.
MIXER_EXPORT LONG WINAPI ScanRecControls(void) {
    MixerDevice device;
    WalkLines(device, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, false, CacheName, nullptr);
    return 0;
}
