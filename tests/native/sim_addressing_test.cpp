// The simulated mixer names devices as winmm does: by identifier or handle,
// with Windows' handles or with Wine 8's numbered ones; mixerOpen refuses the
// notifications it cannot deliver; Wine's float store of a level; wave
// devices mapped to their mixers; endpoint controls that act on one value.
#include "fixture.h"
#include "endpoint_cards.h"

#include <cstring>

namespace {

class SimAddressingTest : public SimTest {};

HMIXEROBJ Obj(UINT_PTR value) { return reinterpret_cast<HMIXEROBJ>(value); }

// The product name of the device a line request reaches through `object`, or
// the request's error as text.
// The product name of the device a line request on `object` reaches: its
// capabilities, by the identifier mixerGetID gives (a Target names the
// device on Windows' lines, not on all of Wine's).
std::string DeviceNamed(UINT_PTR object, DWORD flags) {
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    MMRESULT r = mixerGetLineInfoA(Obj(object), &line, flags | MIXER_GETLINEINFOF_DESTINATION);
    UINT id = 0;
    if (r == MMSYSERR_NOERROR) r = mixerGetID(Obj(object), &id, flags);
    MIXERCAPSA caps;
    if (r == MMSYSERR_NOERROR) r = mixerGetDevCapsA(id, &caps, sizeof caps);
    if (r != MMSYSERR_NOERROR) return "error " + std::to_string(r);
    return caps.szPname;
}

void TwoDevices() {
    sim::LoadCardText(R"({"devices": [
        {"name": "First", "destinations": [{"name": "Master Volume", "type": "speakers", "sources": [{"name": "Line", "type": "line"}]}]},
        {"name": "Second", "destinations": [{"name": "Master Volume", "type": "speakers", "sources": [{"name": "Line", "type": "line"}]}]}]})",
                      "two devices");
}

TEST_F(SimAddressingTest, IdentifiersAndHandlesAsWindowsNamesThem) {
    TwoDevices();
    HMIXER h = nullptr;
    ASSERT_EQ(mixerOpen(&h, 1, 0, 0, 0), MMSYSERR_NOERROR);
    const UINT_PTR handle = reinterpret_cast<UINT_PTR>(h);
    // MIXER_OBJECTF_MIXER: an identifier, or a handle, which Windows takes there too.
    EXPECT_EQ(DeviceNamed(0, MIXER_OBJECTF_MIXER), "First");
    EXPECT_EQ(DeviceNamed(1, MIXER_OBJECTF_MIXER), "Second");
    EXPECT_EQ(DeviceNamed(handle, MIXER_OBJECTF_MIXER), "Second");
    EXPECT_EQ(DeviceNamed(2, MIXER_OBJECTF_MIXER), "error " + std::to_string(MMSYSERR_BADDEVICEID));
    // MIXER_OBJECTF_HMIXER: an open handle only.
    EXPECT_EQ(DeviceNamed(handle, MIXER_OBJECTF_HMIXER), "Second");
    EXPECT_EQ(DeviceNamed(0, MIXER_OBJECTF_HMIXER), "error " + std::to_string(MMSYSERR_INVALHANDLE));
    // Wave and MIDI objects are not modelled.
    EXPECT_EQ(DeviceNamed(0, MIXER_OBJECTF_WAVEOUT), "error " + std::to_string(MMSYSERR_INVALHANDLE));
    ASSERT_EQ(mixerClose(h), MMSYSERR_NOERROR);
    EXPECT_EQ(DeviceNamed(handle, MIXER_OBJECTF_HMIXER), "error " + std::to_string(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(mixerClose(h), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(sim::OpenMixerHandles(), 0);
}

TEST_F(SimAddressingTest, OpenRefusesNotificationsItCannotDeliver) {
    // What Wine's conformance tests (dlls/winmm/tests/mixer.c, test_mixerOpen)
    // expect of Windows for every device.
    TwoDevices();
    for (UINT device = 0; device < 2; ++device) {
        HMIXER h = nullptr;
        EXPECT_EQ(mixerOpen(&h, device, 0, 0, CALLBACK_FUNCTION), static_cast<MMRESULT>(MMSYSERR_INVALFLAG));
        EXPECT_EQ(mixerOpen(&h, device, 0xdeadbeef, 0, CALLBACK_WINDOW), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
        EXPECT_EQ(sim::OpenMixerHandles(), 0);
        for (DWORD flags : {DWORD(CALLBACK_WINDOW), DWORD(CALLBACK_THREAD), DWORD(CALLBACK_EVENT), DWORD(0)}) {
            ASSERT_EQ(mixerOpen(&h, device, 0, 0, flags), MMSYSERR_NOERROR) << flags;
            EXPECT_EQ(mixerClose(h), MMSYSERR_NOERROR);
        }
    }
    HMIXER h = nullptr;
    EXPECT_EQ(mixerOpen(&h, 3, 0, 0, 0), static_cast<MMRESULT>(MMSYSERR_BADDEVICEID));
    EXPECT_EQ(mixerOpen(&h, static_cast<UINT>(-1), 0, 0, 0), static_cast<MMRESULT>(MMSYSERR_BADDEVICEID));
    EXPECT_EQ(sim::OpenMixerHandles(), 0);
}

// Opens device `device` n times, closing each handle, and returns the last.
UINT_PTR OpenTimes(UINT device, long n) {
    HMIXER h = nullptr;
    for (long i = 0; i < n; ++i) {
        EXPECT_EQ(mixerOpen(&h, device, 0, 0, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(mixerClose(h), MMSYSERR_NOERROR);
        if (i % 4096 == 0) sim::ClearLog();
    }
    sim::ClearLog();
    return reinterpret_cast<UINT_PTR>(h);
}

TEST_F(SimAddressingTest, WineNumbersHandlesFromACounterThatNeverGoesDown) {
    BuildWineCard(true);  // Out: default, Out: null2, In: default
    const std::string invalid = "error " + std::to_string(MMSYSERR_INVALHANDLE);
    // Each open's handle, and what it names with either flag.
    struct Window {
        long opens;  // opens of device 0 before this one
        UINT_PTR handle;
        const char* names;
    } windows[] = {{0, 0xC000, "Out: default"},          {255, 0xC0FF, "Out: default"},
                   {256, 0xC100, "Out: null2"},            {511, 0xC1FF, "Out: null2"},
                   {512, 0xC200, nullptr},                  {16383, 0xFFFF, nullptr},
                   {16384, 0xC000, "Out: default"},        {16639, 0xC0FF, "Out: default"},
                   {16640, 0xC100, "Out: null2"},          {32768, 0xC000, "Out: default"},
                   {49407, 0xC0FF, "Out: default"},        {49408, 0xC100, "Out: null2"},
                   {65535, 0xFFFF, nullptr},                {65536, 0x1C000, nullptr},
                   {65791, 0x1C0FF, nullptr}};
    long opened = 0;
    for (const Window& w : windows) {
        OpenTimes(0, w.opens - opened);
        HMIXER h = nullptr;
        ASSERT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
        opened = w.opens + 1;
        const UINT_PTR handle = reinterpret_cast<UINT_PTR>(h);
        EXPECT_EQ(handle, w.handle) << "open " << w.opens;
        const std::string want = w.names ? w.names : invalid;
        EXPECT_EQ(DeviceNamed(handle, MIXER_OBJECTF_MIXER), want) << "open " << w.opens;
        EXPECT_EQ(DeviceNamed(handle, MIXER_OBJECTF_HMIXER), want) << "open " << w.opens;
        // The identifier names device 0 whatever the counter.
        EXPECT_EQ(DeviceNamed(0, MIXER_OBJECTF_MIXER), "Out: default");
        EXPECT_EQ(mixerClose(h), MMSYSERR_NOERROR);
    }
    // Each device counts for itself; a recording device's handles have bit 14
    // clear and its own position.
    HMIXER h = nullptr;
    ASSERT_EQ(mixerOpen(&h, 1, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(h), 0xC100u);
    EXPECT_EQ(mixerClose(h), MMSYSERR_NOERROR);
    ASSERT_EQ(mixerOpen(&h, 2, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(h), 0x8000u);
    EXPECT_EQ(DeviceNamed(0x8000, MIXER_OBJECTF_HMIXER), "In: default");
    // A handle never opened names a device all the same, and closing does nothing.
    EXPECT_EQ(DeviceNamed(0xC105, MIXER_OBJECTF_HMIXER), "Out: null2");
    EXPECT_EQ(mixerClose(reinterpret_cast<HMIXER>(static_cast<UINT_PTR>(0x1234))), MMSYSERR_NOERROR);
    EXPECT_EQ(sim::OpenMixerHandles(), 1);  // the recording device's handle, not closed
}

TEST_F(SimAddressingTest, WineKeepsALevelAsAFloat) {
    // Every level written by identifier and read back: the counts measured
    // under Wine 8 with its master volume.
    WineCard card = BuildWineCard();
    const DWORD id = card.volume->id;
    int lower = 0, lowerStill = 0, further = 0;
    for (LONG level = 0; level <= 65535; ++level) {
        ASSERT_EQ(WriteValue(0, id, level), MMSYSERR_NOERROR);
        const LONG read = ReadValue(0, id);
        if (read == level - 1) ++lower;
        if (read < level - 1 || read > level) ++further;
        ASSERT_EQ(WriteValue(0, id, read), MMSYSERR_NOERROR);  // what a write-back did
        if (ReadValue(0, id) < read) ++lowerStill;
        if (level % 4096 == 0) sim::ClearLog();
    }
    EXPECT_EQ(lower, 32895);
    EXPECT_EQ(lowerStill, 31871);
    EXPECT_EQ(further, 0);
    // 256 reads each written back take 50000 to 49919, as measured; reads
    // alone change nothing.
    ASSERT_EQ(WriteValue(0, id, 50000), MMSYSERR_NOERROR);
    const LONG first = ReadValue(0, id);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(ReadValue(0, id), first);
    for (int i = 0; i < 256; ++i) WriteValue(0, id, ReadValue(0, id));
    EXPECT_EQ(ReadValue(0, id), 49919);
    // Out of range is refused before anything is kept; a control without the
    // quirk keeps what it is given.
    EXPECT_EQ(WriteValue(0, id, 65536), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
    card.volume->refuseOutOfRange = false;
    ASSERT_EQ(WriteValue(0, id, 70000), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadValue(0, id), 70000);
    card.volume->floatLevel = false;
    ASSERT_EQ(WriteValue(0, id, 1000), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadValue(0, id), 1000);
}

TEST_F(SimAddressingTest, WaveDevicesMapToTheirMixers) {
    // A card's own mixer serves both directions, an endpoint's one; wave
    // device n of a direction is the n-th mixer serving it. Wine refuses an
    // identifier past the devices with MMSYSERR_INVALHANDLE and stores it;
    // Windows answers MMSYSERR_BADDEVICEID and stores -1.
    sim::LoadCardText(R"({"devices": [{"name": "Card"},
        {"name": "Out 1", "endpoint": "playback", "destinations": [{"name": "Out", "type": "speakers"}]},
        {"name": "In 1", "endpoint": "recording", "destinations": [{"name": "In", "type": "wavein"}]},
        {"name": "Out 2", "endpoint": "playback", "destinations": [{"name": "Out", "type": "speakers"}]}]})",
                      "a card and three endpoints");
    EXPECT_EQ(waveOutGetNumDevs(), 3u);
    EXPECT_EQ(waveInGetNumDevs(), 2u);
    struct Row {
        UINT_PTR object;
        DWORD flags;
        bool wine;
        MMRESULT result;
        UINT id;
    } rows[] = {
        {0, MIXER_OBJECTF_WAVEOUT, false, MMSYSERR_NOERROR, 0},
        {1, MIXER_OBJECTF_WAVEOUT, false, MMSYSERR_NOERROR, 1},
        {2, MIXER_OBJECTF_WAVEOUT, false, MMSYSERR_NOERROR, 3},
        {0, MIXER_OBJECTF_WAVEIN, false, MMSYSERR_NOERROR, 0},
        {1, MIXER_OBJECTF_WAVEIN, false, MMSYSERR_NOERROR, 2},
        {2, MIXER_OBJECTF_WAVEIN, false, MMSYSERR_BADDEVICEID, static_cast<UINT>(-1)},
        {2, MIXER_OBJECTF_WAVEIN, true, MMSYSERR_INVALHANDLE, 2},
        {WAVE_MAPPER, MIXER_OBJECTF_WAVEIN, true, MMSYSERR_INVALHANDLE, WAVE_MAPPER},
        {WAVE_MAPPER, MIXER_OBJECTF_WAVEOUT, false, MMSYSERR_BADDEVICEID, static_cast<UINT>(-1)},
        {3, MIXER_OBJECTF_MIXER, false, MMSYSERR_NOERROR, 3},
        {4, MIXER_OBJECTF_MIXER, false, MMSYSERR_BADDEVICEID, 77},
        {0, MIXER_OBJECTF_AUX, false, MMSYSERR_NODRIVER, static_cast<UINT>(-1)},
        {0, MIXER_OBJECTF_WAVEIN | 1, false, MMSYSERR_INVALFLAG, 77},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.object) + " flags " + std::to_string(row.flags) + (row.wine ? " Wine" : ""));
        sim::SetWineDeviceIds(row.wine);
        UINT id = 77;
        EXPECT_EQ(mixerGetID(Obj(row.object), &id, row.flags), row.result);
        EXPECT_EQ(id, row.id);
    }
    EXPECT_EQ(mixerGetID(Obj(0), nullptr, MIXER_OBJECTF_WAVEIN), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

TEST_F(SimAddressingTest, WaveMapperNamesThePreferredDevice) {
    // The preferred wave-in device as set; the wave-out mapper names device
    // 0; Wine names none (-1) until the process has asked for a device count.
    sim::LoadCardText(R"({"preferredWaveIn": 3, "wineDeviceIds": true, "devices": [
        {"name": "In", "endpoint": "recording", "destinations": [{"name": "In", "type": "wavein"}]}]})",
                      "one recording endpoint");
    auto preferred = [](bool in, MMRESULT* r) {
        DWORD id = 55, flags = 55;
        const DWORD_PTR p1 = reinterpret_cast<DWORD_PTR>(&id), p2 = reinterpret_cast<DWORD_PTR>(&flags);
        *r = in ? waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)), DRVM_MAPPER_PREFERRED_GET, p1, p2)
                : waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)), DRVM_MAPPER_PREFERRED_GET, p1, p2);
        EXPECT_EQ(flags, 0u);
        return id;
    };
    MMRESULT r = 1;
    EXPECT_EQ(preferred(true, &r), static_cast<DWORD>(-1));
    EXPECT_EQ(r, static_cast<MMRESULT>(MMSYSERR_NOERROR));
    EXPECT_EQ(preferred(false, &r), static_cast<DWORD>(-1));
    mixerGetNumDevs();
    EXPECT_EQ(preferred(true, &r), 3u);
    EXPECT_EQ(preferred(false, &r), 0u);
    // Only the mapper and only that message are answered.
    DWORD id = 0, flags = 0;
    EXPECT_EQ(waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(0)), DRVM_MAPPER_PREFERRED_GET,
                            reinterpret_cast<DWORD_PTR>(&id), reinterpret_cast<DWORD_PTR>(&flags)),
              static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)), DRVM_MAPPER + 1,
                            reinterpret_cast<DWORD_PTR>(&id), reinterpret_cast<DWORD_PTR>(&flags)),
              static_cast<MMRESULT>(MMSYSERR_NOTSUPPORTED));
    EXPECT_EQ(waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)), DRVM_MAPPER_PREFERRED_GET,
                            0, reinterpret_cast<DWORD_PTR>(&flags)),
              static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

TEST_F(SimAddressingTest, EndpointControlsActOnOneValue) {
    // A source's volume and mute read and write the destination's, through
    // either line's channel count.
    WindowsCard card = BuildWindowsCard();
    const DWORD source = card.lineSourceVolume->id;
    ASSERT_EQ(WriteValue(2, source, 1234), MMSYSERR_NOERROR);
    EXPECT_EQ(card.lineVolume->values, (std::vector<LONG>{1234, 1234}));
    card.lineVolume->values = {10, 20};
    EXPECT_EQ(ReadValue(2, source), 20);
    ASSERT_EQ(WriteValue(2, card.lineSourceMute->id, 1), MMSYSERR_NOERROR);
    EXPECT_EQ(card.lineMute->Value(), 1);
    EXPECT_EQ(ReadValue(2, card.lineMute->id), 1);
    // A control that acts on one that does not exist fails every request.
    card.lineSourceVolume->actsOn = 9999;
    EXPECT_EQ(ReadValue(2, source), -12345);
}

}  // namespace
