// The simulated card and files the native benchmarks run against, and the
// exports they call. Natively only: everything here drives the simulated
// platform. The cards are tests/cards/bench.json, a typical card with peak
// meters, and bench-wine.json, shaped like the mixers Wine's winmm shows
// (test_cards.h loads them).
#pragma once

#include <string>

#include "core/state.h"
#include "sim.h"
#include "test_cards.h"

// Files the persistence exports use, in a private temporary directory: a
// settings file (written by Save, read by Set) and a sound-card name file
// that ReadDigitalConfiguration finds for the card's product name.
struct BenchFiles {
    std::string dir;         // ends with "/"
    std::string settings;    // the settings file
};
// Creates the directory and the name file (once per process) and points the
// library's name-file search at it. `cardName` is the base name of the name
// file (a part of the product name).
const BenchFiles& PrepareBenchFiles(const std::string& cardName = "AX200");
void RemoveBenchFiles();

// Fresh platform and library state, the bench card, the files in place and a
// settings file written once by Save.
void ResetToBenchCard();

// One export call with fixed arguments.
struct BenchCall {
    const char* name;
    long (*call)();
};
extern const BenchCall kBenchCalls[];
extern const int kBenchCallCount;
const BenchCall* FindBenchCall(const std::string& name);

// The mix of the memory runs: export indices into kBenchCalls, in the order
// one cycle calls them (a host polls the peak meter most, saves rarely).
extern const int kMixCycle[];
extern const int kMixCycleLength;
