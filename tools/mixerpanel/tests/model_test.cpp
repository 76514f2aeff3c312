// The window-free part of mixerpanel: the strip table against the library's
// export list, fader scales, meters, the selector listing, the boost's
// display, the command line and the page layout.
#include "export_names.h"
#include "model.h"

#include <gtest/gtest.h>

#include <set>

namespace mixerpanel {
namespace {

TEST(StripTable, EveryExportTheStripsUseIsOneOfTheLibrarys) {
    const std::set<std::string> def = ExportNames();
    ASSERT_EQ(def.size(), 91u);
    const std::vector<std::string> used = ExportsUsed();
    EXPECT_EQ(std::set<std::string>(used.begin(), used.end()).size(), used.size()) << "a name listed twice";
    for (const std::string& name : used) EXPECT_TRUE(def.count(name)) << name;
    // Every per-line volume, mute, select setter and getter of the library
    // has a control on some strip.
    for (const std::string& name : def) {
        const bool perLine = (name.rfind("SetPlay", 0) == 0 || name.rfind("GetPlay", 0) == 0 ||
                              name.rfind("SetRec", 0) == 0 || name.rfind("GetRec", 0) == 0);
        // SetPlayRecMonitorMute is one of the library's no-op names.
        if (!perLine || name == "SetPlayRecMonitorMute") continue;
        EXPECT_NE(std::find(used.begin(), used.end(), name), used.end()) << name << " has no control";
    }
}

TEST(StripTable, ReadersWritersAndMemoryGoTogether) {
    for (Page page : {Page::Playback, Page::Recording}) {
        std::set<std::string> labels;
        int destinations = 0;
        for (int i = 0; i < kStripsPerPage; ++i) {
            const StripSpec& s = Strip(page, i);
            SCOPED_TRACE(s.label);
            EXPECT_TRUE(labels.insert(s.label).second);
            EXPECT_TRUE(*s.volumeGet && *s.volumeSet);
            EXPECT_EQ(*s.muteGet != 0, *s.muteSet != 0);
            EXPECT_EQ(*s.selectGet != 0, *s.selectSet != 0);
            EXPECT_EQ(*s.selectSet != 0, s.selectKind != 0);
            // Balance cannot be read: each balance strip remembers its own position.
            EXPECT_EQ(*s.balanceSet != 0, *s.memoryKey != 0);
            destinations += s.destination;
            EXPECT_NE(s.componentType, 0u);
        }
        EXPECT_EQ(destinations, page == Page::Playback ? 1 : 0);
    }
    std::set<std::string> keys;
    for (Page page : {Page::Playback, Page::Recording})
        for (int i = 0; i < kStripsPerPage; ++i)
            if (*Strip(page, i).memoryKey) {
                EXPECT_TRUE(keys.insert(Strip(page, i).memoryKey).second);
            }
}

TEST(FaderScale, FullRangeMapsEveryLevelBothWays) {
    const FaderScale s = MakeFaderScale(0, 65535);
    EXPECT_EQ(s.steps, 65535);
    EXPECT_EQ(FaderPosition(s, 65535), 0);  // the top is the maximum
    EXPECT_EQ(FaderPosition(s, 0), 65535);
    for (int64_t v = 0; v <= 65535; ++v) ASSERT_EQ(FaderValue(s, FaderPosition(s, v)), v);
    EXPECT_EQ(FaderPosition(s, -5), 65535);  // clamped
    EXPECT_EQ(FaderPosition(s, 70000), 0);
    EXPECT_EQ(FaderValue(s, -1), 65535);
    EXPECT_EQ(FaderValue(s, 70000), 0);
}

TEST(FaderScale, WideNarrowSwappedAndEmptyBounds) {
    const FaderScale wide = MakeFaderScale(0, 0xFFFFFFFFLL);
    EXPECT_EQ(wide.steps, 65535);
    int64_t previous = -1;
    for (int pos = wide.steps; pos >= 0; pos -= 97) {
        const int64_t v = FaderValue(wide, pos);
        EXPECT_GT(v, previous);
        previous = v;
        EXPECT_LE(std::llabs(FaderPosition(wide, v) - pos), 0);
    }
    EXPECT_EQ(FaderValue(wide, 0), 0xFFFFFFFFLL);

    const FaderScale swapped = MakeFaderScale(100, -100);
    EXPECT_EQ(swapped.minimum, -100);
    EXPECT_EQ(swapped.maximum, 100);
    EXPECT_EQ(swapped.steps, 200);
    EXPECT_EQ(FaderValue(swapped, FaderPosition(swapped, -37)), -37);
    EXPECT_EQ(Percent(swapped, 0), 50);

    const FaderScale empty = MakeFaderScale(7, 7);
    EXPECT_EQ(empty.steps, 1);
    EXPECT_EQ(FaderValue(empty, 0), 7);
    EXPECT_EQ(FaderValue(empty, 1), 7);
    EXPECT_EQ(Percent(empty, 7), 100);
    EXPECT_EQ(LineStep(empty), 1);
    EXPECT_EQ(PageStep(empty), 1);
}

TEST(FaderScale, PercentAndKeyboardSteps) {
    const FaderScale s = MakeFaderScale(0, 65535);
    EXPECT_EQ(Percent(s, 0), 0);
    EXPECT_EQ(Percent(s, 65535), 100);
    EXPECT_EQ(Percent(s, 49151), 75);
    EXPECT_EQ(Percent(s, 327), 0);  // 0.499 %
    EXPECT_EQ(Percent(s, 328), 1);  // 0.5005 %
    EXPECT_EQ(Percent(s, -1), 0);
    EXPECT_EQ(LineStep(s), 655);
    EXPECT_EQ(PageStep(s), 6553);
    EXPECT_EQ(LineStep(MakeFaderScale(0, 15)), 1);
}

TEST(Balance, EveryPositionHasATextOfItsOwn) {
    EXPECT_EQ(BalanceText(0), "Left 7");
    EXPECT_EQ(BalanceText(6), "Left 1");
    EXPECT_EQ(BalanceText(7), "Centre-left");
    EXPECT_EQ(BalanceText(8), "Centre-right");
    EXPECT_EQ(BalanceText(9), "Right 1");
    EXPECT_EQ(BalanceText(15), "Right 7");
    EXPECT_EQ(BalanceText(-3), "Left 7");
    EXPECT_EQ(BalanceText(99), "Right 7");
    std::set<std::string> texts;
    for (int position = 0; position < kBalancePositions; ++position) texts.insert(BalanceText(position));
    EXPECT_EQ(texts.size(), static_cast<size_t>(kBalancePositions));
}

TEST(Meter, SixtyDecibelScale) {
    EXPECT_EQ(MeterFraction(0, 32768), 0.0);
    EXPECT_EQ(MeterFraction(-5, 32768), 0.0);
    EXPECT_DOUBLE_EQ(MeterFraction(32768, 32768), 1.0);
    EXPECT_DOUBLE_EQ(MeterFraction(99999, 32768), 1.0);
    EXPECT_NEAR(MeterFraction(16384, 32768), 1.0 - 6.0206 / 60.0, 1e-4);
    EXPECT_NEAR(MeterFraction(33, 32768), 0.0, 0.002);  // -60 dB
    EXPECT_EQ(MeterFraction(3, 32768), 0.0);             // below the scale
    EXPECT_DOUBLE_EQ(MeterFraction(16384, 0), MeterFraction(16384, 32768));  // no bounds: 16 bits
}

TEST(Meter, RisesAtOnceFallsSlowlyAndHoldsThePeak) {
    MeterState m;
    EXPECT_FALSE(MeterTick(m, 0.0));  // silence stays silent: no redraw
    EXPECT_TRUE(MeterTick(m, 0.9));
    EXPECT_DOUBLE_EQ(m.level, 0.9);
    EXPECT_DOUBLE_EQ(m.peak, 0.9);
    EXPECT_TRUE(MeterTick(m, 0.0));
    EXPECT_NEAR(m.level, 0.87, 1e-9);
    for (int i = 1; i < kMeterHoldTicks; ++i) MeterTick(m, 0.0);
    EXPECT_DOUBLE_EQ(m.peak, 0.9);  // held for a second at 20 Hz
    MeterTick(m, 0.0);
    EXPECT_LT(m.peak, 0.9);
    int ticks = 0;
    while (MeterTick(m, 0.0)) ++ticks;
    EXPECT_EQ(m.level, 0.0);
    EXPECT_EQ(m.peak, 0.0);
    EXPECT_LT(ticks, 60);  // everything is down within three seconds
    EXPECT_TRUE(MeterTick(m, 2.0));  // out of range readings are clamped
    EXPECT_DOUBLE_EQ(m.level, 1.0);
}

TEST(RecordChannels, ProductThenItems) {
    RecordChannels r = ParseRecordChannels("Card|Line In|Microphone|");
    EXPECT_EQ(r.product, "Card");
    EXPECT_EQ(r.items, (std::vector<std::string>{"Line In", "Microphone"}));
    r = ParseRecordChannels("Card|");
    EXPECT_EQ(r.product, "Card");
    EXPECT_TRUE(r.items.empty());
    r = ParseRecordChannels("");
    EXPECT_EQ(r.product, "");
    EXPECT_TRUE(r.items.empty());
    r = ParseRecordChannels("Card|A||B|");  // an item with an empty text stays an item
    EXPECT_EQ(r.items, (std::vector<std::string>{"A", "", "B"}));
    r = ParseRecordChannels("Card|A");  // no final separator
    EXPECT_EQ(r.items, (std::vector<std::string>{"A"}));
}

TEST(Boost, WhatOneCombinedReadingTells) {
    const BoostState unknown;
    const BoostState on{Tri::On, Tri::On};
    const BoostState playOff{Tri::Off, Tri::On};
    EXPECT_EQ(BoostAfterReading(unknown, 1).play, Tri::On);
    EXPECT_EQ(BoostAfterReading(unknown, 1).rec, Tri::On);
    // 0: one of the two is off; which one the reading cannot tell.
    EXPECT_EQ(BoostAfterReading(unknown, 0).play, Tri::Unknown);
    EXPECT_EQ(BoostAfterReading(unknown, 0).rec, Tri::Unknown);
    EXPECT_EQ(BoostAfterReading(playOff, 0).play, Tri::Off);
    EXPECT_EQ(BoostAfterReading(playOff, 0).rec, Tri::On);
    // Both shown on but the reading says otherwise: someone else changed one.
    EXPECT_EQ(BoostAfterReading(on, 0).play, Tri::Unknown);
    EXPECT_EQ(BoostAfterReading(on, 0).rec, Tri::Unknown);
    // No answer teaches nothing.
    EXPECT_EQ(BoostAfterReading(on, -1).play, Tri::On);
    EXPECT_EQ(BoostAfterReading(playOff, -1).play, Tri::Off);
}

TEST(CommandLine, OptionsValuesAndMistakes) {
    Options o = ParseCommandLine({});
    EXPECT_EQ(o.dll, "MIXER.DLL");
    EXPECT_EQ(o.page, Page::Playback);
    EXPECT_TRUE(o.error.empty());
    o = ParseCommandLine({"--settings-file", "C:\\a b\\m.ini", "--names-dir", "cards", "--page", "recording",
                          "--dll", "other.dll"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_EQ(o.settingsFile, "C:\\a b\\m.ini");
    EXPECT_EQ(o.namesDir, "cards");
    EXPECT_EQ(o.page, Page::Recording);
    EXPECT_EQ(o.dll, "other.dll");
    EXPECT_TRUE(ParseCommandLine({"/?"}).help);
    EXPECT_EQ(ParseCommandLine({"--settings-file"}).error, "--settings-file needs a value");
    EXPECT_EQ(ParseCommandLine({"--dll", ""}).error, "--dll needs a value");
    EXPECT_EQ(ParseCommandLine({"--page", "mixer"}).error, "--page takes playback or recording, not \"mixer\"");
    EXPECT_EQ(ParseCommandLine({"-x"}).error, "unknown option \"-x\"");
    EXPECT_EQ(ParseCommandLine({"m.ini"}).error, "unknown option \"m.ini\"");
}

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}
bool Empty(const Rect& r) { return r.Width() == 0 && r.Height() == 0; }
bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void CheckLayout(Page page, const FontMetrics& font, int width, int height) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " font " + std::to_string(font.height));
    const PageRows rows = RowsFor(page);
    int minWidth = 0, minHeight = 0;
    MinimumPageSize(rows, kStripsPerPage, font, &minWidth, &minHeight);
    const PageLayout l = LayOutPage(rows, kStripsPerPage, width, height, font);
    const Rect pageRect{0, 0, std::max(width, minWidth), std::max(height, minHeight)};
    ASSERT_EQ(l.strips.size(), static_cast<size_t>(kStripsPerPage));
    EXPECT_EQ(Empty(l.side), !rows.sidePanel);
    for (int i = 0; i < kStripsPerPage; ++i) {
        const StripRects& s = l.strips[i];
        EXPECT_TRUE(Inside(s.group, pageRect));
        if (i > 0) {
            EXPECT_LT(l.strips[i - 1].group.right, s.group.left);
        }
        if (rows.sidePanel) {
            EXPECT_LT(s.group.right, l.side.left);
        }
        EXPECT_GE(s.fader.Height(), 6 * font.height);
        EXPECT_GE(s.fader.Width(), 26);
        // Top to bottom: balance, fader, value, boost, mute, select; each
        // row inside the strip and clear of the others.
        std::vector<Rect> column;
        if (rows.balance) column.push_back(s.balance);
        if (rows.balance) column.push_back(s.balanceText);
        column.push_back(s.fader);
        column.push_back(s.value);
        for (const Rect* r : {&s.boost, &s.mute, &s.select})
            if (!Empty(*r)) column.push_back(*r);
        for (size_t k = 0; k < column.size(); ++k) {
            EXPECT_TRUE(Inside(column[k], s.group)) << k;
            if (k > 0) {
                EXPECT_LE(column[k - 1].bottom, column[k].top) << k;
            }
        }
        EXPECT_EQ(Empty(s.boost), !rows.boost);
        EXPECT_EQ(Empty(s.select), !rows.select);
        EXPECT_EQ(Empty(s.meter), !rows.meters);
        if (rows.meters) {
            EXPECT_TRUE(Inside(s.meter, s.group));
            EXPECT_FALSE(Overlap(s.meter, s.fader));
        }
        if (rows.balance) {
            EXPECT_FALSE(Overlap(s.balanceLeft, s.balance));
            EXPECT_FALSE(Overlap(s.balanceRight, s.balance));
            for (const Rect* label : {&s.balanceLeft, &s.balanceRight})  // the letter inside its window
                EXPECT_TRUE(label->Width() >= font.letterWidth + 4 && Inside(*label, s.group)) << label->Width();
            EXPECT_GE(s.balance.Width(), 3 * font.charWidth);
            EXPECT_GE(s.balanceText.Height(), font.height);
            EXPECT_GE(s.balanceText.Width(), 12 * font.charWidth);  // "Centre-right"
        }
    }
    if (rows.sidePanel) {
        EXPECT_TRUE(Inside(l.side, pageRect));
        for (const Rect* r : {&l.sideMode, &l.sideList, &l.sideMeter}) EXPECT_TRUE(Inside(*r, l.side));
        EXPECT_LE(l.sideMode.bottom, l.sideList.top);
        EXPECT_LE(l.sideList.bottom, l.sideMeter.top);
        EXPECT_GE(l.sideList.Height(), 3 * font.height);
    }
}

TEST(Layout, BothPagesAtTheirMinimumAndLarger) {
    for (Page page : {Page::Playback, Page::Recording})
        for (FontMetrics font : {FontMetrics{13, 6, 8}, FontMetrics{16, 7, 9}, FontMetrics{24, 11, 14},
                                 FontMetrics{13, 4, 11}}) {
            int w = 0, h = 0;
            MinimumPageSize(RowsFor(page), kStripsPerPage, font, &w, &h);
            CheckLayout(page, font, w, h);
            CheckLayout(page, font, w + 1, h + 1);
            CheckLayout(page, font, w * 2 + 7, h * 3);
            CheckLayout(page, font, 10, 10);  // too small: laid out at the minimum
        }
}

TEST(Layout, TheMinimumGrowsWithTheFont) {
    int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
    MinimumPageSize(RowsFor(Page::Recording), kStripsPerPage, FontMetrics{13, 6}, &w1, &h1);
    MinimumPageSize(RowsFor(Page::Recording), kStripsPerPage, FontMetrics{26, 12}, &w2, &h2);
    EXPECT_GT(w2, w1);
    EXPECT_GT(h2, h1);
    const PageRows play = RowsFor(Page::Playback), rec = RowsFor(Page::Recording);
    EXPECT_TRUE(play.meters && !play.sidePanel && play.boost && play.mute && !play.select);
    EXPECT_TRUE(!rec.meters && rec.sidePanel && rec.boost && rec.select && rec.balance);
}

}  // namespace
}  // namespace mixerpanel
