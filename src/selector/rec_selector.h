// Finding and reading the recording selector: the first list-class control of
// the wave-in line. Shared by the selection operations and the inspection
// operations.
#pragma once

#include "core/holders.h"
#include "engine/line_controls.h"

enum SelectorOutcome {
    SelectorNoDevice,  // mixer device 0 cannot be opened
    SelectorFailed,    // the wave-in line, the control array or the control list cannot be had
    SelectorNone,      // the wave-in line has no list-class control
    SelectorFound,
};

struct RecSelector {
    LineControls wavein;  // the wave-in line, every control of it, the selector among them
    bool singleSelect;    // SINGLESELECT or MUX
    DWORD channels;       // 1 for a uniform selector, else the line's channel count
    DWORD items;          // cMultipleItems for a MULTIPLE selector, else 1
};

// Opens mixer device 0 into `device` and finds the recording selector. When
// the open fails, *openError holds its status and the result is
// SelectorNoDevice. On every other outcome the device stays open for the
// caller, who closes it after releasing `selector`.
SelectorOutcome FindRecSelector(MixerDevice& device, RecSelector* selector, MMRESULT* openError);

// The selector's item texts and values, and the one request that read them
// (and that writes the values back).
//
// Element layout. The arrays hold channels x items elements, channel-major as
// winmm publishes it for multiple-item controls: element = channel * items +
// item. A uniform selector has one channel, so element i is item i. For a
// selector that is not uniform on a multi-channel line:
//  - item i's text is channel 0's text, element i (one text per item; drivers
//    need not name the items again on the other channels);
//  - a selection belongs to the item, not to a channel: a value written for
//    item i goes to every channel of it, first to last;
//  - a value read for item i is its last channel's, element
//    (channels - 1) * items + i.
struct SelectorContents {
    MIXERCONTROLDETAILS request;
    DetailsBuffer texts;   // MIXERCONTROLDETAILS_LISTTEXTA elements
    DetailsBuffer values;  // MIXERCONTROLDETAILS_BOOLEAN elements
    DWORD walkItems;       // items that have elements: 0 when the channel count is 0
};

// Reads the texts, then the values, of the selector found. False when an
// array cannot be obtained (including an element count that does not fit) or
// a read fails.
bool ReadRecSelector(const MixerDevice& device, const RecSelector& selector, SelectorContents* contents);

// Item i's text, always terminated within its record.
const char* ItemText(const SelectorContents& contents, DWORD item);
// Item i's value as read: its last channel's.
LONG ItemValue(const SelectorContents& contents, const RecSelector& selector, DWORD item);
// Sets item i's value on every channel.
void SetItemValue(SelectorContents* contents, const RecSelector& selector, DWORD item, LONG value);

