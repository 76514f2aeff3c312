#!/usr/bin/env python3
"""Checks a built MIXER.DLL as a host and the Windows loader see it.

  exports   the export directory holds exactly the names of the export table
            (the lists of include/mixer.h, read by tools/exports.py):
            ordinal base 1, ordinals 1..N in the alphabetical order of the
            names, a name for every address-table slot, a name table sorted
            for the loader's binary search, the three no-op names at one
            address and every other name at its own, code addresses only (no
            forwarders); and the .def file the build wrote is what the table
            gives.
  imports   the import table names only Windows' own DLLs, and in them only
            functions that Windows XP's have; the image asks for
            subsystem version 4.0, which every Windows loads.
  version   the version resource carries the project's version.
  size      the file stays within its size budget.

The tables are read with pefile from the raw structures (address table, name
pointer table, ordinal table), not from a disassembler's listing."""
import argparse
import os
import sys

try:
    import pefile
except ImportError:  # pragma: no cover - reported as a test failure
    sys.exit("FAIL: this check needs the pefile module (Debian package python3-pefile)")

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import exports as table  # noqa: E402

# Exported names of one function: it does nothing and returns 1.
SHARED_ADDRESS = ["RepeatPlay", "SetPlayRecMonitorMute", "SetVolume"]
ALLOWED_IMPORTS = {"KERNEL32.DLL", "USER32.DLL", "ADVAPI32.DLL", "WINMM.DLL", "MSVCRT.DLL", "OLE32.DLL"}
# The functions the DLL may import, by DLL: each is exported by that DLL on
# Windows XP (32-bit, as released), as the Win32 documentation's minimum
# supported client and the mingw-w64 headers with _WIN32_WINNT=0x0501 both
# say. The C runtime's own imports are here too. A name not listed fails the
# check until someone has looked it up and added it.
XP_FUNCTIONS = {
    "KERNEL32.DLL": {
        "CloseHandle", "CreateFileA", "DeleteCriticalSection", "DeleteFileA", "EnterCriticalSection",
        "FindClose", "FindFirstFileA", "FindNextFileA", "FlushFileBuffers", "FreeLibrary",
        "GetCurrentThreadId", "GetEnvironmentVariableA", "GetFileAttributesA", "GetLastError", "GetModuleFileNameA", "GetModuleHandleA", "GetProcAddress",
        "GetProcessHeap", "HeapAlloc", "HeapFree", "InitializeCriticalSection",
        "InitializeCriticalSectionAndSpinCount", "LeaveCriticalSection", "LoadLibraryA", "LocalAlloc",
        "LocalFree", "MoveFileExA", "OutputDebugStringA", "ReadFile", "SetCriticalSectionSpinCount", "SetLastError", "Sleep",
        "TlsAlloc", "TlsFree", "TlsGetValue", "TlsSetValue", "TryEnterCriticalSection", "VirtualProtect",
        "VirtualQuery", "WriteFile",
    },
    "USER32.DLL": {"MessageBoxA", "wsprintfA", "wvsprintfA"},
    # COM for Core Audio's endpoint volume, made only on Windows Vista and
    # later; each of these is in Windows XP's ole32 too.
    "OLE32.DLL": {"CoCreateInstance", "CoInitializeEx", "CoUninitialize"},
    "ADVAPI32.DLL": {"RegCloseKey", "RegOpenKeyExA", "RegQueryValueExA"},
    "WINMM.DLL": {
        "mciGetErrorStringA", "mciSendCommandA", "mixerClose", "mixerGetControlDetailsA", "mixerGetDevCapsA",
        "mixerGetID", "mixerGetLineControlsA", "mixerGetLineInfoA", "mixerGetNumDevs", "mixerOpen",
        "mixerSetControlDetails", "waveInGetNumDevs", "waveInMessage", "waveOutGetNumDevs", "waveOutMessage",
    },
    "MSVCRT.DLL": {
        "__dllonexit", "_amsg_exit", "_errno", "_initterm", "_iob", "_lock", "_onexit", "_unlock", "abort",
        "calloc", "free", "fwrite", "malloc", "memcpy", "memmove", "memset", "realloc", "strlen", "strncmp",
        "vfprintf",
    },
}
# Functions that Windows Vista added and that a DLL like this one might reach
# for: named in the failure, so that the fix (a run-time lookup with a
# fallback) is plain.
VISTA_FUNCTIONS = {
    "AcquireSRWLockExclusive", "AcquireSRWLockShared", "InitializeSRWLock", "ReleaseSRWLockExclusive",
    "ReleaseSRWLockShared", "TryAcquireSRWLockExclusive", "TryAcquireSRWLockShared",
    "InitializeConditionVariable", "SleepConditionVariableCS", "SleepConditionVariableSRW",
    "WakeAllConditionVariable", "WakeConditionVariable", "InitOnceExecuteOnce", "InitOnceBeginInitialize",
    "InitOnceComplete", "InitializeCriticalSectionEx", "GetTickCount64", "CreateEventExA", "CreateMutexExA",
    "CreateSemaphoreExA", "GetFinalPathNameByHandleA", "FlsAlloc", "FlsGetValue", "FlsSetValue", "FlsFree",
    "GetCurrentProcessorNumber", "CancelIoEx",
}
XP_SUBSYSTEM_VERSION = (4, 0)
IMAGE_SCN_MEM_EXECUTE = 0x20000000


class Report:
    def __init__(self):
        self.errors = []

    def fail(self, text):
        self.errors.append(text)

    def check(self, ok, text):
        if not ok:
            self.fail(text)

    def finish(self):
        for e in self.errors:
            print("FAIL:", e)
        print("FAILED" if self.errors else "passed")
        return 1 if self.errors else 0


def load(path, report):
    pe = pefile.PE(path)
    report.check(pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
                 "machine 0x%x is not i386" % pe.FILE_HEADER.Machine)
    report.check(pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"],
                 "the image is not marked as a DLL")
    return pe


def read_exports(pe):
    """The export directory as three raw arrays: address table, names with
    their address-table indexes, in name-table order."""
    d = pe.DIRECTORY_ENTRY_EXPORT.struct
    eat = [pe.get_dword_at_rva(d.AddressOfFunctions + 4 * i) for i in range(d.NumberOfFunctions)]
    names = []
    for i in range(d.NumberOfNames):
        name_rva = pe.get_dword_at_rva(d.AddressOfNames + 4 * i)
        index = pe.get_word_at_rva(d.AddressOfNameOrdinals + 2 * i)
        names.append((pe.get_string_at_rva(name_rva, 512).decode("latin-1"), index))
    return d, eat, names


def check_exports(a):
    report = Report()
    pe = load(a.dll, report)
    if not hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        report.fail("no export directory")
        return report.finish()
    d, eat, names = read_exports(pe)
    want = table.ORDINALS
    dll_name = pe.get_string_at_rva(d.Name).decode("latin-1")
    print("export directory of %s: base %d, %d address slots, %d names" %
          (dll_name, d.Base, d.NumberOfFunctions, d.NumberOfNames))

    report.check(dll_name.upper() == "MIXER.DLL", "export directory names the module %r" % dll_name)
    report.check(d.Base == 1, "ordinal base is %d, not 1" % d.Base)
    report.check(d.NumberOfFunctions == len(want),
                 "address table has %d slots, want %d" % (d.NumberOfFunctions, len(want)))
    report.check(d.NumberOfNames == len(want), "name table has %d names, want %d" % (d.NumberOfNames, len(want)))

    got = {}
    for name, index in names:
        if name in got:
            report.fail("name %s appears twice" % name)
        got[name] = d.Base + index
        report.check(index < len(eat), "%s points past the address table (index %d)" % (name, index))
    listed = [n for n, _ in names]
    report.check(listed == sorted(listed, key=lambda n: n.encode("latin-1")),
                 "the name pointer table is not in ascending order")

    missing = sorted(set(want) - set(got))
    extra = sorted(set(got) - set(want))
    report.check(not missing, "names missing: " + ", ".join(missing))
    report.check(not extra, "names not in the table: " + ", ".join(extra))
    wrong = ["%s is ordinal %d, want %d" % (n, got[n], want[n]) for n in sorted(want) if n in got and got[n] != want[n]]
    report.check(not wrong, "ordinals differ: " + "; ".join(wrong))

    # Every slot of the address table is reached by a name: nothing is
    # exported by ordinal alone.
    named = {index for _, index in names}
    unnamed = [d.Base + i for i, rva in enumerate(eat) if rva != 0 and i not in named]
    report.check(not unnamed, "ordinals exported without a name: %s" % unnamed)

    # Code addresses, no forwarders (a forwarder's RVA lies inside the
    # export directory and names another DLL's function).
    exp_dir = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]]
    address = {}
    for name, index in names:
        if index >= len(eat):
            continue
        rva = eat[index]
        address[name] = rva
        if exp_dir.VirtualAddress <= rva < exp_dir.VirtualAddress + exp_dir.Size:
            report.fail("%s is a forwarder to %s" % (name, pe.get_string_at_rva(rva).decode("latin-1")))
            continue
        section = pe.get_section_by_rva(rva)
        report.check(section is not None and section.Characteristics & IMAGE_SCN_MEM_EXECUTE,
                     "%s (RVA 0x%x) is not in an executable section" % (name, rva))

    # One function behind the alias names, a function of its own for every
    # other name.
    groups = {}
    for name, rva in address.items():
        groups.setdefault(rva, []).append(name)
    alias_names = sorted(SHARED_ADDRESS)
    alias_rvas = {address[n] for n in alias_names if n in address}
    report.check(len(alias_rvas) == 1, "%s are not one address: %s" %
                 ("/".join(alias_names), ", ".join("%s 0x%x" % (n, address[n]) for n in alias_names if n in address)))
    for rva, group in sorted(groups.items()):
        if sorted(group) != alias_names and len(group) > 1:
            report.fail("names sharing address 0x%x: %s" % (rva, ", ".join(sorted(group))))
    distinct = len(groups)
    print("%d names at %d distinct addresses" % (len(address), distinct))
    report.check(distinct == len(want) - len(alias_names) + 1,
                 "%d distinct addresses, want %d" % (distinct, len(want) - len(alias_names) + 1))

    if a.deffile:
        with open(a.deffile, newline="") as f:
            text = f.read().replace("\r\n", "\n")
        report.check(text == table.def_text(sorted(table.load(), key=lambda e: e.ordinal)),
                     "%s is not what tools/exports.py --def writes from mixer.h (edited?)" % a.deffile)
    return report.finish()


def check_imports(a):
    report = Report()
    pe = load(a.dll, report)
    dlls = [e.dll.decode("latin-1") for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    delayed = [e.dll.decode("latin-1") for e in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])]
    print("imports: %s" % ", ".join(dlls))
    if delayed:
        print("delay-load imports: %s" % ", ".join(delayed))
    for name in dlls + delayed:
        report.check(name.upper() in ALLOWED_IMPORTS, "imports %s, which is not one of Windows' own DLLs" % name)
    report.check(len(set(n.upper() for n in dlls)) == len(dlls), "a DLL is listed twice in the import table")
    entries = getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) + getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])
    for entry in entries:
        dll = entry.dll.decode("latin-1")
        known = XP_FUNCTIONS.get(dll.upper(), set())
        for imp in entry.imports:
            if imp.name is None:
                report.fail("%s imports ordinal %s by number" % (dll, imp.ordinal))
                continue
            name = imp.name.decode("latin-1")
            if name in VISTA_FUNCTIONS:
                report.fail("imports %s from %s, which Windows XP lacks (Windows Vista added it): "
                            "reach it with GetProcAddress and a fallback" % (name, dll))
            elif name not in known:
                report.fail("imports %s from %s, which is not in the list of functions checked against "
                            "Windows XP's %s" % (name, dll, dll.upper()))
    print("%d functions imported" % sum(len(e.imports) for e in entries))
    o = pe.OPTIONAL_HEADER
    version = (o.MajorSubsystemVersion, o.MinorSubsystemVersion)
    print("subsystem version %d.%d" % version)
    report.check(version == XP_SUBSYSTEM_VERSION, "subsystem version %d.%d, want %d.%d (Windows XP loads "
                 "up to 5.1)" % (version + XP_SUBSYSTEM_VERSION))
    return report.finish()


def version_strings(pe):
    strings = {}
    for group in getattr(pe, "FileInfo", []):
        for info in group:
            if getattr(info, "Key", b"") == b"StringFileInfo":
                for st in info.StringTable:
                    for k, v in st.entries.items():
                        strings[k.decode("latin-1")] = v.decode("latin-1")
    return strings


def check_version(a):
    report = Report()
    pe = load(a.dll, report)
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not fixed:
        report.fail("no version resource")
        return report.finish()
    strings = version_strings(pe)
    for k in sorted(strings):
        print("  %s: %s" % (k, strings[k]))
    parts = [int(p) for p in a.version.split(".")]
    parts += [0] * (4 - len(parts))
    ms, ls = (parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3]
    f = fixed[0]
    print("  fixed file version %d.%d.%d.%d, product version %d.%d.%d.%d" % (
        f.FileVersionMS >> 16, f.FileVersionMS & 0xFFFF, f.FileVersionLS >> 16, f.FileVersionLS & 0xFFFF,
        f.ProductVersionMS >> 16, f.ProductVersionMS & 0xFFFF, f.ProductVersionLS >> 16, f.ProductVersionLS & 0xFFFF))
    report.check((f.FileVersionMS, f.FileVersionLS) == (ms, ls), "fixed file version differs from %s" % a.version)
    report.check((f.ProductVersionMS, f.ProductVersionLS) == (ms, ls), "fixed product version differs from %s" % a.version)
    report.check(f.FileType == 2, "file type %d is not VFT_DLL" % f.FileType)
    want = {"FileVersion": a.version, "ProductVersion": a.version,
            "OriginalFilename": "MIXER.DLL", "FileDescription": a.description}
    for k, v in want.items():
        report.check(strings.get(k) == v, "%s is %r, want %r" % (k, strings.get(k), v))
    return report.finish()


def check_size(a):
    report = Report()
    size = os.path.getsize(a.dll)
    print("%s: %d bytes (%.1f KiB), budget %d bytes (%.1f KiB), %d bytes left" %
          (os.path.basename(a.dll), size, size / 1024.0, a.budget, a.budget / 1024.0, a.budget - size))
    report.check(size <= a.budget, "%d bytes is above the budget of %d" % (size, a.budget))
    return report.finish()


def main():
    ap = argparse.ArgumentParser()
    sub = ap.add_subparsers(dest="what", required=True)
    p = sub.add_parser("exports")
    p.add_argument("--def", dest="deffile")
    p.add_argument("dll")
    p = sub.add_parser("imports")
    p.add_argument("dll")
    p = sub.add_parser("version")
    p.add_argument("--version", required=True)
    p.add_argument("--description", required=True)
    p.add_argument("dll")
    p = sub.add_parser("size")
    p.add_argument("--budget", type=int, required=True)
    p.add_argument("dll")
    a = ap.parse_args()
    return {"exports": check_exports, "imports": check_imports,
            "version": check_version, "size": check_size}[a.what](a)


if __name__ == "__main__":
    sys.exit(main())
