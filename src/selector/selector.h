// Recording source selector: the cached source names, selecting a source in
// the wave-in line's list control, and inspecting that control.
#pragma once

#include "core/exports.h"

// The kind of recording source a selection call means.
enum RecSource {
    SrcLineIn = 1,
    SrcMic = 2,
    SrcCD = 3,
    SrcAux = 4,
    SrcAnalog = 5,
    SrcDigital = 6,
    SrcNamed = 9,  // the name the caller passes
};

// The cached name of a kind of recording source (a field of g_state, read
// and written under the state lock); null for SrcNamed and unknown kinds.
char* RecNameSlot(LONG kind);
// Refreshes the six cached recording source names; always 0.
MIXER_EXPORT LONG WINAPI ScanRecControls(void);
// Selects (select == 1) or deselects the source; the open error or the close status.
MIXER_EXPORT LONG WINAPI SelectLine(LONG kind, LPCSTR name, LONG select);
// The selection value of the source's item, -1 when not found or on failure.
LONG GetSelectLine(LONG kind, LPCSTR name);
// 1 when the recording selector is single-select, else 0.
MIXER_EXPORT LONG WINAPI IsMuxSingleSelect(void);
// Product name and item texts, "|"-separated, into buffer; 0 or -1.
MIXER_EXPORT LONG WINAPI GetMixerRecordChannels(LPSTR buffer, DWORD limit);
