// mixerctl on mixers per audio endpoint (Windows Vista and later, Wine):
// which devices `list` says the library uses, and the rec paths on the Wine
// and the Windows card, each checked and read back on the control the
// library writes.
#include "engine/endpoint_probe.h"
#include "ctl_fixture.h"

#include "mixerctl.h"

#include <nlohmann/json.hpp>

using namespace mixerctl;
using nlohmann::json;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void LoadCard(const std::string& name) { sim::LoadCardFile(std::string(MIXER_CARDS_DIR "/") + name); }

sim::Control& ControlOf(size_t device, DWORD id) { return *sim::Devices().at(device).FindControl(id); }

// What list prints before the first device.
std::string LibraryLines(const std::string& out) { return out.substr(0, out.find("\ndevice ") + 1); }

// A list of controls; braces around one control make a copy of it.
json List(const json& controls) { return controls.is_array() ? controls : json::array({controls}); }

// A recording endpoint: a one-channel wave-in destination with the given
// controls over a microphone with the given controls.
json Recording(const std::string& name, const json& destinationControls, const json& microphoneControls) {
    return {{"name", name},
            {"endpoint", "recording"},
            {"destinations",
             {{{"name", name},
               {"type", "wavein"},
               {"channels", 1},
               {"controls", List(destinationControls)},
               {"sources", {{{"name", "Mic"}, {"type", "mic"}, {"channels", 1}, {"controls", List(microphoneControls)}}}}}}}};
}

json Playback() {
    return {{"name", "Out"},
            {"endpoint", "playback"},
            {"destinations",
             {{{"name", "Speakers"},
               {"type", "speakers"},
               {"controls", {{{"id", 1}, {"type", "volume"}}}},
               {"sources", {{{"name", "Wave"}, {"type", "wave"}}}}}}}};
}

// A volume control with id `id`, range 0..max, and more fields.
json Volume(DWORD id, LONG max, json more = json::object()) {
    json c = {{"id", id}, {"type", "volume"}, {"max", max}};
    c.update(more);
    return c;
}

const json kKeepsNothing = {{"leaveUnfilled", true}, {"ignoreWrites", true}};

class Endpoints : public CtlTest {};

}  // namespace

TEST_F(Endpoints, ListNamesTheMixersTheLibraryUses) {
    struct Case {
        const char* what;
        std::function<void()> load;
        std::string lines;  // what list prints before the first device
        json library;       // list --json's "library"
    };
    const std::string windowsPlayback = "library: playback on mixer device 0 \"Speakers (AX-16 Audio)\"\n";
    const std::string endpointsHeader =
        "library: recording on the recording endpoints' mixers (mixer device 0 has no wave-in destination), in this "
        "order:\n";
    const json windowsPlaybackJson = {{"device", 0}, {"name", "Speakers (AX-16 Audio)"}};
    const json lineIn = {{"device", 2}, {"name", "Line In (AX-16 Audio)"}, {"waveIn", 1}};
    const json microphone = {{"device", 1}, {"name", "Microphone (AX-16 Audio)"}, {"waveIn", 0}};
    auto with = [](json j, bool preferred) {
        j["preferred"] = preferred;
        return j;
    };
    const Case cases[] = {
        {"the default card: one mixer for both",
         [] { sim::LoadCardText(DefaultCardText(), "default card"); },
         "library: playback on mixer device 0 \"AX-16 Wave Mixer\"\n"
         "library: recording on mixer device 0 \"AX-16 Wave Mixer\" (its wave-in destination)\n",
         {{"playback", {{"device", 0}, {"name", "AX-16 Wave Mixer"}}},
          {"recording", {{{"device", 0}, {"name", "AX-16 Wave Mixer"}}}}}},
        {"Wine: In: default, after the count that makes the preferred device known",
         [] { LoadCard("wine.json"); },
         "library: playback on mixer device 0 \"Out: default\"\n" + endpointsHeader +
             "  mixer device 1 \"In: default\" (wave-in device 0, preferred)\n",
         {{"playback", {{"device", 0}, {"name", "Out: default"}}},
          {"recording", {{{"device", 1}, {"name", "In: default"}, {"waveIn", 0}, {"preferred", true}}}}}},
        {"Windows: the preferred line input before the microphone",
         [] { LoadCard("windows.json"); },
         windowsPlayback + endpointsHeader + "  mixer device 2 \"Line In (AX-16 Audio)\" (wave-in device 1, preferred)\n" +
             "  mixer device 1 \"Microphone (AX-16 Audio)\" (wave-in device 0)\n",
         {{"playback", windowsPlaybackJson}, {"recording", {with(lineIn, true), with(microphone, false)}}}},
        {"a preferred device that does not exist: device order",
         [] {
             LoadCard("windows.json");
             sim::SetPreferredWaveIn(7);
         },
         windowsPlayback + endpointsHeader + "  mixer device 1 \"Microphone (AX-16 Audio)\" (wave-in device 0, preferred)\n" +
             "  mixer device 2 \"Line In (AX-16 Audio)\" (wave-in device 1)\n",
         {{"playback", windowsPlaybackJson}, {"recording", {with(microphone, true), with(lineIn, false)}}}},
        {"a wave-in device without a mixer is passed over",
         [] {
             LoadCard("windows.json");
             sim::FailFunction("mixerGetID", MMSYSERR_NODRIVER, 1);  // the preferred one's
         },
         windowsPlayback + endpointsHeader + "  wave-in device 1 (preferred) passed over: it has no mixer\n" +
             "  mixer device 1 \"Microphone (AX-16 Audio)\" (wave-in device 0)\n",
         {{"playback", windowsPlaybackJson}, {"recording", {with(microphone, false)}}}},
        {"a mapping that fails ends the search",
         [] {
             LoadCard("windows.json");
             sim::FailFunction("mixerGetID", MMSYSERR_ERROR, 2);
         },
         windowsPlayback + endpointsHeader + "  mixer device 2 \"Line In (AX-16 Audio)\" (wave-in device 1, preferred)\n" +
             "  wave-in device 0 ends the search: its mixer cannot be found (mixerGetID error 1)\n",
         {{"playback", windowsPlaybackJson},
          {"recording", {with(lineIn, true)}},
          {"recordingError", {{"waveIn", 0}, {"error", 1}}}}},
        {"device 0, a card's own mixer without a wave-in destination, is not searched twice",
         [] {
             const json own = {{"name", "Card"}, {"destinations", {{{"name", "Speakers"}, {"type", "speakers"}}}}};
             sim::LoadCard({{"devices", {own, Recording("Mic", json::array(), json::array())}}}, "card");
         },
         "library: playback on mixer device 0 \"Card\"\n" + endpointsHeader +
             "  wave-in device 0 (preferred) passed over: its mixer is device 0\n"
             "  mixer device 1 \"Mic\" (wave-in device 1)\n",
         {{"playback", {{"device", 0}, {"name", "Card"}}},
          {"recording", {{{"device", 1}, {"name", "Mic"}, {"waveIn", 1}, {"preferred", false}}}}}},
        {"no recording device at all",
         [] { sim::LoadCard({{"devices", {Playback()}}}, "card"); },
         "library: playback on mixer device 0 \"Out\"\n"
         "library: recording on no mixer (mixer device 0 has no wave-in destination, and there is no wave-in device)\n",
         {{"playback", {{"device", 0}, {"name", "Out"}}}, {"recording", json::array()}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool asJson : {false, true}) {
            sim::Reset();
            c.load();
            const Outcome r = asJson ? Cmd({"list", "--all", "--json"}) : Cmd({"list", "--all"});
            ASSERT_EQ(r.status, 0) << r.err;
            if (asJson) {
                const json all = json::parse(r.out);
                for (const json& device : all) EXPECT_EQ(device["library"], c.library) << device["library"].dump();
            } else {
                EXPECT_EQ(LibraryLines(r.out), c.lines);
                // Said once, whatever the number of devices shown.
                EXPECT_EQ(r.out.find("library: playback", 1), std::string::npos) << r.out;
            }
        }
    }
}

TEST_F(Endpoints, ListWithoutAReadableDevice0StillShowsTheOthers) {
    LoadCard("windows.json");
    sim::FailFunction("mixerGetLineInfoA", MMSYSERR_ERROR, 1);
    const Outcome r = Cmd({"list", "--device", "2", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json device = json::parse(r.out);
    EXPECT_TRUE(device["library"].is_null());
    EXPECT_EQ(device["name"], "Line In (AX-16 Audio)");
}

TEST_F(Endpoints, RecPathsOnTheWineCardWriteInDefaultsDestination) {
    LoadCard("wine.json");
    sim::Control& volume = ControlOf(1, 0);  // In: default's wave-in destination
    sim::Control& mute = ControlOf(1, 1);
    Outcome r = Cmd({"set", "rec.mic.volume", "12850", "rec.mic.mute", "on", "--", "get", "rec.mic.volume",
                     "rec.mic.mute", "--", "set", "rec.mic.volume", "1000", "--", "set", "rec.mic.volume", "+10%"});
    ASSERT_EQ(r.status, 0) << r.err;
    // 1000 reads back as Wine's float keeps it, and the step starts there.
    EXPECT_EQ(r.out,
              "rec.mic.volume = 12850\nrec.mic.mute = 1\nrec.mic.volume = 12850\nrec.mic.mute = 1\n"
              "rec.mic.volume = 999\nrec.mic.volume = 7552 (12%)\n");
    EXPECT_EQ(volume.Value(0), 7552);
    EXPECT_EQ(mute.Value(), 1);
    EXPECT_EQ(ControlOf(0, 0).Value(0), 65535);  // the playback endpoint's untouched
    EXPECT_EQ(ControlOf(0, 1).Value(), 0);

    // The destination's range is the one checked; nothing is written.
    r = Cmd({"set", "rec.mic.mute", "0", "rec.mic.volume", "65536"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_TRUE(Has(r.err, "set: rec.mic.volume: 65536 is outside the control's range 0..65535")) << r.err;
    EXPECT_EQ(mute.Value(), 1);

    // save and restore go through the same lines, and read them back: the
    // level saved, written again, reads one lower, within a step of it.
    const std::string file = Path("wine.ini");
    r = Cmd({"save", file, "--", "set", "rec.mic.volume", "257", "rec.mic.mute", "0", "--", "restore", file, "--", "get",
             "rec.mic.volume", "rec.mic.mute"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(Read("wine.ini"), "[RECORD VOLUME]\r\nLINEIN=0\r\nMIC=7552\r\n")) << Read("wine.ini");
    EXPECT_TRUE(Has(r.out, "restored mixer settings from " + file + "\nrec.mic.volume = 7551\nrec.mic.mute = 1\n")) << r.out;
}

TEST_F(Endpoints, WhatTheRecordingEndpointsLackIsNamed) {
    struct Case {
        const char* card;
        std::vector<std::string> words;
        const char* message;
    };
    const Case cases[] = {
        {"wine.json", {"set", "rec.linein.volume", "5"},
         "set: rec.linein.volume: mixer device 0 has no dst.wavein, nor has the recording endpoint's mixer (device 1) "
         "a src.line line"},
        {"windows.json", {"set", "rec.cd.mute", "1"},
         "set: rec.cd.mute: mixer device 0 has no dst.wavein, nor have the recording endpoints' mixers (devices 2, 1) "
         "a src.compactdisc line"},
        // No boost, no selector: the old results.
        {"wine.json", {"set", "rec.mic.boost", "1"},
         "set: rec.mic.boost: \"Master Volume\" (src.microphone line under dst.wavein of mixer device 1) has no onoff "
         "control"},
        {"wine.json", {"sources"}, "sources: mixer device 0 has no wave-in destination"},
        // A selection fails before the library writes.
        {"windows.json", {"set", "rec.mic.select"},
         "set: rec.mic.select: mixer device 0 has no wave-in destination, and with it no recording selector"},
        {"wine.json", {"set", "rec.mic.volume", "5", "rec.mic.select"}, "set: rec.mic.select: mixer device 0 has no"},
        {"wine.json", {"get", "rec.linein.select"},
         "get: rec.linein.select: absent: mixer device 0 has no wave-in destination"},
        {"windows.json", {"peak", "wavein"}, "peak: mixer device 0 has no dst.wavein line"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        LoadCard(c.card);
        const json before = sim::CardState();
        const Outcome r = Cmd(c.words);
        EXPECT_NE(r.status, 0) << c.words[1];
        EXPECT_TRUE(Has(r.err, c.message)) << r.err << "\n  should mention: " << c.message;
        if (c.words[0] == "set") {
            EXPECT_EQ(sim::CardState(), before) << c.words[1];
        }
    }
}

TEST_F(Endpoints, RecPathsOnTheWindowsCardActOnTheEndpointsValue) {
    LoadCard("windows.json");
    Outcome r = Cmd({"set", "rec.linein.volume", "30000", "rec.mic.volume", "50%", "rec.linein.balance", "3",
                     "rec.linein.mute", "toggle", "--", "get", "rec.linein.volume", "rec.mic.volume"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "rec.linein.volume = 30000\nrec.mic.volume = 32768 (50%)\nrec.linein.balance = 3\nrec.linein.mute = 1\n"
              "rec.linein.volume = 30000\nrec.mic.volume = 32768\n");
    // Each endpoint's volume, Core Audio's, not the process's mixer: the
    // line input's balance is 3/7 on the right.
    const sim::Device::EndpointVolume& line = sim::Devices()[2].endpointVolume;
    EXPECT_EQ(LevelOfScalar(line.levels[0]), 30000);
    EXPECT_EQ(LevelOfScalar(line.levels[1]), 12857);
    EXPECT_TRUE(line.mute);
    EXPECT_EQ(LevelOfScalar(sim::Devices()[1].endpointVolume.levels[0]), 32768);
    EXPECT_EQ(ControlOf(2, 1).values, (std::vector<LONG>{40960, 40960}));
    // The playback endpoint's sources stay the process's: on its mixer they
    // act on the mixer's master volume, not the endpoint's.
    r = Cmd({"set", "play.cd.volume", "1285", "--", "get", "play.main.volume", "play.waveout.volume"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "play.cd.volume = 1285\nplay.main.volume = 65535\nplay.waveout.volume = 1285\n");
}

// The control mixerctl checks and reads back is the one the library writes:
// the source's when it keeps a value, the destination's when it keeps
// nothing, on the mixer searched first that has the line.
TEST_F(Endpoints, TheCheckedControlIsTheOneTheLibraryWrites) {
    const json mute = {{"id", 2}, {"type", "mute"}, {"flags", {"uniform"}}};
    struct Case {
        const char* what;
        json devices;
        DWORD preferred;
        LONG level;
        const char* problem;  // "" when the level arrives
        size_t device;        // where it arrives
        DWORD control;
    };
    const Case cases[] = {
        {"a source that keeps: its own range",
         {Playback(), Recording("In", {Volume(1, 65535)}, {Volume(3, 1000, {{"actsOn", 1}})})}, 0, 5000,
         "5000 is outside the control's range 0..1000", 0, 0},
        {"a source that keeps nothing: the destination's range",
         {Playback(), Recording("In", {Volume(1, 65535), mute}, {Volume(3, 1000, kKeepsNothing)})}, 0, 5000, "", 1, 1},
        {"a source that keeps but takes nothing is not stood in for",
         {Playback(), Recording("In", {Volume(1, 65535)}, {Volume(3, 1000, {{"ignoreWrites", true}, {"value", 7}})})}, 0,
         500, "asked 500, reads back 7 (the mixer did not take it)", 0, 0},
        {"a destination without a volume to stand in",
         {Playback(), Recording("In", {mute}, {Volume(3, 1000, kKeepsNothing)})}, 0, 5,
         "\"In\" (dst.wavein of mixer device 1, in place of \"Mic\", whose volume control keeps nothing) has no volume "
         "control",
         0, 0},
        {"a disabled source", {Playback(), Recording("In", {Volume(1, 65535)}, {Volume(3, 1000, {{"flags", {"disabled"}}})})},
         0, 5, "the volume control of \"Mic\" is disabled", 0, 0},
        {"the preferred endpoint first",
         {Playback(), Recording("Narrow", {Volume(1, 100)}, {Volume(3, 100, kKeepsNothing)}),
          Recording("Wide", {Volume(1, 65535)}, {Volume(3, 100, kKeepsNothing)})},
         1, 5000, "", 2, 1},
        {"the preferred endpoint first, the other way",
         {Playback(), Recording("Narrow", {Volume(1, 100)}, {Volume(3, 100, kKeepsNothing)}),
          Recording("Wide", {Volume(1, 65535)}, {Volume(3, 100, kKeepsNothing)})},
         0, 5000, "5000 is outside the control's range 0..100", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        sim::LoadCard({{"devices", c.devices}, {"preferredWaveIn", c.preferred}}, "card");
        const json before = sim::CardState();
        const Outcome r = Cmd({"set", "rec.mic.volume", std::to_string(c.level)});
        if (c.problem[0] == '\0') {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, "rec.mic.volume = " + std::to_string(c.level) + "\n");
            EXPECT_EQ(ControlOf(c.device, c.control).Value(), c.level);
        } else {
            EXPECT_NE(r.status, 0);
            EXPECT_TRUE(Has(r.err, c.problem)) << r.err << "\n  should mention: " << c.problem;
            if (r.status == kExitUsage || Has(c.problem, "has no") || Has(c.problem, "disabled")) {
                EXPECT_EQ(sim::CardState(), before);  // refused before anything was written
            }
        }
    }
}

// Where the library's own search ended on a failed request, as `set` names
// it before writing anything.
TEST_F(Endpoints, WhereTheLibrarysSearchFailedIsNamed) {
    struct Case {
        const char* card;
        const char* function;  // fails on its `occurrence`th call
        int occurrence;
        const char* path;
        const char* message;
    } cases[] = {
        {"default.json", "mixerOpen", 1, "play.main.volume", "cannot open mixer device 0 (error 1)"},
        {"default.json", "mixerGetLineInfoA", 1, "play.main.volume", "cannot read destination 0 (error 1)"},
        {"default.json", "mixerGetLineInfoA", 2, "play.linein.volume", "cannot read source 0 of destination 0 (error 1)"},
        {"windows.json", "mixerGetLineInfoA", 2, "rec.mic.volume", "cannot read destination 0 of mixer device 2 (error 1)"},
        {"windows.json", "mixerGetID", 1, "rec.mic.volume",
         "mixer device 0 has no dst.wavein, and the mixer of wave-in device 1 cannot be found (mixerGetID error 1)"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        LoadCard(c.card);
        const json before = sim::CardState();
        sim::FailFunction(c.function, MMSYSERR_ERROR, c.occurrence);
        const Outcome r = Cmd({"set", c.path, "5"});
        sim::ClearFaults();
        EXPECT_EQ(r.status, kExitFailure) << c.function;
        EXPECT_EQ(r.err, "mixerctl: set: " + std::string(c.path) + ": " + c.message + "\n") << c.function;
        EXPECT_EQ(sim::CardState(), before) << c.function;
    }
}
