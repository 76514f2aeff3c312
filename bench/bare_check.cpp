// Confirms that each export the Wine benchmark measures makes the same
// platform requests as its bare sequence (bare.cpp), on the simulated
// platform: the same functions in the same order with the same arguments
// (the mixer named the same way: device 0 by identifier), values and results. Heap calls are left out (the bare sequences use the
// stack). Run on a typical card and on a card shaped like Wine's device 0,
// each without and with the name file's override names.
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bare.h"
#include "bench_cases.h"
#include "bench_card.h"
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "selector/selector.h"

namespace {

struct Case {
    const char* name;
    std::function<long()> library;
    std::function<long()> bare;
};

std::string g_saved;        // the settings file as Save wrote it (bytes on disk)
bare::SetPlan g_plan;
char g_buffer[256];

std::vector<Case> Cases(const BenchFiles& files) {
    const std::string path = files.settings;
    const std::string dir = files.dir;
    return {
#define BARE_CHECK_CASE(name, how, line, op, value) \
        {#name, [] { return BENCH_CALL(how, name, value); }, BENCH_BARE(how, line, op, value)},
        BENCH_LINE_CASES(BARE_CHECK_CASE)
#undef BARE_CHECK_CASE
        {"GetPeak", [] { return GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS); },
         [] { return bare::Peak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS); }},
        {"GetMixerRecordChannels", [] { return GetMixerRecordChannels(g_buffer, sizeof g_buffer - 1); },
         [] { return bare::RecordChannels(g_buffer, sizeof g_buffer - 1); }},
        {"Save", [path] { return Save(path.c_str()); },
         [path] { return bare::SaveBytes(path.c_str(), g_saved.data(), static_cast<DWORD>(g_saved.size())); }},
        {"Set", [path] { return Set(path.c_str()); }, [path] { return bare::ApplyFile(path.c_str(), g_plan); }},
        {"ReadDigitalConfiguration", [] { return ReadDigitalConfiguration(); },
         [dir] { return bare::ReadNameFile(dir.c_str()); }},
    };
}

std::string Describe(const sim::Call& c) {
    std::ostringstream s;
    s << c.fn << " object=" << c.object << " flags=" << c.flags << " cb=" << c.cbStruct << " id=" << c.id << " source=" << c.source
      << " ch=" << c.cChannels << " items=" << c.cMultipleItems << " cbDetails=" << c.cbDetails
      << " count=" << c.count << " result=" << c.result << " values=";
    for (LONG v : c.values) s << v << ",";
    s << " text=\"" << c.text << "\"";
    return s.str();
}

std::vector<std::string> Requests() {
    std::vector<std::string> out;
    for (const sim::Call& c : sim::Log()) {
        if (c.fn == "GetProcessHeap" || c.fn == "HeapAlloc" || c.fn == "HeapFree" || c.fn == "LocalAlloc" ||
            c.fn == "LocalFree")
            continue;
        out.push_back(Describe(c));
    }
    return out;
}

// The card and the state both runs start from.
void Setup(bool wineLike, bool names) {
    sim::Reset();
    ResetLibraryState();
    bare::ResetState();
    LoadTestCard(wineLike ? "bench-wine" : "bench");
    const BenchFiles& files = PrepareBenchFiles(wineLike ? "default" : "AX200");
    if (names) {
        ReadDigitalConfiguration();
        CopyField(bare::g_settings.lineIn, g_state.LineInLineName);
        CopyField(bare::g_settings.digital, g_state.DigitalLineName);
        CopyField(bare::g_settings.digitalCD, g_state.DigitalCDLineName);
    }
    Save(files.settings.c_str());
    std::ifstream in(files.settings, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    g_saved = bytes.str();
    bare::MakeSetPlan(g_saved, &g_plan);
    sim::ClearLog();
}

}  // namespace

int main() {
    int failures = 0, checked = 0;
    for (int variant = 0; variant < 4; ++variant) {
        const bool wineLike = variant >= 2;
        const bool names = variant % 2 == 1;
        const char* card = wineLike ? "Wine-like card" : "typical card";
        Setup(wineLike, names);
        const std::vector<Case> cases = Cases(PrepareBenchFiles(wineLike ? "default" : "AX200"));
        for (const Case& c : cases) {
            Setup(wineLike, names);
            const long libraryResult = c.library();
            const std::vector<std::string> library = Requests();
            Setup(wineLike, names);
            const long bareResult = c.bare();
            const std::vector<std::string> bare = Requests();
            ++checked;
            size_t i = 0;
            while (i < library.size() && i < bare.size() && library[i] == bare[i]) ++i;
            const bool same = i == library.size() && i == bare.size();
            if (same) {
                std::printf("same  %-24s %-15s %s: %zu requests (results %ld, %ld)\n", c.name, card,
                            names ? "names" : "types", library.size(), libraryResult, bareResult);
                continue;
            }
            ++failures;
            std::printf("DIFF  %-24s %-15s %s: request %zu of %zu / %zu\n  library: %s\n  bare:    %s\n", c.name,
                        card, names ? "names" : "types", i + 1, library.size(), bare.size(),
                        i < library.size() ? library[i].c_str() : "(end)", i < bare.size() ? bare[i].c_str() : "(end)");
        }
        RemoveBenchFiles();
    }
    std::printf("%d of %d sequences the same\n", checked - failures, checked);
    return failures == 0 ? 0 : 1;
}
