#include "messages.h"

namespace mixerpanel {

std::string CdStatus(CdCommand command, long result, int track) {
    const std::string code = " (MCI error " + std::to_string(result) + ")";
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
