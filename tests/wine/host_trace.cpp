// The trace under Wine: a copy of MIXER.DLL under another name is a module of
// its own, loaded here with MIXER_TRACE set, so that it reads the variable at
// its load while the library the other tests use stays untraced.
#include "host.h"

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

namespace {

// A copy of the loaded MIXER.DLL in the temporary directory, loaded with
// MIXER_TRACE set to `trace` and unset again once it is loaded.
class TracedCopy {
public:
    explicit TracedCopy(const std::string& trace) {
        char dir[MAX_PATH + 1] = {0};
        GetTempPathA(sizeof dir, dir);
        path_ = std::string(dir) + "MIXERTRC.DLL";
        copied_ = CopyFileA(Dll().Path().c_str(), path_.c_str(), FALSE) != FALSE;
        SetEnvironmentVariableA("MIXER_TRACE", trace.c_str());
        if (copied_) dll_.Load(path_);
        SetEnvironmentVariableA("MIXER_TRACE", nullptr);
    }
    ~TracedCopy() {
        dll_.Unload();
        DeleteFileA(path_.c_str());
    }
    bool Loaded() const { return dll_.Loaded(); }
    const mixertools::MixerDll& dll() const { return dll_; }
    // Unloads the copy: the trace file is given back.
    void Unload() { dll_.Unload(); }

private:
    std::string path_;
    bool copied_ = false;
    mixertools::MixerDll dll_;
};

std::string TempPath(const char* name) {
    char dir[MAX_PATH + 1] = {0};
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// SetPlayMainVolume on Wine's mixer: the line shows the device-0 requests
// and what Wine answered, and the results are the untraced library's.
TEST(Trace, SetPlayMainVolumeShowsDeviceZerosRequests) {
    const std::string trace = TempPath("mixer-trace-test.log");
    DeleteFileA(trace.c_str());
    TracedCopy copy(trace);
    ASSERT_TRUE(copy.Loaded());
    const auto get = MIXER_DLL_FUNCTION(copy.dll(), GetPlayMainVolume);
    const auto set = MIXER_DLL_FUNCTION(copy.dll(), SetPlayMainVolume);
    ASSERT_TRUE(get && set);
    // Wine keeps the level per process: the copy and the library the other
    // tests use read the same one.
    const LONG volume = get();
    EXPECT_EQ(volume, CALL(GetPlayMainVolume)());
    ASSERT_GE(volume, 0);
    EXPECT_EQ(set(volume), 1);
    copy.Unload();

    std::istringstream in(ReadAll(trace));
    DeleteFileA(trace.c_str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_search(lines[0], std::regex("^MIXER\\[\\d+\\] GetPlayMainVolume\\(\\) = " +
                                                       std::to_string(volume) + " \\| ")))
        << lines[0];
    // The first call probes Core Audio once its line is found: Wine's
    // endpoint volume gives no channel count, and the library keeps to the
    // mixer; the second call asks no more.
    EXPECT_NE(lines[0].find(" | CoCreateInstance(MMDeviceEnumerator, 0x17) = 0x0 | "), std::string::npos) << lines[0];
    // E_NOTIMPL
    EXPECT_NE(lines[0].find(" | IAudioEndpointVolume::GetChannelCount(0, 0) = 0x80004001 | "), std::string::npos)
        << lines[0];
    EXPECT_EQ(lines[1].find("CoInitializeEx"), std::string::npos) << lines[1];
    const std::string& line = lines[1];
    EXPECT_TRUE(std::regex_search(line, std::regex("^MIXER\\[\\d+\\] SetPlayMainVolume\\(" + std::to_string(volume) +
                                                   "\\) = 1 \\| mixerGetNumDevs\\(\\) = [1-9]\\d* \\| ")))
        << line;
    const char* const wanted[] = {
        " | mixerOpen(0, 0x0) = MMSYSERR_NOERROR, handle 0x",
        " | mixerGetDevCapsA(0) = MMSYSERR_NOERROR, ",
        " | mixerGetLineInfoA(0x0, 0x0, 0.",
        ") = MMSYSERR_NOERROR, line 0x",
        " type 0x4 ",
        " | mixerGetLineControlsA(0x0, 0x0, line 0x",
        " | mixerGetControlDetailsA(0x0, 0x0, control ",
        " | mixerSetControlDetails(0x0, 0x0, control ",
    };
    size_t at = 0;
    for (const char* w : wanted) {
        const size_t found = line.find(w, at);
        EXPECT_NE(found, std::string::npos) << "in order: " << w << "\n" << line;
        if (found != std::string::npos) at = found;
    }
    EXPECT_TRUE(std::regex_search(line, std::regex(" \\| mixerClose\\(0x[0-9a-f]+\\) = MMSYSERR_NOERROR$")))
        << line;
}

// A trace file that cannot be opened changes no result.
TEST(Trace, UnopenableFileChangesNothing) {
    TracedCopy copy("C:\\no\\such\\folder\\mixer-trace.log");
    ASSERT_TRUE(copy.Loaded());
    const auto get = MIXER_DLL_FUNCTION(copy.dll(), GetPlayMainVolume);
    const auto getMute = MIXER_DLL_FUNCTION(copy.dll(), GetPlayMainMute);
    EXPECT_EQ(get(), CALL(GetPlayMainVolume)());
    EXPECT_EQ(getMute(), CALL(GetPlayMainMute)());
    EXPECT_EQ(GetFileAttributesA("C:\\no\\such\\folder"), INVALID_FILE_ATTRIBUTES);
}
