// The simulated platform with its call log off: the same calls, results and
// fault injection as with it on, and no log of any kind kept.
#include "cdaudio/cdaudio.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "selector/selector.h"
#include "sim_mci.h"

#include <map>

namespace {

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";

class SimCallLogTest : public FileTest {
protected:
    // A fresh platform (log on) with the typical card, a name file, the
    // registry value and a settings file, then the log switched as asked.
    void Arrange(bool logged) {
        sim::Reset();
        ResetLibraryState();
        BuildTypicalCard();
        Write("AX200.cfg", "[LINEIN]\nNAME=Line In\n");
        Write("s.ini", "[PLAY VOLUME]\nMAIN=30000\n[REC SELECT]\nCD=1\n");
        std::filesystem::remove(Path("saved.ini"));
        sim::RegSetString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", "C:\\Tavrin");
        sim::SetCallLog(logged);
    }

    // Exports over every area of the platform (mixer, heaps, files, search,
    // registry, MCI, error texts, message boxes); their results and what
    // they left behind.
    std::vector<std::string> Scenario() {
        std::vector<std::string> out;
        auto result = [&out](LONG r) { out.push_back(std::to_string(r)); };
        result(SetPlayMainVolume(12345));
        result(GetPlayMainVolume());
        result(SetRecCDSelect());
        result(GetRecCDSelect());
        char listing[256] = "";
        result(GetMixerRecordChannels(listing, sizeof listing - 1));
        out.push_back(listing);
        result(SetSoundCardConfigFilePath(Path().c_str()));
        result(ReadDigitalConfiguration());
        out.push_back(g_state.LineInLineName);
        char directory[255] = "";
        result(GetTavrinDirectory(directory));
        out.push_back(directory);
        result(Set(Path("s.ini").c_str()));
        result(GetPlayMainVolume());
        result(Save(Path("saved.ini").c_str()));
        out.push_back(Read("saved.ini"));
        result(OpenCD());
        result(PlayCD(3));
        sim::FailMciCommand(MCI_STOP, MCIERR_HARDWARE, 1);  // a message box
        result(StopCD());
        result(CloseCD());
        result(sim::OpenMixerHandles() + sim::ProcessHeapBlocks() + sim::LocalBlocks() + sim::OpenFiles() +
               sim::OpenSearches() + sim::OpenKeys() + sim::OpenMciDevices());
        return out;
    }

    // Nothing was logged by the platform or any of its areas.
    void ExpectNoLog(const std::string& what) {
        EXPECT_TRUE(sim::Log().empty()) << what;
        EXPECT_TRUE(sim::MciCommands().empty()) << what;
        EXPECT_TRUE(sim::ErrorTextRequests().empty()) << what;
        EXPECT_TRUE(sim::MessageBoxes().empty()) << what;
    }
};

TEST_F(SimCallLogTest, OffGivesTheSameResultsWithoutALog) {
    Arrange(true);
    const std::vector<std::string> logged = Scenario();
    const size_t calls = sim::Log().size();
    ASSERT_GT(calls, 100u);
    EXPECT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_FALSE(sim::MciCommands().empty());

    Arrange(false);
    EXPECT_EQ(Scenario(), logged);
    ExpectNoLog("log off");

    // Reset() turns the log back on.
    sim::Reset();
    mixerGetNumDevs();
    EXPECT_EQ(sim::CountOf("mixerGetNumDevs"), 1u);
}

TEST_F(SimCallLogTest, OffInjectsTheSameFaults) {
    Arrange(true);
    Scenario();
    // The first three calls of every function fail alike with the log on
    // and off (the count of calls is the same for all of them).
    std::vector<size_t> indices;
    std::map<std::string, int> seen;
    for (size_t i = 0; i < sim::Log().size(); ++i)
        if (++seen[sim::Log()[i].fn] <= 3) indices.push_back(i + 1);
    ASSERT_GT(seen.size(), 20u);
    for (size_t n : indices) {
        Arrange(true);
        sim::FailNthCall(static_cast<int>(n), MMSYSERR_ERROR);
        const std::vector<std::string> logged = Scenario();
        Arrange(false);
        sim::FailNthCall(static_cast<int>(n), MMSYSERR_ERROR);
        EXPECT_EQ(Scenario(), logged) << "failing call " << n;
        ExpectNoLog("failing call " + std::to_string(n));
    }
    // Faults by function name count the calls of that function alike.
    for (const char* fn : {"mixerGetLineControlsA", "CreateFileA", "RegQueryValueExA", "mciSendCommandA",
                           "MessageBoxA", "LocalAlloc"}) {
        for (int occurrence : {0, 2}) {
            Arrange(true);
            sim::FailFunction(fn, ERROR_ACCESS_DENIED, occurrence);
            const std::vector<std::string> logged = Scenario();
            Arrange(false);
            sim::FailFunction(fn, ERROR_ACCESS_DENIED, occurrence);
            EXPECT_EQ(Scenario(), logged) << fn << " occurrence " << occurrence;
        }
    }
}

}  // namespace
