// A random card built from the input (destinations, sources, controls of any
// type and flags, list controls with any item count and fewer or more texts,
// names of any length, values anywhere in a LONG, drivers that miscount or
// misbehave), settings and name files mostly in their grammars, name files
// under names the card's product name may or may not contain, paths of every
// shape (null, too long, a directory, read-only, with the temporary names
// taken), random registry values, then a random sequence of exports with
// arguments near their edges, now and then with the platform call at a
// random index made to fail or with another thread holding the library's
// lock.
//
// After every export: nothing the library took is still held (a failed
// release ends the input), and the result is one the export can give.
#include "cdaudio/cdaudio.h"
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "fuzz_common.h"
#include "persistence/persistence.h"
#include "persistence/temp_name.h"
#include "selector/selector.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

namespace {

const DWORD kDestinationTypes[] = {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                                   MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                                   MIXERLINE_COMPONENTTYPE_DST_UNDEFINED, MIXERLINE_COMPONENTTYPE_DST_HEADPHONES};
const DWORD kControlTypes[] = {
    MIXERCONTROL_CONTROLTYPE_VOLUME,         MIXERCONTROL_CONTROLTYPE_MUTE,  MIXERCONTROL_CONTROLTYPE_ONOFF,
    MIXERCONTROL_CONTROLTYPE_PEAKMETER,      MIXERCONTROL_CONTROLTYPE_MUX,   MIXERCONTROL_CONTROLTYPE_SINGLESELECT,
    MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, MIXERCONTROL_CONTROLTYPE_MIXER, MIXERCONTROL_CONTROLTYPE_VOLUME,
    MIXERCONTROL_CONTROLTYPE_MUTE,           0x50030002 /* bass */,          0x70000000 /* an odd list type */,
};
const char* const kNames[] = {"Line In", "Microphone", "CD Audio", "Aux",      "Wave",
                              "SPDIF In", "Analog Mix", "Alt Line", "Alt CD", ""};

bool IsList(DWORD type) { return (type & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST; }

// A LONG near the edges the library looks at: the balance positions 0 to 15,
// the level range's ends, the sign, or anything at all.
LONG Value(FuzzedDataProvider& in) {
    static const LONG kEdges[] = {-1, 0, 1, 2, 7, 8, 15, 16, 32768, 65535, 65536, INT_MAX, INT_MIN};
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return in.ConsumeIntegralInRange<LONG>(0, 15);
    case 1: return kEdges[in.ConsumeIntegralInRange<size_t>(0, sizeof kEdges / sizeof *kEdges - 1)];
    default: return in.ConsumeIntegral<LONG>();
    }
}

std::string Name(FuzzedDataProvider& in) {
    if (in.ConsumeBool()) return kNames[in.ConsumeIntegralInRange<size_t>(0, sizeof kNames / sizeof *kNames - 1)];
    return in.ConsumeRandomLengthString(80);
}

void AddControls(FuzzedDataProvider& in, sim::Line& line) {
    const int count = in.ConsumeIntegralInRange(0, 5);
    for (int i = 0; i < count; ++i) {
        const DWORD type = kControlTypes[in.ConsumeIntegralInRange<size_t>(0, sizeof kControlTypes / sizeof *kControlTypes - 1)];
        const uint8_t bits = in.ConsumeIntegral<uint8_t>();
        DWORD flags = 0;
        if (bits & 1) flags |= MIXERCONTROL_CONTROLF_UNIFORM;
        if ((bits & 2) || (IsList(type) && !(bits & 4))) flags |= MIXERCONTROL_CONTROLF_MULTIPLE;
        if (bits & 8) flags |= MIXERCONTROL_CONTROLF_DISABLED;
        DWORD items = 0;
        if (IsList(type) || (bits & 2)) items = in.ConsumeIntegralInRange<DWORD>(0, (bits & 16) ? 1100 : 12);
        sim::Control& c = line.AddControl(type, in.ConsumeIntegralInRange<LONG>(-2, 70000), flags, items, Name(in));
        if (IsList(type)) {
            const DWORD texts = in.ConsumeIntegralInRange<DWORD>(0, items + 2);
            for (DWORD t = 0; t < texts; ++t) c.itemTexts.push_back(Name(in));
        }
        const size_t set = in.ConsumeIntegralInRange<size_t>(0, 4);
        for (size_t k = 0; k < set && !c.values.empty(); ++k)
            c.values[in.ConsumeIntegralInRange<size_t>(0, c.values.size() - 1)] =
                in.ConsumeBool() ? in.ConsumeIntegralInRange<LONG>(-1, 2) : Value(in);
        if ((bits & 0xC0) == 0xC0) {
            // A driver's own range and step count.
            c.minimum = Value(in);
            c.maximum = Value(in);
            c.steps = in.ConsumeIntegralInRange<DWORD>(0, 70000);
        }
        const uint8_t quirks = in.ConsumeIntegral<uint8_t>();
        c.floatLevel = (quirks & 0xC0) == 0xC0;
        c.firstChannelOnly = (quirks & 0x07) == 1;
        c.leaveUnfilled = (quirks & 0x07) == 2;
        c.ignoreWrites = (quirks & 0x07) == 3;
        c.refuseOutOfRange = (quirks & 0x18) == 0x08;
        c.refuseBadSelection = (quirks & 0x18) == 0x10;
        c.textsFirstChannelOnly = (quirks & 0x20) != 0;
    }
    switch (in.ConsumeIntegralInRange(0, 15)) {
    case 0: line.reportedControls = static_cast<DWORD>(line.controls.size() + 1); break;
    case 1: line.reportedControls = line.controls.size() > 1 ? static_cast<DWORD>(line.controls.size() - 1) : 0; break;
    case 2: line.reportedControls = 0x00800000; break;
    case 3: line.reportedControls = 0x7FFFFFFF; break;
    default: break;
    }
}

// Every audio endpoint a mixer of its own, as Windows Vista and later and
// Wine show them: playback endpoints over a speakers destination, recording
// endpoints over a wave-in destination with a source typed by its input, in
// any order, now and then a card's own mixer among them; sources whose
// controls keep nothing (Wine) or act on the destination's (Windows); the
// preferred recording device anything; Wine's device identifiers and
// handles, or Windows'. Returns device 0's product name.
std::string BuildEndpointCard(FuzzedDataProvider& in) {
    const int devices = in.ConsumeIntegralInRange(1, 4);
    std::string first;
    for (int i = 0; i < devices; ++i) {
        const std::string product = in.ConsumeBool() ? (i == 0 ? "Out: default" : "In: default") : Name(in);
        if (i == 0) first = product;
        sim::Device& dev = sim::AddDevice(product);
        dev.endpoint = static_cast<sim::Device::Endpoint>(in.ConsumeIntegralInRange(0, 2));
        const bool recording = dev.endpoint == sim::Device::Endpoint::Recording ||
                               (dev.endpoint == sim::Device::Endpoint::None && in.ConsumeBool());
        sim::Destination& dst = dev.AddDestination(
            recording ? MIXERLINE_COMPONENTTYPE_DST_WAVEIN : MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, Name(in),
            in.ConsumeIntegralInRange<DWORD>(0, 3));
        AddControls(in, dst);
        const int sources = in.ConsumeIntegralInRange(0, 2);
        for (int s = 0; s < sources; ++s) {
            const DWORD source = MIXERLINE_COMPONENTTYPE_SRC_FIRST + in.ConsumeIntegralInRange<DWORD>(0, 10);
            sim::Line& line = dst.AddSource(source, Name(in), in.ConsumeIntegralInRange<DWORD>(0, 3));
            AddControls(in, line);
            // Controls acting on the destination's of their type, or on any
            // control of the device by its id (one that does not exist too).
            for (sim::Control& c : line.controls) {
                switch (in.ConsumeIntegralInRange(0, 3)) {
                case 0:
                    if (sim::Control* target = dst.Find(c.type)) c.actsOn = target->id;
                    break;
                case 1: c.actsOn = in.ConsumeIntegralInRange<DWORD>(0, 40); break;
                default: break;
                }
            }
        }
    }
    sim::SetPreferredWaveIn(in.ConsumeBool() ? in.ConsumeIntegralInRange<DWORD>(0, 4) : in.ConsumeIntegral<DWORD>());
    // Core Audio: none (Windows XP), Windows' after its documentation, or
    // Wine's as measured; each endpoint's volume of 1 to 3 channels, its
    // mute and meter, now and then unplugged.
    sim::SetCoreAudio(static_cast<sim::CoreAudio>(in.ConsumeIntegralInRange(0, 2)));
    for (sim::Device& dev : sim::Devices()) {
        sim::Device::EndpointVolume& ev = dev.endpointVolume;
        ev.levels.resize(in.ConsumeIntegralInRange<size_t>(1, 3));
        for (float& level : ev.levels) level = in.ConsumeIntegralInRange(0, 65535) / 65535.0f;
        ev.mute = in.ConsumeBool();
        ev.peak = in.ConsumeIntegralInRange(0, 100) / 100.0f;
        ev.present = in.ConsumeIntegralInRange(0, 15) != 0;
    }
    const bool wine = in.ConsumeBool();
    sim::SetWineDeviceIds(wine);
    sim::SetWineMixerHandles(wine && in.ConsumeBool());
    return first.substr(0, MAXPNAMELEN - 1);
}

std::string BuildCard(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 15)) {
    case 0: return "";  // no mixer at all
    case 1: return BuildEndpointCard(in);
    default: break;
    }
    const std::string product = in.ConsumeBool() ? "AX200 Mixer" : in.ConsumeRandomLengthString(40);
    sim::Device& dev = sim::AddDevice(product);
    const int destinations = in.ConsumeIntegralInRange(0, 4);
    for (int d = 0; d < destinations; ++d) {
        const DWORD type =
            kDestinationTypes[in.ConsumeIntegralInRange<size_t>(0, sizeof kDestinationTypes / sizeof *kDestinationTypes - 1)];
        sim::Destination& dst = dev.AddDestination(type, Name(in), in.ConsumeIntegralInRange<DWORD>(0, 8));
        AddControls(in, dst);
        const int sources = in.ConsumeIntegralInRange(0, 6);
        for (int s = 0; s < sources; ++s) {
            const DWORD source = MIXERLINE_COMPONENTTYPE_SRC_FIRST + in.ConsumeIntegralInRange<DWORD>(0, 10);
            AddControls(in, dst.AddSource(source, Name(in), in.ConsumeIntegralInRange<DWORD>(0, 8)));
        }
    }
    return product.substr(0, MAXPNAMELEN - 1);
}

// A string in a heap block of exactly its size.
std::unique_ptr<char[]> Exact(const std::string& s) {
    std::unique_ptr<char[]> p(new char[s.size() + 1]);
    std::memcpy(p.get(), s.c_str(), s.size() + 1);
    return p;
}

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";

bool IsRelease(const sim::Call& c) {
    return c.fn == "mixerClose" || c.fn == "HeapFree" || c.fn == "LocalFree" || c.fn == "CloseHandle" ||
           c.fn == "FindClose" || c.fn == "RegCloseKey" || c.fn == "DeleteFileA";
}

const DWORD kFaultCodes[] = {MMSYSERR_ERROR, MMSYSERR_NOMEM, MIXERR_INVALLINE, MIXERR_INVALCONTROL,
                             ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, MCIERR_HARDWARE, MCIERR_DEVICE_NOT_READY,
                             MMSYSERR_NODRIVER};

// Functions a fault may be aimed at, by the occurrence of the call: a failure
// at a given call of one function (the second line query, the first read
// of a file) is rare among faults at a random index of all calls. Releases
// are left out: a failed release ends the input.
const char* const kFaultFunctions[] = {
    "mixerGetNumDevs",    "mixerOpen",          "mixerGetDevCapsA",  "mixerGetLineInfoA", "mixerGetLineControlsA",
    "mixerGetControlDetailsA", "mixerSetControlDetails", "HeapAlloc",  "LocalAlloc",        "GetProcessHeap",
    "CreateFileA",        "ReadFile",           "WriteFile",         "FlushFileBuffers",  "MoveFileExA",
    "GetFileAttributesA", "FindFirstFileA",     "FindNextFileA",     "RegOpenKeyExA",     "RegQueryValueExA",
    "mciSendCommandA",    "mciGetErrorStringA", "waveInGetNumDevs",  "waveInMessage",     "mixerGetID",
    "waveOutMessage",     "CoInitializeEx",     "CoCreateInstance",  "IMMDeviceEnumerator::GetDevice",
    "IMMDevice::Activate", "IAudioEndpointVolume::GetChannelCount",
    "IAudioEndpointVolume::GetChannelVolumeLevelScalar", "IAudioEndpointVolume::SetChannelVolumeLevelScalar",
    "IAudioEndpointVolume::GetMute", "IAudioMeterInformation::GetPeakValue"};

typedef LONG(WINAPI* ValueFn)(LONG);
typedef LONG(WINAPI* PlainFn)(void);

// The per-line groups of mixer.h's export table, with the other exports of
// their shape (the no-op names are one function).
#define FUZZ_FUNCTION(result, name, params) name,
const ValueFn kSetters[] = {MIXER_FUNCTIONS_LINE_SETTERS(FUZZ_FUNCTION) SetMicBoostMode, SetCDTypeDigital,
                            NoOpWithValue};
const PlainFn kGetters[] = {MIXER_FUNCTIONS_LINE_GETTERS(FUZZ_FUNCTION) GetMicBoostMode,
                            GetRecLineInSelect,
                            GetRecMicSelect,
                            GetRecCDSelect,
                            GetRecAuxSelect,
                            GetRecAnalogSelect,
                            GetRecDigitalSelect,
                            GetCDTypeDigital};
#undef FUZZ_FUNCTION
const PlainFn kSelectionSetters[] = {SetRecLineInSelect, SetRecMicSelect,    SetRecCDSelect, SetRecAuxSelect,
                                     SetRecAnalogSelect, SetRecDigitalSelect, RepeatPlayStop};

template <typename T, size_t N>
const T& Pick(FuzzedDataProvider& in, const T (&table)[N]) {
    return table[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

// The input's working directory: dir/cards/ for name files, everything else
// beside it, all removed when the input ends so that the next one starts
// from the same place: what the input made itself is listed in `made`; a
// Save elsewhere than the settings file, or one that failed part way, may
// leave files under names of its own and marks the whole directory for
// clearing.
struct Files {
    // A name file the input chose: its path, and its text, or none for a
    // directory under that name.
    struct NameFile {
        std::string path;
        std::optional<std::string> text;
    };
    std::string dir;
    std::vector<std::string> made;
    // Only ReadDigitalConfiguration looks in dir/cards/, so the name files
    // are written just before its first call in the input: most inputs make
    // none, and neither write nor remove them.
    std::vector<NameFile> names;
    bool namesWritten = false;
    // So is the settings file, which only Set and Save look at, before the
    // input's first of them.
    std::optional<std::string> settings;
    bool settingsWritten = false;
    bool dirty = false;
    bool tempNamesTaken = false;  // a Save may find no free temporary name
    bool diskFails = false;       // the platform's file faults are set
};

// A sound-card name file: now and then the input's bytes as they are, mostly
// the grammar's sections, each with a name the card's lines may have, so
// that override names are stored and the exports look lines up by them.
std::string NameFileText(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 3) == 0) return in.ConsumeRandomLengthString(300);
    static const char* const kSections[] = {"[DIGITAL]", "[DIGITALCD]", "[LINEIN]", "[OTHER]"};
    std::string text;
    const int entries = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < entries; ++i) {
        text += Pick(in, kSections);
        text += in.ConsumeBool() ? "\n" : "\r\n";
        text += "NAME=";
        text += Name(in);
        text += "\n";
    }
    return text;
}

// The name files of the card directory: none to three, named by a piece of
// the product name (which fits it), by something else (which may not), with
// more than one dot, or a directory under a name that fits.
void ChooseNameFiles(FuzzedDataProvider& in, const std::string& product, Files* files) {
    const int count = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < count; ++i) {
        std::string base;
        switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0: base = in.ConsumeRandomLengthString(12); break;
        case 1: base = "other"; break;
        default: {
            const size_t start = in.ConsumeIntegralInRange<size_t>(0, product.size());
            base = product.substr(start, in.ConsumeIntegralInRange<size_t>(0, product.size() - start));
        }
        }
        if (in.ConsumeIntegralInRange(0, 7) == 0) base += ".old";
        if (base.find('/') != std::string::npos || base.find('\\') != std::string::npos ||
            base.find('\0') != std::string::npos || base == "." || base == "..")
            continue;
        const std::string path = files->dir + "/cards/" + base + ".cfg";
        bool taken = false;
        for (const Files::NameFile& f : files->names) taken = taken || f.path == path;
        if (taken) continue;
        Files::NameFile file{path, std::nullopt};
        if (in.ConsumeIntegralInRange(0, 7) != 0) file.text = NameFileText(in);  // else a directory, found but unreadable
        files->names.push_back(std::move(file));
    }
}

void WriteSettingsFile(Files* files) {
    if (files->settingsWritten) return;
    files->settingsWritten = true;
    if (files->settings)
        fuzz::WriteFile(files->dir + "/settings.ini", reinterpret_cast<const uint8_t*>(files->settings->data()),
                        files->settings->size());
}

void WriteNameFiles(Files* files) {
    if (files->namesWritten) return;
    files->namesWritten = true;
    for (const Files::NameFile& f : files->names) {
        if (f.text) {
            fuzz::WriteFile(f.path, reinterpret_cast<const uint8_t*>(f.text->data()), f.text->size());
        } else {
            std::error_code ignored;
            std::filesystem::create_directory(f.path, ignored);
        }
        files->made.push_back(f.path);
    }
}

// A mixer settings file: now and then the input's bytes as they are, mostly
// sections of the grammar with keys and values near the levels' edges.
std::string SettingsText(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 3) == 0) return in.ConsumeRandomLengthString(600);
    static const char* const kSections[] = {"[RECORD VOLUME]", "[PLAY VOLUME]", "[PLAY MUTE]", "[REC MUTE]",
                                            "[REC SELECT]",    "[ADVANCED]",    "[CD]",        "[OTHER]"};
    static const char* const kKeys[] = {"LINEIN", "MIC",  "CD",      "AUX",      "ANALOG",
                                        "DIGITAL", "MAIN", "WAVEOUT", "MICBOOST", "BASS"};
    static const char* const kValues[] = {"0", "1", "-1", "32768", "65535", "65536", "4294967295", "12abc", ""};
    std::string text;
    const int entries = in.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < entries; ++i) {
        if (in.ConsumeBool()) {
            text += Pick(in, kSections);
            text += "\n";
        }
        text += Pick(in, kKeys);
        text += "=";
        text += in.ConsumeBool() ? std::string(Pick(in, kValues)) : std::to_string(in.ConsumeIntegral<LONG>());
        text += "\n";
    }
    return text;
}

// The path a Save or Set is given: mostly the settings file, else a
// read-only file, a directory, a missing directory, a path at or past
// MAX_PATH, one that ends in a separator or names a drive alone, a random
// name in the directory, or none (a null path). Before a Save, the
// temporary names may be taken by directories or read-only files.
std::optional<std::string> SettingsPath(FuzzedDataProvider& in, Files* files) {
    const std::string& dir = files->dir;
    std::error_code ignored;
    switch (in.ConsumeIntegralInRange(0, 15)) {
    case 0: {
        const std::string path = dir + "/readonly.ini";
        if (!std::filesystem::exists(path, ignored)) {
            fuzz::WriteFile(path, reinterpret_cast<const uint8_t*>("[PLAY VOLUME]\nMAIN=1\n"), 21);
            ::chmod(path.c_str(), 0444);
            files->made.push_back(path);
        }
        return path;
    }
    case 1:
        if (std::filesystem::create_directory(dir + "/folder.ini", ignored)) files->made.push_back(dir + "/folder.ini");
        return dir + "/folder.ini";
    case 2: return dir + "/missing/settings.ini";
    case 3: {
        // MAX_PATH - 24 to MAX_PATH + 8 characters in all: a long file name,
        // or a long directory that leaves the temporary names no room.
        const size_t total = MAX_PATH - 24 + in.ConsumeIntegralInRange<size_t>(0, 32);
        const size_t fill = total > dir.size() + 3 ? total - dir.size() - 3 : 1;
        if (in.ConsumeBool()) return dir + "/" + std::string(fill + 2, 'n');
        return dir + "/" + std::string(fill, 'd') + "/" + in.ConsumeRandomLengthString(2);
    }
    case 4: {
        static const char* const kOdd[] = {"", "C:", "/", "\\"};
        return in.ConsumeBool() ? dir + "/" : Pick(in, kOdd);
    }
    case 7: return dir + "\\settings.ini";  // Windows' separator
    case 5: {
        const std::string name = in.ConsumeRandomLengthString(40);
        if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
            name.find("..") != std::string::npos)
            return dir + "/settings.ini";
        return dir + "/" + name;
    }
    case 6: return std::nullopt;
    default: return dir + "/settings.ini";
    }
}

void TakeTempNames(FuzzedDataProvider& in, const std::string& path, Files* files) {
    const uint8_t which = in.ConsumeIntegral<uint8_t>();
    for (int attempt = 0; attempt < TEMP_NAME_TRIES; ++attempt) {
        char name[MAX_PATH];
        if (!(which & (1u << attempt)) || !TempFileName(path.c_str(), attempt, name)) continue;
        std::error_code ignored;
        const std::string host = sim::HostPath(name);
        if (host.empty() || std::filesystem::exists(host, ignored) ||
            !std::filesystem::is_directory(std::filesystem::path(host).parent_path(), ignored))
            continue;
        if (which & (8u << attempt)) {
            std::filesystem::create_directory(host, ignored);
        } else {
            fuzz::WriteFile(host, reinterpret_cast<const uint8_t*>("x"), 1);
            ::chmod(host.c_str(), 0444);
        }
        files->made.push_back(host);
        files->tempNamesTaken = true;
    }
}

// The prefix name files are searched under: the card directory (with or
// without its separator, with Windows' separators, or with the start of a
// file name), one that leaves no room for the pattern or the entry's name,
// one past 255 characters (refused), anything in the directory, or null
// (refused).
std::optional<std::string> ConfigPrefix(FuzzedDataProvider& in, const std::string& dir) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
    case 0: return in.ConsumeBool() ? dir + "/cards" : dir + "\\cards\\";
    case 1: return dir + "/cards/" + in.ConsumeRandomLengthString(6);
    case 2: {
        const size_t total = 240 + in.ConsumeIntegralInRange<size_t>(0, 20);
        return dir + "/cards/" + std::string(total > dir.size() + 7 ? total - dir.size() - 7 : 0, '/');
    }
    case 3: return std::string(256 + in.ConsumeIntegralInRange<size_t>(0, 40), 'p');
    case 4: return dir + "/" + in.ConsumeRandomLengthString(300);
    case 5: return std::nullopt;
    default: return dir + "/cards/";
    }
}

// Holds the library's state lock on another thread for a while as the
// step's export starts, so that the waiting for it runs too.
class LockHolder {
public:
    LockHolder() : thread_([this] {
        StateLock lock;
        held_.store(true);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }) {
        while (!held_.load()) std::this_thread::yield();
    }
    ~LockHolder() { thread_.join(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

private:
    std::atomic<bool> held_{false};
    std::thread thread_;
};

void SaveStep(FuzzedDataProvider& in, Files* files, bool faulted) {
    WriteSettingsFile(files);
    const std::optional<std::string> path = SettingsPath(in, files);
    if (path && in.ConsumeBool()) TakeTempNames(in, *path, files);
    const std::string settings = files->dir + "/settings.ini";
    const LONG r = Save(path ? path->c_str() : nullptr);
    // A Save cut short may leave its temporary file; one elsewhere leaves a
    // file of its own name.
    files->dirty = files->dirty || faulted || (r == 1 && path != settings);
    FUZZ_CHECK(r == 0 || r == 1);
    if (!path) FUZZ_CHECK(r == 0);
    // Without a mixer every value is a failure value and the file is kept;
    // otherwise the settings file is written unless a fault, the disk or the
    // taken temporary names stop it.
    if (path == settings && !files->tempNamesTaken && !files->diskFails)
        FUZZ_CHECK(r == 1 || faulted || sim::Devices().empty());
}

void SetStep(FuzzedDataProvider& in, Files* files) {
    WriteSettingsFile(files);
    const std::optional<std::string> path = SettingsPath(in, files);
    const LONG r = Set(path ? path->c_str() : nullptr);
    FUZZ_CHECK(r == 0 || r == 1);
    if (!path) FUZZ_CHECK(r == 0);
}

// A line of device 0 (a destination or a source), or null.
const sim::Line* AnyLine(FuzzedDataProvider& in) {
    if (sim::Devices().empty() || sim::Devices()[0].destinations.empty() || !in.ConsumeBool()) return nullptr;
    const sim::Destination& d =
        sim::Devices()[0].destinations[in.ConsumeIntegralInRange<size_t>(0, sim::Devices()[0].destinations.size() - 1)];
    const size_t pick = in.ConsumeIntegralInRange<size_t>(0, d.sources.size());
    return pick == d.sources.size() ? static_cast<const sim::Line*>(&d) : &d.sources[pick];
}

// An operation that addresses a control of the given type; `otherwise` for
// the types none does.
LONG OpFor(FuzzedDataProvider& in, DWORD type, LONG otherwise) {
    static const LONG kVolume[] = {MIXER_OP_PLAY_VOLUME, MIXER_OP_MAIN_VOLUME, MIXER_OP_REC_VOLUME,
                                   MIXER_OP_PLAY_BALANCE, MIXER_OP_REC_BALANCE, MIXER_OP_MAIN_BALANCE};
    static const LONG kMute[] = {MIXER_OP_PLAY_MUTE, MIXER_OP_REC_MUTE, MIXER_OP_MAIN_MUTE};
    static const LONG kOnOff[] = {MIXER_OP_PLAY_BOOST, MIXER_OP_REC_BOOST};
    static const LONG kSelect[] = {MIXER_OP_REC_SELECT, MIXER_OP_PLAY_SELECT};
    switch (type) {
    case MIXERCONTROL_CONTROLTYPE_VOLUME: return Pick(in, kVolume);
    case MIXERCONTROL_CONTROLTYPE_MUTE: return Pick(in, kMute);
    case MIXERCONTROL_CONTROLTYPE_ONOFF: return Pick(in, kOnOff);
    case MIXERCONTROL_CONTROLTYPE_SINGLESELECT: return Pick(in, kSelect);
    default: return otherwise;
    }
}

// Mostly an operation on one of the line's own controls, else `otherwise`.
LONG OpOnLine(FuzzedDataProvider& in, const sim::Line& line, LONG otherwise) {
    if (line.controls.empty() || !in.ConsumeBool()) return otherwise;
    return OpFor(in, line.controls[in.ConsumeIntegralInRange<size_t>(0, line.controls.size() - 1)].type, otherwise);
}

// One export with arguments from the input.
void CallOne(FuzzedDataProvider& in, Files* files, bool faulted) {
    const std::string& dir = files->dir;
    switch (in.ConsumeIntegralInRange(0, 18)) {
    case 0:
    case 1:
        FUZZ_CHECK(Pick(in, kSetters)(Value(in)) == 1);
        break;
    case 2:
    case 3:
    case 13:
        Pick(in, kGetters)();
        break;
    case 4:
        FUZZ_CHECK(Pick(in, kSelectionSetters)() == 1);
        break;
    case 5: {
        const LONG kind = in.ConsumeIntegralInRange<LONG>(-1, 10);
        const std::string name = Name(in);
        std::unique_ptr<char[]> p = Exact(name);
        const LONG r = SelectLine(kind, in.ConsumeBool() ? p.get() : nullptr, in.ConsumeIntegralInRange<LONG>(-1, 2));
        FUZZ_CHECK(r == 0 || faulted || sim::Devices().empty());
        break;
    }
    case 6: {
        DWORD type = MIXERLINE_COMPONENTTYPE_SRC_FIRST + in.ConsumeIntegralInRange<DWORD>(0, 10);
        LONG op = in.ConsumeIntegralInRange<LONG>(-1, 15);
        std::string name = Name(in);
        if (const sim::Line* l = AnyLine(in)) {
            // A line of the card by its type or name, mostly with an
            // operation on one of its controls.
            type = l->componentType;
            name = l->name;
            op = OpOnLine(in, *l, op);
        }
        std::unique_ptr<char[]> p = Exact(name);
        const LONG r = SetMixer(type, op, Value(in), in.ConsumeBool() ? p.get() : nullptr,
                                in.ConsumeIntegralInRange<LONG>(0, 1));
        FUZZ_CHECK(r == 0 || r == 1);
        break;
    }
    case 7: {
        HMIXER mine = nullptr;
        const bool opened = mixerOpen(&mine, 0, 0, 0, 0) == MMSYSERR_NOERROR;
        HMIXER h = mine;
        if (!opened || in.ConsumeBool()) h = reinterpret_cast<HMIXER>(static_cast<uintptr_t>(in.ConsumeIntegral<uint32_t>()));
        DWORD line = in.ConsumeIntegral<DWORD>();
        LONG op = in.ConsumeIntegralInRange<LONG>(-1, 15);
        if (const sim::Line* l = AnyLine(in)) {
            // A line of the card, and mostly an operation on one of its controls.
            line = l->id;
            op = OpOnLine(in, *l, op);
        }
        LocateControl(line, Value(in), h, op);
        if (opened) mixerClose(mine);
        break;
    }
    case 8:
        FUZZ_CHECK(ScanRecControls() == 0);
        break;
    case 9: {
        const LONG r = IsMuxSingleSelect();
        FUZZ_CHECK(r == 0 || r == 1);
        break;
    }
    case 10: {
        const DWORD limit = in.ConsumeIntegralInRange<DWORD>(0, 8192);
        if (in.ConsumeIntegralInRange(0, 15) == 0) {
            FUZZ_CHECK(GetMixerRecordChannels(nullptr, limit) == -1);
            break;
        }
        const size_t size = limit + 1 > 33 ? limit + 1 : 33;
        std::unique_ptr<char[]> buffer(new char[size]);
        std::memset(buffer.get(), 'x', size);
        const LONG r = GetMixerRecordChannels(buffer.get(), limit);
        FUZZ_CHECK(r == 0 || r == -1);
        const size_t length = std::strlen(buffer.get());
        FUZZ_CHECK(length <= (limit > 32 ? limit : 32));
        if (r == -1) FUZZ_CHECK(length == 0);
        break;
    }
    case 11:
        FUZZ_CHECK(GetPeak(in.ConsumeBool() ? MIXERLINE_COMPONENTTYPE_DST_WAVEIN : in.ConsumeIntegral<DWORD>()) >= 0);
        break;
    case 12:
        // Saving or setting a file costs ten times what another export does:
        // each comes a quarter as often.
        if (in.ConsumeBool())
            FUZZ_CHECK(Pick(in, kSetters)(Value(in)) == 1);
        else if (in.ConsumeBool())
            SetStep(in, files);
        else
            SaveStep(in, files, faulted);
        break;
    case 14: {
        // Reading the name files searches a directory and reads a file: it
        // costs what a Save does, and fuzz_name_file reads every kind of
        // name file; it comes half as often as another export.
        if (in.ConsumeBool()) {
            Pick(in, kGetters)();
            break;
        }
        WriteNameFiles(files);
        const LONG r = ReadDigitalConfiguration();
        FUZZ_CHECK(r == 0 || r == 1);
        if (r == 0) FUZZ_CHECK(g_state.DigitalLineName[0] == 0 && g_state.LineInLineName[0] == 0);
        break;
    }
    case 15: {
        const std::optional<std::string> path = ConfigPrefix(in, dir);
        std::unique_ptr<char[]> p = Exact(path.value_or(""));
        const LONG r = SetSoundCardConfigFilePath(path ? p.get() : nullptr);
        const size_t length = std::strlen(p.get());
        FUZZ_CHECK(r == (path && length <= 255 ? static_cast<LONG>(length + 1) : 0));
        break;
    }
    case 16: {
        if (in.ConsumeIntegralInRange(0, 7) == 0) {
            FUZZ_CHECK(GetTavrinDirectory(nullptr) == 0);
            break;
        }
        std::unique_ptr<char[]> buffer(new char[255]);
        const LONG r = GetTavrinDirectory(buffer.get());
        FUZZ_CHECK(r == 0 || r == 1);
        FUZZ_CHECK(std::strlen(buffer.get()) <= 254);
        if (r == 0) FUZZ_CHECK(buffer[0] == '\0');
        break;
    }
    default: {
        const int which = in.ConsumeIntegralInRange(0, 4);
        const LONG r = which == 0   ? OpenCD()
                       : which == 1 ? PlayCD(in.ConsumeIntegral<LONG>())
                       : which == 2 ? StopCD()
                       : which == 3 ? CloseCD()
                                    : SetTimeFormatToTrack();
        if (!faulted) FUZZ_CHECK(r == 0 || r == 3075 || r == MCIERR_HARDWARE);
        if (g_state.CDDeviceID != 0) FUZZ_CHECK(sim::FindMciDevice(g_state.CDDeviceID)->open);
        break;
    }
    }
}

// Back to a directory holding an empty cards/ and nothing else.
void ClearFiles(Files& files) {
    std::error_code ignored;
    // Mostly files: one unlink each, a directory's walk only for a directory.
    for (const std::string& path : files.made)
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) std::filesystem::remove_all(path, ignored);
    files.made.clear();
    files.names.clear();
    files.namesWritten = false;
    if (files.settingsWritten) ::unlink((files.dir + "/settings.ini").c_str());
    files.settings.reset();
    files.settingsWritten = false;
    files.tempNamesTaken = false;
    files.diskFails = false;
    if (!files.dirty) return;
    files.dirty = false;
    for (const auto& e : std::filesystem::directory_iterator(files.dir, ignored)) {
        if (e.path().filename() == "cards") {
            for (const auto& card : std::filesystem::directory_iterator(e.path(), ignored))
                std::filesystem::remove_all(card.path(), ignored);
        } else {
            std::filesystem::remove_all(e.path(), ignored);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fuzz::Fresh();
    static Files files = [] {
        Files f;
        f.dir = fuzz::WorkDir();
        std::filesystem::create_directories(f.dir + "/cards");
        return f;
    }();
    // The card goes when the input ends, so that an input leaves no heap
    // behind and libFuzzer has no reason to run it again for leaks; so do
    // the files it made, so that the next input starts where this one did.
    struct Clear {
        ~Clear() {
            sim::Reset();
            ClearFiles(files);
        }
    } clearAtEnd;
    sim::SetHeapLimit(32u << 20);
    const std::string product = BuildCard(in);

    // The files and registry value the exports may find.
    if (in.ConsumeIntegralInRange(0, 7) != 0) files.settings = SettingsText(in);
    ChooseNameFiles(in, product, &files);
    if (in.ConsumeBool()) {
        // Anything, or a directory of about the caller's 254 characters.
        const std::string value = in.ConsumeBool() ? in.ConsumeRandomLengthString(300)
                                                   : std::string(in.ConsumeIntegralInRange<size_t>(250, 258), 'd');
        sim::RegSetValue(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", in.ConsumeIntegralInRange<DWORD>(0, 7), value);
    }
    // Now and then a disk that fails: writes, a full disk, short writes, reads.
    if (in.ConsumeIntegralInRange(0, 15) == 15) {
        sim::FileFaults faults;
        const uint8_t kind = in.ConsumeIntegral<uint8_t>();
        faults.writeFails = (kind & 3) == 0;
        if ((kind & 3) == 1) faults.diskSpace = in.ConsumeIntegralInRange<long>(0, 2000);
        if ((kind & 3) == 2) faults.shortWrite = in.ConsumeIntegralInRange<long>(0, 2000);
        faults.readFails = (kind & 4) != 0;
        sim::SetFileFaults(faults);
        files.diskFails = true;
    }
    // The MCI log counts the closes the platform refused: with closes made
    // to fail, the whole input runs with the log.
    bool logAll = fuzz::Logged();
    if (in.ConsumeIntegralInRange(0, 7) == 7) {
        sim::FailMciCommand(MCI_CLOSE, MCIERR_HARDWARE);
        logAll = true;
    }
    sim::SetCallLog(logAll);
    SetSoundCardConfigFilePath((files.dir + "/cards/").c_str());
    // Now and then another thread holds the library's lock when the first
    // step starts: rare, since each such input waits a millisecond.
    bool contended = in.ConsumeIntegralInRange(0, 511) == 137;

    for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
        sim::ClearLog();
        bool armed = false;
        if (in.ConsumeIntegralInRange(0, 7) == 0) {
            // Most exports make a few dozen calls, saving and setting a file
            // some hundreds.
            switch (in.ConsumeIntegralInRange(0, 2)) {
            case 0: sim::FailNthCall(in.ConsumeIntegralInRange(1, 60), Pick(in, kFaultCodes)); break;
            case 1: sim::FailNthCall(in.ConsumeIntegralInRange(1, 600), Pick(in, kFaultCodes)); break;
            default:
                sim::FailFunction(Pick(in, kFaultFunctions), Pick(in, kFaultCodes), in.ConsumeIntegralInRange(1, 12));
            }
            armed = true;
        }
        // A step with a fault runs with the log, which tells whether the
        // fault fell on a release; the others run lean and release everything.
        if (armed && !logAll) sim::SetCallLog(true);
        {
            std::unique_ptr<LockHolder> holder;
            if (contended) {
                // An export that takes the lock first, whatever the step's is.
                holder.reset(new LockHolder);
                const LONG type = GetCDTypeDigital();
                FUZZ_CHECK(type == g_state.CDTypeDigital);
            }
            contended = false;
            CallOne(in, &files, armed);
        }
        sim::ClearFaults();
        if (armed && !logAll) sim::SetCallLog(false);
        bool releaseFailed = false;
        for (const sim::Call& c : sim::Log()) releaseFailed = releaseFailed || (c.injected && IsRelease(c));
        if (releaseFailed) return 0;  // the platform kept what it was asked to release
        fuzz::CheckNothingHeld();
        int refused = 0;
        for (const sim::MciCommand& c : sim::MciCommands()) refused += c.command == MCI_CLOSE && c.result != 0;
        // An OpenCD while a device is open closes the earlier one: only the
        // recorded device and those whose close the platform refused are open.
        FUZZ_CHECK(sim::OpenMciDevices() == (g_state.CDDeviceID != 0 ? 1 : 0) + refused);
    }
    return 0;
}
