// Which controls of a strip act, and what the others say, from the topology
// of cards on the simulated platform as the panel reads them; the probe of a
// line the library finds by a name from the name file; and the texts of the
// menu commands' status lines.
#include "abilities.h"
#include "core/exports.h"
#include "fixture.h"
#include "messages.h"
#include "wine_card.h"

#include <cstring>
#include <functional>
#include <set>

namespace mixerpanel {
namespace {

int StripIndex(Page page, const char* label) {
    for (int i = 0; i < kStripsPerPage; ++i)
        if (std::string(Strip(page, i).label) == label) return i;
    return -1;
}

StripAbilities AbilitiesIn(const Topology& t, Page page, const char* label, bool namesLoaded = false) {
    StripLine line;
    line.facts = t.lines[static_cast<int>(page)][StripIndex(page, label)];
    line.selector = t.selector;
    line.namesLoaded = namesLoaded;
    return AbilitiesOf(Strip(page, StripIndex(page, label)), line);
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One control: whether it acts, else a part of what it says.
void Expect(const ControlAbility& a, const char* want, const char* control) {
    SCOPED_TRACE(control);
    if (want == nullptr) {
        EXPECT_TRUE(a.acts) << a.why;
        EXPECT_EQ(a.why, "");
    } else {
        EXPECT_FALSE(a.acts);
        EXPECT_TRUE(Has(a.why, want)) << a.why;
    }
}

struct AbilityCase {
    const char* card;
    Page page;
    const char* strip;
    // null: the control acts; else a part of why it does not
    const char *fader, *mute, *balance, *boost, *select;
};

TEST(Abilities, OfTheStripsOfWinesMixersAndOfACard) {
    const char* kKeeps = "keeps no value";
    const char* kNoLine = "This mixer has no";
    const AbilityCase cases[] = {
        // Wine: the master volume has one level for both channels; the
        // wave-out source keeps nothing; the recording endpoint's microphone
        // stands in its destination's volume and mute, and has no boost and
        // no selector.
        {"wine", Page::Playback, "Main", nullptr, nullptr, "one level for all its channels", "", ""},
        {"wine", Page::Playback, "Wave", kKeeps, kKeeps, "", "", ""},
        {"wine", Page::Playback, "Line In", kNoLine, kNoLine, kNoLine, "", ""},
        {"wine", Page::Recording, "Microphone", nullptr, nullptr, "", "has no boost switch", "no recording selector"},
        {"wine", Page::Recording, "Line In", kNoLine, kNoLine, kNoLine, "", kNoLine},
        // A card: stereo levels of their own, a boost, a selector.
        {"card", Page::Playback, "Main", nullptr, nullptr, nullptr, "", ""},
        {"card", Page::Playback, "Line In", nullptr, nullptr, nullptr, "", ""},
        {"card", Page::Playback, "Microphone", nullptr, nullptr, "", nullptr, ""},
        {"card", Page::Recording, "Line In", nullptr, nullptr, nullptr, "", nullptr},
        {"card", Page::Recording, "Microphone", nullptr, nullptr, "", nullptr, nullptr},
        {"card", Page::Recording, "Wave", kNoLine, kNoLine, "", "", ""},
        {"card", Page::Playback, "Digital", kNoLine, "", "", "", ""},
    };
    for (const AbilityCase& c : cases) {
        SCOPED_TRACE(std::string(c.card) + " " + (c.page == Page::Playback ? "playback " : "recording ") + c.strip);
        sim::Reset();
        ResetLibraryState();
        if (std::string(c.card) == "wine")
            BuildWineCard();
        else
            BuildTypicalCard();
        const StripAbilities a = AbilitiesIn(ReadTopology(), c.page, c.strip);
        Expect(a.fader, c.fader, "fader");
        const StripSpec& spec = Strip(c.page, StripIndex(c.page, c.strip));
        // "": the strip has no such control; its ability is not looked at.
        const std::pair<const char*, std::pair<const ControlAbility*, const char*>> others[] = {
            {"mute", {&a.mute, c.mute}}, {"balance", {&a.balance, c.balance}}, {"boost", {&a.boost, c.boost}},
            {"select", {&a.select, c.select}}};
        const bool present[] = {*spec.muteSet != 0, *spec.balanceSet != 0, *spec.boostSet != 0, *spec.selectSet != 0};
        for (size_t k = 0; k < 4; ++k) {
            const char* want = others[k].second.second;
            EXPECT_EQ(present[k], want == nullptr || *want != 0) << others[k].first << ": the case names the strip's controls";
            if (present[k]) Expect(*others[k].second.first, want, others[k].first);
        }
    }
}

TEST(Abilities, WhatEachFactSays) {
    const StripSpec& lineIn = Strip(Page::Playback, StripIndex(Page::Playback, "Line In"));
    LineFacts stereo;
    stereo.present = stereo.hasVolume = stereo.hasMute = true;
    stereo.volumeChannels = 2;
    struct Case {
        const char* what;
        std::function<void(StripLine&)> change;
        const char *fader, *mute, *balance;
    } cases[] = {
        {"a stereo line", [](StripLine&) {}, nullptr, nullptr, nullptr},
        {"no line, names not loaded: the hint", [](StripLine& l) { l.facts.present = false; },
         "may name one (File > Load sound card names)", "This mixer has no Line In line.", "no Line In line"},
        {"no line after the name file", [](StripLine& l) { l.facts.present = false, l.namesLoaded = true; },
         "no Line In line.", "no Line In line.", "no Line In line."},
        {"a volume keeping nothing: no balance either", [](StripLine& l) { l.facts.volumeKeeps = false; },
         "keeps no value for the Line In volume", nullptr, "keeps no value for the Line In volume"},
        {"no volume control", [](StripLine& l) { l.facts.hasVolume = false; }, "has no volume control", nullptr,
         "has no volume control"},
        {"one channel", [](StripLine& l) { l.facts.volumeChannels = 1; }, nullptr, nullptr, "has one channel"},
        {"one level for two channels",
         [](StripLine& l) { l.facts.volumeUniform = true; }, nullptr, nullptr, "one level for all its channels"},
        {"found by name, channels unknown", [](StripLine& l) { l.facts.volumeChannels = 0; }, nullptr, nullptr,
         "cannot tell how many channels"},
        {"no mute", [](StripLine& l) { l.facts.hasMute = false; }, nullptr, "has no mute switch", nullptr},
        {"a mute keeping nothing", [](StripLine& l) { l.facts.muteKeeps = false; }, nullptr,
         "keeps no value for the Line In mute", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StripLine line;
        line.facts = stereo;
        c.change(line);
        const StripAbilities a = AbilitiesOf(lineIn, line);
        EXPECT_EQ(a.line, line.facts.present);
        Expect(a.fader, c.fader, "fader");
        Expect(a.mute, c.mute, "mute");
        Expect(a.balance, c.balance, "balance");
    }
    // Only the strips the name file can reach get the hint.
    StripLine absent;
    const StripAbilities aux = AbilitiesOf(Strip(Page::Playback, StripIndex(Page::Playback, "Auxiliary")), absent);
    EXPECT_EQ(aux.fader.why, "This mixer has no Auxiliary line.");
}

// ---------------------------------------------------------------------------
// The probe of a line found by name.

class ProbeTest : public SimTest {
protected:
    // Every control's values, to tell what a probe left changed.
    std::vector<std::vector<LONG>> Snapshot() {
        std::vector<std::vector<LONG>> all;
        for (const sim::Device& d : sim::Devices())
            for (const sim::Destination& destination : d.destinations) {
                for (const sim::Control& c : destination.controls) all.push_back(c.values);
                for (const sim::Line& source : destination.sources)
                    for (const sim::Control& c : source.controls) all.push_back(c.values);
            }
        return all;
    }
};

TEST_F(ProbeTest, TheNamedLineIsFoundAndItsLevelsStay) {
    const TypicalCard card = BuildTypicalCard();
    struct Case {
        const char* name;   // the line-in name of the name file
        LONG micLevel;      // the microphone source's level before
        bool keeps;
        const char* found;  // the line whose facts come back
    } cases[] = {
        {"Microphone", 30000, true, "Microphone"},
        {"Microphone", 65535, true, "Microphone"},  // at the top: the probe writes one step down
        {"Microphone", 0, true, "Microphone"},
        {"Line In", 30000, true, "Line In"},
        {"No Such Line", 30000, false, "Line In"},  // found nowhere: the line of the type's facts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(c.micLevel));
        card.speakers->FindSource(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)
            ->Find(MIXERCONTROL_CONTROLTYPE_VOLUME)
            ->SetValue(c.micLevel, 0);
        std::strcpy(g_state.LineInLineName, c.name);
        const Topology t = ReadTopology();
        const LineFacts& byType = t.lines[0][StripIndex(Page::Playback, "Line In")];
        const auto before = Snapshot();
        unsigned long writes = 0;
        const LineFacts f = ProbeNamedLine(GetPlayLineInVolume, SetPlayLineInVolume, t.sources[0], byType, &writes);
        EXPECT_EQ(Snapshot(), before) << "the probe left a level changed";
        EXPECT_EQ(writes, 2u);
        EXPECT_TRUE(f.present && f.hasVolume);
        EXPECT_EQ(f.volumeKeeps, c.keeps);
        EXPECT_EQ(f.name, c.found);
        EXPECT_EQ(f.volumeChannels, std::string(c.found) == "Microphone" ? 1 : 2);
        EXPECT_EQ(f.muteKeeps, c.keeps);
    }
}

TEST_F(ProbeTest, OnWinesMixerTheNamedLinesKeepNothing) {
    const WineCard card = BuildWineCard();
    const Topology t = ReadTopology();
    const LONG master = card.volume->Value();
    for (const char* name : {"Master Volume", ""}) {  // the wave-out source; none: by type, and there is none
        SCOPED_TRACE(name);
        std::strcpy(g_state.LineInLineName, name);
        unsigned long writes = 0;
        const LineFacts f = ProbeNamedLine(GetPlayLineInVolume, SetPlayLineInVolume, t.sources[0],
                                           t.lines[0][StripIndex(Page::Playback, "Line In")], &writes);
        EXPECT_TRUE(f.present);
        EXPECT_FALSE(f.volumeKeeps);
        EXPECT_FALSE(f.muteKeeps);
        EXPECT_EQ(card.volume->Value(), master);
        const StripAbilities a = AbilitiesOf(Strip(Page::Playback, StripIndex(Page::Playback, "Line In")),
                                             StripLine{f, false, true});
        EXPECT_TRUE(Has(a.fader.why, "keeps no value for the Line In volume")) << a.fader.why;
    }
}

TEST_F(ProbeTest, AGetterWithoutAnswerLeavesTheLineAsItsTypeSays) {
    BuildTypicalCard();
    const Topology t = ReadTopology();
    sim::FailFunction("mixerGetControlDetailsA", MMSYSERR_ERROR);
    unsigned long writes = 0;
    const LineFacts f = ProbeNamedLine(GetPlayLineInVolume, SetPlayLineInVolume, t.sources[0],
                                       t.lines[0][StripIndex(Page::Playback, "Line In")], &writes);
    sim::ClearFaults();
    EXPECT_EQ(writes, 0u);
    EXPECT_TRUE(f.volumeKeeps);
    EXPECT_EQ(f.name, "Line In");
}

// ---------------------------------------------------------------------------
// Status lines.

TEST(Messages, AFileThatHoldsNoSettings) {
    const struct {
        const char* what;
        std::string bytes;
        const char* why;  // a part of it; "" for a file that holds settings
    } cases[] = {
        {"a saved file", "[PLAY VOLUME]\r\nMAIN=40000\r\n\r\n[PLAY MUTE]\r\nMAIN=0\r\n", ""},
        {"one value amid garbage", "GIF89a\x01\x02 [PLAY VOLUME]\nMAIN=7\nrubbish", ""},
        {"before any header the section is [PLAY MUTE]", "MAIN=1", ""},
        {"empty", "", "no values at all"},
        {"headers and keys alone", "[PLAY VOLUME]\r\nMAIN=\r\n", "no values at all"},
        {"garbage", "\x89PNG\r\n\x1a\n binary", "none of its 1 value stands under a section and key"},
        {"an ini file of another program", "[Settings]\nWidth=800\nHeight=600\n", "none of its 5 values stand"},
        {"a key of no section's", "[PLAY VOLUME]\nANALOG=5\n", "none of its 1 value"},
        {"Save's marks of unread values only", "[PLAY VOLUME]\nMAIN=-1\nCD=-1\n", "only values are -1"},
        {"after Ctrl-Z nothing is read", std::string("\x1a[PLAY VOLUME]\nMAIN=5\n"), "no values at all"},
        {"past the first 4096 bytes nothing is read", std::string(4096, '=') + "[PLAY VOLUME]\nMAIN=5\n",
         "no values at all"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string why = WhyNoSettings(c.bytes);
        if (*c.why == 0)
            EXPECT_EQ(why, "");
        else
            EXPECT_TRUE(Has(why, c.why)) << why;
    }
}

TEST(Messages, CdStatusSaysWhatFailedThenTheCode) {
    const struct {
        CdCommand command;
        long result;
        const char* want;
    } cases[] = {
        {CdCommand::Open, 0, "CD: opened"},
        {CdCommand::Open, 266, "CD: no CD device could be opened (MCI error 266)"},
        {CdCommand::Play, 0, "CD: playing from track 3"},
        {CdCommand::Play, kNoCdOpen, "CD: no CD is open, nothing to play (MCI error 3075)"},
        {CdCommand::Play, 274, "CD: track 3 could not be played (MCI error 274)"},
        {CdCommand::Stop, 0, "CD: stopped"},
        {CdCommand::Stop, kNoCdOpen, "CD: no CD is open (MCI error 3075)"},
        {CdCommand::Stop, 262, "CD: the CD could not be stopped (MCI error 262)"},
        {CdCommand::Close, 0, "CD: closed"},
        {CdCommand::Close, kNoCdOpen, "CD: no CD is open (MCI error 3075)"},
        {CdCommand::Close, 263, "CD: the CD device could not be closed (MCI error 263)"},
    };
    for (const auto& c : cases) EXPECT_EQ(CdStatus(c.command, c.result, 3), c.want);
}

TEST(Messages, TheNameFileTheLibraryReads) {
    const struct {
        const char* file;
        const char* product;
        bool fits;
    } cases[] = {
        {"default.cfg", "Out: default", true},   {"AX200.cfg", "AX200 Mixer", true},
        {"ax200.cfg", "AX200 Mixer", false},     // case counts
        {"AX200 Mixer.x.cfg", "AX200 Mixer", false},  // the base ends at the last "."
        {"Mixer.cfg", "AX200 Mixer", true},      {".cfg", "anything", true},  // an empty base fits all
        {"AX200Mixer.cfg", "AX200 Mixer", false}, {"cfg", "cfg", false},      // no "." at all
    };
    for (const auto& c : cases) EXPECT_EQ(NameFileFits(c.file, c.product), c.fits) << c.file << " / " << c.product;
}

}  // namespace
}  // namespace mixerpanel
