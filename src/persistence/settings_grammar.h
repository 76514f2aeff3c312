// The mixer settings file's grammar, from the per-line table: how Set reads
// a settings text into entries (section, key, value), and the index from a
// section and key to the row that takes the value. Save writes the same
// sections and keys (persistence/settings_file.cpp).
//
// A text is read as tokens (persistence/tokens.h). A section header or a key
// word changes the current section or key; every other token is a value for
// the current pair. Before the first header the section is "[PLAY MUTE]";
// before the first key there is no key. Header-only and free of the
// library's internals, so that a tool reads a file as Set does.
#pragma once

#include "core/line_table.h"
#include "persistence/tokens.h"

// The value "-1": the getters' failure value, which files of earlier
// versions hold where the mixer could not be read. Set restores nothing
// from it.
inline bool IsFailureMark(const Token& value) { return TokenIs(value, "-1"); }

// Calls visit(section, key, value) for every value token of the text, in
// order: `section` a Section, `key` a Key or KeyNone before the first key.
template <typename Visit>
inline void ReadSettingsEntries(const char* text, DWORD length, Visit visit) {
    int section = kFirstSection;
    int key = KeyNone;
    TokenReader reader;
    StartTokens(&reader, text, length);
    Token token;
    while (NextToken(&reader, &token)) {
        const int header = FindTokenWord(token, kSectionHeaders, SectionCount);
        if (header >= 0) {
            section = header;
            continue;
        }
        const int word = FindTokenWord(token, kKeyWords, KeyCount);
        if (word >= 0) {
            key = word;
            continue;
        }
        visit(section, key, token);
    }
}

// The row of kLineRows that a section and key hand their value to, by
// index; -1 where the pair takes no value (also for KeyNone).
struct SettingsIndex {
    signed char row[SectionCount][KeyCount + 1];
};

inline constexpr SettingsIndex MakeSettingsIndex() {
    SettingsIndex index{};
    for (int s = 0; s < SectionCount; ++s)
        for (int k = 0; k <= KeyCount; ++k) index.row[s][k] = -1;
    for (size_t i = 0; i < kLineRowCount; ++i)
        if (kLineRows[i].section != SecNone)
            index.row[kLineRows[i].section][kLineRows[i].key] = static_cast<signed char>(i);
    return index;
}

inline constexpr SettingsIndex kSettingsIndex = MakeSettingsIndex();

// The index in kLineRows of the row that takes a value under `section` and
// `key`; -1 for none.
inline int SettingsRowIndex(int section, int key) { return kSettingsIndex.row[section][key]; }
