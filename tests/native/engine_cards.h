// Cards and call-log helpers shared by the engine suites.
#pragma once

#include "engine/engine.h"
#include "fixture.h"
#include "test_cards.h"

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

// tests/cards/lone.json: a speakers destination with one line-in source of
// `channels` channels holding `controls` (control objects of the card
// format); a test may add controls the format cannot state.
inline sim::Line& LoneSource(DWORD channels = 2, const nlohmann::json& controls = nlohmann::json::array()) {
    nlohmann::json card = TestCard("lone");
    nlohmann::json& source = card["devices"][0]["destinations"][0]["sources"][0];
    source["channels"] = channels;
    source["controls"] = controls;
    sim::LoadCard(card, "lone.json");
    return sim::Devices().back().destinations[0].sources[0];
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

// Reads the control of kind `op` on the line `lineId` of the mixer `object`
// names, as the getters read a line they found.
inline LONG QueryControl(DWORD lineId, LONG, HMIXEROBJ object, LONG op) {
    FoundLine line;
    line.lineId = lineId;
    return ReadControl(line, object, op);
}

// After a direct LocateControl or QueryControl call: the caller's handle `h`
// is still open and nothing else is held. Closes it.
inline void ExpectOnlyTheCallersHandle(HMIXER h, const std::string& what) {
    EXPECT_EQ(sim::CountOf("mixerClose"), 0u) << what << ": the caller's handle stays open";
    EXPECT_EQ(sim::ProcessHeapBlocks(), 0) << what;
    EXPECT_EQ(sim::LocalBlocks(), 0) << what;
    EXPECT_EQ(mixerClose(h), MMSYSERR_NOERROR) << what;
}

// An open handle to mixer device 0 for the direct LocateControl / QueryControl
// calls; the log starts empty after it.
inline HMIXER OpenDevice0() {
    HMIXER h = nullptr;
    EXPECT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
    sim::ClearLog();
    return h;
}

// One direct call on the caller's handle: a fresh platform, the line
// `build` makes, device 0 opened by the caller; `call` gets the line and the
// handle and checks its result and requests (faults it set are cleared
// before the checks of what stays held). Only the caller's handle is left.
template <typename Build, typename Call>
void OnCallersHandle(Build build, const std::string& what, Call call) {
    sim::Reset();
    const DWORD line = build();
    HMIXER h = OpenDevice0();
    call(line, h);
    sim::ClearFaults();
    ExpectOnlyTheCallersHandle(h, what);
}
