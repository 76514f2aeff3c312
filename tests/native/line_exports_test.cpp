// The per-line exports and the per-line table they are generated from
// (core/line_table.h): the table's rows against the rows typed here, and
// each member reaching the line, control and value its row promises, by
// component type or by override name, directly and through the settings
// file (Save's lines, Set's dispatch).
#include "core/line_table.h"
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "test_cards.h"

#include <functional>
#include <map>
#include <set>
#include <sstream>

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
// destination itself when source is null) and a control type; for a
// selection, the selector's item `source`.
struct Target {
    DWORD destination;
    const char* source;
    DWORD controlType;
};

sim::Control* Resolve(BindingCard& card, const Target& t) {
    if (t.controlType == 0) return card.selector;
    sim::Destination* d = t.destination == kSpeakers ? card.speakers : card.wavein;
    if (!t.source) return d->Find(t.controlType);
    for (sim::Line& l : d->sources)
        if (l.name == t.source) return l.Find(t.controlType);
    return nullptr;
}

size_t ItemIndex(const BindingCard& card, const char* item) {
    size_t index = 0;
    while (card.selector->itemTexts[index] != item) ++index;
    return index;
}

enum Kind { Level, Boolean, Balance, Selection, Flag };

// ---- The per-line table, typed by hand ------------------------------------------------
//
// One row a property: its setter and getter, the line and operation they
// address, the settings file's section and key, and the line of Save's file
// its value stands on (0: Save writes none); then where the members reach on
// the binding card, by component type and by override name.
struct Row {
    const char* setterName;
    SetterFn set;     // a setter taking the value
    GetterFn select;  // a selection setter
    const char* getterName;
    GetterFn get;
    LineId line;
    LONG op;
    const char* section;
    const char* key;
    int saveLine;
    Target byType;
    Target byName;  // with every override name set and the CD type flag on
    Kind kind;
};

const char kRecVolume[] = "[RECORD VOLUME]", kPlayVolume[] = "[PLAY VOLUME]", kPlayMute[] = "[PLAY MUTE]",
           kRecMute[] = "[REC MUTE]", kRecSelect[] = "[REC SELECT]", kAdvanced[] = "[ADVANCED]", kCD[] = "[CD]";

#define PAIR(set, get, line, op, sec, key, save, dst, src, alt, ctl, kind) \
    {#set, set, nullptr, #get, get, line, op, sec, key, save, {dst, src, ctl}, {dst, alt, ctl}, kind}
#define SETTER(set, line, op, dst, src, alt, ctl, kind) \
    {#set, set, nullptr, nullptr, nullptr, line, op, "", "", 0, {dst, src, ctl}, {dst, alt, ctl}, kind}
#define SELECT(set, get, line, key, save, item, alt) \
    {#set, nullptr, set, #get, get, line, OpRecSelect, kRecSelect, key, save, {kWaveIn, item, 0}, {kWaveIn, alt, 0}, Selection}
const Row kRows[] = {
    SELECT(SetRecLineInSelect, GetRecLineInSelect, LineLineIn, "LINEIN", 34, "Line In", "Alt Line"),
    PAIR(SetPlayLineInVolume, GetPlayLineInVolume, LineLineIn, OpPlayVolume, kPlayVolume, "LINEIN", 11, kSpeakers, "Line In", "Alt Line", kVolume, Level),
    PAIR(SetRecLineInVolume, GetRecLineInVolume, LineLineIn, OpRecVolume, kRecVolume, "LINEIN", 2, kWaveIn, "Line In", "Alt Line", kVolume, Level),
    PAIR(SetPlayLineInMute, GetPlayLineInMute, LineLineIn, OpPlayMute, kPlayMute, "LINEIN", 19, kSpeakers, "Line In", "Alt Line", kMute, Boolean),
    PAIR(SetRecLineInMute, GetRecLineInMute, LineLineIn, OpRecMute, kRecMute, "LINEIN", 27, kWaveIn, "Line In", "Alt Line", kMute, Boolean),
    SETTER(SetPlayLineInBalance, LineLineIn, OpPlayBalance, kSpeakers, "Line In", "Alt Line", kVolume, Balance),
    SETTER(SetRecLineInBalance, LineLineIn, OpRecBalance, kWaveIn, "Line In", "Alt Line", kVolume, Balance),
    SELECT(SetRecMicSelect, GetRecMicSelect, LineMic, "MIC", 35, "Microphone", "Microphone"),
    PAIR(SetPlayMicVolume, GetPlayMicVolume, LineMic, OpPlayVolume, kPlayVolume, "MIC", 12, kSpeakers, "Microphone", "Microphone", kVolume, Level),
    PAIR(SetRecMicVolume, GetRecMicVolume, LineMic, OpRecVolume, kRecVolume, "MIC", 3, kWaveIn, "Microphone", "Microphone", kVolume, Level),
    PAIR(SetPlayMicMute, GetPlayMicMute, LineMic, OpPlayMute, kPlayMute, "MIC", 20, kSpeakers, "Microphone", "Microphone", kMute, Boolean),
    PAIR(SetRecMicMute, GetRecMicMute, LineMic, OpRecMute, kRecMute, "MIC", 28, kWaveIn, "Microphone", "Microphone", kMute, Boolean),
    // The playback boost's getter is the library's own (GetMicBoostMode
    // reads both sides); Save writes whether it is on.
    PAIR(SetPlayMicBoostMode, GetPlayMicBoostMode, LineMic, OpPlayBoost, kAdvanced, "MICBOOST", 42, kSpeakers, "Microphone", "Microphone", kOnOff, Boolean),
    SETTER(SetRecMicBoostMode, LineMic, OpRecBoost, kWaveIn, "Microphone", "Microphone", kOnOff, Boolean),
    SELECT(SetRecCDSelect, GetRecCDSelect, LineCD, "CD", 36, "CD Audio", "Alt CD"),
    PAIR(SetPlayCDVolume, GetPlayCDVolume, LineCD, OpPlayVolume, kPlayVolume, "CD", 13, kSpeakers, "CD Audio", "Alt CD", kVolume, Level),
    PAIR(SetRecCDVolume, GetRecCDVolume, LineCD, OpRecVolume, kRecVolume, "CD", 4, kWaveIn, "CD Audio", "Alt CD", kVolume, Level),
    PAIR(SetPlayCDMute, GetPlayCDMute, LineCD, OpPlayMute, kPlayMute, "CD", 21, kSpeakers, "CD Audio", "Alt CD", kMute, Boolean),
    PAIR(SetRecCDMute, GetRecCDMute, LineCD, OpRecMute, kRecMute, "CD", 29, kWaveIn, "CD Audio", "Alt CD", kMute, Boolean),
    PAIR(SetPlayWaveOutVolume, GetPlayWaveOutVolume, LineWaveOut, OpPlayVolume, kPlayVolume, "WAVEOUT", 15, kSpeakers, "Wave", "Wave", kVolume, Level),
    PAIR(SetRecWaveOutVolume, GetRecWaveOutVolume, LineWaveOut, OpRecVolume, kRecVolume, "WAVEOUT", 6, kWaveIn, "Wave", "Wave", kVolume, Level),
    PAIR(SetPlayWaveOutMute, GetPlayWaveOutMute, LineWaveOut, OpPlayMute, kPlayMute, "WAVEOUT", 22, kSpeakers, "Wave", "Wave", kMute, Boolean),
    PAIR(SetRecWaveOutMute, GetRecWaveOutMute, LineWaveOut, OpRecMute, kRecMute, "WAVEOUT", 30, kWaveIn, "Wave", "Wave", kMute, Boolean),
    SELECT(SetRecAuxSelect, GetRecAuxSelect, LineAux, "AUX", 38, "Aux", "Aux"),
    PAIR(SetPlayAuxVolume, GetPlayAuxVolume, LineAux, OpPlayVolume, kPlayVolume, "AUX", 16, kSpeakers, "Aux", "Aux", kVolume, Level),
    PAIR(SetRecAuxVolume, GetRecAuxVolume, LineAux, OpRecVolume, kRecVolume, "AUX", 5, kWaveIn, "Aux", "Aux", kVolume, Level),
    PAIR(SetPlayAuxMute, GetPlayAuxMute, LineAux, OpPlayMute, kPlayMute, "AUX", 23, kSpeakers, "Aux", "Aux", kMute, Boolean),
    PAIR(SetRecAuxMute, GetRecAuxMute, LineAux, OpRecMute, kRecMute, "AUX", 31, kWaveIn, "Aux", "Aux", kMute, Boolean),
    SELECT(SetRecDigitalSelect, GetRecDigitalSelect, LineDigital, "DIGITAL", 39, "Digital In", "Alt Digital"),
    PAIR(SetPlayDigitalVolume, GetPlayDigitalVolume, LineDigital, OpPlayVolume, kPlayVolume, "DIGITAL", 0, kSpeakers, "Digital In", "Alt Digital", kVolume, Level),
    PAIR(SetRecDigitalVolume, GetRecDigitalVolume, LineDigital, OpRecVolume, kRecVolume, "DIGITAL", 7, kWaveIn, "Digital In", "Alt Digital", kVolume, Level),
    SELECT(SetRecAnalogSelect, GetRecAnalogSelect, LineAnalog, "ANALOG", 37, "Analog", "Analog"),
    PAIR(SetRecAnalogVolume, GetRecAnalogVolume, LineAnalog, OpRecVolume, kRecVolume, "ANALOG", 8, kWaveIn, "Analog", "Analog", kVolume, Level),
    PAIR(SetPlayMainVolume, GetPlayMainVolume, LineMain, OpMainVolume, kPlayVolume, "MAIN", 14, kSpeakers, nullptr, nullptr, kVolume, Level),
    PAIR(SetPlayMainMute, GetPlayMainMute, LineMain, OpMainMute, kPlayMute, "MAIN", 24, kSpeakers, nullptr, nullptr, kMute, Boolean),
    SETTER(SetPlayMainBalance, LineMain, OpMainBalance, kSpeakers, nullptr, nullptr, kVolume, Balance),
    // The CD-type flag reaches no line; Save writes whether it is set.
    {"SetCDTypeDigital", SetCDTypeDigital, nullptr, "GetCDTypeDigital", GetCDTypeDigital, LineNone, OpNone, kCD,
     "DIGITAL", 45, {0, nullptr, 0}, {0, nullptr, 0}, Flag},
};
#undef PAIR
#undef SETTER
#undef SELECT

const int kSaveLines = 45;

void SetOverrides() {
    CopyField(g_state.LineInLineName, "Alt Line");
    CopyField(g_state.DigitalLineName, "Alt Digital");
    CopyField(g_state.DigitalCDLineName, "Alt CD");
    g_state.CDTypeDigital = 1;
}

// The rows of one kind of member.
bool IsMixerRow(const Row& r) { return r.kind != Selection && r.kind != Flag; }

// Calls the row's setter with the value of its kind and expects the target
// to hold `want` and every other control of the card to be as it was.
void ExpectOnlyTargetWritten(sim::Control* target, const std::vector<LONG>& want,
                             const std::function<void()>& write, const std::string& what) {
    const sim::Values before = sim::AllValues();
    write();
    for (const sim::ControlKey& changed : sim::ChangedControls(before, sim::AllValues()))
        EXPECT_TRUE(target != nullptr && changed.second == target->id) << what << " changed control " << changed.second;
    if (target != nullptr) {
        EXPECT_EQ(target->values, want) << what;
    }
}

// What a row's write of its kind's value leaves in its target.
LONG ValueOf(Kind kind) { return kind == Level ? 23456 : kind == Balance ? 3 : 7; }
std::vector<LONG> WantAfterWrite(const BindingCard& card, const Row& row, const Target& t) {
    switch (row.kind) {
    case Level: return {23456, 23456};
    case Balance: return {40000, 17142};
    case Boolean: return {1};
    case Selection: {
        std::vector<LONG> want(card.selector->itemTexts.size(), 0);
        want[ItemIndex(card, t.source)] = 1;
        return want;
    }
    case Flag: break;
    }
    return {};
}

class LineExportsTest : public FileTest {};

TEST(LineTableTest, EveryRowIsAsTypedHere) {
    ASSERT_EQ(kLineRowCount, sizeof kRows / sizeof kRows[0]);
    std::set<std::string> seen;
    for (const LineRow& generated : kLineRows) {
        const Row* row = nullptr;
        for (const Row& r : kRows)
            if (std::string(r.setterName) == generated.setter) row = &r;
        ASSERT_NE(row, nullptr) << generated.setter << " is not typed here";
        SCOPED_TRACE(row->setterName);
        EXPECT_TRUE(seen.insert(row->setterName).second);
        EXPECT_STREQ(generated.getter, row->getterName);
        EXPECT_EQ(generated.line, row->line);
        EXPECT_EQ(generated.op, row->op);
        EXPECT_STREQ(generated.section == SecNone ? "" : kSectionHeaders[generated.section], row->section);
        EXPECT_STREQ(generated.key == KeyNone ? "" : kKeyWords[generated.key], row->key);
        EXPECT_EQ(generated.save != SaveNo, row->saveLine != 0);
        EXPECT_EQ(generated.kind == RowSelect, row->kind == Selection);
        EXPECT_EQ(generated.kind == RowFlag, row->kind == Flag);
        // The line's component type and the operation's destination are
        // the binding card's target's.
        if (IsMixerRow(*row)) {
            EXPECT_EQ(OpDestinationType(generated.op), row->byType.destination);
            EXPECT_EQ(OpControlType(generated.op), row->byType.controlType);
            EXPECT_EQ(OpAddressesDestination(generated.op), row->byType.source == nullptr);
        }
    }
}

// Calls each setter and finds the one control that changed.
void CheckSetters(bool overrides) {
    for (const Row& row : kRows) {
        if (row.kind == Flag) continue;
        sim::Reset();
        ResetLibraryState();
        BindingCard card = BuildBindingCard();
        if (overrides) SetOverrides();
        const Target& t = overrides ? row.byName : row.byType;
        sim::Control* target = Resolve(card, t);
        ASSERT_NE(target, nullptr) << row.setterName;
        if (row.kind == Balance) target->values = {40000, 20000};
        LONG result = 0;
        ExpectOnlyTargetWritten(
            target, WantAfterWrite(card, row, t),
            [&] { result = row.set != nullptr ? row.set(ValueOf(row.kind)) : row.select(); },
            std::string(row.setterName) + (overrides ? " (override names)" : ""));
        EXPECT_EQ(result, 1) << row.setterName;
    }
}

TEST_F(LineExportsTest, EverySetterReachesItsLineByComponentType) { CheckSetters(false); }

TEST_F(LineExportsTest, EverySetterFollowsItsLinesOverrideRule) { CheckSetters(true); }

TEST_F(LineExportsTest, EveryGetterReadsItsLine) {
    for (bool overrides : {false, true}) {
        for (const Row& row : kRows) {
            if (row.get == nullptr || !IsMixerRow(row)) continue;
            sim::Reset();
            ResetLibraryState();
            BindingCard card = BuildBindingCard();
            if (overrides) SetOverrides();
            const Target& t = overrides ? row.byName : row.byType;
            sim::Control* target = Resolve(card, t);
            ASSERT_NE(target, nullptr) << row.getterName;
            // The target holds a value no other control of its kind holds.
            const LONG mark = t.controlType == kVolume ? 12121 : 1;
            target->SetAll(mark);
            EXPECT_EQ(row.get(), mark) << row.getterName << (overrides ? " (override names)" : "");
            // And reading it the other way round: every other control of the
            // kind marked, the target clear.
            for (auto& d : card.device->destinations) {
                for (auto& c : d.controls)
                    if (c.type == t.controlType) c.SetAll(mark);
                for (auto& l : d.sources)
                    for (auto& c : l.controls)
                        if (c.type == t.controlType) c.SetAll(mark);
            }
            target->SetAll(0);
            EXPECT_EQ(row.get(), 0) << row.getterName << (overrides ? " (override names)" : "");
        }
    }
}

TEST_F(LineExportsTest, EverySelectionGetterReadsItsItem) {
    for (bool overrides : {false, true}) {
        for (const Row& row : kRows) {
            if (row.kind != Selection) continue;
            sim::Reset();
            ResetLibraryState();
            BindingCard card = BuildBindingCard();
            if (overrides) SetOverrides();
            const size_t index = ItemIndex(card, (overrides ? row.byName : row.byType).source);
            EXPECT_EQ(row.get(), 0) << row.getterName;
            card.selector->SetAll(0);
            card.selector->SetValue(1, 0, static_cast<DWORD>(index));
            EXPECT_EQ(row.get(), 1) << row.getterName << (overrides ? " (override names)" : "");
        }
    }
}

// Save writes each row's getter on the row's line: every volume marked apart,
// the switches in turn, one source selected.
TEST_F(LineExportsTest, SaveWritesEveryRowOnItsLine) {
    BindingCard card = BuildBindingCard();
    g_state.CDTypeDigital = 5;
    for (const Row& row : kRows) {
        if (row.saveLine == 0 || row.kind == Flag || row.kind == Selection) continue;
        sim::Control* target = Resolve(card, row.byType);
        target->SetAll(row.kind == Level ? 1000 + row.saveLine : row.saveLine % 2);
    }
    card.selector->SetAll(0);
    card.selector->SetValue(1, 0, static_cast<DWORD>(ItemIndex(card, "Analog")));
    ASSERT_EQ(Save(Path("mixer.ini").c_str()), 1);
    std::vector<std::string> lines;
    std::istringstream in(Read("mixer.ini"));
    for (std::string line; std::getline(in, line);) {
        ASSERT_FALSE(line.empty()) << "a line without CR LF";
        EXPECT_EQ(line.back(), '\r');
        lines.push_back(line.substr(0, line.size() - 1));
    }
    ASSERT_EQ(static_cast<int>(lines.size()), kSaveLines);
    // The rows' lines, and before each section's first row its header; every
    // other line empty.
    std::vector<std::string> want(kSaveLines);
    for (const Row& row : kRows) {
        if (row.saveLine == 0) continue;
        const LONG value = row.kind == Flag ? 1 : row.kind == Selection ? std::string(row.key) == "ANALOG"
                                                : row.kind == Level ? 1000 + row.saveLine : row.saveLine % 2;
        want[row.saveLine - 1] = std::string(row.key) + "=" + std::to_string(value);
        std::string& header = want[row.saveLine - 2];
        if (header.empty() || header[0] == '[') header = row.section;
    }
    EXPECT_EQ(lines, want);
}

// Set hands a value under every section and key to the row typed here with
// that section and key, and drops it where no row has them.
TEST_F(LineExportsTest, SetHandsEveryPairToItsRow) {
    std::set<std::string> sections, keys;
    for (const Row& row : kRows) {
        if (*row.section) sections.insert(row.section);
        if (*row.key) keys.insert(row.key);
    }
    ASSERT_EQ(sections.size(), 7u);
    ASSERT_EQ(keys.size(), 9u);
    for (const std::string& section : sections)
        for (const std::string& key : keys) {
            const Row* row = nullptr;
            for (const Row& r : kRows)
                if (section == r.section && key == r.key) row = &r;
            sim::Reset();
            ResetLibraryState();
            BindingCard card = BuildBindingCard();
            const Kind kind = row != nullptr ? row->kind : Flag;
            const LONG value = kind == Flag ? 1234 : kind == Selection ? 1 : ValueOf(kind);
            Write("mixer.ini", section + "\r\n" + key + "=" + std::to_string(value) + "\r\n");
            const std::string what = section + " " + key;
            sim::Control* target = row != nullptr && row->kind != Flag ? Resolve(card, row->byType) : nullptr;
            ExpectOnlyTargetWritten(target, row != nullptr ? WantAfterWrite(card, *row, row->byType)
                                                                 : std::vector<LONG>(),
                                    [&] { EXPECT_EQ(Set(Path("mixer.ini").c_str()), 1) << what; }, what);
            EXPECT_EQ(GetCDTypeDigital(), row != nullptr && row->kind == Flag ? 1234 : 0) << what;
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
    for (const Row& row : kRows) {
        if (row.kind == Flag) continue;
        EXPECT_EQ(row.set != nullptr ? row.set(5) : row.select(), 1) << row.setterName;
        if (row.get != nullptr) {
            EXPECT_EQ(row.get(), -1) << row.getterName;
        }
    }
    EXPECT_EQ(SetMicBoostMode(1), 1);
    EXPECT_EQ(GetMicBoostMode(), -1);
    ExpectNothingHeld();
}

}  // namespace
