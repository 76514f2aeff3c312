// Simulated cards (native build only): a JSON description of mixer devices
// loaded into the simulated winmm, the embedded default card, and the state
// file that carries a card's control values from one run to the next.
// docs/card-format.md describes the format.
#pragma once

#include "common.h"

#include <nlohmann/json.hpp>

#include <string>

namespace mixerctl {
namespace card {

// Adds the card's devices to the simulated platform (after any already
// there). `origin` names the card in error messages. Throws ToolError naming
// the offending field, e.g. "x.json: devices[0].destinations[1].type: ...".
void Load(const nlohmann::json& card, const std::string& origin);
void LoadText(const std::string& text, const std::string& origin);
void LoadFile(const std::string& path);

// The default card: a typical sound card of the era.
const char* DefaultCardText();

// Control values of every simulated device, keyed by device and control id.
nlohmann::json CaptureState();
// Puts saved values back; throws ToolError when the state does not fit the
// loaded card (other devices, unknown control ids, other value counts).
void RestoreState(const nlohmann::json& state, const std::string& origin);
void SaveStateFile(const std::string& path);
// A missing file is not an error (the first run of a sequence); returns
// whether a state was restored.
bool RestoreStateFile(const std::string& path);

// Moves every control marked "live" to its next reading (a simulated signal
// for `peak --watch`).
void TickLiveMeters();
// Forgets the live controls (when the simulated platform is reset).
void ClearLive();

}  // namespace card
}  // namespace mixerctl
