// Bad input at the boundary: every export that takes a pointer gets a null
// pointer and strings of 255, 256 and 4096 characters, each in a heap block
// of exactly its size (so that a read or write one byte too far is a
// sanitizer report), and every caller's buffer is exactly as large as the
// export asks for. LocateControl also gets handles that name no open mixer.
#include "engine/engine.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "selector/selector.h"
#include "short_names.h"
#include "test_cards.h"

#include <memory>

namespace {

using namespace nlohmann::literals;

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";

// A NUL-terminated string in a heap block of exactly its size.
struct ExactString {
    explicit ExactString(const std::string& s) : block(new char[s.size() + 1]), length(s.size()) {
        std::memcpy(block.get(), s.c_str(), s.size() + 1);
    }
    const char* get() const { return block.get(); }
    std::unique_ptr<char[]> block;
    size_t length;
};

const size_t kLengths[] = {255, 256, 4096};

std::string Repeat(char ch, size_t n) { return std::string(n, ch); }

class BoundaryTest : public FileTest {};

// A typical card with one more speakers source, named with the 63 characters
// a line name can hold, and a recording selector of long item texts.
sim::Control* BuildLongNameCard() {
    nlohmann::json card = TestCard("typical");
    card["devices"][0]["name"] = Repeat('P', 31);
    nlohmann::json& sources = card["devices"][0]["destinations"][0]["sources"];
    sources.push_back({{"name", Repeat('N', 63)}, {"type", "undefined"}, {"controls", {{{"type", "volume"}, {"value", 1000}}}}});
    sim::LoadCard(card, "typical.json with a long line name");
    return sim::Devices()[0].destinations[0].sources.back().Find(kVolume);
}

TEST_F(BoundaryTest, SetMixerNames) {
    sim::Control* named = BuildLongNameCard();
    // By name: only the line's own 63 characters match; a longer name that
    // begins with them does not, nor does a null name.
    EXPECT_EQ(SetMixer(0, OpPlayVolume, 2000, nullptr, 1), 0);
    for (size_t n : kLengths) {
        ExactString name(Repeat('N', n));
        EXPECT_EQ(SetMixer(0, OpPlayVolume, 3000, name.get(), 1), 0) << n;
        // By type the name is not looked at.
        EXPECT_EQ(SetMixer(kLine, OpPlayVolume, 3000, name.get(), 0), 1) << n;
    }
    EXPECT_EQ(named->values, std::vector<LONG>({1000, 1000}));
    EXPECT_EQ(SetMixer(kLine, OpPlayVolume, 3000, nullptr, 0), 1);
    ExactString exact(Repeat('N', 63));
    EXPECT_EQ(SetMixer(0, OpPlayVolume, 4000, exact.get(), 1), 1);
    EXPECT_EQ(named->values, std::vector<LONG>({4000, 4000}));
    ExpectNothingHeld();
}

TEST_F(BoundaryTest, SelectLineNames) {
    TypicalCard card = BuildTypicalCard();
    sim::Control* mux = card.wavein->Find(MIXERCONTROL_CONTROLTYPE_MUX);
    // A name that matches no item clears a single-select selector.
    for (size_t n : kLengths) {
        mux->SetAll(0);
        mux->SetValue(1, 0, 1);
        ExactString name(Repeat('M', n));
        EXPECT_EQ(SelectLine(SrcNamed, name.get(), 1), 0) << n;
        EXPECT_EQ(mux->values, std::vector<LONG>(6, 0)) << n;
    }
    // No name at all selects nothing and keeps the selection.
    mux->SetValue(1, 0, 1);
    sim::ClearLog();
    EXPECT_EQ(SelectLine(SrcNamed, nullptr, 1), 0);
    EXPECT_EQ(mux->values, std::vector<LONG>({0, 1, 0, 0, 0, 0}));
    EXPECT_TRUE(sim::Log().empty());
    mux->SetAll(0);
    // Kinds 1 to 6 never read the name: an unterminated byte is harmless.
    std::unique_ptr<char[]> unterminated(new char[1]);
    unterminated[0] = 'x';
    EXPECT_EQ(SelectLine(SrcCD, unterminated.get(), 1), 0);
    EXPECT_EQ(mux->values, std::vector<LONG>({0, 0, 1, 0, 0, 0}));
    // Kinds outside the table match nothing.
    for (LONG kind : {0, 7, 8, -1, 10, 0x7FFFFFFF}) {
        mux->SetValue(1, 0, 3);
        EXPECT_EQ(SelectLine(kind, nullptr, 1), 0) << kind;
        EXPECT_EQ(mux->values, std::vector<LONG>(6, 0)) << kind;
    }
    ExpectNothingHeld();
}

// The listing the rules give: the product name, then each item that keeps
// the text below the limit.
std::string Listing(const std::string& product, const std::vector<std::string>& items, DWORD limit) {
    std::string text = product + "|";
    for (const std::string& item : items)
        if (text.size() + item.size() < limit) text += item + "|";
    return text;
}

TEST_F(BoundaryTest, GetMixerRecordChannelsBuffers) {
    const std::string product = Repeat('P', 31);
    std::vector<std::string> items;
    for (int i = 0; i < 100; ++i) items.push_back(Repeat(static_cast<char>('a' + i % 26), 40 + i % 24));
    nlohmann::json card = R"({"devices": [{"destinations": [{"name": "Recording", "type": "wavein",
        "controls": [{"type": "mux"}], "sources": [{"name": "Line In", "type": "line"}]}]}]})"_json;
    card["devices"][0]["name"] = product;
    card["devices"][0]["destinations"][0]["controls"][0]["items"] = items;
    sim::LoadCard(card, "a hundred long items");

    EXPECT_EQ(GetMixerRecordChannels(nullptr, 100), -1);
    ExpectNothingHeld();
    // The buffer holds the limit plus one bytes, and never fewer than 33.
    for (DWORD limit : {0u, 1u, 32u, 33u, 100u, 255u, 256u, 4096u}) {
        const size_t size = std::max<size_t>(limit + 1, 33);
        std::unique_ptr<char[]> buffer(new char[size]);
        std::memset(buffer.get(), 'x', size);
        EXPECT_EQ(GetMixerRecordChannels(buffer.get(), limit), 0) << limit;
        const std::string got(buffer.get());
        EXPECT_EQ(got, Listing(product, items, limit)) << limit;
        EXPECT_LT(got.size(), size) << limit;
        ExpectNothingHeld();
    }
    // A limit with its top bit set bounds nothing.
    const std::string all = Listing(product, items, 0xFFFFFFFFu);
    std::unique_ptr<char[]> buffer(new char[all.size() + 1]);
    EXPECT_EQ(GetMixerRecordChannels(buffer.get(), 0x80000000u), 0);
    EXPECT_EQ(std::string(buffer.get()), all);
    ExpectNothingHeld();
}

TEST_F(BoundaryTest, SaveAndSetPaths) {
    BuildTypicalCard();
    sim::MapDrive('D', dir_);
    EXPECT_EQ(Save(nullptr), 0);
    EXPECT_EQ(Set(nullptr), 0);
    EXPECT_EQ(Save(""), 0);
    EXPECT_EQ(Set(""), 0);
    ExpectNothingOpen();

    // D:\<100 a>\<100 b>\<c...>: 255 and 256 characters in all.
    const std::string folder = Repeat('a', 100) + "/" + Repeat('b', 100);
    std::filesystem::create_directories(Path(folder));
    const std::string windowsFolder = "D:\\" + Repeat('a', 100) + "\\" + Repeat('b', 100) + "\\";
    for (size_t n : kLengths) {
        const std::string file = Repeat('c', n - windowsFolder.size());
        ExactString path(windowsFolder + file);
        ASSERT_EQ(path.length, n);
        const std::string host = folder + "/" + file;
        if (n < MAX_PATH) {
            // Any path a file can have is saved to: the temporary name
            // beside it is cut to fit.
            EXPECT_EQ(Save(path.get()), 1) << n;
            EXPECT_EQ(Read(host).substr(0, 17), "[RECORD VOLUME]\r\n") << n;
            EXPECT_EQ(Set(path.get()), 1) << n;
        } else {
            EXPECT_EQ(Save(path.get()), 0);
            EXPECT_EQ(Set(path.get()), 0);
        }
        ExpectNothingOpen();
    }
    EXPECT_EQ(Entries(folder).size(), 2u);  // the two files above, no temporary left
}

TEST_F(BoundaryTest, SoundCardConfigFilePathStrings) {
    BuildTypicalCard();
    EXPECT_EQ(SetSoundCardConfigFilePath(nullptr), 0);
    ExactString start("D:\\Cards\\");
    EXPECT_EQ(SetSoundCardConfigFilePath(start.get()), 10);
    for (size_t n : kLengths) {
        ExactString path("D:\\" + Repeat('d', n - 3));
        const LONG r = SetSoundCardConfigFilePath(path.get());
        if (n == 255) {
            EXPECT_EQ(r, 256);
            EXPECT_EQ(std::string(g_state.SoundCardConfigFilePath), path.get());
            // The pattern would not fit: refused, the names left empty.
            CopyField(g_state.LineInLineName, "old");
            EXPECT_EQ(ReadDigitalConfiguration(), 0);
            EXPECT_STREQ(g_state.LineInLineName, "");
            ExpectNothingOpen();
            EXPECT_EQ(sim::CountOf("FindFirstFileA"), 0u);
        } else {
            // Too long for the field: refused, the prefix kept.
            EXPECT_EQ(r, 0) << n;
            EXPECT_EQ(std::string(g_state.SoundCardConfigFilePath).size(), 255u) << n;
        }
    }
    // A prefix of 250 characters leaves room for the pattern.
    ExactString fits("D:\\" + Repeat('e', 247));
    EXPECT_EQ(SetSoundCardConfigFilePath(fits.get()), 251);
    sim::ClearLog();
    EXPECT_EQ(ReadDigitalConfiguration(), 0);  // no such directory
    ASSERT_EQ(sim::CountOf("FindFirstFileA"), 1u);
    EXPECT_EQ(sim::CallsOf("FindFirstFileA")[0].text, std::string(fits.get()) + "*.cfg");
    ExpectNothingOpen();
}

TEST_F(BoundaryTest, GetTavrinDirectoryBuffers) {
    EXPECT_EQ(GetTavrinDirectory(nullptr), 0);
    EXPECT_EQ(sim::OpenKeys(), 0);
    struct Case {
        size_t length;  // characters of the registered directory
        bool withNul;   // stored with its terminator
        LONG result;
    } cases[] = {
        {254, true, 1},    // 255 bytes with the terminator: fits the caller's 255
        {254, false, 1},
        {255, false, 0},   // would need a 256th byte for the terminator
        {255, true, 0},    // longer than the 255 bytes offered
        {256, true, 0},
        {4096, true, 0},
    };
    for (const Case& c : cases) {
        const std::string dir = "C:\\" + Repeat('t', c.length - 3);
        sim::RegSetValue(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", REG_SZ, c.withNul ? dir + '\0' : dir);
        std::unique_ptr<char[]> buffer(new char[255]);  // the size the caller promises
        std::memset(buffer.get(), 'x', 255);
        EXPECT_EQ(GetTavrinDirectory(buffer.get()), c.result) << c.length;
        EXPECT_EQ(std::string(buffer.get()), c.result ? dir : "") << c.length;
        EXPECT_EQ(sim::OpenKeys(), 0);
    }
    // The text ends at its first NUL.
    sim::RegSetValue(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", REG_SZ, std::string("C:\\A\0junk", 9));
    char buffer[255];
    EXPECT_EQ(GetTavrinDirectory(buffer), 1);
    EXPECT_STREQ(buffer, "C:\\A");
}

TEST_F(BoundaryTest, LocateControlWithBogusHandlesAndLines) {
    TypicalCard card = BuildTypicalCard();
    sim::Line& line = card.speakers->sources[0];
    const std::vector<LONG> before = line.Find(kVolume)->values;
    // A handle that was never handed out, or is closed: the platform's error.
    HMIXER closed = nullptr;
    ASSERT_EQ(mixerOpen(&closed, 0, 0, 0, 0), MMSYSERR_NOERROR);
    mixerClose(closed);
    EXPECT_EQ(LocateControl(line.id, 100, reinterpret_cast<HMIXER>(0xDEADBEEF), OpPlayVolume), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(LocateControl(line.id, 100, closed, OpPlayVolume), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(LocateControl(line.id, 100, reinterpret_cast<HMIXER>(7), OpPlayVolume), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(line.Find(kVolume)->values, before);
    // A line identifier that names no line, and operation codes outside the table.
    HMIXER h = nullptr;
    ASSERT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
    for (DWORD bogus : {0u, 0xFFFFFFFFu, 0x7FFF0000u}) EXPECT_EQ(LocateControl(bogus, 1, h, OpPlayMute), MIXERR_INVALLINE);
    for (LONG op : {-1, 11, 14, 0x7FFFFFFF, static_cast<LONG>(0x80000000u)})
        EXPECT_EQ(LocateControl(line.id, 100, h, op), 1) << op;
    EXPECT_EQ(line.Find(kVolume)->values, before);
    mixerClose(h);
    for (DWORD type : {0u, 0xFFFFFFFFu, kSpeakers}) EXPECT_EQ(GetPeak(type), 0) << type;
    ExpectNothingHeld();
}

}  // namespace
