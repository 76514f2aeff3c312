// Simulated cards as data: a JSON description of mixer devices
// (docs/card-format.md) loaded into the simulated winmm, and the state file
// that carries every control's values from one run of a program to the next.
//
// Loading is strict: an unknown field, a value of the wrong kind or out of
// its control's range, a duplicate identifier or a control acting on one it
// cannot act on is refused with a CardError naming the file (or the origin
// given), for a card read from text the line and column where the value
// starts, and the field, for example "card.json: line 12, column 21:
// devices[0].destinations[1].controls[2].type: unknown control type 'knob'",
// and text that is not JSON with its line and column. A refused card may
// have added part of itself; sim::Reset() clears it.
#pragma once

#include "sim.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>

namespace sim {

class CardError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Adds the card's devices after any already there, and sets what the card
// says of the machine (the host's directory, the preferred wave-in device,
// Wine's device identifiers and mixer handles). `origin` names the card in
// messages.
void LoadCard(const nlohmann::json& card, const std::string& origin);
void LoadCardText(const std::string& text, const std::string& origin);
// A file named as the simulated platform names files (sim_files.h); the
// message of one that cannot be read says why: "cannot read card x.json: No
// such file or directory".
void LoadCardFile(const std::string& path);

// JSON text, or a CardError "ORIGIN: line L, column C: not valid JSON: ...".
nlohmann::json ParseJson(const std::string& text, const std::string& origin);
// The JSON of a file; `what` names it in the message of one that cannot be
// read ("cannot read WHAT PATH: REASON").
nlohmann::json ReadJsonFile(const std::string& path, const std::string& what);

// Every control's values, by device (product name) and control identifier:
// {"mixerctlState": 1, "devices": [{"name": ..., "controls": [{"id": 1,
// "values": [...]}, ...]}, ...]}.
nlohmann::json CardState();
// Puts saved values back. A state that does not fit the devices there (other
// devices, unknown control identifiers, other value counts) is refused
// before any value changes.
void RestoreCardState(const nlohmann::json& state, const std::string& origin);
void SaveCardStateFile(const std::string& path);
// A missing file is the first run of a sequence: nothing changes and the
// result is false.
bool RestoreCardStateFile(const std::string& path);

// Moves every control a card marked "live" to its next reading: a level that
// drifts towards a random target, signed readings swinging either way as a
// waveform's peak does. sim::Reset() forgets the live controls.
void TickLiveMeters();
// Forgets the live controls now: they keep the readings they have.
void StopLiveMeters();

}  // namespace sim
