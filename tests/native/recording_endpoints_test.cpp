// The recording lines on per-endpoint mixers (Windows Vista and later, Wine):
// where device 0 has no wave-in destination, the recording exports find their
// line on the wave-in devices' mixers, the preferred one first, and use the
// destination's control where the line's keeps nothing. Where device 0 has a
// wave-in destination, nothing of this happens.
#include "endpoint_cards.h"
#include "engine/engine.h"
#include "engine/recording_endpoints.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "selector/selector.h"

#include <functional>
#include <set>

namespace {

class RecordingEndpointsTest : public FileTest {};

// The snapshot key of a control.
sim::ControlKey KeyOf(const sim::Control* c) {
    for (size_t d = 0; d < sim::Devices().size(); ++d)
        if (sim::Devices()[d].FindControl(c->id) == c) return {d, c->id};
    return {sim::Devices().size(), c->id};
}

enum CardKind { WineOneOutput, WineTwoOutputs, Windows, WindowsOwnLevels };
const char* const kCardNames[] = {"Wine, one output", "Wine, two outputs", "Windows", "Windows, own levels"};

// The controls a card's recording microphone and line-in reach.
struct Reached {
    sim::Control* micVolume;
    sim::Control* micMute;
    sim::Control* lineVolume;  // null when no endpoint has a line input
    sim::Control* lineMute;
};

Reached BuildCard(CardKind kind) {
    if (kind == WineOneOutput || kind == WineTwoOutputs) {
        WineCard w = BuildWineCard(kind == WineTwoOutputs);
        return {w.recVolume, w.recMute, nullptr, nullptr};
    }
    // With levels of their own, the sources' controls are the ones reached.
    WindowsCard w = BuildWindowsCard(kind == Windows);
    if (kind == Windows) return {w.micVolume, w.micMute, w.lineVolume, w.lineMute};
    return {w.micSourceVolume, w.micSourceMute, w.lineSourceVolume, w.lineSourceMute};
}

// A level as the control keeps it: Wine's float store may give one less.
bool Near(LONG got, LONG want) { return got == want || got == want - 1; }

TEST_F(RecordingEndpointsTest, RecordingExportsReachTheEndpointAndNothingElse) {
    for (CardKind kind : {WineOneOutput, WineTwoOutputs, Windows, WindowsOwnLevels}) {
        SCOPED_TRACE(kCardNames[kind]);
        sim::Reset();
        ResetLibraryState();
        const Reached r = BuildCard(kind);
        struct Row {
            const char* what;
            std::function<LONG()> set;
            std::function<LONG()> get;
            sim::Control* control;
            LONG want;  // what the control and the getter then hold
        } rows[] = {
            {"mic volume 30000", [] { return SetRecMicVolume(30000); }, [] { return GetRecMicVolume(); }, r.micVolume, 30000},
            {"mic volume 0", [] { return SetRecMicVolume(0); }, [] { return GetRecMicVolume(); }, r.micVolume, 0},
            {"mic volume 65535", [] { return SetRecMicVolume(65535); }, [] { return GetRecMicVolume(); }, r.micVolume, 65535},
            {"mic mute 7", [] { return SetRecMicMute(7); }, [] { return GetRecMicMute(); }, r.micMute, 1},
            {"mic mute 0", [] { return SetRecMicMute(0); }, [] { return GetRecMicMute(); }, r.micMute, 0},
            {"line-in volume", [] { return SetRecLineInVolume(12345); }, [] { return GetRecLineInVolume(); }, r.lineVolume, 12345},
            {"line-in mute", [] { return SetRecLineInMute(1); }, [] { return GetRecLineInMute(); }, r.lineMute, 1},
            {"CD volume", [] { return SetRecCDVolume(999); }, [] { return GetRecCDVolume(); }, nullptr, 0},
            {"aux mute", [] { return SetRecAuxMute(1); }, [] { return GetRecAuxMute(); }, nullptr, 0},
        };
        for (const Row& row : rows) {
            SCOPED_TRACE(row.what);
            const sim::Values before = sim::AllValues();
            EXPECT_EQ(row.set(), 1);
            const std::set<sim::ControlKey> changed = sim::ChangedControls(before, sim::AllValues());
            if (row.control == nullptr) {
                // A line no endpoint has: nothing written anywhere, read as 0.
                EXPECT_TRUE(changed.empty());
                EXPECT_EQ(row.get(), 0);
            } else {
                EXPECT_TRUE(Near(row.control->Value(), row.want)) << row.control->Value();
                EXPECT_TRUE(changed.empty() || changed == std::set<sim::ControlKey>{KeyOf(row.control)})
                    << changed.size() << " controls changed";
                EXPECT_EQ(row.get(), row.control->Value());
            }
            ExpectNothingHeld();
        }
        // Changes made at the endpoint show through the getters.
        r.micVolume->SetAll(4321);
        r.micMute->SetAll(1);
        EXPECT_EQ(GetRecMicVolume(), 4321);
        EXPECT_EQ(GetRecMicMute(), 1);
    }
}

TEST_F(RecordingEndpointsTest, BalanceAndBoostOnAnEndpoint) {
    // The line-in balance acts on the volume the line-in reaches, both
    // channels of the endpoint; the boost finds the line but no switch.
    WindowsCard w = BuildWindowsCard();
    w.lineVolume->values = {40000, 20000};
    EXPECT_EQ(SetRecLineInBalance(3), 1);
    EXPECT_EQ(w.lineVolume->values, (std::vector<LONG>{40000, 17142}));
    EXPECT_EQ(SetRecLineInBalance(15), 1);
    EXPECT_EQ(w.lineVolume->values, (std::vector<LONG>{0, 40000}));
    const sim::Values before = sim::AllValues();
    EXPECT_EQ(SetRecMicBoostMode(1), 1);
    EXPECT_EQ(SetMicBoostMode(1), 1);
    EXPECT_EQ(GetMicBoostMode(), 0);
    EXPECT_TRUE(sim::ChangedControls(before, sim::AllValues()).empty());
    ExpectNothingHeld();
}

TEST_F(RecordingEndpointsTest, ExportsWithoutACounterpartKeepTheirResults) {
    // The selector, the meters and the listing have no counterpart on these
    // mixers: their results are those of a device 0 without a wave-in line.
    WineCard w = BuildWineCard();
    const sim::Values before = sim::AllValues();
    EXPECT_EQ(SetRecMicSelect(), 1);
    EXPECT_EQ(GetRecMicSelect(), -1);
    EXPECT_EQ(IsMuxSingleSelect(), 0);
    char buffer[64] = "unchanged";
    EXPECT_EQ(GetMixerRecordChannels(buffer, sizeof buffer), -1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetPeak(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE), 0);
    EXPECT_EQ(GetPeak(MIXERLINE_COMPONENTTYPE_DST_WAVEIN), 0);
    EXPECT_TRUE(sim::ChangedControls(before, sim::AllValues()).empty());
    (void)w;
    ExpectNothingHeld();
}

TEST_F(RecordingEndpointsTest, SearchOrderAndRequests) {
    // The microphone is on wave-in 0, the line-in on wave-in 1, the preferred
    // device: each search asks for the device count first, then the
    // preferred device, and maps wave-in identifiers (never WAVE_MAPPER) to
    // mixers, the preferred one first.
    BuildWindowsCard();
    struct Row {
        const char* what;
        std::function<LONG()> call;
        std::vector<uintptr_t> waveIns;  // mixerGetID's objects, in order
        std::vector<uintptr_t> opens;    // mixerOpen's devices, in order
    } rows[] = {
        {"line-in", [] { return GetRecLineInVolume(); }, {1}, {0, 2}},
        {"microphone", [] { return GetRecMicVolume(); }, {1, 0}, {0, 2, 1}},
        {"absent CD", [] { return GetRecCDVolume(); }, {1, 0}, {0, 2, 1}},
        {"microphone setter", [] { return SetRecMicMute(1); }, {1, 0}, {0, 2, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim::ClearLog();
        row.call();
        std::vector<std::string> order;
        std::vector<uintptr_t> waveIns, opens;
        for (const sim::Call& c : sim::Log()) {
            if (c.fn.compare(0, 4, "wave") == 0) order.push_back(c.fn);
            if (c.fn == "mixerGetID") {
                EXPECT_EQ(c.flags, MIXER_OBJECTF_WAVEIN);
                waveIns.push_back(c.object);
            }
            if (c.fn == "mixerOpen") opens.push_back(c.object);
        }
        EXPECT_EQ(order, (std::vector<std::string>{"waveInGetNumDevs", "waveInMessage"}));
        EXPECT_EQ(waveIns, row.waveIns);
        EXPECT_EQ(opens, row.opens);
        EXPECT_EQ(sim::CountOf("mixerClose"), opens.size());
        ExpectNothingHeld();
    }
}

TEST_F(RecordingEndpointsTest, PreferredDeviceAndOrder) {
    // What the wave mapper answers, and which device each answer makes the
    // first of four.
    BuildWindowsCard();
    sim::LoadCardText(R"({"devices": [{"name": "Spare", "endpoint": "recording"},
                                      {"name": "Spare 2", "endpoint": "recording"}]})",
                      "two more recording endpoints");
    ASSERT_EQ(waveInGetNumDevs(), 4u);
    struct Row {
        const char* what;
        std::function<void()> prepare;
        UINT preferred;
    } rows[] = {
        {"the preferred device", [] { sim::SetPreferredWaveIn(2); }, 2},
        {"past the devices", [] { sim::SetPreferredWaveIn(4); }, 0},
        {"-1", [] { sim::SetPreferredWaveIn(static_cast<DWORD>(-1)); }, 0},
        {"the message fails", [] { sim::FailFunction("waveInMessage", MMSYSERR_NOTSUPPORTED); }, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.prepare();
        EXPECT_EQ(PreferredWaveIn(4), row.preferred);
        sim::ClearFaults();
    }
    const std::vector<std::vector<UINT>> orders = {{0, 1, 2, 3}, {1, 0, 2, 3}, {3, 0, 1, 2}};
    for (UINT preferred : {0u, 1u, 3u}) {
        std::vector<UINT> order;
        for (UINT position = 0; position < 4; ++position) order.push_back(WaveInAt(position, preferred));
        EXPECT_EQ(order, orders[preferred == 3 ? 2 : preferred]);
    }
}

TEST_F(RecordingEndpointsTest, WineAnswersMinusOneUntilTheDeviceListIsBuilt) {
    // Under Wine the wave mapper names no device until the process has asked
    // for a device count; the library asks for one first.
    BuildWineCard();
    EXPECT_EQ(PreferredWaveIn(1), 0u);
    EXPECT_EQ(sim::CallsOf("waveInMessage").at(0).count, static_cast<DWORD>(-1));
    sim::Reset();
    ResetLibraryState();
    WineCard w = BuildWineCard();
    EXPECT_EQ(SetRecMicVolume(30000), 1);
    EXPECT_TRUE(Near(w.recVolume->Value(), 30000));
    for (const sim::Call& c : sim::CallsOf("waveInMessage")) EXPECT_EQ(c.count, 0u);
    UINT mixer = 0;
    EXPECT_EQ(mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(WAVE_MAPPER)), &mixer,
                         MIXER_OBJECTF_WAVEIN),
              static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
}

TEST_F(RecordingEndpointsTest, WhereTheEndpointSearchStops) {
    // Cards on which the endpoints are not searched, or a request that ends
    // the search: the result, and the devices opened.
    struct Row {
        const char* what;
        std::function<void()> build;
        std::function<LONG()> call;
        LONG result;
        std::vector<uintptr_t> opens;
    } rows[] = {
        {"device 0 has a wave-in line without the microphone",
         [] {
             BuildTypicalCard();
             sim::Devices()[0].destinations[1].sources.erase(sim::Devices()[0].destinations[1].sources.begin() + 1);
             BuildWindowsCard();
         },
         [] { return GetRecMicVolume(); }, 0, {0}},
        {"device 0 has a wave-in destination without sources",
         [] {
             sim::LoadCardText(R"({"devices": [{"name": "Card", "destinations": [{"name": "Recording", "type": "wavein"}]}]})",
                               "a wave-in destination without sources");
             BuildWindowsCard();
         },
         [] { return GetRecMicVolume(); }, 0, {0}},
        {"no wave-in device",
         [] {
             sim::LoadCardText(R"({"devices": [{"name": "Out", "endpoint": "playback", "destinations": [
                 {"name": "Out", "type": "speakers", "controls": [{"type": "volume", "value": 1}]}]}]})",
                               "playback only");
         },
         [] { return GetRecMicVolume(); }, 0, {0}},
        {"the preferred device has no mixer",
         [] {
             BuildWindowsCard();
             sim::FailFunction("mixerGetID", MMSYSERR_NODRIVER, 1);
         },
         [] { return GetRecMicVolume(); }, 32768, {0, 1}},
        {"a wave-in device cannot be mapped",
         [] {
             BuildWindowsCard();
             sim::FailFunction("mixerGetID", MMSYSERR_INVALHANDLE, 1);
         },
         [] { return GetRecLineInVolume(); }, -1, {0}},
        {"the recording mixer cannot be opened",
         [] {
             BuildWindowsCard();
             sim::FailFunction("mixerOpen", MMSYSERR_ALLOCATED, 2);
         },
         [] { return GetRecMicVolume(); }, -1, {0, 2}},
        {"no mixer device at all", [] {}, [] { return GetRecMicVolume(); }, -1, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim::Reset();
        ResetLibraryState();
        row.build();
        sim::ClearLog();
        EXPECT_EQ(row.call(), row.result);
        std::vector<uintptr_t> opens;
        for (const sim::Call& c : sim::CallsOf("mixerOpen")) opens.push_back(c.object);
        EXPECT_EQ(opens, row.opens);
        sim::ClearFaults();
        ExpectNothingHeld();
    }
}

TEST_F(RecordingEndpointsTest, WhichControlStandsIn) {
    // The destination's control stands in only for a line's control that
    // keeps nothing; a line without the control, a disabled control or a
    // control that keeps its value is used as it is.
    struct Row {
        const char* what;
        std::function<void(sim::Line&)> shape;  // the microphone source of "In: default"
        LONG volume;  // GetRecMicVolume with the source at 111, the destination at 222
    } rows[] = {
        {"keeps nothing", [](sim::Line&) {}, 222},
        {"keeps its value",
         [](sim::Line& l) {
             for (sim::Control& c : l.controls) c.leaveUnfilled = c.ignoreWrites = false;
         },
         111},
        {"disabled", [](sim::Line& l) { l.controls[0].flags |= MIXERCONTROL_CONTROLF_DISABLED; }, -1},
        {"no volume", [](sim::Line& l) { l.controls.pop_front(); }, 0},
        {"no controls", [](sim::Line& l) { l.controls.clear(); }, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim::Reset();
        ResetLibraryState();
        WineCard w = BuildWineCard();
        sim::Line& mic = sim::Devices()[1].destinations[0].sources[0];
        for (sim::Control& c : mic.controls) c.SetAll(111);
        w.recVolume->SetAll(222);
        row.shape(mic);
        EXPECT_EQ(GetRecMicVolume(), row.volume);
        ExpectNothingHeld();
    }
}

TEST_F(RecordingEndpointsTest, SaveAndSetCarryTheRecordingLevel) {
    WineCard w = BuildWineCard();
    w.recVolume->SetAll(30000);
    w.recMute->SetAll(1);
    const std::string file = Path("mixer.ini");
    ASSERT_EQ(Save(file.c_str()), 1);
    const std::string text = Read("mixer.ini");
    EXPECT_NE(text.find("[RECORD VOLUME]\r\nLINEIN=0\r\nMIC=30000\r\n"), std::string::npos) << text;
    w.recVolume->SetAll(5);
    w.recMute->SetAll(0);
    ASSERT_EQ(Set(file.c_str()), 1);
    EXPECT_TRUE(Near(w.recVolume->Value(), 30000));
    EXPECT_EQ(w.volume->Value(), 65535);  // the playback level as it was
    ExpectNothingHeld();
}

TEST_F(RecordingEndpointsTest, NothingNewWhereDevice0HasAWaveInDestination) {
    // On a card of one mixer every recording export makes only device 0's
    // requests: no wave device is asked for, no other mixer opened.
    BuildTypicalCard();
    BuildWindowsCard();
    const std::function<LONG()> calls[] = {
        [] { return GetRecMicVolume(); },  [] { return SetRecMicVolume(5); }, [] { return GetRecCDMute(); },
        [] { return SetRecLineInBalance(3); }, [] { return GetMicBoostMode(); }, [] { return GetRecDigitalVolume(); },
    };
    for (const auto& call : calls) {
        sim::ClearLog();
        call();
        for (const sim::Call& c : sim::Log()) {
            EXPECT_NE(c.fn.compare(0, 4, "wave"), 0) << c.fn;
            EXPECT_NE(c.fn, "mixerGetID");
            if (c.fn == "mixerOpen") {
                EXPECT_EQ(c.object, 0u);
            }
        }
    }
    ExpectNothingHeld();
}

// A mixer device 0 that serves recording without a wave-in destination is
// wave-in device 0's mixer: searched once, as device 0, and passed over
// among the endpoints.
TEST_F(RecordingEndpointsTest, Device0AmongTheEndpointsIsSearchedOnce) {
    sim::AddDevice("Speakers only").AddDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Speakers");
    const WindowsCard w = BuildWindowsCard();
    sim::SetPreferredWaveIn(0);
    w.micVolume->SetAll(4321);
    sim::ClearLog();
    EXPECT_EQ(GetRecMicVolume(), 4321);
    std::vector<uintptr_t> opened;
    for (const sim::Call& c : sim::Log())
        if (c.fn == "mixerOpen") opened.push_back(c.object);
    EXPECT_EQ(opened, (std::vector<uintptr_t>{0, 2}));
    ExpectNothingHeld();
}

}  // namespace
