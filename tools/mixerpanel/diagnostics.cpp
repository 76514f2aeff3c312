#include "diagnostics.h"
#include "mixer_lookup.h"

#include <mmsystem.h>
#include <psapi.h>

#include <vector>

namespace mixerpanel {

HeapTotals MeasureHeaps() {
    HeapTotals totals;
    std::vector<HANDLE> heaps(16);
    for (;;) {
        const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
        if (count <= heaps.size()) {
            heaps.resize(count);
            break;
        }
        heaps.resize(count + 8);  // heaps were added meanwhile: ask again
    }
    totals.heaps = static_cast<unsigned long>(heaps.size());
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = nullptr;
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                totals.busyBytes += entry.cbData;
                ++totals.busyBlocks;
            }
        }
        HeapUnlock(heap);
    }
    return totals;
}

DWORD HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    // Wine 8 answers 0 (its ProcessHandleCount query is a stub). Count the
    // handle values the process accepts instead: handles are multiples of 4
    // handed out lowest first, so past the last one in use only a run of
    // free values follows.
    count = 0;
    DWORD flags = 0;
    ULONG_PTR misses = 0;
    for (ULONG_PTR value = 4; misses < 4096; value += 4) {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return count;
}

unsigned long long CpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10000;
}

unsigned long PrivateKiB() {
    PROCESS_MEMORY_COUNTERS counters;
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<unsigned long>(counters.PagefileUsage / 1024);
}

namespace {

UINT g_directDevice = 0;

}  // namespace

bool DirectRead(DWORD controlId, LONG* value) { return mixertools::ReadControlValue(g_directDevice, controlId, value); }
bool DirectWrite(DWORD controlId, LONG value) { return mixertools::WriteControlValue(g_directDevice, controlId, value); }

bool DirectDevice(UINT device) {
    if (device >= mixerGetNumDevs()) return false;
    g_directDevice = device;
    return true;
}

}  // namespace mixerpanel
