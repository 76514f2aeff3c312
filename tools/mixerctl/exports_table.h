// The library's 91 exports, each with the call that reads its arguments from
// the command line: both made from mixer.h's lists and MIXER_PFN_ types, one
// argument reader per parameter type.
//
// Both builds call the library only through this table: natively it holds the
// addresses of the library's functions (linked in), on Windows the addresses
// GetProcAddress finds in MIXER.DLL.
#pragma once

#include "common.h"

#include <string>
#include <vector>

namespace mixerctl {

struct CallOutcome {
    LONG result = 0;
    bool hasText = false;  // the export filled a buffer
    std::string text;
};

struct ExportInfo;
using Invoker = CallOutcome (*)(const ExportInfo& info, AnyFn fn, const std::vector<std::string>& args);

struct ExportInfo {
    const char* name;
    const char* params;  // mixer.h's parameter list, e.g. "(LONG kind, LPCSTR name, LONG select)"
    Invoker invoke;      // reads the arguments by the export's MIXER_PFN_ type and calls
    int argumentCount;   // 32-bit arguments of the export (its stack size / 4)
};

// Every export, in alphabetical order of the names (the ordinal order).
const std::vector<ExportInfo>& Exports();
const ExportInfo* FindExport(const std::string& name);  // exact name; null when unknown
// The arguments `call` takes on the command line, from the parameter names:
// e.g. "KIND NAME SELECT"; a buffer takes none, the limit after it is
// optional ("[LIMIT]"), a mixer handle may be "open" ("MIXER|open").
std::string CommandLineArguments(const ExportInfo& info);

// The address of an export in this build: the linked function natively, the
// DLL's export on Windows; null when the library lacks it. Defined by the
// build's platform file.
AnyFn ExportAddress(const char* name);

// Calls `fn` with `args` read by `info`'s parameter types: integers (decimal
// or 0x hex, -2^31 to 2^32-1), strings as given ("@null" for a null pointer),
// for a buffer its limit (optional, default 255), and for a mixer handle
// either a number or "open" (mixerctl opens mixer device 0 around the call).
// Throws UsageError for a wrong argument count or value, before calling.
inline CallOutcome Invoke(const ExportInfo& info, AnyFn fn, const std::vector<std::string>& args) {
    return info.invoke(info, fn, args);
}

// Looks up `name` in the table and this build's library and calls it; throws
// ToolError when the library lacks the export.
CallOutcome CallExport(const std::string& name, const std::vector<std::string>& args = {});
LONG CallExportValue(const std::string& name, const std::vector<std::string>& args = {});

}  // namespace mixerctl
