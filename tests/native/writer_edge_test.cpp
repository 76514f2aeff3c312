// Control writer: LocateControl's results, request shapes and the edge cases
// of the three treatments.
#include "engine_cards.h"
#include "exports/line_exports.h"
#include "short_names.h"

#include <climits>
#include <functional>

namespace {

class WriterEdgeTest : public SimTest {};

// The typical card's speakers destination, with `fn` failing with `code`.
DWORD SpeakersFailing(const char* fn, DWORD code) {
    const DWORD id = BuildTypicalCard().speakers->id;
    sim::FailFunction(fn, code);
    return id;
}

TEST_F(WriterEdgeTest, LocateControlResults) {
    struct Case {
        const char* what;
        std::function<DWORD()> build;  // returns the line id to pass
        LONG op;
        LONG want;
        size_t writes;
    } cases[] = {
        {"unknown line", [] { BuildTypicalCard(); return DWORD(0x7777); }, OpPlayVolume, MIXERR_INVALLINE, 0},
        {"line read fails", [] { return SpeakersFailing("mixerGetLineInfoA", MMSYSERR_NOMEM); },
         OpMainVolume, MMSYSERR_NOMEM, 0},
        {"no controls", [] { return LoneSource().id; }, OpPlayVolume, 0, 0},
        {"no process heap", [] { return SpeakersFailing("GetProcessHeap", 0); }, OpMainVolume, 0, 0},
        {"control array refused", [] { return SpeakersFailing("HeapAlloc", 0); }, OpMainVolume, 0, 0},
        {"control list fails", [] { return SpeakersFailing("mixerGetLineControlsA", MMSYSERR_ERROR); },
         OpMainVolume, 1, 0},
        {"no control of the kind", [] { return BuildTypicalCard().speakers->FindSource(kLine)->id; }, OpPlayBoost, 1,
         0},
        {"code without a kind", [] { return BuildTypicalCard().speakers->FindSource(kLine)->id; }, OpNone, 1, 0},
        {"control disabled",
         [] {
             sim::Line& l = LoneSource();
             l.AddControl(kVolume, 100, kDisabled);
             return l.id;
         },
         OpPlayVolume, 1, 0},
        {"boolean read fails", [] { return SpeakersFailing("mixerGetControlDetailsA", MMSYSERR_ERROR); },
         OpMainMute, 1, 0},
        {"boolean write fails", [] { return SpeakersFailing("mixerSetControlDetails", MMSYSERR_ERROR); },
         OpMainMute, 1, 1},
        {"value buffer refused", [] { return SpeakersFailing("LocalAlloc", 0); }, OpMainVolume, 1, 0},
        {"level read fails", [] { return SpeakersFailing("mixerGetControlDetailsA", MMSYSERR_ERROR); },
         OpMainVolume, 1, 0},
        {"balance write fails", [] { return SpeakersFailing("mixerSetControlDetails", MMSYSERR_ERROR); },
         OpMainBalance, 1, 1},
        {"written", [] { return BuildTypicalCard().speakers->id; }, OpMainVolume, 1, 1},
    };
    for (const Case& c : cases) {
        OnCallersHandle(c.build, c.what, [&c](DWORD line, HMIXER h) {
            EXPECT_EQ(LocateControl(line, 2, h, c.op), c.want) << c.what;
            EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), c.writes) << c.what;
        });
    }
}

TEST_F(WriterEdgeTest, RequestShapePerTreatment) {
    // Booleans are one-channel requests; level and balance address every
    // channel of the line; the write reuses the read's request.
    struct Case {
        LONG op;
        DWORD type;
        DWORD channels;
    } cases[] = {{OpPlayMute, kCD, 1},         {OpPlayVolume, kCD, 2},  {OpPlayVolume, kMic, 1},
                 {OpPlayBalance, kCD, 2},      {OpPlayBoost, kMic, 1},  {OpRecMute, kLine, 1},
                 {OpRecVolume, kLine, 2},      {OpRecBoost, kMic, 1},   {OpRecBalance, kMic, 1},
                 {OpMainVolume, kSpeakers, 2}, {OpMainMute, kSpeakers, 1}, {OpMainBalance, kSpeakers, 2}};
    for (const Case& c : cases) {
        sim::Reset();
        BuildDistinctCard();
        ASSERT_EQ(SetMixer(c.type, c.op, 1, "", 0), 1) << c.op;
        const std::vector<sim::Call> details = DetailCalls();
        ASSERT_EQ(details.size(), 2u) << c.op;
        EXPECT_EQ(details[0].fn, "mixerGetControlDetailsA") << c.op;
        EXPECT_EQ(details[1].fn, "mixerSetControlDetails") << c.op;
        for (const sim::Call& d : details) {
            EXPECT_EQ(d.cChannels, c.channels) << c.op << " " << d.fn;
            EXPECT_EQ(d.cMultipleItems, 0u) << c.op << " " << d.fn;
            EXPECT_EQ(d.cbDetails, 4u) << c.op << " " << d.fn;
            EXPECT_EQ(d.id, details[0].id) << c.op << ": same control";
        }
        ExpectNothingHeld();
    }
}

TEST_F(WriterEdgeTest, BooleanValues) {
    TypicalCard card = BuildTypicalCard();
    sim::Control* boost = card.speakers->FindSource(kMic)->Find(MIXERCONTROL_CONTROLTYPE_ONOFF);
    sim::Control* recBoost = card.wavein->FindSource(kMic)->Find(MIXERCONTROL_CONTROLTYPE_ONOFF);
    sim::Control* master = MuteOf(card.speakers);
    sim::Control* recMute = MuteOf(card.wavein->FindSource(kCD));
    struct Case {
        LONG value, want;
    } cases[] = {{5, 1}, {0, 0}, {-1, 1}, {1, 1}, {0x7FFFFFFF, 1}, {0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(SetMixer(kMic, OpPlayBoost, c.value, "", 0), 1);
        EXPECT_EQ(SetMixer(kMic, OpRecBoost, c.value, "", 0), 1);
        EXPECT_EQ(SetMixer(kSpeakers, OpMainMute, c.value, "", 0), 1);
        EXPECT_EQ(SetMixer(kCD, OpRecMute, c.value, "", 0), 1);
        EXPECT_EQ(boost->Value(), c.want) << c.value;
        EXPECT_EQ(recBoost->Value(), c.want) << c.value;
        EXPECT_EQ(master->Value(), c.want) << c.value;
        EXPECT_EQ(recMute->Value(), c.want) << c.value;
    }
}

// Item counts no driver should report, whose buffers would need more than
// 2 GiB (or whose element count wraps in 32 bits: 2 x 0x80000001 is 2): the
// writer and reader ask for no buffer and send no request for them.
TEST_F(WriterEdgeTest, HostileItemCountsAskForNothing) {
    struct Case {
        DWORD type, items;
        LONG op, read;  // QueryControl's result
    } cases[] = {
        {kVolume, 0x80000001u, OpPlayVolume, -1},  // channels x items wraps to 2
        {kVolume, 0x40000000u, OpPlayVolume, -1},  // 2 x 2^30 LONGs
        {kVolume, 0x80000001u, OpPlayBalance, 0},  // balance has no reading
        {kMute, 0x80000000u, OpPlayMute, -1},      // one channel of 2^31 LONGs
    };
    for (const Case& c : cases) {
        sim::Reset();
        sim::Control& control = LoneSource(2).AddControl(c.type, 123);
        control.items = c.items;  // reported, not stored
        const HMIXER mixer = OpenDevice0();
        const DWORD line = sim::Devices()[0].destinations[0].sources[0].id;
        EXPECT_EQ(LocateControl(line, 7, mixer, c.op), 1) << c.items;
        EXPECT_EQ(QueryControl(line, 0, reinterpret_cast<HMIXEROBJ>(mixer), c.op), c.read) << c.items;
        EXPECT_EQ(sim::CountOf("LocalAlloc"), 0u) << c.items;
        EXPECT_TRUE(DetailCalls().empty()) << c.items;
        EXPECT_EQ(control.Value(), 123) << c.items;
        mixerClose(mixer);
        ExpectNothingHeld();
    }
}

TEST_F(WriterEdgeTest, LevelOnOneChannelLine) {
    sim::Control& vol = LoneSource(1).AddControl(kVolume, 11000);
    for (LONG level : {3333, 0, 65535, 70000}) {
        EXPECT_EQ(SetMixer(kLine, OpPlayVolume, level, "", 0), 1);
        EXPECT_EQ(vol.Value(), level) << "levels pass through unscaled and unchecked";
    }
}

TEST_F(WriterEdgeTest, BalanceOnOneChannelLine) {
    // First and last channel are the same value: positions up to 7 scale it
    // by b/7, later positions store the level itself last.
    sim::Control& vol = LoneSource(1).AddControl(kVolume, 700);
    for (LONG b = 0; b <= 15; ++b) {
        vol.SetAll(700);
        EXPECT_EQ(SetMixer(kLine, OpPlayBalance, b, "", 0), 1);
        EXPECT_EQ(vol.Value(), b <= 7 ? 700 * b / 7 : 700) << "position " << b;
    }
}

TEST_F(WriterEdgeTest, BalanceOffTheScaleWritesNothing) {
    // Positions outside 0 to 15 would give a channel a level below zero (16
    // makes 40000, 20000 into -5714, 40000) or above the louder one's: the
    // control keeps its values, and the result is the one a position on the
    // scale gets (1: the line and its control were there).
    sim::Line& line = LoneSource(2);
    sim::Control& vol = line.AddControl(kVolume, 0);
    HMIXER mixer = OpenDevice0();
    for (LONG op : {OpPlayBalance, OpRecBalance, OpMainBalance})
        for (LONG position : {-1, 16, 100, 49152, INT_MIN, INT_MAX}) {
            vol.values = {40000, 20000};
            sim::ClearLog();
            EXPECT_EQ(LocateControl(line.id, position, mixer, op), 1) << op << " " << position;
            EXPECT_EQ(vol.values, (std::vector<LONG>{40000, 20000})) << op << " " << position;
            EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u) << op << " " << position;
        }
    // The same through the line search and the per-line setters.
    EXPECT_EQ(SetMixer(kLine, OpPlayBalance, 16, "", 0), 1);
    EXPECT_EQ(SetPlayLineInBalance(-7), 1);
    EXPECT_EQ(vol.values, (std::vector<LONG>{40000, 20000}));
    // The ends of the scale still write.
    EXPECT_EQ(SetPlayLineInBalance(15), 1);
    EXPECT_EQ(vol.values, (std::vector<LONG>{0, 40000}));
    EXPECT_EQ(SetPlayLineInBalance(0), 1);
    EXPECT_EQ(vol.values, (std::vector<LONG>{40000, 0}));
    // A line that cannot be read still gives the platform's error.
    EXPECT_EQ(LocateControl(0x7777, 16, mixer, OpPlayBalance), static_cast<LONG>(MIXERR_INVALLINE));
    EXPECT_EQ(mixerClose(mixer), MMSYSERR_NOERROR);
    ExpectNothingHeld();
}

TEST_F(WriterEdgeTest, FourChannelLineChangesOnlyTheOuterChannels) {
    sim::Control& vol = LoneSource(4).AddControl(kVolume, 0);
    struct Case {
        LONG op, value;
        std::vector<LONG> before, after;
    } cases[] = {
        {OpPlayVolume, 1000, {100, 5, 6, 50}, {1000, 5, 6, 500}},
        {OpPlayVolume, 900, {30, 5, 6, 60}, {450, 5, 6, 900}},
        {OpPlayBalance, 0, {100, 5, 6, 50}, {100, 5, 6, 0}},
        {OpPlayBalance, 15, {100, 5, 6, 50}, {0, 5, 6, 100}},
        {OpPlayBalance, 7, {10, 500, 600, 70}, {70, 500, 600, 70}},
    };
    for (const Case& c : cases) {
        vol.values = c.before;
        sim::ClearLog();
        EXPECT_EQ(SetMixer(kLine, c.op, c.value, "", 0), 1);
        EXPECT_EQ(vol.values, c.after) << "op " << c.op << " value " << c.value;
        const std::vector<sim::Call> details = DetailCalls();
        ASSERT_EQ(details.size(), 2u);
        EXPECT_EQ(details[0].cChannels, 4u);
        EXPECT_EQ(details[1].values, c.after);
    }
}

TEST_F(WriterEdgeTest, LineReportingNoChannelsIsOneChannel) {
    sim::Control& vol = LoneSource(0).AddControl(kVolume, 400);
    EXPECT_EQ(SetMixer(kLine, OpPlayVolume, 900, "", 0), 1);
    EXPECT_EQ(vol.Value(), 900);
    EXPECT_EQ(SetMixer(kLine, OpPlayBalance, 2, "", 0), 1);
    EXPECT_EQ(vol.Value(), 900 * 2 / 7);
    for (const sim::Call& d : DetailCalls()) {
        EXPECT_EQ(d.cChannels, 1u);
        EXPECT_EQ(d.result, MMSYSERR_NOERROR);
    }
    ExpectNothingHeld();
}

TEST_F(WriterEdgeTest, MultipleItemLevelWalksGroupsOfChannels) {
    // A level control with items is read and written whole once per group:
    // the group start moves by the channel count while it is below the item
    // count, and each pass rescales the first and last value of its group.
    sim::Control& vol = LoneSource(2).AddControl(kVolume, 0, MIXERCONTROL_CONTROLF_MULTIPLE, 4);
    vol.values = {100, 50, 10, 40, 7, 7, 7, 7};
    EXPECT_EQ(SetMixer(kLine, OpPlayVolume, 1000, "", 0), 1);
    EXPECT_EQ(vol.values, (std::vector<LONG>{1000, 500, 250, 1000, 7, 7, 7, 7}));
    const std::vector<sim::Call> details = DetailCalls();
    ASSERT_EQ(details.size(), 4u);
    for (const sim::Call& d : details) {
        EXPECT_EQ(d.cChannels, 2u);
        EXPECT_EQ(d.cMultipleItems, 4u);
    }
    ExpectNothingHeld();
}

TEST_F(WriterEdgeTest, OnlyTheFirstControlOfAKindIsTaken) {
    struct Case {
        const char* what;
        LONG op;
        DWORD type;
        DWORD firstFlags;
        LONG value;
        LONG wantFirst;
    } cases[] = {
        {"two mutes", OpPlayMute, kMute, kUniform, 1, 1},
        {"first mute disabled", OpPlayMute, kMute, kUniform | kDisabled, 1, 0},
        {"two volumes", OpPlayVolume, kVolume, 0, 900, 900},
        {"first volume disabled", OpPlayVolume, kVolume, kDisabled, 900, 0},
        {"first volume disabled, balance", OpPlayBalance, kVolume, kDisabled, 0, 0},
    };
    for (const Case& c : cases) {
        sim::Reset();
        sim::Line& l = LoneSource();
        sim::Control& first = l.AddControl(c.type, 0, c.firstFlags);
        sim::Control& second = l.AddControl(c.type, 0, c.firstFlags & ~kDisabled);
        EXPECT_EQ(SetMixer(kLine, c.op, c.value, "", 0), 1) << c.what;
        EXPECT_EQ(first.Value(), c.wantFirst) << c.what;
        EXPECT_EQ(second.Value(), 0) << c.what << ": the second control is never touched";
        EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), size_t(c.wantFirst != 0)) << c.what;
        ExpectNothingHeld();
    }
}

TEST_F(WriterEdgeTest, LineWithoutTheControlWritesNothing) {
    sim::Line& l = LoneSource();
    sim::Control& mute = l.AddControl(kMute, 0, kUniform);
    EXPECT_EQ(SetMixer(kLine, OpPlayVolume, 5000, "", 0), 1);
    EXPECT_EQ(SetMixer(kLine, OpPlayBalance, 3, "", 0), 1);
    EXPECT_EQ(SetMixer(kLine, OpPlayBoost, 1, "", 0), 1);
    EXPECT_TRUE(DetailCalls().empty());
    EXPECT_EQ(mute.Value(), 0);
    ExpectNothingHeld();
}

TEST_F(WriterEdgeTest, LevelNeverComputesFromUnfilledChannels) {
    // A uniform volume asked for both channels fills and applies only the
    // first (Wine does this). The second channel must enter the rules as 0,
    // never as whatever the buffer held.
    struct Case {
        LONG op, before, value;
        std::vector<LONG> written;
    } cases[] = {
        {OpPlayVolume, 30000, 5000, {5000, 0}},
        {OpPlayVolume, 0, 5000, {5000, 5000}},
        {OpPlayBalance, 28000, 3, {28000, 12000}},
        {OpPlayBalance, 28000, 12, {12000, 28000}},
    };
    for (const Case& c : cases) {
        sim::Reset();
        sim::Control& vol = LoneSource(2).AddControl(kVolume, c.before, kUniform);
        vol.firstChannelOnly = true;
        EXPECT_EQ(SetMixer(kLine, c.op, c.value, "", 0), 1);
        const std::vector<sim::Call> writes = sim::CallsOf("mixerSetControlDetails");
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].values, c.written) << "op " << c.op << " value " << c.value;
        EXPECT_EQ(vol.Value(), c.written[0]);
    }
}

// ---- Single-select codes ---------------------------------------------------------

// A recording source (code 5) and a playback source (code 6) with a
// three-item single-select control.
struct SelectCard {
    sim::Control* rec;
    sim::Control* play;
};

SelectCard BuildSelectCard(const std::vector<DWORD>& selected, bool strict = false) {
    nlohmann::json card = TestCard("typical");
    const nlohmann::json select = {{"type", "singleselect"}, {"items", {"A", "B", "C"}}, {"selected", selected},
                                   {"refuseBadSelection", strict}};
    for (nlohmann::json& destination : card["devices"][0]["destinations"])
        for (nlohmann::json& source : destination["sources"])
            if (source["type"] == "compactdisc") source["controls"].push_back(select);
    sim::LoadCard(card, "typical.json with single-select controls");
    sim::Device& device = sim::Devices().back();
    return {device.destinations[1].FindSource(kCD)->Find(MIXERCONTROL_CONTROLTYPE_SINGLESELECT),
            device.destinations[0].FindSource(kCD)->Find(MIXERCONTROL_CONTROLTYPE_SINGLESELECT)};
}

std::vector<LONG> Items(const sim::Control* c) { return {c->Value(0, 0), c->Value(0, 1), c->Value(0, 2)}; }

TEST_F(WriterEdgeTest, SingleSelectCodesSetTheFirstItem) {
    // The request carries all items, one value each; a non-zero value selects
    // the first item and clears the others, 0 clears the first item only.
    struct Case {
        std::vector<DWORD> selected;
        LONG value;
        std::vector<LONG> after;
    } cases[] = {
        {{2}, 1, {1, 0, 0}}, {{2}, 7, {1, 0, 0}}, {{0}, 1, {1, 0, 0}},
        {{0}, 0, {0, 0, 0}}, {{1}, 0, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        for (LONG op : {LONG(OpRecSelect), LONG(OpPlaySelect)}) {
            sim::Reset();
            SelectCard card = BuildSelectCard(c.selected);
            sim::Control* ctl = op == OpRecSelect ? card.rec : card.play;
            sim::Control* other = op == OpRecSelect ? card.play : card.rec;
            EXPECT_EQ(SetMixer(kCD, op, c.value, "", 0), 1);
            EXPECT_EQ(Items(ctl), c.after) << "op " << op << " value " << c.value;
            std::vector<LONG> initial(3, 0);
            for (DWORD i : c.selected) initial[i] = 1;
            EXPECT_EQ(Items(other), initial) << "op " << op << ": the other destination's control";
            const std::vector<sim::Call> details = DetailCalls();
            ASSERT_EQ(details.size(), 2u);
            for (const sim::Call& d : details) {
                EXPECT_EQ(d.cChannels, 1u);
                EXPECT_EQ(d.cMultipleItems, 3u);
                EXPECT_EQ(d.result, MMSYSERR_NOERROR) << d.fn;
            }
            EXPECT_EQ(details[1].values, c.after);
            ExpectNothingHeld();
        }
    }
}

TEST_F(WriterEdgeTest, SingleSelectSelectionIsAcceptedByStrictDrivers) {
    // A driver that refuses a write with other than one item selected takes
    // the selection of the first item.
    SelectCard card = BuildSelectCard({1}, true);
    EXPECT_EQ(SetMixer(kCD, OpRecSelect, 1, "", 0), 1);
    EXPECT_EQ(Items(card.rec), (std::vector<LONG>{1, 0, 0}));
    EXPECT_EQ(sim::CallsOf("mixerSetControlDetails").back().result, MMSYSERR_NOERROR);
}

TEST_F(WriterEdgeTest, SingleSelectBufferRefusedWritesNothing) {
    SelectCard card = BuildSelectCard({1});
    sim::FailFunction("LocalAlloc", 0);
    EXPECT_EQ(SetMixer(kCD, OpRecSelect, 1, "", 0), 1);
    EXPECT_TRUE(DetailCalls().empty());
    EXPECT_EQ(Items(card.rec), (std::vector<LONG>{0, 1, 0}));
    ExpectNothingHeld();
}

}  // namespace
