// Settings persistence: the mixer settings file, the sound-card name file and
// the host application's directory.
#pragma once

#include "core/exports.h"

MIXER_EXPORT LONG WINAPI Save(LPCSTR path);
MIXER_EXPORT LONG WINAPI Set(LPCSTR path);
MIXER_EXPORT LONG WINAPI ReadDigitalConfiguration(void);
MIXER_EXPORT LONG WINAPI SetSoundCardConfigFilePath(LPCSTR path);
MIXER_EXPORT LONG WINAPI GetTavrinDirectory(LPSTR buffer);
