// What a tool hosting the library learns from engine/line_search.h: the
// device, line and control the library uses for an operation and line
// target (LocateLibraryControl), found with the library's own requests, and
// where a search that found nothing ended (SearchNotes). Also the operation
// rows' answer for codes outside the table.
#include "endpoint_cards.h"
#include "engine/engine.h"
#include "fixture.h"

#include <functional>
#include <sstream>

namespace {

const DWORD kVolume = MIXERCONTROL_CONTROLTYPE_VOLUME;
const DWORD kMute = MIXERCONTROL_CONTROLTYPE_MUTE;
const DWORD kOnOff = MIXERCONTROL_CONTROLTYPE_ONOFF;

// A source line's control on a device: destination d, source s (-1: the
// destination itself).
sim::Control* ControlOf(size_t device, size_t d, int s, DWORD type) {
    sim::Destination& dst = sim::Devices()[device].destinations[d];
    return s < 0 ? dst.Find(type) : dst.sources[static_cast<size_t>(s)].Find(type);
}

struct Case {
    const char* name;
    std::function<sim::Control*()> build;  // the card; returns the control the library uses
    DWORD componentType;
    LONG op;
    ControlUse use;
    LONG value;
    ChoiceOutcome outcome;
    UINT device;
    const char* line;  // the name of the line taken
    bool standIn;
};

const Case kCases[] = {
    {"a playback source's volume", [] { BuildTypicalCard(); return ControlOf(0, 0, 0, kVolume); },
     MIXERLINE_COMPONENTTYPE_SRC_LINE, OpPlayVolume, UseRead, 0, ChoiceFound, 0, "Line In", false},
    {"the speakers destination's mute", [] { BuildTypicalCard(); return ControlOf(0, 0, -1, kMute); },
     MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, OpMainMute, UseWrite, 1, ChoiceFound, 0, "Master Volume", false},
    {"the recording microphone's boost", [] { BuildTypicalCard(); return ControlOf(0, 1, 1, kOnOff); },
     MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecBoost, UseWrite, 1, ChoiceFound, 0, "Microphone", false},
    {"a balance has no reading", [] { BuildTypicalCard(); return nullptr; }, MIXERLINE_COMPONENTTYPE_SRC_LINE,
     OpPlayBalance, UseRead, 0, ChoiceNoKind, 0, "Line In", false},
    {"a balance position off the scale", [] { BuildTypicalCard(); return ControlOf(0, 0, 0, kVolume); },
     MIXERLINE_COMPONENTTYPE_SRC_LINE, OpPlayBalance, UseWrite, 16, ChoiceOutOfScale, 0, "Line In", false},
    {"a disabled control",
     [] {
         BuildTypicalCard();
         sim::Control* c = ControlOf(0, 1, 2, kVolume);
         c->flags |= MIXERCONTROL_CONTROLF_DISABLED;
         return c;
     },
     MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, OpRecVolume, UseRead, 0, ChoiceDisabled, 0, "CD Audio", false},
    {"Wine's recording endpoint: the destination stands in", [] { return BuildWineCard().recVolume; },
     MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecVolume, UseRead, 0, ChoiceFound, 1, "Master Volume", true},
    {"Wine's recording endpoint, behind a second output", [] { return BuildWineCard(true).recMute; },
     MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecMute, UseWrite, 1, ChoiceFound, 2, "Master Volume", true},
    {"Windows' preferred recording endpoint, levels of its own",
     [] { return BuildWindowsCard(false).lineSourceVolume; }, MIXERLINE_COMPONENTTYPE_SRC_LINE, OpRecVolume,
     UseWrite, 100, ChoiceFound, 2, "Line In", false},
    {"Windows' other recording endpoint", [] { BuildWindowsCard(false); return ControlOf(1, 0, 0, kMute); },
     MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecMute, UseRead, 0, ChoiceFound, 1, "Microphone", false},
};

std::string Describe(const sim::Call& c) {
    std::ostringstream s;
    s << c.fn << " object=" << c.object << " flags=" << c.flags << " id=" << c.id << " source=" << c.source
      << " count=" << c.count << " result=" << c.result;
    return s.str();
}

std::vector<std::string> Requests() {
    std::vector<std::string> out;
    for (const sim::Call& c : sim::Log()) out.push_back(Describe(c));
    return out;
}

class LibraryControlTest : public SimTest {};

TEST_F(LibraryControlTest, FindsTheDeviceLineAndControlTheLibraryUses) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        sim::Control* expected = c.build();
        {
            LibraryControl target;
            LocateLibraryControl(&target, c.componentType, c.op, "", 0, c.use, c.value);
            ASSERT_EQ(target.search, SearchFound);
            EXPECT_EQ(target.outcome, c.outcome);
            EXPECT_EQ(target.device.id(), c.device);
            EXPECT_EQ(target.line.onEndpoint, c.device != 0);
            EXPECT_EQ(target.choice.standIn, c.standIn);
            EXPECT_STREQ(target.choice.chosen().line().szName, c.line);
            if (expected != nullptr) {
                EXPECT_EQ(target.choice.chosen().control().dwControlID, expected->id);
            }
            EXPECT_EQ(sim::OpenMixerHandles(), 1);  // the device the line is on
        }
        ExpectNothingHeld();
    }
}

// The same requests as the library's reading or writing, up to the control's
// choice, and the same releases after it.
TEST_F(LibraryControlTest, MakesTheLibrarysRequests) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        c.build();
        sim::ClearLog();
        {
            LibraryControl target;
            LocateLibraryControl(&target, c.componentType, c.op, "", 0, c.use, c.value);
        }
        const std::vector<std::string> located = Requests();
        sim::Reset();
        c.build();
        sim::ClearLog();
        if (c.use == UseRead)
            GetMixer(c.componentType, c.op, 0, "", 0);
        else
            SetMixer(c.componentType, c.op, c.value, "", 0);
        const std::vector<std::string> library = Requests();
        // The releases: the heap blocks of the line's controls and the device.
        size_t releases = 0;
        while (releases < located.size() && (located[located.size() - 1 - releases].rfind("HeapFree", 0) == 0 ||
                                             located[located.size() - 1 - releases].rfind("mixerClose", 0) == 0))
            ++releases;
        ASSERT_GT(releases, 0u);
        ASSERT_GE(library.size(), located.size());
        EXPECT_EQ(std::vector<std::string>(library.begin(), library.begin() + (located.size() - releases)),
                  std::vector<std::string>(located.begin(), located.end() - releases));
        EXPECT_EQ(std::vector<std::string>(library.end() - releases, library.end()),
                  std::vector<std::string>(located.end() - releases, located.end()));
    }
}

// Where a search ended that found nothing or failed.
TEST_F(LibraryControlTest, NotesTellWhereTheSearchEnded) {
    struct Ending {
        const char* name;
        std::function<void()> build;
        DWORD componentType;
        LONG op;
        SearchOutcome search;
        bool sawDestination;
        std::vector<UINT> endpoints;
        SearchRequest request;
        MMRESULT error;
        UINT device;
        DWORD destination;
        LONG source;
    } endings[] = {
        {"no such line on device 0", [] { BuildTypicalCard(); }, MIXERLINE_COMPONENTTYPE_SRC_ANALOG, OpPlayVolume,
         SearchNotFound, true, {}, RequestNone, MMSYSERR_NOERROR, 0, 0, -1},
        {"none on Wine's recording endpoint", [] { BuildWineCard(); }, MIXERLINE_COMPONENTTYPE_SRC_LINE,
         OpRecVolume, SearchNotFound, false, {1}, RequestNone, MMSYSERR_NOERROR, 0, 0, -1},
        {"none on Windows' endpoints, the preferred first", [] { BuildWindowsCard(); },
         MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, OpRecVolume, SearchNotFound, false, {2, 1}, RequestNone,
         MMSYSERR_NOERROR, 0, 0, -1},
        {"a source that cannot be read",
         [] {
             BuildTypicalCard();
             sim::FailFunction("mixerGetLineInfoA", MMSYSERR_INVALPARAM, 3);
         },
         MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecVolume, SearchFailed, true, {}, RequestSource,
         MMSYSERR_INVALPARAM, 0, 1, 0},
        {"an endpoint's destination that cannot be read",
         [] {
             BuildWindowsCard();
             sim::FailFunction("mixerGetLineInfoA", MMSYSERR_ERROR, 2);
         },
         MIXERLINE_COMPONENTTYPE_SRC_LINE, OpRecVolume, SearchFailed, false, {}, RequestDestination,
         MMSYSERR_ERROR, 2, 0, -1},
        {"a wave-in device whose mixer cannot be found",
         [] {
             BuildWindowsCard();
             sim::FailFunction("mixerGetID", MMSYSERR_INVALHANDLE, 2);
         },
         MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecVolume, SearchFailed, false, {2}, RequestMixerId,
         MMSYSERR_INVALHANDLE, 0, 0, -1},
        {"a device that cannot be opened",
         [] {
             BuildTypicalCard();
             sim::FailFunction("mixerOpen", MMSYSERR_ALLOCATED);
         },
         MIXERLINE_COMPONENTTYPE_SRC_LINE, OpPlayVolume, SearchFailed, false, {}, RequestOpen, MMSYSERR_ALLOCATED,
         0, 0, -1},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.name);
        sim::Reset();
        e.build();
        SearchNotes notes;
        {
            LibraryControl target;
            LocateLibraryControl(&target, e.componentType, e.op, "", 0, UseRead, 0, &notes);
            EXPECT_EQ(target.search, e.search);
        }
        EXPECT_EQ(notes.sawDestination, e.sawDestination);
        EXPECT_EQ(std::vector<UINT>(notes.endpoints, notes.endpoints + notes.endpointCount), e.endpoints);
        EXPECT_EQ(notes.request, e.request);
        EXPECT_EQ(notes.error, e.error);
        EXPECT_EQ(notes.device, e.device);
        EXPECT_EQ(notes.destination, e.destination);
        EXPECT_EQ(notes.source, e.source);
        ExpectNothingHeld();
    }
}

// Codes outside the operation rows read as OpNone's row: the speakers
// destination's sources, no control.
TEST(OperationRowsTest, CodesOutsideTheTableTakeNoControl) {
    const LONG outside[] = {-1, 11, 14, 0x7FFFFFFF, static_cast<LONG>(0x80000000u)};
    for (LONG op : outside) {
        EXPECT_EQ(OpDestinationType(op), MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) << op;
        EXPECT_FALSE(OpAddressesDestination(op)) << op;
        EXPECT_EQ(OpControlType(op), 0u) << op;
        EXPECT_EQ(OpTreatment(op), TreatNone) << op;
    }
}

}  // namespace
