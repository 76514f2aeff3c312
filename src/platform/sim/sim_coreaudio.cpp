// Simulated COM and Core Audio: the device enumerator, the endpoints of the
// wave devices, their endpoint volume and meter (see sim.h, SetCoreAudio).
//
// An endpoint's identifier has the shape Windows gives it, the flow (0
// render, 1 capture) in the first part and a GUID of the mixer device's
// index in the second: "{0.0.0.00000000}.{00000000-0000-0000-0000-000000000000}",
// 55 characters, which with the terminator is the 112 bytes Wine 8 reports
// for DRV_QUERYFUNCTIONINSTANCEIDSIZE (measured).
#include "sim.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <string>

// The identifiers of the classes and interfaces (<mmdeviceapi.h>,
// <endpointvolume.h>, <unknwn.h>).
const GUID kSimClsidEnumerator = {0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
const GUID kSimIidEnumerator = {0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
const GUID kSimIidEndpointVolume = {0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};
const GUID kSimIidMeter = {0xC02216F6, 0x8C67, 0x4B5B, {0x9D, 0x00, 0xD0, 0x08, 0xE7, 0x3E, 0x00, 0x64}};
const GUID kSimIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kSimIidDevice = {0xD666063F, 0x1587, 0x4E43, {0x81, 0xF1, 0xB9, 0x48, 0xE8, 0x07, 0x36, 0x3F}};

namespace sim {
namespace {

struct ComState {
    CoreAudio kind = CoreAudio::None;
    std::atomic<int> references{0};
    std::atomic<int> initializations{0};
};

ComState& C() {
    static ComState s;
    return s;
}

// The calling thread's COM: how often initialised, in which mode.
thread_local int t_depth = 0;
thread_local DWORD t_mode = 0;

bool Same(REFIID a, const GUID& b) { return std::memcmp(&a, &b, sizeof b) == 0; }

// The mixer device of wave device `wave` of a direction: the wave-th device
// that serves it (as mixerGetID maps them); false when there is none.
bool WaveDevice(uintptr_t wave, bool capture, size_t* index) {
    std::deque<Device>& devices = Devices();
    for (size_t i = 0; i < devices.size(); ++i) {
        if (!(capture ? devices[i].ServesRecording() : devices[i].ServesPlayback())) continue;
        if (wave-- == 0) {
            *index = i;
            return true;
        }
    }
    return false;
}

std::wstring EndpointId(size_t index, bool capture) {
    wchar_t text[64];
    std::swprintf(text, 64, L"{0.0.%d.00000000}.{00000000-0000-0000-0000-%012zx}", capture ? 1 : 0, index);
    return text;
}

Device::EndpointVolume* VolumeOf(size_t index) {
    std::deque<Device>& devices = Devices();
    if (index >= devices.size()) return nullptr;
    Device& dev = devices[index];
    if (dev.endpointVolume.levels.empty())
        dev.endpointVolume.levels.assign(dev.destinations.empty() ? 2 : dev.destinations[0].ChannelCount(), 1.0f);
    return &dev.endpointVolume;
}

bool InScale(float v) { return v >= 0.0f && v <= 1.0f; }

// Reference counting shared by every object; the object goes with its last
// reference.
template <typename Interface>
class Object : public Interface {
public:
    Object() { ++C().references; }
    virtual ~Object() = default;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!Same(riid, kSimIidUnknown) && !Same(riid, Iid())) return E_NOINTERFACE;
        AddRef();
        *out = this;
        return S_OK;
    }
    ULONG AddRef() override {
        ++C().references;
        return ++refs_;
    }
    ULONG Release() override {
        --C().references;
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual const GUID& Iid() const = 0;

private:
    ULONG refs_ = 1;
};

// The start of every logged method: the call's record, fault injection, and
// an endpoint that is gone.
#define METHOD(name)                                   \
    detail::CallRecord call(name);                     \
    DWORD code = 0;                                    \
    if (call.Injected(&code)) return call.Return<HRESULT>(static_cast<HRESULT>(code));

class Meter final : public Object<IAudioMeterInformation> {
public:
    explicit Meter(size_t index) : index_(index) {}
    HRESULT GetPeakValue(float* peak) override {
        METHOD("IAudioMeterInformation::GetPeakValue");
        call->object = index_;
        Device::EndpointVolume* ev = VolumeOf(index_);
        if (ev == nullptr || !ev->present) return call.Return(AUDCLNT_E_DEVICE_INVALIDATED);
        if (peak == nullptr) return call.Return(E_POINTER);
        *peak = ev->peak;
        return call.Return(S_OK);
    }

private:
    const GUID& Iid() const override { return kSimIidMeter; }
    size_t index_;
};

class Volume final : public Object<IAudioEndpointVolume> {
public:
    explicit Volume(size_t index) : index_(index), wine_(C().kind == CoreAudio::Wine) {}

    HRESULT GetChannelCount(UINT* count) override {
        METHOD("IAudioEndpointVolume::GetChannelCount");
        Device::EndpointVolume* ev = Start(call);
        if (ev == nullptr || wine_) return call.Return(Refusal(ev));
        if (count == nullptr) return call.Return(E_POINTER);
        *count = static_cast<UINT>(ev->levels.size());
        call->count = *count;
        return call.Return(S_OK);
    }
    HRESULT SetMasterVolumeLevelScalar(float level, LPCGUID) override {
        METHOD("IAudioEndpointVolume::SetMasterVolumeLevelScalar");
        Device::EndpointVolume* ev = Start(call);
        if (ev == nullptr || wine_) return call.Return(Refusal(ev));
        call.AddValue(Millionths(level));
        if (!InScale(level)) return call.Return(E_INVALIDARG);
        const float loudest = Loudest(*ev);
        for (float& channel : ev->levels)
            channel = loudest == 0.0f || channel == loudest ? level : channel * (level / loudest);
        return call.Return(S_OK);
    }
    HRESULT GetMasterVolumeLevelScalar(float* level) override {
        METHOD("IAudioEndpointVolume::GetMasterVolumeLevelScalar");
        Device::EndpointVolume* ev = Start(call);
        if (ev == nullptr) return call.Return(AUDCLNT_E_DEVICE_INVALIDATED);
        if (level == nullptr) return call.Return(E_POINTER);
        *level = wine_ ? 1.0f : Loudest(*ev);
        call.AddValue(Millionths(*level));
        return call.Return(S_OK);
    }
    HRESULT SetChannelVolumeLevelScalar(UINT channel, float level, LPCGUID) override {
        METHOD("IAudioEndpointVolume::SetChannelVolumeLevelScalar");
        call->id = channel;
        Device::EndpointVolume* ev = Start(call);
        if (ev == nullptr || wine_) return call.Return(Refusal(ev));
        call.AddValue(Millionths(level));
        if (channel >= ev->levels.size() || !InScale(level)) return call.Return(E_INVALIDARG);
        ev->levels[channel] = level;
        return call.Return(S_OK);
    }
    HRESULT GetChannelVolumeLevelScalar(UINT channel, float* level) override {
        METHOD("IAudioEndpointVolume::GetChannelVolumeLevelScalar");
        call->id = channel;
        Device::EndpointVolume* ev = Start(call);
        if (ev == nullptr || wine_) return call.Return(Refusal(ev));
        if (level == nullptr) return call.Return(E_POINTER);
        if (channel >= ev->levels.size()) return call.Return(E_INVALIDARG);
        *level = ev->levels[channel];
        call.AddValue(Millionths(*level));
        return call.Return(S_OK);
    }
    HRESULT SetMute(BOOL mute, LPCGUID) override {
        METHOD("IAudioEndpointVolume::SetMute");
        call->count = static_cast<DWORD>(mute);
        Device::EndpointVolume* ev = Start(call);
        if (ev == nullptr) return call.Return(AUDCLNT_E_DEVICE_INVALIDATED);
        bool& state = wine_ ? wineMute_ : ev->mute;
        const bool to = mute != FALSE;
        if (!wine_ && state == to) return call.Return(S_FALSE);
        state = to;
        return call.Return(S_OK);
    }
    HRESULT GetMute(BOOL* mute) override {
        METHOD("IAudioEndpointVolume::GetMute");
        Device::EndpointVolume* ev = Start(call);
        if (ev == nullptr) return call.Return(AUDCLNT_E_DEVICE_INVALIDATED);
        if (mute == nullptr) return call.Return(E_POINTER);
        *mute = (wine_ ? wineMute_ : ev->mute) ? TRUE : FALSE;
        call->count = static_cast<DWORD>(*mute);
        return call.Return(S_OK);
    }
    // The step of the master level on a scale of 101 steps (the count Windows
    // reports for a device without hardware steps).
    HRESULT GetVolumeStepInfo(UINT* step, UINT* count) override {
        METHOD("IAudioEndpointVolume::GetVolumeStepInfo");
        Device::EndpointVolume* ev = Start(call);
        if (ev == nullptr || wine_) return call.Return(Refusal(ev));
        if (step == nullptr || count == nullptr) return call.Return(E_POINTER);
        *count = 101;
        *step = static_cast<UINT>(std::lround(Loudest(*ev) * 100.0f));
        return call.Return(S_OK);
    }

private:
    const GUID& Iid() const override { return kSimIidEndpointVolume; }
    Device::EndpointVolume* Start(detail::CallRecord& call) {
        call->object = index_;
        Device::EndpointVolume* ev = VolumeOf(index_);
        return ev != nullptr && ev->present ? ev : nullptr;
    }
    static HRESULT Refusal(const Device::EndpointVolume* ev) {
        return ev == nullptr ? AUDCLNT_E_DEVICE_INVALIDATED : E_NOTIMPL;
    }
    static float Loudest(const Device::EndpointVolume& ev) {
        float loudest = 0.0f;
        for (float channel : ev.levels) loudest = channel > loudest ? channel : loudest;
        return loudest;
    }
    static LONG Millionths(float v) {
        return std::isfinite(v) && std::fabs(v) < 2000.0f ? static_cast<LONG>(std::lround(v * 1e6f)) : 0x7FFFFFFF;
    }
    size_t index_;
    bool wine_;
    bool wineMute_ = false;  // Wine keeps the mute in the object
};

class Endpoint final : public Object<IMMDevice> {
public:
    Endpoint(size_t index, bool capture) : index_(index), capture_(capture) {}
    HRESULT Activate(REFIID iid, DWORD, PROPVARIANT*, void** out) override {
        METHOD("IMMDevice::Activate");
        call->object = index_;
        if (out == nullptr) return call.Return(E_POINTER);
        *out = nullptr;
        Device::EndpointVolume* ev = VolumeOf(index_);
        if (ev == nullptr || !ev->present) return call.Return(AUDCLNT_E_DEVICE_INVALIDATED);
        if (Same(iid, kSimIidEndpointVolume)) {
            call.Text("IAudioEndpointVolume");
            *out = static_cast<IAudioEndpointVolume*>(new Volume(index_));
            return call.Return(S_OK);
        }
        if (Same(iid, kSimIidMeter) && C().kind == CoreAudio::Windows) {
            call.Text("IAudioMeterInformation");
            *out = static_cast<IAudioMeterInformation*>(new Meter(index_));
            return call.Return(S_OK);
        }
        return call.Return(E_NOINTERFACE);
    }
    HRESULT GetId(LPWSTR* id) override {
        METHOD("IMMDevice::GetId");
        call->object = index_;
        if (id == nullptr) return call.Return(E_POINTER);
        const std::wstring text = EndpointId(index_, capture_);
        *id = new WCHAR[text.size() + 1];
        std::wmemcpy(*id, text.c_str(), text.size() + 1);
        return call.Return(S_OK);
    }

private:
    const GUID& Iid() const override { return kSimIidDevice; }
    size_t index_;
    bool capture_;
};

class Enumerator final : public Object<IMMDeviceEnumerator> {
public:
    HRESULT GetDevice(LPCWSTR id, IMMDevice** out) override {
        METHOD("IMMDeviceEnumerator::GetDevice");
        if (id == nullptr || out == nullptr) return call.Return(E_POINTER);
        *out = nullptr;
        std::deque<Device>& devices = Devices();
        for (size_t i = 0; i < devices.size(); ++i)
            for (bool capture : {false, true}) {
                if (!(capture ? devices[i].ServesRecording() : devices[i].ServesPlayback())) continue;
                if (EndpointId(i, capture) != id) continue;
                call->object = i;
                *out = new Endpoint(i, capture);
                return call.Return(S_OK);
            }
        return call.Return(E_NOTFOUND);
    }

private:
    const GUID& Iid() const override { return kSimIidEnumerator; }
};

#undef METHOD

void ResetCoreAudio() { C().kind = CoreAudio::None; }
detail::ResetHook g_reset(ResetCoreAudio);

}  // namespace

void SetCoreAudio(CoreAudio kind) { C().kind = kind; }
CoreAudio CoreAudioKind() { return C().kind; }
int ComReferences() { return C().references; }
int ComInitializations() { return C().initializations; }

namespace detail {

// DRV_QUERYFUNCTIONINSTANCEIDSIZE and DRV_QUERYFUNCTIONINSTANCEID of wave
// device `wave` (sim_mixer.cpp's waveInMessage and waveOutMessage hand them
// here). As Wine 8 answers them (measured): WAVE_MAPPER is no device
// (MMSYSERR_INVALHANDLE), a buffer smaller than the identifier gives
// MMSYSERR_ERROR. Without Core Audio the messages are unknown
// (MMSYSERR_NOTSUPPORTED), as on Windows XP.
MMRESULT EndpointIdMessage(uintptr_t wave, bool capture, UINT msg, DWORD_PTR dw1, DWORD_PTR dw2) {
    if (C().kind == CoreAudio::None) return MMSYSERR_NOTSUPPORTED;
    if (wave == WAVE_MAPPER || wave == static_cast<DWORD>(WAVE_MAPPER)) return MMSYSERR_INVALHANDLE;
    size_t index = 0;
    if (!WaveDevice(wave, capture, &index)) return MMSYSERR_BADDEVICEID;
    const std::wstring id = EndpointId(index, capture);
    const size_t bytes = (id.size() + 1) * sizeof(WCHAR);
    if (dw1 == 0) return MMSYSERR_INVALPARAM;
    if (msg == DRV_QUERYFUNCTIONINSTANCEIDSIZE) {
        *reinterpret_cast<ULONG*>(dw1) = static_cast<ULONG>(bytes);
        return MMSYSERR_NOERROR;
    }
    if (dw2 < bytes) return MMSYSERR_ERROR;
    std::memcpy(reinterpret_cast<void*>(dw1), id.c_str(), bytes);
    return MMSYSERR_NOERROR;
}

}  // namespace detail
}  // namespace sim

using sim::detail::CallRecord;

extern "C" {

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD dwCoInit) {
    CallRecord call("CoInitializeEx");
    call->flags = dwCoInit;
    DWORD code = 0;
    if (call.Injected(&code)) return call.Return(static_cast<HRESULT>(code));
    const DWORD mode = dwCoInit & COINIT_APARTMENTTHREADED;
    if (sim::t_depth > 0 && sim::t_mode != mode) return call.Return(RPC_E_CHANGED_MODE);
    const HRESULT r = sim::t_depth > 0 ? S_FALSE : S_OK;
    sim::t_mode = mode;
    ++sim::t_depth;
    ++sim::C().initializations;
    return call.Return(r);
}

void WINAPI CoUninitialize(void) {
    sim::detail::ApiLock lock;
    if (sim::t_depth == 0) return;
    --sim::t_depth;
    --sim::C().initializations;
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN outer, DWORD, REFIID riid, LPVOID* ppv) {
    CallRecord call("CoCreateInstance");
    DWORD code = 0;
    if (call.Injected(&code)) return call.Return(static_cast<HRESULT>(code));
    if (ppv == nullptr) return call.Return(E_POINTER);
    *ppv = nullptr;
    if (sim::t_depth == 0) return call.Return(CO_E_NOTINITIALIZED);
    if (sim::C().kind == sim::CoreAudio::None || !sim::Same(rclsid, kSimClsidEnumerator))
        return call.Return(REGDB_E_CLASSNOTREG);
    if (outer != nullptr) return call.Return(static_cast<HRESULT>(0x80040110L));  // CLASS_E_NOAGGREGATION
    if (!sim::Same(riid, kSimIidEnumerator) && !sim::Same(riid, kSimIidUnknown)) return call.Return(E_NOINTERFACE);
    *ppv = static_cast<IMMDeviceEnumerator*>(new sim::Enumerator);
    return call.Return(S_OK);
}

void WINAPI CoTaskMemFree(LPVOID pv) { delete[] static_cast<WCHAR*>(pv); }

}  // extern "C"
