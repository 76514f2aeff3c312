#include "fuzz_common.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <stdlib.h>
#include <unistd.h>

namespace fuzz {

namespace {

bool g_logged = true;

void Decide() {
    static const bool always = [] {
        const char* v = std::getenv("MIXER_FUZZ_LOG");
        return v != nullptr && std::strcmp(v, "1") == 0;
    }();
    static unsigned long inputs = 0;
    g_logged = always || inputs++ % 16 == 0;
}

}  // namespace

bool Logged() { return g_logged; }

void Fresh() {
    Decide();
    sim::Reset();
    sim::SetCallLog(g_logged);
    ResetLibraryState();
}

void Begin() {
    Decide();
    sim::SetCallLog(g_logged);
    sim::ClearLog();
    ResetLibraryState();
}

CardValues::CardValues(sim::Device& dev) {
    auto keep = [this](sim::Line& line) {
        for (sim::Control& c : line.controls) saved_.emplace_back(&c, c.values);
    };
    for (sim::Destination& d : dev.destinations) {
        keep(d);
        for (sim::Line& s : d.sources) keep(s);
    }
}

void CardValues::Restore() {
    for (auto& [control, values] : saved_) control->values = values;
}

const std::string& WorkDir() {
    // Never destroyed, so that the removal at exit still has its name.
    static const std::string* dir = [] {
        // In memory where the machine has it: every input is written to a
        // file, and on a disk file system rewriting one costs more than
        // running the library (truncation, writeback on close, discards).
        std::error_code ec;
        const bool shm = std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0;
        const std::filesystem::path root = shm ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
        std::string base = (root / "mixer-fuzz-XXXXXX").string();
        std::vector<char> name(base.begin(), base.end());
        name.push_back('\0');
        FUZZ_CHECK(mkdtemp(name.data()) != nullptr);
        return new std::string(name.data());
    }();
    static const bool removeAtExit = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(*dir, ignored);
    }) == 0;
    (void)removeAtExit;
    return *dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.good()) std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    FUZZ_CHECK(out.good());
}

sim::Device& BuildTypicalCard(const std::string& product) {
    sim::Device& dev = sim::AddDevice(product);
    sim::Destination& speakers = dev.AddDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Master Volume", 2);
    speakers.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 40000, 0, 0, "Master Volume");
    speakers.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Master Mute");
    struct Src {
        DWORD type;
        const char* name;
    };
    const Src play[] = {{MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line In"},
                        {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone"},
                        {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD Audio"},
                        {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave"},
                        {MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, "Aux"}};
    for (const Src& s : play) {
        const bool mic = s.type == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
        sim::Line& l = speakers.AddSource(s.type, s.name, mic ? 1 : 2);
        l.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 30000);
        l.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM);
        if (mic) l.AddControl(MIXERCONTROL_CONTROLTYPE_ONOFF, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Mic Boost");
    }
    sim::Destination& wavein = dev.AddDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Recording Control", 2);
    wavein.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 50000);
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
        l.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 20000);
        l.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM);
        if (mic) l.AddControl(MIXERCONTROL_CONTROLTYPE_ONOFF, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Mic Boost");
        items.push_back(s.name);
    }
    wavein.AddList(MIXERCONTROL_CONTROLTYPE_MUX, items, {1});
    return dev;
}

void CheckNothingHeld() {
    FUZZ_CHECK(sim::OpenMixerHandles() == 0);
    FUZZ_CHECK(sim::ProcessHeapBlocks() == 0);
    FUZZ_CHECK(sim::LocalBlocks() == 0);
    FUZZ_CHECK(sim::OpenFiles() == 0);
    FUZZ_CHECK(sim::OpenSearches() == 0);
    FUZZ_CHECK(sim::OpenKeys() == 0);
}

std::string TextModeRead(const uint8_t* data, size_t size) {
    const size_t n = size < 4096 ? size : 4096;
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        const char ch = static_cast<char>(data[i]);
        if (ch == 0x1A) break;
        if (ch == '\r' && i + 1 < n && data[i + 1] == '\n') continue;
        text += ch;
    }
    return text;
}

std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> out;
    std::string token;
    for (char ch : text) {
        if (ch == '=' || ch == '\n') {
            if (!token.empty()) out.push_back(token);
            token.clear();
        } else {
            token += ch;
        }
    }
    if (!token.empty()) out.push_back(token);
    return out;
}

}  // namespace fuzz
