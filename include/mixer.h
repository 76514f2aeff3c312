/*
 * mixer.h - the interface of MIXER.DLL for host applications.
 *
 * Every function uses the standard calling convention (__stdcall), takes
 * 32-bit arguments and returns a 32-bit integer. Link with the import library
 * (libmixer.dll.a for mingw, MIXER.lib for MSVC), or load MIXER.DLL at run
 * time by its full path (README.txt, "Loading at run time") and find the
 * names with GetProcAddress: the exported names are undecorated. Define MIXER_NO_DLLIMPORT to declare the functions without
 * __declspec(dllimport) (for example when taking their types with decltype).
 *
 * Strings are 8-bit, NUL-terminated, in the ANSI code page.
 *
 * Mixer device 0. Every call that touches the mixer opens mixer device 0 (or,
 * for a recording line, a recording endpoint's mixer; see below) and
 * closes it before it returns; no handle is kept between calls. While it is
 * open, the line, control and value requests name the device by its
 * identifier, 0 (MIXER_OBJECTF_MIXER), so they reach device 0 however many
 * calls came before, also on platforms whose handle numbers run out or come
 * to name another device (Wine). LocateControl is the exception: its requests
 * name the mixer by the handle the host passes.
 *
 * Windows Vista and later, and Wine. These systems show every audio endpoint
 * as a mixer device of its own (Microsoft, "Audio Mixers in Windows Vista"):
 * device 0 is the preferred playback endpoint, a speakers destination over
 * wave-out and CD sources, without a wave-in destination. Where device 0 has
 * no wave-in destination, the recording functions (the Rec volumes and
 * mutes, SetRecLineInBalance, the recording side of the microphone boost,
 * and Save and Set through them) look for their line on the recording
 * endpoints' mixers: the preferred wave-in device's first, then the other
 * wave-in devices' in order (mixerGetID with MIXER_OBJECTF_WAVEIN), each
 * opened, searched and closed as device 0 is. Where the line's own volume or
 * mute keeps nothing (Wine), the endpoint destination's stands in: every
 * control of an endpoint acts on the one endpoint control. These mixers
 * have no recording selector, peak meter or boost switch, and the functions
 * for them give what they give on any mixer without one: SetRec...Select 1
 * selecting nothing, GetRec...Select -1, IsMuxSingleSelect 0,
 * GetMixerRecordChannels -1 with an empty buffer, GetPeak 0, the boost
 * setters nothing written, GetMicBoostMode 0. A playback level set through
 * the mixer there belongs to the host's own audio session; a recording
 * level is the endpoint's (Wine keeps every level per process). A host run
 * in Windows XP compatibility mode gets the card's own mixer instead. Where
 * device 0 has a wave-in destination, none of this happens.
 *
 * Reads change nothing. A getter reads the control and writes nothing back:
 * repeated reads leave a level where it was, also on platforms that store a
 * level with less precision than they report it, and never undo a change
 * another program made meanwhile.
 *
 * Threads. Any function may be called from any thread of the host, also
 * while other threads are inside the library. The library's own state (the
 * cached recording source names, the name file's line names and search
 * directory, the CD-type flag and the CD player) is kept under a lock, so
 * each call sees it whole and as of one moment: a ReadDigitalConfiguration
 * on one thread and a getter on another see the names of one file or of the
 * other, never a mix, and OpenCD and CloseCD from two threads leave no CD
 * device open (an OpenCD while a device is open closes the earlier one). The
 * CD player's functions take turns with one another under a lock of their
 * own, commands included, so an OpenCD waiting for a drive to spin up holds
 * up only the CD player's other calls. A thread that finds a lock held waits
 * without spinning. CD error message boxes are shown after the locks are
 * released, so a box waiting for the user holds up no other thread. Mixer
 * requests themselves are not held back: two threads writing the same
 * control at the same moment interleave their requests as two programs would
 * (a volume write and a balance write of one line may then keep only one of
 * the two); a host that needs one after the other should make its calls one
 * after the other.
 */
#ifndef MIXER_H
#define MIXER_H

#include <windows.h>
#include <mmsystem.h>

/*
 * Version of the library this header describes; the DLL's version resource
 * (file and product version) carries the same numbers.
 */
#define MIXER_VERSION_MAJOR 1
#define MIXER_VERSION_MINOR 0
#define MIXER_VERSION_PATCH 0
#define MIXER_VERSION_STRING "1.0.0"

/*
 * How to read this header. Each group of functions below is one list,
 * MIXER_FUNCTIONS_<GROUP>(X), with one line a function:
 *
 *     X(result type, name, (parameters))
 *
 * and MIXER_FUNCTIONS(X) is all 91 of them in the order of the groups. At
 * the end the lists become, for every function,
 *
 *     LONG WINAPI Name(parameters);                    the prototype
 *     typedef LONG (WINAPI *MIXER_PFN_Name)(parameters);  its pointer type
 *
 * A host that loads MIXER.DLL at run time calls each function through its
 * MIXER_PFN_ type, which carries WINAPI: a pointer without it compiles and
 * then corrupts the caller's stack on every call. Define MIXER_NO_PROTOTYPES
 * to get the pointer types and lists without the prototypes (a host that
 * names its own pointers after the functions). A host may expand the lists
 * itself, for example into a table of names for GetProcAddress:
 *
 *     #define NAME(result, name, params) #name,
 *     static const char *const names[] = { MIXER_FUNCTIONS(NAME) };
 *
 * Results at a glance: per-line setters return 1 whatever happens; mixer
 * getters return the value, 0 when the line or control is missing and -1 on
 * failure; file functions 1 or 0; CD functions 0 or an MCI error code.
 */

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
/*
 * No operation has the code 11. Like any code outside this list, 11 searches
 * the playback (speakers) destination's source lines and touches no control:
 * SetMixer returns 1 when a line of the type exists and changes nothing.
 */

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
 * (right), and any other position writes nothing. GetPeak: the magnitude of
 * the line's peak meter, 0 on any failure.
 */
#define MIXER_FUNCTIONS_ENGINE(X) \
    X(LONG, SetMixer, (DWORD componentType, LONG op, LONG value, LPCSTR name, LONG byName)) \
    X(LONG, LocateControl, (DWORD lineId, LONG value, HMIXER mixer, LONG op)) \
    X(LONG, GetPeak, (DWORD componentType))

/*
 * Recording selector. ScanRecControls refreshes the cached source names and
 * returns 0. SelectLine selects (select == 1) or deselects a source: the open
 * error of mixer device 0, otherwise 0; MIXER_SRC_NAMED with a null name
 * touches nothing and returns 0. IsMuxSingleSelect: 1 when the
 * recording selector allows one source at a time, else 0.
 * GetMixerRecordChannels writes "product|item|item|..." into buffer (which
 * must hold limit + 1 bytes and at least 33): 0, or -1 on failure.
 */
#define MIXER_FUNCTIONS_SELECTOR(X) \
    X(LONG, ScanRecControls, (void)) \
    X(LONG, SelectLine, (LONG kind, LPCSTR name, LONG select)) \
    X(LONG, IsMuxSingleSelect, (void)) \
    X(LONG, GetMixerRecordChannels, (LPSTR buffer, DWORD limit))

/*
 * Per-line setters: take the new value (volume in the control's units,
 * balance 0..15, mute and boost 0 or non-zero) and always return 1.
 */
#define MIXER_FUNCTIONS_LINE_SETTERS(X) \
    X(LONG, SetPlayLineInVolume, (LONG value)) \
    X(LONG, SetPlayMicVolume, (LONG value)) \
    X(LONG, SetPlayCDVolume, (LONG value)) \
    X(LONG, SetPlayWaveOutVolume, (LONG value)) \
    X(LONG, SetPlayAuxVolume, (LONG value)) \
    X(LONG, SetPlayDigitalVolume, (LONG value)) \
    X(LONG, SetPlayMainVolume, (LONG value)) \
    X(LONG, SetRecLineInVolume, (LONG value)) \
    X(LONG, SetRecMicVolume, (LONG value)) \
    X(LONG, SetRecCDVolume, (LONG value)) \
    X(LONG, SetRecWaveOutVolume, (LONG value)) \
    X(LONG, SetRecAuxVolume, (LONG value)) \
    X(LONG, SetRecDigitalVolume, (LONG value)) \
    X(LONG, SetRecAnalogVolume, (LONG value)) \
    X(LONG, SetPlayLineInBalance, (LONG value)) \
    X(LONG, SetRecLineInBalance, (LONG value)) \
    X(LONG, SetPlayMainBalance, (LONG value)) \
    X(LONG, SetPlayLineInMute, (LONG value)) \
    X(LONG, SetPlayMicMute, (LONG value)) \
    X(LONG, SetPlayCDMute, (LONG value)) \
    X(LONG, SetPlayWaveOutMute, (LONG value)) \
    X(LONG, SetPlayAuxMute, (LONG value)) \
    X(LONG, SetPlayMainMute, (LONG value)) \
    X(LONG, SetRecLineInMute, (LONG value)) \
    X(LONG, SetRecMicMute, (LONG value)) \
    X(LONG, SetRecCDMute, (LONG value)) \
    X(LONG, SetRecWaveOutMute, (LONG value)) \
    X(LONG, SetRecAuxMute, (LONG value)) \
    X(LONG, SetPlayMicBoostMode, (LONG value)) \
    X(LONG, SetRecMicBoostMode, (LONG value))

/*
 * Per-line getters: the value read; 0 when the line or control is missing;
 * -1 on failure or when no mixer exists.
 */
#define MIXER_FUNCTIONS_LINE_GETTERS(X) \
    X(LONG, GetPlayLineInVolume, (void)) \
    X(LONG, GetPlayMicVolume, (void)) \
    X(LONG, GetPlayCDVolume, (void)) \
    X(LONG, GetPlayWaveOutVolume, (void)) \
    X(LONG, GetPlayAuxVolume, (void)) \
    X(LONG, GetPlayDigitalVolume, (void)) \
    X(LONG, GetPlayMainVolume, (void)) \
    X(LONG, GetRecLineInVolume, (void)) \
    X(LONG, GetRecMicVolume, (void)) \
    X(LONG, GetRecCDVolume, (void)) \
    X(LONG, GetRecWaveOutVolume, (void)) \
    X(LONG, GetRecAuxVolume, (void)) \
    X(LONG, GetRecDigitalVolume, (void)) \
    X(LONG, GetRecAnalogVolume, (void)) \
    X(LONG, GetPlayLineInMute, (void)) \
    X(LONG, GetPlayMicMute, (void)) \
    X(LONG, GetPlayCDMute, (void)) \
    X(LONG, GetPlayWaveOutMute, (void)) \
    X(LONG, GetPlayAuxMute, (void)) \
    X(LONG, GetPlayMainMute, (void)) \
    X(LONG, GetRecLineInMute, (void)) \
    X(LONG, GetRecMicMute, (void)) \
    X(LONG, GetRecCDMute, (void)) \
    X(LONG, GetRecWaveOutMute, (void)) \
    X(LONG, GetRecAuxMute, (void))

/*
 * Recording selection: the setters select the source and return 1 (they
 * never deselect); the getters return the source's selection value (0 or
 * non-zero), or -1 when the source is not found or on failure.
 */
#define MIXER_FUNCTIONS_SELECTION(X) \
    X(LONG, SetRecLineInSelect, (void)) \
    X(LONG, SetRecMicSelect, (void)) \
    X(LONG, SetRecCDSelect, (void)) \
    X(LONG, SetRecAuxSelect, (void)) \
    X(LONG, SetRecAnalogSelect, (void)) \
    X(LONG, SetRecDigitalSelect, (void)) \
    X(LONG, GetRecLineInSelect, (void)) \
    X(LONG, GetRecMicSelect, (void)) \
    X(LONG, GetRecCDSelect, (void)) \
    X(LONG, GetRecAuxSelect, (void)) \
    X(LONG, GetRecAnalogSelect, (void)) \
    X(LONG, GetRecDigitalSelect, (void))

/*
 * Microphone boost on both sides: SetMicBoostMode writes recording then
 * playback and returns 1; GetMicBoostMode is 0 when the recording side is
 * off, else the playback side's value. The CD-type flag (CD lines addressed
 * by the digital CD name from the sound-card name file) is stored unchanged.
 * RepeatPlay, SetPlayRecMonitorMute, SetVolume and RepeatPlayStop do nothing
 * and return 1.
 */
#define MIXER_FUNCTIONS_MISC(X) \
    X(LONG, SetMicBoostMode, (LONG value)) \
    X(LONG, GetMicBoostMode, (void)) \
    X(LONG, SetCDTypeDigital, (LONG value)) \
    X(LONG, GetCDTypeDigital, (void)) \
    X(LONG, RepeatPlay, (LONG value)) \
    X(LONG, SetPlayRecMonitorMute, (LONG value)) \
    X(LONG, SetVolume, (LONG value)) \
    X(LONG, RepeatPlayStop, (void))

/*
 * Settings files. Save writes every mixer setting to a text file, Set
 * restores them: 1 on success, 0 on failure. The file is replaced whole or
 * not at all; Save returns 0 and leaves it as it is when mixer device 0
 * cannot be read or the file is read-only. Set skips values of -1 (written
 * by earlier versions when the mixer could not be read).
 * ReadDigitalConfiguration loads the card's line names from the "*.cfg" file
 * whose base name occurs in the mixer's product name: 1 when a file was read,
 * else 0.
 * SetSoundCardConfigFilePath sets the directory prefix searched (end it with
 * a backslash) and returns the stored length plus one; 0 for a null pointer
 * or a string longer than 255 characters, the prefix then unchanged.
 * GetTavrinDirectory copies the host application's registered directory into
 * buffer (at least 255 bytes): 1, or 0 with buffer empty.
 */
#define MIXER_FUNCTIONS_FILES(X) \
    X(LONG, Save, (LPCSTR path)) \
    X(LONG, Set, (LPCSTR path)) \
    X(LONG, ReadDigitalConfiguration, (void)) \
    X(LONG, SetSoundCardConfigFilePath, (LPCSTR path)) \
    X(LONG, GetTavrinDirectory, (LPSTR buffer))

/*
 * CD audio over MCI: 0 on success, otherwise the MCI error code (a message
 * box has then told the user); 3075 when no CD device is open.
 */
#define MIXER_FUNCTIONS_CD(X) \
    X(LONG, OpenCD, (void)) \
    X(LONG, PlayCD, (LONG track)) \
    X(LONG, StopCD, (void)) \
    X(LONG, CloseCD, (void))

/* Every function, group by group. */
#define MIXER_FUNCTION_COUNT 91
#define MIXER_FUNCTIONS(X) \
    MIXER_FUNCTIONS_ENGINE(X) \
    MIXER_FUNCTIONS_SELECTOR(X) \
    MIXER_FUNCTIONS_LINE_SETTERS(X) \
    MIXER_FUNCTIONS_LINE_GETTERS(X) \
    MIXER_FUNCTIONS_SELECTION(X) \
    MIXER_FUNCTIONS_MISC(X) \
    MIXER_FUNCTIONS_FILES(X) \
    MIXER_FUNCTIONS_CD(X)

#ifdef __cplusplus
extern "C" {
#endif

#ifdef MIXER_NO_DLLIMPORT
#define MIXER_IMPORT
#else
#define MIXER_IMPORT __declspec(dllimport)
#endif

#define MIXER_POINTER_TYPE_(result, name, params) typedef result (WINAPI *MIXER_PFN_##name) params;
MIXER_FUNCTIONS(MIXER_POINTER_TYPE_)
#undef MIXER_POINTER_TYPE_

#ifndef MIXER_NO_PROTOTYPES
#define MIXER_PROTOTYPE_(result, name, params) MIXER_IMPORT result WINAPI name params;
MIXER_FUNCTIONS(MIXER_PROTOTYPE_)
#undef MIXER_PROTOTYPE_
#endif

#ifdef __cplusplus
}
#endif

#endif /* MIXER_H */
