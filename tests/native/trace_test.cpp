// The trace (MIXER_TRACE): one line an export call with the requests it made,
// read once at load, and no result changed by it, written or not.
#include "cdaudio/cdaudio.h"
#include "core/trace.h"
#include "engine/endpoint_volume.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "sim_mci.h"
#include "test_cards.h"

#include "platform/requests.h"

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

// The parts of a line after the call, as " | " separates them.
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

// The platform's log of the requests the trace shows (the trace's own writes
// left out).
std::vector<sim::Call> LoggedRequests() {
    const std::regex traced("(mixer|waveIn|mci).*|MessageBoxA|CreateFileA|ReadFile|WriteFile|FlushFileBuffers|"
                            "CloseHandle|DeleteFileA|MoveFileExA|GetFileAttributesA|Find(First|Next)FileA|FindClose|"
                            "Reg(OpenKeyEx|QueryValueEx|CloseKey)A?");
    std::vector<sim::Call> calls;
    for (const sim::Call& c : sim::Log())
        if (std::regex_match(c.fn, traced) && c.text.rfind("MIXER[", 0) != 0) calls.push_back(c);
    return calls;
}

// A logged request's result as its part shows it after ") = " (the log keeps
// a handle as 1, a failed one as 0).
std::string Shown(const sim::Call& c) {
    if (c.fn == "mciSendCommandA") return "mcierr " + std::to_string(c.result);
    if (c.fn.rfind("mixer", 0) == 0 || c.fn == "waveInMessage")
        return c.fn == "mixerGetNumDevs" ? std::to_string(c.result) : req::Mm(c.result).text;
    if (c.fn.rfind("Reg", 0) == 0) return "error " + std::to_string(c.result);
    if (c.fn == "CreateFileA" || c.fn == "FindFirstFileA") return c.result != 0 ? "0x" : "0xffffffff,";
    if (c.fn == "GetFileAttributesA") return c.result == INVALID_FILE_ATTRIBUTES ? "0xffffffff," : "0x";
    return std::to_string(static_cast<LONG>(c.result));
}

// The line is "MIXER[thread] " and `head`, then one part for each request
// the platform logged, in order: its function, and its result after " = ".
void ExpectLineOfTheLog(const std::string& line, const std::string& head) {
    EXPECT_TRUE(std::regex_search(line, std::regex("^MIXER\\[\\d+\\] "))) << line;
    EXPECT_EQ(line.find("] " + head), line.find("] ")) << line;
    const std::vector<sim::Call> logged = LoggedRequests();
    const std::vector<std::string> parts = Requests(line);
    ASSERT_EQ(parts.size(), logged.size()) << line;
    for (size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i].rfind(logged[i].fn + "(", 0), 0u) << i << ": " << parts[i];
        EXPECT_NE(parts[i].find(") = " + Shown(logged[i])), std::string::npos) << i << ": " << parts[i];
    }
}

// A setter, failures of each kind of result, and a settings file that cannot
// be written or read: each call is one line, every request the platform saw
// in it, in order, with the result it gave; `parts` are some of them whole.
TEST_F(TraceTest, LineShowsTheCallAndEveryRequestOfTheLog) {
    const std::string settings = Path("mixer.ini");
    const std::string unwritable = Path("no/such/folder/mixer.ini");
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<LONG()> call;
        LONG result;
        std::string head;                // the call and its result
        std::vector<std::string> parts;  // requests the line shows
    } cases[] = {
        {"setter", [] {}, [] { return SetPlayMainVolume(30000); }, 1, "SetPlayMainVolume(30000) = 1",
         {"mixerGetNumDevs() = 1", "mixerGetDevCapsA(0) = MMSYSERR_NOERROR, \"AX200 Mixer\", 2 destinations",
          "mixerSetControlDetails(0x0, 0x0, control 1, 2.0, [30000 30000]) = MMSYSERR_NOERROR"}},
        {"getter", [] { SetPlayMainVolume(41000); }, [] { return GetPlayMainVolume(); }, 41000,
         "GetPlayMainVolume() = 41000",
         {"mixerGetControlDetailsA(0x0, 0x0, control 1, 1.0) = MMSYSERR_NOERROR, [41000]"}},
        {"refused write", [] { sim::FailFunction("mixerSetControlDetails", MIXERR_INVALCONTROL); },
         [] { return SetPlayMainVolume(100); }, 1, "SetPlayMainVolume(100) = 1",
         {"mixerSetControlDetails(0x0, 0x0, control 1, 2.0, [100 100]) = MIXERR_INVALCONTROL"}},
        {"no device", [] { sim::FailFunction("mixerOpen", MMSYSERR_BADDEVICEID); },
         [] { return GetRecMicVolume(); }, -1, "GetRecMicVolume() = -1",
         {"mixerOpen(0, 0x0) = MMSYSERR_BADDEVICEID, handle 0x0"}},
        {"CD drive not ready", [] { sim::FailMciCommand(MCI_OPEN, MCIERR_DEVICE_NOT_READY); },
         [] { return OpenCD(); }, 276, "OpenCD() = mcierr 276",
         {"mciSendCommandA(0, 0x803, 0x2000, \"cdaudio\") = mcierr 276, device 0"}},
        {"registry", [] {}, [] {
             char buffer[256];
             return GetTavrinDirectory(buffer);
         },
         0, "GetTavrinDirectory(0x",
         {"RegOpenKeyExA(0x80000002, \"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE\", "
          "0x1) = error 2, key 0x0"}},
        {"settings file cannot be written", [] {}, [&] { return Save(unwritable.c_str()); }, 0,
         "Save(\"" + unwritable + "\") = 0", {}},
        {"settings file missing", [] {}, [&] { return Set(settings.c_str()); }, 0, "Set(\"" + settings + "\") = 0",
         {"CreateFileA(\"" + settings + "\", 0x80000000, 3) = 0xffffffff, error 2"}},
    };
    Load(Path("trace.log"));
    for (const Case& c : cases) {
        c.arrange();
        sim::ClearLog();
        const size_t before = Read("trace.log").size();
        EXPECT_EQ(c.call(), c.result) << c.what;
        sim::ClearFaults();
        Write("new.log", Read("trace.log").substr(before));
        const std::vector<std::string> lines = Lines("new.log");
        ASSERT_EQ(lines.size(), 1u) << c.what;
        SCOPED_TRACE(c.what);
        ExpectLineOfTheLog(lines[0], c.head);
        for (const std::string& r : c.parts)
            EXPECT_NE(lines[0].find(" | " + r), std::string::npos) << r << "\n" << lines[0];
    }
}

// Every bar of a line separates two parts: a string's bars and bytes outside
// printable ASCII show as \xNN.
TEST_F(TraceTest, StringsKeepTheLineWhole) {
    Load(Path("trace.log"));
    EXPECT_EQ(SetMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, 1, 5, "Line \"In\" | \t\n\xE9", 1), 0);
    const std::vector<std::string> lines = Lines("trace.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("] SetMixer(0x1002, 1, 5, \"Line \"In\" \\x7C \\x09\\x0A\\xE9\", 1) = 0 | "),
              std::string::npos)
        << lines[0];
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
    EXPECT_EQ(Requests(lines[0]).size() + Requests(lines[1]).size(), LoggedRequests().size());
    // The settings file's requests are there, the temporary file's name and all.
    EXPECT_NE(lines[0].find(" | WriteFile(0x"), std::string::npos);
    EXPECT_NE(lines[0].find(".tmp\", \"" + Path("mixer.ini") + "\", 0x9) = 1, error 0"), std::string::npos);
    // A call left without its result says so, and the next call has its own
    // line again.
    { ExportCall abandoned("Abandoned(%d)", 1); }
    EXPECT_EQ(GetPlayMainVolume(), GetPlayMainVolume());
    const std::vector<std::string> after = Lines("trace.log");
    ASSERT_EQ(after.size(), 5u);
    EXPECT_NE(after[2].find("] Abandoned(1) = (no result)"), std::string::npos) << after[2];
    EXPECT_NE(after[3].find("] GetPlayMainVolume() = "), std::string::npos) << after[3];
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
         {" | mixerGetLineInfoA(0x0, 0x3, 0.0, line 0x0, type 0x7) = MIXERR_INVALLINE, ",
          " | waveOutMessage(0, 0x812) = MMSYSERR_NOERROR | waveOutMessage(0, 0x811) = MMSYSERR_NOERROR | ",
          " | CoInitializeEx(0x0) = 0x0 | ",
          " | CoCreateInstance(MMDeviceEnumerator, 0x17) = 0x0 | IMMDeviceEnumerator::GetDevice(0, 0) = 0x0 | ",
          " | IAudioEndpointVolume::GetChannelCount(2, 0) = 0x0 | ",
          " | IAudioEndpointVolume::SetMasterVolumeLevelScalar(0, 500000) = 0x0 | ",
          " | IAudioEndpointVolume::GetMasterVolumeLevelScalar(0, 500000) = 0x0"})
        EXPECT_NE(lines[0].find(part), std::string::npos) << part << "\n" << lines[0];
    EXPECT_EQ(lines[1].find("GetChannelCount(2, 0) = 0x0 | IAudioEndpointVolume::GetMasterVolumeLevelScalar"),
              std::string::npos)
        << "one probe: " << lines[1];
    EXPECT_NE(lines[1].find(" | IAudioEndpointVolume::GetChannelVolumeLevelScalar(1, 250000) = 0x0 | "),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[1].find(" | IAudioEndpointVolume::SetChannelVolumeLevelScalar(1, 499992) = 0x0"), std::string::npos)
        << lines[1];
    // AUDCLNT_E_DEVICE_INVALIDATED
    EXPECT_NE(lines[2].find(" | IAudioEndpointVolume::GetMute(0, 0) = 0x88890004"), std::string::npos)
        << lines[2];
}
