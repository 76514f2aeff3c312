// The fixed cards of tests/cards/ for the suites, the fuzz targets and the
// benchmarks: each file is read and parsed once a process, and loaded into
// the simulated platform (sim_card.h) as often as wanted. The build names
// the directory (MIXER_CARDS_DIR).
#pragma once

#include "sim_card.h"

#include <map>
#include <string>

#ifndef MIXER_CARDS_DIR
#error "MIXER_CARDS_DIR names tests/cards/"
#endif

// tests/cards/NAME.json.
inline const nlohmann::json& TestCard(const std::string& name) {
    static std::map<std::string, nlohmann::json> cards;
    auto it = cards.find(name);
    if (it == cards.end())
        it = cards.emplace(name, sim::ReadJsonFile(std::string(MIXER_CARDS_DIR) + "/" + name + ".json", "card")).first;
    return it->second;
}

// Adds the card's devices after any already there; returns the first of them.
inline sim::Device& LoadTestCard(const std::string& name) {
    const size_t first = sim::Devices().size();
    sim::LoadCard(TestCard(name), name + ".json");
    return sim::Devices().at(first);
}
