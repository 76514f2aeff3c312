// Core Audio's endpoint volume and meter across processes, end to end under
// Wine. The parent registers the test-only server (endpoint_server.cpp) for
// CLSID_MMDeviceEnumerator in this run's prefix, gives the endpoints' meters
// their peaks and starts one process a step: one sets the endpoints, the
// next reads them back, first through Core Audio directly, then through
// MIXER.DLL. Every step ends with every reference the server handed out on
// its thread released. Wine's winmm creates the enumerator too: a step's
// mixer devices show that it still works through the server.
#include "host.h"

#include "endpoint_server.h"

#include <mmddk.h>

#include <string>

namespace {

const wchar_t kServerKey[] = L"CLSID\\{BCDE0395-E52F-467C-8E3D-C4579291692E}\\InprocServer32";
// Set for the step processes the parent starts.
const char kStepVariable[] = "MIXER_ENDPOINT_STEP";

// The endpoints as a setting step leaves them: the playback endpoint's
// master level (every channel alike) and mute, the recording endpoint's
// master level and its last channel's level.
struct Levels {
    float playback;
    BOOL playbackMute;
    float recording, recordingLast;
};
const Levels kAfterCoreAudio = {0.25f, TRUE, 0.6f, 0.3f};
const LONG kMainLevel = 257 * 100, kMicLevel = 257 * 180;
const Levels kAfterLibrary = {kMainLevel / 65535.0f, TRUE, kMicLevel / 65535.0f, kMicLevel / 65535.0f};
const float kPlaybackPeak = 0.375f, kRecordingPeak = 0.8125f;

template <typename T>
struct Ref {
    T* p = nullptr;
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() {
        if (p) p->Release();
    }
    void** put() { return reinterpret_cast<void**>(&p); }
    T* operator->() const { return p; }
};

struct ComInit {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ~ComInit() {
        if (SUCCEEDED(hr)) CoUninitialize();
    }
};

// The endpoint's identifier as winmm gives it for a wave device: wave-out
// 0 is mixer device 0's (Recording.EndpointFollowsTheOutput), wave-in 0 the
// recording endpoint's.
std::wstring EndpointId(bool playback) {
    auto message = [&](UINT msg, DWORD_PTR p1, DWORD_PTR p2) {
        return playback ? waveOutMessage(reinterpret_cast<HWAVEOUT>(0), msg, p1, p2)
                        : waveInMessage(reinterpret_cast<HWAVEIN>(0), msg, p1, p2);
    };
    ULONG size = 0;
    if (message(DRV_QUERYFUNCTIONINSTANCEIDSIZE, reinterpret_cast<DWORD_PTR>(&size), 0) != MMSYSERR_NOERROR)
        return L"";
    std::wstring id(size / sizeof(WCHAR) + 1, L'\0');
    if (message(DRV_QUERYFUNCTIONINSTANCEID, reinterpret_cast<DWORD_PTR>(&id[0]), size) != MMSYSERR_NOERROR)
        return L"";
    id.resize(wcslen(id.c_str()));
    return id;
}

// An endpoint's volume and meter through Core Audio.
struct Endpoint {
    Ref<IMMDeviceEnumerator> enumerator;
    Ref<IMMDevice> device;
    Ref<IAudioEndpointVolume> volume;
    Ref<IAudioMeterInformation> meter;
    UINT channels = 0;

    explicit Endpoint(bool playback) {
        const std::wstring id = EndpointId(playback);
        if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                       __uuidof(IMMDeviceEnumerator), enumerator.put())) &&
            SUCCEEDED(enumerator->GetDevice(id.c_str(), &device.p)) &&
            SUCCEEDED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                                       volume.put())) &&
            SUCCEEDED(device->Activate(__uuidof(IAudioMeterInformation), CLSCTX_INPROC_SERVER, nullptr,
                                       meter.put())))
            volume->GetChannelCount(&channels);
    }
    // Two channels at least: the recording endpoint's last one differs.
    bool ok() const { return meter.p && channels >= 2; }
};

// The references that the server's objects made on this thread hold, and
// how many it made; -1 and 0 when this process never loaded the server.
// (Wine's winmm makes and releases its own on the first winmm call's thread.)
struct ServerCount {
    LONG held, made;
};
ServerCount Server() {
    const HMODULE server = GetModuleHandleW(kEndpointServerFile);
    const auto refs = server ? reinterpret_cast<EndpointServerReferencesFn>(reinterpret_cast<void*>(
                                   GetProcAddress(server, ENDPOINT_SERVER_REFERENCES)))
                             : nullptr;
    ServerCount c = {-1, 0};
    if (refs) c.held = refs(GetCurrentThreadId(), &c.made);
    return c;
}

// Both endpoints as `want`, and the meters at the parent's peaks, through
// Core Audio in this process.
void ExpectEndpoints(const Levels& want) {
    ComInit com;
    Endpoint play(true), rec(false);
    ASSERT_TRUE(play.ok() && rec.ok());
    const struct {
        Endpoint& e;
        float master, last, peak;
    } rows[] = {{play, want.playback, want.playback, kPlaybackPeak},
                {rec, want.recording, want.recordingLast, kRecordingPeak}};
    for (const auto& row : rows) {
        SCOPED_TRACE(&row.e == &play ? "playback endpoint" : "recording endpoint");
        float got = -1;
        EXPECT_EQ(row.e.volume->GetMasterVolumeLevelScalar(&got), S_OK);
        EXPECT_NEAR(got, row.master, 1e-6);
        for (UINT c = 0; c < row.e.channels; ++c) {
            EXPECT_EQ(row.e.volume->GetChannelVolumeLevelScalar(c, &got), S_OK);
            EXPECT_NEAR(got, c + 1 == row.e.channels ? row.last : row.master, 1e-6) << "channel " << c;
        }
        EXPECT_EQ(row.e.meter->GetPeakValue(&got), S_OK);
        EXPECT_EQ(got, row.peak);
        float peaks[2] = {-1, -1};
        EXPECT_EQ(row.e.meter->GetChannelsPeakValues(2, peaks), row.e.channels == 2 ? S_OK : E_INVALIDARG);
        if (row.e.channels == 2) {
            EXPECT_EQ(peaks[1], row.peak);
        }
    }
    BOOL mute = 2;
    EXPECT_EQ(play.volume->GetMute(&mute), S_OK);
    EXPECT_EQ(mute, want.playbackMute);
}

bool IsStep() { return GetEnvironmentVariableA(kStepVariable, nullptr, 0) != 0; }
#define STEP_ONLY() \
    if (!IsStep()) GTEST_SKIP() << "a step that SoloEndpointVolume.AcrossProcesses starts"

// Runs this program's step test in a process of its own, sharing this one's
// output; its exit status, or -1 when it did not start or end.
long RunStep(const char* step) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" --gtest_filter=SoloEndpointStep." + step;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process;
    std::fflush(stdout);
    SetEnvironmentVariableA(kStepVariable, "1");
    const BOOL started =
        CreateProcessA(self, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kStepVariable, nullptr);
    if (!started) return -1;
    DWORD status = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    else GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(status);
}

// The server as the class's in-process server while it lives; the class's
// registration as it was afterwards. Wine's COM reads HKLM\Software\Classes
// only (HKEY_CLASSES_ROOT), never HKCU's classes.
class ServerRegistration {
public:
    explicit ServerRegistration(const std::wstring& path) {
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kServerKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                            &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        had_ = Read(nullptr, &oldPath_) && Read(L"ThreadingModel", &oldModel_);
        ok_ = Write(nullptr, path) && Write(L"ThreadingModel", L"Both");
    }
    ~ServerRegistration() {
        if (!key_) return;
        if (had_) {
            Write(nullptr, oldPath_);
            Write(L"ThreadingModel", oldModel_);
        } else {
            RegDeleteValueW(key_, nullptr);
            RegDeleteValueW(key_, L"ThreadingModel");
        }
        RegCloseKey(key_);
    }
    ServerRegistration(const ServerRegistration&) = delete;
    ServerRegistration& operator=(const ServerRegistration&) = delete;
    bool ok() const { return ok_; }

private:
    bool Read(const wchar_t* name, std::wstring* value) const {
        wchar_t buffer[MAX_PATH] = {};
        DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            return false;
        *value = buffer;
        return true;
    }
    bool Write(const wchar_t* name, const std::wstring& value) const {
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    HKEY key_ = nullptr;
    bool had_ = false, ok_ = false;
    std::wstring oldPath_, oldModel_;
};

}  // namespace

TEST(SoloEndpointVolume, AcrossProcesses) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    path = path.substr(0, path.find_last_of(L'\\') + 1) + kEndpointServerFile;
    const HMODULE server = LoadLibraryW(path.c_str());
    ASSERT_TRUE(server) << "endpoint_server.dll beside the host, error " << GetLastError();
    const auto reset = reinterpret_cast<EndpointServerResetFn>(
        reinterpret_cast<void*>(GetProcAddress(server, ENDPOINT_SERVER_RESET)));
    const auto setPeak = reinterpret_cast<EndpointServerSetPeakFn>(
        reinterpret_cast<void*>(GetProcAddress(server, ENDPOINT_SERVER_SET_PEAK)));
    ASSERT_TRUE(reset && setPeak);
    {
        ServerRegistration registration(path);
        ASSERT_TRUE(registration.ok());
        // Each pair of steps from a fresh state, with the meters' peaks.
        const char* const steps[][2] = {{"SetThroughCoreAudio", "ReadAfterCoreAudio"},
                                        {"SetThroughLibrary", "ReadAfterLibrary"}};
        for (const auto& pair : steps) {
            ASSERT_TRUE(reset());
            ASSERT_EQ(setPeak(EndpointId(true).c_str(), kPlaybackPeak), S_OK);
            ASSERT_EQ(setPeak(EndpointId(false).c_str(), kRecordingPeak), S_OK);
            for (const char* step : pair) EXPECT_EQ(RunStep(step), 0) << step;
        }
    }
    FreeLibrary(server);
}

TEST(SoloEndpointStep, SetThroughCoreAudio) {
    STEP_ONLY();
    EXPECT_EQ(mixerGetNumDevs(), 2u);
    {
        ComInit com;
        Endpoint play(true), rec(false);
        ASSERT_TRUE(play.ok() && rec.ok());
        EXPECT_GT(Server().held, 0);
        const struct {
            const char* what;
            HRESULT got, want;
        } calls[] = {
            {"master 1.5", play.volume->SetMasterVolumeLevelScalar(1.5f, nullptr), E_INVALIDARG},
            {"master", play.volume->SetMasterVolumeLevelScalar(kAfterCoreAudio.playback, nullptr), S_OK},
            {"mute", play.volume->SetMute(kAfterCoreAudio.playbackMute, nullptr), S_OK},
            {"mute again", play.volume->SetMute(kAfterCoreAudio.playbackMute, nullptr), S_FALSE},
            {"recording master", rec.volume->SetMasterVolumeLevelScalar(kAfterCoreAudio.recording, nullptr), S_OK},
            {"recording last channel",
             rec.volume->SetChannelVolumeLevelScalar(rec.channels - 1, kAfterCoreAudio.recordingLast, nullptr), S_OK},
        };
        for (const auto& call : calls) EXPECT_EQ(call.got, call.want) << call.what;
    }
    EXPECT_EQ(Server().held, 0);
}

TEST(SoloEndpointStep, ReadAfterCoreAudio) {
    STEP_ONLY();
    ExpectEndpoints(kAfterCoreAudio);
    EXPECT_EQ(Server().held, 0);
}

TEST(SoloEndpointStep, SetThroughLibrary) {
    STEP_ONLY();
    const LONG made = Server().made;
    EXPECT_EQ(CALL(SetPlayMainVolume)(kMainLevel), 1);
    EXPECT_EQ(CALL(SetPlayMainMute)(1), 1);
    EXPECT_EQ(CALL(SetRecMicVolume)(kMicLevel), 1);
    const ServerCount after = Server();
    EXPECT_GT(after.made, made);
    EXPECT_EQ(after.held, 0);
}

TEST(SoloEndpointStep, ReadAfterLibrary) {
    STEP_ONLY();
    ExpectEndpoints(kAfterLibrary);
    EXPECT_EQ(CALL(GetPlayMainVolume)(), kMainLevel);
    EXPECT_EQ(CALL(GetPlayMainMute)(), 1);
    EXPECT_EQ(CALL(GetRecMicVolume)(), kMicLevel);
    EXPECT_NEAR(CALL(GetPeak)(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), kPlaybackPeak * 32767, 1);
    EXPECT_NEAR(CALL(GetPeak)(MIXERLINE_COMPONENTTYPE_DST_WAVEIN), kRecordingPeak * 32767, 1);
    EXPECT_EQ(Server().held, 0);
}
