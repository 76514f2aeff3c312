/* Loaded at run time from this program's own folder: finds all 91
   functions, reads the main volume and mute through the pointer types of
   mixer.h. Exit status: 0 done, 1 no mixer device, or MIXER.DLL or one of
   its functions not found. */
#include <stdio.h>
#include <string.h>
#define MIXER_NO_PROTOTYPES /* pointer types only: the host names the pointers */
#include "mixer.h"

#ifndef LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
#define LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR 0x00000100
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

/* MIXER.DLL beside this program, by its full path: LoadLibraryA("MIXER.DLL")
   would also take one from the current directory. Where kernel32 has
   SetDefaultDllDirectories (Windows 7 with KB2533623, and later),
   LoadLibraryExA's search flags keep the library's own imports to its
   folder and the system directory; older systems load the full path with
   LoadLibraryA, which does not search for it. */
static HMODULE LoadMixer(void)
{
    char path[MAX_PATH];
    char *name = NULL, *p;
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return NULL;
    for (p = path; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    if (name == NULL || (size_t)(name - path) + sizeof "MIXER.DLL" > MAX_PATH) return NULL;
    strcpy(name, "MIXER.DLL");
    if (GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories") != NULL)
        return LoadLibraryExA(path, NULL, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadLibraryA(path);
}

/* One pointer a function, each of its MIXER_PFN_ type (which carries WINAPI). */
#define MEMBER(result, name, params) MIXER_PFN_##name name;
struct Mixer { MIXER_FUNCTIONS(MEMBER) };

int main(void)
{
    struct Mixer mixer;
    int missing = 0;
    LONG volume;
    HMODULE dll = LoadMixer();
    if (dll == NULL) {
        printf("MIXER.DLL not found beside the program (error %lu)\n", GetLastError());
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
