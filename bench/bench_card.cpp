#include "bench_card.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "engine/engine.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "selector/selector.h"
#include "sim_files.h"

namespace {

BenchFiles g_files;

}  // namespace

const BenchFiles& PrepareBenchFiles(const std::string& cardName) {
    if (g_files.dir.empty()) {
        char pattern[] = "/tmp/mixer-bench-XXXXXX";
        const char* dir = mkdtemp(pattern);
        if (dir == nullptr) {
            std::perror("mkdtemp");
            std::exit(2);
        }
        g_files.dir = std::string(dir) + "/";
        g_files.settings = g_files.dir + "settings.ini";
    }
    // The name file: names the card does not mark with a standard component
    // type. The names are the card's own, so the overrides address real lines.
    const std::string cfg = g_files.dir + cardName + ".cfg";
    if (FILE* f = std::fopen(cfg.c_str(), "wb")) {
        std::fputs("[DIGITAL]\r\nNAME=SPDIF In\r\n[DIGITALCD]\r\nNAME=CD Digital\r\n[LINEIN]\r\nNAME=Line In\r\n", f);
        std::fclose(f);
    }
    // Another card's file, which the search passes over.
    const std::string other = g_files.dir + "ZX9000.cfg";
    if (FILE* f = std::fopen(other.c_str(), "wb")) {
        std::fputs("[LINEIN]\r\nNAME=Line\r\n", f);
        std::fclose(f);
    }
    SetSoundCardConfigFilePath(g_files.dir.c_str());
    return g_files;
}

void RemoveBenchFiles() {
    if (g_files.dir.empty()) return;
    const std::string cmd = "rm -rf '" + g_files.dir + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", g_files.dir.c_str());
    g_files = BenchFiles();
}

void ResetToBenchCard() {
    sim::Reset();
    ResetLibraryState();
    LoadTestCard("bench");
    const BenchFiles& files = PrepareBenchFiles();
    Save(files.settings.c_str());
    sim::ClearLog();
}

namespace {

char g_channels[256];

long CallGetPeak() { return GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS); }
long CallGetMixerRecordChannels() { return GetMixerRecordChannels(g_channels, sizeof g_channels - 1); }
long CallSave() { return Save(g_files.settings.c_str()); }
long CallSet() { return Set(g_files.settings.c_str()); }

}  // namespace

const BenchCall kBenchCalls[] = {
    {"GetPlayLineInVolume", [] { return static_cast<long>(GetPlayLineInVolume()); }},
    {"SetPlayLineInVolume", [] { return static_cast<long>(SetPlayLineInVolume(30000)); }},
    {"GetPlayMainVolume", [] { return static_cast<long>(GetPlayMainVolume()); }},
    {"SetPlayMainVolume", [] { return static_cast<long>(SetPlayMainVolume(40000)); }},
    {"GetPlayLineInMute", [] { return static_cast<long>(GetPlayLineInMute()); }},
    {"SetPlayLineInMute", [] { return static_cast<long>(SetPlayLineInMute(0)); }},
    {"SetPlayLineInBalance", [] { return static_cast<long>(SetPlayLineInBalance(7)); }},
    {"GetRecMicSelect", [] { return static_cast<long>(GetRecMicSelect()); }},
    {"SetRecMicSelect", [] { return static_cast<long>(SetRecMicSelect()); }},
    {"GetPeak", CallGetPeak},
    {"GetMixerRecordChannels", CallGetMixerRecordChannels},
    {"Save", CallSave},
    {"Set", CallSet},
    {"ReadDigitalConfiguration", [] { return static_cast<long>(ReadDigitalConfiguration()); }},
};
const int kBenchCallCount = sizeof kBenchCalls / sizeof kBenchCalls[0];

const BenchCall* FindBenchCall(const std::string& name) {
    for (int i = 0; i < kBenchCallCount; ++i)
        if (name == kBenchCalls[i].name) return &kBenchCalls[i];
    return nullptr;
}

// 40 calls a cycle: the peak meter 12 times, the sliders and switches, the
// selection, the listing, and now and then a name file read, a save and a
// restore.
const int kMixCycle[] = {
    9, 0, 9, 2, 9, 4, 9, 7, 9, 10, 9, 1,  // meter between reads
    9, 3, 9, 5, 9, 6, 9, 8, 9, 0, 9, 2,   // meter between writes
    4, 7, 10, 1, 3, 5, 6, 8, 0, 2, 4, 7,  // a sweep over the controls
    13, 11, 12, 10,                        // name file, save, restore, listing
};
const int kMixCycleLength = sizeof kMixCycle / sizeof kMixCycle[0];
