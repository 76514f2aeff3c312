// Set on a mixer settings file holding the input, on the typical card.
//
// Beyond the sanitizers, three cells of the dispatch table are checked against
// a reading of the input made here from the grammar alone: the CD type
// ("[CD]" DIGITAL), the playback microphone boost ("[ADVANCED]" MICBOOST) and
// the master mute ("[PLAY MUTE]" MAIN, the section in force before any
// header). Every mixer request the library makes must be one the mixer
// accepts (checked on the inputs that run with the call log, see
// fuzz::Logged()), and nothing may stay open.
#include "fuzz_common.h"
#include "persistence/persistence.h"
#include "settings_layout.h"

#include <cstring>

namespace {

// The sections and keys Set reads (the shared settings layout).
using settings_layout::kKeys;
using settings_layout::kSections;

int Find(const std::string& token, const char* const* words, int count) {
    for (int i = 0; i < count; ++i)
        if (token == words[i]) return i;
    return -1;
}

LONG Number(const std::string& token) {
    uint32_t n = 0;
    for (char ch : token) {
        if (ch < '0' || ch > '9') break;
        n = n * 10u + static_cast<uint32_t>(ch - '0');
    }
    return static_cast<LONG>(n);
}

struct Expected {
    bool cd = false, boost = false, mute = false;
    LONG cdValue = 0, boostValue = 0, muteValue = 0;
};

Expected Read(const std::string& text) {
    Expected e;
    int section = 2;  // "[PLAY MUTE]"
    int key = -1;
    for (const std::string& token : fuzz::Tokens(text)) {
        const int s = Find(token, kSections, 7);
        if (s >= 0) {
            section = s;
            continue;
        }
        const int k = Find(token, kKeys, 9);
        if (k >= 0) {
            key = k;
            continue;
        }
        if (key < 0 || token == "-1") continue;  // the getters' failure value: no setting
        const LONG n = Number(token);
        if (section == 6 && key == 5) e.cd = true, e.cdValue = n;
        if (section == 5 && key == 8) e.boost = true, e.boostValue = n;
        if (section == 2 && key == 6) e.mute = true, e.muteValue = n;
    }
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One card for the process: Set changes only its control values, put
    // back before each input.
    static sim::Device& card = [] () -> sim::Device& {
        sim::Reset();
        return LoadTestCard("typical");
    }();
    static const sim::Values initial = sim::AllValues();
    static sim::Control* const masterMute = card.destinations[0].Find(MIXERCONTROL_CONTROLTYPE_MUTE);
    static sim::Control* const boost = card.destinations[0].FindSource(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)
                                           ->Find(MIXERCONTROL_CONTROLTYPE_ONOFF);
    static const std::string path = fuzz::WorkDir() + "/settings.ini";
    fuzz::Begin();
    sim::RestoreValues(initial);
    fuzz::WriteFile(path, data, size);
    g_state.CDTypeDigital = 7;

    const LONG result = Set(path.c_str());

    fuzz::CheckNothingHeld();
    if (fuzz::Logged())
        for (const sim::Call& c : sim::Log())
            if (c.fn.compare(0, 5, "mixer") == 0 && c.fn != "mixerGetNumDevs") FUZZ_CHECK(c.result == 0);
    const std::string text = fuzz::TextModeRead(data, size);
    if (text.empty()) {
        FUZZ_CHECK(result == 0);
        FUZZ_CHECK(g_state.CDTypeDigital == 7);
        if (fuzz::Logged()) FUZZ_CHECK(sim::CountOf("mixerGetNumDevs") == 0);
        return 0;
    }
    FUZZ_CHECK(result == 1);
    const Expected e = Read(text);
    FUZZ_CHECK(g_state.CDTypeDigital == (e.cd ? e.cdValue : 0));
    FUZZ_CHECK(boost->Value() == (e.boost ? (e.boostValue != 0 ? 1 : 0) : 0));
    FUZZ_CHECK(masterMute->Value() == (e.mute ? (e.muteValue != 0 ? 1 : 0) : 0));
    return 0;
}
