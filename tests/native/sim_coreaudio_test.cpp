// The simulated platform's Core Audio against Wine 8's measured answers
// (sim.h, SetCoreAudio). Windows' documented behaviour is what the endpoint
// tests read and write through the library (endpoint_volume_test.cpp).
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
    sim::LoadCard(card, "windows.json");
}

}  // namespace

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
