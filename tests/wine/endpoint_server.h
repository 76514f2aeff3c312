// The test-only Core Audio server (endpoint_server.cpp), as the Wine tests
// that use it see it. Registered under CLSID_MMDeviceEnumerator, it hands
// every request to Wine's own mmdevapi.dll, except the endpoint volume and the
// peak meter: those it keeps itself, one state per endpoint, in a file of the
// prefix, so every object and every process sees the same endpoint.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

// mingw-w64's endpointvolume.h names IAudioMeterInformation without
// declaring it.
#ifndef __IAudioMeterInformation_INTERFACE_DEFINED__
#define __IAudioMeterInformation_INTERFACE_DEFINED__
// COM objects go through Release, never through a delete of the interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
MIDL_INTERFACE("C02216F6-8C67-4B5B-9D00-D008E73E0064")
IAudioMeterInformation : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPeakValue(float* peak) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMeteringChannelCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChannelsPeakValues(UINT32 count, float* peaks) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD* mask) = 0;
};
#pragma GCC diagnostic pop
__CRT_UUID_DECL(IAudioMeterInformation, 0xc02216f6, 0x8c67, 0x4b5b, 0x9d, 0x00, 0xd0, 0x08, 0xe7, 0x3e, 0x00, 0x64)
#endif

// The server's file name, beside the test host.
constexpr const wchar_t kEndpointServerFile[] = L"endpoint_server.dll";

// Its exports for the tests, beside DllGetClassObject and DllCanUnloadNow:
// Forgets every endpoint's state (the next object starts at the master level
// 1.0, every channel 1.0, not muted, peak 0). FALSE when the state stays.
typedef BOOL(WINAPI* EndpointServerResetFn)(void);
#define ENDPOINT_SERVER_RESET "EndpointServerReset"
// Gives an endpoint's meter (by IMMDevice::GetId) its peak, 0.0 to 1.0.
typedef HRESULT(WINAPI* EndpointServerSetPeakFn)(LPCWSTR endpointId, float peak);
#define ENDPOINT_SERVER_SET_PEAK "EndpointServerSetPeak"
// The references that the server's objects made on a thread (enumerators,
// collections, devices, endpoint volumes, meters) hold now, and how many such
// objects the thread made in all. Wine's winmm makes its own on a thread of
// its own.
typedef LONG(WINAPI* EndpointServerReferencesFn)(DWORD thread, LONG* made);
#define ENDPOINT_SERVER_REFERENCES "EndpointServerReferences"
