#include "engine/engine.h"

DWORD OpDestinationType(LONG op) {
    switch (op) {
    case OpRecMute:
    case OpRecVolume:
    case OpRecSelect:
    case OpRecBoost:
    case OpRecBalance:
        return MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    default:
        return MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    }
}

bool OpAddressesDestination(LONG op) {
    return op == OpMainVolume || op == OpMainMute || op == OpMainBalance;
}

DWORD OpControlType(LONG op) {
    switch (op) {
    case OpPlayMute:
    case OpRecMute:
    case OpMainMute:
        return MIXERCONTROL_CONTROLTYPE_MUTE;
    case OpPlayBoost:
    case OpRecBoost:
        return MIXERCONTROL_CONTROLTYPE_ONOFF;
    case OpRecSelect:
    case OpPlaySelect:
        return MIXERCONTROL_CONTROLTYPE_SINGLESELECT;
    case OpPlayVolume:
    case OpMainVolume:
    case OpRecVolume:
    case OpPlayBalance:
    case OpRecBalance:
    case OpMainBalance:
        return MIXERCONTROL_CONTROLTYPE_VOLUME;
    default:
        return 0;
    }
}

Treatment OpTreatment(LONG op) {
    switch (op) {
    case OpPlayMute:
    case OpRecMute:
    case OpMainMute:
    case OpPlayBoost:
    case OpRecBoost:
    case OpRecSelect:
    case OpPlaySelect:
        return TreatBoolean;
    case OpPlayVolume:
    case OpMainVolume:
    case OpRecVolume:
        return TreatLevel;
    case OpPlayBalance:
    case OpRecBalance:
    case OpMainBalance:
        return TreatBalance;
    default:
        return TreatNone;
    }
}
