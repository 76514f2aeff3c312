// The arithmetic of level and balance writes: what the control writer puts
// into the first and last channel of a line. Header-only and free of the
// library's internals, so that the tools and benchmarks that show or repeat
// a write compute it as the library does.
#pragma once

#include "platform/win.h"

// The double nearest to one seventh (bit pattern 0x3FC2492492492492). The
// balance scale multiplies by it; it is not the same as dividing by 7.
inline constexpr double kOneSeventh = 0.14285714285714285;

// The balance scale: positions 0 (left) to 15 (right).
inline constexpr LONG kBalancePositions = 16;

// Truncation toward zero into 32 bits. A value outside the 32-bit range (or
// NaN) gives 0x80000000, as the x86 conversion instruction does, instead of
// undefined behaviour.
inline LONG Truncate(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) return static_cast<LONG>(0x80000000u);
    return static_cast<LONG>(x);
}

// The louder of the two channels gets the new level; the other keeps its ratio
// to it. first and last may be the same value (a one-channel line); the stores
// happen in the order shown so that the later one wins there.
inline void ApplyLevelRule(LONG* first, LONG* last, LONG level) {
    const LONG f = *first;
    const LONG l = *last;
    if (f > l) {
        const double ratio = f == 0 ? 1.0 : static_cast<double>(l) / static_cast<double>(f);
        *first = level;
        *last = Truncate(static_cast<double>(level) * ratio);
    } else {
        const double ratio = l == 0 ? 1.0 : static_cast<double>(f) / static_cast<double>(l);
        *last = level;
        *first = Truncate(static_cast<double>(level) * ratio);
    }
}

// Position 0..15 on the balance scale, with the louder channel's level as the
// reference: 0 silences the last channel, 15 the first, 7 and 8 give both the
// reference level. The writer never applies a position outside the scale
// (BalanceInScale): it would give levels below zero or above the louder
// channel's.
inline void ApplyBalanceRule(LONG* first, LONG* last, LONG position) {
    const LONG f = *first;
    const LONG l = *last;
    const LONG max = f > l ? f : l;
    if (position <= 7) {
        *first = max;
        *last = Truncate(static_cast<double>(static_cast<long long>(position) * max) * kOneSeventh);
    } else {
        *first = Truncate(static_cast<double>((15 - static_cast<long long>(position)) * max) * kOneSeventh);
        *last = max;
    }
}

inline bool BalanceInScale(LONG position) { return position >= 0 && position < kBalancePositions; }
