// The endpoint volume of Core Audio: the level, mute, balance and meter of an
// audio endpoint that Windows' own volume icon shows. Since Windows Vista
// every volume and mute control of winmm's mixer is the calling process's
// own ("Audio Mixers in Windows Vista": changes affect the calling
// application only); the endpoint volume (IAudioEndpointVolume on the
// endpoint's IMMDevice) and its meter (IAudioMeterInformation) are the
// system's.
//
// Here: COM on the calling thread for a scope, references released with
// their holder, the endpoint of a wave device opened by the identifier
// DRV_QUERYFUNCTIONINSTANCEID gives, and the probe that decides whether the
// endpoint volume is there and can be trusted.
//
// Header-only and free of the library's internals, so that a tool hosting
// the library (mixerctl info) makes the very probe the library makes.
#pragma once

#include "engine/line_search.h"
#include "platform/core_audio.h"

// The classes and interfaces, by identifier (<mmdeviceapi.h>,
// <endpointvolume.h>), held here so that no import library of GUIDs is
// needed.
inline constexpr GUID kClsidDeviceEnumerator = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
inline constexpr GUID kIidDeviceEnumerator = {
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
inline constexpr GUID kIidEndpointVolume = {
    0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};
inline constexpr GUID kIidMeterInformation = {
    0xC02216F6, 0x8C67, 0x4B5B, {0x9D, 0x00, 0xD0, 0x08, 0xE7, 0x3E, 0x00, 0x64}};

// COM on the calling thread, multithreaded, for a scope: what the scope
// initialised (S_OK, S_FALSE) it undoes; RPC_E_CHANGED_MODE says the thread
// is in another apartment, the host's, which is used as it is.
class ComScope {
public:
    ComScope() : result_(req::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (result_ == S_OK || result_ == S_FALSE) req::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool ready() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// One reference to a COM object, released when the holder goes.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_ != nullptr) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** out() { return &p_; }
    void** raw() { return reinterpret_cast<void**>(&p_); }
    T* get() const { return p_; }

private:
    T* p_ = nullptr;
};

// Where opening an endpoint stopped.
enum EndpointStep {
    StepNone,
    StepWaveDevice,  // no wave device of mixer device 0 (mixerGetID)
    StepIdSize,      // DRV_QUERYFUNCTIONINSTANCEIDSIZE
    StepIdBlock,     // an identifier longer than the library takes
    StepId,          // DRV_QUERYFUNCTIONINSTANCEID
    StepCom,         // CoInitializeEx
    StepEnumerator,  // CoCreateInstance
    StepDevice,      // IMMDeviceEnumerator::GetDevice
    StepActivate,    // IMMDevice::Activate
    StepMethod,      // a method of the endpoint volume or meter
};

struct EndpointError {
    EndpointStep step = StepNone;
    MMRESULT mm = MMSYSERR_NOERROR;  // at the winmm steps
    HRESULT hr = S_OK;               // at the COM steps
};

// The wave-out device whose mixer is device 0, the playback endpoint the
// library's playback lines belong to: wave-out devices are asked in order
// until one maps to mixer 0 or the first fails.
inline bool PlaybackWaveDevice(UINT* wave, EndpointError* error) {
    for (UINT n = 0;; ++n) {
        UINT mixer = static_cast<UINT>(-1);
        const MMRESULT r =
            req::mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(n)), &mixer, MIXER_OBJECTF_WAVEOUT);
        if (r != MMSYSERR_NOERROR) {
            error->step = StepWaveDevice;
            error->mm = r;
            return false;
        }
        if (mixer == 0) {
            *wave = n;
            return true;
        }
    }
}

// The longest endpoint identifier taken, in characters with its
// terminator: Windows' and Wine's have 55 ("{0.0.0.00000000}.{GUID}").
inline constexpr ULONG kEndpointIdChars = 260;

// Activates `iid` on the endpoint of wave device `wave` (wave-in when
// `capture`): its identifier from winmm, then the enumerator's device by
// that identifier. COM must be initialised on the thread (ComScope). Every
// reference taken on the way is given back; an identifier longer than
// kEndpointIdChars is refused (StepIdBlock).
inline bool ActivateEndpoint(bool capture, UINT wave, REFIID iid, void** out, EndpointError* error) {
    ULONG bytes = 0;
    MMRESULT r = req::WaveEndpointMessage(capture, wave, DRV_QUERYFUNCTIONINSTANCEIDSIZE,
                                          reinterpret_cast<DWORD_PTR>(&bytes), 0);
    if (r != MMSYSERR_NOERROR) {
        error->step = StepIdSize;
        error->mm = r;
        return false;
    }
    WCHAR id[kEndpointIdChars];
    if (bytes < sizeof(WCHAR) || bytes > sizeof id) {
        error->step = StepIdBlock;
        error->mm = MMSYSERR_NOMEM;
        return false;
    }
    r = req::WaveEndpointMessage(capture, wave, DRV_QUERYFUNCTIONINSTANCEID, reinterpret_cast<DWORD_PTR>(id), bytes);
    if (r != MMSYSERR_NOERROR) {
        error->step = StepId;
        error->mm = r;
        return false;
    }
    id[bytes / sizeof(WCHAR) - 1] = 0;  // terminated whatever the driver wrote
    ComRef<IMMDeviceEnumerator> enumerator;
    // A success without the interface (which no COM server should give) is
    // taken as the failure it is.
    HRESULT hr = req::CoCreateInstance(kClsidDeviceEnumerator, CLSCTX_ALL, kIidDeviceEnumerator, enumerator.raw());
    if (FAILED(hr) || enumerator.get() == nullptr) {
        error->step = StepEnumerator;
        error->hr = hr;
        return false;
    }
    ComRef<IMMDevice> device;
    hr = req::GetDevice(enumerator.get(), id, device.out());
    if (FAILED(hr) || device.get() == nullptr) {
        error->step = StepDevice;
        error->hr = hr;
        return false;
    }
    *out = nullptr;
    hr = req::Activate(device.get(), iid, out);
    if (FAILED(hr) || *out == nullptr) {
        error->step = StepActivate;
        error->hr = hr;
        return false;
    }
    return true;
}

// ---- Levels and scalars ------------------------------------------------------------

// A level of a volume control's range, 0 to 65535, is the scalar
// level / 65535; a scalar is the level nearest to scalar x 65535 (halves
// away from zero), so that a level set reads back as set. A level outside
// the range is its nearest end: Core Audio takes scalars of 0 to 1 only, and
// a level past them would set one channel and be refused on the other.
inline constexpr double kEndpointLevelSpan = 65535.0;
inline LONG NearestLevel(double x) { return Truncate(x < 0.0 ? x - 0.5 : x + 0.5); }
inline float ScalarOfLevel(LONG level) {
    const LONG inRange = level < 0 ? 0 : level > 65535 ? 65535 : level;
    return static_cast<float>(static_cast<double>(inRange) / kEndpointLevelSpan);
}
inline LONG LevelOfScalar(float scalar) { return NearestLevel(static_cast<double>(scalar) * kEndpointLevelSpan); }

// ---- The probe -------------------------------------------------------------------

// What the probe found.
enum EndpointVerdict {
    EndpointUsable,     // the playback endpoint's volume is there and shared
    EndpointCardMixer,  // mixer device 0 has a wave-in destination: a card's own mixer
    EndpointAbsent,     // no Core Audio: class not registered, no identifier message, or interface missing
    EndpointUntrusted,  // an endpoint volume that does not do what it says (Wine's)
    EndpointUnknown,    // a request failed: nothing is known (ask again)
};

struct EndpointProbe {
    EndpointVerdict verdict = EndpointUnknown;
    EndpointError error;  // the request that decided, when one did
};

// Whether mixer device 0 has a wave-in destination, the test the recording
// search makes: one request by component type on device 0's identifier.
// EndpointUnknown when the request fails otherwise than with
// MIXERR_INVALLINE (no such line).
inline EndpointVerdict MixerLayout(MMRESULT* error) {
    MIXERLINEA line;
    PrepareLine(&line);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    *error = req::mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0)), &line,
                                    MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE);
    if (*error == MMSYSERR_NOERROR) return EndpointCardMixer;
    return *error == MIXERR_INVALLINE ? EndpointUsable : EndpointUnknown;
}

// The verdict a failed step gives: a class or interface that is missing, or
// a method that is not implemented, is what the platform is; anything else
// may pass.
inline EndpointVerdict FailureVerdict(const EndpointError& error) {
    if (error.step == StepIdSize && error.mm == MMSYSERR_NOTSUPPORTED) return EndpointAbsent;
    if (error.hr == REGDB_E_CLASSNOTREG || error.hr == E_NOINTERFACE) return EndpointAbsent;
    if (error.hr == E_NOTIMPL) return EndpointUntrusted;
    return EndpointUnknown;
}

// The probe: the layout (no COM on a card's own mixer), then the playback
// endpoint's volume, which must give its channel count, take its own
// master level back and show it to a second object of the same endpoint
// (Wine's implements neither the count nor the set, and keeps a mute in
// the object it was set on). Nothing audible changes: the level set is the
// level read.
inline EndpointProbe ProbeEndpointVolume() {
    EndpointProbe probe;
    probe.verdict = MixerLayout(&probe.error.mm);
    if (probe.verdict != EndpointUsable) return probe;
    probe.error = EndpointError();
    UINT wave = 0;
    if (!PlaybackWaveDevice(&wave, &probe.error)) {
        probe.verdict = EndpointUnknown;
        return probe;
    }
    // Without Core Audio the wave device knows no endpoint: no COM then.
    ULONG bytes = 0;
    probe.error.mm = req::WaveEndpointMessage(false, wave, DRV_QUERYFUNCTIONINSTANCEIDSIZE,
                                              reinterpret_cast<DWORD_PTR>(&bytes), 0);
    if (probe.error.mm != MMSYSERR_NOERROR) {
        probe.error.step = StepIdSize;
        probe.verdict = FailureVerdict(probe.error);
        return probe;
    }
    ComScope com;
    if (!com.ready()) {
        probe.error.step = StepCom;
        probe.error.hr = com.result();
        probe.verdict = EndpointUnknown;
        return probe;
    }
    ComRef<IAudioEndpointVolume> first;
    ComRef<IAudioEndpointVolume> second;
    if (!ActivateEndpoint(false, wave, kIidEndpointVolume, first.raw(), &probe.error) ||
        !ActivateEndpoint(false, wave, kIidEndpointVolume, second.raw(), &probe.error)) {
        probe.verdict = FailureVerdict(probe.error);
        return probe;
    }
    UINT channels = 0;
    float level = 0.0f;
    float seen = -1.0f;
    HRESULT hr = req::GetChannelCount(first.get(), &channels);
    if (SUCCEEDED(hr)) hr = req::GetMasterVolumeLevelScalar(first.get(), &level);
    if (SUCCEEDED(hr)) hr = req::SetMasterVolumeLevelScalar(first.get(), level);
    if (SUCCEEDED(hr)) hr = req::GetMasterVolumeLevelScalar(second.get(), &seen);
    if (FAILED(hr)) {
        probe.error.step = StepMethod;
        probe.error.hr = hr;
        probe.verdict = FailureVerdict(probe.error);
        return probe;
    }
    probe.verdict = channels != 0 && seen == level ? EndpointUsable : EndpointUntrusted;
    return probe;
}

// ---- For the tools -------------------------------------------------------------------

// Whether the library moves an endpoint's volume for operation `op` on the
// line a search found (`lineType` the line target's type), and which
// endpoint's: the main line's operations by the speakers' type, or a
// recording line's found on a recording endpoint's mixer; with a probe of
// its own (a tool's process is not the host's).
inline bool LibraryUsesEndpoint(LONG op, DWORD lineType, const FoundLine& line, bool* capture, UINT* wave) {
    const bool main = (op == OpMainVolume || op == OpMainMute || op == OpMainBalance) &&
                      lineType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    const bool recording = (op == OpRecVolume || op == OpRecMute || op == OpRecBalance) && line.onEndpoint;
    if ((!main && !recording) || ProbeEndpointVolume().verdict != EndpointUsable) return false;
    *capture = recording;
    *wave = line.waveIn;
    EndpointError error;
    return recording || PlaybackWaveDevice(wave, &error);
}

// The levels of an endpoint's channels (at most `max`) and its mute; the
// channel count, 0 when they cannot be read.
inline UINT EndpointChannelLevels(bool capture, UINT wave, LONG* levels, UINT max, BOOL* mute) {
    ComScope com;
    ComRef<IAudioEndpointVolume> volume;
    EndpointError error;
    UINT channels = 0;
    if (!com.ready() || !ActivateEndpoint(capture, wave, kIidEndpointVolume, volume.raw(), &error) ||
        FAILED(req::GetChannelCount(volume.get(), &channels)) || FAILED(req::GetMute(volume.get(), mute)))
        return 0;
    for (UINT i = 0; i < channels && i < max; ++i) {
        float scalar = 0.0f;
        if (FAILED(req::GetChannelVolumeLevelScalar(volume.get(), i, &scalar))) return 0;
        levels[i] = LevelOfScalar(scalar);
    }
    return channels < max ? channels : max;
}
