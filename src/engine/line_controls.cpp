#include "engine/line_controls.h"

#include "core/state.h"

bool DetailsBuffer::Alloc(DWORD channels, DWORD items, size_t size) {
    // The element count is formed in 32 bits on every build, as the DLL forms
    // it: a product that wraps is refused before it is formed.
    if (items != 0 && channels > 0xFFFFFFFFu / items) return false;
    const DWORD count = channels * items;
    if (!block_.Alloc(count, size)) return false;
    ptr_ = block_.get();
    return true;
}

bool DetailsBuffer::AllocValues(DWORD items) {
    if (items > 1) return Alloc(1, items, sizeof(LONG));
    single_ = 0;
    ptr_ = &single_;
    return true;
}

