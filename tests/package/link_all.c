/*
 * A host that imports every export through an import library, built twice:
 * the way an MSVC host links (clang for the MSVC target i686-pc-windows-msvc,
 * lld-link, MIXER.lib) and the mingw way (gcc, ld, libmixer.dll.a), with no
 * C runtime either time. Every export is declared here as a Visual C++
 * program declares it, __declspec(dllimport) long __stdcall Name(...), so the object
 * refers to the decorated names (__imp__SetMixer@20); the program only
 * starts when the import library bound each of them to an export of
 * MIXER.DLL. It then checks results it can know without a mixer and exits
 * with the number of failed checks (ExitProcess, from a kernel32 import
 * library made the same way: winmm's threads would outlive a plain return).
 */
#include "mixer_exports.h"

#define ARGS_0 void
#define ARGS_4 long
#define ARGS_8 long, long
#define ARGS_12 long, long, long
#define ARGS_16 long, long, long, long
#define ARGS_20 long, long, long, long, long
#define DECLARE(name, bytes, ordinal) __declspec(dllimport) long __stdcall name(ARGS_##bytes);
MIXER_EXPORT_LIST(DECLARE)
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned int code);

#define BOUND(name, bytes, ordinal) \
    { const void *volatile address = (const void *)&name; if (address == 0) ++failures; }

void __stdcall start(void *unused)
{
    unsigned long failures = 0;
    const void *volatile repeatPlay;
    (void)unused;
    MIXER_EXPORT_LIST(BOUND)
    /* One function behind three names, its own function for another (read
       through volatile pointers: the compiler takes distinct declarations
       for distinct functions). */
    repeatPlay = (const void *)&RepeatPlay;
    if (repeatPlay != (const void *)&SetVolume) ++failures;
    if (repeatPlay != (const void *)&SetPlayRecMonitorMute) ++failures;
    if (repeatPlay == (const void *)&RepeatPlayStop) ++failures;
    if (RepeatPlay(5) != 1 || SetVolume(5) != 1 || RepeatPlayStop() != 1) ++failures;
    /* The CD-type flag is stored as given. */
    if (SetCDTypeDigital(7) != 1 || GetCDTypeDigital() != 7) ++failures;
    if (SetCDTypeDigital(0) != 1 || GetCDTypeDigital() != 0) ++failures;
    /* No CD device is open: MCI's "device not open" code, nothing sent. */
    if (CloseCD() != 3075 || StopCD() != 3075 || PlayCD(1) != 3075) ++failures;
    /* Five arguments: no line of this component type exists. */
    if (SetMixer(0x7777, 2, 1000, (long)"", 0) != 0) ++failures;
    if (SetSoundCardConfigFilePath(0) != 0) ++failures;
    ExitProcess(failures);
}
