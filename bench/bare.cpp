#include "bare.h"

#include <cstring>

#include "engine/level_rule.h"
#include "engine/line_search.h"
#include "engine/recording_endpoints.h"
#include "persistence/settings_grammar.h"
#include "persistence/temp_name.h"

namespace bare {

Settings g_settings;

namespace {

const DWORD kMaxControls = 64;
const DWORD kMaxElements = 256;

// Every request names mixer device 0 by its identifier (MIXER_OBJECTF_MIXER);
// the handle the open gave is only closed.
HMIXEROBJ const kDevice0 = reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0));

// The name the library addresses a line by (the table's override rule), or
// null for its component type.
const char* OverrideName(LineId line) {
    switch (LineOf(line).override) {
    case OverrideLineIn: return g_settings.lineIn[0] ? g_settings.lineIn : nullptr;
    case OverrideDigital: return g_settings.digital[0] ? g_settings.digital : nullptr;
    case OverrideDigitalCD:
        return g_settings.cdTypeDigital != 0 && g_settings.digitalCD[0] ? g_settings.digitalCD : nullptr;
    case OverrideNone: break;
    }
    return nullptr;
}

// The line search is the library's own (engine/line_search.h): it opens
// `device`, which stays open on the mixer the line is on.
SearchOutcome FindLine(LineId target, LONG op, MixerDevice& device, FoundLine* found) {
    const char* name = OverrideName(target);
    return FindMixerLine(LineOf(target).componentType, op, name != nullptr ? name : "", name != nullptr, device,
                         found);
}

// The line by its identifier and all of its controls; the index of the first
// control of the type, -1 when none, -2 when the line or list fails.
int Controls(HMIXEROBJ obj, DWORD lineId, DWORD type, MIXERLINEA* line, MIXERCONTROLA* controls) {
    PrepareLine(line);
    line->dwLineID = lineId;
    if (mixerGetLineInfoA(obj, line, MIXER_GETLINEINFOF_LINEID) != MMSYSERR_NOERROR) return -2;
    if (line->cControls == 0 || line->cControls > kMaxControls) return -2;
    MIXERLINECONTROLSA request;
    PrepareControls(&request, lineId, 0, line->cControls, controls);
    if (mixerGetLineControlsA(obj, &request, MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR) return -1;
    for (DWORD i = 0; i < line->cControls; ++i)
        if (controls[i].dwControlType == type) return static_cast<int>(i);
    return -1;
}

// ---- Recording selector ------------------------------------------------------

// The recording source names by line: the lines a selection names.
char g_sources[LineCount][MIXER_LONG_NAME_CHARS];

bool CacheName(MIXERLINEA* line, void*) {
    for (const LineInfo& info : kLineInfo)
        if (info.recSource != 0 && info.componentType == line->dwComponentType) {
            std::memcpy(g_sources[info.line], line->szName, sizeof line->szName);
            g_sources[info.line][MIXER_LONG_NAME_CHARS - 1] = '\0';
            break;
        }
    return false;
}

// The library's walk of device 0's recording sources (engine/line_search.h).
void Scan() {
    MixerDevice device;
    WalkLines(device, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, false, CacheName, nullptr);
}

const char* MatchName(LineId line) {
    if (const char* name = OverrideName(line)) return name;
    return LineOf(line).recSource != 0 ? g_sources[line] : nullptr;
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
    PrepareLine(&line);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR) return -1;
    if (line.cControls > kMaxControls) return -1;
    MIXERCONTROLA controls[kMaxControls];
    MIXERLINECONTROLSA request;
    PrepareControls(&request, line.dwLineID, 0, line.cControls, controls);
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
    PrepareDetails(&s->request, found->dwControlID, s->channels, s->items, sizeof(MIXERCONTROLDETAILS_LISTTEXTA),
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

LONG Get(LineId target, LONG op) {
    MixerDevice device;
    FoundLine found;
    switch (FindLine(target, op, device, &found)) {
    case SearchFailed: return -1;
    case SearchNotFound: return 0;
    case SearchFound: break;
    }
    HMIXEROBJ obj = device.obj();
    MIXERLINEA line;
    MIXERCONTROLA controls[kMaxControls];
    LONG result = -1;
    const DWORD type = OpControlType(op);
    int index = Controls(obj, found.lineId, type, &line, controls);
    if (index >= 0 && found.onEndpoint && !(controls[index].fdwControl & MIXERCONTROL_CONTROLF_DISABLED)) {
        MMRESULT unread = MMSYSERR_NOERROR;
        const Keeping keeps = ControlKeeping(obj, MIXER_OBJECTF_MIXER, controls[index], &unread);
        if (keeps == ControlUnread) index = -2;
        if (keeps == ControlKeepsNothing) index = Controls(obj, found.destinationId, type, &line, controls);
    }
    if (index == -1) {
        result = 0;
    } else if (index >= 0 && !(controls[index].fdwControl & MIXERCONTROL_CONTROLF_DISABLED)) {
        const MIXERCONTROLA& c = controls[index];
        LONG values[kMaxElements] = {0};
        MIXERCONTROLDETAILS d;
        PrepareDetails(&d, c.dwControlID, 1, c.cMultipleItems, sizeof(LONG), values);
        if (mixerGetControlDetailsA(obj, &d, MIXER_GETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR) result = values[0];
    }
    return result;
}

void Set(LineId target, LONG op, LONG value) {
    MixerDevice device;
    FoundLine found;
    if (FindLine(target, op, device, &found) != SearchFound) return;
    HMIXEROBJ obj = device.obj();
    MIXERLINEA line;
    MIXERCONTROLA controls[kMaxControls];
    const DWORD type = OpControlType(op);
    const Treatment treatment = OpTreatment(op);
    int index = Controls(obj, found.lineId, type, &line, controls);
    const bool outOfScale = treatment == TreatBalance && !BalanceInScale(value);
    if (index >= 0 && found.onEndpoint && !outOfScale &&
        !(controls[index].fdwControl & MIXERCONTROL_CONTROLF_DISABLED)) {
        MMRESULT unread = MMSYSERR_NOERROR;
        const Keeping keeps = ControlKeeping(obj, MIXER_OBJECTF_MIXER, controls[index], &unread);
        if (keeps == ControlUnread) index = -2;
        if (keeps == ControlKeepsNothing) index = Controls(obj, found.destinationId, type, &line, controls);
    }
    if (index < 0 || outOfScale || (controls[index].fdwControl & MIXERCONTROL_CONTROLF_DISABLED)) return;
    const MIXERCONTROLA& c = controls[index];
    LONG values[kMaxElements] = {0};
    MIXERCONTROLDETAILS d;
    if (treatment == TreatBoolean) {
        PrepareDetails(&d, c.dwControlID, 1, c.cMultipleItems, sizeof(LONG), values);
        if (mixerGetControlDetailsA(obj, &d, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return;
        values[0] = value != 0 ? 1 : 0;
        if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_SINGLESELECT && values[0] == 1)
            for (DWORD i = 1; i < c.cMultipleItems; ++i) values[i] = 0;
        mixerSetControlDetails(obj, &d, MIXER_SETCONTROLDETAILSF_VALUE);
        return;
    }
    const DWORD channels = line.cChannels ? line.cChannels : 1;
    const DWORD items = c.cMultipleItems ? c.cMultipleItems : 1;
    PrepareDetails(&d, c.dwControlID, channels, c.cMultipleItems, sizeof(LONG), values);
    for (DWORD k = 0; k < items && channels * items <= kMaxElements; k += channels) {
        if (mixerGetControlDetailsA(obj, &d, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) break;
        if (treatment == TreatBalance)
            ApplyBalanceRule(&values[k], &values[k + channels - 1], value);
        else
            ApplyLevelRule(&values[k], &values[k + channels - 1], value);
        if (mixerSetControlDetails(obj, &d, MIXER_SETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) break;
    }
}

LONG GetSelect(LineId target) {
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

void Select(LineId target) {
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
    PrepareLine(&line);
    line.dwComponentType = componentType;
    MIXERCONTROLA control;
    std::memset(&control, 0, sizeof control);
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA request;
    MIXERCONTROLDETAILS_SIGNED reading;
    reading.lValue = 0;
    MIXERCONTROLDETAILS d;
    if (mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) == MMSYSERR_NOERROR) {
        PrepareControls(&request, line.dwLineID, MIXERCONTROL_CONTROLTYPE_PEAKMETER, 1, &control);
        if (mixerGetLineControlsA(obj, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR) {
            PrepareDetails(&d, control.dwControlID, 1, 0, sizeof reading, &reading);
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

// The getters Save runs, in the order of its lines (the per-line table).
LONG SaveBytes(const char* path, const char* bytes, DWORD count) {
    bool failed = false;
    for (const LineRow& row : kLineRows) {
        LONG value = 0;
        switch (row.save) {
        case SaveNo:
        case SaveFlag:  // the flag is no mixer request
            continue;
        case SaveValue:
            value = row.kind == RowSelect ? GetSelect(row.line) : Get(row.line, row.op);
            break;
        case SaveSwitch:
            value = Get(row.line, row.op);
            if (value == 0) value = Get(row.line, row.op);
            break;
        }
        failed = failed || value == -1;
    }
    // A failure value: device 0 walked for a line none has.
    if (failed) {
        MixerDevice device;
        FoundLine found;
        if (FindMixerLine(0, OpMainVolume, nullptr, 1, device, &found) == SearchFailed) return 0;
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

// The steps of the entries the library applies (the settings grammar of
// persistence/settings_grammar.h over the per-line table).
void MakeSetPlan(const std::string& bytes, SetPlan* plan) {
    plan->count = 0;
    std::string text = bytes.substr(0, TEXT_READ_LIMIT);
    text.resize(DecodeText(&text[0], static_cast<DWORD>(text.size())));
    ReadSettingsEntries(text.data(), static_cast<DWORD>(text.size()), [plan](int section, int key, const Token& value) {
        const int index = key == KeyNone || IsFailureMark(value) ? -1 : SettingsRowIndex(section, key);
        if (index < 0 || plan->count >= 128) return;
        const LineRow& row = kLineRows[index];
        SetStep step;
        step.kind = row.kind == RowSelect ? SetStep::SelectSource : row.kind == RowFlag ? SetStep::CDType : SetStep::Value;
        step.line = row.line;
        step.op = row.op;
        step.value = TokenNumber(value);
        if (step.kind != SetStep::SelectSource || step.value != 0) plan->steps[plan->count++] = step;
    });
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
