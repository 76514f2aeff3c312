// Sound-card name file (ReadDigitalConfiguration, SetSoundCardConfigFilePath)
// and the host application's directory (GetTavrinDirectory).
#include "persistence/persistence.h"
#include "persistence_fixture.h"

namespace {

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";

struct Names {
    std::string digital, digitalCD, lineIn;
    bool operator==(const Names& o) const {
        return digital == o.digital && digitalCD == o.digitalCD && lineIn == o.lineIn;
    }
};

std::ostream& operator<<(std::ostream& os, const Names& n) {
    return os << "{" << n.digital << "|" << n.digitalCD << "|" << n.lineIn << "}";
}

Names Current() { return {g_state.DigitalLineName, g_state.DigitalCDLineName, g_state.LineInLineName}; }

void FillNames() {
    CopyField(g_state.DigitalLineName, "stale 1");
    CopyField(g_state.DigitalCDLineName, "stale 2");
    CopyField(g_state.LineInLineName, "stale 3");
}

class NameFileTest : public FileTest {
protected:
    // A card with the product name, searched for in the test's directory.
    void Card(const std::string& product = "AX200 Mixer") {
        BuildTypicalCard(product);
        ASSERT_GT(SetSoundCardConfigFilePath(Path().c_str()), 0);
    }
    // The entries of the test's directory fitting "*.cfg", in the order the
    // platform's search returns them.
    std::vector<std::string> SearchOrder() {
        std::vector<std::string> out;
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA(Path("*.cfg").c_str(), &data);
        if (h == INVALID_HANDLE_VALUE) return out;
        do out.push_back(data.cFileName);
        while (FindNextFileA(h, &data));
        FindClose(h);
        return out;
    }
};

TEST_F(NameFileTest, ChoosesTheFileWhoseBaseNameOccursInTheProductName) {
    struct Case {
        const char* product;
        const char* file;
        LONG result;
    } cases[] = {
        {"AX200 Mixer", "AX200.cfg", 1},
        {"AX200 Mixer", "ax200.cfg", 0},   // case-sensitive base name
        {"AX200 Mixer", "200 M.cfg", 1},   // anywhere in the product name
        {"AX200 Mixer", "Mixer.cfg", 1},   // at its end
        {"AX200 Mixer", "r.cfg", 1},       // its last character
        {"AX200 Mixer", "AX200 Mixer.cfg", 1},  // the whole product name
        {"AX200 Mixe", "AX200 Mixer.cfg", 0},   // one character longer than it
        {"AX200 Mixer", "AX200 Mixer Pro.cfg", 0},
        {"AX200 Mixer", ".cfg", 1},        // the empty base name fits every card
        {"My Studio.Pro Card", "Studio.Pro.cfg", 1},  // base name up to the last dot
        {"Studio Pro", "Studio.Pro.cfg", 0},
        {"AX200 Mixer", "AX200.txt", 0},   // not found by the search
    };
    for (const Case& c : cases) {
        sim::Reset();
        ResetLibraryState();
        std::filesystem::remove_all(Path("set"));
        std::filesystem::create_directory(Path("set"));
        Write(std::string("set/") + c.file, "[DIGITAL]\r\nNAME=SPDIF In\r\n");
        BuildTypicalCard(c.product);
        SetSoundCardConfigFilePath(Path("set/").c_str());
        FillNames();
        EXPECT_EQ(ReadDigitalConfiguration(), c.result) << c.product << " / " << c.file;
        EXPECT_EQ(Current(), (Names{c.result ? "SPDIF In" : "", "", ""})) << c.file;
        ExpectNothingOpen();
    }
}

TEST_F(NameFileTest, FirstFittingEntryInSearchOrderWins) {
    Card();
    Write("AX200.cfg", "[LINEIN]\nNAME=from AX200\n");
    Write("AX.cfg", "[LINEIN]\nNAME=from AX\n");
    Write("Other.cfg", "[LINEIN]\nNAME=from Other\n");
    std::string first;
    for (const std::string& e : SearchOrder())
        if (first.empty() && e != "Other.cfg") first = e;
    sim::ClearLog();
    EXPECT_EQ(ReadDigitalConfiguration(), 1);
    EXPECT_EQ(Current().lineIn, "from " + first.substr(0, first.size() - 4));
    // Only the chosen file was opened, and the search was ended.
    ASSERT_EQ(sim::CountOf("CreateFileA"), 1u);
    EXPECT_EQ(sim::CallsOf("CreateFileA")[0].text, Path(first));
    EXPECT_EQ(sim::CountOf("FindClose"), 1u);
    ExpectNothingOpen();
}

TEST_F(NameFileTest, ParsesOneNamePerSectionHeader) {
    struct Case {
        const char* text;
        Names names;
    } cases[] = {
        {"[DIGITAL]\nNAME=SPDIF In\n", {"SPDIF In", "", ""}},
        {"[LINEIN]\nNAME = Line 2\n", {"", "", ""}},
        {"[DIGITAL]\nNAME=Line=In\n", {"Line", "", ""}},
        {"[DIGITAL]\nfoo\nNAME=bar\n", {"bar", "", ""}},
        {"NAME=first\n[LINEIN]\nsecond\n", {"", "", "second"}},
        {"[DIGITAL]\nNAME=A\nNAME=B\n", {"A", "", ""}},
        {"[DIGITAL]\nNAME\nSPDIF\n", {"SPDIF", "", ""}},
        {"[LINEIN]\nNAME=x\n[LINEIN]\nNAME=y\n", {"", "", "y"}},
        {"[LINEIN]\r\nNAME=Line 2\r\n[DIGITALCD]\r\nNAME=CD Digital\r\n[DIGITAL]\r\nNAME=SPDIF\r\n",
         {"SPDIF", "CD Digital", "Line 2"}},
        {"[digital]\nNAME=x\n", {"", "", ""}},
        {"[DIGITAL] \nNAME=x\n", {"", "", ""}},
        {"hello\nworld", {"", "", ""}},
        {"[DIGITAL]\nNAME=a b\tc\n\x1A[LINEIN]\nNAME=hidden\n", {"a b\tc", "", ""}},
    };
    Card();
    for (const Case& c : cases) {
        Write("AX200.cfg", c.text);
        FillNames();
        EXPECT_EQ(ReadDigitalConfiguration(), 1) << c.text;
        EXPECT_EQ(Current(), c.names) << c.text;
    }
    ExpectNothingOpen();
}

TEST_F(NameFileTest, OnlyTheFirst4096BytesAreRead) {
    Card();
    const std::string head = "[LINEIN]\nNAME=early\n";
    const std::string tail = "[DIGITAL]\nNAME=SPDIF";  // the read ends here
    std::string text = head + std::string(4096 - head.size() - tail.size() - 1, 'x') + "\n" + tail;
    ASSERT_EQ(text.size(), 4096u);
    Write("AX200.cfg", text + " In\n[DIGITALCD]\nNAME=late\n");
    EXPECT_EQ(ReadDigitalConfiguration(), 1);
    EXPECT_EQ(Current(), (Names{"SPDIF", "", "early"}));
}

TEST_F(NameFileTest, NamesLongerThan255CharactersAreCut) {
    Card();
    Write("AX200.cfg", "[DIGITAL]\nNAME=" + std::string(300, 'n') + "\n[LINEIN]\nNAME=L\n");
    EXPECT_EQ(ReadDigitalConfiguration(), 1);
    EXPECT_EQ(Current(), (Names{std::string(255, 'n'), "", "L"}));
}

TEST_F(NameFileTest, FailuresLeaveTheNamesEmpty) {
    struct Case {
        const char* what;
        void (*arrange)(NameFileTest*);
        LONG result;
    } cases[] = {
        {"no matching file", [](NameFileTest* t) { t->Write("Other.cfg", "[DIGITAL]\nNAME=x\n"); }, 0},
        {"empty file", [](NameFileTest* t) { t->Write("AX200.cfg", ""); }, 0},
        {"Ctrl-Z first", [](NameFileTest* t) { t->Write("AX200.cfg", "\x1A[DIGITAL]\nNAME=x\n"); }, 0},
        {"directory fits", [](NameFileTest* t) { std::filesystem::create_directory(t->Path("AX200.cfg")); }, 0},
        {"read error",
         [](NameFileTest* t) {
             t->Write("AX200.cfg", "[DIGITAL]\nNAME=x\n");
             sim::SetFileFaults({false, -1, -1, true});
         },
         1},
        {"no mixer",
         [](NameFileTest* t) {
             t->Write("AX200.cfg", "[DIGITAL]\nNAME=x\n");
             sim::Devices().clear();
         },
         0},
        {"no capabilities",
         [](NameFileTest* t) {
             t->Write("AX200.cfg", "[DIGITAL]\nNAME=x\n");
             sim::FailFunction("mixerGetDevCapsA", MMSYSERR_NODRIVER);
         },
         0},
        {"directory missing",
         [](NameFileTest* t) { SetSoundCardConfigFilePath(t->Path("missing/").c_str()); },
         0},
    };
    for (const Case& c : cases) {
        sim::Reset();
        ResetLibraryState();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directory(dir_);
        Card();
        c.arrange(this);
        FillNames();
        EXPECT_EQ(ReadDigitalConfiguration(), c.result) << c.what;
        EXPECT_EQ(Current(), (Names{"", "", ""})) << c.what;
        ExpectNothingOpen();
    }
}

TEST_F(NameFileTest, ARemovedFileEmptiesTheNames) {
    Card();
    Write("AX200.cfg", "[DIGITAL]\nNAME=SPDIF In\n");
    EXPECT_EQ(ReadDigitalConfiguration(), 1);
    EXPECT_EQ(Current().digital, "SPDIF In");
    std::filesystem::remove(Path("AX200.cfg"));
    EXPECT_EQ(ReadDigitalConfiguration(), 0);
    EXPECT_EQ(Current(), (Names{"", "", ""}));
}

TEST_F(NameFileTest, PrefixWithoutSeparatorSearchesTheDirectoryAbove) {
    // "D:\Cards" searches D:\ for names that begin with Cards, and the entry
    // found is opened where the search found it, in D:\ (not as the prefix
    // glued to the entry's name, D:\CardsCards.cfg, which is no file).
    BuildTypicalCard("Cards Mixer");
    sim::MapDrive('D', dir_);
    Write("Cards.cfg", "[DIGITAL]\nNAME=beside\n");
    Write("Cards/Cards.cfg", "[DIGITAL]\nNAME=inside\n");
    EXPECT_EQ(SetSoundCardConfigFilePath("D:\\Cards"), 9);
    EXPECT_EQ(ReadDigitalConfiguration(), 1);
    EXPECT_EQ(sim::CallsOf("FindFirstFileA")[0].text, "D:\\Cards*.cfg");
    EXPECT_EQ(sim::CallsOf("CreateFileA")[0].text, "D:\\Cards.cfg");
    EXPECT_EQ(Current().digital, "beside");
    EXPECT_EQ(SetSoundCardConfigFilePath("D:\\Cards\\"), 10);
    EXPECT_EQ(ReadDigitalConfiguration(), 1);
    EXPECT_EQ(Current().digital, "inside");
    ExpectNothingOpen();
}

TEST_F(NameFileTest, SetSoundCardConfigFilePathLimits) {
    EXPECT_EQ(SetSoundCardConfigFilePath("D:\\Cards\\"), 10);
    EXPECT_STREQ(g_state.SoundCardConfigFilePath, "D:\\Cards\\");
    EXPECT_EQ(SetSoundCardConfigFilePath(nullptr), 0);
    EXPECT_STREQ(g_state.SoundCardConfigFilePath, "D:\\Cards\\");
    const std::string max(255, 'p');
    EXPECT_EQ(SetSoundCardConfigFilePath(max.c_str()), 256);
    EXPECT_EQ(std::string(g_state.SoundCardConfigFilePath), max);
    // Longer than the field: refused, the prefix stays.
    EXPECT_EQ(SetSoundCardConfigFilePath(std::string(256, 'q').c_str()), 0);
    EXPECT_EQ(std::string(g_state.SoundCardConfigFilePath), max);
    EXPECT_EQ(g_state.DigitalLineName[0], '\0');  // the field after it is untouched
    EXPECT_EQ(SetSoundCardConfigFilePath(""), 1);
    EXPECT_STREQ(g_state.SoundCardConfigFilePath, "");
}

TEST_F(NameFileTest, PatternAndFullNameMustFit255Characters) {
    // A directory whose name, with a trailing '/', is `length` characters.
    auto deepDir = [this](size_t length) {
        std::string p = Path();
        std::string folder;
        while (p.size() + folder.size() < length) {
            size_t part = std::min<size_t>(100, length - p.size() - folder.size() - 1);
            folder += std::string(part, 'd') + "/";
        }
        Write(folder + "AX200.cfg", "[DIGITAL]\nNAME=deep\n");
        EXPECT_EQ((p + folder).size(), length);
        return p + folder;
    };
    struct Case {
        size_t prefix;
        LONG result;
        size_t searches, opens;
    } cases[] = {
        {246, 1, 1, 1},  // full name 255 characters
        {247, 0, 1, 0},  // full name 256: refused, not opened
        {250, 0, 1, 0},  // pattern 255 characters
        {251, 0, 0, 0},  // pattern 256: refused, nothing searched
    };
    for (const Case& c : cases) {
        sim::Reset();
        ResetLibraryState();
        BuildTypicalCard();
        ASSERT_EQ(SetSoundCardConfigFilePath(deepDir(c.prefix).c_str()), static_cast<LONG>(c.prefix + 1));
        EXPECT_EQ(ReadDigitalConfiguration(), c.result) << c.prefix;
        EXPECT_EQ(Current().digital, c.result ? "deep" : "") << c.prefix;
        EXPECT_EQ(sim::CountOf("FindFirstFileA"), c.searches) << c.prefix;
        EXPECT_EQ(sim::CountOf("CreateFileA"), c.opens) << c.prefix;
        ExpectNothingOpen();
    }
}

TEST_F(NameFileTest, EveryPlatformFailureReleasesEverything) {
    // Non-fitting entries make the search go on with FindNextFileA.
    Write("AX200.cfg", "[DIGITAL]\nNAME=SPDIF In\n");
    for (const char* other : {"One.cfg", "Two.cfg", "Three.cfg"}) Write(other, "[DIGITAL]\nNAME=x\n");
    for (bool fits : {true, false}) {
        if (!fits) std::filesystem::remove(Path("AX200.cfg"));
        int runs = ForEachPlatformFault(
            [&] {
                BuildTypicalCard();
                SetSoundCardConfigFilePath(Path().c_str());
            },
            [] { return ReadDigitalConfiguration(); },
            [&](size_t n, const sim::Call& call, LONG result) {
                EXPECT_EQ(sim::OpenFiles(), 0) << n << " " << call.fn;
                EXPECT_EQ(sim::OpenSearches(), 0) << n << " " << call.fn;
                // Only a failed read still counts as done; it stores nothing.
                const LONG want = call.fn == "ReadFile" ? 1 : 0;
                EXPECT_EQ(result, want) << n << " " << call.fn;
                EXPECT_EQ(Current(), (Names{"", "", ""})) << n << " " << call.fn;
            });
        EXPECT_GE(runs, fits ? 5 : 3);
    }
}

// ---- GetTavrinDirectory ---------------------------------------------------------

class HostDirectoryTest : public FileTest {
protected:
    LONG Get(std::string* out) {
        char buffer[300];
        std::memset(buffer, '#', sizeof buffer);
        LONG r = GetTavrinDirectory(buffer);
        EXPECT_EQ(buffer[255], '#') << "wrote beyond the caller's 255 bytes";
        buffer[299] = '\0';
        *out = buffer;
        return r;
    }
};

TEST_F(HostDirectoryTest, ReadsThePathValue) {
    struct Case {
        const char* what;
        DWORD type;
        std::string bytes;
        LONG result;
        std::string text;
    } cases[] = {
        {"string", REG_SZ, std::string("C:\\Program Files\\Tavrin\\", 25), 1, "C:\\Program Files\\Tavrin\\"},
        {"no terminator", REG_SZ, "C:\\Tavrin", 1, "C:\\Tavrin"},
        {"text ends at its first NUL", REG_SZ, std::string("C:\\A\0B", 6), 1, "C:\\A"},
        {"type ignored", REG_BINARY, "D:\\x", 1, "D:\\x"},
        {"254 characters and NUL", REG_SZ, std::string(254, 'p') + '\0', 1, std::string(254, 'p')},
        {"255 characters: no room for the terminator", REG_SZ, std::string(255, 'p'), 0, ""},
        {"256 bytes: more than offered", REG_SZ, std::string(255, 'p') + '\0', 0, ""},
    };
    for (const Case& c : cases) {
        sim::Reset();
        sim::RegSetValue(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", c.type, c.bytes);
        std::string text;
        EXPECT_EQ(Get(&text), c.result) << c.what;
        EXPECT_EQ(text, c.text) << c.what;
        ASSERT_EQ(sim::CountOf("RegQueryValueExA"), 1u);
        EXPECT_EQ(sim::CallsOf("RegQueryValueExA")[0].count, 255u) << c.what;
        ExpectNothingOpen();
    }
}

TEST_F(HostDirectoryTest, AStandardUserCanReadIt) {
    sim::RegSetString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", "C:\\Tavrin\\");
    for (REGSAM granted : {static_cast<REGSAM>(KEY_READ), static_cast<REGSAM>(KEY_QUERY_VALUE)}) {
        sim::RegGrantAccess(HKEY_LOCAL_MACHINE, kAppPathKey, granted);
        std::string text;
        EXPECT_EQ(Get(&text), 1);
        EXPECT_EQ(text, "C:\\Tavrin\\");
    }
    ExpectNothingOpen();
}

TEST_F(HostDirectoryTest, MissingKeyOrValueGivesAnEmptyBuffer) {
    std::string text;
    EXPECT_EQ(Get(&text), 0);
    EXPECT_EQ(text, "");
    sim::RegSetString(HKEY_LOCAL_MACHINE, kAppPathKey, "Other", "C:\\x\\");
    EXPECT_EQ(Get(&text), 0);
    EXPECT_EQ(text, "");
    sim::RegSetString(HKEY_CURRENT_USER, kAppPathKey, "Path", "C:\\x\\");  // not the machine's key
    sim::RegDeleteKey(HKEY_LOCAL_MACHINE, kAppPathKey);
    EXPECT_EQ(Get(&text), 0);
    ExpectNothingOpen();
}

TEST_F(HostDirectoryTest, NullBufferDoesNothing) {
    sim::RegSetString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", "C:\\Tavrin\\");
    EXPECT_EQ(GetTavrinDirectory(nullptr), 0);
    EXPECT_TRUE(sim::Log().empty());
}

TEST_F(HostDirectoryTest, EveryPlatformFailureReleasesTheKey) {
    int runs = ForEachPlatformFault(
        [] { sim::RegSetString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", "C:\\Tavrin\\"); },
        [] {
            char buffer[256] = "junk";
            LONG r = GetTavrinDirectory(buffer);
            if (r == 0) {
                EXPECT_STREQ(buffer, "");
            }
            return r;
        },
        [](size_t n, const sim::Call& call, LONG result) {
            EXPECT_EQ(result, 0) << n << " " << call.fn;
            EXPECT_EQ(sim::OpenKeys(), 0) << n << " " << call.fn;
        },
        ERROR_ACCESS_DENIED);
    EXPECT_EQ(runs, 2);
}

}  // namespace
