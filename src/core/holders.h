// Small owners that release a platform resource on every path out of a scope.
#pragma once

#include "platform/win.h"

// An open mixer device, closed when the holder goes.
//
// The requests made while it is open name the device by its identifier, 0,
// with MIXER_OBJECTF_MIXER (obj()), not by the handle: winmm resolves an
// identifier without the handle, while some platforms hand out handles that
// stop naming the device after enough opens (Wine 8 numbers them from a
// counter that never goes down, and from the 256th open of a process the
// handle names another device or none). The open still decides whether the
// device can be used, and is closed as before.
class MixerDevice {
public:
    MixerDevice() = default;
    ~MixerDevice() { Close(); }
    MixerDevice(const MixerDevice&) = delete;
    MixerDevice& operator=(const MixerDevice&) = delete;

    // Opens mixer device 0 (no callback, no instance data, flags 0).
    MMRESULT Open() {
        Close();
        HMIXER h = nullptr;
        MMRESULT r = mixerOpen(&h, 0, 0, 0, 0);
        if (r == MMSYSERR_NOERROR) handle_ = h;
        return r;
    }
    // Closes now and reports the close's status (0 when nothing was open).
    MMRESULT Close() {
        MMRESULT r = MMSYSERR_NOERROR;
        if (handle_ != nullptr) r = mixerClose(handle_);
        handle_ = nullptr;
        return r;
    }
    HMIXER get() const { return handle_; }
    // The object the requests name, with flags MIXER_OBJECTF_MIXER (0).
    HMIXEROBJ obj() const { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0)); }

private:
    HMIXER handle_ = nullptr;
};

// A block from the process heap, zero-filled, freed when the holder goes.
class ProcessHeapBlock {
public:
    ProcessHeapBlock() = default;
    ProcessHeapBlock(size_t count, size_t size) { Alloc(count, size); }
    // count elements of size bytes each; false (get() null) when the product
    // does not fit or the heap refuses.
    bool Alloc(size_t count, size_t size) {
        if (ptr_ != nullptr || (size != 0 && count > static_cast<size_t>(0x7FFFFFFF) / size)) return false;
        heap_ = GetProcessHeap();
        if (heap_ != nullptr) ptr_ = HeapAlloc(heap_, HEAP_ZERO_MEMORY, count * size);
        return ptr_ != nullptr;
    }
    ~ProcessHeapBlock() {
        if (ptr_ != nullptr) HeapFree(heap_, 0, ptr_);
    }
    ProcessHeapBlock(const ProcessHeapBlock&) = delete;
    ProcessHeapBlock& operator=(const ProcessHeapBlock&) = delete;
    template <typename T>
    T* as() const { return static_cast<T*>(ptr_); }
    void* get() const { return ptr_; }

private:
    HANDLE heap_ = nullptr;
    void* ptr_ = nullptr;
};

// A block from the general-purpose heap, zero-filled, freed when the holder goes.
class LocalBlock {
public:
    LocalBlock() = default;
    LocalBlock(size_t count, size_t size) { Alloc(count, size); }
    bool Alloc(size_t count, size_t size) {
        if (ptr_ != nullptr || (size != 0 && count > static_cast<size_t>(0x7FFFFFFF) / size)) return false;
        ptr_ = LocalAlloc(LPTR, count * size);
        return ptr_ != nullptr;
    }
    ~LocalBlock() {
        if (ptr_ != nullptr) LocalFree(ptr_);
    }
    LocalBlock(const LocalBlock&) = delete;
    LocalBlock& operator=(const LocalBlock&) = delete;
    template <typename T>
    T* as() const { return static_cast<T*>(ptr_); }
    void* get() const { return ptr_; }

private:
    void* ptr_ = nullptr;
};
