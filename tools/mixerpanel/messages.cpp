#include "messages.h"

#include "persistence/settings_grammar.h"
#include "platform/mixer_names.h"

#include <algorithm>
#include <vector>

namespace mixerpanel {

std::string WhyNoSettings(const std::string& bytes) {
    std::vector<char> text(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), TEXT_READ_LIMIT));
    const DWORD length = DecodeText(text.data(), static_cast<DWORD>(text.size()));
    int values = 0, taken = 0, marks = 0;
    ReadSettingsEntries(text.data(), length, [&](int section, int key, const Token& value) {
        ++values;
        if (SettingsRowIndex(section, key) < 0) return;
        ++taken;
        if (IsFailureMark(value)) ++marks;
    });
    if (values == 0) return "it holds no values at all.";
    if (taken == 0)
        return "none of its " + std::to_string(values) + (values == 1 ? " value stands" : " values stand") +
               " under a section and key that a settings file has (such as MAIN= under [PLAY VOLUME]).";
    if (marks == taken)
        return "its only values are -1, which a settings file holds where the mixer could not be read when it "
               "was saved.";
    return "";
}

std::string CdStatus(CdCommand command, long result, int track, const std::string& text) {
    const std::string code =
        " (MCI error " + std::to_string(result) + ": " + (text.empty() ? mixer_names::MciErrorWords(result) : text) + ")";
    const std::string trackText = "track " + std::to_string(track);
    if (result == 0) {
        switch (command) {
        case CdCommand::Open: return "CD: opened";
        case CdCommand::Play: return "CD: playing from " + trackText;
        case CdCommand::Stop: return "CD: stopped";
        case CdCommand::Close: return "CD: closed";
        }
    }
    switch (command) {
    case CdCommand::Open: return "CD: no CD device could be opened" + code;
    case CdCommand::Play:
        return (result == kNoCdOpen ? "CD: no CD is open, nothing to play" : "CD: " + trackText + " could not be played") +
               code;
    case CdCommand::Stop: return (result == kNoCdOpen ? "CD: no CD is open" : "CD: the CD could not be stopped") + code;
    case CdCommand::Close:
        return (result == kNoCdOpen ? "CD: no CD is open" : "CD: the CD device could not be closed") + code;
    }
    return "CD" + code;
}

bool NameFileFits(const std::string& fileName, const std::string& product) {
    const size_t dot = fileName.rfind('.');
    return dot != std::string::npos && product.find(fileName.substr(0, dot)) != std::string::npos;
}

}  // namespace mixerpanel
