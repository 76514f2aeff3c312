// A random card built from the input (destinations, sources, controls of any
// type and flags, list controls with any item count and fewer or more texts,
// names of any length, drivers that miscount or misbehave), settings and
// name files mostly in their grammars, random registry values, then a random
// sequence of exports with random arguments, now and then with the platform
// call at a random index made to fail.
//
// After every export: nothing the library took is still held (a failed
// release ends the input), and the result is one the export can give.
#include "cdaudio/cdaudio.h"
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "fuzz_common.h"
#include "persistence/persistence.h"
#include "selector/selector.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <filesystem>
#include <memory>

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
            c.values[in.ConsumeIntegralInRange<size_t>(0, c.values.size() - 1)] = in.ConsumeIntegralInRange<LONG>(-1, 2);
        const uint8_t quirks = in.ConsumeIntegral<uint8_t>();
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

std::string BuildCard(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 15) == 0) return "";  // no mixer at all
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

// A string in a heap block of exactly its size, or null.
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
                             ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, MCIERR_HARDWARE, MCIERR_DEVICE_NOT_READY};

typedef LONG(WINAPI* ValueFn)(LONG);
typedef LONG(WINAPI* PlainFn)(void);

// The per-line groups of mixer.h's export table, with the other exports of
// their shape.
#define FUZZ_FUNCTION(result, name, params) name,
const ValueFn kSetters[] = {MIXER_FUNCTIONS_LINE_SETTERS(FUZZ_FUNCTION) SetMicBoostMode, NoOpWithValue};
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

// One export with arguments from the input.
void CallOne(FuzzedDataProvider& in, const std::string& dir, bool faulted) {
    switch (in.ConsumeIntegralInRange(0, 17)) {
    case 0:
    case 1:
        FUZZ_CHECK(Pick(in, kSetters)(in.ConsumeIntegral<LONG>()) == 1);
        break;
    case 2:
    case 3:
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
        const std::string name = Name(in);
        std::unique_ptr<char[]> p = Exact(name);
        const LONG r = SetMixer(MIXERLINE_COMPONENTTYPE_SRC_FIRST + in.ConsumeIntegralInRange<DWORD>(0, 10),
                                in.ConsumeIntegralInRange<LONG>(-1, 15), in.ConsumeIntegral<LONG>(),
                                in.ConsumeBool() ? p.get() : nullptr, in.ConsumeIntegralInRange<LONG>(0, 1));
        FUZZ_CHECK(r == 0 || r == 1);
        break;
    }
    case 7: {
        HMIXER mine = nullptr;
        const bool opened = mixerOpen(&mine, 0, 0, 0, 0) == MMSYSERR_NOERROR;
        HMIXER h = mine;
        if (!opened || in.ConsumeBool()) h = reinterpret_cast<HMIXER>(static_cast<uintptr_t>(in.ConsumeIntegral<uint32_t>()));
        DWORD line = in.ConsumeIntegral<DWORD>();
        if (!sim::Devices().empty() && !sim::Devices()[0].destinations.empty() && in.ConsumeBool()) {
            sim::Destination& d = sim::Devices()[0].destinations[0];
            line = d.sources.empty() ? d.id : d.sources[0].id;
        }
        LocateControl(line, in.ConsumeIntegral<LONG>(), h, in.ConsumeIntegralInRange<LONG>(-1, 15));
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
    case 12: {
        // Without a mixer every value is a failure value: the file is kept.
        const LONG r = Save((dir + "/settings.ini").c_str());
        FUZZ_CHECK(r == 1 || (r == 0 && (faulted || sim::Devices().empty())));
        break;
    }
    case 13: {
        const LONG r = Set((dir + "/settings.ini").c_str());
        FUZZ_CHECK(r == 0 || r == 1);
        break;
    }
    case 14: {
        const LONG r = ReadDigitalConfiguration();
        FUZZ_CHECK(r == 0 || r == 1);
        if (r == 0) FUZZ_CHECK(g_state.DigitalLineName[0] == 0 && g_state.LineInLineName[0] == 0);
        break;
    }
    case 15: {
        const std::string path = in.ConsumeBool() ? dir + "/cards/" : in.ConsumeRandomLengthString(300);
        std::unique_ptr<char[]> p = Exact(path);
        const LONG r = SetSoundCardConfigFilePath(p.get());
        const size_t length = std::strlen(p.get());
        FUZZ_CHECK(r == (length <= 255 ? static_cast<LONG>(length + 1) : 0));
        break;
    }
    case 16: {
        std::unique_ptr<char[]> buffer(new char[255]);
        const LONG r = GetTavrinDirectory(buffer.get());
        FUZZ_CHECK(r == 0 || r == 1);
        FUZZ_CHECK(std::strlen(buffer.get()) <= 254);
        if (r == 0) FUZZ_CHECK(buffer[0] == '\0');
        break;
    }
    default: {
        const int which = in.ConsumeIntegralInRange(0, 3);
        const LONG r = which == 0 ? OpenCD() : which == 1 ? PlayCD(in.ConsumeIntegral<LONG>()) : which == 2 ? StopCD() : CloseCD();
        if (!faulted) FUZZ_CHECK(r == 0 || r == 3075 || r == MCIERR_HARDWARE);
        if (g_state.CDDeviceID != 0) FUZZ_CHECK(sim::FindMciDevice(g_state.CDDeviceID)->open);
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fuzz::Fresh();
    // The card and files go when the input ends, so that an input leaves no
    // heap behind and libFuzzer has no reason to run it again for leaks.
    struct Clear {
        ~Clear() { sim::Reset(); }
    } clearAtEnd;
    sim::SetHeapLimit(32u << 20);
    static const std::string dir = fuzz::WorkDir();
    static const bool made = std::filesystem::create_directories(dir + "/cards") || true;
    (void)made;
    const std::string product = BuildCard(in);

    // The files and registry value the exports may find.
    const std::string settings = SettingsText(in);
    fuzz::WriteFile(dir + "/settings.ini", reinterpret_cast<const uint8_t*>(settings.data()), settings.size());
    std::error_code ignored;
    for (const auto& e : std::filesystem::directory_iterator(dir + "/cards", ignored))
        std::filesystem::remove(e.path(), ignored);
    const std::string names = NameFileText(in);
    const std::string base = product.substr(0, in.ConsumeIntegralInRange<size_t>(0, product.size()));
    if (base.find('/') == std::string::npos && base.find('\0') == std::string::npos)
        fuzz::WriteFile(dir + "/cards/" + base + ".cfg", reinterpret_cast<const uint8_t*>(names.data()), names.size());
    if (in.ConsumeBool()) {
        const std::string value = in.ConsumeRandomLengthString(300);
        sim::RegSetValue(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", in.ConsumeIntegralInRange<DWORD>(0, 7), value);
    }
    // The MCI log counts the closes the platform refused: with closes made
    // to fail, the whole input runs with the log.
    bool logAll = fuzz::Logged();
    if (in.ConsumeIntegralInRange(0, 7) == 0) {
        sim::FailMciCommand(MCI_CLOSE, MCIERR_HARDWARE);
        logAll = true;
    }
    sim::SetCallLog(logAll);
    SetSoundCardConfigFilePath((dir + "/cards/").c_str());

    for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
        sim::ClearLog();
        bool armed = false;
        if (in.ConsumeIntegralInRange(0, 7) == 0) {
            // Most exports make a few dozen calls, saving and setting a file
            // some hundreds.
            sim::FailNthCall(in.ConsumeBool() ? in.ConsumeIntegralInRange(1, 60) : in.ConsumeIntegralInRange(1, 600),
                             Pick(in, kFaultCodes));
            armed = true;
        }
        // A step with a fault runs with the log, which tells whether the
        // fault fell on a release; the others run lean and release everything.
        if (armed && !logAll) sim::SetCallLog(true);
        CallOne(in, dir, armed);
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
