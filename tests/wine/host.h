// The tests of the real MIXER.DLL under Wine, on GoogleTest: the host loads
// the library by name, as the real host application does
// (tools/common's MixerDll), finds its exports with GetProcAddress and calls
// them through mixer.h's types, and checks what they did with direct winmm
// requests by device identifier.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

// The exports' types, lists and codes.
#define MIXER_NO_DLLIMPORT
#include "mixer.h"

#include "mixer_dll.h"
#include "mixer_lookup.h"

#include <string>
#include <vector>

using mixertools::AsFunction;

// ---- Names in messages ---------------------------------------------------------

// The names winmm's headers give a value, as Wine's own tests print them:
// "MMSYSERR_NOERROR", "MIXERR_INVALLINE", "MCIERR_CANNOT_LOAD_DRIVER";
// "MIXERLINE_COMPONENTTYPE_DST_SPEAKERS". A value without a name gives null.
const char* ResultName(long long code);
const char* ComponentTypeName(DWORD type);
// The name followed by the number, "MIXERR_INVALLINE (1024)", or the number
// alone.
std::string ResultText(long long code);
std::string ComponentTypeText(DWORD type);

// A winmm or MCI result code compared with the one wanted; a failure reads
// "opened == direct: got MIXERR_INVALLINE (1024), want MMSYSERR_NOERROR (0)".
template <typename Got, typename Want>
::testing::AssertionResult ResultIs(const char* gotText, const char* wantText, Got got, Want want) {
    const long long g = static_cast<long long>(got), w = static_cast<long long>(want);
    if (g == w) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << gotText << " == " << wantText << ": got " << ResultText(g) << ", want "
                                         << ResultText(w);
}
// (GoogleTest's own assertions are made of GTEST_ASSERT_; the codes' names
// are taken as written, before the preprocessor replaces them.)
#define EXPECT_RESULT(got, want) GTEST_ASSERT_(ResultIs(#got, #want, got, want), GTEST_NONFATAL_FAILURE_)

namespace mixertools {
inline void PrintTo(PeakMeterFound found, std::ostream* out) {
    *out << (found == PeakMeterFound::Yes ? "Yes" : found == PeakMeterFound::NoLine ? "NoLine" : "NoMeter");
}
}  // namespace mixertools

// ---- The library -----------------------------------------------------------------

// The loaded library.
const mixertools::MixerDll& Dll();
// The directory MIXER.DLL was loaded from, ending in a backslash: the
// library's name-file prefix at load.
std::string DllDirectory();
// An export's address; a missing one fails the test that asks. Every name
// asked for counts as called by a test (main checks that all are, after a
// run of every test but the solo ones). Any thread may ask.
FARPROC Export(const char* name);
// An export as its mixer.h pointer type: CALL(GetPeak)(type).
#define CALL(name) AsFunction<MIXER_PFN_##name>(Export(#name))
// Exports of one signature in a table, each with its name for the trace:
// const NamedCall<MIXER_PFN_GetRecCDMute> getters[] = {NAMED_CALL(GetRecCDMute), ...}.
template <typename F>
struct NamedCall {
    const char* name;
    F fn;
};
#define NAMED_CALL(name) {#name, CALL(name)}
typedef NamedCall<MIXER_PFN_GetRecCDMute> NamedGetter;  // LONG (void)
typedef NamedCall<MIXER_PFN_SetRecCDMute> NamedSetter;  // LONG (LONG)

// ---- Direct winmm access, to check what the library did ---------------------------

// The first line of a type on a mixer device (device 0 for the Direct ones).
struct DirectLine {
    bool found;
    MIXERLINEA line;
};
DirectLine DeviceDestination(UINT device, DWORD componentType);
inline DirectLine DirectDestination(DWORD componentType) { return DeviceDestination(0, componentType); }
// One-channel read / write of a control's value; false when the request fails.
bool DeviceRead(UINT device, DWORD controlId, LONG* value);
bool DeviceWrite(UINT device, DWORD controlId, LONG value);
inline bool DirectWrite(DWORD controlId, LONG value) { return DeviceWrite(0, controlId, value); }
// The one-channel value of a control, or `fallback` when the read fails.
LONG DeviceValue(UINT device, DWORD controlId, LONG fallback = -12345);
inline LONG DirectValue(DWORD controlId, LONG fallback = -12345) { return DeviceValue(0, controlId, fallback); }

// ---- Files -------------------------------------------------------------------------

// A fresh directory under the temporary directory, ending in a backslash.
std::string TempDirectory(const char* tag);
// Writes a file's bytes as they are; false when it cannot.
bool WriteBytes(const std::string& path, const std::string& bytes);
// A file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
// The number after "<section>\r\n...<key>=" in a saved settings text;
// -99999 when the section or the key is not there.
long SettingsEntry(const std::string& text, const char* section, const char* key);

// The child that host_persistence.cpp's kill test starts: "winehost
// --settings-file-saver PARENT CHILD" runs this instead of the tests.
constexpr const char kSettingsFileSaver[] = "--settings-file-saver";
int RunSettingsFileSaver(unsigned long parent, int child);

// ---- Lines and levels --------------------------------------------------------------

// A destination with its volume and mute (control identifiers).
struct MasterControls {
    bool ok;
    DWORD lineId;
    DWORD volume;
    DWORD mute;
};
// The first destination of a type on a device, with its volume and mute.
MasterControls FindDestinationControls(UINT device, DWORD componentType);
// Device 0's master line: the speakers destination.
inline MasterControls FindMasterControls() { return FindDestinationControls(0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS); }

// The recording endpoint's mixer, found as winmm maps wave-in device 0 to a
// mixer (mixerGetID with MIXER_OBJECTF_WAVEIN), and its wave-in destination's
// volume and mute. Wine lists it after the output endpoints' mixers.
struct RecordingControls {
    bool ok;
    UINT device;
    MasterControls destination;
};
RecordingControls FindRecordingControls();

// The volume and mute of every mixer device's first destination, read by
// device identifier (-12345 where there is none).
struct DeviceLevels {
    UINT device;
    MasterControls controls;
    LONG volume, mute;
};
std::vector<DeviceLevels> ReadEveryDestination();
// Writes the levels read back where they were read (Wine may keep a level
// one lower).
void RestoreLevels(const std::vector<DeviceLevels>& saved);
// Whether every device but `except` reads as in `before`; a failure names
// each device and value that changed.
::testing::AssertionResult LevelsKept(const char* beforeText, const char* exceptText,
                                      const std::vector<DeviceLevels>& before, UINT except);
#define EXPECT_LEVELS_KEPT(before, except) EXPECT_PRED_FORMAT2(LevelsKept, before, except)
constexpr UINT kNoDevice = 0xFFFFFFFFu;

// Wine keeps levels as floats: a level may read back one lower.
inline bool NearLevel(LONG got, LONG want) { return got == want || got == want - 1; }
