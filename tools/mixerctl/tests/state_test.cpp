// The state file: a card's values carried from one run to the next.
#include "ctl_fixture.h"

#include "common.h"

using namespace mixerctl;

namespace {

sim::Control& MasterVolume() { return sim::Devices()[0].destinations[0].controls[0]; }
sim::Control& Mux() { return *sim::Devices()[0].FindDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN)->Find(MIXERCONTROL_CONTROLTYPE_MUX); }

// As a later run starts: a fresh platform with the same card.
void NextRun() {
    sim::Reset();
    card::ClearLive();
    card::LoadText(card::DefaultCardText(), "default card");
}

}  // namespace

TEST_F(CtlTest, StateRoundTripCarriesEveryValue) {
    card::LoadText(card::DefaultCardText(), "default card");
    MasterVolume().SetValue(1234, 0);
    MasterVolume().SetValue(4321, 1);
    Mux().SetAll(0);
    Mux().SetValue(1, 0, 4);
    const std::vector<LONG> volume = MasterVolume().values, mux = Mux().values;
    card::SaveStateFile(Path("state.json"));

    NextRun();
    EXPECT_NE(MasterVolume().values, volume);
    EXPECT_TRUE(card::RestoreStateFile(Path("state.json")));
    EXPECT_EQ(MasterVolume().values, volume);
    EXPECT_EQ(Mux().values, mux);
    // And every other control as well: the whole state is the same again.
    EXPECT_EQ(card::CaptureState(), nlohmann::json::parse(Read("state.json")));
}

TEST_F(CtlTest, MissingStateFileIsTheFirstRun) {
    card::LoadText(card::DefaultCardText(), "default card");
    const nlohmann::json before = card::CaptureState();
    EXPECT_FALSE(card::RestoreStateFile(Path("none.json")));
    EXPECT_EQ(card::CaptureState(), before);
}

TEST_F(CtlTest, StateOfAnotherCardIsRefusedAndChangesNothing) {
    card::LoadText(R"({"devices": [{"name": "Other", "destinations": [{"name": "d", "type": "speakers",
        "controls": [{"type": "volume", "value": 9}]}]}]})",
                   "other");
    card::SaveStateFile(Path("other.json"));

    NextRun();
    const nlohmann::json before = card::CaptureState();
    EXPECT_THROW(card::RestoreStateFile(Path("other.json")), ToolError);
    EXPECT_EQ(card::CaptureState(), before);

    // Same card, but one control's values of another size: refused before
    // any control is changed.
    nlohmann::json state = card::CaptureState();
    state["devices"][0]["controls"][0]["values"] = {7, 7};  // the master volume: 2 values, fine
    state["devices"][0]["controls"][1]["values"] = {1, 1};  // the master mute holds 1
    try {
        card::RestoreState(state, "edited.json");
        ADD_FAILURE() << "accepted a mute with two values";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("edited.json"), std::string::npos);
    }
    EXPECT_EQ(card::CaptureState(), before);

    state = card::CaptureState();
    state["devices"][0]["controls"][0]["id"] = 999;
    EXPECT_THROW(card::RestoreState(state, "edited.json"), ToolError);
    Write("junk.json", "{not json");
    EXPECT_THROW(card::RestoreStateFile(Path("junk.json")), ToolError);
    Write("plain.json", R"({"devices": []})");
    EXPECT_THROW(card::RestoreStateFile(Path("plain.json")), ToolError);
    EXPECT_EQ(card::CaptureState(), before);
}
