// The simulated platform's Core Audio against Microsoft's documentation and
// Wine 8's measured answers (sim.h, SetCoreAudio).
#include "engine/endpoint_probe.h"
#include "fixture.h"
#include "test_cards.h"

namespace {

// The endpoint volume of wave-out device 0, with COM initialised for it.
struct Opened {
    ComScope com;
    ComRef<IAudioEndpointVolume> volume;
    bool ok;
    Opened() {
        EndpointError error;
        ok = ActivateEndpoint(false, 0, kIidEndpointVolume, volume.raw(), &error);
    }
    IAudioEndpointVolume* operator->() const { return volume.get(); }
};

void LoadWindows(const char* kind) {
    sim::Reset();
    nlohmann::json card = TestCard("windows");
    card["coreAudio"] = kind;
    card["devices"][0]["endpointVolume"] = {{"levels", {0.8, 0.4}}};
    sim::LoadCard(card, "windows.json");
}

}  // namespace

TEST(SimCoreAudio, WindowsEndpointVolumeAsDocumented) {
    LoadWindows("windows");
    {
        Opened a, b;
        ASSERT_TRUE(a.ok && b.ok);
        float v = 0;
        UINT n = 0;
        BOOL mute = TRUE;
        EXPECT_EQ(a->GetChannelCount(&n), S_OK);
        EXPECT_EQ(n, 2u);
        EXPECT_EQ(a->SetMasterVolumeLevelScalar(1.5f, nullptr), E_INVALIDARG);
        EXPECT_EQ(a->SetMasterVolumeLevelScalar(-0.1f, nullptr), E_INVALIDARG);
        EXPECT_EQ(a->SetChannelVolumeLevelScalar(2, 0.5f, nullptr), E_INVALIDARG);
        EXPECT_EQ(a->SetChannelVolumeLevelScalar(0, 1.01f, nullptr), E_INVALIDARG);
        // The master is the loudest channel; setting it keeps the balance.
        EXPECT_EQ(b->GetMasterVolumeLevelScalar(&v), S_OK);
        EXPECT_FLOAT_EQ(v, 0.8f);
        EXPECT_EQ(a->SetMasterVolumeLevelScalar(0.4f, nullptr), S_OK);
        EXPECT_EQ(b->GetChannelVolumeLevelScalar(1, &v), S_OK);
        EXPECT_FLOAT_EQ(v, 0.2f);
        // One mute an endpoint; the same state again is S_FALSE.
        EXPECT_EQ(a->SetMute(TRUE, nullptr), S_OK);
        EXPECT_EQ(a->SetMute(TRUE, nullptr), S_FALSE);
        EXPECT_EQ(b->GetMute(&mute), S_OK);
        EXPECT_EQ(mute, TRUE);
        EXPECT_EQ(sim::ComInitializations(), 2);  // S_OK, then S_FALSE
    }
    EXPECT_EQ(sim::ComReferences(), 0);
    EXPECT_EQ(sim::ComInitializations(), 0);
    // A thread in another apartment keeps it.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    EXPECT_EQ(sim::ComInitializations(), 0);
}

// Wine 8 as measured, and no Core Audio at all (Windows XP).
TEST(SimCoreAudio, WineAndNone) {
    LoadWindows("wine");
    {
        Opened a, b;
        ASSERT_TRUE(a.ok && b.ok);
        UINT n = 0, step = 0;
        float v = 0;
        BOOL mute = TRUE;
        EXPECT_EQ(a->GetChannelCount(&n), E_NOTIMPL);
        EXPECT_EQ(a->SetMasterVolumeLevelScalar(0.5f, nullptr), E_NOTIMPL);
        EXPECT_EQ(a->GetVolumeStepInfo(&step, &n), E_NOTIMPL);
        EXPECT_EQ(a->GetMasterVolumeLevelScalar(&v), S_OK);
        EXPECT_EQ(v, 1.0f);
        EXPECT_EQ(a->SetMute(TRUE, nullptr), S_OK);
        EXPECT_EQ(b->GetMute(&mute), S_OK);
        EXPECT_EQ(mute, FALSE);  // a fresh object reads 0
        ComRef<IAudioMeterInformation> meter;
        EndpointError error;
        EXPECT_FALSE(ActivateEndpoint(false, 0, kIidMeterInformation, meter.raw(), &error));
        EXPECT_EQ(error.hr, E_NOINTERFACE);
    }
    ULONG bytes = 0;
    WCHAR id[8];
    EXPECT_EQ(waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)),
                             DRV_QUERYFUNCTIONINSTANCEIDSIZE, reinterpret_cast<DWORD_PTR>(&bytes), 0),
              MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutMessage(nullptr, DRV_QUERYFUNCTIONINSTANCEIDSIZE, reinterpret_cast<DWORD_PTR>(&bytes), 0),
              MMSYSERR_NOERROR);
    EXPECT_EQ(bytes, 56 * sizeof(WCHAR));  // Wine's 112 bytes of UTF-16
    EXPECT_EQ(waveOutMessage(nullptr, DRV_QUERYFUNCTIONINSTANCEID, reinterpret_cast<DWORD_PTR>(id), sizeof id),
              MMSYSERR_ERROR);
    LoadWindows("none");
    Opened none;
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(waveOutMessage(nullptr, DRV_QUERYFUNCTIONINSTANCEIDSIZE, reinterpret_cast<DWORD_PTR>(&bytes), 0),
              MMSYSERR_NOTSUPPORTED);
    IMMDeviceEnumerator* e = nullptr;
    EXPECT_EQ(CoCreateInstance(kClsidDeviceEnumerator, nullptr, CLSCTX_ALL, kIidDeviceEnumerator,
                               reinterpret_cast<void**>(&e)),
              REGDB_E_CLASSNOTREG);  // COM is initialised by `none`
    EXPECT_EQ(sim::ComReferences(), 0);
}
