// Cards and call-log helpers shared by the engine suites.
#pragma once

#include "engine/engine.h"
#include "fixture.h"

#include <string>
#include <vector>

// The typical card with a distinct volume on every line, so that a reading
// tells which line a search found: speakers source s reads 10000 + 1000 s,
// wave-in source s reads 20000 + 1000 s, the master 40000 and the recording
// destination 50000.
inline TypicalCard BuildDistinctCard() {
    TypicalCard card = BuildTypicalCard();
    LONG v = 10000;
    for (sim::Line& l : card.speakers->sources) l.Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->SetAll(v), v += 1000;
    v = 20000;
    for (sim::Line& l : card.wavein->sources) l.Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->SetAll(v), v += 1000;
    return card;
}

inline sim::Control* VolumeOf(sim::Line* line) { return line->Find(MIXERCONTROL_CONTROLTYPE_VOLUME); }
inline sim::Control* MuteOf(sim::Line* line) { return line->Find(MIXERCONTROL_CONTROLTYPE_MUTE); }

// The handle of the last successful mixerOpen in the log, 0 when none.
inline uintptr_t OpenedHandle() {
    uintptr_t h = 0;
    for (const sim::Call& c : sim::Log())
        if (c.fn == "mixerOpen" && c.result == MMSYSERR_NOERROR) h = c.id;
    return h;
}

// Successful mixerOpen calls minus mixerClose calls that released a handle.
inline int OpensLeftOver() {
    int n = 0;
    for (const sim::Call& c : sim::Log()) {
        if (c.fn == "mixerOpen" && c.result == MMSYSERR_NOERROR) ++n;
        if (c.fn == "mixerClose" && c.result == MMSYSERR_NOERROR) --n;
    }
    return n;
}

// Line identifiers of the by-identifier line requests: the lines handed to the
// control writer or reader.
inline std::vector<DWORD> LinesHandedOver() {
    std::vector<DWORD> ids;
    for (const sim::Call& c : sim::CallsOf("mixerGetLineInfoA"))
        if ((c.flags & MIXER_GETLINEINFOF_QUERYMASK) == MIXER_GETLINEINFOF_LINEID) ids.push_back(c.id);
    return ids;
}

// Reads and writes of control values, in order.
inline std::vector<sim::Call> DetailCalls() {
    std::vector<sim::Call> out;
    for (const sim::Call& c : sim::Log())
        if (c.fn == "mixerGetControlDetailsA" || c.fn == "mixerSetControlDetails") out.push_back(c);
    return out;
}

// An open handle to mixer device 0 for the direct LocateControl / QueryControl
// calls; the log starts empty after it.
inline HMIXER OpenDevice0() {
    HMIXER h = nullptr;
    EXPECT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
    sim::ClearLog();
    return h;
}
