// Recording source name cache.
#include "fixture.h"
#include "selector/selector.h"
#include "sim_card.h"

#include <string>

namespace {

class ScanTest : public SimTest {};

struct Slot {
    const char* label;
    const char* state;
};

std::vector<Slot> Slots() {
    return {{"line-in", g_state.RecLineInName}, {"mic", g_state.RecMicName},
            {"cd", g_state.RecCDName},          {"aux", g_state.RecAuxName},
            {"analog", g_state.RecAnalogName},  {"digital", g_state.RecDigitalName}};
}

TEST_F(ScanTest, SlotsTakeTheWaveInSourcesLongNames) {
    const std::string longName(63, 'C');
    // A wave-in destination without connections between two with sources.
    sim::LoadCardText(R"({"devices": [{"name": "Card", "destinations": [
        {"name": "Speakers", "type": "speakers",
         "sources": [{"name": "Play Analog", "type": "analog"}, {"name": "Play Aux", "type": "aux"}]},
        {"name": "Rec", "type": "wavein",
         "sources": [{"name": "First Line", "type": "linein"}, {"name": "Mic A", "type": "mic"},
                     {"name": "Rec Wave", "type": "wave"}, {"name": "Mic B", "type": "mic"},
                     {"name": ")" + longName + R"(", "shortName": "CD", "type": "cd"}]},
        {"name": "Empty Rec", "type": "wavein"},
        {"name": "Second Rec", "type": "wavein",
         "sources": [{"name": "Later Line", "type": "linein"}, {"name": "SPDIF", "type": "digital"}]}]}]})",
                      "four destinations");
    CopyField(g_state.RecAuxName, "Earlier Aux");

    const std::string want[] = {"Later Line", "Mic B", longName, "Earlier Aux", "", "SPDIF"};
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(ScanRecControls(), 0);
        std::vector<Slot> slots = Slots();
        for (size_t i = 0; i < slots.size(); ++i) EXPECT_EQ(slots[i].state, want[i]) << slots[i].label;
        ExpectNothingHeld();
    }
    // Every destination was examined, each with one query of its own.
    EXPECT_EQ(sim::CallsOf("mixerGetLineInfoA").size(), 2u * (4 + 5 + 2));
    for (const sim::Call& c : sim::CallsOf("mixerGetLineInfoA")) {
        EXPECT_EQ(c.cbStruct, sizeof(MIXERLINEA));
        EXPECT_TRUE(c.flags == MIXER_GETLINEINFOF_DESTINATION || c.flags == MIXER_GETLINEINFOF_SOURCE);
    }
}

TEST_F(ScanTest, NothingToScan) {
    CopyField(g_state.RecMicName, "Kept");
    EXPECT_EQ(ScanRecControls(), 0);  // no device
    EXPECT_EQ(sim::CountOf("mixerOpen"), 0u);

    sim::LoadCardText(R"({"devices": [{"name": "Card", "destinations": [{"name": "Rec", "type": "wavein"},
        {"name": "Speakers", "type": "speakers", "sources": [{"name": "Play Mic", "type": "mic"}]}]}]})",
                      "no wave-in sources");
    EXPECT_EQ(ScanRecControls(), 0);
    EXPECT_STREQ(g_state.RecMicName, "Kept");
    EXPECT_EQ(sim::CountOf("mixerClose"), 1u);
    ExpectNothingHeld();
}

TEST_F(ScanTest, FailureKeepsWhatWasReadBefore) {
    // A failing second source query: the first source's slot is written, the
    // others keep their names.
    BuildTypicalCard();
    CopyField(g_state.RecMicName, "Old Mic");
    sim::FailFunction("mixerGetLineInfoA", MMSYSERR_ERROR, 2 + 2);  // two destinations, then sources 0 and 1
    EXPECT_EQ(ScanRecControls(), 0);
    EXPECT_STREQ(g_state.RecLineInName, "Line In");
    EXPECT_STREQ(g_state.RecMicName, "Old Mic");
    EXPECT_STREQ(g_state.RecCDName, "");
    ExpectNothingHeld();
}

TEST_F(ScanTest, EveryPlatformFailure) {
    // The typical card's six wave-in sources each have a slot: after a failure
    // exactly the sources read before it are in their slots.
    int runs = ForEachPlatformFault([] { BuildTypicalCard(); }, [] { return ScanRecControls(); },
                                    [](size_t n, const sim::Call&, LONG result) {
                                        EXPECT_EQ(result, 0);
                                        size_t read = 0;
                                        for (const sim::Call& c : sim::Log())
                                            if (c.fn == "mixerGetLineInfoA" && c.flags == MIXER_GETLINEINFOF_SOURCE &&
                                                c.result == MMSYSERR_NOERROR)
                                                ++read;
                                        size_t filled = 0;
                                        for (const Slot& s : Slots()) filled += s.state[0] != '\0';
                                        EXPECT_EQ(filled, read) << "failing call " << n;
                                    });
    EXPECT_EQ(runs, 1 + 1 + 1 + 2 + 6);
}

}  // namespace
