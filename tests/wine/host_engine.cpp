// Line search and control writer against Wine's winmm.
#include "host.h"

#include <cstring>

typedef LONG(WINAPI* SetMixerFn)(DWORD, LONG, LONG, LPCSTR, LONG);
typedef LONG(WINAPI* LocateControlFn)(DWORD, LONG, HMIXER, LONG);
typedef LONG(WINAPI* GetPeakFn)(DWORD);

namespace {

struct Master {
    bool ok;
    DWORD lineId;
    DWORD volumeId;
    DWORD muteId;
};

Master FindMaster() {
    Master m;
    std::memset(&m, 0, sizeof m);
    DirectLine d = DirectDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    MIXERCONTROLA vol, mute;
    if (!d.found || !DirectControl(d.line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &vol) ||
        !DirectControl(d.line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &mute))
        return m;
    m.ok = true;
    m.lineId = d.line.dwLineID;
    m.volumeId = vol.dwControlID;
    m.muteId = mute.dwControlID;
    return m;
}

LONG ReadOr(DWORD id, LONG fallback) {
    LONG v = fallback;
    return DirectRead(id, &v) ? v : fallback;
}

}  // namespace

HOST_TEST(wine_has_master_volume) {
    CHECK(mixerGetNumDevs() >= 1);
    MIXERCAPSA caps;
    CHECK_EQ(mixerGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    CHECK(std::strcmp(caps.szPname, "Out: default") == 0);
    CHECK(FindMaster().ok);
}

HOST_TEST(set_mixer_main_volume_matches_direct_write) {
    Master m = FindMaster();
    if (!m.ok) return CHECK(m.ok);
    SetMixerFn setMixer = Fn<SetMixerFn>("SetMixer");
    const LONG saved = ReadOr(m.volumeId, 0);
    const LONG levels[] = {20000, 45000, 0, 65535};
    for (LONG v : levels) {
        // What a direct one-channel write of v leaves behind...
        CHECK(DirectWrite(m.volumeId, v));
        const LONG direct = ReadOr(m.volumeId, -1);
        CHECK(DirectWrite(m.volumeId, 12345));
        // ... is what the library's write leaves behind.
        CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, v, "", 0), 1);
        CHECK_EQ(ReadOr(m.volumeId, -1), direct);
    }
    DirectWrite(m.volumeId, saved);
}

HOST_TEST(set_mixer_main_mute_toggles) {
    Master m = FindMaster();
    if (!m.ok) return CHECK(m.ok);
    SetMixerFn setMixer = Fn<SetMixerFn>("SetMixer");
    const LONG saved = ReadOr(m.muteId, 0);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 7, 5, "", 0), 1);
    CHECK_EQ(ReadOr(m.muteId, -1), 1);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 7, 0, "", 0), 1);
    CHECK_EQ(ReadOr(m.muteId, -1), 0);
    DirectWrite(m.muteId, saved);
}

HOST_TEST(set_mixer_by_name_is_exact) {
    Master m = FindMaster();
    if (!m.ok) return CHECK(m.ok);
    SetMixerFn setMixer = Fn<SetMixerFn>("SetMixer");
    const LONG saved = ReadOr(m.volumeId, 0);
    CHECK(DirectWrite(m.volumeId, 1000));
    CHECK_EQ(setMixer(0, 2, 30000, "Master Volume", 1), 1);
    const LONG after = ReadOr(m.volumeId, -1);
    CHECK(after >= 29999 && after <= 30000);  // Wine keeps the level as a float
    CHECK_EQ(setMixer(0, 2, 5000, "master volume", 1), 0);
    CHECK_EQ(setMixer(0, 2, 5000, "Master", 1), 0);
    CHECK_EQ(ReadOr(m.volumeId, -1), after);
    DirectWrite(m.volumeId, saved);
}

HOST_TEST(absent_lines_change_nothing) {
    Master m = FindMaster();
    if (!m.ok) return CHECK(m.ok);
    SetMixerFn setMixer = Fn<SetMixerFn>("SetMixer");
    const LONG vol = ReadOr(m.volumeId, -1);
    const LONG mute = ReadOr(m.muteId, -1);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, 1, 777, "", 0), 0);      // no line-in
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 3, 1, "", 0), 0);  // no wave-in destination here
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 1, 777, "", 0), 0);  // source code, destination type
    CHECK_EQ(setMixer(0, 1, 777, nullptr, 1), 0);                                 // null name
    CHECK_EQ(ReadOr(m.volumeId, -1), vol);
    CHECK_EQ(ReadOr(m.muteId, -1), mute);
}

HOST_TEST(locate_control_on_destination_line) {
    Master m = FindMaster();
    if (!m.ok) return CHECK(m.ok);
    LocateControlFn locate = Fn<LocateControlFn>("LocateControl");
    HMIXER h = nullptr;
    CHECK_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
    const LONG saved = ReadOr(m.volumeId, 0);
    CHECK_EQ(locate(m.lineId, 22000, h, 2), 1);
    const LONG after = ReadOr(m.volumeId, -1);
    CHECK(after >= 21999 && after <= 22000);
    CHECK_EQ(locate(0x7777, 22000, h, 2), MIXERR_INVALLINE);
    mixerClose(h);
    DirectWrite(m.volumeId, saved);
}
