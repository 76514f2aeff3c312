#include "settings_check.h"

#include "common.h"

namespace mixerctl {
namespace {

struct Section {
    const char* header;
    const char* side;      // "" for the two sections of their own
    const char* property;
};

const Section kSections[] = {
    {"[RECORD VOLUME]", "rec", "volume"}, {"[PLAY VOLUME]", "play", "volume"}, {"[PLAY MUTE]", "play", "mute"},
    {"[REC MUTE]", "rec", "mute"},        {"[REC SELECT]", "rec", "select"},   {"[ADVANCED]", "", ""},
    {"[CD]", "", ""},
};
constexpr size_t kPlayMute = 2;  // the section before the first header

struct Key {
    const char* key;
    const char* line;  // the line word of the property paths
};

const Key kKeys[] = {{"LINEIN", "linein"}, {"MIC", "mic"},         {"CD", "cd"},
                     {"AUX", "aux"},       {"ANALOG", "analog"},   {"DIGITAL", "digital"},
                     {"MAIN", "main"},     {"WAVEOUT", "waveout"}, {"MICBOOST", ""}};

// The path a section and key write to; false when the library drops values
// there.
bool PathOf(const Section& s, const Key& k, PropertyPath* out) {
    std::string path;
    if (std::string(s.header) == "[ADVANCED]") {
        if (std::string(k.key) == "MICBOOST") path = "play.mic.boost";
    } else if (std::string(s.header) == "[CD]") {
        if (std::string(k.key) == "DIGITAL") path = "cd.digital";
    } else if (k.line[0]) {
        path = std::string(s.side) + "." + k.line + "." + s.property;
    }
    if (path.empty()) return false;
    try {
        *out = ParsePath(path);
    } catch (const UsageError&) {
        return false;  // no such export: the library has no setter there either
    }
    return !out->setter.empty();
}

std::string Text(const std::string& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size() && i < kSettingsReadLimit; ++i) {
        const char ch = bytes[i];
        if (ch == '\x1a') break;
        if (ch == '\r' && i + 1 < bytes.size() && i + 1 < kSettingsReadLimit && bytes[i + 1] == '\n') continue;
        text += ch;
    }
    return text;
}

}  // namespace

SettingsReading ReadSettingsText(const std::string& bytes) {
    SettingsReading out;
    const std::string text = Text(bytes);
    const Section* section = &kSections[kPlayMute];
    const Key* key = nullptr;
    int line = 1;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '=' || text[i] == '\n') {
            if (text[i] == '\n') ++line;
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < text.size() && text[i] != '=' && text[i] != '\n') ++i;
        const std::string token = text.substr(start, i - start);
        const std::string where = "line " + std::to_string(line) + ": ";

        bool word = false;
        for (const Section& s : kSections)
            if (token == s.header) section = &s, word = true;
        for (const Key& k : kKeys)
            if (token == k.key) key = &k, word = true;
        if (word) continue;

        if (!key) {
            out.problems.push_back(where + "'" + token + "' comes before any key");
            continue;
        }
        const std::string pair = std::string(key->key) + " in " + section->header;
        SettingsEntry e;
        if (!PathOf(*section, *key, &e.path)) {
            out.problems.push_back(where + pair + " is not a setting the library restores ('" + token + "')");
            continue;
        }
        e.line = line;
        e.section = section->header;
        e.key = key->key;
        e.value = token;
        if (token == "-1") {
            e.failureMark = true;
        } else {
            bool digits = token.size() <= 10;
            for (char ch : token) digits = digits && ch >= '0' && ch <= '9';
            if (!digits) {
                out.problems.push_back(where + "'" + token + "' for " + pair + " is not a decimal number");
                continue;
            }
            e.number = std::stoll(token);
            if (e.number > 0x7FFFFFFFLL) {
                out.problems.push_back(where + token + " for " + pair + " is beyond the 32-bit range");
                continue;
            }
        }
        out.entries.push_back(e);
    }
    return out;
}

}  // namespace mixerctl
