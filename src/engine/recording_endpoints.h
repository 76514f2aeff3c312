// Where the recording lines are on systems that show every audio endpoint as
// a mixer of its own (Windows Vista and later, Wine): mixer device 0 is then
// the preferred playback endpoint, without a wave-in destination, and each
// recording endpoint is a mixer with a wave-in destination over one source
// typed by its input. The library looks there, in the order these steps
// give: the preferred wave-in device's mixer, then the other wave-in devices'
// mixers in device order.
//
// Header-only and free of the library's internals, so that a tool hosting
// the library reports the very mixers the library uses.
#pragma once

#include "platform/win.h"

// The wave-in device the wave mapper prefers, or 0 when it names none of the
// `count` devices. Ask winmm for a device count first: Wine answers -1 until
// the process has asked for one (measured under Wine 8).
inline UINT PreferredWaveIn(UINT count) {
    DWORD id = static_cast<DWORD>(-1);
    DWORD flags = 0;
    const MMRESULT r = waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)),
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
    return mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(waveIn)), mixer, MIXER_OBJECTF_WAVEIN);
}
