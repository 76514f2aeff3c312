// Instructions of the exports that reach Core Audio's endpoint volume
// against their bare request sequences, natively, on tests/cards/windows.json
// with Windows' Core Audio (the probe made before the first counted call).
//
//   bench_coreaudio list              the exports and their bare sequences
//   bench_coreaudio run NAME N        N calls of one (bare:NAME the bare one)
//
// As bench_calls does, each call goes through bench_one(), which callgrind
// collects (bench/callgrind.py --bin bench_coreaudio). The bare sequences
// make the library's requests directly against the Win32 and COM names,
// with the identifier in a stack buffer and nothing else.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/endpoint_probe.h"
#include "engine/endpoint_volume.h"
#include "core/state.h"
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "sim.h"
#include "test_cards.h"

extern "C" __attribute__((noinline)) long bench_one(long (*call)()) { return call(); }

namespace {

// The endpoint volume of wave-out device 0, for one call.
struct Bare {
    HRESULT com = E_FAIL;
    IMMDeviceEnumerator* enumerator = nullptr;
    IMMDevice* device = nullptr;
    void* object = nullptr;

    bool Open(REFIID iid) {
        UINT mixer = 1;
        if (mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0)), &mixer, MIXER_OBJECTF_WAVEOUT) !=
                MMSYSERR_NOERROR ||
            mixer != 0)
            return false;
        ULONG bytes = 0;
        if (waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0)), DRV_QUERYFUNCTIONINSTANCEIDSIZE,
                           reinterpret_cast<DWORD_PTR>(&bytes), 0) != MMSYSERR_NOERROR)
            return false;
        WCHAR id[260];
        if (bytes > sizeof id ||
            waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0)), DRV_QUERYFUNCTIONINSTANCEID,
                           reinterpret_cast<DWORD_PTR>(id), bytes) != MMSYSERR_NOERROR)
            return false;
        com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        return SUCCEEDED(com) &&
               SUCCEEDED(CoCreateInstance(kClsidDeviceEnumerator, nullptr, CLSCTX_ALL, kIidDeviceEnumerator,
                                          reinterpret_cast<void**>(&enumerator))) &&
               SUCCEEDED(enumerator->GetDevice(id, &device)) &&
               SUCCEEDED(device->Activate(iid, CLSCTX_ALL, nullptr, &object));
    }
    IAudioEndpointVolume* volume() const { return static_cast<IAudioEndpointVolume*>(object); }
    ~Bare() {
        if (object != nullptr) static_cast<IUnknown*>(object)->Release();
        if (device != nullptr) device->Release();
        if (enumerator != nullptr) enumerator->Release();
        if (SUCCEEDED(com)) CoUninitialize();
    }
};

long BareGetVolume() {
    Bare b;
    float level = 0.0f;
    if (!b.Open(kIidEndpointVolume) || FAILED(b.volume()->GetMasterVolumeLevelScalar(&level))) return -1;
    return LevelOfScalar(level);
}

long BareGetMute() {
    Bare b;
    BOOL mute = FALSE;
    if (!b.Open(kIidEndpointVolume) || FAILED(b.volume()->GetMute(&mute))) return -1;
    return mute != FALSE;
}

long BareSetMute() {
    Bare b;
    if (b.Open(kIidEndpointVolume)) b.volume()->SetMute(TRUE, nullptr);
    return 1;
}

// The level or balance rule over the first and last channel.
long BareChannels(LONG value, bool balance) {
    Bare b;
    UINT channels = 0;
    if (!b.Open(kIidEndpointVolume) || FAILED(b.volume()->GetChannelCount(&channels)) || channels == 0) return 1;
    const UINT which[2] = {0, channels - 1};
    LONG levels[2];
    for (int i = 0; i < 2; ++i) {
        float scalar = 0.0f;
        if (FAILED(b.volume()->GetChannelVolumeLevelScalar(which[i], &scalar))) return 1;
        levels[i] = LevelOfScalar(scalar);
    }
    if (balance)
        ApplyBalanceRule(&levels[0], &levels[1], value);
    else
        ApplyLevelRule(&levels[0], &levels[1], value);
    for (int i = 0; i < 2; ++i)
        if (FAILED(b.volume()->SetChannelVolumeLevelScalar(which[i], ScalarOfLevel(levels[i]), nullptr))) return 1;
    return 1;
}

long BarePeak() {
    Bare b;
    float peak = 0.0f;
    if (!b.Open(kIidMeterInformation) || FAILED(static_cast<IAudioMeterInformation*>(b.object)->GetPeakValue(&peak)))
        return 0;
    return peak >= 1.0f ? 32767 : NearestLevel(static_cast<double>(peak) * 32767.0);
}

const struct Case {
    const char* name;
    long (*call)();
    long (*bare)();
} kCases[] = {
    {"GetPlayMainVolume", [] { return long(GetPlayMainVolume()); }, BareGetVolume},
    {"SetPlayMainVolume", [] { return long(SetPlayMainVolume(41000)); }, [] { return BareChannels(41000, false); }},
    {"GetPlayMainMute", [] { return long(GetPlayMainMute()); }, BareGetMute},
    {"SetPlayMainMute", [] { return long(SetPlayMainMute(1)); }, BareSetMute},
    {"SetPlayMainBalance", [] { return long(SetPlayMainBalance(3)); }, [] { return BareChannels(3, true); }},
    {"GetPeak", [] { return long(GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)); }, BarePeak},
};

int Run(const std::string& name, long n) {
    const bool bare = name.compare(0, 5, "bare:") == 0;
    const std::string wanted = bare ? name.substr(5) : name;
    const Case* c = nullptr;
    for (const Case& k : kCases)
        if (wanted == k.name) c = &k;
    if (c == nullptr) {
        std::fprintf(stderr, "unknown export %s\n", name.c_str());
        return 2;
    }
    long (*call)() = bare ? c->bare : c->call;
    sim::Reset();
    ResetLibraryState();
    ForgetEndpointVerdict();
    nlohmann::json card = TestCard("windows");
    card["devices"][0]["endpointVolume"] = {{"peak", 0.5}};
    sim::LoadCard(card, "windows.json");
    if (!EndpointLevelsServe()) {
        std::fprintf(stderr, "the endpoint volume does not serve\n");
        return 1;
    }
    const long first = call();  // warm
    sim::ClearLog();
    call();
    const size_t platformCalls = sim::Log().size();
    sim::ClearLog();
    long sink = 0;
    for (long i = 0; i < n; ++i) {
        sink += bench_one(call);
        sim::ClearLog();
    }
    std::printf("%s calls=%ld platform_calls=%zu mixer_requests=0 first=%ld sink=%ld\n", name.c_str(), n,
                platformCalls, first, sink);
    return sim::ComReferences() == 0 && sim::ComInitializations() == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "list") {
        for (const Case& c : kCases) std::printf("%s\nbare:%s\n", c.name, c.name);
        return 0;
    }
    if (mode == "run" && argc == 4) return Run(argv[2], std::atol(argv[3]));
    std::fprintf(stderr, "usage: %s list | run NAME N\n", argv[0]);
    return 2;
}
