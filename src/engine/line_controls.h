// The records every mixer request of the library is made of: a line read with
// all of its controls and one of them picked (engine/line_search.h), and a
// details request with its element buffer. Shared by the control writer and
// reader and the recording selector.
#pragma once

#include "core/holders.h"
#include "engine/line_search.h"

// The element buffer of one details request, zero-filled: channels x items
// elements of a record's size from the local heap, or one LONG kept in place.
class DetailsBuffer {
public:
    DetailsBuffer() = default;
    DetailsBuffer(const DetailsBuffer&) = delete;
    DetailsBuffer& operator=(const DetailsBuffer&) = delete;

    // channels x items elements of `size` bytes from the local heap. False,
    // with nothing asked of the heap, when a driver's counts give more than
    // 0x7FFFFFFF bytes (their product overflowing included); false when the
    // heap refuses.
    bool Alloc(DWORD channels, DWORD items, size_t size);
    // A LONG for each of `items` items of one channel: the one kept in place
    // for a single item or none, else a block from the local heap.
    bool AllocValues(DWORD items);
    void* get() const { return ptr_; }
    LONG* values() const { return static_cast<LONG*>(ptr_); }

private:
    LONG single_;
    LocalBlock block_;
    void* ptr_ = nullptr;
};

