// The library's 91 exported names with the kinds of their arguments (from
// the lists of mixer.h), and calling an export through its address.
//
// Both builds call the library only through this table: natively it holds the
// addresses of the library's functions (linked in), on Windows the addresses
// GetProcAddress finds in MIXER.DLL.
#pragma once

#include "common.h"

#include <string>
#include <vector>

namespace mixerctl {

// The C signature of an export; every one uses the standard calling
// convention and returns a 32-bit integer.
enum class Sig {
    Void,           // (void)
    Long,           // (LONG)
    Dword,          // (DWORD)
    Str,            // (LPCSTR)
    Buf,            // (LPSTR) : a buffer of 256 bytes the export fills
    BufLimit,       // (LPSTR, DWORD) : a buffer and its limit
    SetMixer,       // (DWORD, LONG, LONG, LPCSTR, LONG)
    LocateControl,  // (DWORD, LONG, HMIXER, LONG)
    SelectLine,     // (LONG, LPCSTR, LONG)
};

struct ExportInfo {
    const char* name;
    Sig sig;
};

// Every export, in alphabetical order of the names (the ordinal order).
const std::vector<ExportInfo>& Exports();
const ExportInfo* FindExport(const std::string& name);  // exact name; null when unknown
// The 32-bit arguments the export takes (its stack size / 4).
int DllArgumentCount(Sig sig);
// The arguments `call` takes on the command line, e.g. "TYPE OP VALUE NAME BYNAME".
std::string CommandLineArguments(Sig sig);

// The address of an export in this build: the linked function natively, the
// DLL's export on Windows; null when the library lacks it. Defined by the
// build's platform file.
AnyFn ExportAddress(const char* name);

struct CallOutcome {
    LONG result = 0;
    bool hasText = false;  // the export filled a buffer
    std::string text;
};

// Calls `fn` with `args` read by `sig`: integers (decimal or 0x hex, -2^31 to
// 2^32-1), strings as given ("@null" for a null pointer), for the buffer
// exports the limit (BufLimit, optional, default 255), and for a mixer handle
// either a number or "open" (mixerctl opens mixer device 0 around the call).
// Throws UsageError for a wrong argument count or value.
CallOutcome Invoke(const ExportInfo& info, AnyFn fn, const std::vector<std::string>& args);

// Looks up `name` in the table and this build's library and calls it; throws
// ToolError when the library lacks the export.
CallOutcome CallExport(const std::string& name, const std::vector<std::string>& args = {});
LONG CallExportValue(const std::string& name, const std::vector<std::string>& args = {});

}  // namespace mixerctl
