// The values people type and the arithmetic behind percentages, steps and
// the arrival rule.
#include "mixerctl.h"

#include <gtest/gtest.h>

using namespace mixerctl;

namespace {

// A percentage's level, as `set` writes N%.
LONG PercentToLevel(long long percent, LONG min, LONG max) {
    return ResolveLevel({ValueForm::Percent, percent}, 0, min, max);
}

TypedValue Level(const std::string& text) {
    TypedValue v;
    EXPECT_TRUE(ParseLevel(text, &v)) << text;
    return v;
}

}  // namespace

TEST(Values, LevelFormsAndTheirNumbers) {
    struct Case {
        const char* text;
        ValueForm form;
        long long number;
    } cases[] = {
        {"0", ValueForm::Absolute, 0},          {"65535", ValueForm::Absolute, 65535},
        {"0x8000", ValueForm::Absolute, 32768}, {"4294967295", ValueForm::Absolute, 4294967295LL},
        {"0%", ValueForm::Percent, 0},          {"100%", ValueForm::Percent, 100},
        {"+5", ValueForm::Relative, 5},         {"5+", ValueForm::Relative, 5},
        {"1-", ValueForm::Relative, -1},        {"4294967295-", ValueForm::Relative, -4294967295LL},
        {"+5%", ValueForm::RelativePercent, 5}, {"-100%", ValueForm::RelativePercent, -100},
        {"5%+", ValueForm::RelativePercent, 5}, {"5%-", ValueForm::RelativePercent, -5},
        // A negative number is a level (which no volume range holds), not a step.
        {"-1", ValueForm::Absolute, -1},        {"-0x10", ValueForm::Absolute, -16},
    };
    for (const Case& c : cases) {
        TypedValue v = Level(c.text);
        EXPECT_EQ(v.form, c.form) << c.text;
        EXPECT_EQ(v.number, c.number) << c.text;
    }
}

TEST(Values, LevelTextsThatAreNone) {
    TypedValue v;
    for (const char* bad : {"", "%", "+", "-", "+%", "%-", "101%", "+101%", "101%-", "12.5%", "1e3", "0x", "+0x10",
                            "0x10-", "4294967296", "-4294967296", "50 %", " 50", "5%%", "fifty", "-5%x", "0x1g",
                            "+5-", "--5", "-5%+"})
        EXPECT_FALSE(ParseLevel(bad, &v)) << "'" << bad << "'";
}

TEST(Values, SwitchWords) {
    TypedValue v;
    for (const char* on : {"1", "on", "ON", "mute", "Mute"}) {
        ASSERT_TRUE(ParseSwitch(on, true, &v)) << on;
        EXPECT_EQ(v.form, ValueForm::Absolute);
        EXPECT_EQ(v.number, 1) << on;
    }
    for (const char* off : {"0", "off", "Off", "unmute"}) {
        ASSERT_TRUE(ParseSwitch(off, true, &v)) << off;
        EXPECT_EQ(v.number, 0) << off;
    }
    ASSERT_TRUE(ParseSwitch("toggle", false, &v));
    EXPECT_EQ(v.form, ValueForm::Toggle);
    // mute and unmute are words of the mute switch only.
    EXPECT_FALSE(ParseSwitch("mute", false, &v));
    EXPECT_FALSE(ParseSwitch("unmute", false, &v));
    for (const char* bad : {"2", "-1", "yes", "", "01", "0x1"}) EXPECT_FALSE(ParseSwitch(bad, true, &v)) << bad;
}

TEST(Values, RoundingTakesHalvesAwayFromZero) {
    EXPECT_EQ(RoundedDivision(5, 2), 3);
    EXPECT_EQ(RoundedDivision(-5, 2), -3);
    EXPECT_EQ(RoundedDivision(4, 3), 1);
    EXPECT_EQ(RoundedDivision(5, 3), 2);
    EXPECT_EQ(RoundedDivision(-4, 3), -1);
    EXPECT_EQ(RoundedDivision(-5, 3), -2);
    EXPECT_EQ(RoundedDivision(0, 7), 0);
    EXPECT_EQ(RoundedDivision(6553500, 100), 65535);
}

TEST(Values, PercentagesOfTheRange) {
    EXPECT_EQ(PercentToLevel(0, 0, 65535), 0);
    EXPECT_EQ(PercentToLevel(50, 0, 65535), 32768);  // 32767.5, half away from zero
    EXPECT_EQ(PercentToLevel(1, 0, 65535), 655);     // 655.35
    EXPECT_EQ(PercentToLevel(100, 0, 65535), 65535);
    EXPECT_EQ(PercentToLevel(50, 10, 500), 255);
    EXPECT_EQ(PercentToLevel(25, -100, 100), -50);
    EXPECT_EQ(LevelToPercent(32768, 0, 65535), 50);
    EXPECT_EQ(LevelToPercent(327, 0, 65535), 0);   // 0.499
    EXPECT_EQ(LevelToPercent(328, 0, 65535), 1);   // 0.5005
    EXPECT_EQ(LevelToPercent(-150, -100, 100), -25);  // outside the range: outside 0..100
    EXPECT_EQ(LevelToPercent(0, 10, 500), -2);        // -2.04
    // Every percentage survives the round trip on ranges of 100 units or more.
    for (auto range : {std::pair<LONG, LONG>{0, 65535}, {0, 100}, {10, 500}, {-32768, 32767}, {0, 0x7FFFFFFF}})
        for (int p = 0; p <= 100; ++p)
            EXPECT_EQ(LevelToPercent(PercentToLevel(p, range.first, range.second), range.first, range.second), p)
                << p << "% of " << range.first << ".." << range.second;
}

TEST(Values, StepsStartAtTheCurrentLevelAndStopAtTheEnds) {
    TypedValue v;
    ASSERT_TRUE(ParseLevel("+1000", &v));
    EXPECT_EQ(ResolveLevel(v, 20000, 0, 65535), 21000);
    EXPECT_EQ(ResolveLevel(v, 65000, 0, 65535), 65535);
    ASSERT_TRUE(ParseLevel("1000-", &v));
    EXPECT_EQ(ResolveLevel(v, 500, 0, 65535), 0);
    EXPECT_EQ(ResolveLevel(v, 500, 100, 65535), 100);
    ASSERT_TRUE(ParseLevel("+5%", &v));
    EXPECT_EQ(ResolveLevel(v, 20000, 0, 65535), 23277);  // 5% is 3276.75 -> 3277
    ASSERT_TRUE(ParseLevel("-5%", &v));
    EXPECT_EQ(ResolveLevel(v, 20000, 0, 65535), 16723);
    EXPECT_EQ(ResolveLevel(v, 1000, 0, 65535), 0);
    ASSERT_TRUE(ParseLevel("4294967295-", &v));
    EXPECT_EQ(ResolveLevel(v, 65535, 0, 65535), 0);
    // A current level outside the range (a driver's own) comes back into it.
    ASSERT_TRUE(ParseLevel("+0", &v));
    EXPECT_EQ(ResolveLevel(v, 70000, 0, 65535), 65535);
    // Absolute forms ignore the current level.
    ASSERT_TRUE(ParseLevel("40%", &v));
    EXPECT_EQ(ResolveLevel(v, 12345, 0, 65535), 26214);
}

TEST(Values, ALevelArrivesWithinOneStepOfTheControl) {
    EXPECT_EQ(LevelTolerance(0, 65535, 192), 342);  // Wine's master volume
    EXPECT_EQ(LevelTolerance(0, 65535, 32), 2048);
    EXPECT_EQ(LevelTolerance(0, 65535, 0), 1);      // no steps reported
    EXPECT_EQ(LevelTolerance(0, 65535, 65536), 1);  // finer steps than units
    EXPECT_EQ(LevelTolerance(5, 5, 10), 1);         // an empty range
    EXPECT_TRUE(LevelArrived(1000, 999, 1));        // Wine's float rounding
    EXPECT_TRUE(LevelArrived(1000, 1001, 1));
    EXPECT_FALSE(LevelArrived(1000, 998, 1));
    EXPECT_TRUE(LevelArrived(12850, 12850 - 342, 342));
    EXPECT_FALSE(LevelArrived(12850, 0, 342));  // a write the mixer ignored
}
