// The Core Audio requests the library makes (COM on the calling thread, the
// device enumerator, an endpoint's volume and meter, and the wave device
// messages that name an endpoint), each through a function of namespace req
// that makes the request and, while the library traces, hands it to the
// trace's recorder (platform/requests.h); untraced, a request's part is not
// even made (its result's name, its scalar in millionths).
//
// Header-only, like requests.h: a tool hosting the library makes the same
// requests in its own process (engine/endpoint_probe.h), never traced.
#pragma once

#include "platform/requests.h"
#include "platform/win.h"

#ifdef _WIN32
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

// mingw-w64's <endpointvolume.h> declares the meter's interface without
// defining it: its methods in the order of Microsoft's header.
#ifndef __IAudioMeterInformation_INTERFACE_DEFINED__
#define __IAudioMeterInformation_INTERFACE_DEFINED__
// A COM interface, as the system headers declare theirs: released through
// Release, never deleted, so without a virtual destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
interface IAudioMeterInformation : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPeakValue(float* pfPeak) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMeteringChannelCount(UINT* pnChannelCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChannelsPeakValues(UINT32 u32ChannelCount, float* afPeakValues) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD* pdwHardwareSupportMask) = 0;
};
#pragma GCC diagnostic pop
#endif
#endif

namespace req {

// One copy of each request in the module: none of them is in a loop, and
// the size of the library matters more here than a call.
#if defined(__GNUC__)
#define REQ_CORE inline __attribute__((noinline))
#else
#define REQ_CORE inline
#endif

// A scalar as the trace shows it: in millionths, rounded (0.5 is 500000);
// one past what 32 bits hold (a broken driver's, or not a number) as their
// nearest end.
inline LONG Millionths(const float* value) {
    if (value == nullptr) return 0;
    const double m = static_cast<double>(*value) * 1000000.0;
    if (!(m > -2147483648.0 && m < 2147483647.0)) return m > 0 ? 2147483647 : static_cast<LONG>(0x80000000u);
    return static_cast<LONG>(m < 0 ? m - 0.5 : m + 0.5);
}

// DRV_QUERYFUNCTIONINSTANCEIDSIZE or DRV_QUERYFUNCTIONINSTANCEID of wave-in
// (`capture`) or wave-out device `device`.
REQ_CORE MMRESULT WaveEndpointMessage(bool capture, UINT device, UINT message, DWORD_PTR dw1, DWORD_PTR dw2) {
    const UINT_PTR id = device;
    const MMRESULT r = capture ? ::waveInMessage(reinterpret_cast<HWAVEIN>(id), message, dw1, dw2)
                               : ::waveOutMessage(reinterpret_cast<HWAVEOUT>(id), message, dw1, dw2);
    if (g_recorder != nullptr)
        Note(capture ? "waveInMessage(%u, 0x%x) = %s" : "waveOutMessage(%u, 0x%x) = %s", device, message, Mm(r).text);
    return r;
}

REQ_CORE HRESULT CoInitializeEx(LPVOID reserved, DWORD mode) {
    const HRESULT r = ::CoInitializeEx(reserved, mode);
    if (g_recorder != nullptr) Note("CoInitializeEx(0x%x) = 0x%x", mode, static_cast<DWORD>(r));
    return r;
}

inline void CoUninitialize() { ::CoUninitialize(); }

REQ_CORE HRESULT CoCreateInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out) {
    const HRESULT r = ::CoCreateInstance(clsid, nullptr, context, iid, out);
    if (g_recorder != nullptr) Note("CoCreateInstance(MMDeviceEnumerator, 0x%x) = 0x%x", context, static_cast<DWORD>(r));
    return r;
}

// A method's request: "Interface::Method(argument, scalar in millionths) =
// HRESULT", `arg` the channel or the mute given or read, `value` the scalar
// given or read (null when none).
REQ_CORE HRESULT Method(const char* method, HRESULT r, UINT_PTR arg = 0, const float* value = nullptr) {
    if (g_recorder != nullptr)
        Note("%s(%u, %d) = 0x%x", method, static_cast<UINT>(arg), Millionths(value), static_cast<DWORD>(r));
    return r;
}

inline HRESULT GetDevice(IMMDeviceEnumerator* e, LPCWSTR id, IMMDevice** device) {
    return Method("IMMDeviceEnumerator::GetDevice", e->GetDevice(id, device));
}
inline HRESULT Activate(IMMDevice* device, REFIID iid, void** out) {
    return Method("IMMDevice::Activate", device->Activate(iid, CLSCTX_ALL, nullptr, out));
}
inline HRESULT GetChannelCount(IAudioEndpointVolume* v, UINT* count) {
    const HRESULT r = v->GetChannelCount(count);
    return Method("IAudioEndpointVolume::GetChannelCount", r, SUCCEEDED(r) ? *count : 0);
}
inline HRESULT SetMasterVolumeLevelScalar(IAudioEndpointVolume* v, float level) {
    return Method("IAudioEndpointVolume::SetMasterVolumeLevelScalar", v->SetMasterVolumeLevelScalar(level, nullptr), 0,
                  &level);
}
inline HRESULT GetMasterVolumeLevelScalar(IAudioEndpointVolume* v, float* level) {
    const HRESULT r = v->GetMasterVolumeLevelScalar(level);
    return Method("IAudioEndpointVolume::GetMasterVolumeLevelScalar", r, 0, SUCCEEDED(r) ? level : nullptr);
}
inline HRESULT SetChannelVolumeLevelScalar(IAudioEndpointVolume* v, UINT channel, float level) {
    return Method("IAudioEndpointVolume::SetChannelVolumeLevelScalar",
                  v->SetChannelVolumeLevelScalar(channel, level, nullptr), channel, &level);
}
inline HRESULT GetChannelVolumeLevelScalar(IAudioEndpointVolume* v, UINT channel, float* level) {
    const HRESULT r = v->GetChannelVolumeLevelScalar(channel, level);
    return Method("IAudioEndpointVolume::GetChannelVolumeLevelScalar", r, channel, SUCCEEDED(r) ? level : nullptr);
}
inline HRESULT SetMute(IAudioEndpointVolume* v, BOOL mute) {
    return Method("IAudioEndpointVolume::SetMute", v->SetMute(mute, nullptr), static_cast<UINT_PTR>(mute));
}
inline HRESULT GetMute(IAudioEndpointVolume* v, BOOL* mute) {
    const HRESULT r = v->GetMute(mute);
    return Method("IAudioEndpointVolume::GetMute", r, SUCCEEDED(r) ? static_cast<UINT_PTR>(*mute) : 0);
}
inline HRESULT GetPeakValue(IAudioMeterInformation* m, float* peak) {
    const HRESULT r = m->GetPeakValue(peak);
    return Method("IAudioMeterInformation::GetPeakValue", r, 0, SUCCEEDED(r) ? peak : nullptr);
}

}  // namespace req

#undef REQ_CORE
