// Library entry point: records the module handle and the library's own
// directory, the default place to look for sound-card name files, and starts
// the trace when MIXER_TRACE asks for one (core/trace.h); at unload, stops
// it. The locks are made before it runs (locks.cpp).
#include "core/state.h"
#include "core/trace.h"

namespace {

BOOL Attach(HINSTANCE hinstDLL) {
    // Without its locks the library cannot keep its state whole.
    if (!LibraryLocksReady()) return FALSE;

    HMODULE module;
    {
        StateLock lock;
        if (g_state.ModuleHandle == nullptr) g_state.ModuleHandle = hinstDLL;
        module = g_state.ModuleHandle;
    }

    char path[MIXER_NAME_CHARS];
    const DWORD limit = MIXER_NAME_CHARS - 1;
    DWORD length = GetModuleFileNameA(module, path, limit);
    if (length == 0) return FALSE;
    // A path that fills the whole buffer was cut short: a directory taken from
    // it would be wrong, so none is recorded.
    if (length >= limit) return TRUE;

    DWORD slash = length;
    for (DWORD i = 0; i < length; ++i)
        if (path[i] == '\\') slash = i;
    if (slash == length) return TRUE;

    StateLock lock;
    for (DWORD i = 0; i <= slash; ++i) g_state.SoundCardConfigFilePath[i] = path[i];
    g_state.SoundCardConfigFilePath[slash + 1] = '\0';
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
    if (fdwReason == DLL_PROCESS_ATTACH) {
        const BOOL loaded = Attach(hinstDLL);
        // Only a load that succeeds is unloaded again (DLL_PROCESS_DETACH),
        // which gives the trace's file back.
        if (loaded) TraceStart();
        return loaded;
    }
    // At process exit (lpvReserved set) the system takes the file back
    // itself, and the other threads are gone without leaving the lock.
    if (fdwReason == DLL_PROCESS_DETACH && lpvReserved == nullptr) TraceStop();
    return TRUE;
}
