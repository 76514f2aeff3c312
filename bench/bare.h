// The bare request sequences: what each benchmarked export asks of the
// platform (mixer opens, line and control queries, details reads and writes,
// file and search requests, closes), written directly against the Win32
// names with stack buffers, no heap blocks and none of the library's own
// bookkeeping. The Wine benchmark times each export against its sequence;
// natively, bare_check confirms that both make the same mixer and file
// requests with the same arguments and values.
#pragma once

#include "platform/win.h"

namespace bare {

// The lines and operations of the per-line exports.
enum Line { LineLineIn, LineMic, LineCD, LineWaveOut, LineAux, LineDigital, LineAnalog, LineMain };
enum Op {
    PlayVolume, RecVolume, MainVolume,
    PlayMute, RecMute, MainMute,
    PlayBalance, RecBalance, MainBalance,
    PlayBoost, RecBoost,
};

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

// A per-line getter and setter (GetPlayMainVolume, SetPlayMainBalance, ...).
LONG Get(Line line, Op op);
void Set(Line line, Op op, LONG value);
// A selection getter and setter (GetRecMicSelect, SetRecMicSelect).
LONG GetSelect(Line line);
void Select(Line line);
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
    Line line;
    Op op;
    LONG value;
};
struct SetPlan {
    SetStep steps[128];
    int count;
};
// The steps the library takes for a settings text (LF line ends).
void MakeSetPlan(const char* text, DWORD length, SetPlan* plan);
LONG ApplyFile(const char* path, const SetPlan& plan);

}  // namespace bare
