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

struct Src {
    DWORD type;
    const char* name;
};

void AddVolumeMute(sim::Line& l, const std::string& name, LONG level) {
    l.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, level, 0, 0, name + " Volume");
    l.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, name + " Mute");
}

BenchFiles g_files;

}  // namespace

void BuildBenchCard() {
    sim::Device& device = sim::AddDevice("AX200 Mixer");
    sim::Destination& speakers = device.AddDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Master Volume", 2);
    speakers.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 40000, 0, 0, "Master Volume");
    speakers.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Master Mute");
    speakers.AddControl(MIXERCONTROL_CONTROLTYPE_PEAKMETER, -1200, 0, 0, "Master Peak");
    const Src play[] = {{MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line In"},
                        {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone"},
                        {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD Audio"},
                        {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave"},
                        {MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, "Aux"}};
    for (const Src& s : play) {
        const bool mic = s.type == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
        sim::Line& l = speakers.AddSource(s.type, s.name, mic ? 1 : 2);
        AddVolumeMute(l, s.name, 30000);
        if (mic) l.AddControl(MIXERCONTROL_CONTROLTYPE_ONOFF, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Mic Boost");
    }
    // Left and right apart, so that level and balance writes have a ratio to keep.
    speakers.sources[0].controls[0].SetValue(24000, 1);

    sim::Destination& wavein = device.AddDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Recording Control", 2);
    wavein.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 50000, 0, 0, "Recording Volume");
    wavein.AddControl(MIXERCONTROL_CONTROLTYPE_PEAKMETER, 800, 0, 0, "Recording Peak");
    const Src rec[] = {{MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line In"},
                       {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone"},
                       {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD Audio"},
                       {MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, "Aux"},
                       {MIXERLINE_COMPONENTTYPE_SRC_ANALOG, "Analog Mix"},
                       {MIXERLINE_COMPONENTTYPE_SRC_DIGITAL, "SPDIF In"}};
    std::vector<std::string> items;
    for (const Src& s : rec) {
        const bool mic = s.type == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
        sim::Line& l = wavein.AddSource(s.type, s.name, mic ? 1 : 2);
        AddVolumeMute(l, s.name, 20000);
        if (mic) l.AddControl(MIXERCONTROL_CONTROLTYPE_ONOFF, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Mic Boost");
        items.push_back(s.name);
    }
    wavein.AddList(MIXERCONTROL_CONTROLTYPE_MUX, items, {1});
}

namespace {

// One of Wine's endpoints: a destination with a uniform volume (kept as a
// float, only the first of two channels answered) and mute, over one source
// whose controls keep nothing.
void AddWineEndpoint(const char* name, sim::Device::Endpoint direction, DWORD destination, DWORD source) {
    sim::Device& device = sim::AddDevice(name);
    device.endpoint = direction;
    sim::Destination& d = device.AddDestination(destination, "Master Volume", 2);
    sim::Control& volume =
        d.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 40000, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Volume");
    volume.firstChannelOnly = true;
    volume.floatLevel = true;
    d.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Mute");
    sim::Line& line = d.AddSource(source, "Master Volume", 1);
    for (DWORD type : {MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERCONTROL_CONTROLTYPE_MUTE}) {
        sim::Control& c = line.AddControl(type, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0,
                                          type == MIXERCONTROL_CONTROLTYPE_VOLUME ? "Volume" : "Mute");
        c.leaveUnfilled = true;
        c.ignoreWrites = true;
    }
}

}  // namespace

void BuildWineLikeCard() {
    AddWineEndpoint("Out: default", sim::Device::Endpoint::Playback, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                    MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
    AddWineEndpoint("In: default", sim::Device::Endpoint::Recording, MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                    MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    sim::SetWineMixerHandles(true);
    sim::SetWineDeviceIds(true);
}

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
    BuildBenchCard();
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
