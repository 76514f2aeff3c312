// Fixture of the persistence tests: a fresh simulated platform and a private
// temporary directory on the host for the files of one test.
#pragma once

#include "fixture.h"
#include "persistence/temp_name.h"
#include "sim_files.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class FileTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        std::string base = (std::filesystem::temp_directory_path() / "mixer-test-XXXXXX").string();
        std::vector<char> name(base.begin(), base.end());
        name.push_back('\0');
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        dir_ = name.data();
    }
    void TearDown() override {
        // Read-only files and folders are removed like any other.
        std::error_code ignored;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir_, ignored))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }

public:

    // The host path of a name in the test's directory; the directory itself,
    // ending in '/', for "".
    std::string Path(const std::string& name = "") const { return dir_ + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
    // The read-only attribute: the owner-write bit, as the simulated platform
    // and Wine keep it.
    void SetReadOnly(const std::string& name, bool readOnly) const {
        std::filesystem::permissions(Path(name), std::filesystem::perms::owner_write,
                                     readOnly ? std::filesystem::perm_options::remove
                                              : std::filesystem::perm_options::add);
    }
    bool IsReadOnly(const std::string& name) const {
        return (std::filesystem::status(Path(name)).permissions() & std::filesystem::perms::owner_write) ==
               std::filesystem::perms::none;
    }
    // The entries of the test's directory (or of a folder in it), sorted.
    std::vector<std::string> Entries(const std::string& folder = "") const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(Path(folder)))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    // The temporary names a save to `name` (in the test's directory) tries,
    // in order, without the directory.
    std::vector<std::string> TempNames(const std::string& name) const {
        std::vector<std::string> out;
        const std::string target = Path(name);
        for (int attempt = 0; attempt < TEMP_NAME_TRIES; ++attempt) {
            char temp[MAX_PATH];
            if (!TempFileName(target.c_str(), attempt, temp)) break;
            out.push_back(std::string(temp).substr(target.rfind('/') + 1));
        }
        return out;
    }
    // The two platforms the files are judged on: Windows, and Wine 8 as root.
    static std::vector<sim::FileQuirks> Platforms() { return {sim::FileQuirks(), sim::FileQuirks{true, true}}; }
    static const char* PlatformName(const sim::FileQuirks& q) { return q.renameReplacesReadOnly ? "Wine" : "Windows"; }
    // How many of those exist.
    int TempsLeft(const std::string& name) const {
        int n = 0;
        for (const std::string& temp : TempNames(name)) n += Exists(temp);
        return n;
    }
    // Every file, search and registry key the library opened is closed again,
    // and so is every mixer handle and heap block.
    void ExpectNothingOpen() {
        ExpectNothingHeld();
        EXPECT_EQ(sim::OpenFiles(), 0);
        EXPECT_EQ(sim::OpenSearches(), 0);
        EXPECT_EQ(sim::OpenKeys(), 0);
    }

    std::string dir_;
};
