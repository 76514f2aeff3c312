// Systematic fault injection over every export: each export runs once on a
// rich card (with the files, registry values and CD device it needs) to learn
// the platform calls it makes; then, for every call index and for every
// failure code that call can answer with, it runs again with exactly that call
// failing. Each run is checked against what the failure rules fix (the result,
// the caller's buffer, the file, the override names, the CD state), against
// the mixer's state (a write happens exactly when the call it follows went
// through) and for leftovers: no mixer handle, heap block, local block, file,
// directory search, registry key or CD device may stay behind, except the one
// resource whose release was the call made to fail.
#include "cdaudio/cdaudio.h"
#include "endpoint_cards.h"
#include "engine/endpoint_volume.h"
#include "engine/engine.h"
#include "platform/mixer_names.h"
#include "export_names.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "selector/selector.h"
#include "settings_layout.h"
#include "sim_mci.h"
#include "test_cards.h"

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace {

const DWORD kSpeakers = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
const DWORD kWaveIn = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
const DWORD kMute = MIXERCONTROL_CONTROLTYPE_MUTE;
const DWORD kOnOff = MIXERCONTROL_CONTROLTYPE_ONOFF;
const LONG kNoDeviceOpen = 3075;

// Win32 codes the simulated headers leave out.
const DWORD kSharingViolation = 32;
const DWORD kLockViolation = 33;

// ---- The rich card ------------------------------------------------------------

// tests/cards/rich.json: every line a member can reach, by component type and
// by override name ("Alt ..." lines have no standard type), with distinct
// levels on the two channels, mutes and boosts on and off, peak meters on
// both destinations.
void BuildRichCard() { LoadTestCard("rich"); }

// The rich card's product name and its wave-in sources' names, in order.
std::string RichProduct() { return TestCard("rich")["devices"][0]["name"]; }
std::vector<std::string> RichRecSources() {
    std::vector<std::string> names;
    for (const auto& source : TestCard("rich")["devices"][0]["destinations"][1]["sources"])
        names.push_back(source["name"]);
    return names;
}

// What the listing of the recording selector holds on the rich card.
std::string RichListing() {
    std::string text = RichProduct() + "|";
    for (const std::string& name : RichRecSources()) text += name + "|";
    return text;
}

// ---- Observing a run ------------------------------------------------------------

// Every control's values by identifier, as the call log names controls (of
// two devices' controls of one identifier, the later device's).
typedef std::map<DWORD, std::vector<LONG>> Snapshot;

Snapshot TakeSnapshot() {
    Snapshot s;
    for (const auto& entry : sim::AllValues()) s[entry.first.second] = entry.second;
    return s;
}

// What one run of an export gave: its result and, for the exports that have
// one, a text that sums up what else it leaves (a buffer, names, a file, the
// CD player's state).
struct Outcome {
    LONG result = 0;
    std::string text;
};

std::string Show(const Outcome& o) { return std::to_string(o.result) + " [" + o.text + "]"; }

bool IsRelease(const sim::Call& c) {
    return c.fn == "mixerClose" || c.fn == "HeapFree" || c.fn == "LocalFree" || c.fn == "CloseHandle" ||
           c.fn == "FindClose" || c.fn == "RegCloseKey" || c.fn == "DeleteFileA" ||
           (c.fn == "mciSendCommandA" && c.id == MCI_CLOSE);
}

// The failure codes each platform call is made to answer with: the ones the
// library's rules tell apart (any mixer error, allocation failure, file,
// search and registry errors, MCI errors with and without a platform text and
// with driver bits in the high word).
const std::vector<DWORD>& CodesFor(const std::string& fn) {
    static const std::map<std::string, std::vector<DWORD>> codes = {
        {"mixerGetNumDevs", {0}},
        {"mixerOpen", {MMSYSERR_BADDEVICEID, MMSYSERR_ALLOCATED, MMSYSERR_NOMEM}},
        {"mixerClose", {MMSYSERR_INVALHANDLE}},
        {"mixerGetDevCapsA", {MMSYSERR_BADDEVICEID, MMSYSERR_NODRIVER}},
        {"mixerGetLineInfoA", {MIXERR_INVALLINE, MMSYSERR_INVALHANDLE, MMSYSERR_NOMEM}},
        {"mixerGetLineControlsA", {MIXERR_INVALCONTROL, MMSYSERR_INVALPARAM}},
        {"mixerGetControlDetailsA", {MIXERR_INVALCONTROL, MMSYSERR_INVALPARAM}},
        {"mixerSetControlDetails", {MIXERR_INVALVALUE, MMSYSERR_INVALPARAM}},
        {"mixerGetID", {MMSYSERR_NODRIVER, MMSYSERR_INVALHANDLE, MMSYSERR_BADDEVICEID}},
        {"waveInGetNumDevs", {0}},
        {"waveInMessage", {MMSYSERR_NOTSUPPORTED, MMSYSERR_INVALHANDLE}},
        {"GetProcessHeap", {ERROR_NOT_ENOUGH_MEMORY}},
        {"HeapAlloc", {ERROR_NOT_ENOUGH_MEMORY}},
        {"HeapFree", {ERROR_INVALID_PARAMETER}},
        {"LocalAlloc", {ERROR_NOT_ENOUGH_MEMORY}},
        {"LocalFree", {ERROR_INVALID_HANDLE}},
        {"CreateFileA", {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, kSharingViolation}},
        {"ReadFile", {ERROR_READ_FAULT, kLockViolation}},
        {"WriteFile", {ERROR_WRITE_FAULT, ERROR_DISK_FULL}},
        {"FlushFileBuffers", {ERROR_WRITE_FAULT}},
        {"MoveFileExA", {ERROR_ACCESS_DENIED, kSharingViolation}},
        {"DeleteFileA", {ERROR_ACCESS_DENIED}},
        {"GetFileAttributesA", {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND}},
        {"CloseHandle", {ERROR_INVALID_HANDLE}},
        {"FindFirstFileA", {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED}},
        {"FindNextFileA", {ERROR_NO_MORE_FILES, ERROR_ACCESS_DENIED}},
        {"FindClose", {ERROR_INVALID_HANDLE}},
        {"RegOpenKeyExA", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}},
        {"RegQueryValueExA", {ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA, ERROR_ACCESS_DENIED}},
        {"RegCloseKey", {ERROR_INVALID_HANDLE}},
        {"mciSendCommandA",
         {MCIERR_DEVICE_NOT_READY, MCIERR_HARDWARE, MCIERR_CANNOT_LOAD_DRIVER, 0x00040000u | MCIERR_HARDWARE,
          MCIERR_CUSTOM_DRIVER_BASE + 7}},
        {"mciGetErrorStringA", {MCIERR_INTERNAL}},
        {"MessageBoxA", {ERROR_NOT_ENOUGH_MEMORY}},
        {"waveOutMessage", {MMSYSERR_NOTSUPPORTED, MMSYSERR_ERROR}},
        {"CoInitializeEx", {DWORD(E_OUTOFMEMORY), DWORD(RPC_E_CHANGED_MODE)}},
        // S_OK without the interface: a broken server, which must not be
        // trusted to have given one.
        {"CoCreateInstance", {DWORD(REGDB_E_CLASSNOTREG), DWORD(E_OUTOFMEMORY), DWORD(S_OK)}},
        {"IMMDeviceEnumerator::GetDevice", {DWORD(E_NOTFOUND), DWORD(S_OK)}},
        {"IMMDevice::Activate", {DWORD(E_NOINTERFACE), DWORD(AUDCLNT_E_DEVICE_INVALIDATED), DWORD(S_OK)}},
        {"IAudioEndpointVolume::GetChannelCount", {DWORD(AUDCLNT_E_DEVICE_INVALIDATED), DWORD(E_NOTIMPL)}},
        {"IAudioEndpointVolume::SetMasterVolumeLevelScalar", {DWORD(AUDCLNT_E_DEVICE_INVALIDATED)}},
        {"IAudioEndpointVolume::GetMasterVolumeLevelScalar", {DWORD(AUDCLNT_E_DEVICE_INVALIDATED)}},
        {"IAudioEndpointVolume::SetChannelVolumeLevelScalar", {DWORD(E_INVALIDARG)}},
        {"IAudioEndpointVolume::GetChannelVolumeLevelScalar", {DWORD(AUDCLNT_E_DEVICE_INVALIDATED)}},
        {"IAudioEndpointVolume::SetMute", {DWORD(AUDCLNT_E_DEVICE_INVALIDATED)}},
        {"IAudioEndpointVolume::GetMute", {DWORD(AUDCLNT_E_DEVICE_INVALIDATED)}},
        {"IAudioMeterInformation::GetPeakValue", {DWORD(AUDCLNT_E_DEVICE_INVALIDATED)}},
    };
    auto it = codes.find(fn);
    static const std::vector<DWORD> none;
    EXPECT_NE(it, codes.end()) << "no failure codes for " << fn;
    return it == codes.end() ? none : it->second;
}

// ---- The first run: the calls an export makes -------------------------------

// The baseline run's calls, cut into mixer sessions: a session starts at the
// device count request or at an open that does not follow one, and ends at
// the close. Calls outside every session (files, registry, MCI, buffers)
// belong to no session (-1).
struct Baseline {
    std::vector<sim::Call> log;
    std::vector<int> session;
    std::vector<size_t> sessionStart;
    std::vector<std::vector<size_t>> sessionCalls;  // the calls of each session
    std::map<DWORD, std::vector<size_t>> writes;     // the writes of each control
    Snapshot before;
    Snapshot after;
    std::map<LONG, std::string> names;  // the cached source names before the run, by kind
};

void CutSessions(Baseline* b) {
    bool open = false;
    for (size_t i = 0; i < b->log.size(); ++i) {
        const std::string& fn = b->log[i].fn;
        // A request on a handle the host opened (LocateControl) starts a
        // session that the call never closes.
        if (!open && fn.compare(0, 5, "mixer") == 0) {
            b->sessionStart.push_back(i);
            open = true;
        }
        b->session.push_back(open ? static_cast<int>(b->sessionStart.size()) - 1 : -1);
        if (fn == "mixerClose") open = false;
        if (fn == "mixerSetControlDetails") b->writes[b->log[i].id].push_back(i);
    }
    b->sessionCalls.resize(b->sessionStart.size());
    for (size_t i = 0; i < b->log.size(); ++i)
        if (b->session[i] >= 0) b->sessionCalls[b->session[i]].push_back(i);
}

struct Fault {
    size_t index;  // into the baseline log
    DWORD code;
    const sim::Call* call;
    int session;
    const std::string& fn() const { return call->fn; }
};

const std::vector<size_t>& CallsOfSession(const Baseline& b, int s) { return b.sessionCalls.at(s); }

int SessionCount(const Baseline& b) { return static_cast<int>(b.sessionStart.size()); }

bool FaultIn(const Fault* f, int session) { return f != nullptr && f->session == session; }

// ---- What the failure rules fix, session by session ----------------------------

// A read through the line search and the control reader: the value the
// baseline read, or what the failing call turns it into.
LONG GetOutcome(const Baseline& b, int s, const Fault* f) {
    LONG value = 0;
    bool mute = false;
    for (size_t i : CallsOfSession(b, s)) {
        const sim::Call& c = b.log[i];
        if (c.fn == "mixerGetControlDetailsA") {  // the first read gives the value
            value = c.values.empty() ? 0 : c.values[0];
            const sim::Control* ctl = sim::Devices()[0].FindControl(c.id);
            mute = ctl != nullptr && ctl->type == kMute;
            break;
        }
    }
    if (!FaultIn(f, s)) return value;
    const std::string& fn = f->fn();
    if (fn == "mixerGetLineControlsA") return 0;  // the controls cannot be fetched
    if (fn == "mixerSetControlDetails") return mute ? value : -1;
    if (IsRelease(*f->call)) return value;
    return -1;  // no device, open, capabilities, a line, the array, the read
}

// A write through the line search: SetMixer's own result.
LONG SetMixerOutcome(const Baseline& b, int s, const Fault* f) {
    bool found = false;
    for (size_t i : CallsOfSession(b, s))
        if (b.log[i].fn == "mixerGetLineInfoA" && (b.log[i].flags & MIXER_GETLINEINFOF_QUERYMASK) == MIXER_GETLINEINFOF_LINEID)
            found = true;
    if (!found) return 0;
    if (!FaultIn(f, s)) return 1;
    const std::string& fn = f->fn();
    const bool search = fn == "mixerGetNumDevs" || fn == "mixerOpen" || fn == "mixerGetDevCapsA" ||
                        (fn == "mixerGetLineInfoA" && (f->call->flags & MIXER_GETLINEINFOF_QUERYMASK) !=
                                                          MIXER_GETLINEINFOF_LINEID);
    return search ? 0 : 1;
}

LONG KindOfSourceType(DWORD type) {
    switch (type) {
    case MIXERLINE_COMPONENTTYPE_SRC_LINE: return SrcLineIn;
    case MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE: return SrcMic;
    case MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC: return SrcCD;
    case MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY: return SrcAux;
    case MIXERLINE_COMPONENTTYPE_SRC_ANALOG: return SrcAnalog;
    case MIXERLINE_COMPONENTTYPE_SRC_DIGITAL: return SrcDigital;
    default: return 0;
    }
}

// A refresh of the cached source names: every source read before the failing
// call has stored its name; the walk ends at the failure.
void ApplyScan(const Baseline& b, int s, const Fault* f, std::map<LONG, std::string>* names) {
    for (size_t i : CallsOfSession(b, s)) {
        const sim::Call& c = b.log[i];
        if (FaultIn(f, s) && i >= f->index) break;
        if (c.fn != "mixerGetLineInfoA" || (c.flags & MIXER_GETLINEINFOF_QUERYMASK) != MIXER_GETLINEINFOF_SOURCE)
            continue;
        const sim::Line& line = sim::Devices()[0].destinations[c.id].sources[c.source];
        if (LONG kind = KindOfSourceType(line.componentType)) (*names)[kind] = c.text;
    }
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> out;
    std::string field;
    for (char ch : text) {
        if (ch == '|') {
            out.push_back(field);
            field.clear();
        } else {
            field += ch;
        }
    }
    return out;
}

// A read of one source's selection: the value of the first item whose text is
// the match name, -1 when none is or when a call fails.
LONG SelectGetOutcome(const Baseline& b, int s, const Fault* f, const std::string* match) {
    if (FaultIn(f, s) && !IsRelease(*f->call)) return -1;
    if (match == nullptr) return -1;
    std::vector<std::string> texts;
    std::vector<LONG> values;
    DWORD channels = 1, items = 0;
    for (size_t i : CallsOfSession(b, s)) {
        const sim::Call& c = b.log[i];
        if (c.fn != "mixerGetControlDetailsA") continue;
        if ((c.flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) == MIXER_GETCONTROLDETAILSF_LISTTEXT) {
            texts = Split(c.text);
            channels = c.cChannels;
            items = c.cMultipleItems;
        } else {
            values = c.values;
        }
    }
    for (DWORD i = 0; i < items && i < texts.size(); ++i)
        if (texts[i] == *match) {
            const size_t last = static_cast<size_t>(channels - 1) * items + i;
            return last < values.size() ? values[last] : -2;
        }
    return -1;
}

// SelectLine's result: the open's error, else the close's status.
LONG SelectSetOutcome(int s, const Fault* f) {
    if (FaultIn(f, s) && (f->fn() == "mixerOpen" || f->fn() == "mixerClose")) return static_cast<LONG>(f->code);
    return 0;
}

// ---- Scenarios -------------------------------------------------------------------

struct Scenario {
    std::string name;     // the export
    std::string variant;  // what was prepared, when more than the card
    std::function<void()> setup;
    std::function<Outcome()> run;
    std::function<Outcome(const Baseline&, const Fault*)> expect;
    std::function<void()> teardown;  // after the run, before the checks
    // True when a failure outside the mixer sessions keeps every later
    // session from running (the settings file could not be read).
    std::function<bool(const Fault&)> stopsEverything;
    size_t sessions = 0;  // the sessions the baseline must have (0: not checked)
    // Which calls to fail (all when not given): a variant of a scenario
    // fails only the calls where it differs from the scenario.
    std::function<bool(const Baseline&, size_t)> faultable;
};

struct Tally {
    int cases = 0;
    int exports = 0;
    std::set<std::string> names;
};

Tally& Totals() {
    static Tally t;
    return t;
}

class FaultInjectionTest : public FileTest {
protected:
    void Fresh() {
        sim::Reset();
        ResetLibraryState();
    }

    std::map<LONG, std::string> CachedNames() {
        return {{SrcLineIn, g_state.RecLineInName}, {SrcMic, g_state.RecMicName},
                {SrcCD, g_state.RecCDName},         {SrcAux, g_state.RecAuxName},
                {SrcAnalog, g_state.RecAnalogName}, {SrcDigital, g_state.RecDigitalName}};
    }

    // Runs one scenario without and with every fault; returns the faulty runs.
    int Run(const Scenario& s) {
        const std::string what = s.name + (s.variant.empty() ? "" : " (" + s.variant + ")");
        Fresh();
        s.setup();
        Baseline b;
        b.before = TakeSnapshot();
        b.names = CachedNames();
        sim::ClearLog();
        const Outcome first = s.run();
        b.log = sim::Log();
        b.after = TakeSnapshot();
        if (s.teardown) s.teardown();
        CutSessions(&b);
        if (s.sessions != 0) {
            EXPECT_EQ(b.sessionStart.size(), s.sessions) << what;
        }
        const Outcome expected = s.expect(b, nullptr);
        EXPECT_EQ(Show(first), Show(expected)) << what << ": without a fault";
        ExpectHeld(nullptr, what);
        ExpectCDDevices(g_state.CDDeviceID != 0, what);

        int cases = 0;
        for (size_t i = 0; i < b.log.size(); ++i) {
            if (s.faultable && !s.faultable(b, i)) continue;
            for (DWORD code : CodesFor(b.log[i].fn)) {
                Fault f{i, code, &b.log[i], b.session[i]};
                std::ostringstream where;
                where << what << ": call " << i + 1 << " " << b.log[i].fn << " failing with " << code;
                Fresh();
                s.setup();
                sim::ClearLog();
                sim::FailNthCall(static_cast<int>(i + 1), code);
                const Outcome got = s.run();
                const std::vector<sim::Call>& log = sim::Log();  // valid until the next reset
                sim::ClearFaults();
                const Snapshot after = TakeSnapshot();
                const bool cdRecorded = g_state.CDDeviceID != 0;
                if (s.teardown) s.teardown();
                ++cases;

                // The same calls up to the failing one: the fault hit the call meant.
                if (log.size() <= i || log[i].fn != b.log[i].fn || !log[i].injected) {
                    ADD_FAILURE() << where.str() << ": the run did not reach that call";
                    continue;
                }

                EXPECT_EQ(Show(got), Show(s.expect(b, &f))) << where.str();
                ExpectHeld(&f, where.str());
                ExpectCDDevices(cdRecorded, where.str());
                ExpectNoWriteAfterFailure(log, i, where.str());
                ExpectMixerState(s, b, f, after, where.str());
            }
        }
        Totals().cases += cases;
        if (Totals().names.insert(s.name).second) ++Totals().exports;
        return cases;
    }

    // Nothing is held but the one resource whose release was made to fail.
    void ExpectHeld(const Fault* f, const std::string& where) {
        auto failed = [&](const char* fn) { return f != nullptr && f->fn() == fn ? 1 : 0; };
        EXPECT_EQ(sim::OpenMixerHandles(), failed("mixerClose")) << where;
        EXPECT_EQ(sim::ProcessHeapBlocks(), failed("HeapFree")) << where;
        EXPECT_EQ(sim::LocalBlocks(), failed("LocalFree")) << where;
        EXPECT_EQ(sim::OpenFiles(), failed("CloseHandle")) << where;
        EXPECT_EQ(sim::OpenSearches(), failed("FindClose")) << where;
        EXPECT_EQ(sim::OpenKeys(), failed("RegCloseKey")) << where;
    }

    // The only CD device open is the one recorded, and any whose close the
    // platform refused (the library forgets it all the same).
    void ExpectCDDevices(bool recorded, const std::string& where) {
        int refused = 0;
        for (const sim::MciCommand& c : sim::MciCommands()) refused += c.command == MCI_CLOSE && c.result != 0;
        EXPECT_EQ(sim::OpenMciDevices(), (recorded ? 1 : 0) + refused) << where;
    }

    // Within the mixer session of the failing call, nothing is written after it.
    void ExpectNoWriteAfterFailure(const std::vector<sim::Call>& log, size_t i, const std::string& where) {
        for (size_t j = i + 1; j < log.size(); ++j) {
            const std::string& fn = log[j].fn;
            if (fn == "mixerClose" || fn == "mixerOpen" || fn == "mixerGetNumDevs") break;
            EXPECT_NE(fn, "mixerSetControlDetails") << where << ": a write at call " << j + 1;
        }
    }

    // Each control ends as the baseline left it when none of its writes was
    // kept from happening, and as it started when all of them were. A write is
    // kept from happening when it comes at or after the failing call in the
    // same session, or after a failure that ends the whole export. A failed
    // name refresh changes what the selection that follows writes, so that
    // selection's controls are not judged.
    void ExpectMixerState(const Scenario& s, const Baseline& b, const Fault& f, const Snapshot& after,
                          const std::string& where) {
        const bool stopsAll = s.stopsEverything && s.stopsEverything(f);
        std::set<DWORD> unjudged;
        if (f.session >= 0 && b.log[b.sessionStart[f.session]].fn == "mixerGetNumDevs" &&
            f.session + 1 < SessionCount(b) && b.log[b.sessionStart[f.session + 1]].fn == "mixerOpen")
            for (size_t i : CallsOfSession(b, f.session + 1))
                if (b.log[i].fn == "mixerSetControlDetails") unjudged.insert(b.log[i].id);
        for (const auto& entry : b.before) {
            const DWORD id = entry.first;
            if (unjudged.count(id)) continue;
            int writes = 0, kept = 0;
            auto it = b.writes.find(id);
            for (size_t i : it == b.writes.end() ? std::vector<size_t>() : it->second) {
                ++writes;
                const bool sameSession = f.session >= 0 && b.session[i] == f.session && i >= f.index;
                if (sameSession || (stopsAll && i > f.index)) ++kept;
            }
            auto got = after.find(id);
            ASSERT_NE(got, after.end()) << where;
            if (kept == 0) {
                EXPECT_EQ(got->second, b.after.at(id)) << where << ": control " << id;
            } else if (kept == writes) {
                EXPECT_EQ(got->second, entry.second) << where << ": control " << id << " was written";
            }
        }
    }
};

// ---- Scenario builders ------------------------------------------------------------

Outcome Result(LONG r) {
    Outcome o;
    o.result = r;
    return o;
}

typedef LONG(WINAPI* ValueFn)(LONG);
typedef LONG(WINAPI* PlainFn)(void);

bool HasOverride(LineId l) { return LineOf(l).override != OverrideNone; }

// The override names and the CD type flag that make the line-in, digital and
// CD members address their "Alt ..." lines by name.
void SetOverrides() {
    CopyField(g_state.LineInLineName, "Alt Line");
    CopyField(g_state.DigitalLineName, "Alt Digital");
    CopyField(g_state.DigitalCDLineName, "Alt CD");
    g_state.CDTypeDigital = 1;
}

std::function<void()> CardSetup(bool overrides) {
    return [overrides] {
        BuildRichCard();
        if (overrides) SetOverrides();
    };
}

const char* Variant(bool overrides) { return overrides ? "by override names" : ""; }

Scenario MixerSetter(const char* name, ValueFn fn, LONG value, bool overrides) {
    Scenario s;
    s.name = name;
    s.variant = Variant(overrides);
    s.setup = CardSetup(overrides);
    s.run = [fn, value] { return Result(fn(value)); };
    s.expect = [](const Baseline&, const Fault*) { return Result(1); };
    s.sessions = 1;
    return s;
}

Scenario MixerGetter(const char* name, PlainFn fn, bool overrides) {
    Scenario s;
    s.name = name;
    s.variant = Variant(overrides);
    s.setup = CardSetup(overrides);
    s.run = [fn] { return Result(fn()); };
    s.expect = [](const Baseline& b, const Fault* f) { return Result(GetOutcome(b, 0, f)); };
    s.sessions = 1;
    return s;
}

// The name a selection member matches: the override name when set, else the
// name cached for its kind (as the refresh in the same call leaves it).
const std::string* MatchName(std::map<LONG, std::string>& names, LONG kind, const char* overrideName,
                             std::string* storage) {
    if (overrideName != nullptr) {
        *storage = overrideName;
        return storage;
    }
    return &names[kind];
}

const char* OverrideOf(LineId l) {
    switch (LineOf(l).override) {
    case OverrideLineIn: return "Alt Line";
    case OverrideDigital: return "Alt Digital";
    case OverrideDigitalCD: return "Alt CD";
    case OverrideNone: break;
    }
    return nullptr;
}

Scenario SelectionSetter(const char* name, PlainFn fn, bool overrides) {
    Scenario s;
    s.name = name;
    s.variant = Variant(overrides);
    s.setup = CardSetup(overrides);
    s.run = [fn] { return Result(fn()); };
    s.expect = [](const Baseline&, const Fault*) { return Result(1); };
    s.sessions = 2;
    return s;
}

Scenario SelectionGetter(const char* name, PlainFn fn, LONG kind, LineId line, bool overrides) {
    Scenario s;
    s.name = name;
    s.variant = Variant(overrides);
    s.setup = CardSetup(overrides);
    s.run = [fn] { return Result(fn()); };
    const char* byName = overrides ? OverrideOf(line) : nullptr;
    s.expect = [kind, byName](const Baseline& b, const Fault* f) {
        std::map<LONG, std::string> names = b.names;
        ApplyScan(b, 0, f, &names);
        std::string storage;
        return Result(SelectGetOutcome(b, 1, f, MatchName(names, kind, byName, &storage)));
    };
    s.sessions = 2;
    return s;
}

// ---- The 91 names -------------------------------------------------------------------

// The members, from the per-line table (core/line_table.h).
struct MixerMember {
    const char* setterName;
    ValueFn setter;
    const char* getterName;  // null for a setter alone
    PlainFn getter;
    LineId line;
    LONG value;  // what the setter writes: a change on the rich card
};

// A value the rich card's control does not hold: a level apart from every
// level of the card, a balance that moves the quieter channel, the boosts
// (all on) off, and each mute the other way from the one tests/cards/rich.json
// gives the first line of the type on the operation's destination.
LONG ChangingValue(LineId line, LONG op) {
    switch (OpRowOf(op).property) {
    case PropVolume: return 30000;
    case PropBalance: return 3;
    case PropBoost: return 0;
    default: break;
    }
    if (line == LineMain) return 0;
    const nlohmann::json& destination =
        TestCard("rich")["devices"][0]["destinations"][OpRowOf(op).side == SideRec ? 1 : 0];
    for (const nlohmann::json& source : destination["sources"]) {
        DWORD type = 0;
        if (!mixer_names::ParseComponentType(source["type"], false, &type) || type != LineOf(line).componentType)
            continue;
        for (const nlohmann::json& control : source["controls"])
            if (control["type"] == "mute") return control.value("value", 0) != 0 ? 0 : 1;
    }
    return 1;
}

#define MEMBER_Pair(set, get, line, op) {#set, set, #get, get, line, ChangingValue(line, op)},
#define MEMBER_Setter(set, get, line, op) {#set, set, nullptr, nullptr, line, ChangingValue(line, op)},
#define MEMBER_Boost(set, get, line, op) MEMBER_Setter(set, get, line, op)
#define MEMBER_Select(set, get, line, op)
#define MEMBER_Flag(set, get, line, op)
#define MEMBER(kind, set, get, line, op, section, key, save) MEMBER_##kind(set, get, line, op)
const MixerMember kMixerMembers[] = {MIXER_LINE_TABLE(MEMBER)};
#undef MEMBER

struct SelectionMember {
    const char* setterName;
    PlainFn setter;
    const char* getterName;
    PlainFn getter;
    LONG kind;
    LineId line;
};

#define SELECTION_Pair(set, get, line)
#define SELECTION_Setter(set, get, line)
#define SELECTION_Boost(set, get, line)
#define SELECTION_Select(set, get, line) {#set, set, #get, get, LineOf(line).recSource, line},
#define SELECTION_Flag(set, get, line)
#define SELECTION(kind, set, get, line, op, section, key, save) SELECTION_##kind(set, get, line)
const SelectionMember kSelectionMembers[] = {MIXER_LINE_TABLE(SELECTION)};
#undef SELECTION

// ---- Summary --------------------------------------------------------------------------

class Summary : public ::testing::Environment {
public:
    void TearDown() override {
        if (Totals().cases > 0)
            std::printf("fault injection: %d cases (export, call index, failure code) over %d exports\n",
                        Totals().cases, Totals().exports);
    }
};

const ::testing::Environment* const kSummary = ::testing::AddGlobalTestEnvironment(new Summary);

void Report(const char* group, int cases) {
    ::testing::Test::RecordProperty("cases", cases);
    std::printf("fault injection, %s: %d cases\n", group, cases);
}

// ---- Tests -----------------------------------------------------------------------------

TEST_F(FaultInjectionTest, EveryExportNameHasAScenario) {
    // The names the groups below cover, checked against the export table.
    std::set<std::string> covered = {"SetMixer", "LocateControl", "GetPeak", "ScanRecControls", "SelectLine",
                                     "IsMuxSingleSelect", "GetMixerRecordChannels", "SetMicBoostMode",
                                     "GetMicBoostMode", "SetCDTypeDigital", "GetCDTypeDigital", "RepeatPlay",
                                     "SetPlayRecMonitorMute", "SetVolume", "RepeatPlayStop", "Save", "Set",
                                     "ReadDigitalConfiguration", "SetSoundCardConfigFilePath", "GetTavrinDirectory",
                                     "OpenCD", "PlayCD", "StopCD", "CloseCD"};
    for (const MixerMember& m : kMixerMembers) {
        covered.insert(m.setterName);
        if (m.getterName) covered.insert(m.getterName);
    }
    for (const SelectionMember& m : kSelectionMembers) {
        covered.insert(m.setterName);
        covered.insert(m.getterName);
    }
    const std::set<std::string> exported = ExportNames();
    EXPECT_EQ(exported.size(), 91u);
    EXPECT_EQ(covered, exported);
}

TEST_F(FaultInjectionTest, MixerSettersAndGetters) {
    int cases = 0;
    for (bool overrides : {false, true}) {
        for (const MixerMember& m : kMixerMembers) {
            if (overrides && !HasOverride(m.line)) continue;
            cases += Run(MixerSetter(m.setterName, m.setter, m.value, overrides));
            if (m.getter) cases += Run(MixerGetter(m.getterName, m.getter, overrides));
        }
    }
    Report("mixer setters and getters", cases);
}

TEST_F(FaultInjectionTest, MicrophoneBoostCDTypeAndNoOps) {
    int cases = 0;
    Scenario set;
    set.name = "SetMicBoostMode";
    set.setup = CardSetup(false);
    set.run = [] { return Result(SetMicBoostMode(0)); };
    set.expect = [](const Baseline&, const Fault*) { return Result(1); };
    set.sessions = 2;
    cases += Run(set);

    // Both boosts are on, so the playback side is read too.
    Scenario get;
    get.name = "GetMicBoostMode";
    get.setup = CardSetup(false);
    get.run = [] { return Result(GetMicBoostMode()); };
    get.expect = [](const Baseline& b, const Fault* f) {
        if (GetOutcome(b, 0, f) == 0) return Result(0);
        return Result(GetOutcome(b, 1, f));
    };
    get.sessions = 2;
    cases += Run(get);

    // No platform call at all: nothing to fail, the result still checked.
    struct Plain {
        const char* name;
        std::function<LONG()> call;
        LONG result;
    } plain[] = {
        {"SetCDTypeDigital", [] { return SetCDTypeDigital(5) * 10 + GetCDTypeDigital(); }, 15},
        {"GetCDTypeDigital", [] { return GetCDTypeDigital(); }, 0},
        {"RepeatPlay", [] { return RepeatPlay(7); }, 1},
        {"SetPlayRecMonitorMute", [] { return SetPlayRecMonitorMute(-1); }, 1},
        {"SetVolume", [] { return SetVolume(65535); }, 1},
        {"RepeatPlayStop", [] { return RepeatPlayStop(); }, 1},
    };
    for (const Plain& p : plain) {
        Scenario s;
        s.name = p.name;
        s.setup = CardSetup(false);
        auto call = p.call;
        s.run = [call] { return Result(call()); };
        const LONG result = p.result;
        s.expect = [result](const Baseline& b, const Fault*) {
            EXPECT_TRUE(b.log.empty());
            return Result(result);
        };
        cases += Run(s);
    }
    Report("microphone boost, CD type and no-op entries", cases);
}

// ---- Recording lines on per-endpoint mixers -------------------------------------

// A fault that the endpoint search gets past: a wave-in device without a
// mixer (mixerGetID's MMSYSERR_NODRIVER) is passed over, and a wave mapper
// that cannot tell takes device 0 first. The device that held the line in
// the baseline is lost with its mapping: no other endpoint has the line.
bool EndpointFaultPassed(const Baseline& b, const Fault& f, bool* lineLost) {
    *lineLost = false;
    if (f.fn() == "waveInMessage" || IsRelease(*f.call)) return true;
    if (f.fn() != "mixerGetID" || f.code != MMSYSERR_NODRIVER) return false;
    // The mapping that led to the line is the last one, and a line read by
    // its id follows it.
    for (size_t i = f.index + 1; i < b.log.size(); ++i) {
        if (b.log[i].fn == "mixerGetID") return true;
        if (b.log[i].fn == "mixerGetLineInfoA" &&
            (b.log[i].flags & MIXER_GETLINEINFOF_QUERYMASK) == MIXER_GETLINEINFOF_LINEID)
            *lineLost = true;
    }
    return true;
}

// A recording getter on such a card: the value the last read gave, or what
// the failing call turns it into (as on device 0, but for the faults above,
// and a device count of 0, which finds nothing).
LONG EndpointGetOutcome(const Baseline& b, const Fault* f) {
    LONG value = 0;
    for (const sim::Call& c : b.log)
        if (c.fn == "mixerGetControlDetailsA" && !c.values.empty()) value = c.values[0];
    if (f == nullptr) return value;
    bool lineLost = false;
    if (EndpointFaultPassed(b, *f, &lineLost)) return lineLost ? 0 : value;
    if (f->fn() == "waveInGetNumDevs" || f->fn() == "mixerGetLineControlsA") return 0;
    return -1;
}

TEST_F(FaultInjectionTest, RecordingEndpoints) {
    // The recording members on Wine's mixers (the destination stands in for
    // the source's controls) and on Windows-shaped endpoints with levels of
    // their own, the preferred recording device the second.
    const struct {
        const char* variant;
        std::function<void()> setup;
    } cards[] = {
        {"Wine's endpoints", [] { BuildWineCard(); }},
        {"Windows' endpoints", [] { BuildWindowsCard(false); }},
    };
    int cases = 0;
    for (const auto& card : cards) {
        for (const MixerMember& m : kMixerMembers) {
            if (std::string(m.setterName).compare(0, 6, "SetRec") != 0) continue;
            Scenario set;
            set.name = m.setterName;
            set.variant = card.variant;
            set.setup = card.setup;
            const ValueFn setter = m.setter;
            const LONG value = m.value == 0 ? 1 : m.value;
            set.run = [setter, value] { return Result(setter(value)); };
            set.expect = [](const Baseline&, const Fault*) { return Result(1); };
            set.stopsEverything = [](const Fault& f) {
                return f.fn() != "waveInMessage" && !IsRelease(*f.call) &&
                       !(f.fn() == "mixerGetID" && f.code == MMSYSERR_NODRIVER);
            };
            cases += Run(set);
            if (!m.getter) continue;
            Scenario get;
            get.name = m.getterName;
            get.variant = card.variant;
            get.setup = card.setup;
            const PlainFn getter = m.getter;
            get.run = [getter] { return Result(getter()); };
            get.expect = [](const Baseline& b, const Fault* f) { return Result(EndpointGetOutcome(b, f)); };
            cases += Run(get);
        }
    }
    Report("recording lines on per-endpoint mixers", cases);
}

TEST_F(FaultInjectionTest, RecordingSelection) {
    int cases = 0;
    for (bool overrides : {false, true}) {
        for (const SelectionMember& m : kSelectionMembers) {
            if (overrides && !HasOverride(m.line)) continue;
            cases += Run(SelectionSetter(m.setterName, m.setter, overrides));
            cases += Run(SelectionGetter(m.getterName, m.getter, m.kind, m.line, overrides));
        }
    }
    struct Direct {
        LONG kind;
        const char* name;
        LONG select;
    } direct[] = {{SrcMic, nullptr, 1}, {SrcNamed, "Alt CD", 1}, {SrcCD, nullptr, 0}};
    for (const Direct& d : direct) {
        Scenario s;
        s.name = "SelectLine";
        s.variant = std::string("kind ") + std::to_string(d.kind) + ", select " + std::to_string(d.select);
        s.setup = CardSetup(false);
        s.run = [d] { return Result(SelectLine(d.kind, d.name, d.select)); };
        s.expect = [](const Baseline&, const Fault* f) { return Result(SelectSetOutcome(1, f)); };
        s.sessions = 2;
        cases += Run(s);
    }

    Scenario scan;
    scan.name = "ScanRecControls";
    scan.setup = CardSetup(false);
    scan.run = [] {
        Outcome o = Result(ScanRecControls());
        o.text = std::string(g_state.RecLineInName) + "|" + g_state.RecMicName + "|" + g_state.RecCDName + "|" +
                 g_state.RecAuxName + "|" + g_state.RecAnalogName + "|" + g_state.RecDigitalName;
        return o;
    };
    scan.expect = [](const Baseline& b, const Fault* f) {
        std::map<LONG, std::string> names = b.names;
        ApplyScan(b, 0, f, &names);
        Outcome o = Result(0);
        o.text = names[SrcLineIn] + "|" + names[SrcMic] + "|" + names[SrcCD] + "|" + names[SrcAux] + "|" +
                 names[SrcAnalog] + "|" + names[SrcDigital];
        if (f == nullptr) {
            EXPECT_EQ(o.text, "Line In|Microphone|CD Audio|Aux|Analog Mix|SPDIF In");
        }
        return o;
    };
    scan.sessions = 1;
    cases += Run(scan);
    Report("recording selection", cases);
}

TEST_F(FaultInjectionTest, EnginePrimitivesPeakAndInspection) {
    int cases = 0;
    struct Search {
        DWORD type;
        LONG op;
        LONG value;
        const char* name;
        LONG byName;
    } searches[] = {{MIXERLINE_COMPONENTTYPE_SRC_LINE, OpPlayVolume, 23456, "", 0},
                    {0, OpRecMute, 1, "Alt Line", 1},
                    {kSpeakers, OpMainBalance, 9, "", 0},
                    {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, OpRecBoost, 0, "", 0},
                    {MIXERLINE_COMPONENTTYPE_SRC_ANALOG, OpPlayVolume, 5, "", 0}};  // no such playback line
    for (const Search& q : searches) {
        Scenario s;
        s.name = "SetMixer";
        s.variant = "op " + std::to_string(q.op) + (q.byName ? " by name" : "");
        s.setup = CardSetup(false);
        s.run = [q] { return Result(SetMixer(q.type, q.op, q.value, q.name, q.byName)); };
        s.expect = [](const Baseline& b, const Fault* f) { return Result(SetMixerOutcome(b, 0, f)); };
        s.sessions = 1;
        cases += Run(s);
    }

    // LocateControl on a handle the host opened and closes itself.
    static HMIXER handle = nullptr;
    for (LONG op : {OpPlayVolume, OpPlayMute, OpPlayBalance}) {
        Scenario s;
        s.name = "LocateControl";
        s.variant = "op " + std::to_string(op);
        s.setup = [] {
            BuildRichCard();
            EXPECT_EQ(mixerOpen(&handle, 0, 0, 0, 0), MMSYSERR_NOERROR);
        };
        s.run = [op] {
            const DWORD lineId = sim::Devices()[0].destinations[0].sources[0].id;
            return Result(LocateControl(lineId, 12000, handle, op));
        };
        s.teardown = [] { mixerClose(handle); };
        s.expect = [](const Baseline&, const Fault* f) {
            if (f == nullptr) return Result(1);
            if (f->fn() == "mixerGetLineInfoA") return Result(static_cast<LONG>(f->code));
            if (f->fn() == "GetProcessHeap" || f->fn() == "HeapAlloc") return Result(0);
            return Result(1);
        };
        cases += Run(s);
    }

    for (DWORD type : {kWaveIn, kSpeakers}) {
        Scenario s;
        s.name = "GetPeak";
        s.variant = type == kWaveIn ? "wave-in" : "speakers";
        s.setup = CardSetup(false);
        s.run = [type] { return Result(GetPeak(type)); };
        const LONG reading = type == kWaveIn ? 1200 : 700;
        s.expect = [reading](const Baseline&, const Fault* f) {
            if (f == nullptr || f->fn() == "mixerClose") return Result(reading);
            return Result(0);
        };
        s.sessions = 1;
        cases += Run(s);
    }

    Scenario mux;
    mux.name = "IsMuxSingleSelect";
    mux.setup = CardSetup(false);
    mux.run = [] { return Result(IsMuxSingleSelect()); };
    mux.expect = [](const Baseline&, const Fault* f) { return Result(f == nullptr || IsRelease(*f->call) ? 1 : 0); };
    mux.sessions = 1;
    cases += Run(mux);

    for (DWORD limit : {1000u, 40u}) {
        Scenario list;
        list.name = "GetMixerRecordChannels";
        list.variant = "limit " + std::to_string(limit);
        list.setup = CardSetup(false);
        list.run = [limit] {
            char buffer[1100];
            std::memset(buffer, 'x', sizeof buffer);
            buffer[sizeof buffer - 1] = '\0';
            Outcome o = Result(GetMixerRecordChannels(buffer, limit));
            o.text = buffer;
            return o;
        };
        list.expect = [limit](const Baseline&, const Fault* f) {
            std::string full = RichProduct() + "|";
            for (const std::string& name : RichRecSources())
                if (full.size() + name.size() < limit) full += name + "|";
            // A limit the whole listing fits in gives all of it.
            if (limit > RichListing().size()) {
                EXPECT_EQ(full, RichListing());
            }
            if (f == nullptr || f->session == 0 || IsRelease(*f->call)) {
                Outcome o = Result(0);
                o.text = full;
                return o;
            }
            return Result(f->fn() == "mixerGetDevCapsA" ? 0 : -1);
        };
        list.sessions = 2;
        cases += Run(list);
    }
    Report("engine primitives, peak meter and selector inspection", cases);
}

// ---- Files, names and the registry -----------------------------------------------------

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";

// The file Save writes when the given call fails (none: the baseline),
// session by session in the order the getters run.
std::string ExpectedSaveText(const Baseline& b, const Fault* f, LONG cdType) {
    std::map<LONG, std::string> names = b.names;
    int s = 0;
    std::string text;
    for (const settings_layout::Line& line : settings_layout::kLines) {
        text += line.text;
        switch (line.kind) {
        case settings_layout::Level:
            text += std::to_string(GetOutcome(b, s++, f));
            break;
        case settings_layout::Select: {
            ApplyScan(b, s++, f, &names);
            std::string storage;
            const LONG source = LineOf(line.row->line).recSource;
            text += std::to_string(SelectGetOutcome(b, s++, f, MatchName(names, source, nullptr, &storage)));
            break;
        }
        case settings_layout::MicBoost: {
            // A reading of 0 is taken again; any non-zero reading counts.
            const LONG first = GetOutcome(b, s, f);
            const bool again = SessionCount(b) > s + 1;
            const LONG second = again ? GetOutcome(b, s + 1, f) : GetOutcome(b, s, nullptr);
            text += first != 0 || second != 0 ? "1" : "0";
            break;
        }
        case settings_layout::CDType:
            text += cdType != 0 ? "1" : "0";
            break;
        case settings_layout::Text:
            break;
        }
        text += "\r\n";
    }
    return text;
}

// The file Set reads: every entry Save writes, with values that differ from
// the rich card's, and the CD type switched on at the end.
const long kRestoreValues[] = {21000, 22000, 23000, 24000, 25000, 26000, 27000,  // [RECORD VOLUME]
                               31000, 32000, 33000, 34000, 35000, 36000,         // [PLAY VOLUME]
                               1,     1,     1,     1,     1,     0,             // [PLAY MUTE]
                               1,     1,     1,     1,     1,                    // [REC MUTE]
                               0,     1,     0,     0,     1,     0,             // [REC SELECT]
                               0,                                                // [ADVANCED]
                               1};                                               // [CD]
const std::string kRestoreText =
    settings_layout::Render(kRestoreValues, sizeof kRestoreValues / sizeof kRestoreValues[0]);

TEST_F(FaultInjectionTest, SettingsFile) {
    int cases = 0;
    const std::string dir = dir_;
    const std::string old = "old settings\r\n";
    auto writeFile = [dir](const std::string& name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary | std::ios::trunc) << bytes;
    };
    auto readFile = [dir](const std::string& name) {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };

    // With CD type 9 the playback boost is off, so Save reads it twice.
    for (LONG cdType : {0, 9}) {
        for (bool fullDisk : {false, true}) {
            if (fullDisk && cdType != 0) continue;
            Scenario s;
            s.name = "Save";
            s.variant = fullDisk ? "on a full disk" : "CD type " + std::to_string(cdType);
            s.setup = [=] {
                BuildRichCard();
                g_state.CDTypeDigital = cdType;
                if (cdType != 0) sim::Devices()[0].destinations[0].FindSource(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)->Find(kOnOff)->SetAll(0);
                sim::MapDrive('D', dir);
                writeFile("mixer.ini", old);
                for (const std::string& temp : TempNames("mixer.ini")) std::remove((dir + "/" + temp).c_str());
                if (fullDisk) {
                    sim::FileFaults faults;
                    faults.diskSpace = 100;
                    sim::SetFileFaults(faults);
                }
            };
            s.run = [=] {
                Outcome o = Result(Save("D:\\mixer.ini"));
                o.text = readFile("mixer.ini");
                if (TempsLeft("mixer.ini") > 0) o.text += "+tmp";
                return o;
            };
            s.expect = [=](const Baseline& b, const Fault* f) {
                // Before any getter runs (the text buffer) or once the text
                // is built (the file), a failure leaves the old file.
                const std::string text = ExpectedSaveText(b, f, cdType);
                Outcome o = Result(1);
                o.text = text;
                bool failed = fullDisk;
                size_t firstCreate = 0;
                while (firstCreate < b.log.size() && b.log[firstCreate].fn != "CreateFileA") ++firstCreate;
                // Harmless: attributes that cannot be read (the rename still
                // decides), a leftover of another temporary name that cannot
                // be removed, a first temporary name that cannot be created
                // (the next one is taken).
                const bool harmless = f != nullptr && (f->fn() == "GetFileAttributesA" || f->index == firstCreate ||
                                                       (f->fn() == "DeleteFileA" && f->index < firstCreate));
                if (f != nullptr && f->session < 0 && !harmless) {
                    const std::string& fn = f->fn();
                    if (fn == "DeleteFileA") {
                        o.text = old + "+tmp";
                        o.result = 0;
                        return o;
                    }
                    if (!IsRelease(*f->call)) failed = true;
                }
                if (failed) {
                    o.result = 0;
                    o.text = old;
                }
                return o;
            };
            // No text buffer: no getter runs (and no read writes its value back).
            s.stopsEverything = [](const Fault& f) { return f.index == 0; };
            // The variants differ in the boost reads and in the file.
            if (fullDisk)
                s.faultable = [](const Baseline& b, size_t i) { return b.session[i] < 0; };
            else if (cdType != 0)
                s.faultable = [](const Baseline& b, size_t i) { return b.session[i] < 0 || b.session[i] >= 36; };
            s.sessions = 24 + 12 + (cdType != 0 ? 2 : 1);
            cases += Run(s);
        }
    }

    for (bool unreadable : {false, true}) {
        Scenario s;
        s.name = "Set";
        s.variant = unreadable ? "the read fails" : "";
        s.setup = [=] {
            BuildRichCard();
            g_state.CDTypeDigital = 7;
            sim::MapDrive('D', dir);
            writeFile("restore.ini", kRestoreText);
            if (unreadable) {
                sim::FileFaults faults;
                faults.readFails = true;
                sim::SetFileFaults(faults);
            }
        };
        s.run = [] {
            Outcome o = Result(Set("D:\\restore.ini"));
            o.text = "cd=" + std::to_string(g_state.CDTypeDigital) +
                     " applied=" + std::to_string(sim::CountOf("mixerGetNumDevs") > 0);
            return o;
        };
        // The text buffer or the file cannot be had: nothing happens. The
        // read fails: the CD type is reset and nothing else is applied.
        auto stops = [unreadable](const Fault& f) {
            if (f.session >= 0) return false;
            return f.fn() == "LocalAlloc" || f.fn() == "CreateFileA" || f.fn() == "ReadFile" || unreadable;
        };
        s.stopsEverything = stops;
        s.expect = [=](const Baseline&, const Fault* f) {
            Outcome o = Result(1);
            o.text = "cd=1 applied=1";
            bool readFailed = unreadable;
            if (f != nullptr && f->session < 0 && (f->fn() == "LocalAlloc" || f->fn() == "CreateFileA")) {
                o.result = 0;
                o.text = "cd=7 applied=0";
                return o;
            }
            if (f != nullptr && f->fn() == "ReadFile") readFailed = true;
            if (readFailed) o.text = "cd=0 applied=0";
            return o;
        };
        s.sessions = unreadable ? 0 : 7 + 6 + 6 + 5 + 2 * 2 + 1;  // two sources selected
        cases += Run(s);
    }
    Report("settings file", cases);
}

TEST_F(FaultInjectionTest, SoundCardNamesAndHostDirectory) {
    int cases = 0;
    const std::string dir = dir_;
    Write("cards/Zeta Sound.cfg", "[DIGITAL]\r\nNAME=Zeta\r\n");
    Write("cards/Other Card.cfg", "[LINEIN]\r\nNAME=Other\r\n");
    Write("cards/AX200.cfg", "[DIGITAL]\r\nNAME=Alt Digital\r\n[DIGITALCD]\r\nNAME=Alt CD\r\n[LINEIN]\r\nNAME=Alt Line\r\n");
    Write("cards/AX300.cfg", "[LINEIN]\r\nNAME=Wrong\r\n");
    Write("empty/Nothing.cfg", "[LINEIN]\r\nNAME=Wrong\r\n");

    for (const char* prefix : {"D:\\cards\\", "D:\\empty\\"}) {
        const bool fits = std::string(prefix) == "D:\\cards\\";
        Scenario s;
        s.name = "ReadDigitalConfiguration";
        s.variant = fits ? "a file fits" : "no file fits";
        s.setup = [dir, prefix] {
            BuildRichCard();
            sim::MapDrive('D', dir);
            SetSoundCardConfigFilePath(prefix);
            SetOverrides();  // names from an earlier call: emptied first
        };
        s.run = [] {
            Outcome o = Result(ReadDigitalConfiguration());
            o.text = std::string(g_state.DigitalLineName) + "|" + g_state.DigitalCDLineName + "|" + g_state.LineInLineName;
            return o;
        };
        s.expect = [fits](const Baseline&, const Fault* f) {
            Outcome o = Result(fits ? 1 : 0);
            o.text = fits ? "Alt Digital|Alt CD|Alt Line" : "||";
            if (f == nullptr || !fits || IsRelease(*f->call)) return o;
            o.text = "||";
            o.result = f->fn() == "ReadFile" ? 1 : 0;
            return o;
        };
        s.sessions = 1;
        cases += Run(s);
    }

    Scenario path;
    path.name = "SetSoundCardConfigFilePath";
    path.setup = [] {};
    path.run = [] {
        Outcome o = Result(SetSoundCardConfigFilePath("D:\\Cards\\"));
        o.text = g_state.SoundCardConfigFilePath;
        return o;
    };
    path.expect = [](const Baseline& b, const Fault*) {
        EXPECT_TRUE(b.log.empty());
        Outcome o = Result(10);
        o.text = "D:\\Cards\\";
        return o;
    };
    cases += Run(path);

    for (bool tooLong : {false, true}) {
        Scenario s;
        s.name = "GetTavrinDirectory";
        s.variant = tooLong ? "value longer than 255 bytes" : "";
        s.setup = [tooLong] {
            sim::RegSetString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path",
                              tooLong ? "C:\\" + std::string(300, 'p') : "C:\\Program Files\\Tavrin\\");
        };
        s.run = [] {
            char buffer[256];
            std::memset(buffer, 'x', sizeof buffer);
            buffer[255] = '\0';
            Outcome o = Result(GetTavrinDirectory(buffer));
            o.text = buffer;
            return o;
        };
        s.expect = [tooLong](const Baseline&, const Fault* f) {
            if (tooLong || (f != nullptr && f->fn() != "RegCloseKey")) return Result(0);
            Outcome o = Result(1);
            o.text = "C:\\Program Files\\Tavrin\\";
            return o;
        };
        cases += Run(s);
    }
    Report("sound-card names and host directory", cases);
}

// ---- CD audio ---------------------------------------------------------------------------

// The CD player's state after a call: its result, whether a device is
// recorded, the last MCI result, and each message box by caption, with
// "platform" when it shows the platform's text for the code and "own" when
// it shows a text of the library's own.
Outcome CDOutcome(LONG result) {
    Outcome o = Result(result);
    std::ostringstream text;
    text << "recorded=" << (g_state.CDDeviceID != 0) << " last=" << g_state.CDLastError;
    const std::vector<sim::MciCommand>& commands = sim::MciCommands();
    size_t command = 0;
    for (const sim::MessageBoxCall& box : sim::MessageBoxes()) {
        while (command < commands.size() && commands[command].result == 0) ++command;
        const MCIERROR code = command < commands.size() ? commands[command++].result : 0;
        const std::string platform = sim::MciErrorText(code & 0xFFFF);
        text << " " << box.caption << ":"
             << (!platform.empty() && box.text == platform ? "platform" : box.text.empty() ? "empty" : "own");
    }
    o.text = text.str();
    return o;
}

Outcome CDExpected(LONG result, bool recorded, DWORD last, const std::string& caption, DWORD code,
                   bool textRefused) {
    Outcome o = Result(result);
    std::ostringstream text;
    text << "recorded=" << recorded << " last=" << last;
    if (!caption.empty())
        text << " " << caption << ":" << (!textRefused && !sim::MciErrorText(code & 0xFFFF).empty() ? "platform" : "own");
    o.text = text.str();
    return o;
}

TEST_F(FaultInjectionTest, CDAudio) {
    int cases = 0;
    const MCIERROR kRefusal = MCIERR_DEVICE_NOT_READY;
    struct Case {
        const char* name;
        UINT command;  // the command the call sends
        bool opened;   // a device is open before the call
        bool refused;  // the device refuses the command
        const char* caption;
    } cases_[] = {
        {"OpenCD", MCI_OPEN, false, false, "OpenCD"},  {"OpenCD", MCI_OPEN, false, true, "OpenCD"},
        {"PlayCD", MCI_PLAY, true, false, "PlayCD"},   {"PlayCD", MCI_PLAY, true, true, "PlayCD"},
        {"StopCD", MCI_STOP, true, false, "StopCD"},   {"StopCD", MCI_STOP, true, true, "StopCD"},
        {"CloseCD", MCI_CLOSE, true, false, "CloseCD"}, {"CloseCD", MCI_CLOSE, true, true, "CloseCD"},
        {"PlayCD", MCI_PLAY, false, false, ""},        {"StopCD", MCI_STOP, false, false, ""},
        {"CloseCD", MCI_CLOSE, false, false, ""},
    };
    for (const Case& c : cases_) {
        Scenario s;
        s.name = c.name;
        s.variant = std::string(c.opened ? "device open" : "no device open") + (c.refused ? ", command refused" : "");
        s.setup = [c, kRefusal] {
            if (c.opened) {
                ASSERT_EQ(OpenCD(), 0);
            }
            if (c.refused) sim::FailMciCommand(c.command, kRefusal);
        };
        const std::string name = c.name;
        s.run = [name] {
            if (name == "OpenCD") return CDOutcome(OpenCD());
            if (name == "PlayCD") return CDOutcome(PlayCD(0x10203));
            if (name == "StopCD") return CDOutcome(StopCD());
            return CDOutcome(CloseCD());
        };
        s.expect = [c, kRefusal](const Baseline& b, const Fault* f) {
            if (!c.opened && c.command != MCI_OPEN) {
                EXPECT_TRUE(b.log.empty());
                return CDExpected(kNoDeviceOpen, false, 0, "", 0, false);
            }
            // Which command fails, with what, and whether its text is had.
            DWORD code = c.refused ? kRefusal : 0;
            std::string caption = c.refused ? c.caption : "";
            bool textRefused = false;
            bool setFailed = false;
            if (f != nullptr) {
                if (f->fn() == "mciSendCommandA" && f->call->id == MCI_SET) {
                    setFailed = true;
                } else if (f->fn() == "mciSendCommandA") {
                    code = f->code;
                    caption = c.caption;
                } else if (f->fn() == "mciGetErrorStringA") {
                    textRefused = true;
                }
            }
            if (c.command == MCI_OPEN) {
                if (code != 0) return CDExpected(static_cast<LONG>(code), false, code, caption, code, textRefused);
                if (setFailed)
                    return CDExpected(static_cast<LONG>(f->code), true, f->code, "SetTimeFormatToTrack", f->code, false);
                return CDExpected(0, true, 0, "", 0, false);
            }
            const bool recorded = c.command != MCI_CLOSE;
            return CDExpected(static_cast<LONG>(code), recorded, code, caption, code, textRefused);
        };
        cases += Run(s);
    }
    Report("CD audio", cases);
}

// The exports that reach Core Audio on a per-endpoint card, first with the
// probe still to make, then after it: every request of the run failing
// once, with each code it can give, leaves no reference, no COM
// initialisation, no mixer handle and no block behind, and gives the
// endpoint's result, the failure result of the mixer's requests (a
// getter's -1, a reading of 0, a line not found), or, when the probe could
// not decide, the mixer's own result.
TEST_F(FaultInjectionTest, CoreAudioRequests) {
    const struct {
        const char* name;
        std::function<LONG()> call;
        LONG failure;
    } calls[] = {
        {"SetPlayMainVolume", [] { return SetPlayMainVolume(30000); }, 1},
        {"GetPlayMainVolume", [] { return GetPlayMainVolume(); }, -1},
        {"SetPlayMainMute", [] { return SetPlayMainMute(1); }, 1},
        {"GetPlayMainMute", [] { return GetPlayMainMute(); }, -1},
        {"SetPlayMainBalance", [] { return SetPlayMainBalance(4); }, 1},
        {"SetRecLineInVolume", [] { return SetRecLineInVolume(20000); }, 1},
        {"GetRecMicVolume", [] { return GetRecMicVolume(); }, -1},
        {"SetRecLineInBalance", [] { return SetRecLineInBalance(11); }, 1},
        {"SetRecMicMute", [] { return SetRecMicMute(1); }, 1},
        {"GetPeak", [] { return GetPeak(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE); }, 0},
    };
    auto load = [](bool probed) {
        sim::Reset();
        ResetLibraryState();
        nlohmann::json card = TestCard("windows");
        card["devices"][1]["endpointVolume"] = {{"peak", 0.25}};
        sim::LoadCard(card, "windows.json");
        ForgetEndpointVerdict();
        if (probed) EndpointLevelsServe();
        sim::ClearLog();
    };
    int cases = 0;
    for (bool probed : {false, true})
        for (const auto& c : calls) {
            load(false);
            KeepMixerLevels();
            const LONG mixer = c.call();
            load(probed);
            const LONG endpoint = c.call();
            const std::vector<sim::Call> baseline = sim::Log();
            for (size_t i = 0; i < baseline.size(); ++i)
                for (DWORD code : CodesFor(baseline[i].fn)) {
                    const std::string where = std::string(c.name) + (probed ? "" : " (probing)") + ": call " +
                                              std::to_string(i + 1) + " " + baseline[i].fn + " failing with " +
                                              std::to_string(code);
                    load(probed);
                    sim::FailNthCall(static_cast<int>(i + 1), code);
                    const LONG got = c.call();
                    sim::ClearFaults();
                    ++cases;
                    // No wave-in device, or one without a mixer: the recording
                    // search finds no line, a getter's 0.
                    const bool noLine = baseline[i].fn == "waveInGetNumDevs" ||
                                        (baseline[i].fn == "mixerGetID" && code == MMSYSERR_NODRIVER);
                    // Without the preferred wave-in device the search starts at
                    // wave-in device 0, the microphone, whose meter reads 0.25.
                    const bool firstWaveIn = baseline[i].fn == "waveInMessage" && got == 8192;
                    EXPECT_TRUE(got == endpoint || got == c.failure || (!probed && got == mixer) ||
                                (noLine && got == 0) || firstWaveIn)
                        << where << ": " << got;
                    EXPECT_EQ(sim::ComReferences(), 0) << where;
                    EXPECT_EQ(sim::ComInitializations(), 0) << where;
                    EXPECT_EQ(sim::OpenMixerHandles(), baseline[i].fn == "mixerClose" ? 1 : 0) << where;
                    EXPECT_EQ(sim::LocalBlocks(), baseline[i].fn == "LocalFree" ? 1 : 0) << where;
                    EXPECT_EQ(sim::ProcessHeapBlocks(), baseline[i].fn == "HeapFree" ? 1 : 0) << where;
                }
        }
    Report("Core Audio requests", cases);
}

}  // namespace
