#include "engine/endpoint_volume.h"

#include "core/state.h"
#include "engine/endpoint_probe.h"

namespace {

// The range of a volume control, whose levels map onto the scalars.
constexpr double kLevelSpan = 65535.0;
constexpr double kPeakSpan = 32767.0;

LONG Nearest(double x) { return Truncate(x < 0.0 ? x - 0.5 : x + 0.5); }
float ScalarOf(LONG level) { return static_cast<float>(static_cast<double>(level) / kLevelSpan); }
LONG LevelOf(float scalar) { return Nearest(static_cast<double>(scalar) * kLevelSpan); }

// What the probe decided for the process: 0 not yet, else an
// EndpointVerdict + 1. Read and written under the state lock.
LONG g_verdict = 0;

bool IsMainOp(LONG op) { return op == OpMainVolume || op == OpMainMute || op == OpMainBalance; }
bool IsRecordingOp(LONG op) { return op == OpRecVolume || op == OpRecMute || op == OpRecBalance; }

// The endpoint volume of one endpoint for one call: COM on this thread and
// the activated interface, given back when it goes.
class EndpointVolume {
public:
    // False when the endpoint cannot be reached.
    bool Open(bool capture, UINT wave) {
        if (!com_.ready()) return false;
        EndpointError error;
        return ActivateEndpoint(capture, wave, kIidEndpointVolume, volume_.raw(), &error);
    }
    IAudioEndpointVolume* get() const { return volume_.get(); }

private:
    ComScope com_;
    ComRef<IAudioEndpointVolume> volume_;
};

// The level or balance rule over the first and last channel, read and
// written in that order: on one channel the last's write is the one that
// stays, as on a mixer control whose first and last value are one.
void WriteChannels(IAudioEndpointVolume* volume, LONG value, Treatment treatment) {
    UINT channels = 0;
    if (FAILED(req::GetChannelCount(volume, &channels)) || channels == 0) return;
    const UINT which[2] = {0, channels - 1};
    LONG levels[2];
    for (int i = 0; i < 2; ++i) {
        float scalar = 0.0f;
        if (FAILED(req::GetChannelVolumeLevelScalar(volume, which[i], &scalar))) return;
        levels[i] = LevelOf(scalar);
    }
    if (treatment == TreatLevel)
        ApplyLevelRule(&levels[0], &levels[1], value);
    else
        ApplyBalanceRule(&levels[0], &levels[1], value);
    for (int i = 0; i < 2; ++i)
        if (FAILED(req::SetChannelVolumeLevelScalar(volume, which[i], ScalarOf(levels[i])))) return;
}

// False when the endpoint cannot be reached.
bool Write(bool capture, UINT wave, LONG op, LONG value) {
    EndpointVolume volume;
    if (!volume.Open(capture, wave)) return false;
    const Treatment treatment = OpTreatment(op);
    if (treatment == TreatBoolean)
        req::SetMute(volume.get(), value != 0 ? TRUE : FALSE);
    else if (treatment == TreatLevel || BalanceInScale(value))
        WriteChannels(volume.get(), value, treatment);
    return true;
}

// The mute (0 or 1) or the master level; -1 on failure.
LONG Read(bool capture, UINT wave, LONG op) {
    EndpointVolume volume;
    if (!volume.Open(capture, wave)) return -1;
    if (OpTreatment(op) == TreatBoolean) {
        BOOL mute = FALSE;
        return SUCCEEDED(req::GetMute(volume.get(), &mute)) ? (mute != FALSE ? 1 : 0) : -1;
    }
    float scalar = 0.0f;
    return SUCCEEDED(req::GetMasterVolumeLevelScalar(volume.get(), &scalar)) ? LevelOf(scalar) : -1;
}

bool ServesMain(DWORD componentType, LONG op, LONG byName) {
    return IsMainOp(op) && componentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS && byName == 0 &&
           EndpointLevelsServe();
}

LONG ReadMeter(bool capture, UINT wave) {
    ComScope com;
    if (!com.ready()) return 0;
    ComRef<IAudioMeterInformation> meter;
    EndpointError error;
    if (!ActivateEndpoint(capture, wave, kIidMeterInformation, meter.raw(), &error)) return 0;
    float peak = 0.0f;
    if (FAILED(req::GetPeakValue(meter.get(), &peak)) || !(peak > 0.0f)) return 0;
    return peak >= 1.0f ? static_cast<LONG>(kPeakSpan) : Nearest(static_cast<double>(peak) * kPeakSpan);
}

}  // namespace

bool EndpointLevelsServe() {
    LONG known;
    {
        StateLock lock;
        known = g_verdict;
    }
    if (known != 0) return known == EndpointUsable + 1;
    const EndpointProbe probe = ProbeEndpointVolume();
    if (probe.verdict == EndpointUnknown) return false;
    {
        StateLock lock;
        g_verdict = probe.verdict + 1;
    }
    return probe.verdict == EndpointUsable;
}

void ForgetEndpointVerdict() {
    StateLock lock;
    g_verdict = 0;
}

void KeepMixerLevels() {
    StateLock lock;
    g_verdict = EndpointAbsent + 1;
}

bool EndpointSetMain(DWORD componentType, LONG op, LONG value, LONG byName, LONG* result) {
    if (!ServesMain(componentType, op, byName)) return false;
    UINT wave = 0;
    EndpointError error;
    *result = PlaybackWaveDevice(&wave, &error) && Write(false, wave, op, value) ? 1 : 0;
    return true;
}

bool EndpointGetMain(DWORD componentType, LONG op, LONG byName, LONG* result) {
    if (OpTreatment(op) == TreatBalance || !ServesMain(componentType, op, byName)) return false;
    UINT wave = 0;
    EndpointError error;
    *result = PlaybackWaveDevice(&wave, &error) ? Read(false, wave, op) : -1;
    return true;
}

bool EndpointWriteFound(const FoundLine& line, LONG op, LONG value) {
    if (!line.onEndpoint || !IsRecordingOp(op) || !EndpointLevelsServe()) return false;
    Write(true, line.waveIn, op, value);
    return true;
}

bool EndpointReadFound(const FoundLine& line, LONG op, LONG* result) {
    if (!line.onEndpoint || !IsRecordingOp(op) || OpTreatment(op) == TreatBalance || !EndpointLevelsServe())
        return false;
    *result = Read(true, line.waveIn, op);
    return true;
}

bool EndpointPeak(DWORD componentType, LONG* result) {
    if (!EndpointLevelsServe()) return false;
    *result = 0;
    UINT wave = 0;
    EndpointError error;
    // The speakers destination and device 0's sources are playback lines;
    // the wave-in destination and every other line read the recording
    // endpoint's meter, the preferred wave-in device's.
    bool playback = componentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (!playback && componentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN) {
        MIXERLINEA line;
        PrepareLine(&line);
        line.dwComponentType = componentType;
        const MMRESULT r = req::mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0)), &line,
                                                  MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE);
        if (r != MMSYSERR_NOERROR && r != MIXERR_INVALLINE) return true;
        playback = r == MMSYSERR_NOERROR;
    }
    if (playback) {
        if (PlaybackWaveDevice(&wave, &error)) *result = ReadMeter(false, wave);
    } else {
        const UINT count = req::waveInGetNumDevs();
        if (count != 0) *result = ReadMeter(true, PreferredWaveIn(count));
    }
    return true;
}
