// Reads a mixer settings file as the library's Set export does, with the
// library's own grammar (persistence/settings_grammar.h), so that `restore`
// can tell what the file will do before the library applies it, and refuse a
// file that would do something other than it looks like.
#pragma once

#include "paths.h"

#include <string>
#include <vector>

namespace mixerctl {

// The bytes the library reads of a settings file.
constexpr size_t kSettingsReadLimit = 4096;

struct SettingsEntry {
    int line = 0;         // 1-based line of the value
    std::string section;  // "[PLAY VOLUME]"
    std::string key;      // "MAIN"
    std::string value;    // the value as written
    PropertyPath path;    // what the library writes it to
    long long number = 0; // the value's number (valid unless failureMark)
    bool failureMark = false;  // "-1": Save's mark of a value it could not read
};

struct SettingsReading {
    std::vector<SettingsEntry> entries;  // the values the library applies, in order
    std::vector<std::string> problems;   // "line N: ...", in order
};

// `bytes` is the file as stored. A problem is a value the library would take
// otherwise than it reads: one that is not a decimal number (other than
// Save's -1), one beyond 32 bits, one before any key, or one for a section
// and key the library does not restore.
SettingsReading ReadSettingsText(const std::string& bytes);

}  // namespace mixerctl
