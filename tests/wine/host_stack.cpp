// Calling convention of every export, as a 32-bit host relies on it.
//
// Each export is called through the prototype that include/mixer.h declares
// for it (taken with decltype): the prototype must be stdcall with 32-bit
// arguments, and the function must remove exactly those argument bytes from
// the stack and keep EBX, ESI, EDI and EBP. The call goes through a small
// assembly thunk that pushes the arguments itself and measures ESP after the
// return, so a function that removes too few or too many bytes is reported
// with the difference instead of corrupting the caller. The thunk calls
// each export twice: with the stack 16-byte aligned, and 4, 8 or 12 bytes
// off (a host built by MSVC guarantees 4 bytes only). Then the same call is
// made by the compiler through the typed pointer, with ESP read around it;
// the three results must agree.
#include "host.h"

#include "mixer_exports.h"

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

extern "C" {
// Calls fn with count 32-bit arguments (args[0] pushed last, so first on the
// stack) with ESP at the call equal to a 16-byte boundary minus skew. Stores
// the result and whether EBX, ESI and EDI came back unchanged; returns the
// bytes the callee left on the stack (negative: it removed too many).
LONG __cdecl StackProbeCall(const void* fn, const DWORD* args, int count, DWORD skew, LONG* result,
                            int* preserved);
}

asm(R"(
    .data
    .balign 4
stack_probe_expected:
    .long 0
    .text
    .globl _StackProbeCall
_StackProbeCall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 16(%ebp), %ecx
    leal (,%ecx,4), %eax
    movl %esp, %edx
    subl %eax, %edx
    andl $-16, %edx
    subl 20(%ebp), %edx
    addl %eax, %edx
    movl %edx, %esp
    movl %edx, stack_probe_expected
    movl 12(%ebp), %edx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%edx,%ecx,4)
    jmp 1b
2:  movl $0x5EB0B0B1, %ebx
    movl $0x5E51C0DE, %esi
    movl $0x5ED1BEEF, %edi
    movl 8(%ebp), %eax
    call *%eax
    movl 24(%ebp), %ecx
    movl %eax, (%ecx)
    xorl %edx, %edx
    cmpl $0x5EB0B0B1, %ebx
    jne 3f
    cmpl $0x5E51C0DE, %esi
    jne 3f
    cmpl $0x5ED1BEEF, %edi
    jne 3f
    incl %edx
3:  movl 28(%ebp), %ecx
    movl %edx, (%ecx)
    movl stack_probe_expected, %eax
    subl %esp, %eax
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace {

// What the header declares: matches stdcall prototypes returning LONG only.
template <typename F>
struct Prototype;
template <typename... A>
struct Prototype<LONG(WINAPI*)(A...)> {
    static constexpr int args = sizeof...(A);
    static constexpr bool all32 = ((sizeof(A) == 4) && ... && true);
};

template <typename T>
T As(DWORD v) {
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<T>(static_cast<uintptr_t>(v));
    else
        return static_cast<T>(v);
}

template <typename... A, size_t... I>
LONG Invoke(LONG(WINAPI* fn)(A...), const DWORD* args, std::index_sequence<I...>) {
    return fn(As<A>(args[I])...);
}

// The compiler's own call through the typed pointer, with ESP read before
// and after; returns the change of ESP (0 when the callee removed what the
// prototype says). Only used once the thunk found the stack use right.
template <typename... A>
__attribute__((noinline)) LONG TypedCall(LONG(WINAPI* fn)(A...), const DWORD* args, LONG* result) {
    uintptr_t before, after;
    asm volatile("movl %%esp, %0" : "=r"(before) : : "memory");
    *result = Invoke(fn, args, std::index_sequence_for<A...>{});
    asm volatile("movl %%esp, %0" : "=r"(after) : : "memory");
    return static_cast<LONG>(before - after);
}

struct Entry {
    const char* name;
    int declaredArgs;     // from mixer.h
    int tableBytes;       // as tools/exports.py reads them from mixer.h (the .def's)
    bool declared32;
    LONG (*typed)(FARPROC, const DWORD*, LONG*);
};

template <typename F>
LONG TypedThunk(FARPROC p, const DWORD* args, LONG* result) {
    return TypedCall(AsFunction<F>(p), args, result);
}

#define MIXER_ENTRY(name, bytes, ordinal)                                                             \
    {#name, Prototype<decltype(&name)>::args, bytes, Prototype<decltype(&name)>::all32, \
     &TypedThunk<decltype(&name)>},
const Entry kEntries[] = {MIXER_EXPORT_LIST(MIXER_ENTRY)};
#undef MIXER_ENTRY
constexpr int kEntryCount = sizeof kEntries / sizeof kEntries[0];
static_assert(kEntryCount == MIXER_EXPORT_COUNT, "one entry per export");

// Harmless arguments: levels and switches of 0 (absent lines, or the
// recording microphone, put back after the sweep), an invalid line on an open
// mixer, null or 256-byte buffers, a temporary settings file, the library's
// own directory.
struct Arguments {
    HMIXER mixer = nullptr;
    char buffer[256];
    char settings[MAX_PATH];
    char directory[MAX_PATH];

    Arguments() {
        std::memset(buffer, 0, sizeof buffer);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        std::snprintf(settings, sizeof settings, "%smixer-stack-%lu.txt", temp, GetCurrentProcessId());
        std::snprintf(directory, sizeof directory, "%s", DllDirectory().c_str());
        mixerOpen(&mixer, 0, 0, 0, 0);
    }
    ~Arguments() {
        if (mixer) mixerClose(mixer);
        DeleteFileA(settings);
    }

    void For(const char* name, DWORD* a) {
        std::memset(a, 0, 5 * sizeof(DWORD));
        auto is = [name](const char* n) { return std::strcmp(name, n) == 0; };
        auto ptr = [](const void* p) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(p)); };
        if (is("SetMixer")) {
            a[0] = 0x7777;
            a[1] = MIXER_OP_MAIN_VOLUME;
            a[3] = ptr("");
        } else if (is("LocateControl")) {
            a[0] = 0x7777;
            a[2] = ptr(mixer);
            a[3] = MIXER_OP_MAIN_VOLUME;
        } else if (is("GetPeak")) {
            a[0] = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        } else if (is("SelectLine")) {
            a[0] = MIXER_SRC_NAMED;
            a[1] = ptr("no such line");
        } else if (is("GetMixerRecordChannels")) {
            a[0] = ptr(buffer);
            a[1] = sizeof buffer - 1;
        } else if (is("GetTavrinDirectory")) {
            a[0] = ptr(buffer);
        } else if (is("Save") || is("Set")) {
            a[0] = ptr(settings);
        } else if (is("SetSoundCardConfigFilePath")) {
            a[0] = ptr(directory);
        } else if (is("PlayCD")) {
            a[0] = 1;
        }
    }
};

// A device opened by OpenCD (a machine with a CD drive) is closed again, so
// that every call of the same export starts from the same state.
void Settle(const char* name, LONG result) {
    if (std::strcmp(name, "OpenCD") == 0 && result == 0) {
        MIXER_DLL_FUNCTION(Dll(), CloseCD)();
    }
}

std::set<std::string> ModuleExportNames(HMODULE module) {
    std::set<std::string> names;
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (dir.VirtualAddress == 0) return names;
    const IMAGE_EXPORT_DIRECTORY* exp = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const DWORD* nameRvas = reinterpret_cast<const DWORD*>(base + exp->AddressOfNames);
    for (DWORD i = 0; i < exp->NumberOfNames; ++i) names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
    return names;
}

// Device 0's master, found before the sweep, and every device's destination
// put back after it: the sweep's zeros reach the recording microphone, whose
// level and mute are the recording endpoint's.
struct Master {
    bool ok = false;
    std::vector<DeviceLevels> saved = ReadEveryDestination();
    Master() { ok = FindMasterControls().ok && !saved.empty() && saved[0].controls.ok; }
    ~Master() { RestoreLevels(saved); }
};

LONG WINAPI TakesTwo(LONG a, LONG b) { return a + b; }
LONG __cdecl CallerCleans(LONG a) { return a; }
}  // namespace

// A stdcall function of one argument that returns with EBX changed.
extern "C" LONG WINAPI SpoilsEbx(LONG a);
asm(R"(
    .text
_SpoilsEbx@4:
    xorl %ebx, %ebx
    movl 4(%esp), %eax
    ret $4
)");

TEST(Stack, ProbeCatchesWrongStackUse) {
    // The probe itself: a function that removes its arguments is clean at
    // every alignment; one that leaves them, or removes more than the
    // prototype says, or spoils a callee-saved register, is caught.
    const DWORD args[5] = {3, 4, 0, 0, 0};
    LONG result = 0;
    int preserved = 0;
    for (DWORD skew = 0; skew < 16; skew += 4) {
        SCOPED_TRACE("stack at 16n-" + std::to_string(skew));
        EXPECT_EQ(StackProbeCall(reinterpret_cast<const void*>(&TakesTwo), args, 2, skew, &result, &preserved), 0);
        EXPECT_EQ(result, 7);
        EXPECT_EQ(preserved, 1);
    }
    EXPECT_EQ(StackProbeCall(reinterpret_cast<const void*>(&CallerCleans), args, 1, 0, &result, &preserved), 4);
    EXPECT_EQ(result, 3);
    EXPECT_EQ(StackProbeCall(reinterpret_cast<const void*>(&TakesTwo), args, 1, 0, &result, &preserved), -4);
    EXPECT_EQ(StackProbeCall(reinterpret_cast<const void*>(&SpoilsEbx), args, 1, 0, &result, &preserved), 0);
    EXPECT_EQ(preserved, 0);
}

TEST(Stack, EveryExportIsDeclaredAsTheTableSays) {
    // The sweep's list is what the DLL exports, no more and no less, and the
    // header's prototypes agree with the export table.
    const std::set<std::string> exported = ModuleExportNames(Dll().Module());
    EXPECT_EQ(exported.size(), static_cast<size_t>(kEntryCount));
    EXPECT_EQ(Dll().MissingExports(), std::vector<std::string>());
    for (const Entry& e : kEntries) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(exported.count(e.name), 1u) << "not exported";
        EXPECT_TRUE(e.declared32);
        EXPECT_EQ(4 * e.declaredArgs, e.tableBytes) << "mixer.h's arguments against the table's bytes";
    }
}

TEST(Stack, SweepOfEveryExport) {
    Master master;
    EXPECT_TRUE(master.ok);
    Arguments arguments;
    EXPECT_NE(arguments.mixer, nullptr);
    int clean = 0, swept = 0;
    for (int index = 0; index < kEntryCount; ++index) {
        const Entry& e = kEntries[index];
        SCOPED_TRACE(std::string(e.name) + " (" + std::to_string(e.declaredArgs) + " arguments)");
        ++swept;
        FARPROC p = Dll().Address(e.name);
        EXPECT_NE(p, nullptr);
        if (!p) continue;
        DWORD args[5];
        arguments.For(e.name, args);

        // On a 16-byte boundary, then 4, 8 or 12 bytes off it.
        const DWORD skews[2] = {0, static_cast<DWORD>(4 + 4 * (index % 3))};
        bool ok = true;
        LONG first = 0;
        for (int k = 0; k < 2; ++k) {
            LONG result = 0;
            int preserved = 0;
            const LONG left =
                StackProbeCall(reinterpret_cast<const void*>(p), args, e.declaredArgs, skews[k], &result, &preserved);
            Settle(e.name, result);
            EXPECT_EQ(left, 0) << "bytes left on the stack at 16n-" << skews[k];
            EXPECT_TRUE(preserved) << "callee-saved register changed at 16n-" << skews[k];
            if (k == 0) first = result;
            EXPECT_EQ(result, first) << "another answer to the same arguments";
            ok = ok && left == 0 && preserved && result == first;
        }
        if (!ok) continue;

        LONG result = 0;
        const LONG moved = e.typed(p, args, &result);
        Settle(e.name, result);
        EXPECT_EQ(moved, 0) << "ESP moved through the prototype";
        EXPECT_EQ(result, first) << "the prototype's call answered otherwise than the thunk's";
        if (moved == 0 && result == first) ++clean;
    }
    std::printf("  %d of %d exports keep the stack and registers as declared\n", clean, swept);
    EXPECT_EQ(swept, kEntryCount);
}
