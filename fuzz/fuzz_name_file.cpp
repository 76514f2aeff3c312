// ReadDigitalConfiguration with the typical card's sound-card name file
// holding the input.
//
// Beyond the sanitizers, the three override names are checked against a
// reading of the input made here from the grammar alone (one name per
// header, a value stored only once a header and NAME have both come), and
// nothing may stay open.
#include "fuzz_common.h"
#include "persistence/persistence.h"

#include <cstring>
#include <filesystem>

namespace {

std::string Field(const std::string& value) {
    std::string s = value.substr(0, value.find('\0'));
    return s.substr(0, 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One card for the process: reading the name file changes nothing of it.
    static const bool built = [] {
        sim::Reset();
        LoadTestCard("typical");
        return true;
    }();
    (void)built;
    fuzz::Begin();
    static const std::string dir = fuzz::WorkDir() + "/cards/";
    static const bool made = std::filesystem::create_directories(dir);
    FUZZ_CHECK(made || std::filesystem::is_directory(dir));
    static const std::string file = dir + "AX200.cfg";
    fuzz::WriteFile(file, data, size);
    SetSoundCardConfigFilePath(dir.c_str());
    CopyField(g_state.DigitalLineName, "earlier");
    CopyField(g_state.LineInLineName, "earlier");

    const LONG result = ReadDigitalConfiguration();

    fuzz::CheckNothingHeld();
    const std::string text = fuzz::TextModeRead(data, size);
    FUZZ_CHECK(result == (text.empty() ? 0 : 1));
    std::string names[3];  // [DIGITAL], [DIGITALCD], [LINEIN]
    int section = -1;
    bool armed = false;
    for (const std::string& token : fuzz::Tokens(text)) {
        if (token == "[DIGITAL]") {
            section = 0;
        } else if (token == "[DIGITALCD]") {
            section = 1;
        } else if (token == "[LINEIN]") {
            section = 2;
        } else if (token == "NAME") {
            armed = true;
        } else if (section >= 0 && armed) {
            names[section] = Field(token);
            section = -1;
            armed = false;
        }
    }
    FUZZ_CHECK(std::strlen(g_state.DigitalLineName) <= 255);
    FUZZ_CHECK(names[0] == g_state.DigitalLineName);
    FUZZ_CHECK(names[1] == g_state.DigitalCDLineName);
    FUZZ_CHECK(names[2] == g_state.LineInLineName);
    return 0;
}
