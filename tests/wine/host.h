// A small test harness for the Windows test host: checks run inside one
// process that loads MIXER.DLL by name, as the real host application does.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// The exports' types, lists and codes: the host finds the functions with
// GetProcAddress and calls them through mixer.h's types.
#define MIXER_NO_DLLIMPORT
#include "mixer.h"

#include <cstdio>
#include <string>
#include <vector>

struct HostTest {
    const char* name;
    void (*fn)();
    HostTest* next;
    HostTest(const char* n, void (*f)());
};

#define HOST_TEST(name)                               \
    static void name();                               \
    static HostTest name##_registration(#name, name); \
    static void name()

void HostCheck(bool ok, const char* what, const char* file, int line);
// Failed checks so far.
int HostFailures();
// How a failed comparison shows its values: as numbers, or as the names of
// winmm's result codes (MMSYSERR_, MIXERR_, MCIERR_) with the number.
enum class HostValue { Number, Result };
void HostCheckEq(long long got, long long want, const char* what, const char* file, int line,
                 HostValue as = HostValue::Number);

#define CHECK(cond) HostCheck((cond), #cond, __FILE__, __LINE__)
#define CHECK_EQ(got, want) HostCheckEq((long long)(got), (long long)(want), #got " == " #want, __FILE__, __LINE__)
// A winmm or MCI result code: "got MIXERR_INVALLINE (1024), want MMSYSERR_NOERROR (0)".
#define CHECK_RESULT(got, want) \
    HostCheckEq((long long)(got), (long long)(want), #got " == " #want, __FILE__, __LINE__, HostValue::Result)

// The names winmm's headers give a value, as Wine's own tests print them:
// "MMSYSERR_NOERROR", "MIXERR_INVALLINE", "MCIERR_CANNOT_LOAD_DRIVER";
// "MIXERLINE_COMPONENTTYPE_DST_SPEAKERS". A value without a name gives null.
const char* ResultName(long long code);
const char* ComponentTypeName(DWORD type);
// The name followed by the number, "MIXERR_INVALLINE (1024)", or the number
// alone.
std::string ResultText(long long code);
std::string ComponentTypeText(DWORD type);

// What the checks that follow are about, printed after each of their
// failures (Wine's tests call it winetest_push_context): "component type
// MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER (4100)". For the checks of the
// thread that runs the tests, while the object lives.
class HostContext {
public:
    explicit HostContext(const std::string& text);
    ~HostContext();
    HostContext(const HostContext&) = delete;
    HostContext& operator=(const HostContext&) = delete;
};

// The loaded library and its exports.
HMODULE Dll();
// The directory MIXER.DLL was loaded from, ending in a backslash: the
// library's name-file prefix at load.
std::string DllDirectory();
FARPROC Export(const char* name);
// A function address as the pointer type F (through void (*)(void), the
// type a cast between function types goes through without a warning).
template <typename F>
F AsFunction(FARPROC p) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(p));
}
template <typename F>
F Fn(const char* name) {
    return AsFunction<F>(Export(name));
}
// An export as its mixer.h pointer type: CALL(GetPeak)(type).
#define CALL(name) Fn<MIXER_PFN_##name>(#name)

// Direct winmm access to mixer device 0, for checking what the library did.
struct DirectLine {
    bool found;
    MIXERLINEA line;
};
DirectLine DirectDestination(DWORD componentType);  // first destination of the type
bool DirectControl(DWORD lineId, DWORD controlType, MIXERCONTROLA* out);
// One-channel read / write of a control's value; false when the request fails.
bool DirectRead(DWORD controlId, LONG* value);
bool DirectWrite(DWORD controlId, LONG value);
// The one-channel value of a control, or `fallback` when the read fails.
LONG DirectValue(DWORD controlId, LONG fallback = -12345);
// The same on another mixer device, named by its identifier.
DirectLine DeviceDestination(UINT device, DWORD componentType);
bool DeviceControl(UINT device, DWORD lineId, DWORD controlType, MIXERCONTROLA* out);
bool DeviceRead(UINT device, DWORD controlId, LONG* value);
bool DeviceWrite(UINT device, DWORD controlId, LONG value);
LONG DeviceValue(UINT device, DWORD controlId, LONG fallback = -12345);

// A fresh directory under the temporary directory, ending in a backslash.
std::string TempDirectory(const char* tag);
// Writes a file's bytes as they are; false when it cannot.
bool WriteBytes(const std::string& path, const std::string& bytes);
// A file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
// The number after "<section>\r\n...<key>=" in a saved settings text;
// -99999 when the section or the key is not there.
long SettingsEntry(const std::string& text, const char* section, const char* key);

// Device 0's master line: the speakers destination with its volume and mute.
struct MasterControls {
    bool ok;
    DWORD lineId;
    DWORD volume;  // control identifiers
    DWORD mute;
};
MasterControls FindMasterControls();
// The first destination of a type on any device, with its volume and mute.
MasterControls FindDestinationControls(UINT device, DWORD componentType);

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
// Checks that every device but `except` reads as in `before`; a failure
// names the device and the value.
void CheckLevelsKept(const std::vector<DeviceLevels>& before, UINT except, const char* file, int line);
#define CHECK_LEVELS_KEPT(before, except) CheckLevelsKept((before), (except), __FILE__, __LINE__)
constexpr UINT kNoDevice = 0xFFFFFFFFu;

// Wine keeps levels as floats: a level may read back one lower.
inline bool NearLevel(LONG got, LONG want) { return got == want || got == want - 1; }
