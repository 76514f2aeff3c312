// The names of the temporary files a settings file is written to before it
// replaces the target. Plain string work over the path, nothing else, so that
// other programs (the benchmarks' bare request sequences) can build them too.
#pragma once

#include "platform/win.h"

// The temporary names tried for a target, in order.
#define TEMP_NAME_TRIES 3

// Builds temporary name number `attempt` (0 to TEMP_NAME_TRIES - 1) of the
// target `path` into `out` (MAX_PATH bytes): the target's directory part,
// then "~", eight hexadecimal digits of a hash of the target's file name
// (letters folded to upper case, as Windows compares names) and the attempt
// number, and ".tmp", as in "C:\Data\~3F09A1C4.tmp". A directory that leaves
// less room below MAX_PATH keeps the start of that name that fits; the target
// itself fits, so at least its own file name's length always does. False
// when the path is null or empty, ends in a separator, names a drive alone
// or has MAX_PATH characters or more.
bool TempFileName(LPCSTR path, int attempt, char* out);

// Whole paths compared as Windows compares names: ASCII letters without case.
bool SameFileName(LPCSTR a, LPCSTR b);
