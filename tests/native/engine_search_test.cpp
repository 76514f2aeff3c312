// Line search: SetMixer and GetMixer side by side over the same cards, and the
// requests the search makes of the platform.
#include "engine_cards.h"
#include "short_names.h"

#include <algorithm>
#include <functional>

namespace {

enum DeviceUse { NeverOpened, OpenedAndClosed };

// Builds the card (and any fault) for one run; returns the line the search
// must hand over, 0 when it must hand over none.
using Build = std::function<DWORD()>;

struct SearchCase {
    const char* what;
    Build build;
    DWORD type;
    LONG op;
    const char* name;
    LONG byName;
    LONG wantSet;
    LONG wantGet;
    DeviceUse device;
};

DWORD Distinct(DWORD destType, DWORD srcType) {
    TypicalCard c = BuildDistinctCard();
    sim::Destination* d = destType == kWaveIn ? c.wavein : c.speakers;
    return srcType == 0 ? d->id : d->FindSource(srcType)->id;
}

DWORD DistinctNone() {
    BuildDistinctCard();
    return 0;
}

DWORD FailingOn(const char* fn, int occurrence, DWORD code = MMSYSERR_ERROR) {
    BuildDistinctCard();
    sim::FailFunction(fn, code, occurrence);
    return 0;
}

// The identifier of a source of device 0.
DWORD SourceId(size_t destination, size_t source) {
    return sim::Devices()[0].destinations[destination].sources[source].id;
}

// A speakers destination with volume and mute but no source lines.
DWORD SpeakersWithoutSources() {
    sim::LoadCardText(R"({"devices": [{"name": "Bare", "destinations": [{"name": "Master Volume", "type": "speakers",
        "controls": [{"type": "volume", "value": 40000}, {"type": "mute", "flags": ["uniform"], "value": 1}]}]}]})",
                      "speakers without sources");
    return 0;
}

// Two line-in sources under one speakers destination.
DWORD TwoSourcesOfOneType() {
    sim::LoadCardText(R"({"devices": [{"name": "Twins", "destinations": [{"name": "Master Volume", "type": "speakers",
        "sources": [{"name": "Wave", "type": "wave", "controls": [{"type": "volume", "value": 100}]},
                    {"name": "Line A", "type": "linein", "controls": [{"type": "volume", "value": 111}]},
                    {"name": "Line B", "type": "linein", "controls": [{"type": "volume", "value": 222}]}]}]}]})",
                      "two sources of one type");
    return SourceId(0, 1);
}

// Two speakers destinations; the first has only a wave-out source.
DWORD SecondSpeakersHoldsTheLine() {
    sim::LoadCardText(R"({"devices": [{"name": "Two outs", "destinations": [
        {"name": "Front", "type": "speakers", "sources": [{"name": "Wave", "type": "wave", "controls": [{"type": "volume", "value": 100}]}]},
        {"name": "Rear", "type": "speakers", "sources": [{"name": "Line In", "type": "linein", "controls": [{"type": "volume", "value": 777}]}]}]}]})",
                      "the second speakers holds the line");
    return SourceId(1, 0);
}

// Two speakers destinations, both with a line-in source.
DWORD BothSpeakersHoldTheLine() {
    sim::LoadCardText(R"({"devices": [{"name": "Two outs", "destinations": [
        {"name": "Front", "type": "speakers", "sources": [{"name": "Line In", "type": "linein", "controls": [{"type": "volume", "value": 333}]}]},
        {"name": "Rear", "type": "speakers", "sources": [{"name": "Line In", "type": "linein", "controls": [{"type": "volume", "value": 777}]}]}]}]})",
                      "both speakers hold the line");
    return SourceId(0, 0);
}

// A sourceless speakers destination before one with sources: the main codes
// pass over the first.
DWORD MainOfSecondSpeakers() {
    sim::LoadCardText(R"({"devices": [{"name": "Two outs", "destinations": [
        {"name": "Front", "type": "speakers", "controls": [{"type": "volume", "value": 100}]},
        {"name": "Rear", "type": "speakers", "controls": [{"type": "volume", "value": 555}],
         "sources": [{"name": "Wave", "type": "wave", "controls": [{"type": "volume", "value": 100}]}]}]}]})",
                      "the main line of the second speakers");
    return sim::Devices()[0].destinations[1].id;
}

// The wave-in destination listed before the speakers destination.
DWORD WaveInFirst() {
    sim::LoadCardText(R"({"devices": [{"name": "Rec first", "destinations": [
        {"name": "Recording", "type": "wavein", "sources": [{"name": "Line In", "type": "linein", "controls": [{"type": "volume", "value": 999}]}]},
        {"name": "Master", "type": "speakers", "sources": [{"name": "Line In", "type": "linein", "controls": [{"type": "volume", "value": 444}]}]}]}]})",
                      "wave-in first");
    return SourceId(1, 0);
}

const SearchCase kCases[] = {
    // The outcomes of a search.
    {"no mixer device", [] { return DWORD(0); }, kLine, OpPlayVolume, "", 0, 0, -1, NeverOpened},
    {"no device reported", [] { BuildDistinctCard(); sim::SetReportedDeviceCount(0); return DWORD(0); },
     kLine, OpPlayVolume, "", 0, 0, -1, NeverOpened},
    {"device 0 cannot be opened", [] { return FailingOn("mixerOpen", 0, MMSYSERR_ALLOCATED); }, kLine,
     OpPlayVolume, "", 0, 0, -1, NeverOpened},
    {"capabilities cannot be read", [] { return FailingOn("mixerGetDevCapsA", 0); }, kLine, OpPlayVolume, "", 0,
     0, -1, OpenedAndClosed},
    {"no destinations",
     [] {
         sim::LoadCardText(R"({"devices": [{"name": "Empty"}]})", "no destinations");
         return DWORD(0);
     },
     kLine, OpPlayVolume, "", 0, 0, 0, OpenedAndClosed},
    {"first destination cannot be read", [] { return FailingOn("mixerGetLineInfoA", 1); }, kLine, OpPlayVolume,
     "", 0, 0, -1, OpenedAndClosed},
    {"later destination cannot be read", [] { return FailingOn("mixerGetLineInfoA", 2); }, kMic, OpRecVolume, "",
     0, 0, -1, OpenedAndClosed},
    {"source cannot be read", [] { return FailingOn("mixerGetLineInfoA", 2); }, kLine, OpPlayVolume, "", 0, 0, -1,
     OpenedAndClosed},
    {"re-read destination cannot be read", [] { return FailingOn("mixerGetLineInfoA", 2); }, kSpeakers,
     OpMainVolume, "", 0, 0, -1, OpenedAndClosed},
    {"no line matches", DistinctNone, MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, OpPlayVolume, "", 0, 0, 0,
     OpenedAndClosed},
    {"speakers source found", [] { return Distinct(kSpeakers, kCD); }, kCD, OpPlayVolume, "", 0, 1, 12000,
     OpenedAndClosed},
    {"wave-in source found", [] { return Distinct(kWaveIn, kMic); }, kMic, OpRecVolume, "", 0, 1, 21000,
     OpenedAndClosed},
    {"destination itself found", [] { return Distinct(kSpeakers, 0); }, kSpeakers, OpMainVolume, "", 0, 1, 40000,
     OpenedAndClosed},

    // A destination without sources is never addressed.
    {"main volume, speakers without sources", SpeakersWithoutSources, kSpeakers, OpMainVolume, "", 0, 0, 0,
     OpenedAndClosed},
    {"main mute, speakers without sources", SpeakersWithoutSources, kSpeakers, OpMainMute, "", 0, 0, 0,
     OpenedAndClosed},
    {"main balance, speakers without sources", SpeakersWithoutSources, kSpeakers, OpMainBalance, "", 0, 0, 0,
     OpenedAndClosed},
    {"main volume passes a sourceless destination", MainOfSecondSpeakers, kSpeakers, OpMainVolume, "", 0, 1, 555,
     OpenedAndClosed},

    // By name: the whole name, byte for byte; the type is not looked at.
    {"by name, exact", [] { return Distinct(kSpeakers, kCD); }, 0, OpPlayVolume, "CD Audio", 1, 1, 12000,
     OpenedAndClosed},
    {"by name, type of another line", [] { return Distinct(kSpeakers, kCD); }, kLine, OpPlayVolume, "CD Audio", 1,
     1, 12000, OpenedAndClosed},
    {"by name, recording", [] { return Distinct(kWaveIn, kAnalog); }, 0, OpRecVolume, "Analog Mix", 1, 1, 24000,
     OpenedAndClosed},
    {"by name, case differs", DistinctNone, kCD, OpPlayVolume, "CD AUDIO", 1, 0, 0, OpenedAndClosed},
    {"by name, prefix only", DistinctNone, kCD, OpPlayVolume, "CD", 1, 0, 0, OpenedAndClosed},
    {"by name, longer", DistinctNone, kCD, OpPlayVolume, "CD Audio 2", 1, 0, 0, OpenedAndClosed},
    {"by name, unknown though the type exists", DistinctNone, kLine, OpPlayVolume, "Phono", 1, 0, 0,
     OpenedAndClosed},
    {"by name, empty name", DistinctNone, kLine, OpPlayVolume, "", 1, 0, 0, OpenedAndClosed},
    {"by name, null name", DistinctNone, kLine, OpPlayVolume, nullptr, 1, 0, 0, OpenedAndClosed},
    {"by name, destination", [] { return Distinct(kSpeakers, 0); }, 0, OpMainVolume, "Master Volume", 1, 1, 40000,
     OpenedAndClosed},
    {"by type, name ignored", [] { return Distinct(kSpeakers, kAux); }, kAux, OpPlayVolume, "Line In", 0, 1,
     14000, OpenedAndClosed},
    {"by type, null name ignored", [] { return Distinct(kSpeakers, kAux); }, kAux, OpPlayVolume, nullptr, 0, 1,
     14000, OpenedAndClosed},

    // Order of the search.
    {"two sources of a type: lower index", TwoSourcesOfOneType, kLine, OpPlayVolume, "", 0, 1, 111,
     OpenedAndClosed},
    {"failing source read ends the search", [] { return FailingOn("mixerGetLineInfoA", 3); }, kAux, OpPlayVolume,
     "", 0, 0, -1, OpenedAndClosed},
    {"second speakers destination searched", SecondSpeakersHoldsTheLine, kLine, OpPlayVolume, "", 0, 1, 777,
     OpenedAndClosed},
    {"first of two speakers destinations wins", BothSpeakersHoldTheLine, kLine, OpPlayVolume, "", 0, 1, 333,
     OpenedAndClosed},
    {"speakers after wave-in", WaveInFirst, kLine, OpPlayVolume, "", 0, 1, 444, OpenedAndClosed},

    // Codes without a control and types that cannot match.
    {"code 11", [] { return Distinct(kSpeakers, kLine); }, kLine, OpNone, "", 0, 1, 0, OpenedAndClosed},
    {"code 14", [] { return Distinct(kSpeakers, kLine); }, kLine, 14, "", 0, 1, 0, OpenedAndClosed},
    {"code -1", [] { return Distinct(kSpeakers, kLine); }, kLine, -1, "", 0, 1, 0, OpenedAndClosed},
    {"unknown code searches speakers only", DistinctNone, kAnalog, 99, "", 0, 0, 0, OpenedAndClosed},
    {"speakers type with a source code", DistinctNone, kSpeakers, OpPlayVolume, "", 0, 0, 0, OpenedAndClosed},
    {"wave-in type with a source code", DistinctNone, kWaveIn, OpRecVolume, "", 0, 0, 0, OpenedAndClosed},
};

class SearchTest : public SimTest {};

TEST_F(SearchTest, SetAndGetMixerOverTheSameCards) {
    for (const SearchCase& c : kCases) {
        for (int reader = 0; reader < 2; ++reader) {
            sim::Reset();
            ResetLibraryState();
            const DWORD line = c.build();
            const LONG result = reader ? GetMixer(c.type, c.op, 0, c.name, c.byName)
                                       : SetMixer(c.type, c.op, 12345, c.name, c.byName);
            sim::ClearFaults();
            const std::string what = std::string(c.what) + (reader ? " (GetMixer)" : " (SetMixer)");
            EXPECT_EQ(result, reader ? c.wantGet : c.wantSet) << what;

            // The device is closed on every path after it was opened.
            EXPECT_EQ(OpenedHandle() != 0, c.device == OpenedAndClosed) << what;
            EXPECT_EQ(OpensLeftOver(), 0) << what;
            EXPECT_EQ(sim::OpenMixerHandles(), 0) << what;
            EXPECT_EQ(sim::ProcessHeapBlocks(), 0) << what;
            EXPECT_EQ(sim::LocalBlocks(), 0) << what;

            // The line found, and only that one, is handed over.
            const std::vector<DWORD> handed = LinesHandedOver();
            if (line == 0) {
                EXPECT_TRUE(handed.empty()) << what;
                EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u) << what;
            } else {
                EXPECT_EQ(handed, std::vector<DWORD>{line}) << what;
            }
        }
    }
}

TEST_F(SearchTest, CodesWithoutAControlTouchNothing) {
    // Code 11 and codes outside the table find the line but take no control:
    // SetMixer says 1, GetMixer 0, and no value is read or written.
    TypicalCard card = BuildDistinctCard();
    for (LONG op : {LONG(OpNone), LONG(14), LONG(100), LONG(-7)}) {
        sim::ClearLog();
        EXPECT_EQ(SetMixer(kLine, op, 777, "", 0), 1) << op;
        EXPECT_EQ(GetMixer(kLine, op, 0, "", 0), 0) << op;
        EXPECT_TRUE(DetailCalls().empty()) << op;
        // The controls were fetched: the line was found and handed over.
        EXPECT_EQ(sim::CountOf("mixerGetLineControlsA"), 2u) << op;
    }
    EXPECT_EQ(VolumeOf(card.speakers->FindSource(kLine))->Value(), 10000);
    ExpectNothingHeld();
}

// ---- Requests of the search -------------------------------------------------------

struct LineRequest {
    DWORD kind;  // MIXER_GETLINEINFOF_*
    DWORD id;    // destination index, or line id for LINEID
    DWORD source;
    bool operator==(const LineRequest& o) const { return kind == o.kind && id == o.id && source == o.source; }
};

std::ostream& operator<<(std::ostream& os, const LineRequest& r) {
    return os << "{" << r.kind << "," << r.id << "," << r.source << "}";
}

std::vector<LineRequest> LineRequests() {
    std::vector<LineRequest> out;
    for (const sim::Call& c : sim::CallsOf("mixerGetLineInfoA")) {
        DWORD kind = c.flags & MIXER_GETLINEINFOF_QUERYMASK;
        out.push_back({kind, c.id, kind == MIXER_GETLINEINFOF_SOURCE ? c.source : 0});
    }
    return out;
}

TEST_F(SearchTest, WalksDestinationsThenSourcesInIndexOrder) {
    const DWORD D = MIXER_GETLINEINFOF_DESTINATION, S = MIXER_GETLINEINFOF_SOURCE, ID = MIXER_GETLINEINFOF_LINEID;
    struct Case {
        const char* what;
        DWORD type;
        LONG op;
        std::vector<LineRequest> (*want)(const TypicalCard&);
    } cases[] = {
        {"third speakers source", kCD, OpPlayVolume,
         [](const TypicalCard& c) {
             return std::vector<LineRequest>{{D, 0, 0}, {S, 0, 0}, {S, 0, 1}, {S, 0, 2}, {ID, c.speakers->sources[2].id, 0}};
         }},
        {"second wave-in source", kMic, OpRecVolume,
         [](const TypicalCard& c) {
             return std::vector<LineRequest>{{D, 0, 0}, {D, 1, 0}, {S, 1, 0}, {S, 1, 1}, {ID, c.wavein->sources[1].id, 0}};
         }},
        {"master, read again by index", kSpeakers, OpMainMute,
         [](const TypicalCard& c) { return std::vector<LineRequest>{{D, 0, 0}, {D, 0, 0}, {ID, c.speakers->id, 0}}; }},
        {"master not matching, read again once, not once a source", kWaveIn, OpMainVolume,
         [](const TypicalCard&) { return std::vector<LineRequest>{{D, 0, 0}, {D, 0, 0}, {D, 1, 0}}; }},
        {"no match walks every destination", MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER, OpRecMute,
         [](const TypicalCard&) {
             std::vector<LineRequest> r{{D, 0, 0}, {D, 1, 0}};
             for (DWORD s = 0; s < 6; ++s) r.push_back({S, 1, s});
             return r;
         }},
    };
    for (const Case& c : cases) {
        for (int reader = 0; reader < 2; ++reader) {
            sim::Reset();
            TypicalCard card = BuildDistinctCard();
            if (reader)
                GetMixer(c.type, c.op, 0, "", 0);
            else
                SetMixer(c.type, c.op, 1, "", 0);
            EXPECT_EQ(LineRequests(), c.want(card)) << c.what << (reader ? " (GetMixer)" : " (SetMixer)");
        }
    }
}

TEST_F(SearchTest, OperationCodesChooseTheDestination) {
    // Both destinations have a source named "Microphone": the line handed
    // over tells which destination a code searched. The codes that mean the
    // destination itself match "Master Volume", the speakers destination.
    const LONG waveInCodes[] = {OpRecMute, OpRecVolume, OpRecSelect, OpRecBoost, OpRecBalance};
    const LONG itselfCodes[] = {OpMainVolume, OpMainMute, OpMainBalance};
    for (LONG op = -2; op <= 16; ++op) {
        const bool waveIn = std::find(std::begin(waveInCodes), std::end(waveInCodes), op) != std::end(waveInCodes);
        const bool itself = std::find(std::begin(itselfCodes), std::end(itselfCodes), op) != std::end(itselfCodes);
        for (const char* name : {"Microphone", "Master Volume", "Recording Control"}) {
            sim::Reset();
            TypicalCard card = BuildDistinctCard();
            DWORD want = 0;
            if (itself && std::string(name) == "Master Volume") want = card.speakers->id;
            if (!itself && std::string(name) == "Microphone")
                want = (waveIn ? card.wavein : card.speakers)->FindSource(kMic)->id;
            EXPECT_EQ(SetMixer(0, op, 0, name, 1), want != 0 ? 1 : 0) << "op " << op << " " << name;
            std::vector<DWORD> handed = LinesHandedOver();
            EXPECT_EQ(handed, want ? std::vector<DWORD>{want} : std::vector<DWORD>{}) << "op " << op << " " << name;
        }
    }
}

TEST_F(SearchTest, FailedSourceReadIsTheLastLineRequest) {
    // The target is the fifth source; the second source's read fails and
    // nothing after it is asked.
    BuildDistinctCard();
    sim::FailFunction("mixerGetLineInfoA", MIXERR_INVALLINE, 3);
    EXPECT_EQ(GetMixer(kAux, OpPlayVolume, 0, "", 0), -1);
    const std::vector<sim::Call> lines = sim::CallsOf("mixerGetLineInfoA");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines.back().injected);
    EXPECT_EQ(sim::Log().back().fn, "mixerClose");
    ExpectNothingHeld();
}

// Every request names the mixer the way winmm is asked to: device 0 by its
// identifier (MIXER_OBJECTF_MIXER, which is no object-type bits), with only
// the request kind in the flags, as the capabilities are asked for; the
// handle the open gave is only closed. Record sizes are the published ones.
void ExpectRequestsNameDevice0(const std::string& what) {
    const uintptr_t handle = OpenedHandle();
    ASSERT_NE(handle, 0u) << what;
    for (const sim::Call& c : sim::Log()) {
        if (c.fn == "mixerOpen") {
            EXPECT_EQ(c.object, 0u) << what;
            EXPECT_EQ(c.flags, 0u) << what;
            EXPECT_EQ(c.count, 0u) << what << ": no callback, no instance data";
        } else if (c.fn == "mixerGetDevCapsA") {
            EXPECT_EQ(c.object, 0u) << what << ": capabilities by device index";
            EXPECT_EQ(c.cbStruct, sizeof(MIXERCAPSA)) << what;
        } else if (c.fn == "mixerClose") {
            EXPECT_EQ(c.object, handle) << what;
        } else if (c.fn.rfind("mixer", 0) == 0 && c.fn != "mixerGetNumDevs") {
            EXPECT_EQ(c.object, 0u) << what << ": " << c.fn;
            EXPECT_EQ(c.flags & MIXER_OBJECTF_TYPEMASK, 0u) << what << ": " << c.fn;
            if (c.fn == "mixerGetLineInfoA") {
                EXPECT_EQ(c.cbStruct, sizeof(MIXERLINEA)) << what;
                EXPECT_LE(c.flags, MIXER_GETLINEINFOF_LINEID) << what;
            } else if (c.fn == "mixerGetLineControlsA") {
                EXPECT_EQ(c.flags, MIXER_GETLINECONTROLSF_ALL) << what;
                EXPECT_EQ(c.cbStruct, sizeof(MIXERLINECONTROLSA)) << what;
                EXPECT_EQ(c.cbDetails, sizeof(MIXERCONTROLA)) << what << ": cbmxctrl";
            } else {
                EXPECT_EQ(c.flags, 0u) << what << ": " << c.fn << " asks for values";
                EXPECT_EQ(c.cbStruct, sizeof(MIXERCONTROLDETAILS)) << what;
                EXPECT_EQ(c.cbDetails, 4u) << what;
            }
        }
    }
    EXPECT_EQ(sim::CountOf("mixerClose"), 1u) << what;
    EXPECT_EQ(sim::Log().back().fn, "mixerClose") << what << ": closed last";
    // Control arrays come zero-filled from the process heap.
    for (const sim::Call& c : sim::CallsOf("HeapAlloc")) {
        EXPECT_TRUE(c.flags & HEAP_ZERO_MEMORY) << what;
        EXPECT_EQ(c.count % sizeof(MIXERCONTROLA), 0u) << what;
        EXPECT_EQ(c.object, sim::CallsOf("GetProcessHeap").at(0).object) << what;
    }
}

TEST_F(SearchTest, EveryRequestNamesDevice0ByIdentifier) {
    struct Target {
        DWORD type;
        const char* name;
        LONG byName;
    };
    for (LONG op = 0; op <= 14; ++op) {
        const Target targets[] = {{kMic, "", 0}, {kSpeakers, "", 0}, {0, "Microphone", 1}, {0, "Master Volume", 1},
                                  {0, "Recording Control", 1}};
        for (const Target& t : targets) {
            for (int reader = 0; reader < 2; ++reader) {
                sim::Reset();
                TypicalCard card = BuildDistinctCard();
                // Single-select controls for codes 5 and 6.
                card.speakers->FindSource(kMic)->AddList(MIXERCONTROL_CONTROLTYPE_SINGLESELECT, {"A", "B", "C"}, {1});
                card.wavein->FindSource(kMic)->AddList(MIXERCONTROL_CONTROLTYPE_SINGLESELECT, {"A", "B"}, {0});
                if (reader)
                    GetMixer(t.type, op, 0, t.name, t.byName);
                else
                    SetMixer(t.type, op, 3, t.name, t.byName);
                ExpectRequestsNameDevice0("op " + std::to_string(op) + " " + t.name + (reader ? " read" : " write"));
            }
        }
    }
}

TEST_F(SearchTest, EveryPlatformFailureOfGetMixerReleasesEverything) {
    // The reader's result for a failure at each call: the search and the
    // line read give -1, a failed control list 0, a failed read -1. A read
    // writes nothing, so there is no write to fail.
    struct Case {
        LONG op;
        DWORD type;
        LONG want;
    } cases[] = {{OpPlayVolume, kAux, 14000}, {OpRecMute, kCD, 1}, {OpMainVolume, kSpeakers, 40000}};
    for (const Case& k : cases) {
        int runs = ForEachPlatformFault(
            [&] {
                TypicalCard card = BuildDistinctCard();
                MuteOf(card.wavein->FindSource(kCD))->SetAll(1);
            },
            [&] { return GetMixer(k.type, k.op, 0, "", 0); },
            [&](size_t n, const sim::Call& call, LONG result) {
                LONG want = -1;
                if (call.fn == "mixerGetLineControlsA") want = 0;
                EXPECT_NE(call.fn, "mixerSetControlDetails");
                EXPECT_EQ(result, want) << "op " << k.op << ", failing call " << n << " " << call.fn;
            });
        EXPECT_GE(runs, 9) << k.op;
    }
}

}  // namespace
