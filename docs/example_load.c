/* Loaded by name at run time: reads the main volume. */
#include <stdio.h>
#include <windows.h>

typedef LONG (WINAPI *GetVolumeFn)(void);

int main(void)
{
    HMODULE dll = LoadLibraryA("MIXER.DLL");
    GetVolumeFn getVolume = dll ? (GetVolumeFn)(void (*)(void))GetProcAddress(dll, "GetPlayMainVolume") : NULL;
    if (getVolume == NULL) return 1;
    printf("main volume %ld\n", getVolume());
    FreeLibrary(dll);
    return 0;
}
