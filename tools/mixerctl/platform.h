// What differs between the two builds of mixerctl: where the library's
// exports come from and what surrounds a run. platform_native.cpp works on a
// simulated card; platform_win32.cpp loads MIXER.DLL and uses the machine's
// mixer.
#pragma once

#include <ostream>
#include <string>

namespace mixerctl {

struct GlobalOptions {
    std::string card;   // native: card file ("" = the default card)
    std::string state;  // native: state file carried between runs
    std::string dll;    // Windows: the library to load ("" = MIXER.DLL by name)
    bool echo = false;  // print each command before running it
    bool quiet = false; // nothing on standard output
};

// True in the simulated build.
bool PlatformSimulated();
// Before the first command: natively loads the card (and the state) and runs
// the library's load-time entry; on Windows remembers which DLL to load.
void PlatformStart(const GlobalOptions& options);
// After the last command (also after a failed one): natively saves the state.
void PlatformFinish(const GlobalOptions& options);
// After each command: natively reports the message boxes the library showed.
void PlatformAfterCommand(std::ostream& err);
// Before each peak reading: natively moves the card's live meters.
void PlatformTick();
void PlatformSleep(int milliseconds);
bool PlatformStdoutIsTerminal();

// Before the first command that calls the library: on Windows loads the DLL
// and throws ToolError naming the file and where it was looked for when that
// fails; natively nothing (the library is linked in).
void PlatformLoadLibrary();
// The library's version line for --version, e.g. "MIXER.DLL 1.0.0.0
// (C:\\mixer\\MIXER.DLL)"; loads the library on Windows.
std::string PlatformLibraryVersion();
// The path mixerctl itself opens for a path the library would be given:
// natively the simulated platform's reading of it (backslashes are
// separators, mapped drives), "" when it names nothing; on Windows the path.
std::string PlatformFilePath(const std::string& path);

}  // namespace mixerctl
