// The default card of the native build (tests/cards/default.json, embedded
// when the program is built): a typical sound card of the era. The
// simulated platform loads it (sim_card.h).
#pragma once

namespace mixerctl {

const char* DefaultCardText();

}  // namespace mixerctl
