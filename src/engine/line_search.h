// Finding the line and control an operation reaches: the walk of a mixer
// device's lines, the search by line target on mixer device 0 and, for a
// recording line where device 0 has no wave-in destination, on the recording
// endpoints' mixers (recording_endpoints.h), and the choice of the control
// on the line found, a recording endpoint's destination standing in for a
// control that keeps nothing.
//
// Header-only and free of the library's internals (the platform and the
// holders of core/holders.h are all it needs), so that a tool hosting the
// library learns the device, line and control the library uses by making
// the library's own requests (LocateLibraryControl).
#pragma once

#include "core/holders.h"
#include "engine/level_rule.h"
#include "engine/ops.h"
#include "engine/recording_endpoints.h"

// ---- Line records and their controls ---------------------------------------------

// A zero-filled line record with its size set, for a line request to fill.
inline void PrepareLine(MIXERLINEA* line) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(line);
    for (size_t i = 0; i < sizeof *line; ++i) bytes[i] = 0;
    line->cbStruct = sizeof *line;
}

// A controls request for line `lineId`: all `count` of its controls
// (MIXER_GETLINECONTROLSF_ALL, controlType 0) or the one of `controlType`
// (MIXER_GETLINECONTROLSF_ONEBYTYPE, count 1), into `controls`, records the
// platform fills (the request gives their size).
inline void PrepareControls(MIXERLINECONTROLSA* request, DWORD lineId, DWORD controlType, DWORD count,
                            MIXERCONTROLA* controls) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(request);
    for (size_t i = 0; i < sizeof *request; ++i) bytes[i] = 0;
    request->cbStruct = sizeof *request;
    request->dwLineID = lineId;
    if (controlType != 0) request->dwControlType = controlType;
    request->cControls = count;
    request->cbmxctrl = sizeof *controls;
    request->pamxctrl = controls;
}

// A details request for one control with its buffer attached.
inline void PrepareDetails(MIXERCONTROLDETAILS* details, DWORD controlId, DWORD channels, DWORD items,
                           DWORD cbDetails, void* buffer) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(details);
    for (size_t i = 0; i < sizeof *details; ++i) bytes[i] = 0;
    details->cbStruct = sizeof *details;
    details->dwControlID = controlId;
    details->cChannels = channels;
    details->cMultipleItems = items;
    details->cbDetails = cbDetails;
    details->paDetails = buffer;
}

enum FetchOutcome {
    FetchLineFailed,  // the line cannot be read
    FetchNoControls,  // the line has no controls (asked to stop there)
    FetchNoArray,     // the control array cannot be obtained
    FetchListFailed,  // the controls cannot be fetched
    FetchNoKind,      // no control passes the test (or no test was given)
    FetchFound,
};

// Which control a fetch takes: the first for which the test returns true.
typedef bool (*ControlTest)(const MIXERCONTROLA& control, DWORD arg);

// The first control whose type is `type`.
inline bool ControlIsOfType(const MIXERCONTROLA& control, DWORD type) { return control.dwControlType == type; }

class LineControls {
public:
    // Reads the line that `query` names on `mixer` (the requests' object,
    // flags MIXER_OBJECTF_MIXER): MIXER_GETLINEINFOF_LINEID with a line id
    // as `key`, or MIXER_GETLINEINFOF_COMPONENTTYPE with a component type.
    // Then obtains an array for all of its controls and fetches them, and
    // takes the first control `test` accepts with `arg` (none when test is
    // null). A line without controls ends the fetch with FetchNoControls when
    // `stopWhenEmpty`; otherwise an array of no records is asked for, and the
    // platform answers the request as it does.
    FetchOutcome Fetch(HMIXEROBJ mixer, DWORD query, DWORD key, bool stopWhenEmpty, ControlTest test, DWORD arg) {
        PrepareLine(&line_);
        if (query == MIXER_GETLINEINFOF_LINEID)
            line_.dwLineID = key;
        else
            line_.dwComponentType = key;
        lineError_ = req::mixerGetLineInfoA(mixer, &line_, query);
        if (lineError_ != MMSYSERR_NOERROR) return FetchLineFailed;
        if (line_.cControls == 0 && stopWhenEmpty) return FetchNoControls;
        if (!array_.Alloc(line_.cControls, sizeof(MIXERCONTROLA))) return FetchNoArray;

        MIXERLINECONTROLSA request;
        PrepareControls(&request, line_.dwLineID, 0, line_.cControls, array_.as<MIXERCONTROLA>());
        if (req::mixerGetLineControlsA(mixer, &request, MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR)
            return FetchListFailed;
        if (test == nullptr) return FetchNoKind;
        for (DWORD i = 0; i < line_.cControls; ++i) {
            const MIXERCONTROLA& c = array_.as<MIXERCONTROLA>()[i];
            if (test(c, arg)) {
                control_ = &c;
                return FetchFound;
            }
        }
        return FetchNoKind;
    }
    MMRESULT lineError() const { return lineError_; }
    const MIXERLINEA& line() const { return line_; }
    const MIXERCONTROLA& control() const { return *control_; }

private:
    MIXERLINEA line_;
    ProcessHeapBlock array_;
    const MIXERCONTROLA* control_ = nullptr;
    MMRESULT lineError_ = MMSYSERR_NOERROR;
};

// ---- The walk and the search -----------------------------------------------------

enum SearchOutcome { SearchFailed, SearchNotFound, SearchFound };

// The line a search found. On a recording endpoint's mixer its
// destination's controls stand in for those of the line that keep nothing:
// Wine's source controls take a write and change nothing, and every control
// of a Windows endpoint acts on the one endpoint control that its
// destination's name.
struct FoundLine {
    DWORD lineId = 0;
    bool onEndpoint = false;  // found on a recording endpoint's mixer
    DWORD destinationId = 0;  // there, its wave-in destination
    UINT waveIn = 0;          // and the wave-in device of that mixer
};

// What a search saw on its way, for a tool that explains where it ended.
// The library passes none.
enum SearchRequest { RequestNone, RequestOpen, RequestCaps, RequestDestination, RequestSource, RequestMixerId };
struct SearchNotes {
    bool sawDestination = false;  // device 0 has a destination of the type searched
    // The recording endpoints' mixers searched in vain, in order (the first
    // kMaxListed of them), and how many there were.
    static constexpr UINT kMaxListed = 16;
    UINT endpoints[kMaxListed] = {};
    UINT endpointCount = 0;
    // On SearchFailed, the request that failed and where: the device (for
    // RequestMixerId, the wave-in device), the destination and the source
    // (-1 for the destination's own line request).
    SearchRequest request = RequestNone;
    MMRESULT error = MMSYSERR_NOERROR;
    UINT device = 0;
    DWORD destination = 0;
    LONG source = -1;
};

// Given each line a walk reads, in the record the walk reuses; true ends the
// walk there.
typedef bool (*LineVisitor)(MIXERLINEA* line, void* context);

namespace line_search {

// What a line search looks for, and the line id it found.
struct LineTarget {
    DWORD componentType;
    LPCSTR name;
    LONG byName;
    DWORD lineId;
};

// Whole strings, byte for byte; a null string equals nothing.
inline bool SameText(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return false;
    while (*a != '\0' && *a == *b) ++a, ++b;
    return *a == *b;
}

inline bool Matches(MIXERLINEA* line, void* context) {
    LineTarget* target = static_cast<LineTarget*>(context);
    const bool match = target->byName ? target->name != nullptr && SameText(line->szName, target->name)
                                      : line->dwComponentType == target->componentType;
    if (match) target->lineId = line->dwLineID;
    return match;
}

// What a walk saw of the destinations it looked for.
struct WalkEnd {
    bool sawDestination = false;  // the device has a destination of the type
    DWORD destinationId = 0;      // the line id of the one the walk was in last
    UINT waveIn = 0;              // on a recording endpoint's mixer, its wave-in device
};

inline SearchOutcome Fail(SearchNotes* notes, SearchRequest request, MMRESULT error, UINT device,
                          DWORD destination = 0, LONG source = -1) {
    if (notes != nullptr) {
        notes->request = request;
        notes->error = error;
        notes->device = device;
        notes->destination = destination;
        notes->source = source;
    }
    return SearchFailed;
}

// The walk of mixer device `id`, without asking for the device count. Opens
// the device into `device` (it stays open for the caller), reads its
// destinations in order and, for each one of component type
// `destinationType` that has source lines, gives `visit` each source line in
// order, or with `destinationItself` the destination line, read again, once.
inline SearchOutcome WalkDevice(MixerDevice& device, UINT id, DWORD destinationType, bool destinationItself,
                                LineVisitor visit, void* context, WalkEnd* end, SearchNotes* notes) {
    MMRESULT r = device.Open(id);
    if (r != MMSYSERR_NOERROR) return Fail(notes, RequestOpen, r, id);

    MIXERCAPSA caps;
    caps.cDestinations = 0;
    r = req::mixerGetDevCapsA(id, &caps, sizeof caps);
    if (r != MMSYSERR_NOERROR) return Fail(notes, RequestCaps, r, id);

    MIXERLINEA line;  // one record, reused for every request of the walk
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        PrepareLine(&line);
        line.dwDestination = d;
        r = req::mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_DESTINATION);
        if (r != MMSYSERR_NOERROR) return Fail(notes, RequestDestination, r, id, d);
        const LONG sources = static_cast<LONG>(line.cConnections);
        if (line.dwComponentType != destinationType) continue;
        end->sawDestination = true;
        end->destinationId = line.dwLineID;
        // A destination without source lines is never visited, not even by
        // a walk that means the destination itself.
        if (sources <= 0) continue;
        for (LONG s = 0; s < sources; ++s) {
            PrepareLine(&line);
            line.dwDestination = d;
            if (destinationItself) {
                r = req::mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_DESTINATION);
            } else {
                line.dwSource = static_cast<DWORD>(s);
                r = req::mixerGetLineInfoA(device.obj(), &line, MIXER_GETLINEINFOF_SOURCE);
            }
            if (r != MMSYSERR_NOERROR)
                return Fail(notes, destinationItself ? RequestDestination : RequestSource, r, id, d,
                            destinationItself ? -1 : s);
            if (visit(&line, context)) return SearchFound;
            if (destinationItself) break;  // the same line on every pass
        }
    }
    return SearchNotFound;
}

// The source line of the target on the recording endpoints' mixers: those
// of the wave-in devices, the preferred one first, each searched as device 0
// is. Device 0 itself, searched already, and wave-in devices without a mixer
// are passed over. On SearchFound `device` holds the mixer open and `end`
// names its wave-in destination.
inline SearchOutcome FindOnRecordingEndpoints(MixerDevice& device, LineTarget* target, WalkEnd* end,
                                              SearchNotes* notes) {
    device.Close();
    const UINT count = req::waveInGetNumDevs();
    const UINT preferred = PreferredWaveIn(count);
    for (UINT position = 0; position < count; ++position) {
        UINT mixer = 0;
        const UINT waveIn = WaveInAt(position, preferred);
        const MMRESULT r = WaveInMixer(waveIn, &mixer);
        if (r == MMSYSERR_NODRIVER || (r == MMSYSERR_NOERROR && mixer == 0)) continue;
        if (r != MMSYSERR_NOERROR) return Fail(notes, RequestMixerId, r, waveIn);
        *end = WalkEnd();
        end->waveIn = waveIn;
        const SearchOutcome outcome =
            WalkDevice(device, mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, false, Matches, target, end, notes);
        if (outcome != SearchNotFound) return outcome;
        device.Close();
        if (notes != nullptr) {
            if (notes->endpointCount < SearchNotes::kMaxListed) notes->endpoints[notes->endpointCount] = mixer;
            ++notes->endpointCount;
        }
    }
    return SearchNotFound;
}

}  // namespace line_search

// The walk of mixer device 0's lines that the line search and the recording
// source names share: line_search::WalkDevice on device 0. SearchFound when
// `visit` ends the walk, SearchNotFound when the walk ends by itself,
// SearchFailed when there is no device, it cannot be opened or a request
// fails.
inline SearchOutcome WalkLines(MixerDevice& device, DWORD destinationType, bool destinationItself,
                               LineVisitor visit, void* context) {
    if (req::mixerGetNumDevs() == 0) return SearchFailed;
    line_search::WalkEnd end;
    return line_search::WalkDevice(device, 0, destinationType, destinationItself, visit, context, &end, nullptr);
}

// Opens mixer device 0 into `device` and finds the line that `op` and the line
// target address: by its exact full name when `byName` is non-zero (a null
// name matches no line), else by its component type. A recording line (a
// source of the wave-in destination) is looked for on the recording
// endpoints' mixers when device 0 has no wave-in destination. On SearchFound
// the device searched last stays open for the caller.
inline SearchOutcome FindMixerLine(DWORD componentType, LONG op, LPCSTR name, LONG byName, MixerDevice& device,
                                   FoundLine* found, SearchNotes* notes = nullptr) {
    line_search::LineTarget target = {componentType, name, byName, 0};
    const DWORD destinationType = OpDestinationType(op);
    const bool itself = OpAddressesDestination(op);
    line_search::WalkEnd end;
    SearchOutcome outcome = SearchFailed;
    if (req::mixerGetNumDevs() != 0)
        outcome = line_search::WalkDevice(device, 0, destinationType, itself, line_search::Matches, &target, &end,
                                          notes);
    if (notes != nullptr) notes->sawDestination = end.sawDestination;
    *found = FoundLine();
    if (outcome == SearchNotFound && !end.sawDestination && !itself &&
        destinationType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN) {
        outcome = line_search::FindOnRecordingEndpoints(device, &target, &end, notes);
        found->onEndpoint = true;
        found->destinationId = end.destinationId;
        found->waveIn = end.waveIn;
    }
    found->lineId = target.lineId;
    return outcome;
}

// ---- The control of the line found -------------------------------------------------

// What the control is taken for: a read (balance has none: its codes, like
// those without a control, take no control at all) or a write.
enum ControlUse { UseRead, UseWrite };

// The fetch's outcomes, then what the choice adds.
enum ChoiceOutcome {
    ChoiceLineFailed = FetchLineFailed,  // the line cannot be read (lineError() says why)
    ChoiceNoControls = FetchNoControls,  // the line has no controls
    ChoiceNoArray = FetchNoArray,        // the control array cannot be obtained
    ChoiceListFailed = FetchListFailed,  // the controls cannot be fetched
    ChoiceNoKind = FetchNoKind,  // the line has no control of the operation's type, or the operation takes none
    ChoiceFound = FetchFound,
    ChoiceDisabled,    // the control is disabled
    ChoiceOutOfScale,  // a balance write's position lies outside 0..15
    ChoiceUnread,      // the read that tells whether the control keeps its value failed
};

// The control an operation takes on a line found: the line's own, or on a
// recording endpoint's mixer, when that keeps nothing, its destination's.
struct ControlChoice {
    LineControls line;         // the line found, every control of it
    LineControls destination;  // its destination's, when that stands in
    bool standIn = false;      // the destination's control is the one taken
    MMRESULT unreadError = MMSYSERR_NOERROR;  // with ChoiceUnread, the read's result
    // The line and control taken (with ChoiceFound: the control).
    const LineControls& chosen() const { return standIn ? destination : line; }
};

namespace line_search {

inline ChoiceOutcome TakeControl(LineControls& controls, HMIXEROBJ obj, DWORD lineId, LONG op, ControlUse use,
                                 LONG value) {
    const Treatment treatment = OpTreatment(op);
    const bool typed = use == UseRead ? treatment == TreatBoolean || treatment == TreatLevel : treatment != TreatNone;
    const FetchOutcome fetch = controls.Fetch(obj, MIXER_GETLINEINFOF_LINEID, lineId, true,
                                              typed ? ControlIsOfType : nullptr, OpControlType(op));
    if (fetch != FetchFound) return static_cast<ChoiceOutcome>(fetch);
    if (controls.control().fdwControl & MIXERCONTROL_CONTROLF_DISABLED) return ChoiceDisabled;
    // The balance scale has 16 steps; any other position would give channel
    // levels below zero or above the louder channel's.
    if (use == UseWrite && treatment == TreatBalance && !BalanceInScale(value)) return ChoiceOutOfScale;
    return ChoiceFound;
}

}  // namespace line_search

// Takes the control `op` reads or writes (with `value`, for a write) on the
// line `found`, of the mixer `obj` names (flags MIXER_OBJECTF_MIXER): the
// line and all of its controls are read and the first control of the
// operation's type taken. On a recording endpoint's mixer, whether it keeps
// its value is then read (ControlKeeping); when it keeps nothing, the
// destination's line is read and its control taken instead.
inline ChoiceOutcome ChooseControl(ControlChoice* choice, HMIXEROBJ obj, const FoundLine& found, LONG op,
                                   ControlUse use, LONG value) {
    choice->standIn = false;
    const ChoiceOutcome outcome = line_search::TakeControl(choice->line, obj, found.lineId, op, use, value);
    if (outcome != ChoiceFound || !found.onEndpoint) return outcome;
    switch (ControlKeeping(obj, MIXER_OBJECTF_MIXER, choice->line.control(), &choice->unreadError)) {
    case ControlUnread:
        return ChoiceUnread;
    case ControlKeepsNothing:
        choice->standIn = true;
        return line_search::TakeControl(choice->destination, obj, found.destinationId, op, use, value);
    case ControlKeeps:
        break;
    }
    return ChoiceFound;
}

// ---- For the tools -----------------------------------------------------------------

// The device, line and control the library uses for an operation and line
// target, found with the library's own requests in the library's order up
// to the control's choice: the line search, then the control's. SetMixer
// and the per-line setters choose with UseWrite and the value written, the
// getters with UseRead. `device` holds the mixer the line was found on open
// (named in requests by device.obj(), flags MIXER_OBJECTF_MIXER). `notes`,
// when given, tells where a search that failed or found nothing ended.
struct LibraryControl {
    MixerDevice device;
    SearchOutcome search = SearchFailed;
    FoundLine line;
    ChoiceOutcome outcome = ChoiceLineFailed;  // with SearchFound
    ControlChoice choice;                      // with SearchFound
};

inline void LocateLibraryControl(LibraryControl* target, DWORD componentType, LONG op, LPCSTR name, LONG byName,
                                 ControlUse use, LONG value, SearchNotes* notes = nullptr) {
    target->search = FindMixerLine(componentType, op, name, byName, target->device, &target->line, notes);
    if (target->search == SearchFound)
        target->outcome = ChooseControl(&target->choice, target->device.obj(), target->line, op, use, value);
}
