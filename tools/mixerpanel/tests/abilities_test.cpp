// What the Wine test cannot reach, whose mixers have no line that keeps a
// balance, a boost or a selection, nor a named line that keeps a value: the
// controls of a card's strips act; the probe of a line found by name finds
// it and leaves every level; the settings files that hold only marks.
#include "abilities.h"
#include "core/exports.h"
#include "fixture.h"
#include "messages.h"

#include <cstring>

namespace mixerpanel {
namespace {

int StripIndex(Page page, const std::string& label) {
    for (int i = 0; i < kStripsPerPage; ++i)
        if (Strip(page, i).label == label) return i;
    return -1;
}

class CardTest : public SimTest {};

TEST_F(CardTest, EveryControlOfACardsStripsActs) {
    BuildTypicalCard();
    const Topology t = ReadTopology();
    for (Page page : {Page::Playback, Page::Recording})
        for (int i = 0; i < kStripsPerPage; ++i) {
            const StripSpec& spec = Strip(page, i);
            const StripAbilities a = AbilitiesOf(spec, StripLine{t.lines[static_cast<int>(page)][i], t.selector, false});
            SCOPED_TRACE(spec.label);
            if (!a.line) continue;  // the card lacks it (playback digital, recording wave)
            const std::pair<const ControlAbility*, bool> controls[] = {{&a.fader, true},
                                                                       {&a.mute, *spec.muteSet != 0},
                                                                       {&a.balance, *spec.balanceSet != 0},
                                                                       {&a.boost, *spec.boostSet != 0},
                                                                       {&a.select, *spec.selectSet != 0}};
            for (const auto& c : controls) {
                if (c.second) {
                    EXPECT_TRUE(c.first->acts) << c.first->why;
                }
            }
        }
}

// The mute and the boost are two switches of the line: each one's ability
// comes from its own control, whatever the other has.
TEST(AbilitiesTest, MuteAndBoostEachFromTheirOwnSwitch) {
    const struct {
        bool hasMute, muteKeeps, hasSwitch, switchKeeps;
    } cases[] = {{true, true, false, true}, {false, true, true, true}, {true, true, true, false},
                 {true, false, true, true}};
    for (const auto& c : cases) {
        StripLine line;
        line.facts.present = true;
        line.facts.hasMute = c.hasMute;
        line.facts.muteKeeps = c.muteKeeps;
        line.facts.hasSwitch = c.hasSwitch;
        line.facts.switchKeeps = c.switchKeeps;
        const StripAbilities a = AbilitiesOf(Strip(Page::Recording, StripIndex(Page::Recording, "Microphone")), line);
        SCOPED_TRACE(std::to_string(c.hasMute) + std::to_string(c.muteKeeps) + std::to_string(c.hasSwitch) +
                     std::to_string(c.switchKeeps));
        EXPECT_EQ(a.mute.acts, c.hasMute && c.muteKeeps);
        EXPECT_EQ(a.boost.acts, c.hasSwitch && c.switchKeeps);
    }
}

// Every control's values on the card, to tell what a probe left changed.
std::vector<std::vector<LONG>> Levels(const TypicalCard& card) {
    std::vector<std::vector<LONG>> all;
    for (const sim::Destination* d : {card.speakers, card.wavein})
        for (const sim::Line& source : d->sources)
            for (const sim::Control& c : source.controls) all.push_back(c.values);
    return all;
}

TEST_F(CardTest, TheNamedLineIsFoundAndEveryLevelStays) {
    const TypicalCard card = BuildTypicalCard();
    const struct {
        const char* name;  // the name file's line-in name
        LONG level;        // the named line's level before; at the top the probe writes a step down
        bool keeps;
        const char* facts;  // whose facts come back: the named line's, else the line of the type's
    } cases[] = {{"Microphone", 30000, true, "Microphone"}, {"Microphone", 65535, true, "Microphone"},
                 {"Line In", 0, true, "Line In"},          {"No Such Line", 30000, false, "Line In"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.level));
        for (sim::Line& source : card.speakers->sources)
            if (source.name == c.name) source.Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->SetValue(c.level, 0);
        std::strcpy(g_state.LineInLineName, c.name);
        const Topology t = ReadTopology();
        const auto before = Levels(card);
        unsigned long writes = 0;
        const LineFacts f = ProbeNamedLine(GetPlayLineInVolume, SetPlayLineInVolume, t.sources[0],
                                           t.lines[0][StripIndex(Page::Playback, "Line In")], &writes);
        EXPECT_EQ(Levels(card), before);
        EXPECT_EQ(writes, 2u);
        EXPECT_EQ(f.volumeKeeps, c.keeps);
        EXPECT_EQ(f.muteKeeps, c.keeps);
        EXPECT_EQ(f.name, c.facts);
        EXPECT_EQ(f.volumeChannels, std::string(c.facts) == "Microphone" ? 1 : 2);
    }
}

TEST(Messages, AFileThatHoldsNoSettings) {
    EXPECT_EQ(WhyNoSettings("MAIN=1"), "");  // before any header the section is [PLAY MUTE]
    EXPECT_NE(WhyNoSettings("[Settings]\nWidth=800\n").find("none of its 3 values stand under"), std::string::npos);
    EXPECT_NE(WhyNoSettings("[PLAY VOLUME]\nMAIN=-1\nCD=-1\n").find("only values are -1"), std::string::npos);
}

}  // namespace
}  // namespace mixerpanel

// A CD status line names its code: the platform's text, else its name.
TEST(Messages, CdStatusNamesTheCode) {
    EXPECT_EQ(mixerpanel::CdStatus(mixerpanel::CdCommand::Open, 266, 0, ""),
              "CD: no CD device could be opened (MCI error 266: cannot load driver (MCIERR_CANNOT_LOAD_DRIVER))");
    EXPECT_EQ(mixerpanel::CdStatus(mixerpanel::CdCommand::Stop, 276, 0, "The device is not ready."),
              "CD: the CD could not be stopped (MCI error 276: The device is not ready.)");
}
