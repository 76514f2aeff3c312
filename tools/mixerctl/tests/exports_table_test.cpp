// The export table against the .def file the build writes from mixer.h, and
// calling through it: each export's call, made from its MIXER_PFN_ type,
// passes its arguments in order and reads its buffer back.
#include "mixerctl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <stdexcept>

using namespace mixerctl;

TEST(ExportTable, HoldsEveryNameOfTheDefFileWithItsArgumentCount) {
    std::ifstream def(MIXER_DEF_FILE);
    ASSERT_TRUE(def) << MIXER_DEF_FILE;
    // "    Name = Target@Bytes @Ordinal", possibly commented out with ';'.
    const std::regex entry(R"(^;?\s*(\w+)\s*=\s*\w+@(\d+)\s+@(\d+)\s*$)");
    std::map<std::string, int> want;
    std::string line;
    while (std::getline(def, line)) {
        std::smatch m;
        if (std::regex_match(line, m, entry)) want[m[1]] = std::stoi(m[2]) / 4;
    }
    ASSERT_EQ(want.size(), 91u);
    EXPECT_EQ(Exports().size(), 91u);
    for (const auto& w : want) {
        const ExportInfo* e = FindExport(w.first);
        ASSERT_NE(e, nullptr) << w.first << " is missing from the table";
        EXPECT_EQ(e->argumentCount, w.second) << w.first;
    }
    for (const ExportInfo& e : Exports()) EXPECT_TRUE(want.count(e.name)) << e.name << " is not in the .def";
}

TEST(ExportTable, NativeBuildResolvesEveryExportAndTheThreeNoOpNamesToOneFunction) {
    for (const ExportInfo& e : Exports()) EXPECT_NE(ExportAddress(e.name), nullptr) << e.name;
    EXPECT_EQ(ExportAddress("RepeatPlay"), ExportAddress("SetVolume"));
    EXPECT_EQ(ExportAddress("RepeatPlay"), ExportAddress("SetPlayRecMonitorMute"));
    EXPECT_NE(ExportAddress("RepeatPlay"), ExportAddress("RepeatPlayStop"));
    EXPECT_EQ(ExportAddress("NoOpWithValue"), nullptr);  // not an export name
    EXPECT_EQ(ExportAddress("GetPlayMicBoostMode"), nullptr);
}

// Fakes of each signature that record what they were given.
namespace {
struct Seen {
    std::vector<long long> ints;
    std::vector<std::string> strings;
    bool nullString = false;
    const void* handle = nullptr;
    DWORD limit = 0;
} g_seen;

void Str(const char* s) {
    if (s) g_seen.strings.push_back(s);
    else g_seen.nullString = true;
}
LONG WINAPI FakeVoid() { return 42; }
LONG WINAPI FakeLong(LONG v) { g_seen.ints.push_back(v); return v + 1; }
LONG WINAPI FakeDword(DWORD v) { g_seen.ints.push_back(v); return 7; }
LONG WINAPI FakeStr(LPCSTR s) { Str(s); return 3; }
LONG WINAPI FakeBuf(LPSTR b) { std::strcpy(b, "C:\\HOST\\"); return 1; }
LONG WINAPI FakeBufLimit(LPSTR b, DWORD limit) {
    g_seen.limit = limit;
    std::strcpy(b, "Card|One|");
    return 0;
}
LONG WINAPI FakeSetMixer(DWORD t, LONG op, LONG v, LPCSTR name, LONG byName) {
    g_seen.ints = {t, op, v, byName};
    Str(name);
    return 1;
}
LONG WINAPI FakeSelectLine(LONG kind, LPCSTR name, LONG select) {
    g_seen.ints = {kind, select};
    Str(name);
    return 0;
}
LONG WINAPI FakeLocate(DWORD line, LONG v, HMIXER h, LONG op) {
    g_seen.ints = {line, v, op};
    g_seen.handle = h;
    return 5;
}
template <typename F>
AnyFn A(F f) { return reinterpret_cast<AnyFn>(f); }
}  // namespace

// Calls `name`'s entry of the table with a fake in place of the export.
CallOutcome Call(const char* name, AnyFn fake, const std::vector<std::string>& args) {
    const ExportInfo* info = FindExport(name);
    if (!info) throw std::logic_error(std::string("no export ") + name);
    return info->invoke(*info, fake, args);
}

class InvokeTest : public ::testing::Test {
protected:
    void SetUp() override { g_seen = Seen(); }
};

TEST_F(InvokeTest, IntegersPassInOrderAsThirtyTwoBitPatterns) {
    CallOutcome r = Call("SetMixer", A(FakeSetMixer), {"0x1008", "-4", "4294967295", "Line In", "1"});
    EXPECT_EQ(r.result, 1);
    EXPECT_FALSE(r.hasText);
    EXPECT_EQ(g_seen.ints, (std::vector<long long>{0x1008, -4, -1, 1}));  // 0xFFFFFFFF as a LONG
    EXPECT_EQ(g_seen.strings, (std::vector<std::string>{"Line In"}));
}

TEST_F(InvokeTest, NullAndEmptyStrings) {
    EXPECT_EQ(Call("SelectLine", A(FakeSelectLine), {"2", "@null", "1"}).result, 0);
    EXPECT_TRUE(g_seen.nullString);
    Call("SelectLine", A(FakeSelectLine), {"9", "", "0"});
    EXPECT_EQ(g_seen.strings, (std::vector<std::string>{""}));
}

TEST_F(InvokeTest, ResultsOfEachShape) {
    EXPECT_EQ(Call("OpenCD", A(FakeVoid), {}).result, 42);
    EXPECT_EQ(Call("PlayCD", A(FakeLong), {"-2147483648"}).result, -2147483647);
    EXPECT_EQ(Call("GetPeak", A(FakeDword), {"7"}).result, 7);
    EXPECT_EQ(Call("Save", A(FakeStr), {"C:\\x.ini"}).result, 3);
    EXPECT_EQ(g_seen.strings.back(), "C:\\x.ini");
    EXPECT_EQ(Call("LocateControl", A(FakeLocate), {"0xffff0000", "100", "0x1234", "2"}).result, 5);
    EXPECT_EQ(g_seen.handle, reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(g_seen.ints, (std::vector<long long>{0xffff0000LL, 100, 2}));
}

TEST_F(InvokeTest, BufferExportsGiveTheirText) {
    CallOutcome dir = Call("GetTavrinDirectory", A(FakeBuf), {});
    EXPECT_TRUE(dir.hasText);
    EXPECT_EQ(dir.text, "C:\\HOST\\");
    EXPECT_EQ(dir.result, 1);
    CallOutcome chans = Call("GetMixerRecordChannels", A(FakeBufLimit), {"12"});
    EXPECT_EQ(chans.text, "Card|One|");
    EXPECT_EQ(g_seen.limit, 12u);
    Call("GetMixerRecordChannels", A(FakeBufLimit), {});
    EXPECT_EQ(g_seen.limit, 255u);  // the default limit
}

TEST_F(InvokeTest, WrongArgumentsAreUsageErrorsAndCallNothing) {
    struct Case {
        const char* name;
        AnyFn fake;
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {"SetMixer", A(FakeSetMixer), {"1", "2", "3", "x"},
         "SetMixer: missing argument BYNAME (takes COMPONENTTYPE OP VALUE NAME BYNAME)"},
        {"SetMixer", A(FakeSetMixer), {"1", "2", "3", "x", "0", "9"}, "SetMixer: too many arguments"},
        {"SetMixer", A(FakeSetMixer), {"1", "two", "3", "x", "0"}, "SetMixer: OP must be a 32-bit integer, not 'two'"},
        {"PlayCD", A(FakeLong), {"4294967296"}, "TRACK must be"},  // beyond 32 bits
        {"PlayCD", A(FakeLong), {"-2147483649"}, "TRACK must be"},
        {"PlayCD", A(FakeLong), {"12abc"}, "TRACK must be"},
        {"OpenCD", A(FakeVoid), {"1"}, "OpenCD: too many arguments (takes none)"},
        {"GetTavrinDirectory", A(FakeBuf), {"1"}, "too many arguments"},
        {"GetMixerRecordChannels", A(FakeBufLimit), {"1", "2"}, "too many arguments (takes [LIMIT])"},
        {"LocateControl", A(FakeLocate), {"1", "2", "handle", "1"}, "MIXER must be a number or 'open', not 'handle'"},
    };
    for (const Case& c : cases) {
        try {
            Call(c.name, c.fake, c.args);
            ADD_FAILURE() << c.name << " took " << c.args.size() << " arguments";
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(g_seen.ints.empty());
    EXPECT_EQ(g_seen.limit, 0u);
}

TEST(ExportTable, CommandLineArgumentsComeFromTheParameterNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"SetMixer", "COMPONENTTYPE OP VALUE NAME BYNAME"},
        {"LocateControl", "LINEID VALUE MIXER|open OP"},
        {"GetMixerRecordChannels", "[LIMIT]"},
        {"GetTavrinDirectory", ""},
        {"OpenCD", ""},
        {"SetPlayMainVolume", "VALUE"},
    };
    for (const auto& c : cases) EXPECT_EQ(CommandLineArguments(*FindExport(c.first)), c.second) << c.first;
}

TEST(IntegerText, AcceptsTheThirtyTwoBitRangeInDecimalAndHex) {
    LONG v = 0;
    EXPECT_TRUE(ParseInt32("0", &v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(ParseInt32("0xFFFF0000", &v));
    EXPECT_EQ(static_cast<DWORD>(v), 0xFFFF0000u);
    EXPECT_TRUE(ParseInt32("-0x10", &v));
    EXPECT_EQ(v, -16);
    EXPECT_TRUE(ParseInt32("+7", &v));
    EXPECT_EQ(v, 7);
    for (const char* bad : {"", "-", "0x", "1.5", " 1", "1 ", "--1", "0x1g", "99999999999999999999999"})
        EXPECT_FALSE(ParseInt32(bad, &v)) << bad;
}
