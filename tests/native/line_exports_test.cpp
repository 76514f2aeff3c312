// The per-line exports: each member reaches the line, control and value its
// name promises, by component type or by override name.
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "fixture.h"
#include "test_cards.h"

#include <map>

namespace {

typedef LONG(WINAPI* SetterFn)(LONG);
typedef LONG(WINAPI* GetterFn)(void);

const DWORD kSpeakers = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
const DWORD kWaveIn = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
const DWORD kVolume = MIXERCONTROL_CONTROLTYPE_VOLUME;
const DWORD kMute = MIXERCONTROL_CONTROLTYPE_MUTE;
const DWORD kOnOff = MIXERCONTROL_CONTROLTYPE_ONOFF;

// tests/cards/binding.json: every line on both destinations, each with a
// volume, a mute and an on/off switch, plus three lines that only override
// names reach.
struct BindingCard {
    sim::Device* device;
    sim::Destination* speakers;
    sim::Destination* wavein;
    sim::Control* selector;
};

BindingCard BuildBindingCard() {
    sim::Device& device = LoadTestCard("binding");
    sim::Destination* wavein = device.FindDestination(kWaveIn);
    return {&device, device.FindDestination(kSpeakers), wavein, wavein->Find(MIXERCONTROL_CONTROLTYPE_MUX)};
}

// The control a member is expected to reach: a line of a destination (the
// destination itself when source is null) and a control type.
struct Target {
    DWORD destination;
    const char* source;
    DWORD controlType;
};

sim::Control* Resolve(BindingCard& card, const Target& t) {
    sim::Destination* d = t.destination == kSpeakers ? card.speakers : card.wavein;
    if (!t.source) return d->Find(t.controlType);
    for (sim::Line& l : d->sources)
        if (l.name == t.source) return l.Find(t.controlType);
    return nullptr;
}

enum Kind { Level, Boolean, Balance };

struct SetterRow {
    const char* name;
    SetterFn fn;
    Target byType;
    Target byName;  // with every override name set and the CD type flag on
    Kind kind;
};

#define ROW(fn, dst, src, altsrc, ctl, kind) {#fn, fn, {dst, src, ctl}, {dst, altsrc, ctl}, kind}
const SetterRow kSetters[] = {
    ROW(SetPlayLineInVolume, kSpeakers, "Line In", "Alt Line", kVolume, Level),
    ROW(SetPlayMicVolume, kSpeakers, "Microphone", "Microphone", kVolume, Level),
    ROW(SetPlayCDVolume, kSpeakers, "CD Audio", "Alt CD", kVolume, Level),
    ROW(SetPlayWaveOutVolume, kSpeakers, "Wave", "Wave", kVolume, Level),
    ROW(SetPlayAuxVolume, kSpeakers, "Aux", "Aux", kVolume, Level),
    ROW(SetPlayDigitalVolume, kSpeakers, "Digital In", "Alt Digital", kVolume, Level),
    ROW(SetPlayMainVolume, kSpeakers, nullptr, nullptr, kVolume, Level),
    ROW(SetRecLineInVolume, kWaveIn, "Line In", "Alt Line", kVolume, Level),
    ROW(SetRecMicVolume, kWaveIn, "Microphone", "Microphone", kVolume, Level),
    ROW(SetRecCDVolume, kWaveIn, "CD Audio", "Alt CD", kVolume, Level),
    ROW(SetRecWaveOutVolume, kWaveIn, "Wave", "Wave", kVolume, Level),
    ROW(SetRecAuxVolume, kWaveIn, "Aux", "Aux", kVolume, Level),
    ROW(SetRecDigitalVolume, kWaveIn, "Digital In", "Alt Digital", kVolume, Level),
    ROW(SetRecAnalogVolume, kWaveIn, "Analog", "Analog", kVolume, Level),
    ROW(SetPlayLineInBalance, kSpeakers, "Line In", "Alt Line", kVolume, Balance),
    ROW(SetRecLineInBalance, kWaveIn, "Line In", "Alt Line", kVolume, Balance),
    ROW(SetPlayMainBalance, kSpeakers, nullptr, nullptr, kVolume, Balance),
    ROW(SetPlayLineInMute, kSpeakers, "Line In", "Alt Line", kMute, Boolean),
    ROW(SetPlayMicMute, kSpeakers, "Microphone", "Microphone", kMute, Boolean),
    ROW(SetPlayCDMute, kSpeakers, "CD Audio", "Alt CD", kMute, Boolean),
    ROW(SetPlayWaveOutMute, kSpeakers, "Wave", "Wave", kMute, Boolean),
    ROW(SetPlayAuxMute, kSpeakers, "Aux", "Aux", kMute, Boolean),
    ROW(SetPlayMainMute, kSpeakers, nullptr, nullptr, kMute, Boolean),
    ROW(SetRecLineInMute, kWaveIn, "Line In", "Alt Line", kMute, Boolean),
    ROW(SetRecMicMute, kWaveIn, "Microphone", "Microphone", kMute, Boolean),
    ROW(SetRecCDMute, kWaveIn, "CD Audio", "Alt CD", kMute, Boolean),
    ROW(SetRecWaveOutMute, kWaveIn, "Wave", "Wave", kMute, Boolean),
    ROW(SetRecAuxMute, kWaveIn, "Aux", "Aux", kMute, Boolean),
    ROW(SetPlayMicBoostMode, kSpeakers, "Microphone", "Microphone", kOnOff, Boolean),
    ROW(SetRecMicBoostMode, kWaveIn, "Microphone", "Microphone", kOnOff, Boolean),
};
#undef ROW

struct GetterRow {
    const char* name;
    GetterFn fn;
    Target byType;
    Target byName;
};

#define ROW(fn, dst, src, altsrc, ctl) {#fn, fn, {dst, src, ctl}, {dst, altsrc, ctl}}
const GetterRow kGetters[] = {
    ROW(GetPlayLineInVolume, kSpeakers, "Line In", "Alt Line", kVolume),
    ROW(GetPlayMicVolume, kSpeakers, "Microphone", "Microphone", kVolume),
    ROW(GetPlayCDVolume, kSpeakers, "CD Audio", "Alt CD", kVolume),
    ROW(GetPlayWaveOutVolume, kSpeakers, "Wave", "Wave", kVolume),
    ROW(GetPlayAuxVolume, kSpeakers, "Aux", "Aux", kVolume),
    ROW(GetPlayDigitalVolume, kSpeakers, "Digital In", "Alt Digital", kVolume),
    ROW(GetPlayMainVolume, kSpeakers, nullptr, nullptr, kVolume),
    ROW(GetRecLineInVolume, kWaveIn, "Line In", "Alt Line", kVolume),
    ROW(GetRecMicVolume, kWaveIn, "Microphone", "Microphone", kVolume),
    ROW(GetRecCDVolume, kWaveIn, "CD Audio", "Alt CD", kVolume),
    ROW(GetRecWaveOutVolume, kWaveIn, "Wave", "Wave", kVolume),
    ROW(GetRecAuxVolume, kWaveIn, "Aux", "Aux", kVolume),
    ROW(GetRecDigitalVolume, kWaveIn, "Digital In", "Alt Digital", kVolume),
    ROW(GetRecAnalogVolume, kWaveIn, "Analog", "Analog", kVolume),
    ROW(GetPlayLineInMute, kSpeakers, "Line In", "Alt Line", kMute),
    ROW(GetPlayMicMute, kSpeakers, "Microphone", "Microphone", kMute),
    ROW(GetPlayCDMute, kSpeakers, "CD Audio", "Alt CD", kMute),
    ROW(GetPlayWaveOutMute, kSpeakers, "Wave", "Wave", kMute),
    ROW(GetPlayAuxMute, kSpeakers, "Aux", "Aux", kMute),
    ROW(GetPlayMainMute, kSpeakers, nullptr, nullptr, kMute),
    ROW(GetRecLineInMute, kWaveIn, "Line In", "Alt Line", kMute),
    ROW(GetRecMicMute, kWaveIn, "Microphone", "Microphone", kMute),
    ROW(GetRecCDMute, kWaveIn, "CD Audio", "Alt CD", kMute),
    ROW(GetRecWaveOutMute, kWaveIn, "Wave", "Wave", kMute),
    ROW(GetRecAuxMute, kWaveIn, "Aux", "Aux", kMute),
    ROW(GetPlayMicBoostMode, kSpeakers, "Microphone", "Microphone", kOnOff),
};
#undef ROW

struct SelectionRow {
    const char* setterName;
    GetterFn setter;  // selection setters take no argument
    GetterFn getter;
    const char* byType;  // the selector item the member reaches
    const char* byName;
};

const SelectionRow kSelections[] = {
    {"SetRecLineInSelect", SetRecLineInSelect, GetRecLineInSelect, "Line In", "Alt Line"},
    {"SetRecMicSelect", SetRecMicSelect, GetRecMicSelect, "Microphone", "Microphone"},
    {"SetRecCDSelect", SetRecCDSelect, GetRecCDSelect, "CD Audio", "Alt CD"},
    {"SetRecAuxSelect", SetRecAuxSelect, GetRecAuxSelect, "Aux", "Aux"},
    {"SetRecAnalogSelect", SetRecAnalogSelect, GetRecAnalogSelect, "Analog", "Analog"},
    {"SetRecDigitalSelect", SetRecDigitalSelect, GetRecDigitalSelect, "Digital In", "Alt Digital"},
};

void SetOverrides() {
    CopyField(g_state.LineInLineName, "Alt Line");
    CopyField(g_state.DigitalLineName, "Alt Digital");
    CopyField(g_state.DigitalCDLineName, "Alt CD");
    g_state.CDTypeDigital = 1;
}

class LineExportsTest : public SimTest {};

// Calls each setter and finds the one control that changed.
void CheckSetters(bool overrides) {
    for (const SetterRow& row : kSetters) {
        sim::Reset();
        ResetLibraryState();
        BindingCard card = BuildBindingCard();
        if (overrides) SetOverrides();
        sim::Control* target = Resolve(card, overrides ? row.byName : row.byType);
        ASSERT_NE(target, nullptr) << row.name;
        if (row.kind == Balance) target->values = {40000, 20000};
        const sim::Values before = sim::AllValues();
        const LONG value = row.kind == Level ? 23456 : row.kind == Balance ? 3 : 7;
        EXPECT_EQ(row.fn(value), 1) << row.name;
        for (const sim::ControlKey& changed : sim::ChangedControls(before, sim::AllValues()))
            EXPECT_EQ(changed.second, target->id) << row.name << " changed control " << changed.second;
        std::vector<LONG> want;
        if (row.kind == Level) want = {23456, 23456};
        if (row.kind == Balance) want = {40000, 17142};
        if (row.kind == Boolean) want = {1};
        EXPECT_EQ(target->values, want) << row.name << (overrides ? " (override names)" : "");
    }
}

TEST_F(LineExportsTest, EverySetterReachesItsLineByComponentType) { CheckSetters(false); }

TEST_F(LineExportsTest, EverySetterFollowsItsLinesOverrideRule) { CheckSetters(true); }

TEST_F(LineExportsTest, EveryGetterReadsItsLine) {
    for (bool overrides : {false, true}) {
        for (const GetterRow& row : kGetters) {
            sim::Reset();
            ResetLibraryState();
            BindingCard card = BuildBindingCard();
            if (overrides) SetOverrides();
            sim::Control* target = Resolve(card, overrides ? row.byName : row.byType);
            ASSERT_NE(target, nullptr) << row.name;
            // The target holds a value no other control of its kind holds.
            const LONG mark = row.byType.controlType == kVolume ? 12121 : 1;
            target->SetAll(mark);
            EXPECT_EQ(row.fn(), mark) << row.name << (overrides ? " (override names)" : "");
            // And reading it the other way round: every other control of the
            // kind marked, the target clear.
            for (auto& d : card.device->destinations) {
                for (auto& c : d.controls)
                    if (c.type == row.byType.controlType) c.SetAll(mark);
                for (auto& l : d.sources)
                    for (auto& c : l.controls)
                        if (c.type == row.byType.controlType) c.SetAll(mark);
            }
            target->SetAll(0);
            EXPECT_EQ(row.fn(), 0) << row.name << (overrides ? " (override names)" : "");
        }
    }
}

TEST_F(LineExportsTest, EverySelectionMemberReachesItsItem) {
    for (bool overrides : {false, true}) {
        for (const SelectionRow& row : kSelections) {
            sim::Reset();
            ResetLibraryState();
            BindingCard card = BuildBindingCard();
            if (overrides) SetOverrides();
            const char* item = overrides ? row.byName : row.byType;
            size_t index = 0;
            while (card.selector->itemTexts[index] != item) ++index;
            EXPECT_EQ(row.getter(), 0) << row.setterName;
            EXPECT_EQ(row.setter(), 1) << row.setterName;
            for (size_t i = 0; i < card.selector->itemTexts.size(); ++i)
                EXPECT_EQ(card.selector->Value(0, static_cast<DWORD>(i)), i == index ? 1 : 0)
                    << row.setterName << " item " << i;
            EXPECT_EQ(row.getter(), 1) << row.setterName;
        }
    }
}

TEST_F(LineExportsTest, CdFlagIsTestedBeforeTheName) {
    BindingCard card = BuildBindingCard();
    sim::Control* cd = Resolve(card, {kSpeakers, "CD Audio", kVolume});
    sim::Control* alt = Resolve(card, {kSpeakers, "Alt CD", kVolume});
    // Name without flag, flag without name: both by component type.
    CopyField(g_state.DigitalCDLineName, "Alt CD");
    SetPlayCDVolume(111);
    EXPECT_EQ(cd->Value(), 111);
    g_state.DigitalCDLineName[0] = '\0';
    SetCDTypeDigital(5);
    SetPlayCDVolume(222);
    EXPECT_EQ(cd->Value(), 222);
    CopyField(g_state.DigitalCDLineName, "Alt CD");
    SetPlayCDVolume(333);
    EXPECT_EQ(alt->Value(), 333);
    EXPECT_EQ(cd->Value(), 222);
}

TEST_F(LineExportsTest, ByNameCallsDoNotFallBackToComponentType) {
    BindingCard card = BuildBindingCard();
    CopyField(g_state.LineInLineName, "No Such Line");
    sim::Control* linein = Resolve(card, {kSpeakers, "Line In", kVolume});
    EXPECT_EQ(SetPlayLineInVolume(999), 1);
    EXPECT_EQ(linein->Value(), 30000);
    EXPECT_EQ(GetPlayLineInVolume(), 0);
    EXPECT_EQ(GetRecLineInSelect(), -1);
}

TEST_F(LineExportsTest, MicBoostBothSides) {
    BindingCard card = BuildBindingCard();
    sim::Control* play = Resolve(card, {kSpeakers, "Microphone", kOnOff});
    sim::Control* rec = Resolve(card, {kWaveIn, "Microphone", kOnOff});
    sim::ClearLog();
    EXPECT_EQ(SetMicBoostMode(9), 1);
    EXPECT_EQ(play->Value(), 1);
    EXPECT_EQ(rec->Value(), 1);
    // Recording side written first.
    std::vector<DWORD> written;
    for (const sim::Call& c : sim::CallsOf("mixerSetControlDetails")) written.push_back(c.id);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0], rec->id);
    EXPECT_EQ(written[1], play->id);

    EXPECT_EQ(GetMicBoostMode(), 1);
    play->SetAll(0);
    EXPECT_EQ(GetMicBoostMode(), 0);  // the second read decides
    rec->SetAll(0);
    play->SetAll(1);
    sim::ClearLog();
    EXPECT_EQ(GetMicBoostMode(), 0);
    EXPECT_EQ(sim::CountOf("mixerOpen"), 1u);  // no second read after a 0
}

TEST_F(LineExportsTest, FailedRecordingBoostReadCountsAsOn) {
    BindingCard card = BuildBindingCard();
    Resolve(card, {kSpeakers, "Microphone", kOnOff})->SetAll(1);
    Resolve(card, {kWaveIn, "Microphone", kOnOff})->flags |= MIXERCONTROL_CONTROLF_DISABLED;  // reads -1
    EXPECT_EQ(GetMicBoostMode(), 1);
}

TEST_F(LineExportsTest, CdTypeFlagAndNoOps) {
    BuildBindingCard();
    EXPECT_EQ(SetCDTypeDigital(5), 1);
    EXPECT_EQ(GetCDTypeDigital(), 5);
    EXPECT_EQ(SetCDTypeDigital(-7), 1);
    EXPECT_EQ(GetCDTypeDigital(), -7);
    sim::ClearLog();
    EXPECT_EQ(NoOpWithValue(123), 1);
    EXPECT_EQ(RepeatPlay(-1), 1);
    EXPECT_EQ(SetPlayRecMonitorMute(0), 1);
    EXPECT_EQ(SetVolume(65535), 1);
    EXPECT_EQ(RepeatPlayStop(), 1);
    EXPECT_TRUE(sim::Log().empty());
    // Three exported names of one function, as in the DLL (compared through
    // volatile pointers: a compiler may take distinct declarations for
    // distinct functions).
    typedef LONG(WINAPI * ValueFn)(LONG);
    const ValueFn volatile noOp = &NoOpWithValue;
    for (ValueFn name : {&RepeatPlay, &SetPlayRecMonitorMute, &SetVolume}) {
        const ValueFn volatile alias = name;
        EXPECT_EQ(alias, noOp);
    }
    const void* volatile stop = reinterpret_cast<const void*>(&RepeatPlayStop);
    EXPECT_NE(stop, reinterpret_cast<const void*>(noOp));
}

TEST_F(LineExportsTest, NoMixerDevice) {
    for (const SetterRow& row : kSetters) EXPECT_EQ(row.fn(5), 1) << row.name;
    for (const GetterRow& row : kGetters) EXPECT_EQ(row.fn(), -1) << row.name;
    for (const SelectionRow& row : kSelections) {
        EXPECT_EQ(row.setter(), 1) << row.setterName;
        EXPECT_EQ(row.getter(), -1) << row.setterName;
    }
    EXPECT_EQ(SetMicBoostMode(1), 1);
    EXPECT_EQ(GetMicBoostMode(), -1);
    ExpectNothingHeld();
}

}  // namespace
