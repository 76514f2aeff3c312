// The endpoint volume of Core Audio behind the main and recording levels on
// per-endpoint systems (engine/endpoint_volume.h).
#include "engine/endpoint_volume.h"
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "fixture.h"
#include "platform/core_audio.h"
#include "test_cards.h"

#include <climits>
#include <cmath>
#include <functional>
#include <vector>

namespace {

using nlohmann::json;

// The lines the table reaches, the same on both cards.
enum Line { Main, Mic, LineIn };

struct Levels {
    std::vector<LONG> volume;  // a level a channel
    LONG mute = 0;
    bool operator==(const Levels& o) const { return volume == o.volume && mute == o.mute; }
};

std::string Show(const Levels& l) {
    std::string s = "[";
    for (LONG v : l.volume) s += std::to_string(v) + " ";
    return s + "] mute " + std::to_string(l.mute);
}

// The starting levels of the three lines.
struct Start {
    std::vector<LONG> main, mic, line;
};

// The XP-shaped oracle: one card's own mixer with the Windows card's lines
// (speakers 2 channels, microphone 1, line input 2), each volume a control
// of 0..65535 of its own.
void LoadXpCard(const Start& s) {
    json card = json::parse(R"({"devices": [{"name": "XP", "destinations": [
        {"name": "Speakers", "type": "speakers", "channels": 2,
         "controls": [{"id": 1, "type": "volume"}, {"id": 2, "type": "mute", "flags": ["uniform"]}],
         "sources": [{"name": "Wave", "type": "waveout", "channels": 2}]},
        {"name": "Recording", "type": "wavein", "channels": 2, "sources": [
            {"name": "Microphone", "type": "microphone", "channels": 1,
             "controls": [{"id": 3, "type": "volume"}, {"id": 4, "type": "mute", "flags": ["uniform"]}]},
            {"name": "Line In", "type": "line", "channels": 2,
             "controls": [{"id": 5, "type": "volume"}, {"id": 6, "type": "mute", "flags": ["uniform"]}]}]}]}]})");
    json& lines = card["devices"][0]["destinations"];
    lines[0]["controls"][0]["values"] = s.main;
    lines[1]["sources"][0]["controls"][0]["values"] = s.mic;
    lines[1]["sources"][1]["controls"][0]["values"] = s.line;
    sim::LoadCard(card, "xp.json");
}

Levels XpLevels(Line line) {
    sim::Device& d = sim::Devices()[0];
    const DWORD volume = line == Main ? 1 : line == Mic ? 3 : 5;
    return {d.FindControl(volume)->values, d.FindControl(volume + 1)->Value()};
}

std::vector<float> Scalars(const std::vector<LONG>& levels) {
    std::vector<float> out;
    for (LONG v : levels) out.push_back(static_cast<float>(v / 65535.0));
    return out;
}

// tests/cards/windows.json with the endpoints' volumes at the same levels.
void LoadWindowsCard(const Start& s) {
    json card = TestCard("windows");
    card["devices"][0]["endpointVolume"] = {{"levels", Scalars(s.main)}};
    card["devices"][1]["endpointVolume"] = {{"levels", Scalars(s.mic)}};
    card["devices"][2]["endpointVolume"] = {{"levels", Scalars(s.line)}};
    sim::LoadCard(card, "windows.json");
}

Levels EndpointLevels(Line line) {
    const sim::Device::EndpointVolume& ev = sim::Devices()[line == Main ? 0 : line == Mic ? 1 : 2].endpointVolume;
    Levels l;
    for (float v : ev.levels) l.volume.push_back(static_cast<LONG>(std::lround(v * 65535.0)));
    l.mute = ev.mute ? 1 : 0;
    return l;
}

struct Row {
    const char* what;
    Line line;
    std::function<LONG(LONG)> call;
    std::vector<LONG> args;
};

const std::vector<LONG> kLevels = {0, 1, 999, 1000, 32767, 32768, 40000, 65534, 65535};
const std::vector<LONG> kPositions = {-1, 0, 1, 3, 6, 7, 8, 9, 12, 14, 15, 16};
const std::vector<LONG> kSwitches = {0, 1, 2};
const std::vector<LONG> kNone = {0};

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {"SetPlayMainVolume", Main, [](LONG v) { return SetPlayMainVolume(v); }, kLevels},
        {"SetPlayMainVolume, GetPlayMainVolume", Main,
         [](LONG v) { return SetPlayMainVolume(v) * 100000 + GetPlayMainVolume(); }, kLevels},
        {"GetPlayMainVolume", Main, [](LONG) { return GetPlayMainVolume(); }, kNone},
        {"SetPlayMainMute, GetPlayMainMute", Main, [](LONG v) { return SetPlayMainMute(v) * 10 + GetPlayMainMute(); },
         kSwitches},
        {"SetPlayMainBalance", Main, [](LONG v) { return SetPlayMainBalance(v); }, kPositions},
        {"SetMixer main volume", Main,
         [](LONG v) { return SetMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, OpMainVolume, v, "", 0); }, kLevels},
        {"SetRecMicVolume, GetRecMicVolume", Mic, [](LONG v) { return SetRecMicVolume(v) * 100000 + GetRecMicVolume(); },
         kLevels},
        {"SetRecMicMute, GetRecMicMute", Mic, [](LONG v) { return SetRecMicMute(v) * 10 + GetRecMicMute(); }, kSwitches},
        {"SetRecLineInVolume, GetRecLineInVolume", LineIn,
         [](LONG v) { return SetRecLineInVolume(v) * 100000 + GetRecLineInVolume(); }, kLevels},
        {"SetRecLineInBalance", LineIn, [](LONG v) { return SetRecLineInBalance(v); }, kPositions},
        {"SetRecLineInMute, GetRecLineInMute", LineIn,
         [](LONG v) { return SetRecLineInMute(v) * 10 + GetRecLineInMute(); }, kSwitches},
    };
    return rows;
}

// A fresh platform and library, which probes on its first call.
void Fresh() {
    sim::Reset();
    ResetLibraryState();
    ForgetEndpointVerdict();
}

}  // namespace

// Every row, value and starting level: the endpoint path gives the results
// and channel levels the mixer path gives on an XP-shaped card with the same
// lines and levels, with a set followed by a get reading the value set.
TEST(EndpointVolume, GivesWhatTheMixerGivesOnACardsOwnMixer) {
    const std::vector<Start> starts = {{{49152, 24576}, {32768}, {40960, 40960}},
                                       {{0, 0}, {0}, {1000, 65535}},
                                       {{65535, 65535}, {65535}, {7, 3}}};
    int cases = 0;
    for (const Start& start : starts)
        for (const Row& row : Rows())
            for (LONG arg : row.args) {
                const std::string where = std::string(row.what) + "(" + std::to_string(arg) + ")";
                Fresh();
                LoadXpCard(start);
                const LONG xpResult = row.call(arg);
                const Levels xp = XpLevels(row.line);
                EXPECT_EQ(sim::CountOf("CoInitializeEx"), 0u) << where << ": COM on a card's own mixer";

                Fresh();
                LoadWindowsCard(start);
                const sim::Values mixerBefore = sim::AllValues();
                const LONG endpointResult = row.call(arg);
                EXPECT_EQ(endpointResult, xpResult) << where;
                EXPECT_EQ(Show(EndpointLevels(row.line)), Show(xp)) << where;
                EXPECT_TRUE(sim::ChangedControls(mixerBefore, sim::AllValues()).empty())
                    << where << ": the process's mixer levels moved";
                EXPECT_EQ(sim::ComReferences(), 0) << where;
                EXPECT_EQ(sim::ComInitializations(), 0) << where;
                EXPECT_EQ(sim::OpenMixerHandles(), 0) << where;
                EXPECT_EQ(sim::LocalBlocks(), 0) << where;
                ++cases;
            }
    std::printf("%d cases\n", cases);
}

// The meters: the speakers destination and a playback source read the
// playback endpoint's, the wave-in destination and a recording line the
// preferred recording endpoint's (the line input's), not the microphone's.
TEST(EndpointVolume, PeakReadsTheEndpointsMeter) {
    const struct {
        DWORD type;
        LONG expected;
    } rows[] = {
        {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 16384},    // 0.5
        {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 16384},     // device 0's source
        {MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 32767},      // the line input's 1.0
        {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 32767},
        {MIXERLINE_COMPONENTTYPE_SRC_LINE, 32767},
    };
    for (const auto& row : rows) {
        Fresh();
        json card = TestCard("windows");
        card["devices"][0]["endpointVolume"] = {{"peak", 0.5}};
        card["devices"][1]["endpointVolume"] = {{"peak", 0.1}};
        card["devices"][2]["endpointVolume"] = {{"peak", 1.0}};
        if (row.type == MIXERLINE_COMPONENTTYPE_SRC_LINE) card["preferredWaveIn"] = 0;  // the microphone's
        const LONG expected = row.type == MIXERLINE_COMPONENTTYPE_SRC_LINE ? 3277 : row.expected;  // 0.1
        sim::LoadCard(card, "windows.json");
        EXPECT_EQ(GetPeak(row.type), expected) << std::hex << row.type;
        EXPECT_EQ(sim::ComReferences(), 0);
        EXPECT_EQ(sim::ComInitializations(), 0);
    }
}

// Where Core Audio cannot serve (Wine's, or none on a card's own mixer) the
// exports give what the mixer gives without Core Audio, the probe made once
// in the process (the verdict kept until the platform changes), and a host
// in another apartment keeps its COM as it was.
TEST(EndpointVolume, WineAndXpCardsGiveTodaysResultsWithOneProbe) {
    const std::function<LONG()> script[] = {
        [] { return SetPlayMainVolume(1000); }, [] { return GetPlayMainVolume(); },
        [] { return SetPlayMainMute(1); },      [] { return GetPlayMainMute(); },
        [] { return SetPlayMainBalance(3); },   [] { return SetRecMicVolume(30000); },
        [] { return GetRecMicVolume(); },       [] { return SetRecMicMute(1); },
        [] { return GetRecMicMute(); },         [] { return GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS); },
        [] { return SetPlayMainVolume(2000); }, [] { return GetPlayMainVolume(); },
    };
    for (const char* name : {"wine", "typical"})
        for (bool apartment : {false, true}) {
            std::vector<LONG> today, now;
            sim::Values todayValues, nowValues;
            for (const char* kind : {"none", "card"}) {
                Fresh();
                json card = TestCard(name);
                if (std::string(kind) == "none") card["coreAudio"] = "none";
                sim::LoadCard(card, name);
                if (apartment) {
                    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
                }
                std::vector<LONG>& results = std::string(kind) == "none" ? today : now;
                for (int round = 0; round < 2; ++round)
                    for (const auto& call : script) results.push_back(call());
                (std::string(kind) == "none" ? todayValues : nowValues) = sim::AllValues();
                const bool wine = std::string(name) == "wine" && std::string(kind) == "card";
                EXPECT_EQ(sim::CountOf("IAudioEndpointVolume::GetChannelCount"), wine ? 1u : 0u) << name << " " << kind;
                if (!wine) {
                    EXPECT_EQ(sim::CountOf("CoInitializeEx"), apartment ? 1u : 0u) << name << " " << kind;
                }
                EXPECT_EQ(sim::ComReferences(), 0) << name;
                EXPECT_EQ(sim::ComInitializations(), apartment ? 1 : 0) << name;
                if (apartment) CoUninitialize();
            }
            EXPECT_EQ(now, today) << name;
            EXPECT_TRUE(sim::ChangedControls(todayValues, nowValues).empty()) << name;
        }
}

// An endpoint that is gone when the probe asks leaves the call to the
// mixer and is asked for again by the next; one unplugged after the probe
// gives the failure results of the mixer's requests.
TEST(EndpointVolume, UntrustedOrUnpluggedEndpoints) {
    Fresh();
    json card = TestCard("windows");
    card["devices"][0]["endpointVolume"] = {{"present", false}};
    sim::LoadCard(card, "windows.json");
    const sim::Values before = sim::AllValues();
    EXPECT_EQ(SetPlayMainVolume(1000), 1);
    EXPECT_EQ(sim::CountOf("IMMDevice::Activate"), 1u);
    EXPECT_EQ(EndpointLevelsServe(), false);
    EXPECT_EQ(sim::CountOf("IMMDevice::Activate"), 2u);
    EXPECT_FALSE(sim::ChangedControls(before, sim::AllValues()).empty()) << "the mixer serves instead";

    Fresh();
    sim::LoadCard(TestCard("windows"), "windows.json");
    EXPECT_EQ(SetPlayMainVolume(1000), 1);
    sim::Devices()[0].endpointVolume.present = false;
    sim::Devices()[2].endpointVolume.present = false;
    EXPECT_EQ(GetPlayMainVolume(), -1);
    EXPECT_EQ(GetRecLineInVolume(), -1);
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, OpMainVolume, 5, "", 0), 0);
    EXPECT_EQ(GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), 0);
    EXPECT_EQ(sim::ComReferences(), 0);
    EXPECT_EQ(sim::ComInitializations(), 0);
}

// A level past the range is its nearest end on the endpoint (Core Audio
// refuses scalars outside 0..1: the first channel was set and the second
// refused), the other channel keeping its ratio; the trace's millionths of
// any scalar stay in 32 bits. A fuzz finding.
TEST(EndpointVolume, LevelsPastTheRangeAreItsEnds) {
    const struct {
        LONG value;
        std::vector<LONG> main;  // the channels after SetPlayMainVolume(value) from 32768 and 16384
    } rows[] = {{70000, {65535, 35000}}, {INT_MAX, {65535, 65535}}, {-5, {0, 0}}, {INT_MIN, {0, 0}}};
    for (const auto& row : rows) {
        Fresh();
        LoadWindowsCard({{32768, 16384}, {32768}, {40960, 40960}});
        EXPECT_EQ(SetPlayMainVolume(row.value), 1) << row.value;
        EXPECT_EQ(EndpointLevels(Main).volume, row.main) << row.value;
        EXPECT_EQ(GetPlayMainVolume(), row.main[0]) << row.value;
    }
    const float huge[] = {1e12f, -1e12f, std::nanf("")};
    EXPECT_EQ(req::Millionths(&huge[0]), INT_MAX);
    EXPECT_EQ(req::Millionths(&huge[1]), INT_MIN);
    EXPECT_EQ(req::Millionths(&huge[2]), INT_MIN);
}
