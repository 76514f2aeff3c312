// Simulated winmm mixer.
//
// Devices hold destinations, destinations hold sources, lines hold controls.
// The requests follow winmm's documented contract:
//  - A mixer object with no object-type bits (MIXER_OBJECTF_MIXER) is a
//    device identifier, or an open mixer handle, which Windows accepts there
//    too; MIXER_OBJECTF_HMIXER demands an open handle. With Wine's handle
//    numbering (SetWineMixerHandles) a value below the device count is a
//    device identifier and any other value, with either flag, names the
//    device its bits name.
//  - mixerOpen refuses the notifications a mixer cannot deliver as Windows
//    does (Wine's conformance tests, dlls/winmm/tests/mixer.c, expect it):
//    CALLBACK_FUNCTION fails with MMSYSERR_INVALFLAG, CALLBACK_WINDOW with a
//    window that does not exist (the simulation has no windows: any non-null
//    one) with MMSYSERR_INVALPARAM; a null window, threads and events are
//    accepted (Wine 8 refuses threads and events: SetWineMixer).
//  - Record sizes below the published size fail with MMSYSERR_INVALPARAM.
//  - Control details: cChannels is 1 (all channels as one) or the line's channel
//    count; cMultipleItems is the control's item count for a MULTIPLE control
//    and 0 otherwise; cbDetails at least the detail record's size, used as the
//    stride; multiple-item values are channel-major (every item of the first
//    channel, then every item of the next).
//  - Reading a non-uniform control as one channel gives, per item, the largest
//    of its channel values; writing one channel sets every channel.
#include "sim.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace sim {
namespace {

struct MixerState {
    std::deque<Device> devices;
    // Open handle -> device index. Wine's handle values repeat (0xC000 | 0 and
    // 0xC000 | 16384 are one value), so one value may be open more than once.
    std::multimap<uintptr_t, size_t> handles;
    uintptr_t nextHandle = 0x10000;
    DWORD nextControlId = 1;
    int reportedCount = -1;
    bool wineHandles = false;
    std::map<size_t, DWORD> wineOpens;  // device index -> mixerOpen calls so far
    DWORD preferredWaveIn = 0;
    bool wineIds = false;
    bool deviceListBuilt = false;  // Wine: a device count was asked for
    bool wineMixer = false;
};

MixerState& M() {
    static MixerState m;
    return m;
}

DWORD ItemCount(const Control& c) {
    return (c.flags & MIXERCONTROL_CONTROLF_MULTIPLE) ? c.items : 1;
}

void CopyName(char* dst, size_t cap, const std::string& src) {
    size_t n = std::min(src.size(), cap - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

}  // namespace

void ResetMixer() {
    MixerState& m = M();
    m.devices.clear();
    m.handles.clear();
    m.nextHandle = 0x10000;
    m.nextControlId = 1;
    m.reportedCount = -1;
    m.wineHandles = false;
    m.wineOpens.clear();
    m.preferredWaveIn = 0;
    m.wineIds = false;
    m.deviceListBuilt = false;
    m.wineMixer = false;
}

// ---- Model ---------------------------------------------------------------------

static DWORD StorageChannels(const Control& c, const Line& owner) {
    return (c.flags & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : owner.ChannelCount();
}

LONG Control::Value(DWORD channel, DWORD item) const {
    DWORD perChannel = ItemCount(*this);
    size_t i = static_cast<size_t>(channel) * perChannel + item;
    return i < values.size() ? values[i] : 0;
}

void Control::SetValue(LONG v, DWORD channel, DWORD item) {
    DWORD perChannel = ItemCount(*this);
    size_t i = static_cast<size_t>(channel) * perChannel + item;
    if (i < values.size()) values[i] = v;
}

void Control::SetAll(LONG v) { std::fill(values.begin(), values.end(), v); }

Control& Line::AddControl(DWORD type, LONG initial, DWORD flags, DWORD items, const std::string& nm) {
    controls.emplace_back();
    Control& c = controls.back();
    c.id = M().nextControlId++;
    c.type = type;
    c.flags = flags;
    c.items = items;
    c.name = nm.empty() ? std::string("Control ") + std::to_string(c.id) : nm;
    c.shortName = c.name.substr(0, MIXER_SHORT_NAME_CHARS - 1);
    if ((type & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_SWITCH ||
        (type & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST) {
        c.minimum = 0;
        c.maximum = 1;
    } else if (type == MIXERCONTROL_CONTROLTYPE_PEAKMETER) {
        c.minimum = -32768;
        c.maximum = 32767;
    }
    c.values.assign(static_cast<size_t>(StorageChannels(c, *this)) * ItemCount(c), initial);
    return c;
}

Control& Line::AddList(DWORD type, const std::vector<std::string>& texts,
                       const std::vector<DWORD>& selected, DWORD extraFlags) {
    Control& c = AddControl(type, 0, MIXERCONTROL_CONTROLF_MULTIPLE | extraFlags,
                            static_cast<DWORD>(texts.size()));
    c.itemTexts = texts;
    DWORD chans = StorageChannels(c, *this);
    for (DWORD item : selected)
        for (DWORD ch = 0; ch < chans; ++ch) c.SetValue(1, ch, item);
    return c;
}

Control* Line::Find(DWORD type) {
    for (Control& c : controls)
        if (c.type == type) return &c;
    return nullptr;
}

Line& Destination::AddSource(DWORD type, const std::string& nm, DWORD ch) {
    DWORD d = id & 0xFFFF;
    sources.emplace_back();
    Line& l = sources.back();
    l.id = (static_cast<DWORD>(sources.size()) << 16) | d;
    l.componentType = type;
    l.channels = ch;
    l.fdwLine = MIXERLINE_LINEF_ACTIVE | MIXERLINE_LINEF_SOURCE;
    l.name = nm;
    l.shortName = nm.substr(0, MIXER_SHORT_NAME_CHARS - 1);
    return l;
}

Line* Destination::FindSource(DWORD type) {
    for (Line& l : sources)
        if (l.componentType == type) return &l;
    return nullptr;
}

Destination& Device::AddDestination(DWORD componentType, const std::string& nm, DWORD ch) {
    destinations.emplace_back();
    Destination& d = destinations.back();
    d.id = 0xFFFF0000u | static_cast<DWORD>(destinations.size() - 1);
    d.componentType = componentType;
    d.channels = ch;
    d.name = nm;
    d.shortName = nm.substr(0, MIXER_SHORT_NAME_CHARS - 1);
    return d;
}

Destination* Device::FindDestination(DWORD componentType) {
    for (Destination& d : destinations)
        if (d.componentType == componentType) return &d;
    return nullptr;
}

Line* Device::FindLine(DWORD lineId) {
    for (Destination& d : destinations) {
        if (d.id == lineId) return &d;
        for (Line& s : d.sources)
            if (s.id == lineId) return &s;
    }
    return nullptr;
}

Control* Device::FindControl(DWORD controlId, Line** owner) {
    auto scan = [&](Line& l) -> Control* {
        for (Control& c : l.controls)
            if (c.id == controlId) {
                if (owner) *owner = &l;
                return &c;
            }
        return nullptr;
    };
    for (Destination& d : destinations) {
        if (Control* c = scan(d)) return c;
        for (Line& s : d.sources)
            if (Control* c = scan(s)) return c;
    }
    return nullptr;
}

Device& AddDevice(const std::string& productName) {
    M().devices.emplace_back();
    Device& d = M().devices.back();
    d.productName = productName;
    return d;
}

std::deque<Device>& Devices() { return M().devices; }

void SetReportedDeviceCount(int count) { M().reportedCount = count; }

void SetWineMixerHandles(bool on) { M().wineHandles = on; }

void SetPreferredWaveIn(DWORD index) { M().preferredWaveIn = index; }

void SetWineDeviceIds(bool on) { M().wineIds = on; }

void SetWineMixer(bool on) { M().wineMixer = on; }

int OpenMixerHandles() { return static_cast<int>(M().handles.size()); }

// ---- Requests ------------------------------------------------------------------

namespace {

// Wine's numbering of a device's playback or recording position: playback
// devices first, then recording devices, each counted from 0.
void WinePosition(size_t index, bool* playback, size_t* position) {
    const MixerState& m = M();
    *playback = m.devices[index].ServesPlayback();
    *position = 0;
    for (size_t i = 0; i < index; ++i)
        if (m.devices[i].ServesPlayback() == *playback) ++*position;
}

uintptr_t WineHandle(size_t index, DWORD counter) {
    bool playback = false;
    size_t position = 0;
    WinePosition(index, &playback, &position);
    return 0x8000u | (playback ? 0x4000u : 0u) | (static_cast<uint32_t>(position) << 8) | counter;
}

// The device a handle's bits name, as Wine decodes them: bit 15 set and
// nothing above it, bit 14 playback or recording, bits 8-13 the position.
bool WineDevice(uintptr_t handle, size_t* index) {
    if (handle > 0xFFFFFFFFu || (handle >> 15) != 1) return false;
    const bool playback = (handle >> 14) & 1;
    size_t position = (handle >> 8) & 0x3F;
    const MixerState& m = M();
    for (size_t i = 0; i < m.devices.size(); ++i) {
        if (m.devices[i].ServesPlayback() != playback) continue;
        if (position-- == 0) {
            *index = i;
            return true;
        }
    }
    return false;
}

// Resolves a mixer object to a device.
MMRESULT Resolve(uintptr_t obj, DWORD flags, Device** dev) {
    MixerState& m = M();
    DWORD type = flags & MIXER_OBJECTF_TYPEMASK;
    if (m.wineHandles) {
        size_t index = 0;
        if (type == MIXER_OBJECTF_MIXER && obj < m.devices.size()) {
            *dev = &m.devices[obj];
            return MMSYSERR_NOERROR;
        }
        if (type != MIXER_OBJECTF_MIXER && type != MIXER_OBJECTF_HMIXER) return MMSYSERR_INVALHANDLE;
        if (!WineDevice(obj, &index)) return MMSYSERR_INVALHANDLE;
        *dev = &m.devices[index];
        return MMSYSERR_NOERROR;
    }
    auto h = m.handles.find(obj);
    if (type == MIXER_OBJECTF_HMIXER) {
        if (h == m.handles.end()) return MMSYSERR_INVALHANDLE;
    } else if (type != MIXER_OBJECTF_MIXER) {
        return MMSYSERR_INVALHANDLE;  // wave and MIDI objects are not modelled
    }
    if (h != m.handles.end()) {
        *dev = &m.devices[h->second];
        return MMSYSERR_NOERROR;
    }
    if (obj < m.devices.size()) {
        *dev = &m.devices[obj];
        return MMSYSERR_NOERROR;
    }
    return obj < 0x10000 ? MMSYSERR_BADDEVICEID : MMSYSERR_INVALHANDLE;
}

void FillLine(const Device& dev, const Line& l, DWORD d, DWORD s, bool isSource, DWORD connections,
              MIXERLINEA* out) {
    out->dwDestination = d;
    out->dwSource = isSource ? s : 0;
    out->dwLineID = l.id;
    out->fdwLine = l.fdwLine;
    out->dwUser = 0;
    out->dwComponentType = l.componentType;
    out->cChannels = l.channels;
    out->cConnections = isSource ? 0 : connections;
    out->cControls = l.ControlCount();
    CopyName(out->szShortName, sizeof out->szShortName, l.shortName);
    CopyName(out->szName, sizeof out->szName, l.name);
    std::memset(&out->Target, 0, sizeof out->Target);
    if (!M().wineMixer) {
        out->Target.wMid = dev.mid;
        out->Target.wPid = dev.pid;
        CopyName(out->Target.szPname, sizeof out->Target.szPname, dev.productName);
        return;
    }
    out->dwSource = isSource ? s : 0xFFFFFFFFu;
    out->Target.wMid = 0xFFFF;
    out->Target.wPid = 0xFFFF;
    out->Target.vDriverVersion = 0x0101;
    const bool waveOut = isSource && l.componentType == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    const bool waveIn = !isSource && l.componentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (!waveOut && !waveIn) return;
    out->Target.dwType = waveOut ? MIXERLINE_TARGETTYPE_WAVEOUT : MIXERLINE_TARGETTYPE_WAVEIN;
    CopyName(out->Target.szPname, sizeof out->Target.szPname, dev.productName);
}

void FillControl(const Control& c, MIXERCONTROLA* out) {
    std::memset(out, 0, sizeof *out);
    out->cbStruct = sizeof *out;
    out->dwControlID = c.id;
    out->dwControlType = c.type;
    out->fdwControl = c.flags;
    out->cMultipleItems = c.items;
    CopyName(out->szShortName, sizeof out->szShortName, c.shortName);
    CopyName(out->szName, sizeof out->szName, c.name);
    out->Bounds.lMinimum = c.minimum;
    out->Bounds.lMaximum = c.maximum;
    out->Metrics.cSteps = c.steps;
}

struct Located {
    const Line* line = nullptr;
    DWORD d = 0, s = 0;
    bool isSource = false;
    DWORD connections = 0;
};

bool LocateById(Device& dev, DWORD lineId, Located* out) {
    for (DWORD d = 0; d < dev.destinations.size(); ++d) {
        Destination& dst = dev.destinations[d];
        if (dst.id == lineId) {
            *out = {&dst, d, 0, false, static_cast<DWORD>(dst.sources.size())};
            return true;
        }
        for (DWORD s = 0; s < dst.sources.size(); ++s)
            if (dst.sources[s].id == lineId) {
                *out = {&dst.sources[s], d, s, true, 0};
                return true;
            }
    }
    return false;
}

bool LocateByType(Device& dev, DWORD type, Located* out) {
    for (DWORD d = 0; d < dev.destinations.size(); ++d) {
        Destination& dst = dev.destinations[d];
        if (dst.componentType == type) {
            *out = {&dst, d, 0, false, static_cast<DWORD>(dst.sources.size())};
            return true;
        }
    }
    for (DWORD d = 0; d < dev.destinations.size(); ++d) {
        Destination& dst = dev.destinations[d];
        for (DWORD s = 0; s < dst.sources.size(); ++s)
            if (dst.sources[s].componentType == type) {
                *out = {&dst.sources[s], d, s, true, 0};
                return true;
            }
    }
    return false;
}

bool IsSingleSelect(DWORD type) {
    return type == MIXERCONTROL_CONTROLTYPE_SINGLESELECT || type == MIXERCONTROL_CONTROLTYPE_MUX;
}

// Checks a details request against the control; sets *items to the items per
// channel the buffer holds.
MMRESULT CheckDetails(const MIXERCONTROLDETAILS* cd, const Control& c, const Line& owner, bool listText,
                      DWORD* items) {
    DWORD lineCh = owner.ChannelCount();
    if (cd->cChannels != 1 && cd->cChannels != lineCh) return MMSYSERR_INVALPARAM;
    bool multiple = (c.flags & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
    DWORD expected = multiple ? c.items : 0;
    if (cd->cMultipleItems != expected) return MMSYSERR_INVALPARAM;
    if (listText) {
        if (!multiple) return MMSYSERR_INVALPARAM;
        if (cd->cbDetails < sizeof(MIXERCONTROLDETAILS_LISTTEXTA)) return MMSYSERR_INVALPARAM;
    } else if (cd->cbDetails < sizeof(MIXERCONTROLDETAILS_BOOLEAN)) {
        return MMSYSERR_INVALPARAM;
    }
    *items = multiple ? c.items : 1;
    if (cd->paDetails == nullptr && cd->cChannels * *items > 0) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

// The checks every request makes before it looks at the model, in the
// order winmm makes them: the record (null, or smaller than published), the
// flags (bits outside the object type and query, a query past `lastQuery`),
// then the object.
MMRESULT CheckRequest(uintptr_t obj, bool recordOk, DWORD flags, DWORD queryMask, DWORD lastQuery, Device** dev) {
    if (!recordOk) return MMSYSERR_INVALPARAM;
    if ((flags & ~(MIXER_OBJECTF_TYPEMASK | queryMask)) != 0 || (flags & queryMask) > lastQuery)
        return MMSYSERR_INVALFLAG;
    return Resolve(obj, flags, dev);
}

// What a valid details request names.
struct DetailsTarget {
    Device* dev = nullptr;
    Line* owner = nullptr;
    Control* ctl = nullptr;
    DWORD items = 0;  // items per channel in the buffer
    // Where the values live: the control itself, or the one it acts on.
    Control* store = nullptr;
    Line* storeOwner = nullptr;
};

// The one validation of a details request, read or write.
MMRESULT CheckDetailsRequest(uintptr_t obj, const MIXERCONTROLDETAILS* cd, DWORD flags, DWORD lastQuery,
                             bool listText, DetailsTarget* t) {
    MMRESULT r = CheckRequest(obj, cd != nullptr && cd->cbStruct >= sizeof(MIXERCONTROLDETAILS), flags,
                              MIXER_GETCONTROLDETAILSF_QUERYMASK, lastQuery, &t->dev);
    if (r != MMSYSERR_NOERROR) return r;
    t->ctl = t->dev->FindControl(cd->dwControlID, &t->owner);
    if (t->ctl == nullptr) return MIXERR_INVALCONTROL;
    t->store = t->ctl;
    t->storeOwner = t->owner;
    if (t->ctl->actsOn) {
        t->store = t->dev->FindControl(*t->ctl->actsOn, &t->storeOwner);
        if (t->store == nullptr) return MMSYSERR_ERROR;  // a card that names no such control
    }
    return CheckDetails(cd, *t->ctl, *t->owner, listText, &t->items);
}

// The request fields a details call logs.
void LogDetails(detail::CallRecord& call, HMIXEROBJ obj, const MIXERCONTROLDETAILS* cd, DWORD flags) {
    call->object = reinterpret_cast<uintptr_t>(obj);
    call->flags = flags;
    if (cd == nullptr) return;
    call->cbStruct = cd->cbStruct;
    call->id = cd->dwControlID;
    call->cChannels = cd->cChannels;
    call->cMultipleItems = cd->cMultipleItems;
    call->cbDetails = cd->cbDetails;
}

// What a control keeps of a written value.
LONG Stored(const Control& c, LONG v) {
    if (!c.floatLevel || v < 0 || v > 65535) return v;
    // Wine: vol = dwValue / 65535.f when written; dwValue = vol * 0xFFFF when
    // read, the product formed in the x87's wider precision and truncated.
    const float level = static_cast<float>(v) / 65535.0f;
    return static_cast<LONG>(static_cast<double>(level) * 65535.0);
}

LONG* Element(const MIXERCONTROLDETAILS* cd, DWORD index) {
    return reinterpret_cast<LONG*>(static_cast<char*>(cd->paDetails) + static_cast<size_t>(index) * cd->cbDetails);
}

}  // namespace
}  // namespace sim

using sim::detail::CallRecord;

extern "C" {

UINT WINAPI mixerGetNumDevs(void) {
    CallRecord call("mixerGetNumDevs");
    DWORD code = 0;
    UINT n = 0;
    if (!call.Injected(&code))
        n = sim::M().reportedCount >= 0 ? static_cast<UINT>(sim::M().reportedCount)
                                         : static_cast<UINT>(sim::M().devices.size());
    sim::M().deviceListBuilt = true;
    return call.Return(n);
}

MMRESULT WINAPI mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    CallRecord call("mixerOpen");
    call->object = uMxId;
    call->flags = fdwOpen;
    call->count = static_cast<DWORD>(dwCallback | dwInstance);
    DWORD code = 0;
    MMRESULT r = MMSYSERR_NOERROR;
    const DWORD callback = fdwOpen & CALLBACK_TYPEMASK;
    if (call.Injected(&code)) {
        r = code;
    } else if (phmx == nullptr) {
        r = MMSYSERR_INVALPARAM;
    } else if (callback == CALLBACK_FUNCTION) {
        r = MMSYSERR_INVALFLAG;
    } else if (callback == CALLBACK_WINDOW && dwCallback != 0) {
        r = MMSYSERR_INVALPARAM;  // no such window
    } else if (sim::M().wineMixer && (callback == CALLBACK_THREAD || callback == CALLBACK_EVENT)) {
        r = MMSYSERR_NOTSUPPORTED;
    } else {
        sim::MixerState& m = sim::M();
        sim::Device* dev = nullptr;
        auto h = m.handles.find(uMxId);
        size_t index = uMxId;
        // Wine's mixerOpen takes a device identifier only.
        if (!m.wineHandles && (fdwOpen & MIXER_OBJECTF_TYPEMASK) == MIXER_OBJECTF_HMIXER && h != m.handles.end())
            index = h->second, dev = &m.devices[index];
        else if (uMxId < m.devices.size())
            dev = &m.devices[uMxId];
        if (!dev) {
            r = MMSYSERR_BADDEVICEID;
        } else {
            const uintptr_t handle = m.wineHandles ? sim::WineHandle(index, m.wineOpens[index]++) : m.nextHandle++;
            m.handles.emplace(handle, index);
            *phmx = reinterpret_cast<HMIXER>(handle);
            call->id = static_cast<DWORD>(handle);
        }
    }
    return call.Return(r);
}

MMRESULT WINAPI mixerClose(HMIXER hmx) {
    CallRecord call("mixerClose");
    call->object = reinterpret_cast<uintptr_t>(hmx);
    DWORD code = 0;
    MMRESULT r = MMSYSERR_NOERROR;
    if (call.Injected(&code)) {
        r = code;
    } else {
        sim::MixerState& m = sim::M();
        auto h = m.handles.find(reinterpret_cast<uintptr_t>(hmx));
        if (h != m.handles.end())
            m.handles.erase(h);
        else if (!m.wineHandles)  // Wine's mixerClose succeeds for any value
            r = MMSYSERR_INVALHANDLE;
    }
    return call.Return(r);
}

MMRESULT WINAPI mixerGetDevCapsA(UINT_PTR uMxId, LPMIXERCAPSA pmxcaps, UINT cbmxcaps) {
    CallRecord call("mixerGetDevCapsA");
    call->object = uMxId;
    call->cbStruct = cbmxcaps;
    DWORD code = 0;
    MMRESULT r = MMSYSERR_NOERROR;
    if (call.Injected(&code)) {
        r = code;
    } else if (pmxcaps == nullptr) {
        r = MMSYSERR_INVALPARAM;
    } else {
        sim::Device* dev = nullptr;
        r = sim::Resolve(uMxId, 0, &dev);
        if (r == MMSYSERR_INVALHANDLE) r = MMSYSERR_BADDEVICEID;
        if (r == MMSYSERR_NOERROR) {
            MIXERCAPSA caps;
            std::memset(&caps, 0, sizeof caps);
            caps.wMid = dev->mid;
            caps.wPid = dev->pid;
            caps.vDriverVersion = sim::M().wineMixer ? 0x0101 : 0x0100;
            sim::CopyName(caps.szPname, sizeof caps.szPname, dev->productName);
            caps.fdwSupport = 0;
            caps.cDestinations = static_cast<DWORD>(dev->destinations.size());
            std::memcpy(pmxcaps, &caps, std::min<size_t>(cbmxcaps, sizeof caps));
            call.Text(caps.szPname);
            call->count = caps.cDestinations;
        }
    }
    return call.Return(r);
}

MMRESULT WINAPI mixerGetLineInfoA(HMIXEROBJ hmxobj, LPMIXERLINEA pmxl, DWORD fdwInfo) {
    CallRecord call("mixerGetLineInfoA");
    const uintptr_t obj = reinterpret_cast<uintptr_t>(hmxobj);
    const DWORD query = fdwInfo & MIXER_GETLINEINFOF_QUERYMASK;
    call->object = obj;
    call->flags = fdwInfo;
    if (pmxl) {
        call->cbStruct = pmxl->cbStruct;
        call->id = query == MIXER_GETLINEINFOF_LINEID ? pmxl->dwLineID : pmxl->dwDestination;
        call->source = query == MIXER_GETLINEINFOF_COMPONENTTYPE ? pmxl->dwComponentType : pmxl->dwSource;
    }
    DWORD code = 0;
    MMRESULT r = MMSYSERR_NOERROR;
    sim::Device* dev = nullptr;
    if (call.Injected(&code)) {
        r = code;
    } else if ((r = sim::CheckRequest(obj, pmxl != nullptr && pmxl->cbStruct >= sizeof(MIXERLINEA), fdwInfo,
                                      MIXER_GETLINEINFOF_QUERYMASK, MIXER_GETLINEINFOF_QUERYMASK, &dev)) ==
               MMSYSERR_NOERROR) {
        sim::Located loc;
        switch (query) {
        case MIXER_GETLINEINFOF_DESTINATION:
            if (pmxl->dwDestination >= dev->destinations.size()) {
                r = MIXERR_INVALLINE;
            } else {
                sim::Destination& d = dev->destinations[pmxl->dwDestination];
                loc = {&d, pmxl->dwDestination, 0, false, static_cast<DWORD>(d.sources.size())};
            }
            break;
        case MIXER_GETLINEINFOF_SOURCE:
            if (pmxl->dwDestination >= dev->destinations.size() ||
                pmxl->dwSource >= dev->destinations[pmxl->dwDestination].sources.size()) {
                r = MIXERR_INVALLINE;
            } else {
                sim::Destination& d = dev->destinations[pmxl->dwDestination];
                loc = {&d.sources[pmxl->dwSource], pmxl->dwDestination, pmxl->dwSource, true, 0};
            }
            break;
        case MIXER_GETLINEINFOF_LINEID:
            if (!sim::LocateById(*dev, pmxl->dwLineID, &loc)) r = MIXERR_INVALLINE;
            break;
        case MIXER_GETLINEINFOF_COMPONENTTYPE:
            if (!sim::LocateByType(*dev, pmxl->dwComponentType, &loc)) r = MIXERR_INVALLINE;
            break;
        default:
            r = MMSYSERR_INVALFLAG;  // target-type queries are not modelled
            break;
        }
        if (r == MMSYSERR_NOERROR) {
            sim::FillLine(*dev, *loc.line, loc.d, loc.s, loc.isSource, loc.connections, pmxl);
            call.Text(pmxl->szName);
        }
    }
    return call.Return(r);
}

MMRESULT WINAPI mixerGetLineControlsA(HMIXEROBJ hmxobj, LPMIXERLINECONTROLSA pmxlc, DWORD fdwControls) {
    CallRecord call("mixerGetLineControlsA");
    const uintptr_t obj = reinterpret_cast<uintptr_t>(hmxobj);
    call->object = obj;
    call->flags = fdwControls;
    if (pmxlc) {
        call->cbStruct = pmxlc->cbStruct;
        call->id = pmxlc->dwLineID;
        call->source = pmxlc->dwControlType;
        call->count = pmxlc->cControls;
        call->cbDetails = pmxlc->cbmxctrl;
    }
    DWORD code = 0;
    MMRESULT r = MMSYSERR_NOERROR;
    sim::Device* dev = nullptr;
    const bool recordOk = pmxlc != nullptr && pmxlc->cbStruct >= sizeof(MIXERLINECONTROLSA) &&
                          pmxlc->cbmxctrl >= sizeof(MIXERCONTROLA) && pmxlc->pamxctrl != nullptr;
    if (call.Injected(&code)) {
        r = code;
    } else if ((r = sim::CheckRequest(obj, recordOk, fdwControls, MIXER_GETLINECONTROLSF_QUERYMASK,
                                      MIXER_GETLINECONTROLSF_QUERYMASK, &dev)) == MMSYSERR_NOERROR) {
        auto at = [&](DWORD i) {
            return reinterpret_cast<MIXERCONTROLA*>(reinterpret_cast<char*>(pmxlc->pamxctrl) +
                                                    static_cast<size_t>(i) * pmxlc->cbmxctrl);
        };
        switch (fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK) {
        case MIXER_GETLINECONTROLSF_ALL: {
            sim::Line* line = dev->FindLine(pmxlc->dwLineID);
            if (!line) {
                r = MIXERR_INVALLINE;
            } else if (pmxlc->cControls != line->ControlCount() || line->ControlCount() == 0) {
                r = MMSYSERR_INVALPARAM;
            } else {
                const DWORD filled = std::min(line->ControlCount(), static_cast<DWORD>(line->controls.size()));
                for (DWORD i = 0; i < filled; ++i) sim::FillControl(line->controls[i], at(i));
            }
            break;
        }
        case MIXER_GETLINECONTROLSF_ONEBYID: {
            sim::Line* owner = nullptr;
            sim::Control* ctl = dev->FindControl(pmxlc->dwControlID, &owner);
            if (!ctl) {
                r = MIXERR_INVALCONTROL;
            } else {
                pmxlc->dwLineID = owner->id;
                sim::FillControl(*ctl, at(0));
            }
            break;
        }
        case MIXER_GETLINECONTROLSF_ONEBYTYPE: {
            sim::Line* line = dev->FindLine(pmxlc->dwLineID);
            sim::Control* ctl = line ? line->Find(pmxlc->dwControlType) : nullptr;
            if (!line)
                r = MIXERR_INVALLINE;
            else if (!ctl)
                r = MIXERR_INVALCONTROL;
            else
                sim::FillControl(*ctl, at(0));
            break;
        }
        default:
            r = MMSYSERR_INVALFLAG;
            break;
        }
    }
    return call.Return(r);
}

MMRESULT WINAPI mixerGetControlDetailsA(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails) {
    CallRecord call("mixerGetControlDetailsA");
    sim::LogDetails(call, hmxobj, pmxcd, fdwDetails);
    const bool listText = (fdwDetails & MIXER_GETCONTROLDETAILSF_QUERYMASK) == MIXER_GETCONTROLDETAILSF_LISTTEXT;
    DWORD code = 0;
    MMRESULT r;
    sim::DetailsTarget t;
    if (call.Injected(&code)) {
        r = code;
    } else if ((r = sim::CheckDetailsRequest(reinterpret_cast<uintptr_t>(hmxobj), pmxcd, fdwDetails,
                                             MIXER_GETCONTROLDETAILSF_LISTTEXT, listText, &t)) == MMSYSERR_NOERROR) {
        const sim::Control& ctl = *t.ctl;
        const sim::Control& store = *t.store;
        const DWORD storeCh = sim::StorageChannels(store, *t.storeOwner);
        if (!listText) call.ReserveValues(pmxcd->cChannels * t.items);
        for (DWORD ch = 0; ch < pmxcd->cChannels; ++ch) {
            for (DWORD it = 0; it < t.items; ++it) {
                const DWORD index = ch * t.items + it;
                if (listText) {
                    auto* text = reinterpret_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(sim::Element(pmxcd, index));
                    text->dwParam1 = 0;
                    text->dwParam2 = 0;
                    const bool named = it < ctl.itemTexts.size() && (ch == 0 || !ctl.textsFirstChannelOnly);
                    sim::CopyName(text->szName, sizeof text->szName, named ? ctl.itemTexts[it] : std::string());
                    call.AppendText(text->szName);
                    call.AppendText("|");
                    continue;
                }
                if (ctl.leaveUnfilled || (ctl.firstChannelOnly && ch > 0)) continue;
                LONG v;
                if (storeCh == 1) {
                    v = store.Value(0, it);
                } else if (pmxcd->cChannels == 1) {
                    v = store.Value(0, it);
                    for (DWORD k = 1; k < storeCh; ++k) v = std::max(v, store.Value(k, it));
                } else {
                    v = store.Value(std::min(ch, storeCh - 1), it);
                }
                *sim::Element(pmxcd, index) = v;
                call.AddValue(v);
            }
        }
    }
    return call.Return(r);
}

MMRESULT WINAPI mixerSetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails) {
    CallRecord call("mixerSetControlDetails");
    sim::LogDetails(call, hmxobj, pmxcd, fdwDetails);
    DWORD code = 0;
    MMRESULT r;
    sim::DetailsTarget t;
    if (call.Injected(&code)) return call.Return<MMRESULT>(code);
    r = sim::CheckDetailsRequest(reinterpret_cast<uintptr_t>(hmxobj), pmxcd, fdwDetails,
                                 MIXER_SETCONTROLDETAILSF_VALUE, false, &t);
    if (r != MMSYSERR_NOERROR) return call.Return(r);
    const DWORD items = t.items;
    call.ReserveValues(pmxcd->cChannels * items);
    for (DWORD i = 0; i < pmxcd->cChannels * items; ++i) call.AddValue(*sim::Element(pmxcd, i));
    sim::Control& ctl = *t.ctl;
    if (ctl.ignoreWrites) return call.Return(r);
    const DWORD chans = ctl.firstChannelOnly ? 1 : pmxcd->cChannels;
    if (ctl.refuseOutOfRange) {
        for (DWORD i = 0; i < chans * items; ++i) {
            LONG v = *sim::Element(pmxcd, i);
            if (v < ctl.minimum || v > ctl.maximum) r = MMSYSERR_INVALPARAM;
        }
    }
    if (ctl.refuseBadSelection && sim::IsSingleSelect(ctl.type)) {
        for (DWORD ch = 0; ch < chans; ++ch) {
            DWORD set = 0;
            for (DWORD it = 0; it < items; ++it) set += *sim::Element(pmxcd, ch * items + it) != 0;
            if (set != 1) r = MMSYSERR_INVALPARAM;
        }
    }
    if (r != MMSYSERR_NOERROR) return call.Return(r);
    sim::Control& store = *t.store;
    const DWORD storeCh = sim::StorageChannels(store, *t.storeOwner);
    for (DWORD ch = 0; ch < chans; ++ch) {
        for (DWORD it = 0; it < items; ++it) {
            LONG v = sim::Stored(store, *sim::Element(pmxcd, ch * items + it));
            if (storeCh == 1) {
                if (ch == 0) store.SetValue(v, 0, it);
            } else if (pmxcd->cChannels == 1) {
                for (DWORD k = 0; k < storeCh; ++k) store.SetValue(v, k, it);
            } else if (ch < storeCh) {
                store.SetValue(v, ch, it);
            }
        }
    }
    return call.Return(r);
}

MMRESULT WINAPI mixerGetID(HMIXEROBJ hmxobj, UINT* puMxId, DWORD fdwId) {
    CallRecord call("mixerGetID");
    const uintptr_t obj = reinterpret_cast<uintptr_t>(hmxobj);
    call->object = obj;
    call->flags = fdwId;
    DWORD code = 0;
    if (call.Injected(&code)) return call.Return<MMRESULT>(code);
    if (puMxId == nullptr) return call.Return<MMRESULT>(MMSYSERR_INVALPARAM);
    sim::MixerState& m = sim::M();
    const DWORD type = fdwId & MIXER_OBJECTF_TYPEMASK;
    MMRESULT r = MMSYSERR_NOERROR;
    if ((fdwId & ~MIXER_OBJECTF_TYPEMASK) != 0) {
        r = MMSYSERR_INVALFLAG;
    } else if (type == MIXER_OBJECTF_MIXER || type == MIXER_OBJECTF_HMIXER) {
        sim::Device* dev = nullptr;
        r = sim::Resolve(obj, fdwId, &dev);
        for (size_t i = 0; r == MMSYSERR_NOERROR && i < m.devices.size(); ++i)
            if (&m.devices[i] == dev) *puMxId = static_cast<UINT>(i);
    } else if (type == MIXER_OBJECTF_WAVEOUT || type == MIXER_OBJECTF_WAVEIN) {
        // Wave device n of a direction is the n-th mixer that serves it.
        const bool recording = type == MIXER_OBJECTF_WAVEIN;
        uintptr_t left = obj;
        size_t index = m.devices.size();
        for (size_t i = 0; i < m.devices.size(); ++i) {
            if (!(recording ? m.devices[i].ServesRecording() : m.devices[i].ServesPlayback())) continue;
            if (left-- == 0) {
                index = i;
                break;
            }
        }
        if (index < m.devices.size()) {
            *puMxId = static_cast<UINT>(index);
        } else if (m.wineIds) {
            *puMxId = static_cast<UINT>(obj);
            r = MMSYSERR_INVALHANDLE;
        } else {
            *puMxId = static_cast<UINT>(-1);
            r = MMSYSERR_BADDEVICEID;
        }
    } else {
        // MIDI and auxiliary devices have no mixer here.
        *puMxId = static_cast<UINT>(-1);
        r = MMSYSERR_NODRIVER;
    }
    call->id = r == MMSYSERR_NOERROR ? *puMxId : 0;
    return call.Return(r);
}

namespace {

UINT WaveDeviceCount(bool recording) {
    UINT n = 0;
    for (const sim::Device& d : sim::M().devices)
        if (recording ? d.ServesRecording() : d.ServesPlayback()) ++n;
    return n;
}

UINT WaveGetNumDevs(const char* fn, bool recording) {
    CallRecord call(fn);
    DWORD code = 0;
    UINT n = 0;
    if (!call.Injected(&code)) n = WaveDeviceCount(recording);
    sim::M().deviceListBuilt = true;
    return call.Return(n);
}

// The wave mapper's answer to DRVM_MAPPER_PREFERRED_GET, and a wave
// device's Core Audio endpoint identifier (sim_coreaudio.cpp); no other
// message and no wave handle is modelled.
MMRESULT WaveMessage(const char* fn, uintptr_t handle, UINT msg, DWORD_PTR dw1, DWORD_PTR dw2, bool recording) {
    CallRecord call(fn);
    call->object = handle;
    call->id = msg;
    DWORD code = 0;
    if (call.Injected(&code)) return call.Return<MMRESULT>(code);
    if (msg == DRV_QUERYFUNCTIONINSTANCEIDSIZE || msg == DRV_QUERYFUNCTIONINSTANCEID)
        return call.Return(sim::detail::EndpointIdMessage(handle, recording, msg, dw1, dw2));
    if (handle != WAVE_MAPPER) return call.Return<MMRESULT>(MMSYSERR_INVALHANDLE);
    if (msg != DRVM_MAPPER_PREFERRED_GET) return call.Return<MMRESULT>(MMSYSERR_NOTSUPPORTED);
    DWORD* id = reinterpret_cast<DWORD*>(dw1);
    DWORD* flags = reinterpret_cast<DWORD*>(dw2);
    if (id == nullptr || flags == nullptr) return call.Return<MMRESULT>(MMSYSERR_INVALPARAM);
    const sim::MixerState& m = sim::M();
    *id = m.wineIds && !m.deviceListBuilt ? static_cast<DWORD>(-1) : recording ? m.preferredWaveIn : 0;
    *flags = 0;
    call->count = *id;
    return call.Return<MMRESULT>(MMSYSERR_NOERROR);
}

}  // namespace

UINT WINAPI waveInGetNumDevs(void) { return WaveGetNumDevs("waveInGetNumDevs", true); }
UINT WINAPI waveOutGetNumDevs(void) { return WaveGetNumDevs("waveOutGetNumDevs", false); }

MMRESULT WINAPI waveInMessage(HWAVEIN hwi, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
    return WaveMessage("waveInMessage", reinterpret_cast<uintptr_t>(hwi), uMsg, dw1, dw2, true);
}

MMRESULT WINAPI waveOutMessage(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
    return WaveMessage("waveOutMessage", reinterpret_cast<uintptr_t>(hwo), uMsg, dw1, dw2, false);
}

}  // extern "C"
