// The panel's topology over the simulated platform: which lines exist and
// which control a fader spans, on a card's mixer and on mixers per endpoint
// (Windows Vista and later, Wine). Each case also writes every recording
// line's volume through the library's setter and checks that the write
// lands on the very control whose bounds the topology gave the fader, and
// nowhere at all for a line the topology lacks.
#include "core/exports.h"
#include "fixture.h"
#include "topology.h"
#include "wine_card.h"

#include <functional>
#include <map>
#include <set>
#include <utility>

namespace mixerpanel {
namespace {

constexpr DWORD kLine = MIXERLINE_COMPONENTTYPE_SRC_LINE;
constexpr DWORD kMic = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
constexpr DWORD kWave = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;

class TopologyTest : public SimTest {};

int StripIndex(Page page, DWORD componentType) {
    for (int i = 0; i < kStripsPerPage; ++i)
        if (!Strip(page, i).destination && Strip(page, i).componentType == componentType) return i;
    return -1;
}

const LineFacts& Recording(const Topology& t, DWORD componentType) {
    return t.lines[static_cast<int>(Page::Recording)][StripIndex(Page::Recording, componentType)];
}

// A recording endpoint's mixer: a wave-in destination with a volume
// (bounds 0..destinationMax), over one source a line each of `sources`, in
// order, each with a volume (0..65535) and a mute. With `keepsNothing` the
// sources' controls behave as Wine's do; without, as Windows' do, acting on
// the destination's.
struct Endpoint {
    sim::Destination* destination;
    std::vector<sim::Line*> sources;
};

Endpoint AddRecordingEndpoint(const std::string& name, LONG destinationMax, const std::vector<DWORD>& sources,
                              bool keepsNothing = true) {
    using nlohmann::json;
    json lines = json::array();
    DWORD id = 3;  // after the destination's volume (1) and mute (2)
    for (DWORD type : sources) {
        json controls = json::array();
        for (DWORD target : {1u, 2u}) {
            json c = {{"id", id++}, {"type", target == 1 ? "volume" : "mute"}};
            if (keepsNothing)
                c.update({{"value", target == 1 ? 65535 : 0}, {"leaveUnfilled", true}, {"ignoreWrites", true}});
            else
                c["actsOn"] = target;
            controls.push_back(c);
        }
        lines.push_back({{"name", type == kMic ? "Microphone" : "Line"}, {"type", type}, {"channels", 1},
                         {"controls", controls}});
    }
    const json destination = {{"name", "Master Volume"},
                              {"type", "wavein"},
                              {"channels", 1},
                              {"controls",
                               {{{"id", 1}, {"type", "volume"}, {"max", destinationMax}, {"value", destinationMax}},
                                {{"id", 2}, {"type", "mute"}}}},
                              {"sources", lines}};
    sim::LoadCard({{"devices", {{{"name", name}, {"endpoint", "recording"}, {"destinations", {destination}}}}}}, name);
    Endpoint e;
    e.destination = &sim::Devices().back().destinations[0];
    for (sim::Line& s : e.destination->sources) e.sources.push_back(&s);
    return e;
}

void AddPlaybackEndpoint(const std::string& name) { sim::LoadCard({{"devices", {WineOutput(name)}}}, name); }

sim::Control* VolumeOf(sim::Line* line) { return line->Find(MIXERCONTROL_CONTROLTYPE_VOLUME); }

// ---------------------------------------------------------------------------
// The library's write against the topology.

typedef LONG(WINAPI* Setter)(LONG);
const std::map<std::string, Setter> kRecordingSetters = {
    {"SetRecLineInVolume", SetRecLineInVolume},   {"SetRecMicVolume", SetRecMicVolume},
    {"SetRecCDVolume", SetRecCDVolume},           {"SetRecAuxVolume", SetRecAuxVolume},
    {"SetRecWaveOutVolume", SetRecWaveOutVolume}, {"SetRecDigitalVolume", SetRecDigitalVolume},
    {"SetRecAnalogVolume", SetRecAnalogVolume},
};

DWORD Stored(UINT mixer, DWORD controlId) {
    const sim::Control* c = sim::Devices()[mixer].FindControl(controlId);
    return c && c->actsOn ? *c->actsOn : controlId;
}

// Writes each recording line's volume through the library, `arm` setting up
// the platform's faults again before each write.
void ExpectWritesLandOnTheFadersControls(const Topology& t, const std::function<void()>& arm) {
    for (int i = 0; i < kStripsPerPage; ++i) {
        const StripSpec& spec = Strip(Page::Recording, i);
        const LineFacts& facts = t.lines[static_cast<int>(Page::Recording)][i];
        SCOPED_TRACE(spec.label);
        // Off both ends and every initial value of the cards here.
        const LONG level = static_cast<LONG>((facts.volumeMin + facts.volumeMax) / 2 + 7);
        const sim::Values before = sim::AllValues();
        arm();
        kRecordingSetters.at(spec.volumeSet)(level);
        sim::ClearFaults();
        const std::set<sim::ControlKey> changed = sim::ChangedControls(before, sim::AllValues());
        if (!facts.present || !facts.hasVolume) {
            EXPECT_TRUE(changed.empty()) << "the library wrote a line the panel shows absent";
            continue;
        }
        const std::set<sim::ControlKey> want = {{facts.mixer, Stored(facts.mixer, facts.volumeControl)}};
        EXPECT_EQ(changed, want);
        const LONG read = ReadValue(facts.mixer, facts.volumeControl);
        EXPECT_TRUE(read == level || read == level - 1) << read << " for " << level;  // Wine's float
    }
}

// ---------------------------------------------------------------------------

TEST_F(TopologyTest, WinesMixersTheMicrophoneStripSpansTheRecordingEndpointsMasterVolume) {
    const WineCard card = BuildWineCard();
    const Topology t = ReadTopology();
    ASSERT_TRUE(t.device);
    EXPECT_EQ(t.product, "Out: default");
    // Playback as before: device 0's master line and its wave-out source.
    const LineFacts& main = t.lines[0][0];
    EXPECT_TRUE(main.present && main.hasVolume);
    EXPECT_EQ(main.mixer, 0u);
    EXPECT_EQ(main.volumeControl, card.volume->id);
    EXPECT_TRUE(t.lines[0][StripIndex(Page::Playback, kWave)].present);
    // Recording: the microphone of "In: default" (mixer 1), over its
    // destination's volume, its own keeping nothing.
    const LineFacts& mic = Recording(t, kMic);
    EXPECT_TRUE(mic.present);
    EXPECT_EQ(mic.name, "Master Volume");
    EXPECT_EQ(mic.mixer, 1u);
    EXPECT_TRUE(mic.hasVolume);
    EXPECT_EQ(mic.volumeControl, card.recVolume->id);
    EXPECT_EQ(mic.volumeMin, 0);
    EXPECT_EQ(mic.volumeMax, 65535);
    for (int i = 0; i < kStripsPerPage; ++i)
        EXPECT_EQ(t.lines[1][i].present, i == StripIndex(Page::Recording, kMic)) << Strip(Page::Recording, i).label;
    // Device 0 has no recording destination: no selector, no input meter.
    EXPECT_FALSE(t.waveIn.present);
    EXPECT_TRUE(t.waveInSources.empty());
    EXPECT_TRUE(RecordingOnEndpoints(t));
    ExpectWritesLandOnTheFadersControls(t, [] {});
}

TEST_F(TopologyTest, ACardWithARecordingDestinationKeepsItsOwnLinesAndNoEndpointIsAsked) {
    const TypicalCard card = BuildTypicalCard();
    // An endpoint with a line type the card's recording destination lacks:
    // the library does not look there, so neither does the panel.
    AddRecordingEndpoint("In: default", 65535, {kWave, kMic});
    const Topology t = ReadTopology();
    EXPECT_TRUE(t.waveIn.present);
    EXPECT_EQ(t.waveInSources.size(), card.wavein->sources.size());
    EXPECT_EQ(t.waveInSources[1].name, "Microphone");
    const LineFacts& mic = Recording(t, kMic);
    EXPECT_TRUE(mic.present);
    EXPECT_EQ(mic.mixer, 0u);
    EXPECT_EQ(mic.volumeControl, VolumeOf(card.wavein->FindSource(kMic))->id);
    EXPECT_FALSE(Recording(t, kWave).present);
    EXPECT_FALSE(RecordingOnEndpoints(t));
    EXPECT_EQ(sim::CountOf("waveInGetNumDevs"), 0u);
    ExpectWritesLandOnTheFadersControls(t, [] {});
}

// Mixers per endpoint: which endpoint each line comes from, and which
// control its fader spans.
struct EndpointCase {
    const char* what;
    // Builds the mixers; returns the control the microphone's fader spans
    // (null: no microphone line) and sets the line-in line's mixer (-1: none).
    std::function<sim::Control*(int* lineInMixer)> build;
    int micMixer;
    std::function<void()> arm = [] {};  // faults, armed before each search
};

TEST_F(TopologyTest, RecordingEndpointsInTheLibrarysOrder) {
    const EndpointCase cases[] = {
        {"Wine with a second output before the input",
         [](int* lineIn) {
             const WineCard card = BuildWineCard(true);
             *lineIn = -1;
             return card.recVolume;
         },
         2},
        {"a source keeping nothing: the destination's bounds",
         [](int* lineIn) {
             AddPlaybackEndpoint("Out");
             *lineIn = -1;
             return AddRecordingEndpoint("In", 100, {kMic}).destination->Find(MIXERCONTROL_CONTROLTYPE_VOLUME);
         },
         1},
        {"a source acting on the destination (Windows): its own bounds",
         [](int* lineIn) {
             AddPlaybackEndpoint("Out");
             *lineIn = -1;
             return VolumeOf(AddRecordingEndpoint("In", 100, {kMic}, false).sources[0]);
         },
         1},
        {"the preferred wave-in device first",
         [](int* lineIn) {
             AddPlaybackEndpoint("Out");
             AddRecordingEndpoint("In A", 65535, {kMic});
             const Endpoint b = AddRecordingEndpoint("In B", 1000, {kMic});
             sim::SetPreferredWaveIn(1);
             *lineIn = -1;
             return b.destination->Find(MIXERCONTROL_CONTROLTYPE_VOLUME);
         },
         2},
        {"a preferred device past the devices: the first",
         [](int* lineIn) {
             AddPlaybackEndpoint("Out");
             const Endpoint a = AddRecordingEndpoint("In A", 65535, {kMic});
             AddRecordingEndpoint("In B", 1000, {kMic});
             sim::SetPreferredWaveIn(7);
             *lineIn = -1;
             return a.destination->Find(MIXERCONTROL_CONTROLTYPE_VOLUME);
         },
         1},
        {"each line from the first endpoint that has it",
         [](int* lineIn) {
             AddPlaybackEndpoint("Out");
             const Endpoint a = AddRecordingEndpoint("In A", 65535, {kMic});
             AddRecordingEndpoint("In B", 1000, {kLine, kMic});
             *lineIn = 2;
             return a.destination->Find(MIXERCONTROL_CONTROLTYPE_VOLUME);
         },
         1},
        {"a wave-in device without a mixer is passed over",
         [](int* lineIn) {
             AddPlaybackEndpoint("Out");
             AddRecordingEndpoint("In A", 65535, {kMic});
             const Endpoint b = AddRecordingEndpoint("In B", 1000, {kMic});
             *lineIn = -1;
             return b.destination->Find(MIXERCONTROL_CONTROLTYPE_VOLUME);
         },
         2, [] { sim::FailFunction("mixerGetID", MMSYSERR_NODRIVER, 1); }},
        {"any other failure of mixerGetID ends the search",
         [](int* lineIn) {
             AddPlaybackEndpoint("Out");
             AddRecordingEndpoint("In A", 65535, {kMic});
             AddRecordingEndpoint("In B", 1000, {kLine, kMic});
             *lineIn = -1;
             return static_cast<sim::Control*>(nullptr);
         },
         -1, [] { sim::FailFunction("mixerGetID", MMSYSERR_INVALHANDLE, 1); }},
        {"a card's mixer serving recording too is device 0, passed over",
         [](int* lineIn) {
             sim::LoadCardText(R"({"devices": [{"name": "Card", "destinations": [
                 {"name": "Master Volume", "type": "speakers", "controls": [{"type": "volume"}]}]}]})",
                               "a card's mixer");
             AddRecordingEndpoint("In", 65535, {kLine});
             *lineIn = 1;
             return static_cast<sim::Control*>(nullptr);
         },
         -1},
    };
    for (const EndpointCase& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        ResetLibraryState();
        int lineInMixer = -1;
        sim::Control* micVolume = c.build(&lineInMixer);
        c.arm();
        const Topology t = ReadTopology();
        sim::ClearFaults();
        const LineFacts& mic = Recording(t, kMic);
        EXPECT_EQ(mic.present, c.micMixer >= 0);
        if (c.micMixer >= 0) {
            EXPECT_EQ(mic.mixer, static_cast<unsigned>(c.micMixer));
            ASSERT_TRUE(mic.hasVolume);
            EXPECT_EQ(mic.volumeControl, micVolume->id);
            EXPECT_EQ(mic.volumeMin, micVolume->minimum);
            EXPECT_EQ(mic.volumeMax, micVolume->maximum);
        }
        const LineFacts& lineIn = Recording(t, kLine);
        EXPECT_EQ(lineIn.present, lineInMixer >= 0);
        if (lineInMixer >= 0) {
            EXPECT_EQ(lineIn.mixer, static_cast<unsigned>(lineInMixer));
        }
        EXPECT_EQ(RecordingOnEndpoints(t), c.micMixer >= 0 || lineInMixer >= 0);
        ExpectWritesLandOnTheFadersControls(t, c.arm);
    }
}

TEST_F(TopologyTest, WhereTheStandInHasNoVolumeOrTheSourceCannotBeRead) {
    AddPlaybackEndpoint("Out");
    Endpoint e = AddRecordingEndpoint("In", 65535, {kMic});
    // The destination without a volume: the library writes nowhere, and the
    // fader keeps its default scale.
    e.destination->controls.front().type = MIXERCONTROL_CONTROLTYPE_BASS;
    Topology t = ReadTopology();
    EXPECT_TRUE(Recording(t, kMic).present);
    EXPECT_FALSE(Recording(t, kMic).hasVolume);
    ExpectWritesLandOnTheFadersControls(t, [] {});

    // A source control that cannot be read counts as keeping: its own bounds.
    e.destination->controls.front().type = MIXERCONTROL_CONTROLTYPE_VOLUME;
    VolumeOf(e.sources[0])->maximum = 4000;
    sim::FailFunction("mixerGetControlDetailsA", MMSYSERR_ERROR);
    t = ReadTopology();
    sim::ClearFaults();
    EXPECT_TRUE(Recording(t, kMic).hasVolume);
    EXPECT_EQ(Recording(t, kMic).volumeControl, VolumeOf(e.sources[0])->id);
    EXPECT_EQ(Recording(t, kMic).volumeMax, 4000);
}

}  // namespace
}  // namespace mixerpanel
