// The simulated file system, directory search and registry behave as the
// Win32 functions they stand in for.
#include "persistence_fixture.h"

#include <set>

namespace {

class SimFilesTest : public FileTest {
protected:
    // Every name FindFirstFileA/FindNextFileA return for the pattern.
    std::set<std::string> Found(const std::string& pattern) {
        std::set<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA(pattern.c_str(), &data);
        if (h == INVALID_HANDLE_VALUE) return names;
        do names.insert(data.cFileName);
        while (FindNextFileA(h, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        FindClose(h);
        return names;
    }
};

TEST_F(SimFilesTest, WildcardSearchMatchesLikeWindows) {
    for (const char* name : {"AX200.cfg", "ax200.CFG", "x.cfgx", "cfg", ".cfg", "Cards1.cfg", "readme.txt"})
        Write(name, "x");
    std::filesystem::create_directory(Path("dir.cfg"));
    EXPECT_EQ(Found(Path("*.cfg")),
              (std::set<std::string>{"AX200.cfg", "ax200.CFG", ".cfg", "Cards1.cfg", "dir.cfg"}));
    EXPECT_EQ(Found(Path("cards*.CFG")), (std::set<std::string>{"Cards1.cfg"}));
    EXPECT_EQ(Found(Path("a?200.cfg")), (std::set<std::string>{"AX200.cfg", "ax200.CFG"}));
    // Backslashes separate like slashes.
    EXPECT_EQ(Found(dir_ + "\\Cards*.cfg"), (std::set<std::string>{"Cards1.cfg"}));

    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(Path("dir*.cfg").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sim::OpenSearches(), 1);
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(FindNextFileA(h, &data));
    EXPECT_TRUE(FindClose(h));
    EXPECT_FALSE(FindClose(h));

    EXPECT_EQ(FindFirstFileA(Path("*.none").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA(Path("missing/*.cfg").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    ExpectNothingOpen();
}

TEST_F(SimFilesTest, DrivesMapToHostDirectories) {
    Write("Cards/a.txt", "abc");
    HANDLE h = CreateFileA("Q:\\Cards\\a.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    sim::MapDrive('q', dir_);
    EXPECT_EQ(sim::HostPath("Q:\\Cards\\a.txt"), Path("Cards/a.txt"));
    h = CreateFileA("Q:\\Cards\\a.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buf[8] = {};
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "abc");
    EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));  // opened for reading only
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SimFilesTest, OpenCreateMoveAndDeleteResults) {
    struct Case {
        const char* path;
        DWORD access, disposition, error;  // error 0: the open succeeds
    } cases[] = {
        {"missing.txt", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"nodir/missing.txt", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"nodir/new.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"sub", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},  // a directory
        {"old.txt", GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS},
        {"new.txt", GENERIC_WRITE, CREATE_NEW, 0},
        {"old.txt", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, 0},
    };
    std::filesystem::create_directory(Path("sub"));
    for (const Case& c : cases) {
        Write("old.txt", "old");
        HANDLE h = CreateFileA(Path(c.path).c_str(), c.access, 0, nullptr, c.disposition, 0, nullptr);
        if (c.error != 0) {
            EXPECT_EQ(h, INVALID_HANDLE_VALUE) << c.path;
            EXPECT_EQ(GetLastError(), c.error) << c.path;
        } else {
            EXPECT_NE(h, INVALID_HANDLE_VALUE) << c.path;
            EXPECT_EQ(sim::OpenFiles(), 1);
            CloseHandle(h);
        }
    }
    EXPECT_EQ(Read("old.txt"), "");  // CREATE_ALWAYS truncated it
    std::string long_name(MAX_PATH, 'a');
    EXPECT_EQ(CreateFileA(long_name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));

    Write("a", "A");
    Write("b", "B");
    EXPECT_FALSE(MoveFileExA(Path("a").c_str(), Path("b").c_str(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(MoveFileExA(Path("a").c_str(), Path("sub").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_TRUE(MoveFileExA(Path("a").c_str(), Path("b").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Read("b"), "A");
    EXPECT_FALSE(Exists("a"));
    EXPECT_FALSE(DeleteFileA(Path("sub").c_str()));
    EXPECT_TRUE(DeleteFileA(Path("b").c_str()));
    EXPECT_FALSE(DeleteFileA(Path("b").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ExpectNothingOpen();
}

TEST_F(SimFilesTest, ReadOnlyFilesAndAttributes) {
    // A read-only file is read, never written, truncated, deleted or replaced,
    // whoever runs the tests.
    Write("ro.txt", "kept");
    SetReadOnly("ro.txt", true);
    const std::string ro = Path("ro.txt");
    struct Case {
        DWORD access, disposition, error;
    } cases[] = {
        {GENERIC_READ, OPEN_EXISTING, 0},
        {GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, ERROR_ACCESS_DENIED},
        {GENERIC_READ, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {GENERIC_WRITE, TRUNCATE_EXISTING, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        HANDLE h = CreateFileA(ro.c_str(), c.access, 0, nullptr, c.disposition, 0, nullptr);
        EXPECT_EQ(h == INVALID_HANDLE_VALUE, c.error != 0) << c.access << " " << c.disposition;
        if (h == INVALID_HANDLE_VALUE) EXPECT_EQ(GetLastError(), c.error);
        else CloseHandle(h);
    }
    EXPECT_FALSE(DeleteFileA(ro.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    Write("new.txt", "new");
    EXPECT_FALSE(MoveFileExA(Path("new.txt").c_str(), ro.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Read("ro.txt"), "kept");
    EXPECT_TRUE(IsReadOnly("ro.txt"));

    struct Attributes {
        const char* name;
        DWORD attributes, error;
    } attributes[] = {
        {"ro.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 0},
        {"new.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {"", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"missing", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"nodir/missing", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const Attributes& a : attributes) {
        EXPECT_EQ(GetFileAttributesA(Path(a.name).c_str()), a.attributes) << a.name;
        if (a.error != 0) {
            EXPECT_EQ(GetLastError(), a.error) << a.name;
        }
    }

    // Wine as root writes a read-only file and renames over it, leaving the
    // moved file's attributes; it still refuses to delete it.
    sim::SetFileQuirks({true, true});
    HANDLE h = CreateFileA(ro.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(Read("ro.txt"), "");
    EXPECT_FALSE(DeleteFileA(ro.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(MoveFileExA(Path("new.txt").c_str(), ro.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Read("ro.txt"), "new");
    EXPECT_FALSE(IsReadOnly("ro.txt"));
    ExpectNothingOpen();
}

TEST_F(SimFilesTest, DiskFaults) {
    struct Case {
        sim::FileFaults faults;
        BOOL ok;
        DWORD reported, error;
        const char* stored;
    } cases[] = {
        {{}, TRUE, 6, 0, "abcdef"},
        {{true, -1, -1, false}, FALSE, 0, ERROR_WRITE_FAULT, ""},
        {{false, 4, -1, false}, FALSE, 4, ERROR_DISK_FULL, "abcd"},
        {{false, -1, 2, false}, TRUE, 2, 0, "ab"},
    };
    for (const Case& c : cases) {
        sim::SetFileFaults(c.faults);
        HANDLE h = CreateFileA(Path("f").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD n = 99;
        EXPECT_EQ(WriteFile(h, "abcdef", 6, &n, nullptr), c.ok);
        EXPECT_EQ(n, c.reported);
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        CloseHandle(h);
        EXPECT_EQ(Read("f"), c.stored);
    }
    sim::SetFileFaults({false, -1, -1, true});
    HANDLE h = CreateFileA(Path("f").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char buf[4];
    DWORD n = 0;
    EXPECT_FALSE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_READ_FAULT));
    CloseHandle(h);
    // A reset gives the disk back, and closes what was left open.
    CreateFileA(Path("f").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    sim::Reset();
    EXPECT_EQ(sim::OpenFiles(), 0);
    h = CreateFileA(Path("f").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    CloseHandle(h);
}

TEST_F(SimFilesTest, RegistryGrantsAccessPerKey) {
    const char* key = "Software\\Vendor\\App";
    sim::RegSetString(HKEY_LOCAL_MACHINE, key, "Path", "C:\\App\\");
    sim::RegGrantAccess(HKEY_LOCAL_MACHINE, key, KEY_READ);
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &h), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sim::OpenKeys(), 0);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\VENDOR\\app", 0, KEY_QUERY_VALUE, &h), ERROR_SUCCESS);
    EXPECT_EQ(sim::OpenKeys(), 1);

    BYTE data[16];
    DWORD size = sizeof data, type = 0;
    EXPECT_EQ(RegQueryValueExA(h, "path", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), std::string("C:\\App\\", 8));
    size = 4;
    EXPECT_EQ(RegQueryValueExA(h, "Path", nullptr, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(RegQueryValueExA(h, "Other", nullptr, nullptr, data, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
    // A key above a value's key exists as well; deleting removes the branch.
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Vendor", 0, KEY_READ, &h), ERROR_SUCCESS);
    RegCloseKey(h);
    sim::RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Vendor");
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
    ExpectNothingOpen();
}

}  // namespace
