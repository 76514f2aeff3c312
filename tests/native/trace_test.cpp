// The trace (MIXER_TRACE): one line an export call with the requests it made,
// read once at load, and no result changed by it, written or not.
#include "cdaudio/cdaudio.h"
#include "core/trace.h"
#include "engine/endpoint_volume.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "sim_mci.h"
#include "test_cards.h"

#include <functional>
#include <regex>
#include <sstream>

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

namespace {

HINSTANCE Module() { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)); }

class TraceTest : public FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        BuildTypicalCard();
    }
    void TearDown() override {
        Unload();
        FileTest::TearDown();
    }
    // Loads the library with MIXER_TRACE set to `value` (unset for nullopt).
    void Load(std::optional<std::string> value) {
        sim::SetEnvironment("MIXER_TRACE", value);
        ASSERT_EQ(DllMain(Module(), DLL_PROCESS_ATTACH, nullptr), TRUE);
    }
    void Unload() { DllMain(Module(), DLL_PROCESS_DETACH, nullptr); }

    std::vector<std::string> Lines(const std::string& name) const {
        std::vector<std::string> lines;
        std::istringstream in(Read(name));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

// The requests of a line: its parts after the first, each "name(...) = result...".
std::vector<std::string> Requests(const std::string& line) {
    std::vector<std::string> parts;
    size_t start = line.find(" | ");
    while (start != std::string::npos) {
        const size_t next = line.find(" | ", start + 3);
        parts.push_back(line.substr(start + 3, next == std::string::npos ? std::string::npos : next - start - 3));
        start = next;
    }
    return parts;
}

// The platform's log of the requests the trace shows, as "name = result"
// (the trace's own writes left out).
std::vector<std::string> LoggedRequests() {
    const std::regex traced("(mixer|waveIn|mci).*|MessageBoxA|CreateFileA|ReadFile|WriteFile|FlushFileBuffers|"
                            "CloseHandle|DeleteFileA|MoveFileExA|GetFileAttributesA|Find(First|Next)FileA|FindClose|"
                            "Reg(OpenKeyEx|QueryValueEx|CloseKey)A?");
    std::vector<std::string> calls;
    for (const sim::Call& c : sim::Log())
        if (std::regex_match(c.fn, traced) && c.text.rfind("MIXER[", 0) != 0)
            calls.push_back(c.fn + " = " + std::to_string(c.result));
    return calls;
}

// The same, from the trace: the function and its result's code (a handle
// counts as 1, as the platform's log keeps it).
std::vector<std::string> TracedRequests(const std::string& line) {
    const std::map<std::string, DWORD> codes = {
        {"MMSYSERR_NOERROR", MMSYSERR_NOERROR}, {"MIXERR_INVALCONTROL", MIXERR_INVALCONTROL},
        {"MMSYSERR_BADDEVICEID", MMSYSERR_BADDEVICEID}, {"TRUE", 1}, {"FALSE", 0}, {"handle", 1},
        {"INVALID_HANDLE_VALUE", 0}, {"INVALID_FILE_ATTRIBUTES", INVALID_FILE_ATTRIBUTES},
    };
    std::vector<std::string> calls;
    const std::regex part("(\\w+)\\(.*?\\) = (\\w+)( \\((\\d+)\\))?([, ].*)?");
    for (const std::string& r : Requests(line)) {
        std::smatch m;
        if (!std::regex_match(r, m, part)) {
            calls.push_back("unreadable: " + r);
            continue;
        }
        const std::string result = m[2];
        std::string code = result;
        if (codes.count(result)) code = std::to_string(codes.at(result));
        if (result.rfind("0x", 0) == 0) code = std::to_string(std::stoul(result, nullptr, 16));
        if (m[4].matched) code = m[4];
        calls.push_back(std::string(m[1]) + " = " + code);
    }
    return calls;
}

TEST_F(TraceTest, SetterLineShowsDeviceZerosRequestsAndTheirResults) {
    Load(Path("trace.log"));
    sim::ClearLog();
    EXPECT_EQ(SetPlayMainVolume(30000), 1);
    const std::vector<std::string> lines = Lines("trace.log");
    ASSERT_EQ(lines.size(), 1u);
    const std::string& line = lines[0];
    EXPECT_TRUE(std::regex_search(line, std::regex("^MIXER\\[\\d+\\] SetPlayMainVolume\\(30000\\) = 1 \\| ")))
        << line;
    // Every request the platform saw, in order, with the result it gave.
    EXPECT_EQ(TracedRequests(line), LoggedRequests());
    const std::vector<std::string> requests = Requests(line);
    ASSERT_GE(requests.size(), 5u);
    EXPECT_EQ(requests[0], "mixerGetNumDevs() = 1");
    EXPECT_TRUE(std::regex_match(requests[1], std::regex("mixerOpen\\(device 0\\) = MMSYSERR_NOERROR, handle 0x[0-9A-F]+")))
        << requests[1];
    EXPECT_EQ(requests[2], "mixerGetDevCapsA(device 0) = MMSYSERR_NOERROR, \"AX200 Mixer\", 2 destinations");
    EXPECT_TRUE(std::regex_match(requests[3], std::regex("mixerGetLineInfoA\\(mixer 0, DESTINATION 0\\) = "
                                                         "MMSYSERR_NOERROR, line 0x[0-9A-F]+ DST_SPEAKERS \".*")))
        << requests[3];
    EXPECT_NE(line.find(" | mixerSetControlDetails(mixer 0, VALUE of control "), std::string::npos) << line;
    EXPECT_NE(line.find(", 2 channels [30000 30000]) = MMSYSERR_NOERROR"), std::string::npos) << line;
    EXPECT_TRUE(std::regex_search(line, std::regex(" \\| mixerClose\\(handle 0x[0-9A-F]+\\) = MMSYSERR_NOERROR$")));
}

TEST_F(TraceTest, ResultsAndFailuresAreDecoded) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<LONG()> call;
        LONG result;
        const char* head;                   // the line's start after "MIXER[n] "
        std::vector<std::string> requests;  // requests the line shows
    } cases[] = {
        {"getter", [] { SetPlayMainVolume(41000); }, [] { return GetPlayMainVolume(); }, 41000,
         "GetPlayMainVolume() = 41000",
         {"mixerGetControlDetailsA(mixer 0, VALUE of control 1, 1 channel) = MMSYSERR_NOERROR, [41000]"}},
        {"refused write", [] { sim::FailFunction("mixerSetControlDetails", MIXERR_INVALCONTROL); },
         [] { return SetPlayMainVolume(100); }, 1, "SetPlayMainVolume(100) = 1",
         {"mixerSetControlDetails(mixer 0, VALUE of control 1, 2 channels [100 100]) = MIXERR_INVALCONTROL"}},
        {"no device", [] { sim::FailFunction("mixerOpen", MMSYSERR_BADDEVICEID); },
         [] { return GetRecMicVolume(); }, -1, "GetRecMicVolume() = -1",
         {"mixerOpen(device 0) = MMSYSERR_BADDEVICEID"}},
        {"CD drive not ready", [] { sim::FailMciCommand(MCI_OPEN, MCIERR_DEVICE_NOT_READY); },
         [] { return OpenCD(); }, 276, "OpenCD() = MCIERR_DEVICE_NOT_READY (276)",
         {"mciSendCommandA(device 0, MCI_OPEN, flags 0x2000, type \"cdaudio\") = MCIERR_DEVICE_NOT_READY (276)",
          "mciGetErrorStringA(276) = TRUE, \"", "MessageBoxA(\""}},
        {"registry", [] {}, [] {
             char buffer[256];
             return GetTavrinDirectory(buffer);
         },
         0, "GetTavrinDirectory(0x",
         {"RegOpenKeyExA(HKEY_LOCAL_MACHINE, \"Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths"
          "\\\\TAVRIN.EXE\", access 0x1) = ERROR_FILE_NOT_FOUND (2)"}},
        {"string argument", [] {}, [] { return SetMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, 1, 5, "Line \"In\" | \t\xE9", 1); },
         0, "SetMixer(0x1002, 1, 5, \"Line \\\"In\\\" \\x7C \\x09\\xE9\", 1) = 0", {"mixerGetNumDevs() = 1"}},
    };
    Load(Path("trace.log"));
    for (const Case& c : cases) {
        c.arrange();
        const size_t before = Read("trace.log").size();
        EXPECT_EQ(c.call(), c.result) << c.what;
        sim::ClearFaults();
        Write("new.log", Read("trace.log").substr(before));
        const std::vector<std::string> lines = Lines("new.log");
        ASSERT_EQ(lines.size(), 1u) << c.what;
        const std::string head = lines[0].substr(lines[0].find("] ") + 2);
        EXPECT_EQ(head.rfind(c.head, 0), 0u) << c.what << ": " << lines[0];
        for (const std::string& r : c.requests)
            EXPECT_NE(lines[0].find(" | " + r), std::string::npos) << c.what << ": " << r << "\n" << lines[0];
    }
}

// An export that calls others (Save reads every getter) is one line.
TEST_F(TraceTest, OneLineForACallMadeOfOthers) {
    Load(Path("trace.log"));
    sim::ClearLog();
    EXPECT_EQ(Save(Path("mixer.ini").c_str()), 1);
    EXPECT_EQ(SetMicBoostMode(1), 1);
    const std::vector<std::string> lines = Lines("trace.log");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].find("GetRec"), std::string::npos) << "no getter has a line of its own";
    EXPECT_NE(lines[0].find("] Save(\"" + Path("mixer.ini") + "\") = 1 | "), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("] SetMicBoostMode(1) = 1 | "), std::string::npos) << lines[1];
    std::vector<std::string> traced = TracedRequests(lines[0]);
    for (const std::string& r : TracedRequests(lines[1])) traced.push_back(r);
    EXPECT_EQ(traced, LoggedRequests());
    // The settings file's requests are there, the temporary file's name and all.
    EXPECT_NE(lines[0].find(" | WriteFile(handle 0x"), std::string::npos);
    EXPECT_NE(lines[0].find(".tmp\", \"" + Path("mixer.ini") + "\", flags 0x9) = TRUE"), std::string::npos);
    // A call left without its result writes nothing, and the next call has
    // its own line again.
    { ExportCall abandoned("Abandoned", LONG(1)); }
    EXPECT_EQ(GetPlayMainVolume(), GetPlayMainVolume());
    const std::vector<std::string> after = Lines("trace.log");
    ASSERT_EQ(after.size(), 4u);
    EXPECT_NE(after[2].find("] GetPlayMainVolume() = "), std::string::npos) << after[2];
}

// The same calls give the same results and leave the same card, traced to a
// file, to the debugger, to a file that cannot be opened or written, or not.
TEST_F(TraceTest, NoResultDependsOnTheTrace) {
    const auto run = [this](const std::function<void()>& setup) {
        sim::Reset();
        ResetLibraryState();
        BuildTypicalCard();
        setup();
        // The thread's last error too: the trace leaves it as the call left it.
        SetLastError(12345);
        std::vector<LONG> results = {SetPlayMainVolume(12345), static_cast<LONG>(GetLastError()),
                                     GetPlayMainVolume(),      SetRecMicSelect(),
                                     GetRecMicSelect(),        SetPlayMainMute(1),
                                     GetPlayMainMute(),        OpenCD(),
                                     GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS),
                                     Save(Path("mixer.ini").c_str()), static_cast<LONG>(GetLastError()),
                                     Set(Path("mixer.ini").c_str())};
        Unload();
        return std::make_pair(results, sim::AllValues());
    };
    const auto untraced = run([this] { Load(std::nullopt); });
    EXPECT_FALSE(Exists("trace.log"));
    EXPECT_TRUE(sim::DebugStrings().empty());

    const auto toFile = run([this] { Load(Path("trace.log")); });
    EXPECT_EQ(toFile, untraced);
    EXPECT_EQ(Lines("trace.log").size(), 10u);

    const auto toDebugger = run([this] { Load(std::string("debug")); });
    EXPECT_EQ(toDebugger, untraced);
    const std::vector<std::string> debug = sim::DebugStrings();
    ASSERT_EQ(debug.size(), 10u);
    EXPECT_TRUE(std::regex_match(debug[0], std::regex("MIXER\\[\\d+\\] SetPlayMainVolume\\(12345\\) = 1 \\| .*\n")));

    const auto unopenable = run([this] { Load(Path("no/such/folder/trace.log")); });
    EXPECT_EQ(unopenable, untraced);
    EXPECT_FALSE(Exists("no"));

    // The disk refuses every write, the settings file's as well.
    const auto failWrites = [] {
        sim::FileFaults faults;
        faults.writeFails = true;
        sim::SetFileFaults(faults);
    };
    std::filesystem::remove(Path("trace.log"));
    const auto unwritable = run([&] {
        Load(Path("trace.log"));
        failWrites();
    });
    EXPECT_EQ(unwritable, run([&] {
                  Load(std::nullopt);
                  failWrites();
              }));
    EXPECT_EQ(Read("trace.log"), "");
}

// Read once, at load: a variable set later starts nothing, and an unload
// gives the file back.
TEST_F(TraceTest, ReadOnceAtLoad) {
    Load(std::nullopt);
    sim::SetEnvironment("MIXER_TRACE", Path("trace.log"));
    EXPECT_EQ(GetPlayMainVolume(), GetPlayMainVolume());
    EXPECT_FALSE(Exists("trace.log"));
    Unload();

    Load(Path("trace.log"));
    EXPECT_EQ(sim::OpenFiles(), 1);
    Load(Path("other.log"));  // a second attach reads nothing
    EXPECT_EQ(sim::OpenFiles(), 1);
    Unload();
    EXPECT_EQ(sim::OpenFiles(), 0);
    EXPECT_FALSE(Exists("other.log"));
}

}  // namespace

// On a Windows card with Core Audio, the probe of the first call and each
// Core Audio request of the next show with their HRESULT by name, a scalar
// set inside the parentheses and one read after the result; a failure
// shows by its name.
TEST_F(TraceTest, CoreAudioRequestsShowTheirHresults) {
    sim::Reset();
    nlohmann::json card = TestCard("windows");
    card["devices"][0]["endpointVolume"] = {{"levels", {0.5, 0.25}}};
    sim::LoadCard(card, "windows.json");
    ForgetEndpointVerdict();
    Load(Path("trace.log"));
    EXPECT_EQ(GetPlayMainVolume(), 32768);
    EXPECT_EQ(SetPlayMainVolume(65535), 1);
    sim::FailFunction("IAudioEndpointVolume::GetMute", static_cast<DWORD>(AUDCLNT_E_DEVICE_INVALIDATED));
    EXPECT_EQ(GetPlayMainMute(), -1);
    const std::vector<std::string> lines = Lines("trace.log");
    ASSERT_EQ(lines.size(), 3u);
    for (const char* part :
         {" | mixerGetLineInfoA(mixer 0, COMPONENTTYPE DST_WAVEIN) = MIXERR_INVALLINE | ",
          " | waveOutMessage(device 0, DRV_QUERYFUNCTIONINSTANCEIDSIZE) = MMSYSERR_NOERROR | ",
          " | CoInitializeEx(COINIT_MULTITHREADED) = S_OK | ",
          " | CoCreateInstance(CLSID_MMDeviceEnumerator) = S_OK | IMMDeviceEnumerator::GetDevice() = S_OK | ",
          " | IAudioEndpointVolume::GetChannelCount() = S_OK, 2 | ",
          " | IAudioEndpointVolume::SetMasterVolumeLevelScalar(0.500000) = S_OK | ",
          " | IAudioEndpointVolume::GetMasterVolumeLevelScalar() = S_OK, 0.500000"})
        EXPECT_NE(lines[0].find(part), std::string::npos) << part << "\n" << lines[0];
    EXPECT_EQ(lines[1].find("GetChannelCount() = S_OK, 2 | IAudioEndpointVolume::GetMasterVolumeLevelScalar"),
              std::string::npos)
        << "one probe: " << lines[1];
    EXPECT_NE(lines[1].find(" | IAudioEndpointVolume::GetChannelVolumeLevelScalar(channel 1) = S_OK, 0.250000 | "),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[1].find(" | IAudioEndpointVolume::SetChannelVolumeLevelScalar(channel 1, 0.499992) = S_OK"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(" | IAudioEndpointVolume::GetMute() = AUDCLNT_E_DEVICE_INVALIDATED"), std::string::npos)
        << lines[2];
}
