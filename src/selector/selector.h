// Recording source selector: the cached source names, selecting a source in
// the wave-in line's list control, and inspecting that control. The exports
// ScanRecControls, SelectLine, IsMuxSingleSelect and GetMixerRecordChannels
// are declared in mixer.h (MIXER_FUNCTIONS_SELECTOR).
#pragma once

#include "core/exports.h"

// The kind of recording source a selection call means: mixer.h's codes.
enum RecSource {
    SrcLineIn = MIXER_SRC_LINEIN,
    SrcMic = MIXER_SRC_MIC,
    SrcCD = MIXER_SRC_CD,
    SrcAux = MIXER_SRC_AUX,
    SrcAnalog = MIXER_SRC_ANALOG,
    SrcDigital = MIXER_SRC_DIGITAL,
    SrcNamed = MIXER_SRC_NAMED,  // the name the caller passes
};

// The cached name of a kind of recording source (a field of g_state, read
// and written under the state lock); null for SrcNamed and unknown kinds.
char* RecNameSlot(LONG kind);
// The selection value of the source's item, -1 when not found or on failure.
LONG GetSelectLine(LONG kind, LPCSTR name);
