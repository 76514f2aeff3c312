// Numbers as decimal text without the C library's formatting: the trace and
// the CD player's message boxes build their text in fixed buffers.
#pragma once

#include "platform/win.h"

// The decimal digits of `v` into `out` (room for 10), most significant first;
// returns how many were written.
inline int DecimalDigits(DWORD v, char* out) {
    char reversed[10];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    for (int i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
    return n;
}
