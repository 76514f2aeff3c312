// Control reader: QueryControl's results, reads that write nothing, and reads
// that the platform answers without filling the value.
#include "engine_cards.h"
#include "short_names.h"

#include <functional>

namespace {

using namespace nlohmann::literals;


class ReaderTest : public SimTest {};

// A line-in source with a volume of 3000, a mute at 1, a boost at 1 and a
// single-select control with its second item selected.
sim::Line& FullSource() {
    return LoneSource(2, R"([{"type": "volume", "value": 3000}, {"type": "mute", "flags": ["uniform"], "value": 1},
                             {"type": "onoff", "flags": ["uniform"], "value": 1},
                             {"type": "singleselect", "items": ["A", "B", "C"], "selected": [1]}])"_json);
}

DWORD FullSourceFailing(const char* fn, int occurrence = 0) {
    DWORD id = FullSource().id;
    sim::FailFunction(fn, MMSYSERR_ERROR, occurrence);
    return id;
}

TEST_F(ReaderTest, QueryControlResults) {
    struct Case {
        const char* what;
        std::function<DWORD()> build;
        LONG op;
        LONG want;
        size_t reads, writes;
    } cases[] = {
        {"unknown line", [] { FullSource(); return DWORD(0x7777); }, OpPlayVolume, -1, 0, 0},
        {"line read fails", [] { return FullSourceFailing("mixerGetLineInfoA"); }, OpPlayVolume, -1, 0, 0},
        {"no controls", [] { return LoneSource().id; }, OpPlayMute, -1, 0, 0},
        {"no controls, balance code", [] { return LoneSource().id; }, OpPlayBalance, -1, 0, 0},
        {"no process heap", [] { return FullSourceFailing("GetProcessHeap"); }, OpPlayVolume, -1, 0, 0},
        {"control array refused", [] { return FullSourceFailing("HeapAlloc"); }, OpPlayVolume, -1, 0, 0},
        {"control list fails", [] { return FullSourceFailing("mixerGetLineControlsA"); }, OpPlayVolume, 0, 0, 0},
        {"no control of the kind",
         [] {
             sim::Line& l = LoneSource();
             l.AddControl(kMute, 1, kUniform);
             return l.id;
         },
         OpPlayVolume, 0, 0, 0},
        {"play balance", [] { return FullSource().id; }, OpPlayBalance, 0, 0, 0},
        {"recording balance", [] { return FullSource().id; }, OpRecBalance, 0, 0, 0},
        {"main balance", [] { return FullSource().id; }, OpMainBalance, 0, 0, 0},
        {"code 11", [] { return FullSource().id; }, OpNone, 0, 0, 0},
        {"code 42", [] { return FullSource().id; }, 42, 0, 0, 0},
        {"first mute disabled",
         [] {
             sim::Line& l = LoneSource();
             l.AddControl(kMute, 1, kUniform | MIXERCONTROL_CONTROLF_DISABLED);
             l.AddControl(kMute, 1, kUniform);
             return l.id;
         },
         OpPlayMute, -1, 0, 0},
        {"read fails", [] { return FullSourceFailing("mixerGetControlDetailsA"); }, OpPlayVolume, -1, 1, 0},
        // A read asks for no write, so a platform refusing writes changes nothing.
        {"writes refused, volume", [] { return FullSourceFailing("mixerSetControlDetails"); }, OpPlayVolume, 3000,
         1, 0},
        {"writes refused, boost", [] { return FullSourceFailing("mixerSetControlDetails"); }, OpPlayBoost, 1, 1, 0},
        {"writes refused, select", [] { return FullSourceFailing("mixerSetControlDetails"); }, OpPlaySelect, 0, 1,
         0},
        {"writes refused, mute", [] { return FullSourceFailing("mixerSetControlDetails"); }, OpPlayMute, 1, 1, 0},
        {"select buffer refused", [] { return FullSourceFailing("LocalAlloc"); }, OpPlaySelect, -1, 0, 0},
        {"volume", [] { return FullSource().id; }, OpPlayVolume, 3000, 1, 0},
        {"mute", [] { return FullSource().id; }, OpPlayMute, 1, 1, 0},
        {"boost", [] { return FullSource().id; }, OpPlayBoost, 1, 1, 0},
        {"select, first item not selected", [] { return FullSource().id; }, OpPlaySelect, 0, 1, 0},
    };
    for (const Case& c : cases) {
        OnCallersHandle(c.build, c.what, [&c](DWORD line, HMIXER h) {
            EXPECT_EQ(QueryControl(line, 0, reinterpret_cast<HMIXEROBJ>(h), c.op), c.want) << c.what;
            EXPECT_EQ(sim::CountOf("mixerGetControlDetailsA"), c.reads) << c.what;
            EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), c.writes) << c.what;
        });
    }
}

TEST_F(ReaderTest, ReadsWriteNothing) {
    // One one-channel read and no write, for every kind and whichever code
    // asked, on uniform controls and one-channel lines.
    struct Case {
        LONG op;
        DWORD type, items;
    } cases[] = {{OpPlayMute, kCD, 0},   {OpRecMute, kMic, 0},         {OpRecVolume, kMic, 0},
                 {OpPlayVolume, kMic, 0}, {OpRecSelect, kCD, 3},        {OpPlaySelect, kCD, 2},
                 {OpMainMute, kSpeakers, 0}, {OpPlayBoost, kMic, 0},    {OpRecBoost, kMic, 0}};
    for (const Case& c : cases) {
        sim::Reset();
        TypicalCard card = BuildDistinctCard();
        card.wavein->FindSource(kCD)->AddList(kSingle, {"A", "B", "C"}, {0});
        card.speakers->FindSource(kCD)->AddList(kSingle, {"A", "B"}, {1});
        const LONG got = GetMixer(c.type, c.op, 0, "", 0);
        const std::vector<sim::Call> details = DetailCalls();
        ASSERT_EQ(details.size(), 1u) << c.op;
        const sim::Call& read = details[0];
        EXPECT_EQ(read.fn, "mixerGetControlDetailsA");
        EXPECT_EQ(read.cChannels, 1u) << c.op;
        EXPECT_EQ(read.cMultipleItems, c.items) << c.op;
        EXPECT_EQ(read.cbDetails, 4u) << c.op;
        EXPECT_EQ(read.result, MMSYSERR_NOERROR) << c.op;
        ASSERT_FALSE(read.values.empty());
        EXPECT_EQ(got, read.values[0]) << c.op;
        ExpectNothingHeld();
    }
}

TEST_F(ReaderTest, StereoVolumeIsReadAsOneLevelAndKeepsItsBalance) {
    // A control with a value per channel is read as one level, and nothing is
    // written: the channels keep their values and the line its balance.
    for (LONG op : {LONG(OpPlayVolume), LONG(OpMainVolume)}) {
        sim::Reset();
        TypicalCard card = BuildTypicalCard();
        sim::Line* line = op == OpMainVolume ? static_cast<sim::Line*>(card.speakers) : card.speakers->FindSource(kCD);
        VolumeOf(line)->values = {20000, 40000};
        const LONG got = GetMixer(op == OpMainVolume ? kSpeakers : kCD, op, 0, "", 0);
        EXPECT_TRUE(got == 20000 || got == 40000) << got;
        EXPECT_EQ(VolumeOf(line)->values, (std::vector<LONG>{20000, 40000})) << "op " << op;
        const std::vector<sim::Call> details = DetailCalls();
        ASSERT_EQ(details.size(), 1u);
        EXPECT_EQ(details[0].fn, "mixerGetControlDetailsA");
        EXPECT_EQ(details[0].cChannels, 1u);
        EXPECT_EQ(details[0].values, std::vector<LONG>{got});
        ExpectNothingHeld();
    }
}

TEST_F(ReaderTest, PerChannelControlsNeedNothingButTheRead) {
    // Controls with a value per channel are read with the one one-channel
    // request: neither a refused write nor a refused buffer changes a reading.
    for (const char* fn : {"mixerSetControlDetails", "LocalAlloc"}) {
        sim::Reset();
        sim::Line& l = LoneSource();
        l.AddControl(kVolume, 3000);
        l.AddControl(kMute, 1);  // a mute per channel
        sim::FailFunction(fn, MMSYSERR_NOMEM);
        EXPECT_EQ(GetMixer(kLine, OpPlayVolume, 0, "", 0), 3000) << fn;
        EXPECT_EQ(GetMixer(kLine, OpPlayMute, 0, "", 0), 1) << fn;
        sim::ClearFaults();
        ExpectNothingHeld();
    }
    sim::Reset();
    sim::Line& l = LoneSource();
    l.AddControl(kVolume, 3000);
    sim::FailFunction("mixerGetControlDetailsA", MMSYSERR_ERROR, 2);  // a second read, if one came
    EXPECT_EQ(GetMixer(kLine, OpPlayVolume, 0, "", 0), 3000);
    EXPECT_EQ(sim::CountOf("mixerGetControlDetailsA"), 1u);
    EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u);
}

TEST_F(ReaderTest, MuteReadsAsTheLineIsAndStays) {
    TypicalCard card = BuildTypicalCard();
    sim::Control* cd = MuteOf(card.speakers->FindSource(kCD));
    sim::Control* line = MuteOf(card.speakers->FindSource(kLine));
    sim::Control* master = MuteOf(card.speakers);
    cd->SetAll(1);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(GetMixer(kCD, OpPlayMute, 0, "", 0), 1);
        EXPECT_EQ(GetMixer(kLine, OpPlayMute, 0, "", 0), 0);
        EXPECT_EQ(GetMixer(kSpeakers, OpMainMute, 0, "", 0), 0);
        EXPECT_EQ(cd->Value(), 1);
        EXPECT_EQ(line->Value(), 0);
        EXPECT_EQ(master->Value(), 0);
    }
    master->SetAll(1);
    EXPECT_EQ(GetMixer(kSpeakers, OpMainMute, 0, "", 0), 1);
    EXPECT_EQ(master->Value(), 1);
}

TEST_F(ReaderTest, SingleSelectCodesReportTheFirstItem) {
    struct Case {
        std::vector<DWORD> selected;
        LONG want;
    } cases[] = {{{0}, 1}, {{1}, 0}, {{2}, 0}, {{}, 0}};
    for (const Case& c : cases) {
        for (LONG op : {LONG(OpRecSelect), LONG(OpPlaySelect)}) {
            sim::Reset();
            TypicalCard card = BuildTypicalCard();
            sim::Destination* d = op == OpRecSelect ? card.wavein : card.speakers;
            sim::Control& sel = d->FindSource(kCD)->AddList(kSingle, {"A", "B", "C"}, c.selected);
            const std::vector<LONG> before = sel.values;
            EXPECT_EQ(GetMixer(kCD, op, 0, "", 0), c.want) << "op " << op;
            EXPECT_EQ(sel.values, before) << "op " << op << ": a read keeps the selection";
            ExpectNothingHeld();
        }
    }
}

TEST_F(ReaderTest, UnfilledReadsReportZero) {
    // A platform may answer a read as done without writing the value (Wine
    // does for its source-line controls): the reading is 0, not old memory.
    struct Case {
        LONG op;
        DWORD type;
    } cases[] = {{OpPlayVolume, kVolume}, {OpPlayMute, kMute}, {OpPlayBoost, kOnOff}, {OpPlaySelect, kSingle}};
    for (const Case& c : cases) {
        sim::Reset();
        sim::Line& l = LoneSource();
        sim::Control& ctl = c.type == kSingle ? l.AddList(kSingle, {"A", "B", "C", "D"}, {0, 2})
                                              : l.AddControl(c.type, 1, c.type == kVolume ? 0 : kUniform);
        ctl.leaveUnfilled = true;
        EXPECT_EQ(GetMixer(kLine, c.op, 0, "", 0), 0) << "op " << c.op;
        EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u) << "op " << c.op << ": the 0 is not written";
        EXPECT_EQ(ctl.Value(), 1) << "op " << c.op << ": the control keeps its value";
    }
}

}  // namespace
