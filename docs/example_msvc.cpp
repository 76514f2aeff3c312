// A C++ host linked with MIXER.lib the way an MSVC program links: reads the
// main volume and mute, turns the mute over and back, and says what it saw.
// Exit status: 0 done, 1 no mixer device, 2 a result was not the documented
// one.
//
// With Visual C++ or clang-cl and a Windows SDK:
//     cl /EHsc example_msvc.cpp MIXER.lib user32.lib
// Without a C runtime (clang for the target i686-pc-windows-msvc, mingw-w64's
// headers, lld-link): define MIXER_EXAMPLE_NO_CRT and take NoCrtStart as the
// entry point; README.txt has the commands.
#include <stdarg.h>

#include "mixer.h"

namespace {

// One line to standard output, formatted and written by Windows itself.
void Print(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    const int length = wvsprintfA(text, format, args);
    va_end(args);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
}

int Run() {
    const LONG volume = GetPlayMainVolume();
    if (volume < 0) {
        Print("no mixer device: GetPlayMainVolume returned %ld\r\n", volume);
        return 1;
    }
    const LONG mute = GetPlayMainMute();
    Print("MIXER %s: main volume %ld, mute %ld\r\n", MIXER_VERSION_STRING, volume, mute);

    // The same export through its pointer type, as a host that keeps
    // pointers to the functions would call it.
    const MIXER_PFN_SetPlayMainMute setMute = &SetPlayMainMute;
    const LONG flipped = mute ? 0 : 1;
    int wrong = 0;
    if (setMute(flipped) != 1 || GetPlayMainMute() != flipped) ++wrong;
    if (SetPlayMainMute(mute) != 1 || GetPlayMainMute() != mute) ++wrong;
    Print("mute turned to %ld and back to %ld: %s\r\n", flipped, mute, wrong ? "FAILED" : "ok");
    return wrong ? 2 : 0;
}

}  // namespace

#ifdef MIXER_EXAMPLE_NO_CRT
// Without a C runtime nothing calls main. The entry point ends the process
// itself: winmm starts threads of its own, which would keep the process
// alive after its first thread returned.
extern "C" void WINAPI NoCrtStart(void*) { ExitProcess(static_cast<UINT>(Run())); }
#else
int main() { return Run(); }
#endif
