// What the fuzz targets share: the platform's lean mode and the inputs that
// run with its call log, a fresh platform per input or a card kept between
// inputs, a private directory for files, a text-mode reading of the input as
// the library's text files see it, and checks that abort (a finding) when a
// rule is broken. The targets with a fixed card load the suites' typical
// card (tests/cards/typical.json, test_cards.h).
#pragma once

#include "core/state.h"
#include "sim.h"
#include "sim_files.h"
#include "sim_mci.h"
#include "test_cards.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define FUZZ_CHECK(cond)                                                                     \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)

namespace fuzz {

// Whether the current input runs with the platform's call log, so that the
// checks that read the log run: the first input of the process (so a single
// input replayed on its own is always fully checked), one input in 16 after
// it, and every input when the environment has MIXER_FUZZ_LOG=1. The others
// run lean (sim::SetCallLog(false)): the same calls, results and fault
// injection, nothing logged, several times faster. Set by Fresh() and Begin().
bool Logged();

// Back to a loaded library on an empty machine, the call log on or off as
// Logged() says.
void Fresh();

// For targets that keep their card between inputs (no sim::Reset(), which
// rebuilding the card would need): decides Logged(), switches the log and
// empties it, and brings the library back to its load-time state.
void Begin();

// A directory of this process's own (in /dev/shm when there is one), removed
// at exit.
const std::string& WorkDir();
void WriteFile(const std::string& path, const uint8_t* data, size_t size);

// Aborts unless every mixer handle, heap and local block, file, search and
// registry key the library took has been given back.
void CheckNothingHeld();

// The text a text-mode read of at most 4096 bytes delivers: CR LF becomes LF,
// a lone CR stays, a Ctrl-Z byte ends the text.
std::string TextModeRead(const uint8_t* data, size_t size);

// The tokens of a text: cut at every "=" and LF, runs of them one cut.
std::vector<std::string> Tokens(const std::string& text);

}  // namespace fuzz
