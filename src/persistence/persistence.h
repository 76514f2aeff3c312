// Settings persistence: the mixer settings file, the sound-card name file and
// the host application's directory. The exports Save, Set,
// ReadDigitalConfiguration, SetSoundCardConfigFilePath and GetTavrinDirectory
// are declared in mixer.h (MIXER_FUNCTIONS_FILES).
#pragma once

#include "core/exports.h"
