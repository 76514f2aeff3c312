// Hostile cards: mixers shaped the way no driver should shape them, and some
// that drivers do. Every one of the 91 exports runs over each card; nothing
// may crash or be left open, the always-1 setters stay 1, Save writes exactly
// what the getters report, and each card's own oddity gives the results the
// library's rules fix for it.
#include "cdaudio/cdaudio.h"
#include "engine/engine.h"
#include "export_names.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "selector/selector.h"
#include "settings_layout.h"
#include "short_names.h"
#include "sim_mci.h"
#include "test_cards.h"

#include <functional>
#include <map>

namespace {

using namespace nlohmann::literals;

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";
const DWORD kListingLimit = 4096;

typedef LONG(WINAPI* ValueFn)(LONG);
typedef LONG(WINAPI* PlainFn)(void);

// The per-line groups of mixer.h's export table, with the other exports of
// their shape.
#define ENTRY(result, fn, params) {#fn, fn},
#define NAME(result, fn, params) #fn,
const struct {
    const char* name;
    ValueFn fn;
} kMixerSetters[] = {MIXER_FUNCTIONS_LINE_SETTERS(ENTRY){"SetMicBoostMode", SetMicBoostMode}};

const struct {
    const char* name;
    PlainFn fn;
} kGetters[] = {MIXER_FUNCTIONS_LINE_GETTERS(ENTRY){"GetMicBoostMode", GetMicBoostMode},
                {"GetRecLineInSelect", GetRecLineInSelect},
                {"GetRecMicSelect", GetRecMicSelect},
                {"GetRecCDSelect", GetRecCDSelect},
                {"GetRecAuxSelect", GetRecAuxSelect},
                {"GetRecAnalogSelect", GetRecAnalogSelect},
                {"GetRecDigitalSelect", GetRecDigitalSelect}};
const struct {
    const char* name;
    PlainFn fn;
} kSelectionSetters[] = {
    {"SetRecLineInSelect", SetRecLineInSelect}, {"SetRecMicSelect", SetRecMicSelect},
    {"SetRecCDSelect", SetRecCDSelect},         {"SetRecAuxSelect", SetRecAuxSelect},
    {"SetRecAnalogSelect", SetRecAnalogSelect}, {"SetRecDigitalSelect", SetRecDigitalSelect},
};

const char* const kMixerGetterNames[] = {MIXER_FUNCTIONS_LINE_GETTERS(NAME) "GetMicBoostMode"};
#undef ENTRY
#undef NAME
const char* const kSelectionGetterNames[] = {"GetRecLineInSelect", "GetRecMicSelect",    "GetRecCDSelect",
                                             "GetRecAuxSelect",    "GetRecAnalogSelect", "GetRecDigitalSelect"};

// What a pass over every export gave.
struct Pass {
    std::map<std::string, LONG> results;
    std::map<std::string, sim::Values> after;  // the mixer's state after each export
    std::string listing;                    // GetMixerRecordChannels' buffer
    std::string saved;                      // the file Save wrote
    std::string names;                      // the override names ReadDigitalConfiguration loaded
};

class HostileCardTest : public FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        sim::MapDrive('D', dir_);
    }

    // Runs every export once, in an order that reads before it writes, and
    // checks after each one that nothing was left open.
    Pass RunEveryExport(const std::string& cfgName = "") {
        Pass p;
        auto record = [&](const std::string& name, LONG result) {
            p.results[name] = result;
            p.after[name] = sim::AllValues();
            ExpectNothingOpen();
            EXPECT_EQ(sim::OpenMciDevices(), g_state.CDDeviceID != 0 ? 1 : 0) << name;
        };
        for (const auto& g : kGetters) record(g.name, g.fn());
        record("GetPlayMicBoostMode", GetPlayMicBoostMode());
        // Reading again reads the same: a read leaves nothing a later read would see.
        for (const auto& g : kGetters) EXPECT_EQ(g.fn(), p.results.at(g.name)) << g.name << " read again";
        record("IsMuxSingleSelect", IsMuxSingleSelect());
        {
            std::vector<char> buffer(kListingLimit + 1, 'x');
            record("GetMixerRecordChannels", GetMixerRecordChannels(buffer.data(), kListingLimit));
            p.listing = buffer.data();
            EXPECT_LE(p.listing.size(), kListingLimit);
        }
        record("GetPeak", GetPeak(kWaveIn));
        record("ScanRecControls", ScanRecControls());
        record("GetCDTypeDigital", GetCDTypeDigital());
        record("Save", Save("D:\\hostile.ini"));
        p.saved = Read("hostile.ini");

        // Balance positions run from 0 to 15; every other setter gets a level.
        for (const auto& s : kMixerSetters)
            record(s.name, s.fn(std::string(s.name).find("Balance") != std::string::npos ? 3 : 7000));
        for (const auto& s : kSelectionSetters) record(s.name, s.fn());
        record("SelectLine", SelectLine(SrcMic, nullptr, 0));
        record("SetMixer", SetMixer(kLine, OpPlayVolume, 6000, "", 0));
        {
            HMIXER h = nullptr;
            const bool open = mixerOpen(&h, 0, 0, 0, 0) == MMSYSERR_NOERROR;
            const LONG r = LocateControl(0xFFFF7777u, 1, h, OpPlayVolume);
            if (open) mixerClose(h);
            record("LocateControl", r);
        }
        record("SetCDTypeDigital", SetCDTypeDigital(3));
        record("RepeatPlay", RepeatPlay(1));
        record("SetPlayRecMonitorMute", SetPlayRecMonitorMute(0));
        record("SetVolume", SetVolume(-5));
        record("RepeatPlayStop", RepeatPlayStop());
        record("Set", Set("D:\\hostile.ini"));

        Write("cards/" + (cfgName.empty() ? std::string("Unmatched Name") : cfgName) + ".cfg",
              "[DIGITAL]\r\nNAME=SPDIF Override\r\n[LINEIN]\r\nNAME=Line Override\r\n");
        record("SetSoundCardConfigFilePath", SetSoundCardConfigFilePath("D:\\cards\\"));
        record("ReadDigitalConfiguration", ReadDigitalConfiguration());
        p.names = std::string(g_state.DigitalLineName) + "|" + g_state.DigitalCDLineName + "|" + g_state.LineInLineName;
        {
            sim::RegSetString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", "C:\\Tavrin\\");
            char buffer[256];
            record("GetTavrinDirectory", GetTavrinDirectory(buffer));
            EXPECT_STREQ(buffer, "C:\\Tavrin\\");
        }
        record("OpenCD", OpenCD());
        record("PlayCD", PlayCD(2));
        record("StopCD", StopCD());
        record("CloseCD", CloseCD());
        ExpectRulesEveryCardKeeps(p);
        return p;
    }

    // What holds on every card, whatever its shape.
    void ExpectRulesEveryCardKeeps(const Pass& p) {
        std::set<std::string> ran;
        for (const auto& r : p.results) ran.insert(r.first);
        ran.erase("GetPlayMicBoostMode");  // not an export: Save's boost reading
        EXPECT_EQ(ran, ExportNames());
        for (const auto& s : kMixerSetters) EXPECT_EQ(p.results.at(s.name), 1) << s.name;
        for (const auto& s : kSelectionSetters) EXPECT_EQ(p.results.at(s.name), 1) << s.name;
        for (const char* n : {"SetCDTypeDigital", "RepeatPlay", "SetPlayRecMonitorMute", "SetVolume", "RepeatPlayStop"})
            EXPECT_EQ(p.results.at(n), 1) << n;
        for (const char* n : {"ScanRecControls", "SelectLine", "OpenCD", "PlayCD", "StopCD", "CloseCD"})
            EXPECT_EQ(p.results.at(n), 0) << n;
        EXPECT_EQ(p.results.at("GetCDTypeDigital"), 0);
        EXPECT_EQ(p.results.at("SetSoundCardConfigFilePath"), 10);
        EXPECT_EQ(p.results.at("LocateControl"), MIXERR_INVALLINE);  // no line has that identifier
        EXPECT_EQ(p.results.at("GetTavrinDirectory"), 1);
        EXPECT_GE(p.results.at("GetPeak"), 0);
        const LONG listing = p.results.at("GetMixerRecordChannels");
        EXPECT_TRUE(listing == 0 || listing == -1) << listing;
        if (listing == -1) {
            EXPECT_EQ(p.listing, "");
        }
        for (const char* n : kSelectionGetterNames) {
            const LONG v = p.results.at(n);
            EXPECT_TRUE(v == -1 || v == 0 || v == 1) << n << " " << v;
        }

        // Save writes what the getters report; Set reads it back.
        EXPECT_EQ(p.results.at("Save"), 1);
        std::string expected;
        for (const settings_layout::Line& line : settings_layout::kLines) {
            expected += line.text;
            if (line.kind == settings_layout::Level || line.kind == settings_layout::Select)
                expected += std::to_string(p.results.at(line.getter));
            else if (line.kind != settings_layout::Text)  // MicBoost, CDType: whether on
                expected += p.results.at(line.getter) != 0 ? "1" : "0";
            expected += "\r\n";
        }
        EXPECT_EQ(p.saved, expected);
        EXPECT_EQ(p.results.at("Set"), 1);
        EXPECT_EQ(GetCDTypeDigital(), 0);  // the file's [CD] entry, after the 3 stored before
    }

    // Expects the given results; `names` empty means every mixer getter.
    void ExpectResults(const Pass& p, const std::map<std::string, LONG>& expected) {
        for (const auto& e : expected) EXPECT_EQ(p.results.at(e.first), e.second) << e.first;
    }
    void ExpectAllMixerGetters(const Pass& p, LONG value) {
        for (const char* n : kMixerGetterNames) EXPECT_EQ(p.results.at(n), value) << n;
    }
    void ExpectAllSelectionGetters(const Pass& p, LONG value) {
        for (const char* n : kSelectionGetterNames) EXPECT_EQ(p.results.at(n), value) << n;
    }
};

std::vector<LONG> ValuesAfter(const Pass& p, const std::string& exportName, const sim::Control* c) {
    return p.after.at(exportName).at({0, c->id});
}

// Device 0's destinations.
sim::Destination& Destination(size_t index) { return sim::Devices().at(0).destinations.at(index); }

// ---- No destinations, no sources, twin destinations ------------------------------------

TEST_F(HostileCardTest, ZeroDestinations) {
    sim::LoadCardText(R"({"devices": [{"name": "Empty Mixer"}]})", "no destinations");
    Pass p = RunEveryExport("Empty");
    ExpectAllMixerGetters(p, 0);       // no destination: nothing matches
    ExpectAllSelectionGetters(p, -1);  // no wave-in line
    ExpectResults(p, {{"IsMuxSingleSelect", 0}, {"GetMixerRecordChannels", -1}, {"GetPeak", 0}, {"SetMixer", 0},
                      {"LocateControl", MIXERR_INVALLINE}, {"ReadDigitalConfiguration", 1}});
    EXPECT_EQ(p.names, "SPDIF Override||Line Override");
}

TEST_F(HostileCardTest, DestinationsWithoutSources) {
    sim::LoadCardText(R"({"devices": [{"name": "Bare Mixer", "destinations": [
        {"name": "Speakers", "type": "speakers",
         "controls": [{"type": "volume", "value": 30000}, {"type": "mute", "flags": ["uniform"], "value": 1}]},
        {"name": "Recording", "type": "wavein",
         "controls": [{"type": "peakmeter", "value": -50},
                      {"type": "mux", "items": ["Line In", "Microphone"], "selected": [0]}]}]}]})",
                      "destinations without sources");
    sim::Control* master = &Destination(0).controls[0];
    sim::Control* mux = &Destination(1).controls[1];
    Pass p = RunEveryExport();
    // A destination without sources is never addressed, not even by the main
    // members; no source name is cached and no item text is empty.
    ExpectAllMixerGetters(p, 0);
    ExpectAllSelectionGetters(p, -1);
    ExpectResults(p, {{"IsMuxSingleSelect", 1}, {"GetPeak", 50}, {"SetMixer", 0}, {"ReadDigitalConfiguration", 0}});
    EXPECT_EQ(p.listing, "Bare Mixer|Line In|Microphone|");
    EXPECT_EQ(ValuesAfter(p, "SetPlayMainVolume", master), std::vector<LONG>({30000, 30000}));
    // No item matches the (empty) cached name: a single-select selector is cleared.
    EXPECT_EQ(ValuesAfter(p, "GetRecDigitalSelect", mux), std::vector<LONG>({1, 0}));
    EXPECT_EQ(ValuesAfter(p, "SetRecLineInSelect", mux), std::vector<LONG>({0, 0}));
    EXPECT_EQ(p.names, "||");
}

TEST_F(HostileCardTest, TwoDestinationsOfOneType) {
    sim::LoadCardText(R"({"devices": [{"name": "Twin Mixer", "destinations": [
        {"name": "Speakers A", "type": "speakers", "controls": [{"type": "volume", "value": 5555}],
         "sources": [{"name": "Mic A", "type": "mic", "controls": [{"type": "volume", "value": 1111}]}]},
        {"name": "Rec A", "type": "wavein",
         "controls": [{"type": "mux", "items": ["Line A", "Mic Rec A", "Line B"], "selected": [2]}],
         "sources": [{"name": "Line A", "type": "linein", "controls": [{"type": "volume", "value": 6666}]},
                     {"name": "Mic Rec A", "type": "mic", "controls": [{"type": "volume", "value": 7777}]}]},
        {"name": "Speakers B", "type": "speakers", "controls": [{"type": "volume", "value": 2000}],
         "sources": [{"name": "Line B", "type": "linein", "controls": [{"type": "volume", "value": 2222}]},
                     {"name": "Mic B", "type": "mic", "controls": [{"type": "volume", "value": 3333}]}]},
        {"name": "Rec B", "type": "wavein", "controls": [{"type": "mux", "items": ["Other"]}],
         "sources": [{"name": "Line B", "type": "linein", "controls": [{"type": "volume", "value": 4444}]}]}]}]})",
                      "two destinations of each type");
    Pass p = RunEveryExport();
    // Destinations are searched in index order: the first match wins, and a
    // line found only under the second destination of the type is found there.
    ExpectResults(p, {{"GetPlayMicVolume", 1111},
                      {"GetPlayLineInVolume", 2222},
                      {"GetPlayMainVolume", 5555},
                      {"GetRecLineInVolume", 6666},
                      {"GetRecMicVolume", 7777},
                      // The later wave-in destination's line-in name wins the
                      // cache; the selector is the first wave-in line's.
                      {"GetRecLineInSelect", 1},
                      {"GetRecMicSelect", 0},
                      {"IsMuxSingleSelect", 1}});
    EXPECT_STREQ(g_state.RecLineInName, "Line B");
    EXPECT_EQ(p.listing, "Twin Mixer|Line A|Mic Rec A|Line B|");
}

// ---- Many channels ------------------------------------------------------------------------

TEST_F(HostileCardTest, FourAndEightChannelLines) {
    // The CD line reports no channels.
    sim::LoadCardText(R"({"devices": [{"name": "Surround Mixer", "destinations": [
        {"name": "Speakers", "type": "speakers", "channels": 4, "controls": [{"type": "volume", "values": [100, 200, 300, 400]}],
         "sources": [{"name": "Line In", "type": "linein", "channels": 8,
                      "controls": [{"type": "volume", "values": [10, 20, 30, 40, 50, 60, 70, 80]},
                                   {"type": "mute", "flags": ["uniform"]}]},
                     {"name": "CD Audio", "type": "cd", "channels": 0, "controls": [{"type": "volume", "value": 5000}]}]},
        {"name": "Recording", "type": "wavein", "channels": 8,
         "controls": [{"type": "mux", "items": ["Line In", "Microphone"], "selected": [1]}],
         "sources": [{"name": "Line In", "type": "linein", "channels": 8,
                      "controls": [{"type": "volume", "values": [800, 700, 600, 500, 400, 300, 200, 100]}]},
                     {"name": "Microphone", "type": "mic", "channels": 4, "controls": [{"type": "volume", "value": 400}]}]}]}]})",
                      "four and eight channels");
    sim::Control* master = &Destination(0).controls[0];
    sim::Control* lineVolume = &Destination(0).sources[0].controls[0];
    sim::Control* cdVolume = &Destination(0).sources[1].controls[0];
    sim::Control* recVolume = &Destination(1).sources[0].controls[0];
    Pass p = RunEveryExport();
    // One-channel reads report the loudest channel.
    ExpectResults(p, {{"GetPlayLineInVolume", 80}, {"GetPlayMainVolume", 400}, {"GetPlayCDVolume", 5000},
                      {"GetRecLineInVolume", 800}, {"GetRecMicVolume", 400}, {"GetRecMicSelect", 1}});
    // Level: first and last channel keep their ratio; the channels between
    // are written back as read.
    EXPECT_EQ(ValuesAfter(p, "SetPlayLineInVolume", lineVolume),
              std::vector<LONG>({875, 20, 30, 40, 50, 60, 70, 7000}));  // 7000 x (10 / 80)
    EXPECT_EQ(ValuesAfter(p, "SetPlayMainVolume", master), std::vector<LONG>({1750, 200, 300, 7000}));
    EXPECT_EQ(ValuesAfter(p, "SetPlayCDVolume", cdVolume), std::vector<LONG>({7000}));
    EXPECT_EQ(ValuesAfter(p, "SetRecLineInVolume", recVolume),
              std::vector<LONG>({7000, 700, 600, 500, 400, 300, 200, 875}));
    // Balance position 3: the first channel at the louder level, the last at 3/7 of it.
    EXPECT_EQ(ValuesAfter(p, "SetPlayLineInBalance", lineVolume),
              std::vector<LONG>({7000, 20, 30, 40, 50, 60, 70, 3000}));
}

// ---- Disabled controls ------------------------------------------------------------------

TEST_F(HostileCardTest, DisabledFirstControls) {
    // The selector's disabled flag is not looked at.
    sim::LoadCardText(R"({"devices": [{"name": "Locked Mixer", "destinations": [
        {"name": "Speakers", "type": "speakers",
         "controls": [{"type": "volume", "flags": ["disabled"], "value": 9000}, {"type": "volume", "value": 8000},
                      {"type": "mute", "flags": ["uniform", "disabled"], "value": 1}],
         "sources": [{"name": "Line In", "type": "linein",
                      "controls": [{"type": "mute", "flags": ["uniform", "disabled"], "value": 1},
                                   {"type": "mute", "flags": ["uniform"]}, {"type": "volume", "value": 3000}]},
                     {"name": "Microphone", "type": "mic", "channels": 1,
                      "controls": [{"type": "onoff", "flags": ["uniform"], "value": 1}]}]},
        {"name": "Recording", "type": "wavein",
         "controls": [{"type": "mux", "flags": ["uniform", "multiple", "disabled"], "items": ["Microphone", "Other"],
                       "selected": [0]},
                      {"type": "multipleselect", "items": ["Microphone"]}],
         "sources": [{"name": "Microphone", "type": "mic", "channels": 1,
                      "controls": [{"type": "onoff", "flags": ["uniform", "disabled"]}, {"type": "onoff", "flags": ["uniform"]}]}]}]}]})",
                      "disabled first controls");
    sim::Control* lockedMaster = &Destination(0).controls[0];
    sim::Control* master = &Destination(0).controls[1];
    sim::Control* lockedMute = &Destination(0).sources[0].controls[0];
    sim::Control* mute = &Destination(0).sources[0].controls[1];
    Pass p = RunEveryExport();
    // The first control of a kind is the one taken, disabled or not: a read
    // fails (-1) and a write changes nothing, the later control untouched.
    ExpectResults(p, {{"GetPlayMainVolume", -1}, {"GetPlayMainMute", -1}, {"GetPlayLineInMute", -1},
                      {"GetPlayLineInVolume", 3000}, {"IsMuxSingleSelect", 1}, {"GetRecMicSelect", 1},
                      // A failed recording-side read counts as on: the playback side decides.
                      {"GetMicBoostMode", 1}});
    EXPECT_EQ(ValuesAfter(p, "SetPlayMainVolume", lockedMaster), std::vector<LONG>({9000, 9000}));
    EXPECT_EQ(ValuesAfter(p, "SetPlayMainVolume", master), std::vector<LONG>({8000, 8000}));
    EXPECT_EQ(ValuesAfter(p, "SetPlayLineInMute", lockedMute), std::vector<LONG>({1}));
    EXPECT_EQ(ValuesAfter(p, "SetPlayLineInMute", mute), std::vector<LONG>({0}));
    EXPECT_EQ(p.listing, "Locked Mixer|Microphone|Other|");
}

// ---- List controls: no items, a thousand items, more items than texts, no MULTIPLE flag ----

TEST_F(HostileCardTest, ListControlWithoutItems) {
    sim::LoadCardText(R"({"devices": [{"name": "Zero Mixer", "destinations": [{"name": "Recording", "type": "wavein",
        "controls": [{"type": "mux", "items": ["Line In"]}],
        "sources": [{"name": "Line In", "type": "linein", "controls": [{"type": "volume", "value": 100}]},
                    {"name": "Microphone", "type": "mic", "controls": [{"type": "volume", "value": 200}]}]}]}]})",
                      "a list without items");
    // No items at all, which the card format refuses.
    sim::Control& mux = Destination(0).controls[0];
    mux.items = 0;
    mux.itemTexts.clear();
    mux.values.clear();
    Pass p = RunEveryExport("Zero");
    ExpectAllSelectionGetters(p, -1);  // an item count of 0 matches nothing
    ExpectResults(p, {{"IsMuxSingleSelect", 1}, {"GetMixerRecordChannels", 0}, {"GetRecMicVolume", 200},
                      {"ReadDigitalConfiguration", 1}});
    EXPECT_EQ(p.listing, "Zero Mixer|");
}

TEST_F(HostileCardTest, ListControlWithAThousandItems) {
    std::vector<std::string> items;
    for (int i = 0; i < 1000; ++i) items.push_back("Input " + std::to_string(i));
    items[500] = "Microphone";
    items[999] = "Line In";
    nlohmann::json card = R"({"devices": [{"name": "Wide Mixer", "destinations": [{"name": "Recording", "type": "wavein",
        "controls": [{"type": "mux", "selected": [999]}],
        "sources": [{"name": "Line In", "type": "linein"}, {"name": "Microphone", "type": "mic"}]}]}]})"_json;
    card["devices"][0]["destinations"][0]["controls"][0]["items"] = items;
    sim::LoadCard(card, "a thousand items");
    sim::Control* mux = &Destination(0).controls[0];
    Pass p = RunEveryExport();
    ExpectResults(p, {{"GetRecLineInSelect", 1}, {"GetRecMicSelect", 0}, {"GetRecCDSelect", -1}});
    // Selecting the microphone sets item 500 and clears every other.
    std::vector<LONG> selected(1000, 0);
    selected[500] = 1;
    EXPECT_EQ(ValuesAfter(p, "SetRecMicSelect", mux), selected);
    // The listing takes every item that still fits below the limit.
    std::string expected = "Wide Mixer|";
    for (const std::string& item : items)
        if (expected.size() + item.size() < kListingLimit) expected += item + "|";
    EXPECT_EQ(p.listing, expected);
    EXPECT_LE(p.listing.size(), kListingLimit);
}

TEST_F(HostileCardTest, MoreItemsThanTexts) {
    // Three items the driver does not name: their texts are empty.
    sim::LoadCardText(R"({"devices": [{"name": "Short Mixer", "destinations": [{"name": "Recording", "type": "wavein",
        "controls": [{"type": "mux", "items": ["Line In", "Microphone", "CD Audio"], "itemCount": 6, "selected": [3]}],
        "sources": [{"name": "Line In", "type": "linein"}, {"name": "Microphone", "type": "mic"},
                    {"name": "CD Audio", "type": "cd"}]}]}]})",
                      "more items than texts");
    sim::Control* mux = &Destination(0).controls[0];
    Pass p = RunEveryExport();
    // No analog source: the cached analog name is empty, and so are the
    // texts of items 3 to 5, which it therefore matches.
    ExpectResults(p, {{"GetRecAnalogSelect", 1}, {"GetRecDigitalSelect", 1}, {"GetRecLineInSelect", 0},
                      {"GetRecCDSelect", 0}});
    EXPECT_EQ(ValuesAfter(p, "SetRecAnalogSelect", mux), std::vector<LONG>({0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(ValuesAfter(p, "SetRecCDSelect", mux), std::vector<LONG>({0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(p.listing, "Short Mixer|Line In|Microphone|CD Audio||||");
}

TEST_F(HostileCardTest, ItemsWithoutTheMultipleFlag) {
    sim::LoadCardText(R"({"devices": [{"name": "Flat Mixer", "destinations": [{"name": "Recording", "type": "wavein",
        "controls": [{"type": "mux", "flags": ["uniform"]}],
        "sources": [{"name": "Line In", "type": "linein"}, {"name": "Microphone", "type": "mic"}]}]}]})",
                      "items without the multiple flag");
    // Five items reported, but no MULTIPLE flag (which the card format
    // refuses): the selector has one item, and the mixer refuses a request
    // that carries an item count for it.
    sim::Control* mux = &Destination(0).controls[0];
    mux->items = 5;
    mux->itemTexts = {"Line In", "Microphone", "CD", "Aux", "Other"};
    const std::vector<LONG> before = mux->values;
    Pass p = RunEveryExport();
    ExpectAllSelectionGetters(p, -1);
    ExpectResults(p, {{"IsMuxSingleSelect", 1}, {"GetMixerRecordChannels", -1}});
    EXPECT_EQ(ValuesAfter(p, "SelectLine", mux), before);
    EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u);
}

TEST_F(HostileCardTest, NonUniformSelectorsOnMultiChannelLines) {
    // A value per channel and item; the driver names the items on the first
    // channel only.
    sim::LoadCardText(R"({"devices": [{"name": "Quad Mixer", "destinations": [{"name": "Recording", "type": "wavein",
        "channels": 4,
        "controls": [{"type": "mux", "flags": ["multiple"], "items": ["Line In", "Microphone", "CD Audio"],
                      "selected": [2], "textsFirstChannelOnly": true}],
        "sources": [{"name": "Line In", "type": "linein"}, {"name": "Microphone", "type": "mic", "channels": 1},
                    {"name": "CD Audio", "type": "cd"}]}]}]})",
                      "a selector of four channels");
    sim::Control* mux = &Destination(0).controls[0];
    Pass p = RunEveryExport();
    ExpectResults(p, {{"GetRecCDSelect", 1}, {"GetRecMicSelect", 0}, {"GetRecLineInSelect", 0}});
    // A selection belongs to the item: every channel of it is set.
    EXPECT_EQ(ValuesAfter(p, "SetRecMicSelect", mux), std::vector<LONG>({0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}));
    EXPECT_EQ(p.listing, "Quad Mixer|Line In|Microphone|CD Audio|");
}

TEST_F(HostileCardTest, NonUniformMultipleSelectReportsTheLastChannel) {
    // Line-in selected on the first channel only, the microphone on the last
    // channel only.
    sim::LoadCardText(R"({"devices": [{"name": "Split Mixer", "destinations": [{"name": "Recording", "type": "wavein",
        "channels": 2,
        "controls": [{"type": "multipleselect", "flags": ["multiple"], "items": ["Line In", "Microphone"],
                      "values": [[1, 0], [0, 1]]}],
        "sources": [{"name": "Line In", "type": "linein"}, {"name": "Microphone", "type": "mic"}]}]}]})",
                      "a multiple-select per channel");
    sim::Control* list = &Destination(0).controls[0];
    Pass p = RunEveryExport();
    ExpectResults(p, {{"GetRecLineInSelect", 0}, {"GetRecMicSelect", 1}, {"IsMuxSingleSelect", 0}});
    // Selecting the line-in sets both of its channels and leaves the other item as read.
    EXPECT_EQ(ValuesAfter(p, "SetRecLineInSelect", list), std::vector<LONG>({1, 0, 1, 1}));
}

// ---- Names at and beyond the platform's limits ----------------------------------------------

TEST_F(HostileCardTest, NamesOfSixtyThreeCharactersAndLonger) {
    const std::string line63(63, 'L');
    const std::string mic63 = std::string(62, 'M') + "!";
    const std::string aux100(100, 'A');  // the mixer cuts it to 63
    const std::string product31 = std::string(26, 'P') + " Card";
    // The mixer cuts the product name to 31 characters.
    sim::LoadCardText(R"({"devices": [{"name": ")" + product31 + R"( and more", "destinations": [
        {"name": ")" + std::string(70, 'S') + R"(", "type": "speakers", "controls": [{"type": "volume", "value": 100}],
         "sources": [{"name": ")" + line63 + R"(", "type": "linein", "controls": [{"type": "volume", "value": 1234}]}]},
        {"name": "Recording", "type": "wavein",
         "controls": [{"type": "mux", "items": [")" + line63 + R"(", ")" + mic63 + R"(", ")" + aux100 + R"("],
                       "selected": [2]}],
         "sources": [{"name": ")" + line63 + R"(", "type": "linein"}, {"name": ")" + mic63 + R"(", "type": "mic"},
                     {"name": ")" + aux100 + R"(", "type": "aux"}]}]}]})",
                      "long names");
    sim::Control* lineVolume = &Destination(0).sources[0].controls[0];
    Pass p = RunEveryExport(std::string(26, 'P'));
    ExpectResults(p, {{"GetRecLineInSelect", 0}, {"GetRecMicSelect", 0}, {"GetRecAuxSelect", 1},
                      {"GetPlayLineInVolume", 1234}, {"GetPlayMainVolume", 100}, {"ReadDigitalConfiguration", 1}});
    EXPECT_EQ(std::string(g_state.RecLineInName), line63);
    EXPECT_EQ(std::string(g_state.RecAuxName), aux100.substr(0, 63));
    EXPECT_EQ(p.listing, product31 + "|" + line63 + "|" + mic63 + "|" + aux100.substr(0, 63) + "|");

    // By name: the 63 characters the mixer reports match, a longer name does not.
    lineVolume->SetAll(1234);
    CopyField(g_state.LineInLineName, line63.c_str());
    EXPECT_EQ(GetPlayLineInVolume(), 1234);
    CopyField(g_state.LineInLineName, (line63 + "L").c_str());
    EXPECT_EQ(GetPlayLineInVolume(), 0);
    EXPECT_EQ(SetMixer(kLine, OpPlayVolume, 1, (line63 + "L").c_str(), 1), 0);
    ExpectNothingOpen();
}

// ---- Control counts no driver should report ------------------------------------------------

TEST_F(HostileCardTest, HugeAndWrongControlCounts) {
    // The line-in reports an array of over a gigabyte (the heap refuses it),
    // the microphone more bytes than a 32-bit request can name, the CD one
    // control, its volume lying beyond that count; the wave-in destination
    // has a real 3000 controls.
    nlohmann::json card = R"({"devices": [{"name": "Liar Mixer", "destinations": [
        {"name": "Speakers", "type": "speakers", "controls": [{"type": "volume", "value": 100}],
         "sources": [{"name": "Line In", "type": "linein", "reportedControls": "0x00800000",
                      "controls": [{"type": "volume", "value": 2000}, {"type": "mute", "flags": ["uniform"]}]},
                     {"name": "Microphone", "type": "mic", "reportedControls": "0x7fffffff",
                      "controls": [{"type": "volume", "value": 3000}]},
                     {"name": "CD Audio", "type": "cd", "reportedControls": 1,
                      "controls": [{"type": "mute", "flags": ["uniform"], "value": 1}, {"type": "volume", "value": 4000}]}]},
        {"name": "Recording", "type": "wavein",
         "sources": [{"name": "Line In", "type": "linein"}, {"name": "Microphone", "type": "mic"}]}]}]})"_json;
    nlohmann::json& controls = card["devices"][0]["destinations"][1]["controls"];
    for (int i = 0; i < 3000; ++i) controls.push_back({{"type", "volume"}, {"value", i}});
    controls.push_back({{"type", "mux"}, {"items", {"Line In", "Microphone"}}, {"selected", {1}}});
    sim::LoadCard(card, "wrong control counts");
    sim::Control* lineVolume = &Destination(0).sources[0].controls[0];
    Pass p = RunEveryExport();
    ExpectResults(p, {{"GetPlayLineInVolume", -1}, {"GetPlayLineInMute", -1}, {"GetPlayMicVolume", -1},
                      {"GetPlayCDVolume", 0}, {"GetPlayCDMute", 1}, {"GetRecMicSelect", 1},
                      {"IsMuxSingleSelect", 1}});
    EXPECT_EQ(ValuesAfter(p, "SetPlayLineInVolume", lineVolume), std::vector<LONG>({2000, 2000}));
    EXPECT_EQ(p.listing, "Liar Mixer|Line In|Microphone|");
}

}  // namespace
