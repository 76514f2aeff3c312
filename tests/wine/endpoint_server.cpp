// A test-only in-process server for CLSID_MMDeviceEnumerator (see
// endpoint_server.h). Wine's winmm creates the enumerator itself, so every
// request but two goes to Wine's mmdevapi.dll as it is: the enumerator, its
// collections and its devices are thin wrappers around Wine's, and a device
// hands out Wine's own objects for everything it activates but
// IAudioEndpointVolume and IAudioMeterInformation. Those two are this
// server's: Wine keeps no endpoint level (its master scalar reads 1.0, its
// channel calls are not implemented) and has no meter.
//
// An endpoint's state lives in one file of the prefix's temporary folder,
// read and written whole under a file lock by every call, so that every
// object in every process sees the same endpoint. The master level is the
// highest of the channel levels: setting it scales every channel by the same
// factor, and setting a channel moves the master to the new highest.
#include "endpoint_server.h"

#include <audioclient.h>
#include <cwchar>
#include <new>

namespace {

// ---- References ----------------------------------------------------------------

// Every live object of the server, with the references it holds, in one
// list under one lock: the tests count them, and a device's wrapper is found
// again by the Wine device it wraps (COM compares devices by pointer: winmm
// tells the default endpoint from the others that way).
struct Tracked {
    Tracked* next = nullptr;
    LONG refs = 1;
    const DWORD thread = GetCurrentThreadId();
    IUnknown* const inner;
    explicit Tracked(IUnknown* wrapped);
    virtual IMMDevice* AsDevice() { return nullptr; }
    virtual ~Tracked() {
        if (inner) inner->Release();
    }
};

CRITICAL_SECTION g_lock;
Tracked* g_live = nullptr;
// How many objects each thread made (the first 64 threads that made any).
struct Made {
    DWORD thread;
    LONG count;
} g_made[64];
HMODULE g_mmdevapi = nullptr;  // Wine's, loaded once, kept for the process's life

struct Locked {
    Locked() { EnterCriticalSection(&g_lock); }
    ~Locked() { LeaveCriticalSection(&g_lock); }
};

// Takes over the caller's reference on `wrapped`.
Tracked::Tracked(IUnknown* wrapped) : inner(wrapped) {
    Locked l;
    next = g_live;
    g_live = this;
    for (Made& m : g_made)
        if (m.thread == thread || !m.thread) {
            m.thread = thread;
            ++m.count;
            break;
        }
}

ULONG Retain(Tracked* t) {
    Locked l;
    return static_cast<ULONG>(++t->refs);
}

ULONG Drop(Tracked* t) {
    LONG left;
    {
        Locked l;
        left = --t->refs;
        if (left == 0)
            for (Tracked** p = &g_live; *p; p = &(*p)->next)
                if (*p == t) {
                    *p = t->next;
                    break;
                }
    }
    if (left == 0) delete t;
    return static_cast<ULONG>(left);
}

// QueryInterface of an object that is `self` for `own`; other interfaces
// come from the Wine object it wraps, if any.
HRESULT Query(IUnknown* self, IUnknown* inner, REFIID own, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, own)) {
        self->AddRef();
        *out = self;
        return S_OK;
    }
    return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
}

#define TRACKED_UNKNOWN(Interface)                                                \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {   \
        return Query(this, inner, __uuidof(Interface), iid, out);                 \
    }                                                                             \
    ULONG STDMETHODCALLTYPE AddRef() override { return Retain(this); }            \
    ULONG STDMETHODCALLTYPE Release() override { return Drop(this); }

// ---- The endpoints' state ------------------------------------------------------

constexpr UINT kMaxChannels = 8;
constexpr UINT kMaxEndpoints = 16;

struct EndpointRecord {
    WCHAR id[128];
    UINT channels;  // 0 until an endpoint object says how many
    float master;
    float channel[kMaxChannels];
    BOOL mute;
    float peak;
};

struct StateFile {
    UINT count;
    EndpointRecord endpoints[kMaxEndpoints];
};

void StatePath(WCHAR (&path)[MAX_PATH]) {
    const DWORD n = GetTempPathW(MAX_PATH, path);
    path[n < MAX_PATH ? n : 0] = 0;
    wcsncat(path, L"mixer-endpoint-state.bin", MAX_PATH - 1 - wcslen(path));
}

// Runs `change` on an endpoint's record (created when new, with `channels`
// once known) with the file locked, and writes the file back when `change`
// says so. `change` returns the call's HRESULT; writing succeeds or the
// call fails with the write's error.
template <typename Change>
HRESULT WithEndpoint(LPCWSTR id, UINT channels, Change change) {
    if (!id || wcslen(id) >= 128) return E_INVALIDARG;
    WCHAR path[MAX_PATH];
    StatePath(path);
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
    OVERLAPPED at = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, sizeof(StateFile), 0, &at)) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        CloseHandle(file);
        return hr;
    }
    StateFile* state = new (std::nothrow) StateFile();
    DWORD got = 0;
    HRESULT hr = state ? S_OK : E_OUTOFMEMORY;
    if (state && (!ReadFile(file, state, sizeof *state, &got, nullptr) || (got != 0 && got != sizeof *state) ||
                  state->count > kMaxEndpoints))
        hr = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    EndpointRecord* r = nullptr;
    if (SUCCEEDED(hr)) {
        if (got == 0) state->count = 0;
        for (UINT i = 0; i < state->count && !r; ++i)
            if (wcscmp(state->endpoints[i].id, id) == 0) r = &state->endpoints[i];
        if (!r && state->count == kMaxEndpoints) hr = E_OUTOFMEMORY;
        if (!r && SUCCEEDED(hr)) {
            r = &state->endpoints[state->count++];
            wcscpy(r->id, id);
            r->master = 1.0f;
        }
    }
    bool write = false;
    if (r && channels && !r->channels) {
        r->channels = channels < kMaxChannels ? channels : kMaxChannels;
        for (UINT c = 0; c < r->channels; ++c) r->channel[c] = r->master;
        write = true;
    }
    if (r) {
        hr = change(*r, write);
        DWORD put = 0;
        if (write && (SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0 ||
                      !WriteFile(file, state, sizeof *state, &put, nullptr) || put != sizeof *state))
            hr = HRESULT_FROM_WIN32(GetLastError());
    }
    delete state;
    UnlockFileEx(file, 0, sizeof(StateFile), 0, &at);
    CloseHandle(file);
    return hr;
}

bool InRange(float v) { return v >= 0.0f && v <= 1.0f; }  // false for NaN too

// ---- The endpoint volume and the meter -----------------------------------------

// What both keep: the endpoint's identifier and channel count.
struct EndpointObject : Tracked {
    WCHAR id[128];
    UINT channels;
    EndpointObject(LPCWSTR endpoint, UINT count) : Tracked(nullptr), channels(count) {
        lstrcpynW(id, endpoint, 128);
    }
    template <typename Change>
    HRESULT With(Change change) {
        return WithEndpoint(id, channels, change);
    }
    // A value of the record, read into *out.
    template <typename T, typename Get>
    HRESULT Read(T* out, Get get) {
        if (!out) return E_POINTER;
        return With([&](EndpointRecord& r, bool&) {
            *out = get(r);
            return S_OK;
        });
    }
};

class EndpointVolume final : public IAudioEndpointVolume, EndpointObject {
public:
    using EndpointObject::EndpointObject;
    TRACKED_UNKNOWN(IAudioEndpointVolume)

    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = channels;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float level, LPCGUID) override {
        if (!InRange(level)) return E_INVALIDARG;
        return With([&](EndpointRecord& r, bool& write) {
            for (UINT c = 0; c < r.channels; ++c)
                r.channel[c] = r.master > 0.0f && r.channel[c] < r.master ? r.channel[c] * level / r.master : level;
            r.master = level;
            write = true;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(float* level) override {
        return Read(level, [](const EndpointRecord& r) { return r.master; });
    }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT c, float level, LPCGUID) override {
        if (c >= channels || !InRange(level)) return E_INVALIDARG;
        return With([&](EndpointRecord& r, bool& write) {
            r.channel[c] = level;
            r.master = 0.0f;
            for (UINT i = 0; i < r.channels; ++i)
                if (r.channel[i] > r.master) r.master = r.channel[i];
            write = true;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT c, float* level) override {
        if (level && c >= channels) return E_INVALIDARG;
        return Read(level, [&](const EndpointRecord& r) { return r.channel[c]; });
    }
    HRESULT STDMETHODCALLTYPE SetMute(BOOL mute, LPCGUID) override {
        return With([&](EndpointRecord& r, bool& write) {
            if (!r.mute == !mute) return S_FALSE;
            r.mute = mute ? TRUE : FALSE;
            write = true;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetMute(BOOL* mute) override {
        return Read(mute, [](const EndpointRecord& r) { return r.mute; });
    }
    HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD* mask) override {
        if (!mask) return E_POINTER;
        *mask = 0;  // a software volume
        return S_OK;
    }
    // The server keeps scalars only: no decibel scale, no steps, no
    // notifications.
    HRESULT STDMETHODCALLTYPE RegisterControlChangeNotify(IAudioEndpointVolumeCallback*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnregisterControlChangeNotify(IAudioEndpointVolumeCallback*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(float, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(float*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT, float, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT, float*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT*, UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVolumeRange(float*, float*, float*) override { return E_NOTIMPL; }
};

// The peak the test gave, on every channel.
class Meter final : public IAudioMeterInformation, EndpointObject {
public:
    using EndpointObject::EndpointObject;
    TRACKED_UNKNOWN(IAudioMeterInformation)

    HRESULT STDMETHODCALLTYPE GetPeakValue(float* peak) override {
        return Read(peak, [](const EndpointRecord& r) { return r.peak; });
    }
    HRESULT STDMETHODCALLTYPE GetMeteringChannelCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = channels;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetChannelsPeakValues(UINT32 count, float* peaks) override {
        if (!peaks) return E_POINTER;
        if (count != channels) return E_INVALIDARG;
        return With([&](EndpointRecord& r, bool&) {
            for (UINT32 c = 0; c < count; ++c) peaks[c] = r.peak;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD* mask) override {
        if (!mask) return E_POINTER;
        *mask = 0;
        return S_OK;
    }
};

// ---- Wine's objects, wrapped ---------------------------------------------------

class Device final : public IMMDevice, Tracked {
public:
    using Tracked::Tracked;
    TRACKED_UNKNOWN(IMMDevice)

    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* params, void** out) override {
        const bool volume = IsEqualIID(iid, __uuidof(IAudioEndpointVolume));
        if (!volume && !IsEqualIID(iid, __uuidof(IAudioMeterInformation)))
            return Wine()->Activate(iid, context, params, out);
        if (!out) return E_POINTER;
        *out = nullptr;
        // The channels of the endpoint's shared-mode format.
        IAudioClient* client = nullptr;
        HRESULT hr = Wine()->Activate(__uuidof(IAudioClient), CLSCTX_INPROC_SERVER, nullptr,
                                      reinterpret_cast<void**>(&client));
        WAVEFORMATEX* format = nullptr;
        if (SUCCEEDED(hr)) {
            hr = client->GetMixFormat(&format);
            client->Release();
        }
        if (FAILED(hr)) return hr;
        const UINT channels = format->nChannels < kMaxChannels ? format->nChannels : kMaxChannels;
        CoTaskMemFree(format);
        LPWSTR id = nullptr;
        if (FAILED(hr = Wine()->GetId(&id))) return hr;
        // The endpoint's record exists from now on, with its channels.
        hr = WithEndpoint(id, channels, [](EndpointRecord&, bool&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            IUnknown* made = volume ? static_cast<IUnknown*>(new (std::nothrow) EndpointVolume(id, channels))
                                    : static_cast<IUnknown*>(new (std::nothrow) Meter(id, channels));
            *out = made;
            hr = made ? S_OK : E_OUTOFMEMORY;
        }
        CoTaskMemFree(id);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** out) override {
        return Wine()->OpenPropertyStore(access, out);
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override { return Wine()->GetId(id); }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override { return Wine()->GetState(state); }
    IMMDevice* AsDevice() override { return this; }

private:
    IMMDevice* Wine() const { return static_cast<IMMDevice*>(inner); }
};

// A wrapper for a device Wine gave (taking over that reference): the one
// already made for it while it lives.
HRESULT WrapDevice(HRESULT hr, IMMDevice* wine, IMMDevice** out) {
    *out = nullptr;
    if (FAILED(hr) || !wine) return FAILED(hr) ? hr : E_POINTER;
    {
        Locked l;
        for (Tracked* t = g_live; t; t = t->next)
            if (t->inner == wine && t->AsDevice()) {
                ++t->refs;
                wine->Release();
                *out = t->AsDevice();
                return hr;
            }
    }
    Device* d = new (std::nothrow) Device(wine);
    if (!d) {
        wine->Release();
        return E_OUTOFMEMORY;
    }
    *out = d;
    return hr;
}

class Collection final : public IMMDeviceCollection, Tracked {
public:
    using Tracked::Tracked;
    TRACKED_UNKNOWN(IMMDeviceCollection)

    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override { return Wine()->GetCount(count); }
    HRESULT STDMETHODCALLTYPE Item(UINT i, IMMDevice** out) override {
        if (!out) return E_POINTER;
        IMMDevice* wine = nullptr;
        const HRESULT hr = Wine()->Item(i, &wine);
        return WrapDevice(hr, wine, out);
    }

private:
    IMMDeviceCollection* Wine() const { return static_cast<IMMDeviceCollection*>(inner); }
};

class Enumerator final : public IMMDeviceEnumerator, Tracked {
public:
    using Tracked::Tracked;
    TRACKED_UNKNOWN(IMMDeviceEnumerator)

    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD mask, IMMDeviceCollection** out) override {
        if (!out) return E_POINTER;
        IMMDeviceCollection* wine = nullptr;
        const HRESULT hr = Wine()->EnumAudioEndpoints(flow, mask, &wine);
        if (FAILED(hr)) return hr;
        *out = new (std::nothrow) Collection(wine);
        if (*out) return hr;
        wine->Release();
        return E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** out) override {
        if (!out) return E_POINTER;
        IMMDevice* wine = nullptr;
        const HRESULT hr = Wine()->GetDefaultAudioEndpoint(flow, role, &wine);
        return WrapDevice(hr, wine, out);
    }
    HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR id, IMMDevice** out) override {
        if (!out) return E_POINTER;
        IMMDevice* wine = nullptr;
        const HRESULT hr = Wine()->GetDevice(id, &wine);
        return WrapDevice(hr, wine, out);
    }
    HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        return Wine()->RegisterEndpointNotificationCallback(client);
    }
    HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        return Wine()->UnregisterEndpointNotificationCallback(client);
    }

private:
    IMMDeviceEnumerator* Wine() const { return static_cast<IMMDeviceEnumerator*>(inner); }
};

// Wine's enumerator, from Wine's own class object.
HRESULT WineEnumerator(IMMDeviceEnumerator** out) {
    typedef HRESULT(WINAPI * GetClassObjectFn)(REFCLSID, REFIID, void**);
    GetClassObjectFn get = nullptr;
    {
        Locked l;
        if (!g_mmdevapi) g_mmdevapi = LoadLibraryW(L"mmdevapi.dll");
        if (g_mmdevapi) get = reinterpret_cast<GetClassObjectFn>(
                            reinterpret_cast<void*>(GetProcAddress(g_mmdevapi, "DllGetClassObject")));
    }
    if (!get) return REGDB_E_CLASSNOTREG;
    IClassFactory* factory = nullptr;
    HRESULT hr = get(__uuidof(MMDeviceEnumerator), IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(out));
    factory->Release();
    return hr;
}

// The class object: one for the process, never freed.
class Factory final : public IClassFactory {
public:
    virtual ~Factory() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return Query(this, nullptr, IID_IClassFactory, iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IMMDeviceEnumerator* wine = nullptr;
        HRESULT hr = WineEnumerator(&wine);
        if (FAILED(hr)) return hr;
        Enumerator* e = new (std::nothrow) Enumerator(wine);
        if (!e) {
            wine->Release();
            return E_OUTOFMEMORY;
        }
        hr = e->QueryInterface(iid, out);
        e->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&g_lock);
    if (reason == DLL_PROCESS_DETACH) DeleteCriticalSection(&g_lock);
    return TRUE;
}

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, __uuidof(MMDeviceEnumerator))) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

// Wine's objects inside the wrappers need Wine's mmdevapi.dll, which the
// server keeps loaded: the server stays too.
__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow(void) { return S_FALSE; }

__declspec(dllexport) BOOL WINAPI EndpointServerReset(void) {
    WCHAR path[MAX_PATH];
    StatePath(path);
    return DeleteFileW(path) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

__declspec(dllexport) HRESULT WINAPI EndpointServerSetPeak(LPCWSTR id, float peak) {
    if (!InRange(peak)) return E_INVALIDARG;
    return WithEndpoint(id, 0, [&](EndpointRecord& r, bool& write) {
        r.peak = peak;
        write = true;
        return S_OK;
    });
}

__declspec(dllexport) LONG WINAPI EndpointServerReferences(DWORD thread, LONG* made) {
    Locked l;
    LONG refs = 0;
    for (Tracked* t = g_live; t; t = t->next)
        if (t->thread == thread) refs += t->refs;
    if (made) {
        *made = 0;
        for (const Made& m : g_made)
            if (m.thread == thread) *made = m.count;
    }
    return refs;
}

}  // extern "C"
