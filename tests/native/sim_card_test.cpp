// Cards as data: what a card file builds in the simulated mixer, the faults a
// card can have, the state file that carries a card's values, live meters,
// and the shape of the default card.
#include "persistence_fixture.h"
#include "test_cards.h"
#include "wine_card.h"

#include <functional>
#include <set>

namespace {

using nlohmann::json;

class SimCardTest : public FileTest {};

const char kSmallCard[] = R"({
  "devices": [{
    "name": "Test Card", "mid": 7, "pid": 9,
    "destinations": [{
      "name": "Speakers", "type": "speakers", "channels": 2,
      "controls": [
        {"type": "volume", "name": "Master", "values": [[1000], [2000]], "steps": 32},
        {"type": "0x20010002", "name": "Master Mute", "flags": ["uniform"], "value": 1}
      ],
      "sources": [{
        "name": "Wave", "type": "waveout", "channels": 1, "id": "0x00420000", "reportedControls": 3,
        "controls": [{"type": "volume", "id": 77, "min": 10, "max": 500, "value": 20,
                      "leaveUnfilled": true, "ignoreWrites": true, "firstChannelOnly": true,
                      "refuseOutOfRange": true}]
      }]
    }, {
      "name": "Recording", "type": "dst.wavein", "channels": 2, "id": 12,
      "controls": [
        {"type": "mux", "name": "Source", "items": ["Mic", "Line"], "selected": [1], "refuseBadSelection": true},
        {"type": "mixer", "name": "Mix", "flags": ["multiple"], "items": ["A", "B", "C"], "itemCount": 4,
         "values": [1, 0, 0, 0, 0, 0, 1, 0], "textsFirstChannelOnly": true}
      ]
    }]
  }]
})";

// What a load refused with: the CardError's message, or "(accepted)".
std::string Refusal(const std::function<void()>& load) {
    try {
        load();
    } catch (const sim::CardError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST_F(SimCardTest, ACardBuildsItsDevicesLinesAndControls) {
    sim::LoadCardText(kSmallCard, "small");
    ASSERT_EQ(sim::Devices().size(), 1u);
    sim::Device& dev = sim::Devices()[0];
    EXPECT_EQ(dev.productName, "Test Card");
    EXPECT_EQ(dev.mid, 7);
    EXPECT_EQ(dev.pid, 9);
    ASSERT_EQ(dev.destinations.size(), 2u);

    sim::Destination& sp = dev.destinations[0];
    EXPECT_EQ(sp.componentType, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_EQ(sp.channels, 2u);
    ASSERT_EQ(sp.controls.size(), 2u);
    const sim::Control& vol = sp.controls[0];
    EXPECT_EQ(vol.type, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(vol.flags, 0u);
    EXPECT_EQ(vol.steps, 32u);
    EXPECT_EQ(vol.Value(0), 1000);
    EXPECT_EQ(vol.Value(1), 2000);
    const sim::Control& mute = sp.controls[1];
    EXPECT_EQ(mute.type, MIXERCONTROL_CONTROLTYPE_MUTE);  // given by number
    EXPECT_EQ(mute.flags, MIXERCONTROL_CONTROLF_UNIFORM);
    EXPECT_EQ(mute.values, std::vector<LONG>{1});

    ASSERT_EQ(sp.sources.size(), 1u);
    sim::Line& wave = sp.sources[0];
    EXPECT_EQ(wave.componentType, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
    EXPECT_EQ(wave.id, 0x00420000u);
    EXPECT_EQ(wave.channels, 1u);
    EXPECT_EQ(wave.ControlCount(), 3u);  // a driver that miscounts
    const sim::Control& wv = wave.controls.at(0);
    EXPECT_EQ(wv.id, 77u);
    EXPECT_EQ(wv.minimum, 10);
    EXPECT_EQ(wv.maximum, 500);
    EXPECT_EQ(wv.Value(0), 20);
    EXPECT_TRUE(wv.leaveUnfilled);
    EXPECT_TRUE(wv.ignoreWrites);
    EXPECT_TRUE(wv.firstChannelOnly);
    EXPECT_TRUE(wv.refuseOutOfRange);
    EXPECT_FALSE(wv.refuseBadSelection);

    sim::Destination& rec = dev.destinations[1];
    EXPECT_EQ(rec.componentType, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_EQ(rec.id, 12u);
    EXPECT_EQ(rec.ControlCount(), 2u);
    const sim::Control& mux = rec.controls.at(0);
    EXPECT_EQ(mux.flags, MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE);  // a list's default
    EXPECT_EQ(mux.items, 2u);
    EXPECT_EQ(mux.itemTexts, (std::vector<std::string>{"Mic", "Line"}));
    EXPECT_EQ(mux.values, (std::vector<LONG>{0, 1}));
    EXPECT_TRUE(mux.refuseBadSelection);
    const sim::Control& mix = rec.controls.at(1);
    EXPECT_EQ(mix.flags, MIXERCONTROL_CONTROLF_MULTIPLE);  // per channel: 2 x 4 values
    EXPECT_EQ(mix.items, 4u);                               // more items than texts
    EXPECT_EQ(mix.itemTexts.size(), 3u);
    EXPECT_EQ(mix.Value(0, 0), 1);
    EXPECT_EQ(mix.Value(1, 2), 1);
    EXPECT_EQ(mix.Value(1, 0), 0);
    EXPECT_TRUE(mix.textsFirstChannelOnly);
}

TEST_F(SimCardTest, TheCardIsWhatWinmmShows) {
    sim::LoadCardText(kSmallCard, "small");
    MIXERCAPSA caps;
    ASSERT_EQ(mixerGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Test Card");
    EXPECT_EQ(caps.cDestinations, 2u);
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    ASSERT_EQ(mixerGetLineInfoA(nullptr, &line, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_NOERROR);
    EXPECT_EQ(line.dwLineID, 0x00420000u);
    EXPECT_STREQ(line.szName, "Wave");
    EXPECT_EQ(line.cControls, 3u);
}

TEST_F(SimCardTest, HostDirectoryGoesToTheRegistry) {
    sim::LoadCardText(R"({"devices": [], "hostDirectory": "D:\\APP\\"})", "card");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE",
                            0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    char data[64] = {0};
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<LPBYTE>(data), &size), ERROR_SUCCESS);
    EXPECT_STREQ(data, "D:\\APP\\");
    RegCloseKey(key);
    EXPECT_EQ(sim::Devices().size(), 0u);
}

// A device of one destination over one source, each with a volume; `device`
// and `source` add fields to the device and the source's volume.
std::string EndpointCard(const std::string& card, const std::string& device, const std::string& sourceVolume) {
    return R"({)" + card + R"("devices": [{"name": "Mic X", )" + device +
           R"("destinations": [{"name": "In", "type": "wavein", "channels": 2,
              "controls": [{"id": 1, "type": "volume", "value": 100}, {"id": 2, "type": "mute", "flags": ["uniform"]}],
              "sources": [{"name": "Mic", "type": "mic", "channels": 1,
                "controls": [{"id": 3, "type": "volume", )" +
           sourceVolume + R"(}, {"id": 4, "type": "mute", "flags": ["uniform"]}]}]}]}]})";
}

// Every fault names the file and the field.
TEST_F(SimCardTest, CardFaultsNameTheFieldAndFile) {
    struct Bad {
        std::string card;
        const char* where;  // expected in the message
    };
    const Bad bad[] = {
        {"[]", "card: must be an object"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": "loudspeakers"}]}]})",
         "devices[0].destinations[0].type: unknown destination type 'loudspeakers'"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4, "controls": [{"type": "knob"}]}]}]})",
         "devices[0].destinations[0].controls[0].type: unknown control type 'knob'"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4, "channels": 2,
            "controls": [{"type": "volume", "values": [1, 2, 3]}]}]}]})",
         "controls[0].values: needs 2 values"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4,
            "controls": [{"type": "mux", "items": ["a"], "selected": [3]}]}]}]})",
         "selected[0]: no item 3"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4,
            "controls": [{"type": "volume", "id": 5}, {"type": "mute", "id": 5}]}]}]})",
         "devices[0]: two controls have the id 5"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4,
            "controls": [{"type": "volume", "fristChannelOnly": true}]}]}]})",
         "unknown field 'fristChannelOnly'"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4,
            "controls": [{"type": "volume", "value": 1, "selected": [0]}]}]}]})",
         "give only one of value, values and selected"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4,
            "controls": [{"type": "mux", "flags": ["uniform"], "items": ["a"]}]}]}]})",
         "needs the multiple flag"},
        {R"({"devices": [{"destinations": []}]})", "devices[0]: a device needs a name"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4,
            "sources": [{"name": "s", "type": "mic", "reportedControls": "many"}]}]}]})",
         "devices[0].destinations[0].sources[0].reportedControls: must be an integer"},
        // A value outside the control's own bounds, whichever way it is given.
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4,
            "controls": [{"type": "volume", "max": 100, "value": 200}]}]}]})",
         "controls[0].value: 200 is outside the control's range 0..100"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4, "channels": 2,
            "controls": [{"type": "volume", "min": 10, "values": [10, 5]}]}]}]})",
         "controls[0].values[1]: 5 is outside the control's range 10..65535"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4, "channels": 2,
            "controls": [{"type": "mute", "values": [[0], [2]]}]}]}]})",
         "controls[0].values[1][0]: 2 is outside the control's range 0..1"},
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": 4,
            "controls": [{"type": "volume", "min": 5, "max": 4}]}]}]})",
         "controls[0].min: is above max (4)"},
        // The fields of per-endpoint mixers.
        {EndpointCard("", R"("endpoint": "capture", )", R"("value": 7)"),
         R"(devices[0].endpoint: must be "playback" or "recording" (left out: a card's own mixer, serving both), not 'capture')"},
        {EndpointCard("", R"("endpoint": 1, )", R"("value": 7)"), "devices[0].endpoint: must be a string"},
        {EndpointCard("", "", R"("actsOn": 9)"), "actsOn: the device has no control 9"},
        {EndpointCard("", "", R"("actsOn": 3)"), "actsOn: a control does not act on itself"},
        {EndpointCard("", "", R"("actsOn": 2)"), "actsOn: control 2 is a mute control, not a volume control"},
        {EndpointCard("", "", R"("actsOn": 1, "value": 5)"),
         "actsOn: a control that acts on another holds no value of its own: give it to control 1"},
        {EndpointCard("", "", R"("actsOn": "one")"), "actsOn: must be an integer"},
        {EndpointCard("", "", R"("floatLevel": "yes")"), "controls[0].floatLevel: must be true or false"},
        {EndpointCard(R"("preferredWaveIn": 1.5, )", "", R"("value": 7)"), "preferredWaveIn: must be an integer"},
        {EndpointCard(R"("wineDeviceIds": 1, )", "", R"("value": 7)"), "wineDeviceIds: must be true or false"},
        {EndpointCard(R"("wineMixerHandles": "on", )", "", R"("value": 7)"), "wineMixerHandles: must be true or false"},
        {EndpointCard(R"("preferedWaveIn": 1, )", "", R"("value": 7)"), "card: unknown field 'preferedWaveIn'"},
        // A control that acts on one that acts on another: the value is in neither.
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": "wavein", "controls": [
            {"id": 1, "type": "volume"}, {"id": 2, "type": "volume", "actsOn": 1}],
            "sources": [{"name": "s", "type": "mic", "controls": [{"id": 3, "type": "volume", "actsOn": 2}]}]}]}]})",
         "control 2 acts on control 1 itself: name the control that holds the value"},
        // Another device's control is not this device's.
        {R"({"devices": [{"name": "a", "destinations": [{"name": "d", "type": 4, "controls": [{"id": 8, "type": "volume"}]}]},
            {"name": "b", "destinations": [{"name": "d", "type": 4, "controls": [{"id": 1, "type": "volume", "actsOn": 8}]}]}]})",
         "devices[1].destinations[0].controls[0].actsOn: the device has no control 8"},
        // Lists of another item count would be read item by item past the held ones.
        {R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": "wavein", "controls": [
            {"id": 1, "type": "mux", "items": ["a", "b"]}, {"id": 2, "type": "mux", "items": ["a", "b", "c"], "actsOn": 1}]}]}]})",
         "controls[1].actsOn: control 1 has 2 items, not 3"},
    };
    for (const Bad& b : bad) {
        sim::Reset();
        const std::string what = Refusal([&] { sim::LoadCardText(b.card, "bad.json"); });
        EXPECT_EQ(what.rfind("bad.json: ", 0), 0u) << what;
        EXPECT_NE(what.find(b.where), std::string::npos) << what << "\n  should mention: " << b.where;
    }
}

// Text that is not JSON: the line and column of the first thing the parser
// could not take, in plain words.
TEST_F(SimCardTest, TextThatIsNotJsonNamesLineAndColumn) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {R"({"devices": [{"name": "x"}]} trailing)", "bad.json: line 1, column 30: not valid JSON: unexpected 'trailing'"},
        {"{not json", "bad.json: line 1, column 2: not valid JSON: unexpected 'not'"},
        {"{\"devices\": [],\n  \"x\": tru }", "bad.json: line 2, column 8: not valid JSON: unexpected 'tru'"},
        {"{\"a\": \"two\nlines\"}", "bad.json: line 1, column 11: not valid JSON: unexpected end of line"},
        {"{\"devices\": [], }", "bad.json: line 1, column 17: not valid JSON: unexpected '}'"},
        {"{\"d\u00e9vices\": [] ;}", "bad.json: line 1, column 16: not valid JSON: unexpected ';'"},
        {"{\"devices\": [\x01]}", "bad.json: line 1, column 14: not valid JSON: unexpected byte 0x01"},
        {"{\"devices\": [", "bad.json: line 1, column 14: not valid JSON: the text ends too soon"},
        {"", "bad.json: line 1, column 1: not valid JSON: the text ends too soon"},
    };
    for (const auto& c : cases) {
        sim::Reset();
        EXPECT_EQ(Refusal([&] { sim::LoadCardText(c.text, "bad.json"); }), c.message) << c.text;
        EXPECT_EQ(sim::Devices().size(), 0u);
    }
}

// JSON that is no card: the line and column of the value at fault, before
// its field; keys with escapes, strings with brackets and commas, nested
// lists are walked past on the way.
TEST_F(SimCardTest, CardFaultsInTextNameLineAndColumn) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"[1, 2]", "bad.json: line 1, column 1: card: must be an object"},
        {"{\"devices\": [\"x\"]}", "bad.json: line 1, column 14: devices[0]: must be an object"},
        {"{\"devices\": [\n  {\"name\": \"a\", \"destinations\": []},\n  {\"name\": 7}\n]}",
         "bad.json: line 3, column 12: devices[1].name: must be a string"},
        {"{\"comment\": \"a [b], {c}: \\\"d\\\"\", \"devices\": [{\"destinations\": []}]}",
         "bad.json: line 1, column 46: devices[0]: a device needs a name"},
        {"{\"devices\": [{\"name\": \"\u00e9\", \"destinations\": [{\"name\": \"d\", \"type\": 4,\n"
         "    \"controls\": [{\"type\": \"volume\", \"values\": [[1], [2, 3]], \"max\": \"x\"}]}]}]}",
         "bad.json: line 2, column 69: devices[0].destinations[0].controls[0].max: must be an integer"},
    };
    for (const auto& c : cases) {
        sim::Reset();
        EXPECT_EQ(Refusal([&] { sim::LoadCardText(c.text, "bad.json"); }), c.message) << c.text;
    }
    // A card given as JSON has no text to point into.
    sim::Reset();
    EXPECT_EQ(Refusal([&] { sim::LoadCard(nlohmann::json::array(), "bad.json"); }), "bad.json: card: must be an object");
}

TEST_F(SimCardTest, FilesThatCannotBeReadNameTheReason) {
    EXPECT_EQ(Refusal([&] { sim::LoadCardFile(Path("none.json")); }),
              "cannot read card " + Path("none.json") + ": No such file or directory");
    EXPECT_EQ(Refusal([&] { sim::LoadCardFile(dir_); }), "cannot read card " + dir_ + ": Is a directory");
    EXPECT_EQ(Refusal([&] { sim::LoadCardFile("C:\\cards\\x.json"); }),
              "cannot read card C:\\cards\\x.json: No such file or directory");  // no drive is mapped
    EXPECT_EQ(Refusal([&] { sim::RestoreCardStateFile(dir_); }), "cannot read state file " + dir_ + ": Is a directory");
    EXPECT_EQ(Refusal([&] { sim::SaveCardStateFile(dir_); }), "cannot write state file " + dir_ + ": Is a directory");
    EXPECT_EQ(Refusal([&] { sim::SaveCardStateFile(Path("no/state.json")); }),
              "cannot write state file " + Path("no/state.json") + ": No such file or directory");
    Write("card.json", kSmallCard);
    sim::LoadCardFile(Path("card.json"));
    EXPECT_EQ(sim::Devices().size(), 1u);
    // A file that is not JSON is named as a card would be.
    Write("junk.json", "{\n}}");
    EXPECT_EQ(Refusal([&] { sim::LoadCardFile(Path("junk.json")); }),
              Path("junk.json") + ": line 2, column 2: not valid JSON: unexpected '}'");
}

// The fields of per-endpoint mixers, each as winmm then shows it.
TEST_F(SimCardTest, EndpointFieldsReachTheSimulatedWinmm) {
    struct Good {
        const char* what;
        std::string card;
        std::function<void()> check;
    };
    auto preferred = [] {
        DWORD id = 0, flags = 0;
        EXPECT_EQ(waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)), DRVM_MAPPER_PREFERRED_GET,
                                reinterpret_cast<DWORD_PTR>(&id), reinterpret_cast<DWORD_PTR>(&flags)),
                  MMSYSERR_NOERROR);
        return id;
    };
    const Good good[] = {
        {"a card's own mixer serves both directions", EndpointCard("", "", R"("value": 7)"),
         [] {
             EXPECT_EQ(sim::Devices()[0].endpoint, sim::Device::Endpoint::None);
             EXPECT_EQ(waveInGetNumDevs(), 1u);
             EXPECT_EQ(waveOutGetNumDevs(), 1u);
         }},
        {"a recording endpoint is wave-in device 0 and no wave-out device",
         EndpointCard("", R"("endpoint": "recording", )", R"("value": 7)"),
         [] {
             EXPECT_EQ(sim::Devices()[0].endpoint, sim::Device::Endpoint::Recording);
             UINT mixer = 99;
             EXPECT_EQ(mixerGetID(nullptr, &mixer, MIXER_OBJECTF_WAVEIN), MMSYSERR_NOERROR);
             EXPECT_EQ(mixer, 0u);
             EXPECT_EQ(waveOutGetNumDevs(), 0u);
         }},
        {"a source volume acting on the destination's reads and writes its value",
         EndpointCard("", "", R"("actsOn": 1)"),
         [] {
             EXPECT_EQ(ReadValue(0, 3), 100);
             EXPECT_EQ(WriteValue(0, 3, 555), MMSYSERR_NOERROR);
             EXPECT_EQ(sim::Devices()[0].FindControl(1)->values, (std::vector<LONG>{555, 555}));
         }},
        {"a float level reads 1000 back as 999", EndpointCard("", "", R"("floatLevel": true)"),
         [] {
             EXPECT_TRUE(sim::Devices()[0].FindControl(3)->floatLevel);
             EXPECT_EQ(WriteValue(0, 3, 1000), MMSYSERR_NOERROR);
             EXPECT_EQ(ReadValue(0, 3), 999);
         }},
        {"the preferred wave-in device", EndpointCard(R"("preferredWaveIn": 3, )", "", R"("value": 7)"),
         [&] { EXPECT_EQ(preferred(), 3u); }},
        {"a preferred device of -1 is reported as it is", EndpointCard(R"("preferredWaveIn": -1, )", "", R"("value": 7)"),
         [&] { EXPECT_EQ(preferred(), 0xFFFFFFFFu); }},
        {"Wine's device ids: -1 before a count, INVALHANDLE past the devices",
         EndpointCard(R"("wineDeviceIds": true, "preferredWaveIn": 0, )", R"("endpoint": "recording", )", R"("value": 7)"),
         [&] {
             EXPECT_EQ(preferred(), 0xFFFFFFFFu);
             waveInGetNumDevs();
             EXPECT_EQ(preferred(), 0u);
             UINT mixer = 0;
             EXPECT_EQ(mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(WAVE_MAPPER)), &mixer,
                                  MIXER_OBJECTF_WAVEIN),
                       MMSYSERR_INVALHANDLE);
         }},
        {"Wine's mixer handles", EndpointCard(R"("wineMixerHandles": true, )", R"("endpoint": "playback", )", R"("value": 7)"),
         [] {
             HMIXER h = nullptr;
             ASSERT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
             EXPECT_EQ(reinterpret_cast<uintptr_t>(h), 0xC000u);  // playback device 0, first open
             mixerClose(h);
         }},
    };
    for (const Good& g : good) {
        SCOPED_TRACE(g.what);
        sim::Reset();
        sim::LoadCardText(g.card, "good.json");
        g.check();
    }
}

TEST_F(SimCardTest, LiveMetersMoveOnlyWhenTicked) {
    const char card[] = R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": "wavein",
        "controls": [{"type": "peakmeter", "flags": ["uniform"], "live": true},
                     {"type": "peakmeter", "flags": ["uniform"], "value": 5}]}]}]})";
    sim::LoadCardText(card, "card");
    sim::Destination& d = sim::Devices()[0].destinations[0];
    EXPECT_EQ(d.controls[0].Value(), 0);
    bool moved = false;
    for (int i = 0; i < 20; ++i) {
        sim::TickLiveMeters();
        const LONG v = d.controls[0].Value();
        EXPECT_GE(v, -32768);
        EXPECT_LE(v, 32767);
        moved = moved || v != 0;
        EXPECT_EQ(d.controls[1].Value(), 5);  // not live
    }
    EXPECT_TRUE(moved);
    // Stopped, the meter keeps its reading.
    sim::StopLiveMeters();
    d.controls[0].SetAll(-1200);
    sim::TickLiveMeters();
    EXPECT_EQ(d.controls[0].Value(), -1200);
    // A reset forgets it: the next card's control of that id stays as loaded.
    sim::Reset();
    sim::LoadCardText(card, "card");
    sim::Reset();
    sim::LoadCardText(R"({"devices": [{"name": "x", "destinations": [{"name": "d", "type": "wavein",
        "controls": [{"type": "peakmeter", "flags": ["uniform"], "value": -1200}]}]}]})",
                      "quiet");
    sim::TickLiveMeters();
    EXPECT_EQ(sim::Devices()[0].destinations[0].controls[0].Value(), -1200);
}

// ---- The values of every control ----------------------------------------------------

TEST_F(SimCardTest, ValuesSnapshotTellsDevicesApartAndPutsValuesBack) {
    // Two devices whose controls share identifiers.
    BuildWineCard();
    const sim::Values before = sim::AllValues();
    ASSERT_EQ(before.size(), 8u);
    EXPECT_EQ(before.at({1, 0}), std::vector<LONG>{65535});
    sim::Control& recordingMute = *sim::Devices()[1].FindControl(1);
    sim::Control& microphoneVolume = *sim::Devices()[1].FindControl(2);
    recordingMute.SetAll(1);
    microphoneVolume.SetAll(7);
    const sim::Values changed = sim::AllValues();
    EXPECT_EQ(sim::ChangedControls(before, changed), (std::set<sim::ControlKey>{{1, 1}, {1, 2}}));
    EXPECT_TRUE(sim::ChangedControls(changed, changed).empty());
    // A control the first snapshot lacks counts as changed.
    sim::Values fewer = before;
    fewer.erase({0, 3});
    EXPECT_EQ(sim::ChangedControls(fewer, before), (std::set<sim::ControlKey>{{0, 3}}));
    sim::RestoreValues(before);
    EXPECT_EQ(sim::AllValues(), before);
    EXPECT_EQ(microphoneVolume.values, std::vector<LONG>{65535});
}

// ---- The state file -----------------------------------------------------------------

sim::Control& MasterVolume() { return sim::Devices()[0].destinations[0].controls[0]; }
sim::Control& Mux() {
    return *sim::Devices()[0].FindDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN)->Find(MIXERCONTROL_CONTROLTYPE_MUX);
}

// As a later run starts: a fresh platform with the same card.
void NextRun() {
    sim::Reset();
    LoadTestCard("default");
}

TEST_F(SimCardTest, StateRoundTripCarriesEveryValue) {
    LoadTestCard("default");
    MasterVolume().SetValue(1234, 0);
    MasterVolume().SetValue(4321, 1);
    Mux().SetAll(0);
    Mux().SetValue(1, 0, 4);
    const std::vector<LONG> volume = MasterVolume().values, mux = Mux().values;
    sim::SaveCardStateFile(Path("state.json"));

    NextRun();
    EXPECT_NE(MasterVolume().values, volume);
    EXPECT_TRUE(sim::RestoreCardStateFile(Path("state.json")));
    EXPECT_EQ(MasterVolume().values, volume);
    EXPECT_EQ(Mux().values, mux);
    // And every other control as well: the whole state is the same again.
    EXPECT_EQ(sim::CardState(), json::parse(Read("state.json")));
}

TEST_F(SimCardTest, MissingStateFileIsTheFirstRun) {
    LoadTestCard("default");
    const json before = sim::CardState();
    EXPECT_FALSE(sim::RestoreCardStateFile(Path("none.json")));
    EXPECT_EQ(sim::CardState(), before);
}

TEST_F(SimCardTest, StateOfAnotherCardIsRefusedAndChangesNothing) {
    sim::LoadCardText(R"({"devices": [{"name": "Other", "destinations": [{"name": "d", "type": "speakers",
        "controls": [{"type": "volume", "value": 9}]}]}]})",
                      "other");
    sim::SaveCardStateFile(Path("other.json"));

    NextRun();
    const json before = sim::CardState();
    EXPECT_EQ(Refusal([&] { sim::RestoreCardStateFile(Path("other.json")); }),
              Path("other.json") + ": device 0 is not \"AX-16 Wave Mixer\" (was it saved with another card?)");
    EXPECT_EQ(sim::CardState(), before);

    // Same card, but one control's values of another size: refused before
    // any control is changed.
    json state = sim::CardState();
    state["devices"][0]["controls"][0]["values"] = {7, 7};  // the master volume: 2 values, fine
    state["devices"][0]["controls"][1]["values"] = {1, 1};  // the master mute holds 1
    EXPECT_EQ(Refusal([&] { sim::RestoreCardState(state, "edited.json"); }),
              "edited.json: control 2 holds 1 values, not 2 (was it saved with another card?)");
    EXPECT_EQ(sim::CardState(), before);

    state = sim::CardState();
    state["devices"][0]["controls"][0]["id"] = 999u;
    EXPECT_EQ(Refusal([&] { sim::RestoreCardState(state, "edited.json"); }),
              "edited.json: device 0 has no control 999 (was it saved with another card?)");
    Write("junk.json", "{not json");
    EXPECT_EQ(Refusal([&] { sim::RestoreCardStateFile(Path("junk.json")); }),
              Path("junk.json") + ": line 1, column 2: not valid JSON: unexpected 'not'");
    Write("plain.json", R"({"devices": []})");
    EXPECT_EQ(Refusal([&] { sim::RestoreCardStateFile(Path("plain.json")); }),
              Path("plain.json") + ": not a mixerctl state file");
    EXPECT_EQ(sim::CardState(), before);
}

// ---- The cards of tests/cards -------------------------------------------------------

TEST_F(SimCardTest, DefaultCardHasTheTypicalShape) {
    sim::Device& dev = LoadTestCard("default");
    ASSERT_EQ(sim::Devices().size(), 1u);
    sim::Destination* sp = dev.FindDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    ASSERT_NE(sp, nullptr);
    EXPECT_NE(sp->Find(MIXERCONTROL_CONTROLTYPE_VOLUME), nullptr);
    EXPECT_NE(sp->Find(MIXERCONTROL_CONTROLTYPE_MUTE), nullptr);
    EXPECT_NE(sp->Find(MIXERCONTROL_CONTROLTYPE_PEAKMETER), nullptr);
    for (DWORD t : {MIXERLINE_COMPONENTTYPE_SRC_LINE, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                    MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT,
                    MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY}) {
        sim::Line* l = sp->FindSource(t);
        ASSERT_NE(l, nullptr) << std::hex << t;
        EXPECT_NE(l->Find(MIXERCONTROL_CONTROLTYPE_VOLUME), nullptr);
        EXPECT_NE(l->Find(MIXERCONTROL_CONTROLTYPE_MUTE), nullptr);
    }
    EXPECT_NE(sp->FindSource(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)->Find(MIXERCONTROL_CONTROLTYPE_ONOFF), nullptr);

    sim::Destination* wi = dev.FindDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    ASSERT_NE(wi, nullptr);
    sim::Control* mux = wi->Find(MIXERCONTROL_CONTROLTYPE_MUX);
    ASSERT_NE(mux, nullptr);
    EXPECT_NE(wi->Find(MIXERCONTROL_CONTROLTYPE_PEAKMETER), nullptr);
    const DWORD recTypes[] = {MIXERLINE_COMPONENTTYPE_SRC_LINE,   MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                              MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY,
                              MIXERLINE_COMPONENTTYPE_SRC_ANALOG, MIXERLINE_COMPONENTTYPE_SRC_DIGITAL};
    ASSERT_EQ(mux->items, 6u);
    ASSERT_EQ(wi->sources.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        // The selector's items name the wave-in sources, in order.
        EXPECT_EQ(wi->sources[i].componentType, recTypes[i]);
        EXPECT_EQ(mux->itemTexts.at(i), wi->sources[i].name);
        EXPECT_NE(wi->sources[i].Find(MIXERCONTROL_CONTROLTYPE_VOLUME), nullptr);
        EXPECT_NE(wi->sources[i].Find(MIXERCONTROL_CONTROLTYPE_MUTE), nullptr);
    }
    int selected = 0;
    for (LONG v : mux->values) selected += v != 0;
    EXPECT_EQ(selected, 1);
}

}  // namespace
