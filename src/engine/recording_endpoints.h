// Where the recording lines are on systems that show every audio endpoint as
// a mixer of its own (Windows Vista and later, Wine): mixer device 0 is then
// the preferred playback endpoint, without a wave-in destination, and each
// recording endpoint is a mixer with a wave-in destination over one source
// typed by its input. The library looks there, in the order these steps
// give: the preferred wave-in device's mixer, then the other wave-in devices'
// mixers in device order.
//
// Header-only and free of the library's internals, so that a tool hosting
// the library reports the very mixers and controls the library uses.
#pragma once

#include "platform/requests.h"
#include "platform/win.h"

// The wave-in device the wave mapper prefers, or 0 when it names none of the
// `count` devices. Ask winmm for a device count first: Wine answers -1 until
// the process has asked for one (measured under Wine 8).
inline UINT PreferredWaveIn(UINT count) {
    DWORD id = static_cast<DWORD>(-1);
    DWORD flags = 0;
    const MMRESULT r = req::waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)),
                                     DRVM_MAPPER_PREFERRED_GET, reinterpret_cast<DWORD_PTR>(&id),
                                     reinterpret_cast<DWORD_PTR>(&flags));
    return r == MMSYSERR_NOERROR && id < count ? static_cast<UINT>(id) : 0;
}

// The wave-in device searched in place `position` (0 to count - 1): the
// preferred one first, then the others in device order.
inline UINT WaveInAt(UINT position, UINT preferred) {
    if (position == 0) return preferred;
    return position <= preferred ? position - 1 : position;
}

// The mixer device of wave-in device `waveIn`, by its identifier: never
// WAVE_MAPPER, which Wine refuses (MMSYSERR_INVALHANDLE). MMSYSERR_NODRIVER
// says that the device has no mixer.
inline MMRESULT WaveInMixer(UINT waveIn, UINT* mixer) {
    return req::mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(waveIn)), mixer, MIXER_OBJECTF_WAVEIN);
}

// Whether a control keeps its value, told by reading it: on a recording
// endpoint's mixer the destination's control stands in for a line's control
// that keeps nothing. A driver whose control keeps nothing (Wine's source
// controls) answers a read as done and leaves the buffer as it was. The
// control is read as one channel, named by `mixer` with `flags`
// (MIXER_OBJECTF_MIXER for a device identifier), into the largest and then
// the smallest 32-bit value, one read each: no control returns both (a
// switch reads 0 or 1, a level lies within its bounds), and one read tells
// when the first value changes. A control with items is not asked. The
// failed request's result goes to *error.
enum Keeping { ControlKeeps, ControlKeepsNothing, ControlUnread };
inline Keeping ControlKeeping(HMIXEROBJ mixer, DWORD flags, const MIXERCONTROLA& control, MMRESULT* error) {
    *error = MMSYSERR_NOERROR;
    if (control.cMultipleItems != 0) return ControlKeeps;
    const LONG kMarks[] = {0x7FFFFFFF, static_cast<LONG>(0x80000000u)};
    for (LONG mark : kMarks) {
        LONG value = mark;
        MIXERCONTROLDETAILS details = {};
        details.cbStruct = sizeof details;
        details.dwControlID = control.dwControlID;
        details.cChannels = 1;
        details.cMultipleItems = 0;
        details.cbDetails = sizeof value;
        details.paDetails = &value;
        *error = req::mixerGetControlDetailsA(mixer, &details, flags | MIXER_GETCONTROLDETAILSF_VALUE);
        if (*error != MMSYSERR_NOERROR) return ControlUnread;
        if (value != mark) return ControlKeeps;
    }
    return ControlKeepsNothing;
}
