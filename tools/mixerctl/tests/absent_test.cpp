// What the mixer lacks is absent, never a level of 0: `get` names it and
// fails, `get` without a path leaves it out, `set` refuses it before any
// write.
#include "ctl_fixture.h"

#include "mixerctl.h"

#include <nlohmann/json.hpp>

#include <algorithm>

using namespace mixerctl;
using nlohmann::json;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Absent : public CtlTest {};

}  // namespace

TEST_F(Absent, AMissingLineOrControlReadsAbsentAndFails) {
    struct Case {
        const char* card;
        const char* path;
        const char* missing;  // in the message on standard error
    } cases[] = {
        {"default", "play.digital.volume", "mixer device 0 has no src.digital line under dst.speakers"},
        {"wine", "play.linein.mute", "mixer device 0 has no src.line line under dst.speakers"},
        {"wine", "rec.cd.volume",
         "mixer device 0 has no dst.wavein, nor has the recording endpoint's mixer (device 1) a src.compactdisc line"},
        {"wine", "rec.mic.select", "mixer device 0 has no wave-in destination, and with it no recording selector"},
        {"windows", "mic.boost", "\"Microphone\" (src.microphone line under dst.wavein of mixer device 1) has no onoff"},
        {"lone", "rec.mic.mute", "mixer device 0 has no"},
    };
    for (const Case& c : cases) {
        LoadNamedCard(c.card);
        Outcome r = Cmd({"get", "play.main.volume", c.path});
        EXPECT_EQ(r.status, kExitFailure) << c.card << " " << c.path;
        EXPECT_TRUE(Has(r.out, std::string("\n") + c.path + " = absent\n")) << r.out;
        EXPECT_TRUE(Has(r.err, std::string("get: ") + c.path + ": absent: " + c.missing)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        r = Cmd({"get", "--json", c.path});
        EXPECT_EQ(r.status, kExitFailure);
        const json row = json::parse(r.out).at(0);
        EXPECT_TRUE(row["value"].is_null()) << r.out;
        EXPECT_TRUE(Has(row.value("absent", ""), c.missing)) << r.out;
    }
}

TEST_F(Absent, GetWithoutPathsListsWhatTheMixerHas) {
    struct Case {
        const char* card;
        std::vector<std::string> has, lacks;
    } cases[] = {
        {"default", {"rec.mic.select", "play.aux.mute", "mic.boost"}, {"play.digital.volume"}},
        {"wine", {"rec.mic.volume", "play.main.mute", "cd.digital"}, {"rec.mic.select", "play.cd.volume", "mic.boost"}},
        {"windows", {"rec.linein.volume", "play.cd.mute"}, {"rec.linein.select", "rec.cd.volume"}},
        {"lone", {"play.main.volume"}, {"rec.mic.select", "play.main.mute"}},
        {"selector", {"play.main.volume"}, {"rec.linein.select"}},
    };
    for (const Case& c : cases) {
        LoadNamedCard(c.card);
        const Outcome r = Cmd({"get"});
        EXPECT_EQ(r.status, kExitOk) << c.card << ": " << r.err;
        EXPECT_FALSE(Has(r.out, "absent")) << r.out;
        for (const std::string& p : c.has) EXPECT_TRUE(Has(r.out, p + " = ")) << c.card << " " << p << "\n" << r.out;
        for (const std::string& p : c.lacks) EXPECT_FALSE(Has(r.out, p + " = ")) << c.card << " " << p;
        // Every path it shows reads as shown when asked for by name.
        const json all = json::parse(Cmd({"get", "--json"}).out);
        for (const json& row : all) {
            const Outcome one = Cmd({"get", row["path"].get<std::string>()});
            EXPECT_EQ(one.status, kExitOk) << c.card << " " << row << one.err;
            EXPECT_EQ(one.out, row["path"].get<std::string>() + " = " + row["value"].dump() + "\n");
        }
    }
}

TEST_F(Absent, SetChecksEveryPathBeforeWritingAny) {
    struct Case {
        const char* card;
        std::vector<std::string> words;
        const char* message;
    } cases[] = {
        {"default", {"set", "play.main.volume", "5", "play.digital.volume", "5"},
         "set: play.digital.volume: mixer device 0 has no src.digital line"},
        {"default", {"set", "rec.cd.select", "play.main.mute", "1", "play.digital.volume", "1"},
         "set: play.digital.volume: mixer device 0 has no src.digital line"},
        {"wine", {"set", "play.main.volume", "50%", "rec.mic.select"},
         "set: rec.mic.select: mixer device 0 has no wave-in destination, and with it no recording selector"},
        {"selector", {"set", "play.main.volume", "7", "rec.linein.select"}, "set: rec.linein.select: "},
    };
    for (const Case& c : cases) {
        LoadNamedCard(c.card);
        const json before = sim::CardState();
        const Outcome r = Cmd(c.words);
        EXPECT_EQ(r.status, kExitFailure) << c.card << " " << c.words[1];
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(Has(r.err, c.message)) << r.err;
        EXPECT_EQ(sim::CardState(), before) << c.card << " " << c.words[1];
    }
}

// A selector without an item for a line: that line's selection is absent,
// the others are there.
TEST_F(Absent, ASelectorWithoutTheLinesItem) {
    json card = json::parse(DefaultCardText());
    json& mux = card["devices"][0]["destinations"][1]["controls"][1];
    ASSERT_EQ(mux["type"], "mux");
    mux["items"].erase(mux["items"].size() - 1);  // "Digital In"
    sim::LoadCard(card, "no digital item");
    const std::string missing =
        "rec.digital.select: the recording selector has no item the library takes for the digital line "
        "(GetRecDigitalSelect gives -1)";
    Outcome r = Cmd({"get", "rec.digital.select"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.out, "rec.digital.select = absent\n");
    EXPECT_EQ(r.err, "mixerctl: get: " + missing.substr(0, 20) + "absent: " + missing.substr(20) + "\n");
    const json before = sim::CardState();
    r = Cmd({"set", "rec.digital.select"});
    EXPECT_EQ(r.err, "mixerctl: set: " + missing + "\n");
    EXPECT_EQ(sim::CardState(), before);
    r = Cmd({"get"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(Has(r.out, "\nrec.analog.select = 0\n")) << r.out;
    EXPECT_FALSE(Has(r.out, "rec.digital.select")) << r.out;
}
