// Recording selector access: SelectLine and GetSelectLine.
#include "fixture.h"
#include "selector/selector.h"
#include "selector_card.h"
#include "short_names.h"

#include <string>

namespace {

class SelectTest : public SimTest {};

const DWORD kMultiple = MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT;
const DWORD kMixer = MIXERCONTROL_CONTROLTYPE_MIXER;

TEST_F(SelectTest, WriteTables) {
    struct Case {
        DWORD type;
        std::vector<DWORD> selected;
        LONG kind, flag;
        std::vector<LONG> want;
    } cases[] = {
        {kMux, {3}, SrcMic, 1, {0, 1, 0, 0}},         {kSingle, {0}, SrcMic, 1, {0, 1, 0, 0}},
        {kMux, {1}, SrcMic, 0, {0, 0, 0, 0}},         {kSingle, {2}, SrcMic, 0, {0, 0, 0, 0}},
        {kMux, {1}, SrcMic, 2, {0, 0, 0, 0}},         {kMux, {1}, SrcMic, -1, {0, 0, 0, 0}},
        {kMultiple, {0, 2}, SrcMic, 1, {1, 1, 1, 0}}, {kMultiple, {0, 1, 2}, SrcMic, 0, {1, 0, 1, 0}},
        {kMixer, {0, 1, 2}, SrcMic, 2, {1, 0, 1, 0}}, {kMixer, {3}, SrcCD, 1, {0, 0, 1, 1}},
        // No analog source: the empty name matches no item.
        {kMux, {2}, SrcAnalog, 1, {0, 0, 0, 0}},      {kMultiple, {0, 3}, SrcAnalog, 1, {1, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        sim::Reset();
        ResetLibraryState();
        SelectorCard card = BuildSelectorCard(c.type, FourItems(), c.selected);
        EXPECT_EQ(SelectLine(c.kind, nullptr, c.flag), 0);
        std::vector<sim::Call> writes = sim::CallsOf("mixerSetControlDetails");
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].values, c.want) << std::hex << c.type << " kind " << c.kind << " flag " << c.flag;
        EXPECT_EQ(writes[0].id, card.selector->id);
        EXPECT_EQ(writes[0].flags, MIXER_SETCONTROLDETAILSF_VALUE);
        EXPECT_EQ(writes[0].cChannels, 1u);
        EXPECT_EQ(writes[0].cMultipleItems, 4u);
        EXPECT_EQ(writes[0].cbDetails, sizeof(MIXERCONTROLDETAILS_BOOLEAN));
        EXPECT_EQ(card.selector->values, c.want);
        ExpectNothingHeld();
    }
}

TEST_F(SelectTest, MatchingIsWholeStringAndCaseSensitive) {
    SelectorCard card = BuildSelectorCard(kMultiple, FourItems(), {1});
    const std::string tooLong = "Microphone" + std::string(290, ' ');
    struct Case {
        const char* name;
        LONG want;
    } cases[] = {{"Microphone", 1}, {"microphone", -1}, {"Micro", -1}, {"Microphone ", -1},
                 {"", -1},          {nullptr, -1},      {tooLong.c_str(), -1}, {"Aux", 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(GetSelectLine(SrcNamed, c.name), c.want) << (c.name ? c.name : "(null)");
        EXPECT_EQ(SelectLine(SrcNamed, c.name, 1), 0);
        EXPECT_EQ(LastWrite(), (std::vector<LONG>{0, 1, 0, c.want == 0 ? 1 : 0}));
        card.selector->values = {0, 1, 0, 0};
    }
    ExpectNothingHeld();
}

TEST_F(SelectTest, KindsAndTheirNames) {
    // Each kind is matched by its own cached name; kinds outside the table
    // match nothing, and SrcNamed without a name writes nothing at all.
    TypicalCard card = BuildTypicalCard();
    sim::Control* mux = card.wavein->Find(kMux);  // items: Line In, Microphone, CD Audio, Aux, Analog Mix, SPDIF In
    struct Case {
        LONG kind;
        int item;  // -1: none
    } cases[] = {{SrcLineIn, 0}, {SrcMic, 1}, {SrcCD, 2},  {SrcAux, 3},  {SrcAnalog, 4}, {SrcDigital, 5},
                 {SrcNamed, -1}, {0, -1},     {7, -1},     {8, -1},     {10, -1},       {-1, -1},
                 {0x7FFFFFFF, -1}};
    for (const Case& c : cases) {
        mux->SetAll(0);
        if (c.item >= 0) mux->SetValue(1, 0, c.item);
        EXPECT_EQ(GetSelectLine(c.kind, nullptr), c.item >= 0 ? 1 : -1) << "kind " << c.kind;
        mux->SetAll(1);
        EXPECT_EQ(SelectLine(c.kind, nullptr, 1), 0);
        const bool untouched = c.kind == SrcNamed;
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(mux->Value(0, i), untouched || i == c.item ? 1 : 0) << "kind " << c.kind << " item " << i;
    }
    ExpectNothingHeld();
}

TEST_F(SelectTest, EmptySlotIsAnEmptyNameUnlikeNoName) {
    SelectorCard card = BuildSelectorCard(kMultiple, {"Line In", "", "CD Audio"}, {1});
    EXPECT_EQ(GetSelectLine(SrcAnalog, nullptr), 1);  // no analog source: the slot stays empty
    EXPECT_EQ(GetSelectLine(0, nullptr), -1);
    EXPECT_EQ(GetSelectLine(SrcNamed, nullptr), -1);
    EXPECT_EQ(SelectLine(SrcNamed, nullptr, 0), 0);
    EXPECT_EQ(card.selector->values, (std::vector<LONG>{0, 1, 0}));
}

TEST_F(SelectTest, ByNameWithoutANameWritesNothing) {
    // SrcNamed with a null name: result 0, and no platform call at all, so
    // that a single-select selector keeps the source it records from.
    for (DWORD type : {kMux, kSingle, kMultiple})
        for (LONG flag : {1, 0}) {
            sim::Reset();
            ResetLibraryState();
            SelectorCard card = BuildSelectorCard(type, FourItems(), {2});
            const std::vector<LONG> before = card.selector->values;
            EXPECT_EQ(SelectLine(SrcNamed, nullptr, flag), 0) << std::hex << type << " flag " << flag;
            EXPECT_TRUE(sim::Log().empty()) << std::hex << type << " flag " << flag;
            EXPECT_EQ(card.selector->values, before) << std::hex << type << " flag " << flag;
        }
    ExpectNothingHeld();
}

TEST_F(SelectTest, ValuesPassThroughAndFirstMatchIsRead) {
    SelectorCard card = BuildSelectorCard(kMultiple, {"Microphone", "Line In", "Microphone"});
    card.selector->values = {0, 5, 1};
    EXPECT_EQ(GetSelectLine(SrcMic, nullptr), 0);      // the first of two equal texts
    EXPECT_EQ(GetSelectLine(SrcLineIn, nullptr), 5);   // as the mixer reports it
    EXPECT_EQ(SelectLine(SrcMic, nullptr, 1), 0);
    EXPECT_EQ(card.selector->values, (std::vector<LONG>{1, 5, 1}));  // both equal texts
    EXPECT_EQ(SelectLine(SrcMic, nullptr, 0), 0);
    EXPECT_EQ(card.selector->values, (std::vector<LONG>{0, 5, 0}));
    card.selector->items = 0;  // a selector without items
    card.selector->values.clear();
    EXPECT_EQ(GetSelectLine(SrcMic, nullptr), -1);
    EXPECT_EQ(SelectLine(SrcMic, nullptr, 1), 0);
    EXPECT_EQ(sim::CallsOf("mixerSetControlDetails").back().result, MMSYSERR_NOERROR);
    ExpectNothingHeld();
}

TEST_F(SelectTest, TheFirstListControlIsTheSelector) {
    SelectorCard card = BuildSelectorCard(kMultiple, {"Line In", "Microphone"});
    sim::Control& later = card.wavein->AddList(kMux, {"Microphone", "Line In"}, {1});
    EXPECT_EQ(SelectLine(SrcMic, nullptr, 1), 0);
    EXPECT_EQ(card.selector->values, (std::vector<LONG>{0, 1}));
    EXPECT_EQ(later.values, (std::vector<LONG>{0, 1}));
    EXPECT_EQ(GetSelectLine(SrcLineIn, nullptr), 0);
    for (const sim::Call& c : sim::CallsOf("mixerGetControlDetailsA")) EXPECT_EQ(c.id, card.selector->id);
}

TEST_F(SelectTest, ResultIsTheOpenErrorOrTheCloseStatus) {
    SelectorCard card = BuildSelectorCard(kMux, FourItems(), {0});
    card.selector->refuseBadSelection = true;  // a strict driver
    EXPECT_EQ(SelectLine(SrcAnalog, nullptr, 1), 0);  // no match: every item 0, refused
    EXPECT_EQ(sim::CallsOf("mixerSetControlDetails").back().result, MMSYSERR_INVALPARAM);
    EXPECT_EQ(SelectLine(SrcLineIn, nullptr, 0), 0);
    EXPECT_EQ(card.selector->values, (std::vector<LONG>{1, 0, 0, 0}));
    EXPECT_EQ(SelectLine(SrcCD, nullptr, 1), 0);
    EXPECT_EQ(card.selector->values, (std::vector<LONG>{0, 0, 1, 0}));
    ExpectNothingHeld();

    sim::FailFunction("mixerOpen", MMSYSERR_ALLOCATED, 2);  // the selector's own open
    EXPECT_EQ(SelectLine(SrcMic, nullptr, 1), static_cast<LONG>(MMSYSERR_ALLOCATED));
    EXPECT_EQ(GetSelectLine(SrcMic, nullptr), 0);  // the next open succeeds again
    sim::FailFunction("mixerClose", MMSYSERR_INVALHANDLE, 2);
    EXPECT_EQ(SelectLine(SrcMic, nullptr, 1), static_cast<LONG>(MMSYSERR_INVALHANDLE));
    sim::ClearFaults();

    card.wavein->controls.pop_back();  // no list control left
    EXPECT_EQ(SelectLine(SrcMic, nullptr, 1), 0);
    EXPECT_EQ(GetSelectLine(SrcMic, nullptr), -1);
}

TEST_F(SelectTest, MultiChannelSelector) {
    // Not uniform on a two- or three-channel line: requests carry every
    // channel; an item is written on all its channels and read on its last.
    for (DWORD channels : {2u, 3u}) {
        for (bool firstChannelTexts : {false, true}) {
            sim::Reset();
            ResetLibraryState();
            SelectorCard card = BuildSelectorCard(kMultiple, FourItems(), {}, 0, channels);
            card.selector->textsFirstChannelOnly = firstChannelTexts;
            std::vector<LONG>& v = card.selector->values;  // channel-major
            v.assign(4 * channels, 0);
            v[0] = 1;                         // line-in on the first channel only
            v[(channels - 1) * 4 + 2] = 1;    // CD on the last channel only
            EXPECT_EQ(GetSelectLine(SrcLineIn, nullptr), 0);
            EXPECT_EQ(GetSelectLine(SrcCD, nullptr), 1);
            EXPECT_EQ(SelectLine(SrcMic, nullptr, 1), 0);
            for (DWORD ch = 0; ch < channels; ++ch) EXPECT_EQ(card.selector->Value(ch, 1), 1) << "channel " << ch;
            EXPECT_EQ(card.selector->Value(0, 0), 1);
            EXPECT_EQ(card.selector->Value(channels - 1, 2), 1);
            EXPECT_EQ(SelectLine(SrcCD, nullptr, 0), 0);
            for (DWORD ch = 0; ch < channels; ++ch) EXPECT_EQ(card.selector->Value(ch, 2), 0) << "channel " << ch;
            for (const char* fn : {"mixerGetControlDetailsA", "mixerSetControlDetails"})
                for (const sim::Call& c : sim::CallsOf(fn)) {
                    EXPECT_EQ(c.cChannels, channels) << fn;
                    EXPECT_EQ(c.cMultipleItems, 4u) << fn;
                }
            ExpectNothingHeld();
        }
    }
    sim::Reset();
    ResetLibraryState();
    BuildSelectorCard(kMux, FourItems(), {2}, 0, 2);
    EXPECT_EQ(SelectLine(SrcAux, nullptr, 1), 0);
    EXPECT_EQ(LastWrite(), (std::vector<LONG>{0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST_F(SelectTest, HostileItemCounts) {
    struct Case {
        DWORD items, flags;
    } cases[] = {{0x80000000u, MIXERCONTROL_CONTROLF_UNIFORM}, {0x80000001u, 0}, {0x02000000u, MIXERCONTROL_CONTROLF_UNIFORM}};
    for (const Case& c : cases) {
        sim::Reset();
        ResetLibraryState();
        SelectorCard card = BuildSelectorCard(kMux, FourItems(), {0}, c.flags | MIXERCONTROL_CONTROLF_MULTIPLE);
        card.selector->items = c.items;
        EXPECT_EQ(SelectLine(SrcMic, nullptr, 1), 0);
        EXPECT_EQ(GetSelectLine(SrcLineIn, nullptr), -1);
        EXPECT_EQ(sim::CountOf("LocalAlloc"), 0u) << c.items;
        EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u);
        ExpectNothingHeld();
    }
}

// Faults in the name refresh do not matter here (the names are cached
// already); from the selector's own open on, nothing is written.
void PrefillNames() {
    BuildTypicalCard().wavein->Find(kMux)->values = {1, 0, 0, 0, 0, 0};
    CopyField(g_state.RecMicName, "Microphone");
    CopyField(g_state.RecLineInName, "Line In");
}

TEST_F(SelectTest, EveryPlatformFailureOfSelectLine) {
    PrefillNames();
    SelectLine(SrcMic, nullptr, 1);
    const size_t ownOpen = NthOpen(2);
    int runs = ForEachPlatformFault(PrefillNames, [] { return SelectLine(SrcMic, nullptr, 1); },
                                    [&](size_t n, const sim::Call& call, LONG result) {
                                        const sim::Control* mux = sim::Devices()[0].destinations[1].Find(kMux);
                                        EXPECT_EQ(result, n == ownOpen ? static_cast<LONG>(MMSYSERR_ERROR) : 0) << n << " " << call.fn;
                                        EXPECT_EQ(mux->Value(0, 1), n < ownOpen ? 1 : 0) << n << " " << call.fn;
                                    });
    EXPECT_EQ(runs, 11 + 10);  // the refresh, then open ... two reads and the write
}

TEST_F(SelectTest, EveryPlatformFailureOfGetSelectLine) {
    PrefillNames();
    GetSelectLine(SrcLineIn, nullptr);
    const size_t ownOpen = NthOpen(2);
    int runs = ForEachPlatformFault(PrefillNames, [] { return GetSelectLine(SrcLineIn, nullptr); },
                                    [&](size_t n, const sim::Call& call, LONG result) {
                                        EXPECT_EQ(result, n < ownOpen ? 1 : -1) << n << " " << call.fn;
                                    });
    EXPECT_EQ(runs, 11 + 9);
}

}  // namespace
