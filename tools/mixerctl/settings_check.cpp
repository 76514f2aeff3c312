#include "mixerctl.h"

#include "persistence/settings_grammar.h"

#include <algorithm>

namespace mixerctl {

SettingsReading ReadSettingsText(const std::string& bytes) {
    SettingsReading out;
    std::string text = bytes.substr(0, TEXT_READ_LIMIT);
    text.resize(DecodeText(&text[0], static_cast<DWORD>(text.size())));
    ReadSettingsEntries(text.data(), static_cast<DWORD>(text.size()), [&](int section, int key, const Token& token) {
        SettingsEntry e;
        e.value.assign(token.text, token.length);
        e.line = 1 + static_cast<int>(std::count(text.c_str(), token.text, '\n'));
        const std::string where = "line " + std::to_string(e.line) + ": ";
        if (key == KeyNone) return out.problems.push_back(where + "'" + e.value + "' comes before any key");
        e.section = kSectionHeaders[section];
        e.key = kKeyWords[key];
        const std::string pair = e.key + " in " + e.section;
        const int row = SettingsRowIndex(section, key);
        if (row < 0)
            return out.problems.push_back(where + pair + " is not a setting the library restores ('" + e.value + "')");
        e.path = PathOfRow(kLineRows[row]);
        e.failureMark = IsFailureMark(token);
        if (!e.failureMark) {
            const bool digits = e.value.size() <= 10 && e.value.find_first_not_of("0123456789") == std::string::npos;
            if (!digits)
                return out.problems.push_back(where + "'" + e.value + "' for " + pair + " is not a decimal number");
            e.number = std::stoll(e.value);
            if (e.number > 0x7FFFFFFFLL)
                return out.problems.push_back(where + e.value + " for " + pair + " is beyond the 32-bit range");
        }
        out.entries.push_back(e);
    });
    return out;
}

}  // namespace mixerctl
