// The records every mixer request of the library is made of: a line read with
// all of its controls and one of them picked, and a details request with its
// element buffer. Shared by the control writer and reader and the recording
// selector.
#pragma once

#include "core/holders.h"

// A zero-filled line record with its size set, for a line request to fill.
void PrepareLine(MIXERLINEA* line);

enum FetchOutcome {
    FetchLineFailed,  // the line cannot be read
    FetchNoControls,  // the line has no controls (asked to stop there)
    FetchNoArray,     // the control array cannot be obtained
    FetchListFailed,  // the controls cannot be fetched
    FetchNoKind,      // no control passes the test (or no test was given)
    FetchFound,
};

// Which control a fetch takes: the first for which the test returns true.
typedef bool (*ControlTest)(const MIXERCONTROLA& control, DWORD arg);

// The first control whose type is `type`.
bool ControlIsOfType(const MIXERCONTROLA& control, DWORD type);

class LineControls {
public:
    // Reads the line that `query` names on `mixer` (the requests' object,
    // flags MIXER_OBJECTF_MIXER): MIXER_GETLINEINFOF_LINEID with a line id
    // as `key`, or MIXER_GETLINEINFOF_COMPONENTTYPE with a component type.
    // Then obtains an array for all of its controls and fetches them, and
    // takes the first control `test` accepts with `arg` (none when test is
    // null). A line without controls ends the fetch with FetchNoControls when
    // `stopWhenEmpty`; otherwise an array of no records is asked for, and the
    // platform answers the request as it does.
    FetchOutcome Fetch(HMIXEROBJ mixer, DWORD query, DWORD key, bool stopWhenEmpty, ControlTest test, DWORD arg);
    MMRESULT lineError() const { return lineError_; }
    const MIXERLINEA& line() const { return line_; }
    const MIXERCONTROLA& control() const { return *control_; }

private:
    MIXERLINEA line_;
    ProcessHeapBlock array_;
    const MIXERCONTROLA* control_ = nullptr;
    MMRESULT lineError_ = MMSYSERR_NOERROR;
};

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

// A details request for one control with its buffer attached.
void PrepareDetails(MIXERCONTROLDETAILS* details, DWORD controlId, DWORD channels, DWORD items, DWORD cbDetails,
                    void* buffer);
