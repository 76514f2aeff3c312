#include "bare.h"

#include <cstring>

#include "engine/recording_endpoints.h"
#include "persistence/temp_name.h"
#include "settings_layout.h"

namespace bare {

Settings g_settings;

namespace {

const DWORD kMaxControls = 64;
const DWORD kMaxElements = 256;

// Every request names mixer device 0 by its identifier (MIXER_OBJECTF_MIXER);
// the handle the open gave is only closed.
HMIXEROBJ const kDevice0 = reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0));

DWORD ComponentType(Line line) {
    switch (line) {
    case LineLineIn: return MIXERLINE_COMPONENTTYPE_SRC_LINE;
    case LineMic: return MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    case LineCD: return MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    case LineWaveOut: return MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    case LineAux: return MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    case LineDigital: return MIXERLINE_COMPONENTTYPE_SRC_DIGITAL;
    case LineAnalog: return MIXERLINE_COMPONENTTYPE_SRC_ANALOG;
    case LineMain: return MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    }
    return 0;
}

const char* OverrideName(Line line) {
    switch (line) {
    case LineLineIn: return g_settings.lineIn[0] ? g_settings.lineIn : nullptr;
    case LineDigital: return g_settings.digital[0] ? g_settings.digital : nullptr;
    case LineCD:
        return g_settings.cdTypeDigital != 0 && g_settings.digitalCD[0] ? g_settings.digitalCD : nullptr;
    default: return nullptr;
    }
}

bool Recording(Op op) { return op == RecVolume || op == RecMute || op == RecBalance || op == RecBoost; }
bool Main(Op op) { return op == MainVolume || op == MainMute || op == MainBalance; }

DWORD ControlType(Op op) {
    switch (op) {
    case PlayMute: case RecMute: case MainMute: return MIXERCONTROL_CONTROLTYPE_MUTE;
    case PlayBoost: case RecBoost: return MIXERCONTROL_CONTROLTYPE_ONOFF;
    default: return MIXERCONTROL_CONTROLTYPE_VOLUME;
    }
}

bool Balance(Op op) { return op == PlayBalance || op == RecBalance || op == MainBalance; }
bool Boolean(Op op) { return ControlType(op) != MIXERCONTROL_CONTROLTYPE_VOLUME; }

void ClearLine(MIXERLINEA* line, DWORD destination) {
    std::memset(line, 0, sizeof *line);
    line->cbStruct = sizeof *line;
    line->dwDestination = destination;
}

// The line a search found: the device it is on (open, its handle to
// close), and on a recording endpoint's mixer its wave-in destination.
struct Found {
    HMIXER handle = nullptr;
    UINT device = 0;
    DWORD lineId = 0;
    bool endpoint = false;
    DWORD destinationId = 0;
};

HMIXEROBJ Object(UINT device) { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(device)); }

// Opens mixer device `device` and walks the destinations of type `wanted`:
// their sources (or the destination itself) matched by name (a null name
// matches none) or by type. 1 found (device left open), 0 not found, -1
// failed; closes on 0 and -1. `saw` tells whether a destination of the type
// was there, `destinationId` the last one's line.
int Walk(UINT device, const char* name, bool byName, DWORD type, DWORD wanted, bool itself, Found* found,
         bool* saw) {
    HMIXER h = nullptr;
    if (mixerOpen(&h, device, 0, 0, 0) != MMSYSERR_NOERROR) return -1;
    HMIXEROBJ obj = Object(device);
    MIXERCAPSA caps;
    caps.cDestinations = 0;
    if (mixerGetDevCapsA(device, &caps, sizeof caps) != MMSYSERR_NOERROR) {
        mixerClose(h);
        return -1;
    }
    MIXERLINEA line;
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        ClearLine(&line, d);
        if (mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_DESTINATION) != MMSYSERR_NOERROR) {
            mixerClose(h);
            return -1;
        }
        const LONG sources = static_cast<LONG>(line.cConnections);
        if (line.dwComponentType != wanted) continue;
        *saw = true;
        found->destinationId = line.dwLineID;
        if (sources <= 0) continue;
        for (LONG s = 0; s < sources; ++s) {
            ClearLine(&line, d);
            MMRESULT r;
            if (itself) {
                r = mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_DESTINATION);
            } else {
                line.dwSource = static_cast<DWORD>(s);
                r = mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_SOURCE);
            }
            if (r != MMSYSERR_NOERROR) {
                mixerClose(h);
                return -1;
            }
            if (byName ? name != nullptr && std::strcmp(line.szName, name) == 0 : line.dwComponentType == type) {
                found->handle = h;
                found->device = device;
                found->lineId = line.dwLineID;
                return 1;
            }
            if (itself) break;
        }
    }
    mixerClose(h);
    return 0;
}

// Finds the line on device 0 or, for a recording line where device 0 has
// no wave-in destination, on the recording endpoints' mixers, the preferred
// one first.
int FindLineBy(const char* name, bool byName, DWORD type, Op op, Found* found) {
    if (mixerGetNumDevs() == 0) return -1;
    const DWORD wanted = Recording(op) ? MIXERLINE_COMPONENTTYPE_DST_WAVEIN : MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    bool saw = false;
    const int r = Walk(0, name, byName, type, wanted, Main(op), found, &saw);
    if (r != 0 || saw || !Recording(op)) return r;
    const UINT count = waveInGetNumDevs();
    const UINT preferred = PreferredWaveIn(count);
    for (UINT position = 0; position < count; ++position) {
        UINT mixer = 0;
        const MMRESULT m = WaveInMixer(WaveInAt(position, preferred), &mixer);
        if (m == MMSYSERR_NODRIVER || (m == MMSYSERR_NOERROR && mixer == 0)) continue;
        if (m != MMSYSERR_NOERROR) return -1;
        const int e = Walk(mixer, name, byName, type, wanted, false, found, &saw);
        if (e != 0) {
            found->endpoint = true;
            return e;
        }
    }
    return 0;
}

int FindLine(Line target, Op op, Found* found) {
    const char* name = OverrideName(target);
    return FindLineBy(name, name != nullptr, ComponentType(target), op, found);
}

// The line by its identifier and all of its controls; the index of the first
// control of the type, -1 when none, -2 when the line or list fails.
int Controls(HMIXEROBJ obj, DWORD lineId, DWORD type, MIXERLINEA* line, MIXERCONTROLA* controls) {
    std::memset(line, 0, sizeof *line);
    line->cbStruct = sizeof *line;
    line->dwLineID = lineId;
    if (mixerGetLineInfoA(obj, line, MIXER_GETLINEINFOF_LINEID) != MMSYSERR_NOERROR) return -2;
    if (line->cControls == 0 || line->cControls > kMaxControls) return -2;
    MIXERLINECONTROLSA request;
    request.cbStruct = sizeof request;
    request.dwLineID = lineId;
    request.dwControlID = 0;
    request.cControls = line->cControls;
    request.cbmxctrl = sizeof(MIXERCONTROLA);
    request.pamxctrl = controls;
    if (mixerGetLineControlsA(obj, &request, MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR) return -1;
    for (DWORD i = 0; i < line->cControls; ++i)
        if (controls[i].dwControlType == type) return static_cast<int>(i);
    return -1;
}

void Details(MIXERCONTROLDETAILS* d, DWORD id, DWORD channels, DWORD items, DWORD cb, void* buffer) {
    std::memset(d, 0, sizeof *d);
    d->cbStruct = sizeof *d;
    d->dwControlID = id;
    d->cChannels = channels;
    d->cMultipleItems = items;
    d->cbDetails = cb;
    d->paDetails = buffer;
}

LONG Truncate(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) return static_cast<LONG>(0x80000000u);
    return static_cast<LONG>(x);
}

void Level(LONG* first, LONG* last, LONG level) {
    const LONG f = *first, l = *last;
    if (f > l) {
        const double ratio = f == 0 ? 1.0 : static_cast<double>(l) / static_cast<double>(f);
        *first = level;
        *last = Truncate(static_cast<double>(level) * ratio);
    } else {
        const double ratio = l == 0 ? 1.0 : static_cast<double>(f) / static_cast<double>(l);
        *last = level;
        *first = Truncate(static_cast<double>(level) * ratio);
    }
}

void BalanceRule(LONG* first, LONG* last, LONG position) {
    const LONG f = *first, l = *last;
    const LONG max = f > l ? f : l;
    const double seventh = 0.14285714285714285;
    if (position <= 7) {
        *first = max;
        *last = Truncate(static_cast<double>(static_cast<long long>(position) * max) * seventh);
    } else {
        *first = Truncate(static_cast<double>((15 - static_cast<long long>(position)) * max) * seventh);
        *last = max;
    }
}

// ---- Recording selector ------------------------------------------------------

struct SourceNames {
    char lineIn[64], mic[64], cd[64], aux[64], analog[64], digital[64];
};
SourceNames g_sources;

char* Slot(DWORD type) {
    switch (type) {
    case MIXERLINE_COMPONENTTYPE_SRC_LINE: return g_sources.lineIn;
    case MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE: return g_sources.mic;
    case MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC: return g_sources.cd;
    case MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY: return g_sources.aux;
    case MIXERLINE_COMPONENTTYPE_SRC_ANALOG: return g_sources.analog;
    case MIXERLINE_COMPONENTTYPE_SRC_DIGITAL: return g_sources.digital;
    default: return nullptr;
    }
}

void Scan() {
    if (mixerGetNumDevs() == 0) return;
    HMIXER h = nullptr;
    if (mixerOpen(&h, 0, 0, 0, 0) != MMSYSERR_NOERROR) return;
    HMIXEROBJ obj = kDevice0;
    MIXERCAPSA caps;
    caps.cDestinations = 0;
    mixerGetDevCapsA(0, &caps, sizeof caps);
    MIXERLINEA line;
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        ClearLine(&line, d);
        if (mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_DESTINATION) != MMSYSERR_NOERROR) break;
        const LONG sources = static_cast<LONG>(line.cConnections);
        if (line.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN || sources <= 0) continue;
        bool failed = false;
        for (LONG s = 0; s < sources && !failed; ++s) {
            ClearLine(&line, d);
            line.dwSource = static_cast<DWORD>(s);
            if (mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR) {
                failed = true;
            } else if (char* slot = Slot(line.dwComponentType)) {
                std::memcpy(slot, line.szName, sizeof line.szName);
                slot[sizeof line.szName - 1] = '\0';
            }
        }
        if (failed) break;
    }
    mixerClose(h);
}

const char* MatchName(Line line) {
    if (const char* name = OverrideName(line)) return name;
    switch (line) {
    case LineLineIn: return g_sources.lineIn;
    case LineMic: return g_sources.mic;
    case LineCD: return g_sources.cd;
    case LineAux: return g_sources.aux;
    case LineAnalog: return g_sources.analog;
    case LineDigital: return g_sources.digital;
    default: return nullptr;
    }
}

struct Selector {
    HMIXER mixer;
    MIXERCONTROLDETAILS request;
    DWORD channels, items;
    bool single;
    MIXERCONTROLDETAILS_LISTTEXTA texts[kMaxElements];
    MIXERCONTROLDETAILS_BOOLEAN values[kMaxElements];
};

// Opens device 0 and reads the wave-in line's first list control: 1 read,
// 0 no selector, -1 failed. The device is left open in every case but a
// failed open (mixer null).
int ReadSelector(Selector* s) {
    s->mixer = nullptr;
    if (mixerOpen(&s->mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) {
        s->mixer = nullptr;
        return -1;
    }
    HMIXEROBJ obj = kDevice0;
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR) return -1;
    if (line.cControls > kMaxControls) return -1;
    MIXERCONTROLA controls[kMaxControls];
    MIXERLINECONTROLSA request;
    std::memset(&request, 0, sizeof request);
    request.cbStruct = sizeof request;
    request.dwLineID = line.dwLineID;
    request.cControls = line.cControls;
    request.cbmxctrl = sizeof(MIXERCONTROLA);
    request.pamxctrl = controls;
    if (mixerGetLineControlsA(obj, &request, MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR) return -1;
    const MIXERCONTROLA* found = nullptr;
    for (DWORD i = 0; i < line.cControls && !found; ++i)
        if ((controls[i].dwControlType & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST)
            found = &controls[i];
    if (!found) return 0;
    const DWORD type = found->dwControlType;
    s->single = type >= MIXERCONTROL_CONTROLTYPE_SINGLESELECT && type <= MIXERCONTROL_CONTROLTYPE_MUX;
    s->channels = (found->fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.cChannels;
    s->items = (found->fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? found->cMultipleItems : 1;
    if (s->channels * s->items > kMaxElements) return -1;
    Details(&s->request, found->dwControlID, s->channels, s->items, sizeof(MIXERCONTROLDETAILS_LISTTEXTA),
            s->texts);
    if (mixerGetControlDetailsA(obj, &s->request, MIXER_GETCONTROLDETAILSF_LISTTEXT) != MMSYSERR_NOERROR)
        return -1;
    for (DWORD i = 0; i < s->channels * s->items; ++i) s->texts[i].szName[MIXER_LONG_NAME_CHARS - 1] = '\0';
    s->request.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
    s->request.paDetails = s->values;
    if (mixerGetControlDetailsA(obj, &s->request, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return -1;
    return 1;
}

void CloseSelector(Selector* s) {
    if (s->mixer) mixerClose(s->mixer);
}

}  // namespace

void ResetState() {
    std::memset(&g_settings, 0, sizeof g_settings);
    std::memset(&g_sources, 0, sizeof g_sources);
}

// ---- Per-line exports --------------------------------------------------------

LONG Get(Line target, Op op) {
    Found found;
    const int hit = FindLine(target, op, &found);
    if (hit <= 0) return hit;
    HMIXEROBJ obj = Object(found.device);
    MIXERLINEA line;
    MIXERCONTROLA controls[kMaxControls];
    LONG result = -1;
    int index = Controls(obj, found.lineId, ControlType(op), &line, controls);
    if (index >= 0 && found.endpoint && !(controls[index].fdwControl & MIXERCONTROL_CONTROLF_DISABLED)) {
        MMRESULT unread = MMSYSERR_NOERROR;
        const Keeping keeps = ControlKeeping(obj, MIXER_OBJECTF_MIXER, controls[index], &unread);
        if (keeps == ControlUnread) index = -2;
        if (keeps == ControlKeepsNothing) index = Controls(obj, found.destinationId, ControlType(op), &line, controls);
    }
    if (index == -1) {
        result = 0;
    } else if (index >= 0 && !(controls[index].fdwControl & MIXERCONTROL_CONTROLF_DISABLED)) {
        const MIXERCONTROLA& c = controls[index];
        LONG values[kMaxElements] = {0};
        MIXERCONTROLDETAILS d;
        Details(&d, c.dwControlID, 1, c.cMultipleItems, sizeof(LONG), values);
        if (mixerGetControlDetailsA(obj, &d, MIXER_GETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR) result = values[0];
    }
    mixerClose(found.handle);
    return result;
}

void Set(Line target, Op op, LONG value) {
    Found found;
    if (FindLine(target, op, &found) <= 0) return;
    HMIXEROBJ obj = Object(found.device);
    MIXERLINEA line;
    MIXERCONTROLA controls[kMaxControls];
    int index = Controls(obj, found.lineId, ControlType(op), &line, controls);
    const bool outOfScale = Balance(op) && (value < 0 || value > 15);
    if (index >= 0 && found.endpoint && !outOfScale && !(controls[index].fdwControl & MIXERCONTROL_CONTROLF_DISABLED)) {
        MMRESULT unread = MMSYSERR_NOERROR;
        const Keeping keeps = ControlKeeping(obj, MIXER_OBJECTF_MIXER, controls[index], &unread);
        if (keeps == ControlUnread) index = -2;
        if (keeps == ControlKeepsNothing) index = Controls(obj, found.destinationId, ControlType(op), &line, controls);
    }
    if (index >= 0 && !outOfScale && !(controls[index].fdwControl & MIXERCONTROL_CONTROLF_DISABLED)) {
        const MIXERCONTROLA& c = controls[index];
        LONG values[kMaxElements] = {0};
        MIXERCONTROLDETAILS d;
        if (Boolean(op)) {
            Details(&d, c.dwControlID, 1, c.cMultipleItems, sizeof(LONG), values);
            if (mixerGetControlDetailsA(obj, &d, MIXER_GETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR) {
                values[0] = value != 0 ? 1 : 0;
                if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_SINGLESELECT && values[0] == 1)
                    for (DWORD i = 1; i < c.cMultipleItems; ++i) values[i] = 0;
                mixerSetControlDetails(obj, &d, MIXER_SETCONTROLDETAILSF_VALUE);
            }
        } else {
            const DWORD channels = line.cChannels ? line.cChannels : 1;
            const DWORD items = c.cMultipleItems ? c.cMultipleItems : 1;
            Details(&d, c.dwControlID, channels, c.cMultipleItems, sizeof(LONG), values);
            for (DWORD k = 0; k < items && channels * items <= kMaxElements; k += channels) {
                if (mixerGetControlDetailsA(obj, &d, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) break;
                if (Balance(op))
                    BalanceRule(&values[k], &values[k + channels - 1], value);
                else
                    Level(&values[k], &values[k + channels - 1], value);
                if (mixerSetControlDetails(obj, &d, MIXER_SETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) break;
            }
        }
    }
    mixerClose(found.handle);
}

LONG GetSelect(Line target) {
    Scan();
    const char* match = MatchName(target);
    Selector s;
    LONG result = -1;
    if (ReadSelector(&s) == 1 && match != nullptr) {
        for (DWORD i = 0; i < s.items; ++i)
            if (std::strcmp(s.texts[i].szName, match) == 0) {
                result = s.values[(s.channels - 1) * s.items + i].fValue;
                break;
            }
    }
    CloseSelector(&s);
    return result;
}

void Select(Line target) {
    Scan();
    const char* match = MatchName(target);
    Selector s;
    if (ReadSelector(&s) == 1) {
        for (DWORD i = 0; i < s.items; ++i) {
            const bool hit = match != nullptr && std::strcmp(s.texts[i].szName, match) == 0;
            if (hit || s.single)
                for (DWORD ch = 0; ch < s.channels; ++ch) s.values[ch * s.items + i].fValue = hit ? 1 : 0;
        }
        mixerSetControlDetails(kDevice0, &s.request, MIXER_SETCONTROLDETAILSF_VALUE);
    }
    CloseSelector(&s);
}

LONG Peak(DWORD componentType) {
    HMIXER h = nullptr;
    if (mixerOpen(&h, 0, 0, 0, 0) != MMSYSERR_NOERROR) return 0;
    HMIXEROBJ obj = kDevice0;
    LONG result = 0;
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = componentType;
    MIXERCONTROLA control;
    std::memset(&control, 0, sizeof control);
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA request;
    std::memset(&request, 0, sizeof request);
    request.cbStruct = sizeof request;
    request.dwControlType = MIXERCONTROL_CONTROLTYPE_PEAKMETER;
    request.cControls = 1;
    request.cbmxctrl = sizeof control;
    request.pamxctrl = &control;
    MIXERCONTROLDETAILS_SIGNED reading;
    reading.lValue = 0;
    MIXERCONTROLDETAILS d;
    if (mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) == MMSYSERR_NOERROR) {
        request.dwLineID = line.dwLineID;
        if (mixerGetLineControlsA(obj, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR) {
            Details(&d, control.dwControlID, 1, 0, sizeof reading, &reading);
            if (mixerGetControlDetailsA(obj, &d, MIXER_GETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR)
                result = reading.lValue < 0 ? -reading.lValue : reading.lValue;
        }
    }
    mixerClose(h);
    return result;
}

LONG RecordChannels(char* buffer, DWORD limit) {
    (void)limit;
    buffer[0] = '\0';
    Scan();
    Selector s;
    const int read = ReadSelector(&s);
    LONG result = read < 0 ? -1 : 0;
    if (read == 1) {
        MIXERCAPSA caps;
        mixerGetDevCapsA(0, &caps, sizeof caps);
    }
    CloseSelector(&s);
    return result;
}

// ---- Files -------------------------------------------------------------------

LONG ReadNameFile(const char* directory) {
    HMIXER h = nullptr;
    if (mixerOpen(&h, 0, 0, 0, 0) != MMSYSERR_NOERROR) return 0;
    LONG result = 0;
    MIXERCAPSA caps;
    char pattern[MAX_PATH], full[MAX_PATH];
    WIN32_FIND_DATAA entry;
    if (mixerGetDevCapsA(0, &caps, sizeof caps) == MMSYSERR_NOERROR) {
        caps.szPname[MAXPNAMELEN - 1] = '\0';
        std::strcpy(pattern, directory);
        std::strcat(pattern, "*.cfg");
        HANDLE search = FindFirstFileA(pattern, &entry);
        bool chosen = false;
        if (search != INVALID_HANDLE_VALUE) {
            do {
                char base[MAX_PATH];
                std::strcpy(base, entry.cFileName);
                char* dot = std::strrchr(base, '.');
                if (dot) {
                    *dot = '\0';
                    chosen = std::strstr(caps.szPname, base) != nullptr;
                }
            } while (!chosen && FindNextFileA(search, &entry));
            FindClose(search);
        }
        if (chosen) {
            std::strcpy(full, directory);
            std::strcat(full, entry.cFileName);
            HANDLE file = CreateFileA(full, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                char text[4097];
                DWORD count = 0;
                result = ReadFile(file, text, 4096, &count, nullptr) ? (count > 0) : 1;
                CloseHandle(file);
            }
        }
    }
    mixerClose(h);
    return result;
}

namespace {

struct SaveEntry {
    enum Kind { Value, SelectValue, MicBoost } kind;
    Line line;
    Op op;
};

// The getters Save runs, in the order of the settings layout's lines.
#define SAVE_ENTRY(kind, text, getter, line, op) SAVE_ENTRY_##kind(line, op)
#define SAVE_ENTRY_Text(line, op)
#define SAVE_ENTRY_Level(line, op) {SaveEntry::Value, Line##line, op},
#define SAVE_ENTRY_Select(line, op) {SaveEntry::SelectValue, Line##line, RecVolume},
#define SAVE_ENTRY_MicBoost(line, op) {SaveEntry::MicBoost, Line##line, op},
#define SAVE_ENTRY_CDType(line, op)
const SaveEntry kSaveEntries[] = {MIXER_SETTINGS_LAYOUT(SAVE_ENTRY)};
#undef SAVE_ENTRY

}  // namespace

LONG SaveBytes(const char* path, const char* bytes, DWORD count) {
    bool failed = false;
    for (const SaveEntry& e : kSaveEntries) {
        LONG value = 0;
        switch (e.kind) {
        case SaveEntry::Value:
            value = Get(e.line, e.op);
            break;
        case SaveEntry::SelectValue:
            value = GetSelect(e.line);
            break;
        case SaveEntry::MicBoost:
            value = Get(LineMic, PlayBoost);
            if (value == 0) value = Get(LineMic, PlayBoost);
            break;
        }
        failed = failed || value == -1;
    }
    // A failure value: device 0 walked for a line none has.
    if (failed) {
        Found found;
        if (FindLineBy(nullptr, true, 0, MainVolume, &found) < 0) return 0;
    }
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return 0;
    char temps[TEMP_NAME_TRIES][MAX_PATH];
    for (int i = 0; i < TEMP_NAME_TRIES; ++i)
        if (!TempFileName(path, i, temps[i])) return 0;
    for (int i = 0; i < TEMP_NAME_TRIES; ++i) DeleteFileA(temps[i]);
    HANDLE file = INVALID_HANDLE_VALUE;
    int used = 0;
    for (; used < TEMP_NAME_TRIES && file == INVALID_HANDLE_VALUE; ++used)
        file = CreateFileA(temps[used], GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const char* temp = temps[used - 1];
    DWORD written = 0;
    bool ok = WriteFile(file, bytes, count, &written, nullptr) && written == count && FlushFileBuffers(file);
    CloseHandle(file);
    if (ok) ok = MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!ok) DeleteFileA(temp);
    return ok ? 1 : 0;
}

// ---- Set ---------------------------------------------------------------------

namespace {

// The sections and keys Set reads (the shared settings layout).
using settings_layout::kKeys;
using settings_layout::kSections;
const Line kKeyLines[] = {LineLineIn, LineMic, LineCD, LineAux, LineAnalog, LineDigital, LineMain, LineWaveOut,
                          LineMic};

int Find(const char* token, DWORD length, const char* const* words, int count) {
    for (int i = 0; i < count; ++i)
        if (std::strlen(words[i]) == length && std::memcmp(words[i], token, length) == 0) return i;
    return -1;
}

// The step a section and key take a value with; false when they take none.
bool StepFor(int section, int key, LONG number, SetStep* step) {
    const Line line = kKeyLines[key];
    step->line = line;
    step->value = number;
    step->kind = SetStep::Value;
    const bool main = line == LineMain;
    switch (section) {
    case 0:  // [RECORD VOLUME]
        step->op = RecVolume;
        return !main && key != 8;
    case 1:  // [PLAY VOLUME]
        step->op = main ? MainVolume : PlayVolume;
        return line != LineAnalog && key != 8;
    case 2:  // [PLAY MUTE]
        step->op = main ? MainMute : PlayMute;
        return line != LineAnalog && line != LineDigital && key != 8;
    case 3:  // [REC MUTE]
        step->op = RecMute;
        return line != LineAnalog && line != LineDigital && !main && key != 8;
    case 4:  // [REC SELECT]
        step->kind = SetStep::SelectSource;
        return key <= 5 && number != 0;
    case 5:  // [ADVANCED]
        step->op = PlayBoost;
        return key == 8;
    case 6:  // [CD]
        step->kind = SetStep::CDType;
        return key == 5;
    }
    return false;
}

}  // namespace

void MakeSetPlan(const char* text, DWORD length, SetPlan* plan) {
    plan->count = 0;
    int section = 2, key = -1;
    DWORD i = 0;
    while (i < length) {
        while (i < length && (text[i] == '=' || text[i] == '\n')) ++i;
        if (i >= length) break;
        const DWORD start = i;
        while (i < length && text[i] != '=' && text[i] != '\n') ++i;
        const char* token = text + start;
        const DWORD n = i - start;
        const int header = Find(token, n, kSections, 7);
        if (header >= 0) {
            section = header;
            continue;
        }
        const int word = Find(token, n, kKeys, 9);
        if (word >= 0) {
            key = word;
            continue;
        }
        if (key < 0) continue;
        DWORD number = 0;
        for (DWORD k = 0; k < n && token[k] >= '0' && token[k] <= '9'; ++k)
            number = number * 10u + static_cast<DWORD>(token[k] - '0');
        SetStep step;
        if (StepFor(section, key, static_cast<LONG>(number), &step) && plan->count < 128)
            plan->steps[plan->count++] = step;
    }
}

LONG ApplyFile(const char* path, const SetPlan& plan) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    char text[4097];
    DWORD count = 0;
    ReadFile(file, text, 4096, &count, nullptr);
    CloseHandle(file);
    g_settings.cdTypeDigital = 0;
    for (int i = 0; i < plan.count; ++i) {
        const SetStep& s = plan.steps[i];
        switch (s.kind) {
        case SetStep::Value:
            Set(s.line, s.op, s.value);
            break;
        case SetStep::SelectSource:
            Select(s.line);
            break;
        case SetStep::CDType:
            g_settings.cdTypeDigital = s.value;
            break;
        }
    }
    return 1;
}

}  // namespace bare
