// Recording source name cache: the long names under which mixer device 0
// reports the wave-in destination's sources, one slot per kind of source.
#include "core/holders.h"
#include "core/trace.h"
#include "core/line_table.h"
#include "core/state.h"
#include "engine/engine.h"
#include "selector/selector.h"

namespace {

// The slots, each of the line a selection names by its kind (the per-line
// table gives the kind and the component type the wave-in destination
// reports the line under).
struct SourceSlot {
    LineId line;
    char* slot;
};

const SourceSlot kSourceSlots[] = {
    {LineLineIn, g_state.RecLineInName}, {LineMic, g_state.RecMicName},       {LineCD, g_state.RecCDName},
    {LineAux, g_state.RecAuxName},       {LineAnalog, g_state.RecAnalogName}, {LineDigital, g_state.RecDigitalName},
};

// Keeps a source's name in its kind's slot; the walk goes on.
bool CacheName(MIXERLINEA* line, void*) {
    const SourceSlot* found = kSourceSlots;
    const SourceSlot* end = kSourceSlots + sizeof kSourceSlots / sizeof kSourceSlots[0];
    while (found != end && LineOf(found->line).componentType != line->dwComponentType) ++found;
    if (found == end) return false;  // a type without a slot (wave-out, for one)
    line->szName[MIXER_LONG_NAME_CHARS - 1] = '\0';  // a long name is at most 63 characters
    StateLock lock;
    CopyField(found->slot, line->szName);
    return false;
}

}  // namespace

char* RecNameSlot(LONG kind) {
    for (const SourceSlot& s : kSourceSlots)
        if (LineOf(s.line).recSource == kind) return s.slot;
    return nullptr;
}

// A walk that fails part way keeps the names it read before the failure.
MIXER_EXPORT LONG WINAPI ScanRecControls(void) {
    ExportCall call("ScanRecControls()");
    MixerDevice device;
    WalkLines(device, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, false, CacheName, nullptr);
    return call.Returns(0);
}

