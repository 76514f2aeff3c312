/* Loaded by name at run time: finds all 91 functions, reads the main volume
   and mute through the pointer types of mixer.h. Exit status: 0 done, 1 no
   mixer device, or MIXER.DLL or one of its functions not found. */
#include <stdio.h>
#define MIXER_NO_PROTOTYPES /* pointer types only: the host names the pointers */
#include "mixer.h"

/* One pointer a function, each of its MIXER_PFN_ type (which carries WINAPI). */
#define MEMBER(result, name, params) MIXER_PFN_##name name;
struct Mixer { MIXER_FUNCTIONS(MEMBER) };

int main(void)
{
    struct Mixer mixer;
    int missing = 0;
    LONG volume;
    HMODULE dll = LoadLibraryA("MIXER.DLL");
    if (dll == NULL) {
        printf("MIXER.DLL not found (error %lu)\n", GetLastError());
        return 1;
    }
#define FIND(result, name, params) \
    mixer.name = (MIXER_PFN_##name)(void (*)(void))GetProcAddress(dll, #name); \
    if (mixer.name == NULL) { printf("%s not found\n", #name); ++missing; }
    MIXER_FUNCTIONS(FIND)
    if (missing != 0) {
        FreeLibrary(dll);
        return 1;
    }
    volume = mixer.GetPlayMainVolume();
    printf("%d functions found; main volume %ld, mute %ld\n", MIXER_FUNCTION_COUNT, volume,
           mixer.GetPlayMainMute());
    FreeLibrary(dll);
    return volume < 0 ? 1 : 0;
}
