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
#include "sim_mci.h"

#include <functional>
#include <map>

namespace {

const DWORD kSpeakers = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
const DWORD kWaveIn = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
const DWORD kLine = MIXERLINE_COMPONENTTYPE_SRC_LINE;
const DWORD kMic = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
const DWORD kCD = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
const DWORD kAux = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
const DWORD kVolume = MIXERCONTROL_CONTROLTYPE_VOLUME;
const DWORD kMute = MIXERCONTROL_CONTROLTYPE_MUTE;
const DWORD kOnOff = MIXERCONTROL_CONTROLTYPE_ONOFF;
const DWORD kMux = MIXERCONTROL_CONTROLTYPE_MUX;
const DWORD kUniform = MIXERCONTROL_CONTROLF_UNIFORM;
const DWORD kDisabled = MIXERCONTROL_CONTROLF_DISABLED;
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

typedef std::map<DWORD, std::vector<LONG>> Snapshot;

Snapshot TakeSnapshot() {
    Snapshot s;
    for (sim::Device& dev : sim::Devices())
        for (sim::Destination& d : dev.destinations) {
            for (sim::Control& c : d.controls) s[c.id] = c.values;
            for (sim::Line& l : d.sources)
                for (sim::Control& c : l.controls) s[c.id] = c.values;
        }
    return s;
}

// What a pass over every export gave.
struct Pass {
    std::map<std::string, LONG> results;
    std::map<std::string, Snapshot> after;  // the mixer's state after each export
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
            p.after[name] = TakeSnapshot();
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
    return p.after.at(exportName).at(c->id);
}

// ---- No destinations, no sources, twin destinations ------------------------------------

TEST_F(HostileCardTest, ZeroDestinations) {
    sim::AddDevice("Empty Mixer");
    Pass p = RunEveryExport("Empty");
    ExpectAllMixerGetters(p, 0);       // no destination: nothing matches
    ExpectAllSelectionGetters(p, -1);  // no wave-in line
    ExpectResults(p, {{"IsMuxSingleSelect", 0}, {"GetMixerRecordChannels", -1}, {"GetPeak", 0}, {"SetMixer", 0},
                      {"LocateControl", MIXERR_INVALLINE}, {"ReadDigitalConfiguration", 1}});
    EXPECT_EQ(p.names, "SPDIF Override||Line Override");
}

TEST_F(HostileCardTest, DestinationsWithoutSources) {
    sim::Device& dev = sim::AddDevice("Bare Mixer");
    sim::Destination& speakers = dev.AddDestination(kSpeakers, "Speakers");
    sim::Control* master = &speakers.AddControl(kVolume, 30000);
    speakers.AddControl(kMute, 1, kUniform);
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording");
    wavein.AddControl(MIXERCONTROL_CONTROLTYPE_PEAKMETER, -50);
    sim::Control* mux = &wavein.AddList(kMux, {"Line In", "Microphone"}, {0});
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
    sim::Device& dev = sim::AddDevice("Twin Mixer");
    sim::Destination& speakersA = dev.AddDestination(kSpeakers, "Speakers A");
    speakersA.AddControl(kVolume, 5555);
    speakersA.AddSource(kMic, "Mic A").AddControl(kVolume, 1111);
    sim::Destination& recA = dev.AddDestination(kWaveIn, "Rec A");
    recA.AddSource(kLine, "Line A").AddControl(kVolume, 6666);
    recA.AddSource(kMic, "Mic Rec A").AddControl(kVolume, 7777);
    recA.AddList(kMux, {"Line A", "Mic Rec A", "Line B"}, {2});
    sim::Destination& speakersB = dev.AddDestination(kSpeakers, "Speakers B");
    speakersB.AddControl(kVolume, 2000);
    speakersB.AddSource(kLine, "Line B").AddControl(kVolume, 2222);
    speakersB.AddSource(kMic, "Mic B").AddControl(kVolume, 3333);
    sim::Destination& recB = dev.AddDestination(kWaveIn, "Rec B");
    recB.AddSource(kLine, "Line B").AddControl(kVolume, 4444);
    recB.AddList(kMux, {"Other"});
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
    sim::Device& dev = sim::AddDevice("Surround Mixer");
    sim::Destination& speakers = dev.AddDestination(kSpeakers, "Speakers", 4);
    sim::Control* master = &speakers.AddControl(kVolume, 0);
    for (DWORD ch = 0; ch < 4; ++ch) master->SetValue(100 * (ch + 1), ch);
    sim::Line& line = speakers.AddSource(kLine, "Line In", 8);
    sim::Control* lineVolume = &line.AddControl(kVolume, 0);
    for (DWORD ch = 0; ch < 8; ++ch) lineVolume->SetValue(10 * (ch + 1), ch);
    line.AddControl(kMute, 0, kUniform);
    sim::Line& cd = speakers.AddSource(kCD, "CD Audio", 0);  // a line that reports no channels
    sim::Control* cdVolume = &cd.AddControl(kVolume, 5000);
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording", 8);
    sim::Line& recLine = wavein.AddSource(kLine, "Line In", 8);
    sim::Control* recVolume = &recLine.AddControl(kVolume, 0);
    for (DWORD ch = 0; ch < 8; ++ch) recVolume->SetValue(800 - 100 * ch, ch);
    wavein.AddSource(kMic, "Microphone", 4).AddControl(kVolume, 400);
    wavein.AddList(kMux, {"Line In", "Microphone"}, {1});
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
    sim::Device& dev = sim::AddDevice("Locked Mixer");
    sim::Destination& speakers = dev.AddDestination(kSpeakers, "Speakers");
    sim::Control* lockedMaster = &speakers.AddControl(kVolume, 9000, kDisabled);
    sim::Control* master = &speakers.AddControl(kVolume, 8000);
    speakers.AddControl(kMute, 1, kUniform | kDisabled);
    sim::Line& line = speakers.AddSource(kLine, "Line In");
    sim::Control* lockedMute = &line.AddControl(kMute, 1, kUniform | kDisabled);
    sim::Control* mute = &line.AddControl(kMute, 0, kUniform);
    line.AddControl(kVolume, 3000);
    sim::Line& mic = speakers.AddSource(kMic, "Microphone", 1);
    mic.AddControl(kOnOff, 1, kUniform);
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording");
    sim::Line& recMic = wavein.AddSource(kMic, "Microphone", 1);
    recMic.AddControl(kOnOff, 0, kUniform | kDisabled);
    recMic.AddControl(kOnOff, 0, kUniform);
    // The selector's disabled flag is not looked at.
    wavein.AddList(kMux, {"Microphone", "Other"}, {0}, kUniform | kDisabled);
    wavein.AddList(MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, {"Microphone"});
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
    sim::Device& dev = sim::AddDevice("Zero Mixer");
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording");
    wavein.AddSource(kLine, "Line In").AddControl(kVolume, 100);
    wavein.AddSource(kMic, "Microphone").AddControl(kVolume, 200);
    wavein.AddList(kMux, {});
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
    sim::Device& dev = sim::AddDevice("Wide Mixer");
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording");
    wavein.AddSource(kLine, "Line In");
    wavein.AddSource(kMic, "Microphone");
    sim::Control* mux = &wavein.AddList(kMux, items, {999});
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
    sim::Device& dev = sim::AddDevice("Short Mixer");
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording");
    wavein.AddSource(kLine, "Line In");
    wavein.AddSource(kMic, "Microphone");
    wavein.AddSource(kCD, "CD Audio");
    sim::Control* mux = &wavein.AddList(kMux, {"Line In", "Microphone", "CD Audio"}, {3});
    mux->items = 6;  // three items the driver does not name: their texts are empty
    mux->values.assign(6, 0);
    mux->values[3] = 1;
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
    sim::Device& dev = sim::AddDevice("Flat Mixer");
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording");
    wavein.AddSource(kLine, "Line In");
    wavein.AddSource(kMic, "Microphone");
    // Five items reported, but no MULTIPLE flag: the selector has one item,
    // and the mixer refuses a request that carries an item count for it.
    sim::Control* mux = &wavein.AddControl(kMux, 0, kUniform, 5);
    mux->itemTexts = {"Line In", "Microphone", "CD", "Aux", "Other"};
    const std::vector<LONG> before = mux->values;
    Pass p = RunEveryExport();
    ExpectAllSelectionGetters(p, -1);
    ExpectResults(p, {{"IsMuxSingleSelect", 1}, {"GetMixerRecordChannels", -1}});
    EXPECT_EQ(ValuesAfter(p, "SelectLine", mux), before);
    EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u);
}

TEST_F(HostileCardTest, NonUniformSelectorsOnMultiChannelLines) {
    sim::Device& dev = sim::AddDevice("Quad Mixer");
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording", 4);
    wavein.AddSource(kLine, "Line In");
    wavein.AddSource(kMic, "Microphone", 1);
    wavein.AddSource(kCD, "CD Audio");
    // A value per channel and item; the driver names the items on the first
    // channel only.
    sim::Control* mux = &wavein.AddList(kMux, {"Line In", "Microphone", "CD Audio"}, {2}, 0);
    mux->textsFirstChannelOnly = true;
    Pass p = RunEveryExport();
    ExpectResults(p, {{"GetRecCDSelect", 1}, {"GetRecMicSelect", 0}, {"GetRecLineInSelect", 0}});
    // A selection belongs to the item: every channel of it is set.
    EXPECT_EQ(ValuesAfter(p, "SetRecMicSelect", mux), std::vector<LONG>({0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}));
    EXPECT_EQ(p.listing, "Quad Mixer|Line In|Microphone|CD Audio|");
}

TEST_F(HostileCardTest, NonUniformMultipleSelectReportsTheLastChannel) {
    sim::Device& dev = sim::AddDevice("Split Mixer");
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording", 2);
    wavein.AddSource(kLine, "Line In");
    wavein.AddSource(kMic, "Microphone");
    sim::Control* list = &wavein.AddList(MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, {"Line In", "Microphone"}, {}, 0);
    list->SetValue(1, 0, 0);  // line-in selected on the first channel only
    list->SetValue(1, 1, 1);  // microphone on the last channel only
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
    sim::Device& dev = sim::AddDevice(product31 + " and more");  // the mixer cuts it to 31
    sim::Destination& speakers = dev.AddDestination(kSpeakers, std::string(70, 'S'));
    speakers.AddControl(kVolume, 100);
    sim::Control* lineVolume = &speakers.AddSource(kLine, line63).AddControl(kVolume, 1234);
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording");
    wavein.AddSource(kLine, line63);
    wavein.AddSource(kMic, mic63);
    wavein.AddSource(kAux, aux100);
    wavein.AddList(kMux, {line63, mic63, aux100}, {2});
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
    sim::Device& dev = sim::AddDevice("Liar Mixer");
    sim::Destination& speakers = dev.AddDestination(kSpeakers, "Speakers");
    speakers.AddControl(kVolume, 100);
    sim::Line& line = speakers.AddSource(kLine, "Line In");
    sim::Control* lineVolume = &line.AddControl(kVolume, 2000);
    line.AddControl(kMute, 0, kUniform);
    line.reportedControls = 0x00800000;  // an array of over a gigabyte: the heap refuses it
    sim::Line& mic = speakers.AddSource(kMic, "Microphone");
    mic.AddControl(kVolume, 3000);
    mic.reportedControls = 0x7FFFFFFF;  // more bytes than a 32-bit request can name
    sim::Line& cd = speakers.AddSource(kCD, "CD Audio");
    cd.AddControl(kMute, 1, kUniform);
    cd.AddControl(kVolume, 4000);
    cd.reportedControls = 1;  // the volume lies beyond the count
    sim::Destination& wavein = dev.AddDestination(kWaveIn, "Recording");
    wavein.AddSource(kLine, "Line In");
    wavein.AddSource(kMic, "Microphone");
    for (int i = 0; i < 3000; ++i) wavein.AddControl(kVolume, i);  // a real 3000 controls
    wavein.AddList(kMux, {"Line In", "Microphone"}, {1});
    Pass p = RunEveryExport();
    ExpectResults(p, {{"GetPlayLineInVolume", -1}, {"GetPlayLineInMute", -1}, {"GetPlayMicVolume", -1},
                      {"GetPlayCDVolume", 0}, {"GetPlayCDMute", 1}, {"GetRecMicSelect", 1},
                      {"IsMuxSingleSelect", 1}});
    EXPECT_EQ(ValuesAfter(p, "SetPlayLineInVolume", lineVolume), std::vector<LONG>({2000, 2000}));
    EXPECT_EQ(p.listing, "Liar Mixer|Line In|Microphone|");
}

}  // namespace
