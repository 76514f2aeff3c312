// Shared test fixture: a fresh simulated platform and library state per test,
// and the typical card to build on.
#pragma once

#include <gtest/gtest.h>

#include "core/state.h"
#include "sim.h"

// The typical card (tests/cards/typical.json), under another product name
// when given: a speakers destination (volume, mute) with line-in, microphone
// (with boost), CD, wave-out and auxiliary sources; a wave-in destination
// (volume, MUX selector) with line-in, microphone, CD, auxiliary, analog and
// digital sources, each with volume and mute.
struct TypicalCard {
    sim::Device* device;
    sim::Destination* speakers;
    sim::Destination* wavein;
};

TypicalCard BuildTypicalCard(const std::string& product = "AX200 Mixer");

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        ResetLibraryState();
    }
    // Every resource the library took has been given back.
    void ExpectNothingHeld() {
        EXPECT_EQ(sim::OpenMixerHandles(), 0);
        EXPECT_EQ(sim::ProcessHeapBlocks(), 0);
        EXPECT_EQ(sim::LocalBlocks(), 0);
    }
};

// Fault injection over every platform call an operation makes: runs `op`
// once to learn its calls, then once more for each call index with that call
// failing with `code`, checking after each run that nothing is held. Calls
// that release a resource are not failed (a failed release is the platform's
// leak, not the caller's). `check(n, call)` may assert on each outcome; the
// card is rebuilt by `setup` before every run. Returns the number of runs.
template <typename Setup, typename Op, typename Check>
int ForEachPlatformFault(Setup setup, Op op, Check check, DWORD code = MMSYSERR_ERROR) {
    sim::Reset();
    ResetLibraryState();
    setup();
    sim::ClearLog();
    op();
    const std::vector<sim::Call> calls = sim::Log();
    int runs = 0;
    for (size_t n = 1; n <= calls.size(); ++n) {
        const std::string& fn = calls[n - 1].fn;
        if (fn == "HeapFree" || fn == "LocalFree" || fn == "mixerClose" || fn == "CloseHandle" ||
            fn == "FindClose" || fn == "RegCloseKey")
            continue;
        sim::Reset();
        ResetLibraryState();
        setup();
        sim::ClearLog();
        sim::FailNthCall(static_cast<int>(n), code);
        auto result = op();
        sim::ClearFaults();
        EXPECT_EQ(sim::OpenMixerHandles(), 0) << "failing call " << n << " (" << fn << ")";
        EXPECT_EQ(sim::ProcessHeapBlocks(), 0) << "failing call " << n << " (" << fn << ")";
        EXPECT_EQ(sim::LocalBlocks(), 0) << "failing call " << n << " (" << fn << ")";
        check(n, calls[n - 1], result);
        ++runs;
    }
    return runs;
}
