/*
 * mixer.h - the interface of MIXER.DLL for host applications.
 *
 * Every function uses the standard calling convention (__stdcall), takes
 * 32-bit arguments and returns a 32-bit integer. Link with the import library
 * (libmixer.dll.a for mingw, MIXER.lib for MSVC), or load MIXER.DLL with
 * LoadLibraryA and find the names with GetProcAddress: the exported names are
 * undecorated. Define MIXER_NO_DLLIMPORT to declare the functions without
 * __declspec(dllimport) (for example when taking their types with decltype).
 *
 * Strings are 8-bit, NUL-terminated, in the ANSI code page.
 *
 * Mixer device 0. Every call that touches the mixer opens mixer device 0 and
 * closes it before it returns; no handle is kept between calls. While it is
 * open, the line, control and value requests name the device by its
 * identifier, 0 (MIXER_OBJECTF_MIXER), so they reach device 0 however many
 * calls came before, also on platforms whose handle numbers run out or come
 * to name another device (Wine). LocateControl is the exception: its requests
 * name the mixer by the handle the host passes.
 *
 * Reads change nothing. A getter reads the control and writes nothing back:
 * repeated reads leave a level where it was, also on platforms that store a
 * level with less precision than they report it, and never undo a change
 * another program made meanwhile.
 *
 * Threads. Any function may be called from any thread of the host, also
 * while other threads are inside the library. The library's own state (the
 * cached recording source names, the name file's line names and search
 * directory, the CD-type flag and the CD player) is kept under one lock, so
 * each call sees it whole and as of one moment: a ReadDigitalConfiguration
 * on one thread and a getter on another see the names of one file or of the
 * other, never a mix, and OpenCD and CloseCD from two threads leave no CD
 * device open (an OpenCD while a device is open closes the earlier one).
 * CD error message boxes are shown after the lock is released, so a box
 * waiting for the user holds up no other thread. Mixer requests themselves
 * are not held back: two threads writing the same control at the same moment
 * interleave their requests as two programs would (a volume write and a
 * balance write of one line may then keep only one of the two); a host that
 * needs one after the other should make its calls one after the other.
 */
#ifndef MIXER_H
#define MIXER_H

#include <windows.h>
#include <mmsystem.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef MIXER_NO_DLLIMPORT
#define MIXER_IMPORT
#else
#define MIXER_IMPORT __declspec(dllimport)
#endif
#define MIXERAPI MIXER_IMPORT LONG WINAPI

/* Operation codes of SetMixer and LocateControl. */
#define MIXER_OP_PLAY_MUTE 0
#define MIXER_OP_PLAY_VOLUME 1
#define MIXER_OP_MAIN_VOLUME 2
#define MIXER_OP_REC_MUTE 3
#define MIXER_OP_REC_VOLUME 4
#define MIXER_OP_REC_SELECT 5
#define MIXER_OP_PLAY_SELECT 6
#define MIXER_OP_MAIN_MUTE 7
#define MIXER_OP_PLAY_BALANCE 8
#define MIXER_OP_PLAY_BOOST 9
#define MIXER_OP_REC_BOOST 10
#define MIXER_OP_REC_BALANCE 12
#define MIXER_OP_MAIN_BALANCE 13

/* Recording source kinds of SelectLine. */
#define MIXER_SRC_LINEIN 1
#define MIXER_SRC_MIC 2
#define MIXER_SRC_CD 3
#define MIXER_SRC_AUX 4
#define MIXER_SRC_ANALOG 5
#define MIXER_SRC_DIGITAL 6
#define MIXER_SRC_NAMED 9

/*
 * Engine. SetMixer finds the line (by component type, or by its exact full
 * name when byName is non-zero) under the destination the operation names and
 * writes its control: 1 when the line was found, 0 otherwise. LocateControl
 * writes the control of a line of an open mixer: 1, 0 when the line has no
 * controls, or the platform's error when the line cannot be read. Volume
 * writes keep the channel ratio; balance positions run from 0 (left) to 15
 * (right). GetPeak: the magnitude of the line's peak meter, 0 on any failure.
 */
MIXERAPI SetMixer(DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName);
MIXERAPI LocateControl(DWORD lineId, LONG value, HMIXER mixer, LONG op);
MIXERAPI GetPeak(DWORD componentType);

/*
 * Recording selector. ScanRecControls refreshes the cached source names and
 * returns 0. SelectLine selects (select == 1) or deselects a source: the open
 * error of mixer device 0, otherwise 0. IsMuxSingleSelect: 1 when the
 * recording selector allows one source at a time, else 0.
 * GetMixerRecordChannels writes "product|item|item|..." into buffer (which
 * must hold limit + 1 bytes and at least 33): 0, or -1 on failure.
 */
MIXERAPI ScanRecControls(void);
MIXERAPI SelectLine(LONG kind, LPCSTR name, LONG select);
MIXERAPI IsMuxSingleSelect(void);
MIXERAPI GetMixerRecordChannels(LPSTR buffer, DWORD limit);

/*
 * Per-line setters: take the new value (volume in the control's units,
 * balance 0..15, mute and boost 0 or non-zero) and always return 1.
 * Per-line getters: the value read; 0 when the line or control is missing;
 * -1 on failure or when no mixer exists.
 */
MIXERAPI SetPlayLineInVolume(LONG value);
MIXERAPI SetPlayMicVolume(LONG value);
MIXERAPI SetPlayCDVolume(LONG value);
MIXERAPI SetPlayWaveOutVolume(LONG value);
MIXERAPI SetPlayAuxVolume(LONG value);
MIXERAPI SetPlayDigitalVolume(LONG value);
MIXERAPI SetPlayMainVolume(LONG value);
MIXERAPI SetRecLineInVolume(LONG value);
MIXERAPI SetRecMicVolume(LONG value);
MIXERAPI SetRecCDVolume(LONG value);
MIXERAPI SetRecWaveOutVolume(LONG value);
MIXERAPI SetRecAuxVolume(LONG value);
MIXERAPI SetRecDigitalVolume(LONG value);
MIXERAPI SetRecAnalogVolume(LONG value);
MIXERAPI SetPlayLineInBalance(LONG value);
MIXERAPI SetRecLineInBalance(LONG value);
MIXERAPI SetPlayMainBalance(LONG value);
MIXERAPI SetPlayLineInMute(LONG value);
MIXERAPI SetPlayMicMute(LONG value);
MIXERAPI SetPlayCDMute(LONG value);
MIXERAPI SetPlayWaveOutMute(LONG value);
MIXERAPI SetPlayAuxMute(LONG value);
MIXERAPI SetPlayMainMute(LONG value);
MIXERAPI SetRecLineInMute(LONG value);
MIXERAPI SetRecMicMute(LONG value);
MIXERAPI SetRecCDMute(LONG value);
MIXERAPI SetRecWaveOutMute(LONG value);
MIXERAPI SetRecAuxMute(LONG value);
MIXERAPI SetPlayMicBoostMode(LONG value);
MIXERAPI SetRecMicBoostMode(LONG value);

MIXERAPI GetPlayLineInVolume(void);
MIXERAPI GetPlayMicVolume(void);
MIXERAPI GetPlayCDVolume(void);
MIXERAPI GetPlayWaveOutVolume(void);
MIXERAPI GetPlayAuxVolume(void);
MIXERAPI GetPlayDigitalVolume(void);
MIXERAPI GetPlayMainVolume(void);
MIXERAPI GetRecLineInVolume(void);
MIXERAPI GetRecMicVolume(void);
MIXERAPI GetRecCDVolume(void);
MIXERAPI GetRecWaveOutVolume(void);
MIXERAPI GetRecAuxVolume(void);
MIXERAPI GetRecDigitalVolume(void);
MIXERAPI GetRecAnalogVolume(void);
MIXERAPI GetPlayLineInMute(void);
MIXERAPI GetPlayMicMute(void);
MIXERAPI GetPlayCDMute(void);
MIXERAPI GetPlayWaveOutMute(void);
MIXERAPI GetPlayAuxMute(void);
MIXERAPI GetPlayMainMute(void);
MIXERAPI GetRecLineInMute(void);
MIXERAPI GetRecMicMute(void);
MIXERAPI GetRecCDMute(void);
MIXERAPI GetRecWaveOutMute(void);
MIXERAPI GetRecAuxMute(void);

/*
 * Recording selection: the setters select the source and return 1 (they
 * never deselect); the getters return the source's selection value (0 or
 * non-zero), or -1 when the source is not found or on failure.
 */
MIXERAPI SetRecLineInSelect(void);
MIXERAPI SetRecMicSelect(void);
MIXERAPI SetRecCDSelect(void);
MIXERAPI SetRecAuxSelect(void);
MIXERAPI SetRecAnalogSelect(void);
MIXERAPI SetRecDigitalSelect(void);
MIXERAPI GetRecLineInSelect(void);
MIXERAPI GetRecMicSelect(void);
MIXERAPI GetRecCDSelect(void);
MIXERAPI GetRecAuxSelect(void);
MIXERAPI GetRecAnalogSelect(void);
MIXERAPI GetRecDigitalSelect(void);

/*
 * Microphone boost on both sides: SetMicBoostMode writes recording then
 * playback and returns 1; GetMicBoostMode is 0 when the recording side is
 * off, else the playback side's value. The CD-type flag (CD lines addressed
 * by the digital CD name from the sound-card name file) is stored unchanged.
 * RepeatPlay, SetPlayRecMonitorMute, SetVolume and RepeatPlayStop do nothing
 * and return 1.
 */
MIXERAPI SetMicBoostMode(LONG value);
MIXERAPI GetMicBoostMode(void);
MIXERAPI SetCDTypeDigital(LONG value);
MIXERAPI GetCDTypeDigital(void);
MIXERAPI RepeatPlay(LONG value);
MIXERAPI SetPlayRecMonitorMute(LONG value);
MIXERAPI SetVolume(LONG value);
MIXERAPI RepeatPlayStop(void);

/*
 * Settings files. Save writes every mixer setting to a text file, Set
 * restores them: 1 on success, 0 on failure. ReadDigitalConfiguration loads
 * the card's line names from the "*.cfg" file whose base name occurs in the
 * mixer's product name: 1 when a file was read, else 0.
 * SetSoundCardConfigFilePath sets the directory prefix searched (end it with
 * a backslash) and returns the stored length plus one; 0 for a null pointer
 * or a string longer than 255 characters, the prefix then unchanged.
 * GetTavrinDirectory copies the host application's registered directory into
 * buffer (at least 255 bytes): 1, or 0 with buffer empty.
 */
MIXERAPI Save(LPCSTR path);
MIXERAPI Set(LPCSTR path);
MIXERAPI ReadDigitalConfiguration(void);
MIXERAPI SetSoundCardConfigFilePath(LPCSTR path);
MIXERAPI GetTavrinDirectory(LPSTR buffer);

/*
 * CD audio over MCI: 0 on success, otherwise the MCI error code (a message
 * box has then told the user); 3075 when no CD device is open.
 */
MIXERAPI OpenCD(void);
MIXERAPI PlayCD(LONG track);
MIXERAPI StopCD(void);
MIXERAPI CloseCD(void);

#undef MIXERAPI

#ifdef __cplusplus
}
#endif

#endif /* MIXER_H */
