// Test-facing side of the simulated platform: build cards, read the call log,
// count open resources and inject faults.
//
// The simulated platform implements the Win32 names of win32_api.h with
// winmm's documented semantics. Everything here is process-wide state, reset by
// sim::Reset(). The Win32 functions may be called from several threads (they
// take turns, see detail::ApiLock); the functions here are for a test's own
// thread, while no other thread calls the platform.
#pragma once

#include "win32_api.h"

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// ---- Mixer model -----------------------------------------------------------

struct Control {
    DWORD id = 0;
    DWORD type = 0;
    DWORD flags = 0;  // MIXERCONTROL_CONTROLF_*
    DWORD items = 0;  // cMultipleItems as reported (meaningful with CONTROLF_MULTIPLE)
    LONG minimum = 0;
    LONG maximum = 65535;
    DWORD steps = 0;
    std::string name;
    std::string shortName;
    // Item texts of a list control, by item. Fewer texts than items is allowed
    // (a driver that reports more items than it names): the rest read as "".
    std::vector<std::string> itemTexts;
    // Current values, channel-major: values[channel * itemCount + item], where
    // the channel count is 1 for a uniform control and the line's channel count
    // otherwise, and itemCount is max(items, 1) for a multiple control, else 1.
    std::vector<LONG> values;

    // Driver behaviours seen in the field.
    bool firstChannelOnly = false;  // asked for N channels, fills and applies only the first (Wine)
    bool leaveUnfilled = false;     // answers reads as done without writing the buffer (Wine sources)
    bool ignoreWrites = false;      // accepts writes and changes nothing (Wine sources)
    bool refuseOutOfRange = false;  // a value outside minimum..maximum fails with MMSYSERR_INVALPARAM
    bool refuseBadSelection = false;  // single-select write with not exactly one item set fails
    bool textsFirstChannelOnly = false;  // list texts asked for N channels: only the first channel's are named
    // Keeps a written level v (0..65535) as the float v / 65535 and reads it
    // back as trunc(float x 65535): 32,895 of the 65,536 levels read back one
    // lower, and writing back what was read lowers 31,871 of them again
    // (Wine 8's winmm keeps the master volume this way; both counts measured
    // under Wine). Values outside 0..65535 are kept as they are.
    bool floatLevel = false;

    // The control of the same device whose value this one reads and writes
    // (unset: its own). Every control of a Windows Vista endpoint acts on the
    // endpoint's one volume or mute ("Audio Mixers in Windows Vista"): a
    // source's volume is the destination's volume seen from another line.
    std::optional<DWORD> actsOn;

    // Convenience accessors on values (uniform controls have one channel).
    LONG Value(DWORD channel = 0, DWORD item = 0) const;
    void SetValue(LONG v, DWORD channel, DWORD item = 0);
    void SetAll(LONG v);  // every channel and item
};

struct Line {
    DWORD id = 0;
    DWORD componentType = 0;
    DWORD channels = 2;
    DWORD fdwLine = MIXERLINE_LINEF_ACTIVE;
    std::string name;
    std::string shortName;
    std::deque<Control> controls;
    // A driver that miscounts: when non-zero, the control count the line
    // reports (cControls) instead of the real one. A request for all controls
    // must then name this count and gets the real controls that fit in it.
    DWORD reportedControls = 0;

    // Adds a control; values start at `initial` on every channel and item.
    Control& AddControl(DWORD type, LONG initial = 0, DWORD flags = 0, DWORD items = 0,
                        const std::string& name = "");
    // A list control (MUX, SINGLESELECT, MULTIPLESELECT, MIXER) with MULTIPLE set,
    // one item per text; `selected` lists the items that start selected.
    Control& AddList(DWORD type, const std::vector<std::string>& texts,
                     const std::vector<DWORD>& selected = {}, DWORD extraFlags = MIXERCONTROL_CONTROLF_UNIFORM);
    Control* Find(DWORD type);  // first control of the type, or null
    DWORD ChannelCount() const { return channels ? channels : 1; }
    DWORD ControlCount() const {
        return reportedControls ? reportedControls : static_cast<DWORD>(controls.size());
    }
};

struct Destination : Line {
    std::deque<Line> sources;
    Line& AddSource(DWORD componentType, const std::string& name, DWORD channels = 2);
    Line* FindSource(DWORD componentType);  // first source of the type, or null
};

struct Device {
    std::string productName;
    WORD mid = 1;
    WORD pid = 1;
    // Which wave devices the mixer belongs to. A card's own mixer (Windows
    // XP and before) serves wave-out and wave-in device alike. Since Windows
    // Vista, and in Wine, every audio endpoint is a mixer of its own, of one
    // direction. Wave-out device n is the n-th mixer device that serves
    // playback, wave-in device n the n-th that serves recording: mixerGetID
    // maps them so. Wine numbers its mixer handles by endpoint direction too
    // (SetWineMixerHandles), a card's mixer counting as playback.
    enum class Endpoint { None, Playback, Recording };
    Endpoint endpoint = Endpoint::None;
    // The Core Audio endpoint volume of the device's wave device (see
    // SetCoreAudio): one state an endpoint, shared by every object and
    // caller. A level a channel, 0.0 to 1.0 (empty: the first
    // destination's channel count, each at 1.0); the mute; the reading of
    // its meter; `present` false for an endpoint unplugged (every request on
    // its objects fails with AUDCLNT_E_DEVICE_INVALIDATED).
    struct EndpointVolume {
        std::vector<float> levels;
        bool mute = false;
        float peak = 0.0f;
        bool present = true;
    } endpointVolume;
    bool ServesPlayback() const { return endpoint != Endpoint::Recording; }
    bool ServesRecording() const { return endpoint != Endpoint::Playback; }
    std::deque<Destination> destinations;
    Destination& AddDestination(DWORD componentType, const std::string& name, DWORD channels = 2);
    Destination* FindDestination(DWORD componentType);
    // The line with this id (destination or source), or null.
    Line* FindLine(DWORD lineId);
    Control* FindControl(DWORD controlId, Line** owner = nullptr);
    DWORD nextControlId = 1;
};

// Clears every device, the call log, faults, counters and every other area's
// state (files, registry, MCI, message boxes, module path).
void Reset();
Device& AddDevice(const std::string& productName);
std::deque<Device>& Devices();
// A snapshot of every control's values on every device, by device index and
// control identifier (a control that acts on another has values of its own
// that nothing reads), to compare or to put back.
typedef std::pair<size_t, DWORD> ControlKey;
typedef std::map<ControlKey, std::vector<LONG>> Values;
Values AllValues();
// The controls whose values differ between two snapshots of the same card.
std::set<ControlKey> ChangedControls(const Values& before, const Values& after);
// Puts the values of a snapshot back.
void RestoreValues(const Values& values);
// Overrides what mixerGetNumDevs reports (-1 restores the real count).
void SetReportedDeviceCount(int count);

// Mixer handles as Wine 8's winmm makes them (off until set, and again after
// Reset()). Each device has a counter that mixerOpen raises and nothing
// lowers; the handle is 0x8000 | playback << 14 | index << 8 | counter, the
// counter OR-ed in, so from the 256th open of a device it runs into the index
// bits (0xC000 | 256 names playback device 1) and from the 65536th into the
// bits above, which make every handle invalid. A request names the device its
// handle's bits name, whether or not the handle was ever opened or closed;
// mixerClose does nothing and succeeds for any value. A device identifier
// (MIXER_OBJECTF_MIXER with a value below the device count) keeps working.
// Measured under Wine 8 in one process: of 70,000 opens of device 0, opens
// 0-255, 16384-16639, 32768-33023 and 49152-49407 gave device 0, 256-511
// device 1 when a second playback device was present, the rest failed.
// OpenMixerHandles() still counts opens that were not closed.
void SetWineMixerHandles(bool on);

// The wave-in device the wave mapper prefers, as DRVM_MAPPER_PREFERRED_GET
// reports it (0 until set, and again after Reset()); any value is reported
// as it is, a device that does not exist included.
void SetPreferredWaveIn(DWORD index);

// Wave device identifiers as Wine 8's winmm answers them (off until set, and
// again after Reset()). Measured under Wine 8 with one and two outputs:
//  - DRVM_MAPPER_PREFERRED_GET, in either direction, succeeds with the
//    identifier -1 (and flags 0) until winmm has built its device list,
//    which the first device count of the process (mixerGetNumDevs,
//    waveInGetNumDevs, waveOutGetNumDevs) does;
//  - mixerGetID with MIXER_OBJECTF_WAVEIN or _WAVEOUT and an identifier
//    past the devices (WAVE_MAPPER included) fails with
//    MMSYSERR_INVALHANDLE and stores the identifier it was given.
// Off, as Windows documents it: the device list is there from the start, and
// an identifier past the devices fails with MMSYSERR_BADDEVICEID, storing -1.
void SetWineDeviceIds(bool on);

// ---- Core Audio -----------------------------------------------------------------
//
// Which Core Audio the platform has (None after Reset()):
//  - None: Windows XP's; CoCreateInstance(CLSID_MMDeviceEnumerator) fails
//    with REGDB_E_CLASSNOTREG and the wave devices answer
//    DRV_QUERYFUNCTIONINSTANCEID(SIZE) with MMSYSERR_NOTSUPPORTED.
//  - Windows: after Microsoft's documentation of IMMDeviceEnumerator,
//    IMMDevice, IAudioEndpointVolume and IAudioMeterInformation: each wave
//    device's endpoint is found by the identifier its
//    DRV_QUERYFUNCTIONINSTANCEID gives; one endpoint volume a device
//    (Device::endpointVolume); a scalar outside 0.0..1.0 or a channel past
//    the last fails with E_INVALIDARG; a set that changes nothing succeeds
//    with S_FALSE; the master level is the loudest channel's, and setting
//    it scales every channel by the same factor, so that the balance
//    between them stays (all channels take the level when all are silent).
//  - Wine: as measured under Wine 8 (and in Wine 10's source,
//    dlls/mmdevapi): the enumerator, GetDevice and
//    Activate(IAudioEndpointVolume) succeed; SetMasterVolumeLevelScalar,
//    GetChannelCount, GetVolumeStepInfo and the channel calls fail with
//    E_NOTIMPL; GetMasterVolumeLevelScalar reads 1.0; SetMute is kept by
//    the object it was made on (a fresh object reads 0);
//    Activate(IAudioMeterInformation) fails with E_NOINTERFACE.
// COM must be initialised on the calling thread (CO_E_NOTINITIALIZED
// otherwise); a second CoInitializeEx in the same mode gives S_FALSE, in the
// other RPC_E_CHANGED_MODE; each S_OK or S_FALSE is undone by one
// CoUninitialize. The call log names the methods "Interface::Method";
// AddRef, Release, CoUninitialize and CoTaskMemFree are counted, not logged.
enum class CoreAudio { None, Windows, Wine };
void SetCoreAudio(CoreAudio kind);
CoreAudio CoreAudioKind();
// References held on Core Audio objects, every object counted.
int ComReferences();
// CoInitializeEx calls that succeeded (S_OK, S_FALSE) and were not undone,
// on every thread.
int ComInitializations();

// Wine 8's winmm mixer records and open flags (off until set, and again
// after Reset()), as Wine's own mixer tests (dlls/winmm/tests/mixer.c) show
// them under Wine 8: mixerOpen refuses CALLBACK_THREAD and CALLBACK_EVENT
// with MMSYSERR_NOTSUPPORTED; a destination's dwSource is 0xFFFFFFFF; the
// driver version is 0x0101; a line's Target names wMid and wPid 0xFFFF, and
// only the wave-out source (WAVEOUT) and the wave-in destination (WAVEIN)
// have a target type and the device's name, the other lines none and an
// empty name. Off, as Windows documents them: threads and events are
// accepted, dwSource 0, version 0x0100, every Target the device's.
void SetWineMixer(bool on);

// ---- Call log ----------------------------------------------------------------

struct Call {
    std::string fn;          // the platform function's name
    uintptr_t object = 0;    // mixer handle or device index, file or key handle, MCI device
    DWORD flags = 0;         // flags argument as passed
    DWORD cbStruct = 0;      // record size passed (cbStruct / cbmxcaps)
    DWORD id = 0;            // line id, control id, destination index or command
    DWORD source = 0;        // source index (SOURCE queries), component type (COMPONENTTYPE)
    DWORD cChannels = 0;
    DWORD cMultipleItems = 0;
    DWORD cbDetails = 0;
    DWORD count = 0;         // cControls, bytes, sizes
    std::vector<LONG> values;  // values read or written by a details request
    std::string text;        // names, paths, captions, message texts
    DWORD result = 0;        // what the call returned (error code or BOOL)
    bool injected = false;   // the result came from fault injection
};

const std::vector<Call>& Log();
void ClearLog();
// Turns the call log off or on (on after Reset()). Off, no call is logged
// and no area keeps its own log (MCI commands, error text requests, message
// boxes), and the calls copy no names, texts or values for one: a lean
// platform for long randomized runs. Calls, results and fault injection are
// the same either way.
void SetCallLog(bool on);
// Calls of one function, in order.
std::vector<Call> CallsOf(const std::string& fn);
size_t CountOf(const std::string& fn);

// ---- Counters ----------------------------------------------------------------

int OpenMixerHandles();
int ProcessHeapBlocks();  // HeapAlloc minus HeapFree
int LocalBlocks();        // LocalAlloc minus LocalFree
// HeapAlloc and LocalAlloc requests above this many bytes fail (null), as a
// 32-bit process's heap would; 256 MiB until set, and again after Reset().
void SetHeapLimit(size_t bytes);

// ---- Fault injection -----------------------------------------------------------
//
// A failed call returns `code` in the function's own way: an MMRESULT, an
// LSTATUS, an MCIERROR, FALSE with SetLastError(code), INVALID_HANDLE_VALUE, a
// null pointer for the allocators, 0 for mixerGetNumDevs and GetModuleFileNameA.

// Fails the nth platform call from now (1-based, counting every logged call).
void FailNthCall(int n, DWORD code);
// Fails calls of one function: occurrence 0 fails every call, k fails the kth
// call of that function from now (1-based).
void FailFunction(const std::string& fn, DWORD code, int occurrence = 0);
void ClearFaults();

// ---- Kernel ------------------------------------------------------------------

// The path GetModuleFileNameA reports for any module.
void SetModulePath(const std::string& path);

// ---- Process -------------------------------------------------------------------

// Sets a variable of the simulated environment (GetEnvironmentVariableA);
// nullopt removes it. Reset() empties the environment.
void SetEnvironment(const std::string& name, std::optional<std::string> value);
// Every string given to OutputDebugStringA since Reset(), in order.
std::vector<std::string> DebugStrings();

// ---- Critical sections ---------------------------------------------------------
//
// Critical sections outlive Reset(), as the library's own do (it makes them
// when it is loaded). These two may be called while other threads call the
// platform.

// The threads waiting in EnterCriticalSection now, on any critical section.
int CriticalSectionWaiters();
// Waits until at least `count` threads wait in EnterCriticalSection, or
// until timeoutMs milliseconds have passed; true when they do.
bool AwaitCriticalSectionWaiters(int count, DWORD timeoutMs);

namespace detail {
// Every Win32 function of the simulation holds this for its whole run, so
// that calls from several threads take turns (a recursive mutex: a function
// may call another).
class ApiLock {
public:
    ApiLock();
    ~ApiLock();
    ApiLock(const ApiLock&) = delete;
    ApiLock& operator=(const ApiLock&) = delete;
};

// One call of a logged platform function, from its entry to its return.
// Every such function starts with one: it takes the platform lock for the
// whole call, counts the call and decides at once whether fault injection
// fails it (Injected()), and when the function returns it stores the call,
// with its arguments and result, in the log.
//
// Logging is the record's one switch (Logging()). Off, it stores no entry
// and copies no text or values, and the areas keep no log of their own
// (MCI commands, error text requests, message boxes); calls, their results
// and fault injection stay exactly the same. So the functions give a call
// its text and values only through Text(), AppendText() and AddValue(), and
// look at Logging() before keeping anything else only a test reads; the
// scalar fields are set directly (operator->).
class CallRecord {
public:
    explicit CallRecord(const char* fn);
    ~CallRecord();
    CallRecord(const CallRecord&) = delete;
    CallRecord& operator=(const CallRecord&) = delete;

    // True, with *code the failure to give, when this call is to fail.
    bool Injected(DWORD* code) const {
        if (injected_) *code = code_;
        return injected_;
    }
    static bool Logging();

    Call* operator->() { return &call_; }
    void Text(const char* text);  // null: ""
    void Text(const char* bytes, size_t count);
    void AppendText(const char* text);
    void AppendText(const char* bytes, size_t count);
    void AddValue(LONG value) {
        if (logging_) call_.values.push_back(value);
    }
    // Room for the values a request is about to add (a list control's
    // thousand items and more).
    void ReserveValues(size_t count) {
        if (logging_) call_.values.reserve(count);
    }
    // Records `result` as the call's result and returns it.
    template <typename T>
    T Return(T result) {
        call_.result = static_cast<DWORD>(result);
        return result;
    }

private:
    ApiLock lock_;
    const char* fn_;
    const bool logging_ = Logging();
    bool injected_ = false;
    DWORD code_ = 0;
    Call call_;
};

// A wave device's DRV_QUERYFUNCTIONINSTANCEID(SIZE) message
// (sim_coreaudio.cpp).
MMRESULT EndpointIdMessage(uintptr_t wave, bool capture, UINT msg, DWORD_PTR dw1, DWORD_PTR dw2);

// Registered by each area so that Reset() reaches it.
struct ResetHook {
    explicit ResetHook(void (*fn)());
};
}  // namespace detail

}  // namespace sim
