#include "engine/endpoint_volume.h"

#include "core/state.h"
#include "engine/endpoint_probe.h"

namespace {

constexpr double kPeakSpan = 32767.0;

// What the probe decided for the process: 0 not yet, else an
// EndpointVerdict + 1. One aligned word, read and written whole (two
// threads that probe at once store the same verdict), so no lock is taken
// for it.
LONG g_verdict = 0;
LONG Verdict() { return __atomic_load_n(&g_verdict, __ATOMIC_ACQUIRE); }
void Decide(LONG verdict) { __atomic_store_n(&g_verdict, verdict, __ATOMIC_RELEASE); }

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
        levels[i] = LevelOfScalar(scalar);
    }
    if (treatment == TreatLevel)
        ApplyLevelRule(&levels[0], &levels[1], value);
    else
        ApplyBalanceRule(&levels[0], &levels[1], value);
    for (int i = 0; i < 2; ++i)
        if (FAILED(req::SetChannelVolumeLevelScalar(volume, which[i], ScalarOfLevel(levels[i])))) return;
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
    return SUCCEEDED(req::GetMasterVolumeLevelScalar(volume.get(), &scalar)) ? LevelOfScalar(scalar) : -1;
}

LONG ReadMeter(bool capture, UINT wave) {
    ComScope com;
    if (!com.ready()) return 0;
    ComRef<IAudioMeterInformation> meter;
    EndpointError error;
    if (!ActivateEndpoint(capture, wave, kIidMeterInformation, meter.raw(), &error)) return 0;
    float peak = 0.0f;
    if (FAILED(req::GetPeakValue(meter.get(), &peak)) || !(peak > 0.0f)) return 0;
    return peak >= 1.0f ? static_cast<LONG>(kPeakSpan) : NearestLevel(static_cast<double>(peak) * kPeakSpan);
}

}  // namespace

bool EndpointLevelsServe() {
    const LONG known = Verdict();
    if (known != 0) return known == EndpointUsable + 1;
    const EndpointProbe probe = ProbeEndpointVolume();
    if (probe.verdict == EndpointUnknown) return false;
    Decide(probe.verdict + 1);
    return probe.verdict == EndpointUsable;
}

void ForgetEndpointVerdict() { Decide(0); }

void KeepMixerLevels() { Decide(EndpointAbsent + 1); }

namespace {

// The endpoint that serves an operation: 0 none (the mixer serves), 1 the
// one named by *capture and *wave, -1 one that serves but cannot be found.
// The main line's probes only with `probe`.
int Serving(const FoundLine* line, DWORD componentType, LONG op, LONG byName, bool probe, bool* capture,
            UINT* wave) {
    if (IsMainLine(componentType, op, byName)) {
        if (probe ? !EndpointLevelsServe() : Verdict() != EndpointUsable + 1) return 0;
        EndpointError error;
        *capture = false;
        return PlaybackWaveDevice(wave, &error) ? 1 : -1;
    }
    if (line == nullptr || !line->onEndpoint || !IsRecordingOp(op) || !EndpointLevelsServe()) return 0;
    *capture = true;
    *wave = line->waveIn;
    return 1;
}

bool EndpointWrite(const FoundLine* line, DWORD componentType, LONG op, LONG value, LONG byName, LONG* result) {
    bool capture = false;
    UINT wave = 0;
    const int serving = Serving(line, componentType, op, byName, line != nullptr, &capture, &wave);
    if (serving == 0) return false;
    *result = serving > 0 && Write(capture, wave, op, value) ? 1 : 0;
    return true;
}

bool EndpointRead(const FoundLine* line, DWORD componentType, LONG op, LONG byName, LONG* result) {
    bool capture = false;
    UINT wave = 0;
    const int serving = OpTreatment(op) == TreatBalance
                            ? 0
                            : Serving(line, componentType, op, byName, line != nullptr, &capture, &wave);
    if (serving == 0) return false;
    *result = serving > 0 ? Read(capture, wave, op) : -1;
    return true;
}

}  // namespace

bool EndpointSetMain(DWORD componentType, LONG op, LONG value, LONG byName, LONG* result) {
    return EndpointWrite(nullptr, componentType, op, value, byName, result);
}

bool EndpointGetMain(DWORD componentType, LONG op, LONG byName, LONG* result) {
    return EndpointRead(nullptr, componentType, op, byName, result);
}

bool EndpointWriteFound(const FoundLine& line, DWORD componentType, LONG op, LONG value, LONG byName) {
    LONG result = 0;
    return EndpointWrite(&line, componentType, op, value, byName, &result);
}

bool EndpointReadFound(const FoundLine& line, DWORD componentType, LONG op, LONG byName, LONG* result) {
    return EndpointRead(&line, componentType, op, byName, result);
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
