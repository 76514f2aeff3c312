// What the panel's test messages answer (ids.h): figures about the panel's
// own process (handles, heap, GUI objects, CPU time, private bytes), and a
// control of a mixer device (device 0 unless the test chose another) read or
// written straight through winmm.
#pragma once

#include <windows.h>

namespace mixerpanel {

struct HeapTotals {
    unsigned long long busyBytes = 0;
    unsigned long busyBlocks = 0;
    unsigned long heaps = 0;
};

// Walks every heap of the process (GetProcessHeaps, HeapWalk).
HeapTotals MeasureHeaps();
// GetProcessHandleCount, or the handle values in use where it answers 0.
DWORD HandleCount();
unsigned long long CpuMilliseconds();
unsigned long PrivateKiB();

// One-channel value of a control of the chosen mixer device, named by the
// device's identifier (MIXER_OBJECTF_MIXER); false when winmm refuses.
bool DirectRead(DWORD controlId, LONG* value);
bool DirectWrite(DWORD controlId, LONG value);
// Chooses the device the direct reads and writes name; false, keeping the
// one chosen before, when winmm has no such device.
bool DirectDevice(UINT device);

}  // namespace mixerpanel
