// The bare request sequences: what each benchmarked export asks of the
// platform (mixer opens, line and control queries, details reads and writes,
// file and search requests, closes), written directly against the Win32
// names with stack buffers, no heap blocks and none of the library's own
// bookkeeping. The Wine benchmark times each export against its sequence;
// natively, bare_check confirms that both make the same mixer and file
// requests with the same arguments and values.
#pragma once

#include "core/line_table.h"
#include "platform/win.h"

#include <string>

namespace bare {

// What the host application has told the library and the name file has
// given it: the override names and the CD-type flag. The sequences address
// lines by these exactly as the library does.
struct Settings {
    char lineIn[256];
    char digital[256];
    char digitalCD[256];
    LONG cdTypeDigital;
};
extern Settings g_settings;
// Forgets the settings and the cached recording source names.
void ResetState();

// A per-line getter and setter (GetPlayMainVolume, SetPlayMainBalance, ...):
// a line and operation of the per-line table (core/line_table.h).
LONG Get(LineId line, LONG op);
void Set(LineId line, LONG op, LONG value);
// A selection getter and setter (GetRecMicSelect, SetRecMicSelect).
LONG GetSelect(LineId line);
void Select(LineId line);
// GetPeak and GetMixerRecordChannels (the listing itself is not composed).
LONG Peak(DWORD componentType);
LONG RecordChannels(char* buffer, DWORD limit);

// ReadDigitalConfiguration: the name file's requests. `directory` is the
// search prefix (ending in a separator). The names are not parsed.
LONG ReadNameFile(const char* directory);

// Save: every getter the settings file records, then the file written with
// the bytes given (what the library writes for the same settings).
LONG SaveBytes(const char* path, const char* bytes, DWORD count);

// Set: the file read, then every setter its entries call. `plan` lists them
// (see MakeSetPlan); the text is not parsed.
struct SetStep {
    enum Kind { Value, SelectSource, CDType } kind;
    LineId line;
    LONG op;
    LONG value;
};
struct SetPlan {
    SetStep steps[128];
    int count;
};
// The steps the library takes for a settings file's bytes.
void MakeSetPlan(const std::string& bytes, SetPlan* plan);
LONG ApplyFile(const char* path, const SetPlan& plan);

}  // namespace bare
