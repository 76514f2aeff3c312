// A host that keeps the library loaded and calls it many times a second, on
// the card that models Wine: mixer handles numbered from a counter that never
// goes down, and a level store that may give back one less than written.
// Every call must reach device 0 however many opens came before, never touch
// another device, and a read must leave the level where it was.
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "selector/selector.h"
#include "wine_card.h"

namespace {

class LongRunTest : public FileTest {};

// Opens of device 0 the platform has answered so far (Wine's counter for
// device 0; the recording lines of Save and Set open "In: default").
long g_opens = 0;
void CountOpens() {
    for (const sim::Call& c : sim::Log())
        if (c.fn == "mixerOpen" && c.object == 0) ++g_opens;
    sim::ClearLog();
}

// The handle the next open of device 0 gets, which tells where the counter stands.
UINT_PTR NextHandle() {
    HMIXER h = nullptr;
    EXPECT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
    mixerClose(h);
    CountOpens();
    return reinterpret_cast<UINT_PTR>(h);
}

TEST_F(LongRunTest, EveryCallReachesDevice0PastEveryHandleWindow) {
    // Setters and getters of the master volume and mute between polls of the
    // peak meter (which Wine's mixer lacks), 70,000 opens of device 0 in all: past the 256th (where Wine's handles name the
    // next device), the 16384th, 32768th and 49152nd (where they name device
    // 0 again for 256 opens) and the 65536th (after which none is valid).
    // After every setter the level a direct read gives must be what the
    // recording device's identical volume gives after a direct write of the
    // same level.
    WineCard card = BuildWineCard();
    const DWORD reference = 0;  // "In: default"'s volume, device 1
    g_opens = 0;
    long calls = 0, mismatches = 0;
    for (long i = 0; g_opens < 70000; ++i) {
        const LONG level = static_cast<LONG>((i * 7919) % 65536);
        ASSERT_EQ(SetPlayMainVolume(level), 1);
        ASSERT_EQ(WriteValue(1, reference, level), MMSYSERR_NOERROR);
        const LONG direct = ReadValue(0, card.volume->id);
        if (direct != ReadValue(1, reference)) ++mismatches;
        const LONG got = GetPlayMainVolume();
        if (got != direct) ++mismatches;
        ASSERT_EQ(SetPlayMainMute(i & 1), 1);
        if (ReadValue(0, card.mute->id) != (i & 1)) ++mismatches;
        if (GetPlayMainMute() != (i & 1)) ++mismatches;
        for (int k = 0; k < 12; ++k)
            if (GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) != 0) ++mismatches;
        calls += 16;
        CountOpens();
        if (mismatches > 0) FAIL() << "call " << calls << ", open " << g_opens << ": level " << level;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GE(calls, 70000);
    // The counter has run past every window: the next handle names nothing.
    EXPECT_GE(NextHandle(), 0x1C000u);
    EXPECT_EQ(sim::OpenMixerHandles(), 0);
    EXPECT_EQ(sim::ProcessHeapBlocks(), 0);
    EXPECT_EQ(sim::LocalBlocks(), 0);
}

TEST_F(LongRunTest, SecondOutputIsNeverTouched) {
    // With "Out: null2" as device 1, Wine's opens 256-511 (and 16640-16895,
    // ...) name it. Mixed calls, a name-file read and a save and restore now
    // and then, over the first 2,000 opens: device 1 keeps its values, device
    // 0 gets every write.
    WineCard card = BuildWineCard(true);
    card.secondVolume->SetAll(12345);
    card.secondMute->SetAll(1);
    Write("Out.cfg", "[LINEIN]\r\nNAME=Master Volume\r\n");
    ASSERT_GT(SetSoundCardConfigFilePath(Path().c_str()), 0);
    const std::string settings = Path("mixer.ini");
    g_opens = 0;
    for (long i = 0; g_opens < 2000; ++i) {
        const LONG level = static_cast<LONG>(1000 + (i * 977) % 60000);
        SetPlayMainVolume(level);
        const LONG direct = ReadValue(0, card.volume->id);
        EXPECT_TRUE(direct == level || direct == level - 1) << "open " << g_opens << ": " << direct;
        EXPECT_EQ(GetPlayMainVolume(), direct);
        SetPlayMainMute(i & 1);
        EXPECT_EQ(card.mute->Value(), i & 1);
        SetPlayMainBalance(static_cast<LONG>(i % 16));
        EXPECT_EQ(GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), 0);
        EXPECT_EQ(SetRecMicSelect(), 1);
        EXPECT_EQ(GetRecMicSelect(), -1);  // device 0 has no recording selector
        if (i % 25 == 0) {
            EXPECT_EQ(ReadDigitalConfiguration(), 1);
            EXPECT_EQ(Save(settings.c_str()), 1);
            EXPECT_EQ(Set(settings.c_str()), 1);
        }
        CountOpens();
        ASSERT_EQ(card.secondVolume->Value(), 12345) << "open " << g_opens;
        ASSERT_EQ(card.secondMute->Value(), 1) << "open " << g_opens;
    }
    // Below 16384 opens the handle's low bits are the counter: every open was counted.
    const long opens = g_opens;
    EXPECT_EQ(NextHandle() & 0x3FFF, static_cast<UINT_PTR>(opens));
    EXPECT_EQ(sim::OpenMixerHandles(), 0);
}

TEST_F(LongRunTest, ReadsLeaveTheLevelWhereItWas) {
    // Wine's float store gives back one less for about half the levels; a
    // read that wrote back what it read lowered such a level on every call.
    // Every 997th level, read 40 times through every getter that reads it.
    WineCard card = BuildWineCard();
    const std::string settings = Path("mixer.ini");
    for (LONG level = 0; level <= 65535; level += 997) {
        SetPlayMainVolume(level);
        const LONG stored = card.volume->Value();
        for (int k = 0; k < 40; ++k) EXPECT_EQ(GetPlayMainVolume(), stored) << level;
        EXPECT_EQ(Save(settings.c_str()), 1);
        EXPECT_EQ(card.volume->Value(), stored) << level;
        EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 1u) << "the setter's write only";
        sim::ClearLog();
    }
    // 10,000 reads of one level.
    SetPlayMainVolume(50000);
    const LONG stored = card.volume->Value();
    EXPECT_EQ(stored, 49999);
    sim::ClearLog();
    for (int k = 0; k < 10000; ++k) {
        ASSERT_EQ(GetPlayMainVolume(), stored);
        if (k % 1000 == 0) sim::ClearLog();
    }
    EXPECT_EQ(card.volume->Value(), stored);
}

TEST_F(LongRunTest, LocateControlKeepsTheHostsHandle) {
    // The host's own handle names the mixer in LocateControl's requests, even
    // where it names another device than 0.
    WineCard card = BuildWineCard(true);
    card.secondVolume->SetAll(0);
    for (int i = 0; i < 256; ++i) NextHandle();
    HMIXER h = nullptr;
    ASSERT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);  // Wine's 257th: names "Out: null2"
    sim::ClearLog();
    const DWORD master = sim::Devices()[1].destinations[0].id;
    EXPECT_EQ(LocateControl(master, 32768, h, OpMainVolume), 1);
    for (const sim::Call& c : sim::Log()) {
        if (c.fn.rfind("mixer", 0) == 0) {
            EXPECT_EQ(c.object, reinterpret_cast<uintptr_t>(h)) << c.fn;
        }
    }
    EXPECT_NEAR(card.secondVolume->Value(), 32768, 1);
    EXPECT_EQ(card.volume->Value(), 65535);
    EXPECT_EQ(mixerClose(h), MMSYSERR_NOERROR);
}

}  // namespace
