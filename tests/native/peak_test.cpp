// Peak meter: GetPeak's magnitude, its failures, and the requests it makes.
#include "engine_cards.h"
#include "short_names.h"

#include <climits>

namespace {

class PeakTest : public SimTest {};

// The typical card with a peak meter on the wave-in destination and on the
// line-in source under the speakers destination.
struct PeakCard {
    sim::Control* recording;
    sim::Control* lineIn;
};

PeakCard BuildPeakCard() {
    nlohmann::json card = TestCard("typical");
    nlohmann::json& destinations = card["devices"][0]["destinations"];
    destinations[1]["controls"].push_back({{"type", "peakmeter"}, {"flags", {"uniform"}}});
    destinations[0]["sources"][0]["controls"].push_back({{"type", "peakmeter"}});
    sim::LoadCard(card, "typical.json with peak meters");
    sim::Device& device = sim::Devices().back();
    return {device.FindDestination(kWaveIn)->Find(kPeak), device.FindDestination(kSpeakers)->FindSource(kLine)->Find(kPeak)};
}

TEST_F(PeakTest, ReportsTheMagnitudeOfTheReading) {
    PeakCard card = BuildPeakCard();
    struct Case {
        LONG reading, want;
    } cases[] = {{-120, 120}, {120, 120}, {0, 0},        {-1, 1},
                 {-32768, 32768}, {INT_MAX, INT_MAX}, {-INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}};
    for (const Case& c : cases) {
        card.recording->SetAll(c.reading);
        EXPECT_EQ(GetPeak(kWaveIn), c.want) << c.reading;
    }
    // A source type: the platform finds the first line of that type.
    card.lineIn->SetAll(-900);
    EXPECT_EQ(GetPeak(kLine), 900);
    ExpectNothingHeld();
    EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u) << "a peak meter is never written";
}

TEST_F(PeakTest, FailuresReadAsSilence) {
    struct Case {
        const char* what;
        bool card;
        DWORD type;
        DWORD failedCall;  // 0: none injected
    } cases[] = {
        {"no mixer device", false, kWaveIn, 0},
        {"no line of the type", true, MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, 0},
        {"line without a peak meter", true, kSpeakers, 0},
        {"line without a peak meter, source", true, MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, 0},
        {"open fails", true, kWaveIn, 1},
        {"line request fails", true, kWaveIn, 2},
        {"control request fails", true, kWaveIn, 3},
        {"value read fails", true, kWaveIn, 4},
    };
    for (const Case& c : cases) {
        sim::Reset();
        if (c.card) BuildPeakCard().recording->SetAll(-500);
        if (c.failedCall) sim::FailNthCall(static_cast<int>(c.failedCall), MMSYSERR_ERROR);
        EXPECT_EQ(GetPeak(c.type), 0) << c.what;
        sim::ClearFaults();
        EXPECT_EQ(OpensLeftOver(), 0) << c.what;
        ExpectNothingHeld();
    }
}

TEST_F(PeakTest, RepeatedCallsLeaveNoHandleOpen) {
    BuildPeakCard();
    for (int i = 0; i < 50; ++i) EXPECT_EQ(GetPeak(kSpeakers), 0);
    EXPECT_EQ(sim::CountOf("mixerOpen"), 50u);
    EXPECT_EQ(sim::CountOf("mixerClose"), 50u);
    EXPECT_EQ(sim::OpenMixerHandles(), 0);
}

TEST_F(PeakTest, Requests) {
    // No device count; device 0 opened plainly; the platform finds the line
    // by type and its meter by type; one one-channel read; closed last. The
    // requests name device 0 by its identifier, the close the handle.
    PeakCard card = BuildPeakCard();
    card.recording->SetAll(-77);
    ASSERT_EQ(GetPeak(kWaveIn), 77);
    const std::vector<sim::Call>& log = sim::Log();
    ASSERT_EQ(log.size(), 5u);
    const uintptr_t h = OpenedHandle();
    EXPECT_EQ(log[0].fn, "mixerOpen");
    EXPECT_EQ(log[0].object, 0u);
    EXPECT_EQ(log[0].flags, 0u);
    EXPECT_EQ(log[0].count, 0u);

    EXPECT_EQ(log[1].fn, "mixerGetLineInfoA");
    EXPECT_EQ(log[1].flags, MIXER_GETLINEINFOF_COMPONENTTYPE);
    EXPECT_EQ(log[1].source, kWaveIn);
    EXPECT_EQ(log[1].cbStruct, sizeof(MIXERLINEA));

    EXPECT_EQ(log[2].fn, "mixerGetLineControlsA");
    EXPECT_EQ(log[2].flags, MIXER_GETLINECONTROLSF_ONEBYTYPE);
    EXPECT_EQ(log[2].id, sim::Devices()[0].FindDestination(kWaveIn)->id);
    EXPECT_EQ(log[2].source, kPeak);
    EXPECT_EQ(log[2].count, 1u);
    EXPECT_EQ(log[2].cbStruct, sizeof(MIXERLINECONTROLSA));
    EXPECT_EQ(log[2].cbDetails, sizeof(MIXERCONTROLA));

    EXPECT_EQ(log[3].fn, "mixerGetControlDetailsA");
    EXPECT_EQ(log[3].flags, MIXER_GETCONTROLDETAILSF_VALUE);
    EXPECT_EQ(log[3].id, card.recording->id);
    EXPECT_EQ(log[3].cChannels, 1u);
    EXPECT_EQ(log[3].cMultipleItems, 0u);
    EXPECT_EQ(log[3].cbDetails, 4u);
    EXPECT_EQ(log[3].cbStruct, sizeof(MIXERCONTROLDETAILS));

    EXPECT_EQ(log[4].fn, "mixerClose");
    EXPECT_EQ(log[4].object, h);
    ASSERT_NE(h, 0u);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(log[i].object, 0u) << log[i].fn;
        EXPECT_EQ(log[i].flags & MIXER_OBJECTF_TYPEMASK, MIXER_OBJECTF_MIXER) << log[i].fn;
    }
}

TEST_F(PeakTest, EveryPlatformFailureReleasesEverything) {
    int runs = ForEachPlatformFault([] { BuildPeakCard().recording->SetAll(-300); }, [] { return GetPeak(kWaveIn); },
                                    [](size_t n, const sim::Call& call, LONG result) {
                                        EXPECT_EQ(result, 0) << "failing call " << n << " " << call.fn;
                                    });
    EXPECT_EQ(runs, 4);
}

}  // namespace
