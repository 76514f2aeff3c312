// The per-line and selection exports that both the bare-sequence check
// (natively) and the Wine benchmark hold against their bare request
// sequences, one row each:
//
//     X(export, how, line, operation, value)
//
// `how` is Get or Set (bare::Get / bare::Set on the line and operation, the
// setter called with `value`), GetSelect or Select (the selection getter and
// setter of the line's source). The files, peak and listing cases, which
// need more than a line, are each file's own.
#pragma once

#define BENCH_LINE_CASES(X)                                      \
    X(GetPlayMainVolume, Get, LineMain, OpMainVolume, 0)         \
    X(SetPlayMainVolume, Set, LineMain, OpMainVolume, 41000)     \
    X(GetPlayMainMute, Get, LineMain, OpMainMute, 0)             \
    X(SetPlayMainMute, Set, LineMain, OpMainMute, 1)             \
    X(SetPlayMainBalance, Set, LineMain, OpMainBalance, 3)       \
    X(GetPlayLineInVolume, Get, LineLineIn, OpPlayVolume, 0)     \
    X(SetPlayLineInVolume, Set, LineLineIn, OpPlayVolume, 30000) \
    X(GetPlayLineInMute, Get, LineLineIn, OpPlayMute, 0)         \
    X(SetPlayLineInMute, Set, LineLineIn, OpPlayMute, 0)         \
    X(SetPlayLineInBalance, Set, LineLineIn, OpPlayBalance, 7)   \
    X(GetRecMicVolume, Get, LineMic, OpRecVolume, 0)             \
    X(SetRecMicVolume, Set, LineMic, OpRecVolume, 25000)         \
    X(GetRecMicMute, Get, LineMic, OpRecMute, 0)                 \
    X(SetRecMicMute, Set, LineMic, OpRecMute, 1)                 \
    X(GetRecLineInSelect, GetSelect, LineLineIn, 0, 0)           \
    X(SetRecLineInSelect, Select, LineLineIn, 0, 0)              \
    X(GetRecMicSelect, GetSelect, LineMic, 0, 0)                 \
    X(SetRecMicSelect, Select, LineMic, 0, 0)

// The bare side of a row, as a lambda returning what the export returns.
#define BENCH_BARE_Get(line, op, value) [] { return bare::Get(line, op); }
#define BENCH_BARE_Set(line, op, value) [] { bare::Set(line, op, value); return 1L; }
#define BENCH_BARE_GetSelect(line, op, value) [] { return bare::GetSelect(line); }
#define BENCH_BARE_Select(line, op, value) [] { bare::Select(line); return 1L; }
#define BENCH_BARE(how, line, op, value) BENCH_BARE_##how(line, op, value)

// How the export of a row is called through `fn`.
#define BENCH_CALL_Get(fn, value) fn()
#define BENCH_CALL_Set(fn, value) fn(value)
#define BENCH_CALL_GetSelect(fn, value) fn()
#define BENCH_CALL_Select(fn, value) fn()
#define BENCH_CALL(how, fn, value) BENCH_CALL_##how(fn, value)
