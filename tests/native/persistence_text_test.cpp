// The text-file layer and the tokenizer shared by both file formats.
#include "persistence/temp_name.h"
#include "persistence/text_file.h"
#include "persistence/tokens.h"
#include "persistence_fixture.h"

#include <climits>
#include <cstring>

namespace {

std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> out;
    TokenReader reader;
    StartTokens(&reader, text.data(), static_cast<DWORD>(text.size()));
    Token t;
    while (NextToken(&reader, &t)) {
        EXPECT_GT(t.length, 0u);
        out.emplace_back(t.text, t.length);
    }
    return out;
}

Token Tok(const std::string& s) { return Token{s.data(), static_cast<DWORD>(s.size())}; }

TEST(TokenizerTest, CutsAtEqualsAndLineFeedOnly) {
    using V = std::vector<std::string>;
    struct Case {
        std::string text;
        V tokens;
    } cases[] = {
        {"LINEIN=5", V{"LINEIN", "5"}},
        {"LINEIN\n5\n", V{"LINEIN", "5"}},
        {"==A=\n=\n\nB\n\n", V{"A", "B"}},
        {"NAME = Line 2", V{"NAME ", " Line 2"}},
        {"LINEIN=10=20", V{"LINEIN", "10", "20"}},
        {"a\r\nb\tc", V{"a\r", "b\tc"}},
        {"", V{}},
        {"=\n=\n", V{}},
        {std::string("x\0y=z", 5), V{std::string("x\0y", 3), "z"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST(TokenizerTest, KeywordsMatchTheWholeTokenExactly) {
    EXPECT_TRUE(TokenIs(Tok("NAME"), "NAME"));
    for (const char* other : {"NAME ", " NAME", "NAM", "NAMES", "name", "NAME\r"})
        EXPECT_FALSE(TokenIs(Tok(other), "NAME")) << other;
}

TEST(TokenizerTest, NumbersFromLeadingDigitsModulo2To32) {
    struct Case {
        const char* text;
        LONG number;
    } cases[] = {
        {"12abc", 12},
        {"abc", 0},
        {"+5", 0},
        {"-5", 0},
        {" 5", 0},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MIN},
        {"4294967295", -1},
        {"4294967297", 1},
        {"99999999999999999999", 1661992959},  // (10^20 - 1) mod 2^32
    };
    for (const Case& c : cases) EXPECT_EQ(TokenNumber(Tok(c.text)), c.number) << c.text;
}

TEST(TokenizerTest, FormatsSignedDecimal) {
    struct Case {
        LONG value;
        const char* text;
    } cases[] = {{0, "0"}, {7, "7"}, {-1, "-1"}, {1000, "1000"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
    for (const Case& c : cases) {
        char out[12];
        DWORD n = FormatNumber(c.value, out);
        EXPECT_EQ(std::string(out, n), c.text);
        if (c.value >= 0) {
            EXPECT_EQ(TokenNumber(Token{out, n}), c.value);
        }
    }
}

TEST(TokenizerTest, CopyCutsAt255Characters) {
    std::string longName(300, 'n');
    char field[MIXER_NAME_CHARS + 4];
    std::memset(field, '#', sizeof field);
    EXPECT_EQ(CopyToken(Tok(longName), field), 255u);
    EXPECT_EQ(std::string(field), std::string(255, 'n'));
    EXPECT_EQ(field[256], '#');
    EXPECT_EQ(CopyToken(Tok("SPDIF In"), field), 8u);
    EXPECT_STREQ(field, "SPDIF In");
}

class TextFileTest : public FileTest {};

TEST_F(TextFileTest, ReadsInTextMode) {
    struct Case {
        std::string disk;
        std::string text;
    } cases[] = {
        {"a\r\nb\r\n", "a\nb\n"},
        {"a\rb\n", "a\rb\n"},
        {"a\r\r\nb", "a\r\nb"},
        {"ab\x1A" "cd\r\n", "ab"},
        {"\x1A" "ab", ""},
        {"", ""},
    };
    std::vector<char> text(TEXT_READ_LIMIT + 1);
    for (const Case& c : cases) {
        Write("t.txt", c.disk);
        DWORD length = 99;
        EXPECT_EQ(ReadTextFile(Path("t.txt").c_str(), text.data(), &length), TextRead);
        EXPECT_EQ(std::string(text.data(), length), c.text);
        EXPECT_EQ(text[length], '\0');
    }
    ExpectNothingOpen();
}

TEST_F(TextFileTest, OneReadOfAtMost4096Bytes) {
    // CR LF line ends: the read takes 4096 bytes of disk, not of text.
    std::string disk = "yy";
    for (int i = 0; i < 2100; ++i) disk += "x\r\n";
    Write("big.txt", disk);
    std::vector<char> text(TEXT_READ_LIMIT + 1);
    DWORD length = 0;
    EXPECT_EQ(ReadTextFile(Path("big.txt").c_str(), text.data(), &length), TextRead);
    EXPECT_EQ(sim::CountOf("ReadFile"), 1u);
    EXPECT_EQ(sim::CallsOf("ReadFile")[0].count, static_cast<DWORD>(TEXT_READ_LIMIT));
    // "yy", 1364 whole lines, then the x and CR of the next (4096 bytes): a CR
    // that ends the read has no LF after it and is kept.
    std::string want = "yy";
    for (int i = 0; i < 1364; ++i) want += "x\n";
    want += "x\r";
    EXPECT_EQ(std::string(text.data(), length), want);
}

TEST_F(TextFileTest, ReadFailures) {
    std::vector<char> text(TEXT_READ_LIMIT + 1);
    DWORD length = 0;
    EXPECT_EQ(ReadTextFile(Path("missing").c_str(), text.data(), &length), TextOpenFailed);
    std::filesystem::create_directory(Path("d"));
    EXPECT_EQ(ReadTextFile(Path("d").c_str(), text.data(), &length), TextOpenFailed);
    Write("t.txt", "abc");
    sim::SetFileFaults({false, -1, -1, true});
    EXPECT_EQ(ReadTextFile(Path("t.txt").c_str(), text.data(), &length), TextReadFailed);
    EXPECT_EQ(length, 0u);
    ExpectNothingOpen();
}

TEST_F(TextFileTest, ReplaceWritesCrLfAndLeavesNoTemporaryFile) {
    Write("s.ini", "old contents\r\n");
    EXPECT_TRUE(ReplaceTextFile(Path("s.ini").c_str(), "A=1\n\nB\n", 7));
    EXPECT_EQ(Read("s.ini"), "A=1\r\n\r\nB\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"s.ini"});
    // One write of the whole text.
    EXPECT_EQ(sim::CountOf("WriteFile"), 1u);
    // A Windows-style path works the same.
    sim::MapDrive('E', dir_);
    EXPECT_TRUE(ReplaceTextFile("E:\\s.ini", "x\n", 2));
    EXPECT_EQ(Read("s.ini"), "x\r\n");
    ExpectNothingOpen();
}

TEST_F(TextFileTest, FailedReplaceKeepsTheOldFile) {
    const std::string old = "[CD]\r\nDIGITAL=1\r\n";
    struct Case {
        const char* what;
        sim::FileFaults faults;
        const char* failing;  // a platform function that fails, or null
    } cases[] = {
        {"write error", {true, -1, -1, false}, nullptr},
        {"disk full", {false, 5, -1, false}, nullptr},
        {"short write", {false, -1, 5, false}, nullptr},
        {"temporary file not created", {}, "CreateFileA"},
        {"write refused", {}, "WriteFile"},
        {"flush fails", {}, "FlushFileBuffers"},
        {"replace fails", {}, "MoveFileExA"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        Write("s.ini", old);
        sim::SetFileFaults(c.faults);
        if (c.failing) sim::FailFunction(c.failing, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(ReplaceTextFile(Path("s.ini").c_str(), "new\ntext\n", 9)) << c.what;
        EXPECT_EQ(Read("s.ini"), old) << c.what;
        EXPECT_EQ(Entries(), std::vector<std::string>{"s.ini"}) << c.what;
        EXPECT_EQ(sim::OpenFiles(), 0) << c.what;
        EXPECT_EQ(sim::LocalBlocks(), 0) << c.what;
    }
}

TEST_F(TextFileTest, ReplaceRefusals) {
    // No such directory; the target is a directory; a path no file can have
    // (refused before any platform call).
    EXPECT_FALSE(ReplaceTextFile(Path("nodir/s.ini").c_str(), "x\n", 2));
    std::filesystem::create_directory(Path("d"));
    EXPECT_FALSE(ReplaceTextFile(Path("d").c_str(), "x\n", 2));
    EXPECT_EQ(Entries(), std::vector<std::string>{"d"});
    sim::ClearLog();
    std::string longPath = Path(std::string(MAX_PATH - Path().size(), 's'));
    ASSERT_EQ(longPath.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_FALSE(ReplaceTextFile(longPath.c_str(), "x\n", 2));
    EXPECT_TRUE(sim::Log().empty());
    longPath.pop_back();
    EXPECT_TRUE(ReplaceTextFile(longPath.c_str(), "x\n", 2));
    ExpectNothingOpen();
}


// ---- Temporary names, leftovers and obstacles -------------------------------------

TEST(TempFileNameTest, NamesInTheTargetsDirectory) {
    char a[MAX_PATH], b[MAX_PATH];
    ASSERT_TRUE(TempFileName("C:\\Data\\mixer.ini", 0, a));
    const std::string name = a;
    EXPECT_EQ(name.size(), std::string("C:\\Data\\~12345678.tmp").size()) << name;
    EXPECT_EQ(name.compare(0, 9, "C:\\Data\\~"), 0) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    // The same name for every spelling Windows takes as the same file, in
    // every directory; another name for another file or another attempt.
    ASSERT_TRUE(TempFileName("D:/other/MIXER.INI", 0, b));
    EXPECT_EQ(std::string(b).substr(9), name.substr(8));
    ASSERT_TRUE(TempFileName("C:\\Data\\mixer.ini", 0, b));
    EXPECT_EQ(std::string(b), name);
    ASSERT_TRUE(TempFileName("C:\\Data\\mixer2.ini", 0, b));
    EXPECT_NE(std::string(b), name);
    ASSERT_TRUE(TempFileName("C:\\Data\\mixer.ini", 1, b));
    EXPECT_NE(std::string(b), name);
    // Relative and drive-relative targets keep their directory too.
    ASSERT_TRUE(TempFileName("mixer.ini", 0, b));
    EXPECT_EQ(std::string(b), name.substr(8));
    ASSERT_TRUE(TempFileName("C:mixer.ini", 0, b));
    EXPECT_EQ(std::string(b), "C:" + name.substr(8));
    // No file name, or no path a file can have.
    for (const std::string& bad : {std::string(""), std::string("C:\\Data\\"), std::string("C:"),
                                   std::string("C:\\Data/"), "C:\\" + std::string(MAX_PATH - 3, 'x')})
        EXPECT_FALSE(TempFileName(bad.c_str(), 0, b)) << bad;
    EXPECT_FALSE(TempFileName(nullptr, 0, b));
}

TEST_F(TextFileTest, EveryPathAFileCanHaveIsReplaced) {
    // Paths of 250 to 259 characters whose file names are 1 to 40 characters
    // long: the temporary names are cut to the room the directory leaves.
    for (size_t total = 250; total < MAX_PATH; ++total)
        for (size_t nameLength : {1, 2, 5, 12, 13, 40}) {
            const std::string folder(total - nameLength - Path().size() - 1, 'f');
            const std::string name(nameLength, 'n');
            std::filesystem::create_directory(Path(folder));
            const std::string target = Path(folder + "/" + name);
            ASSERT_EQ(target.size(), total);
            for (int attempt = 0; attempt < TEMP_NAME_TRIES; ++attempt) {
                char temp[MAX_PATH];
                ASSERT_TRUE(TempFileName(target.c_str(), attempt, temp));
                EXPECT_LT(std::strlen(temp), static_cast<size_t>(MAX_PATH));
                EXPECT_EQ(std::string(temp).compare(0, Path(folder).size() + 1, Path(folder + "/")), 0) << temp;
                EXPECT_NE(std::string(temp), target);
            }
            EXPECT_TRUE(ReplaceTextFile(target.c_str(), "x\n", 2)) << total << " " << nameLength;
            EXPECT_EQ(Read(folder + "/" + name), "x\r\n") << total << " " << nameLength;
            EXPECT_EQ(Entries(folder), std::vector<std::string>{name}) << total << " " << nameLength;
            std::filesystem::remove_all(Path(folder));
        }
    ExpectNothingOpen();
}

TEST_F(TextFileTest, LeftoversAreRemoved) {
    const std::vector<std::string> temps = TempNames("s.ini");
    ASSERT_EQ(temps.size(), static_cast<size_t>(TEMP_NAME_TRIES));
    // What saves killed while writing leave: a partial first temporary file,
    // and others from times when the first name was taken. All go before the
    // new one is made, which is a new file, never an old one written over.
    for (const std::string& leftover : temps) Write(leftover, "[RECORD VOL");
    Write("s.ini", "old\r\n");
    sim::ClearLog();
    EXPECT_TRUE(ReplaceTextFile(Path("s.ini").c_str(), "new\n", 4));
    EXPECT_EQ(Read("s.ini"), "new\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"s.ini"});
    std::vector<std::string> calls;
    for (const sim::Call& c : sim::Log())
        if (c.fn == "DeleteFileA" || c.fn == "CreateFileA") calls.push_back(c.fn + " " + c.text.substr(dir_.size() + 1));
    EXPECT_EQ(calls, (std::vector<std::string>{"DeleteFileA " + temps[0], "DeleteFileA " + temps[1],
                                               "DeleteFileA " + temps[2], "CreateFileA " + temps[0]}));
    EXPECT_EQ(sim::CallsOf("CreateFileA")[0].id, static_cast<DWORD>(CREATE_NEW));
    ExpectNothingOpen();
}

TEST_F(TextFileTest, ObstaclesOnTheTemporaryNamesAreGoneAround) {
    const std::vector<std::string> temps = TempNames("s.ini");
    ASSERT_EQ(temps.size(), static_cast<size_t>(TEMP_NAME_TRIES));
    auto directory = [this](const std::string& name) {
        std::filesystem::create_directory(Path(name));
        Write(name + "/inside", "mine");
    };
    auto readOnly = [this](const std::string& name) {
        Write(name, "someone's");
        SetReadOnly(name, true);
    };
    struct Case {
        const char* what;
        std::vector<int> directories, readOnlyFiles;  // by attempt
        bool saved;
    } cases[] = {
        {"a directory", {0}, {}, true},
        {"a read-only file", {}, {0}, true},
        {"a directory, then a read-only file", {0}, {1}, true},
        {"every name taken", {0, 2}, {1}, false},
    };
    for (const sim::FileQuirks& platform : Platforms())
        for (const Case& c : cases) {
            const std::string what = std::string(c.what) + " on " + PlatformName(platform);
            sim::Reset();
            sim::SetFileQuirks(platform);
            std::filesystem::remove_all(dir_);
            std::filesystem::create_directory(dir_);
            Write("s.ini", "old\r\n");
            for (int i : c.directories) directory(temps[i]);
            for (int i : c.readOnlyFiles) readOnly(temps[i]);
            const std::vector<std::string> before = Entries();
            // Every later save as well as the first.
            for (int round = 0; round < 2; ++round) {
                EXPECT_EQ(ReplaceTextFile(Path("s.ini").c_str(), "new\n", 4), c.saved) << what;
                EXPECT_EQ(Read("s.ini"), c.saved ? "new\r\n" : "old\r\n") << what;
                EXPECT_EQ(Entries(), before) << what;
                EXPECT_FALSE(IsReadOnly("s.ini")) << what;
            }
            for (int i : c.directories) EXPECT_EQ(Read(temps[i] + "/inside"), "mine") << what;
            for (int i : c.readOnlyFiles) {
                EXPECT_EQ(Read(temps[i]), "someone's") << what;
                EXPECT_TRUE(IsReadOnly(temps[i])) << what;
            }
            ExpectNothingOpen();
        }
}

TEST_F(TextFileTest, ReadOnlyTargetIsRefused) {
    // Windows refuses to rename over a read-only file; Wine's rename replaces
    // it. Either way the file, its attribute and the directory stay as they
    // were, and no temporary file is made.
    for (const sim::FileQuirks& platform : Platforms()) {
        const char* on = PlatformName(platform);
        sim::Reset();
        Write("s.ini", "kept\r\n");
        SetReadOnly("s.ini", true);
        sim::SetFileQuirks(platform);
        EXPECT_FALSE(ReplaceTextFile(Path("s.ini").c_str(), "new\n", 4)) << on;
        EXPECT_EQ(Read("s.ini"), "kept\r\n") << on;
        EXPECT_TRUE(IsReadOnly("s.ini")) << on;
        EXPECT_EQ(sim::CountOf("CreateFileA"), 0u) << on;
        EXPECT_EQ(Entries(), std::vector<std::string>{"s.ini"}) << on;
        // Writable again, it is replaced.
        SetReadOnly("s.ini", false);
        EXPECT_TRUE(ReplaceTextFile(Path("s.ini").c_str(), "new\n", 4)) << on;
        EXPECT_EQ(Read("s.ini"), "new\r\n") << on;
        ExpectNothingOpen();
    }
}

}  // namespace
