// Line search and control writer.
#include "engine/engine.h"
#include "fixture.h"

#include <cstring>

namespace {

class WriterTest : public SimTest {};

TEST_F(WriterTest, LevelKeepsTheChannelRatio) {
    TypicalCard card = BuildTypicalCard();
    sim::Control* vol = card.speakers->FindSource(MIXERLINE_COMPONENTTYPE_SRC_LINE)->Find(MIXERCONTROL_CONTROLTYPE_VOLUME);
    struct Case {
        LONG first, last, level, wantFirst, wantLast;
    } cases[] = {{40000, 20000, 30000, 30000, 15000}, {20000, 40000, 30000, 15000, 30000},
                 {0, 0, 12345, 12345, 12345},         {7, 10, 90, 62, 90},
                 {30000, 30000, 5000, 5000, 5000}};
    for (const Case& c : cases) {
        vol->values = {c.first, c.last};
        EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, OpPlayVolume, c.level, "", 0), 1);
        EXPECT_EQ(vol->Value(0), c.wantFirst) << c.first << "," << c.last << " -> " << c.level;
        EXPECT_EQ(vol->Value(1), c.wantLast) << c.first << "," << c.last << " -> " << c.level;
    }
    ExpectNothingHeld();
}

TEST_F(WriterTest, BalanceWorkedExamples) {
    TypicalCard card = BuildTypicalCard();
    sim::Control* vol = card.speakers->FindSource(MIXERLINE_COMPONENTTYPE_SRC_LINE)->Find(MIXERCONTROL_CONTROLTYPE_VOLUME);
    struct Case {
        LONG first, last, pos, wantFirst, wantLast;
    } cases[] = {{40000, 20000, 0, 40000, 0},      {40000, 20000, 3, 40000, 17142},
                 {40000, 20000, 7, 40000, 40000},  {40000, 20000, 8, 40000, 40000},
                 {40000, 20000, 12, 17142, 40000}, {20000, 40000, 3, 40000, 17142},
                 {40000, 20000, 15, 0, 40000}};
    for (const Case& c : cases) {
        vol->values = {c.first, c.last};
        EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, OpPlayBalance, c.pos, "", 0), 1);
        EXPECT_EQ(vol->Value(0), c.wantFirst) << "position " << c.pos;
        EXPECT_EQ(vol->Value(1), c.wantLast) << "position " << c.pos;
    }
}

TEST_F(WriterTest, OneSeventhIsTheNearestDouble) {
    // 3 x 40000 x s, with s the double nearest 1/7, truncates to 17142; the
    // balance rule on a one-channel line leaves trunc(b x 700 x s).
    LONG a = 700, b = 700;
    ApplyBalanceRule(&a, &a, 3);
    EXPECT_EQ(a, 300);
    ApplyBalanceRule(&b, &b, 9);
    EXPECT_EQ(b, 700);
    double s = 0.14285714285714285;
    uint64_t bits;
    std::memcpy(&bits, &s, sizeof bits);
    EXPECT_EQ(bits, 0x3FC2492492492492ull);
}

TEST_F(WriterTest, MuteWritesZeroOrOne) {
    TypicalCard card = BuildTypicalCard();
    sim::Control* mute = card.speakers->FindSource(MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC)->Find(MIXERCONTROL_CONTROLTYPE_MUTE);
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, OpPlayMute, 5, "", 0), 1);
    EXPECT_EQ(mute->Value(), 1);
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, OpPlayMute, 0, "", 0), 1);
    EXPECT_EQ(mute->Value(), 0);
}

TEST_F(WriterTest, SearchOutcomes) {
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, OpPlayVolume, 1, "", 0), 0);  // no device
    EXPECT_EQ(sim::CountOf("mixerOpen"), 0u);
    TypicalCard card = BuildTypicalCard();
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, OpPlayVolume, 1, "No Such Line", 1), 0);
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, OpPlayVolume, 1, nullptr, 1), 0);
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, OpPlayVolume, 1, "", 0), 0);
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, OpNone, 1, "", 0), 1);
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, 99, 1, "", 0), 1);
    EXPECT_EQ(SetMixer(0, OpRecVolume, 1234, "Microphone", 1), 1);
    EXPECT_EQ(card.wavein->FindSource(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)->Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->Value(), 1234);
    ExpectNothingHeld();
}

TEST_F(WriterTest, EveryPlatformFailureReleasesEverything) {
    // Fails each call of SetMixer in turn: the result is 1 only when the line
    // was found, that is when the failing call came after the search.
    int runs = ForEachPlatformFault([] { BuildTypicalCard(); },
                                    [] { return SetMixer(MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, OpPlayVolume, 100, "", 0); },
                                    [](size_t n, const sim::Call& call, LONG result) {
                                        const bool afterSearch = call.fn != "mixerGetNumDevs" && call.fn != "mixerOpen" &&
                                                                 call.fn != "mixerGetDevCapsA" &&
                                                                 !(call.fn == "mixerGetLineInfoA" && call.flags != MIXER_GETLINEINFOF_LINEID);
                                        EXPECT_EQ(result, afterSearch ? 1 : 0) << "failing call " << n << " " << call.fn;
                                    });
    EXPECT_GT(runs, 8);
}

}  // namespace
