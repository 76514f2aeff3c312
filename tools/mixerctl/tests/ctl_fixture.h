// A fresh simulated platform and library state per test.
#pragma once

#include "engine/endpoint_volume.h"
#include "mixerctl.h"
#include "core/state.h"
#include "sim.h"
#include "sim_card.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

// A run of commands in this process: its exit status and what it printed.
struct Outcome {
    int status;
    std::string out, err;
};

inline Outcome Cmd(const std::vector<std::string>& words) {
    std::ostringstream out, err;
    int status = mixerctl::RunCommands(words, out, err);
    return {status, out.str(), err.str()};
}

class CtlTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        ResetLibraryState();
        ForgetEndpointVerdict();  // a fresh process's library probes again
        char tmpl[] = "/tmp/mixerctl-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        sim::Reset();
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "could not remove " << dir_;
    }
    // A fresh platform and library with a card: mixerctl's default card, or
    // tests/cards/NAME.json.
    static void LoadNamedCard(const std::string& card) {
        sim::Reset();
        ResetLibraryState();
        ForgetEndpointVerdict();
        if (card == "default") sim::LoadCardText(mixerctl::DefaultCardText(), "default card");
        else sim::LoadCardFile(std::string(MIXER_CARDS_DIR "/") + card + ".json");
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir_;
};
