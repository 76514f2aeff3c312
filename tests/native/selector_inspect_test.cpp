// Selector inspection: IsMuxSingleSelect and GetMixerRecordChannels.
#include "fixture.h"
#include "selector/selector.h"
#include "selector_card.h"

#include <cstring>
#include <string>

namespace {

class InspectTest : public SimTest {};

// A buffer with a guard pattern, to see what the listing wrote and that it
// wrote nothing past its terminator.
struct Listing {
    char bytes[512];
    Listing() { std::memset(bytes, 'x', sizeof bytes); }
    std::string text() const { return std::string(bytes, strnlen(bytes, sizeof bytes)); }
    bool guardIntact() const {
        size_t end = text().size() + 1;
        for (size_t i = end; i < sizeof bytes; ++i)
            if (bytes[i] != 'x') return false;
        return true;
    }
};

TEST_F(InspectTest, SingleSelectIsTheFirstListControlsType) {
    struct Case {
        DWORD first, later;  // list control types; 0 = none
        LONG want;
    } cases[] = {{MIXERCONTROL_CONTROLTYPE_MUX, 0, 1},
                 {MIXERCONTROL_CONTROLTYPE_SINGLESELECT, 0, 1},
                 {MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, 0, 0},
                 {MIXERCONTROL_CONTROLTYPE_MIXER, 0, 0},
                 {MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, MIXERCONTROL_CONTROLTYPE_MUX, 0},
                 {MIXERCONTROL_CONTROLTYPE_MUX, MIXERCONTROL_CONTROLTYPE_MIXER, 1}};
    for (const Case& c : cases) {
        sim::Reset();
        SelectorCard card = BuildSelectorCard(c.first, FourItems());
        if (c.later) card.wavein->AddList(c.later, FourItems());
        EXPECT_EQ(IsMuxSingleSelect(), c.want) << std::hex << c.first << " " << c.later;
        EXPECT_EQ(sim::CountOf("mixerGetControlDetailsA") + sim::CountOf("mixerSetControlDetails"), 0u);
        ExpectNothingHeld();
    }
}

TEST_F(InspectTest, NoSelectorNoLineNoDevice) {
    EXPECT_EQ(IsMuxSingleSelect(), 0);  // no device
    Listing out;
    EXPECT_EQ(GetMixerRecordChannels(out.bytes, 100), -1);
    EXPECT_EQ(out.text(), "");

    SelectorCard card = BuildSelectorCard(MIXERCONTROL_CONTROLTYPE_MUX, FourItems());
    card.wavein->controls.pop_back();  // a volume control only
    EXPECT_EQ(IsMuxSingleSelect(), 0);
    Listing none;
    EXPECT_EQ(GetMixerRecordChannels(none.bytes, 100), 0);
    EXPECT_EQ(none.text(), "");
    EXPECT_TRUE(none.guardIntact());

    card.wavein->componentType = MIXERLINE_COMPONENTTYPE_DST_VOICEIN;  // no wave-in line
    EXPECT_EQ(IsMuxSingleSelect(), 0);
    Listing noLine;
    EXPECT_EQ(GetMixerRecordChannels(noLine.bytes, 100), -1);
    EXPECT_EQ(noLine.text(), "");
    ExpectNothingHeld();
}

TEST_F(InspectTest, AWaveInLineWithoutControlsIsAskedForThem) {
    // The selector takes the line's control count as it comes: for a line
    // without controls it asks for an array of none, and the platform's
    // refusal is a failure, not a line without a selector.
    SelectorCard card = BuildSelectorCard(MIXERCONTROL_CONTROLTYPE_MUX, FourItems());
    card.wavein->controls.clear();
    sim::ClearLog();
    EXPECT_EQ(IsMuxSingleSelect(), 0);
    ASSERT_EQ(sim::CountOf("mixerGetLineControlsA"), 1u);
    const sim::Call request = sim::CallsOf("mixerGetLineControlsA")[0];
    EXPECT_EQ(request.id, card.wavein->id);
    EXPECT_EQ(request.count, 0u);
    EXPECT_EQ(request.result, static_cast<DWORD>(MMSYSERR_INVALPARAM));
    Listing out;
    EXPECT_EQ(GetMixerRecordChannels(out.bytes, 100), -1);
    EXPECT_EQ(sim::CountOf("mixerGetLineControlsA"), 2u);
    ExpectNothingHeld();
}

TEST_F(InspectTest, NullBufferTouchesNothing) {
    BuildTypicalCard();
    EXPECT_EQ(GetMixerRecordChannels(nullptr, 100), -1);
    EXPECT_TRUE(sim::Log().empty());
    EXPECT_STREQ(g_state.RecMicName, "");
}

TEST_F(InspectTest, ListingLimits) {
    // After "AX200 Mixer|" the text is 12 characters long.
    BuildSelectorCard(MIXERCONTROL_CONTROLTYPE_MUX, {"Microphone", "Line In", "CD"});
    struct Case {
        DWORD limit;
        const char* want;
    } cases[] = {
        {1000, "AX200 Mixer|Microphone|Line In|CD|"},
        {0x80000000u, "AX200 Mixer|Microphone|Line In|CD|"},
        {0xFFFFFFFFu, "AX200 Mixer|Microphone|Line In|CD|"},
        {0, "AX200 Mixer|"},
        {5, "AX200 Mixer|"},
        {22, "AX200 Mixer|Line In|"},     // 12 + 10 = limit: left out; the shorter next one fits
        {23, "AX200 Mixer|Microphone|"},  // 12 + 10 = limit - 1: exactly 23 characters
        {33, "AX200 Mixer|Microphone|Line In|"},
        {34, "AX200 Mixer|Microphone|Line In|CD|"},  // 31 + 2 = limit - 1: exactly 34 characters
    };
    for (const Case& c : cases) {
        Listing out;
        EXPECT_EQ(GetMixerRecordChannels(out.bytes, c.limit), 0);
        EXPECT_EQ(out.text(), c.want) << "limit " << c.limit;
        EXPECT_TRUE(out.guardIntact()) << "limit " << c.limit;
    }
    ExpectNothingHeld();
}

TEST_F(InspectTest, ListingOfAMultiChannelSelectorHasOneTextPerItem) {
    SelectorCard card = BuildSelectorCard(MIXERCONTROL_CONTROLTYPE_MIXER, FourItems(), {1}, 0, 2);
    card.selector->textsFirstChannelOnly = true;
    Listing out;
    EXPECT_EQ(GetMixerRecordChannels(out.bytes, 0xFFFFFFFFu), 0);
    EXPECT_EQ(out.text(), "AX200 Mixer|Line In|Microphone|CD Audio|Aux|");
    for (const sim::Call& c : sim::CallsOf("mixerGetControlDetailsA")) EXPECT_EQ(c.cChannels, 2u);
    EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u);
}

TEST_F(InspectTest, WhichOperationsRefreshTheNames) {
    struct Case {
        const char* op;
        void (*run)();
        bool refreshes;
    } cases[] = {{"SelectLine", [] { SelectLine(SrcCD, nullptr, 1); }, true},
                 {"GetSelectLine", [] { GetSelectLine(SrcCD, nullptr); }, true},
                 {"GetMixerRecordChannels", [] { Listing out; GetMixerRecordChannels(out.bytes, 0); }, true},
                 {"IsMuxSingleSelect", [] { IsMuxSingleSelect(); }, false}};
    for (const Case& c : cases) {
        sim::Reset();
        ResetLibraryState();
        BuildTypicalCard();
        c.run();
        EXPECT_STREQ(g_state.RecMicName, c.refreshes ? "Microphone" : "") << c.op;
        EXPECT_STREQ(g_state.RecDigitalName, c.refreshes ? "SPDIF In" : "") << c.op;
        ExpectNothingHeld();
    }
}

TEST_F(InspectTest, EveryPlatformFailureOfIsMuxSingleSelect) {
    int runs = ForEachPlatformFault([] { BuildTypicalCard(); }, [] { return IsMuxSingleSelect(); },
                                    [](size_t n, const sim::Call& call, LONG result) {
                                        EXPECT_EQ(result, 0) << n << " " << call.fn;
                                    });
    EXPECT_EQ(runs, 5);  // open, line, heap, array, control list
}

TEST_F(InspectTest, EveryPlatformFailureOfGetMixerRecordChannels) {
    const std::string full = "AX200 Mixer|Line In|Microphone|CD Audio|Aux|Analog Mix|SPDIF In|";
    Listing first;
    BuildTypicalCard();
    ASSERT_EQ(GetMixerRecordChannels(first.bytes, 1000), 0);
    ASSERT_EQ(first.text(), full);
    const size_t ownOpen = NthOpen(2);
    Listing out;
    int runs = ForEachPlatformFault(
        [&] {
            BuildTypicalCard();
            std::memset(out.bytes, 'x', sizeof out.bytes);
        },
        [&] { return GetMixerRecordChannels(out.bytes, 1000); },
        [&](size_t n, const sim::Call& call, LONG result) {
            // Before the listing's own open the failure is the name refresh's;
            // the product name comes last, and its failure is no error.
            LONG want = -1;
            if (n < ownOpen || call.fn == "mixerGetDevCapsA") want = 0;
            EXPECT_EQ(result, want) << n << " " << call.fn;
            EXPECT_EQ(out.text(), n < ownOpen ? full : "") << n << " " << call.fn;
            EXPECT_TRUE(out.guardIntact());
        });
    EXPECT_EQ(runs, 11 + 10);  // the refresh, the selector, the product name
}

}  // namespace
