// Small owners that release a platform resource on every path out of a scope.
#pragma once

#include "platform/requests.h"
#include "platform/win.h"

// An open mixer device, closed when the holder goes.
//
// The requests made while it is open name the device by its identifier
// (device 0, or the recording endpoint's mixer a search moved on to) with
// MIXER_OBJECTF_MIXER (obj()), not by the handle: winmm resolves an
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

    // Opens mixer device `id` (no callback, no instance data, flags 0),
    // closing the one held first.
    MMRESULT Open(UINT id = 0) {
        Close();
        id_ = id;
        HMIXER h = nullptr;
        MMRESULT r = req::mixerOpen(&h, id, 0, 0, 0);
        if (r == MMSYSERR_NOERROR) handle_ = h;
        return r;
    }
    // Closes now and reports the close's status (0 when nothing was open).
    MMRESULT Close() {
        MMRESULT r = MMSYSERR_NOERROR;
        if (handle_ != nullptr) r = req::mixerClose(handle_);
        handle_ = nullptr;
        return r;
    }
    // The device's identifier, and the object the requests name with flags
    // MIXER_OBJECTF_MIXER (0).
    UINT id() const { return id_; }
    HMIXEROBJ obj() const { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(id_)); }

private:
    HMIXER handle_ = nullptr;
    UINT id_ = 0;
};

// The heaps the library takes blocks from: each hands out zero-filled blocks
// and takes them back. The process heap's handle is asked for once a block
// and kept for its free.
class ProcessHeap {
protected:
    void* Take(size_t bytes) {
        heap_ = GetProcessHeap();
        return heap_ != nullptr ? HeapAlloc(heap_, HEAP_ZERO_MEMORY, bytes) : nullptr;
    }
    void Give(void* block) { HeapFree(heap_, 0, block); }

private:
    HANDLE heap_ = nullptr;
};

class LocalHeap {
protected:
    void* Take(size_t bytes) { return LocalAlloc(LPTR, bytes); }
    void Give(void* block) { LocalFree(block); }
};

// A zero-filled block from one of the heaps above, freed when the holder goes.
template <typename Heap>
class HeapBlock : private Heap {
public:
    HeapBlock() = default;
    ~HeapBlock() {
        if (ptr_ != nullptr) Heap::Give(ptr_);
    }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;

    // count elements of size bytes each; false (get() null) when a block is
    // already held, when the product exceeds 0x7FFFFFFF bytes (the heap is
    // then not asked) or when the heap refuses.
    bool Alloc(size_t count, size_t size) {
        if (ptr_ != nullptr || (size != 0 && count > static_cast<size_t>(0x7FFFFFFF) / size)) return false;
        ptr_ = Heap::Take(count * size);
        return ptr_ != nullptr;
    }
    template <typename T>
    T* as() const { return static_cast<T*>(ptr_); }
    void* get() const { return ptr_; }

private:
    void* ptr_ = nullptr;
};

typedef HeapBlock<ProcessHeap> ProcessHeapBlock;
typedef HeapBlock<LocalHeap> LocalBlock;

// The kinds of handle a ScopedHandle holds: the value that means none, and
// the platform function that closes one.
struct FileHandle {  // CreateFileA
    typedef HANDLE Type;
    static Type None() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { req::CloseHandle(h); }
};

struct SearchHandle {  // FindFirstFileA
    typedef HANDLE Type;
    static Type None() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { req::FindClose(h); }
};

struct KeyHandle {  // RegOpenKeyExA
    typedef HKEY Type;
    static Type None() { return nullptr; }
    static void Close(Type h) { req::RegCloseKey(h); }
};

// A platform handle, closed when the holder goes or by Close(), whichever
// comes first. It takes a function's result as it is: the value that means
// failure is held as none and never closed.
template <typename Kind>
class ScopedHandle {
public:
    typedef typename Kind::Type Type;
    ScopedHandle() = default;
    explicit ScopedHandle(Type h) : handle_(h) {}
    ~ScopedHandle() { Close(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    void Close() {
        if (handle_ != Kind::None()) Kind::Close(handle_);
        handle_ = Kind::None();
    }
    bool valid() const { return handle_ != Kind::None(); }
    Type get() const { return handle_; }

private:
    Type handle_ = Kind::None();
};

typedef ScopedHandle<FileHandle> ScopedFile;
typedef ScopedHandle<SearchHandle> ScopedSearch;
typedef ScopedHandle<KeyHandle> ScopedKey;
