// Recording source name cache: the long names under which mixer device 0
// reports the wave-in destination's sources, one slot per kind of source.
#include "core/holders.h"
#include "core/state.h"
#include "engine/engine.h"
#include "selector/selector.h"

namespace {

// The slots, each with the kind of source a selection names it by and the
// component type the wave-in destination reports it under.
struct SourceSlot {
    LONG kind;
    DWORD componentType;
    char* slot;
};

const SourceSlot kSourceSlots[] = {
    {SrcLineIn, MIXERLINE_COMPONENTTYPE_SRC_LINE, g_state.RecLineInName},
    {SrcMic, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, g_state.RecMicName},
    {SrcCD, MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, g_state.RecCDName},
    {SrcAux, MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, g_state.RecAuxName},
    {SrcAnalog, MIXERLINE_COMPONENTTYPE_SRC_ANALOG, g_state.RecAnalogName},
    {SrcDigital, MIXERLINE_COMPONENTTYPE_SRC_DIGITAL, g_state.RecDigitalName},
};

// Keeps a source's name in its kind's slot; the walk goes on.
bool CacheName(MIXERLINEA* line, void*) {
    const SourceSlot* found = kSourceSlots;
    const SourceSlot* end = kSourceSlots + sizeof kSourceSlots / sizeof kSourceSlots[0];
    while (found != end && found->componentType != line->dwComponentType) ++found;
    if (found == end) return false;  // a type without a slot (wave-out, for one)
    line->szName[MIXER_LONG_NAME_CHARS - 1] = '\0';  // a long name is at most 63 characters
    StateLock lock;
    CopyField(found->slot, line->szName);
    return false;
}

}  // namespace

char* RecNameSlot(LONG kind) {
    for (const SourceSlot& s : kSourceSlots)
        if (s.kind == kind) return s.slot;
    return nullptr;
}

// A walk that fails part way keeps the names it read before the failure.
MIXER_EXPORT LONG WINAPI ScanRecControls(void) {
    MixerDevice device;
    WalkLines(device, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, false, CacheName, nullptr);
    return 0;
}
