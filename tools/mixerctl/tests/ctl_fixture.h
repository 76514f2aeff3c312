// A fresh simulated platform, library state and card registry per test.
#pragma once

#include "card.h"
#include "core/state.h"
#include "sim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

class CtlTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        ResetLibraryState();
        mixerctl::card::ClearLive();
        char tmpl[] = "/tmp/mixerctl-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        sim::Reset();
        mixerctl::card::ClearLive();
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "could not remove " << dir_;
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
