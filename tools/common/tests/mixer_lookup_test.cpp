// The lookups over the simulated platform, held against what the library's
// GetPeak reads: where FindPeakMeter finds a meter, GetPeak reads its value;
// where it finds none, GetPeak reads 0.
#include "mixer_lookup.h"

#include "core/exports.h"
#include "core/state.h"
#include "sim.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using mixertools::PeakMeterFound;

constexpr DWORD kSpeakers = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
constexpr DWORD kWaveIn = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
constexpr DWORD kMic = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;

class LookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        ResetLibraryState();
    }
};

TEST_F(LookupTest, PeakMeterAsGetPeakReadsIt) {
    const struct {
        const char* what;
        std::function<sim::Control*()> build;  // the meter GetPeak reads, or null
        DWORD type;
        PeakMeterFound want;
        const char* lineName;  // the line found, "" for none
    } cases[] = {
        {"a destination with a meter",
         [] {
             sim::Destination& d = sim::AddDevice("Card").AddDestination(kSpeakers, "Master");
             d.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME);
             return &d.AddControl(MIXERCONTROL_CONTROLTYPE_PEAKMETER, -1200);
         },
         kSpeakers, PeakMeterFound::Yes, "Master"},
        {"a source with a meter",
         [] {
             sim::Destination& d = sim::AddDevice("Card").AddDestination(kWaveIn, "Recording");
             return &d.AddSource(kMic, "Mic").AddControl(MIXERCONTROL_CONTROLTYPE_PEAKMETER, 900);
         },
         kMic, PeakMeterFound::Yes, "Mic"},
        {"a line without a meter",
         [] {
             sim::AddDevice("Card").AddDestination(kSpeakers, "Master").AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME);
             return nullptr;
         },
         kSpeakers, PeakMeterFound::NoMeter, "Master"},
        {"no line of the type",
         [] {
             sim::AddDevice("Card").AddDestination(kWaveIn, "Recording").AddControl(
                 MIXERCONTROL_CONTROLTYPE_PEAKMETER, 700);
             return nullptr;
         },
         kSpeakers, PeakMeterFound::NoLine, ""},
        {"no mixer device", [] { return nullptr; }, kSpeakers, PeakMeterFound::NoLine, ""},
        {"a meter on device 1 only",
         [] {
             sim::AddDevice("Out").AddDestination(kSpeakers, "Out");
             sim::AddDevice("In").AddDestination(kWaveIn, "In").AddControl(MIXERCONTROL_CONTROLTYPE_PEAKMETER, 800);
             return nullptr;
         },
         kWaveIn, PeakMeterFound::NoLine, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        ResetLibraryState();
        const sim::Control* meter = c.build();
        const mixertools::PeakMeter found = mixertools::FindPeakMeter(c.type);
        EXPECT_EQ(found.found, c.want);
        EXPECT_STREQ(found.line.szName, c.lineName);
        if (meter) {
            EXPECT_EQ(found.control.dwControlID, meter->id);
            EXPECT_EQ(found.control.dwControlType, static_cast<DWORD>(MIXERCONTROL_CONTROLTYPE_PEAKMETER));
            EXPECT_EQ(GetPeak(c.type), meter->Value() < 0 ? -meter->Value() : meter->Value());
        } else {
            EXPECT_EQ(GetPeak(c.type), 0);
        }
        // Every request names the device by its identifier.
        EXPECT_EQ(sim::OpenMixerHandles(), 0);
    }
}

TEST_F(LookupTest, RefusedRequestsFindNothing) {
    const struct {
        const char* function;
        PeakMeterFound want;
    } cases[] = {{"mixerGetLineInfoA", PeakMeterFound::NoLine}, {"mixerGetLineControlsA", PeakMeterFound::NoMeter}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        sim::Reset();
        sim::AddDevice("Card").AddDestination(kSpeakers, "Master").AddControl(MIXERCONTROL_CONTROLTYPE_PEAKMETER);
        sim::FailFunction(c.function, MMSYSERR_ERROR);
        EXPECT_EQ(mixertools::FindPeakMeter(kSpeakers).found, c.want);
        sim::ClearFaults();
        EXPECT_EQ(mixertools::FindPeakMeter(kSpeakers).found, PeakMeterFound::Yes);
    }
}

TEST_F(LookupTest, LinesAndControlsOfAnyDevice) {
    sim::AddDevice("Out").AddDestination(kSpeakers, "Out").AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME);
    sim::Destination& in = sim::AddDevice("In").AddDestination(kWaveIn, "In");
    in.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME);
    const sim::Control& mute = in.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE);

    MIXERLINEA line;
    EXPECT_FALSE(mixertools::LineOfType(0, kWaveIn, &line));
    ASSERT_TRUE(mixertools::LineOfType(1, kWaveIn, &line));
    EXPECT_EQ(line.dwLineID, in.id);
    EXPECT_STREQ(line.szName, "In");
    MIXERCONTROLA control;
    ASSERT_TRUE(mixertools::ControlOfType(1, line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &control));
    EXPECT_EQ(control.dwControlID, mute.id);
    EXPECT_FALSE(mixertools::ControlOfType(0, line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &control));
    EXPECT_FALSE(mixertools::ControlOfType(1, line.dwLineID, MIXERCONTROL_CONTROLTYPE_PEAKMETER, &control));
    EXPECT_FALSE(mixertools::LineOfType(2, kWaveIn, &line));
}

}  // namespace
