// Win32 declarations for the native build.
//
// The library is plain Windows code. On Windows it includes <windows.h> and
// <mmsystem.h>; on the native build this header stands in for them: the same
// type names, record layouts, constants and function names, implemented by the
// simulated platform in this folder (see sim.h for its test-facing side).
//
// Records keep their published field order. Pointer-sized members make some of
// them larger on a 64-bit host than on i686; the library only ever uses sizeof.
#pragma once

#include <cstdarg>

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int BOOL;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef unsigned int UINT;
typedef char CHAR;
typedef size_t SIZE_T;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef uintptr_t ULONG_PTR;
typedef intptr_t LONG_PTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef LONG* LPLONG;
typedef BYTE* LPBYTE;
typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HWND__* HWND;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef struct HMIXER__* HMIXER;
typedef HMIXER* LPHMIXER;
typedef struct HMIXEROBJ__* HMIXEROBJ;
typedef HANDLE HLOCAL;
typedef UINT MMRESULT;
typedef UINT MMVERSION;
typedef DWORD MCIERROR;
typedef UINT MCIDEVICEID;
typedef DWORD REGSAM;
typedef LONG LSTATUS;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// ---- Loader, kernel --------------------------------------------------------
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#define MAX_PATH 260

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_WRITE_FAULT 29L
#define ERROR_READ_FAULT 30L
#define ERROR_HANDLE_DISK_FULL 39L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_FILE_EXISTS 80L
#define ERROR_FILENAME_EXCED_RANGE 206L

#define HEAP_ZERO_MEMORY 0x00000008
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

extern "C" {
HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
HLOCAL WINAPI LocalFree(HLOCAL hMem);
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD dwErrCode);
}

// ---- Process: environment, debug output, threads -----------------------------
// None of these is in the call log or counted by fault injection (sim.h:
// SetEnvironment, DebugStrings). The environment is the simulation's own,
// empty after Reset(), not the host process's.
#define ERROR_ENVVAR_NOT_FOUND 203L
#define TLS_OUT_OF_INDEXES ((DWORD)0xFFFFFFFF)

extern "C" {
DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize);
BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue);
void WINAPI OutputDebugStringA(LPCSTR lpOutputString);
DWORD WINAPI GetCurrentThreadId(void);
DWORD WINAPI TlsAlloc(void);
BOOL WINAPI TlsFree(DWORD dwTlsIndex);
LPVOID WINAPI TlsGetValue(DWORD dwTlsIndex);
BOOL WINAPI TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue);
}

// ---- Critical sections ---------------------------------------------------------
// The record in its published layout. Here the simulation keeps its own
// lock behind DebugInfo (sim_sync.cpp), from InitializeCriticalSection*
// to DeleteCriticalSection, and leaves the other fields as initialised.
// As on Windows, a critical section is re-entrant (its owner may enter it
// again, and leaves it as often), a thread that finds it held waits until
// it is left, and it must be initialised before its first use. The
// simulation stops the program, with a message, on a use the platform
// leaves undefined: entering, leaving or deleting one that is not
// initialised, leaving one the thread does not hold, deleting one that is
// held. None of these calls is in the call log or takes the platform's
// lock (a thread waiting to enter holds up no other platform call).
typedef struct _RTL_CRITICAL_SECTION {
    void* DebugInfo;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
} RTL_CRITICAL_SECTION, CRITICAL_SECTION, *LPCRITICAL_SECTION;

extern "C" {
// Succeeds, as it always does since Windows Vista; the spin count is kept
// and not used (the simulation waits at once).
BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
}

// ---- Files and directory search --------------------------------------------
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define GENERIC_READ 0x80000000UL
#define GENERIC_WRITE 0x40000000UL
#define FILE_APPEND_DATA 0x00000004UL
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_WRITE_THROUGH 0x00000008

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

extern "C" {
HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
BOOL WINAPI FlushFileBuffers(HANDLE hFile);
BOOL WINAPI CloseHandle(HANDLE hObject);
BOOL WINAPI DeleteFileA(LPCSTR lpFileName);
BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags);
DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName);
HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
BOOL WINAPI FindClose(HANDLE hFindFile);
}

// ---- Registry --------------------------------------------------------------
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ 0x00020019
#define KEY_WRITE 0x00020006
#define KEY_ALL_ACCESS 0x000F003F
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4

extern "C" {
LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                             PHKEY phkResult);
LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData);
LSTATUS WINAPI RegCloseKey(HKEY hKey);
}

// ---- User interface --------------------------------------------------------
#define MB_OK 0x00000000L
#define IDOK 1

extern "C" int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
// user32's formatter: %d %u %x %X %c %s (with width and precision), at most
// 1024 characters and the terminator; returns the characters written.
extern "C" int WINAPI wvsprintfA(LPSTR out, LPCSTR format, va_list args);
extern "C" int wsprintfA(LPSTR out, LPCSTR format, ...);

// ---- Multimedia: common ----------------------------------------------------
#define MAXPNAMELEN 32
#define MMSYSERR_BASE 0
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_NOTENABLED 3
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_NOTSUPPORTED 8
#define MMSYSERR_BADERRNUM 9
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define CALLBACK_TYPEMASK 0x00070000L
#define CALLBACK_NULL 0x00000000L
#define CALLBACK_WINDOW 0x00010000L
#define CALLBACK_TASK 0x00020000L
#define CALLBACK_THREAD CALLBACK_TASK
#define CALLBACK_FUNCTION 0x00030000L
#define CALLBACK_EVENT 0x00050000L

// ---- Multimedia: mixer -----------------------------------------------------
#define MIXER_SHORT_NAME_CHARS 16
#define MIXER_LONG_NAME_CHARS 64
#define MIXERR_BASE 1024
#define MIXERR_INVALLINE (MIXERR_BASE + 0)
#define MIXERR_INVALCONTROL (MIXERR_BASE + 1)
#define MIXERR_INVALVALUE (MIXERR_BASE + 2)

#define MIXER_OBJECTF_HANDLE 0x80000000UL
#define MIXER_OBJECTF_MIXER 0x00000000UL
#define MIXER_OBJECTF_HMIXER (MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIXER)
#define MIXER_OBJECTF_WAVEOUT 0x10000000UL
#define MIXER_OBJECTF_WAVEIN 0x20000000UL
#define MIXER_OBJECTF_MIDIOUT 0x30000000UL
#define MIXER_OBJECTF_MIDIIN 0x40000000UL
#define MIXER_OBJECTF_AUX 0x50000000UL
#define MIXER_OBJECTF_TYPEMASK 0xF0000000UL

#define MIXER_GETLINEINFOF_DESTINATION 0x00000000UL
#define MIXER_GETLINEINFOF_SOURCE 0x00000001UL
#define MIXER_GETLINEINFOF_LINEID 0x00000002UL
#define MIXER_GETLINEINFOF_COMPONENTTYPE 0x00000003UL
#define MIXER_GETLINEINFOF_TARGETTYPE 0x00000004UL
#define MIXER_GETLINEINFOF_QUERYMASK 0x0000000FUL

#define MIXER_GETLINECONTROLSF_ALL 0x00000000UL
#define MIXER_GETLINECONTROLSF_ONEBYID 0x00000001UL
#define MIXER_GETLINECONTROLSF_ONEBYTYPE 0x00000002UL
#define MIXER_GETLINECONTROLSF_QUERYMASK 0x0000000FUL

#define MIXER_GETCONTROLDETAILSF_VALUE 0x00000000UL
#define MIXER_GETCONTROLDETAILSF_LISTTEXT 0x00000001UL
#define MIXER_GETCONTROLDETAILSF_QUERYMASK 0x0000000FUL
#define MIXER_SETCONTROLDETAILSF_VALUE 0x00000000UL
#define MIXER_SETCONTROLDETAILSF_CUSTOM 0x00000001UL
#define MIXER_SETCONTROLDETAILSF_QUERYMASK 0x0000000FUL

#define MIXERLINE_TARGETTYPE_UNDEFINED 0
#define MIXERLINE_TARGETTYPE_WAVEOUT 1
#define MIXERLINE_TARGETTYPE_WAVEIN 2

#define MIXERLINE_LINEF_ACTIVE 0x00000001UL
#define MIXERLINE_LINEF_DISCONNECTED 0x00008000UL
#define MIXERLINE_LINEF_SOURCE 0x80000000UL

#define MIXERLINE_COMPONENTTYPE_DST_FIRST 0x00000000UL
#define MIXERLINE_COMPONENTTYPE_DST_UNDEFINED 0x00000000UL
#define MIXERLINE_COMPONENTTYPE_DST_DIGITAL 0x00000001UL
#define MIXERLINE_COMPONENTTYPE_DST_LINE 0x00000002UL
#define MIXERLINE_COMPONENTTYPE_DST_MONITOR 0x00000003UL
#define MIXERLINE_COMPONENTTYPE_DST_SPEAKERS 0x00000004UL
#define MIXERLINE_COMPONENTTYPE_DST_HEADPHONES 0x00000005UL
#define MIXERLINE_COMPONENTTYPE_DST_TELEPHONE 0x00000006UL
#define MIXERLINE_COMPONENTTYPE_DST_WAVEIN 0x00000007UL
#define MIXERLINE_COMPONENTTYPE_DST_VOICEIN 0x00000008UL
#define MIXERLINE_COMPONENTTYPE_SRC_FIRST 0x00001000UL
#define MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED 0x00001000UL
#define MIXERLINE_COMPONENTTYPE_SRC_DIGITAL 0x00001001UL
#define MIXERLINE_COMPONENTTYPE_SRC_LINE 0x00001002UL
#define MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE 0x00001003UL
#define MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER 0x00001004UL
#define MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC 0x00001005UL
#define MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE 0x00001006UL
#define MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER 0x00001007UL
#define MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT 0x00001008UL
#define MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY 0x00001009UL
#define MIXERLINE_COMPONENTTYPE_SRC_ANALOG 0x0000100AUL

#define MIXERCONTROL_CONTROLF_UNIFORM 0x00000001UL
#define MIXERCONTROL_CONTROLF_MULTIPLE 0x00000002UL
#define MIXERCONTROL_CONTROLF_DISABLED 0x80000000UL

#define MIXERCONTROL_CT_CLASS_MASK 0xF0000000UL
#define MIXERCONTROL_CT_CLASS_CUSTOM 0x00000000UL
#define MIXERCONTROL_CT_CLASS_METER 0x10000000UL
#define MIXERCONTROL_CT_CLASS_SWITCH 0x20000000UL
#define MIXERCONTROL_CT_CLASS_NUMBER 0x30000000UL
#define MIXERCONTROL_CT_CLASS_SLIDER 0x40000000UL
#define MIXERCONTROL_CT_CLASS_FADER 0x50000000UL
#define MIXERCONTROL_CT_CLASS_TIME 0x60000000UL
#define MIXERCONTROL_CT_CLASS_LIST 0x70000000UL

#define MIXERCONTROL_CONTROLTYPE_CUSTOM 0x00000000UL
#define MIXERCONTROL_CONTROLTYPE_BOOLEANMETER 0x10010000UL
#define MIXERCONTROL_CONTROLTYPE_SIGNEDMETER 0x10020000UL
#define MIXERCONTROL_CONTROLTYPE_PEAKMETER 0x10020001UL
#define MIXERCONTROL_CONTROLTYPE_UNSIGNEDMETER 0x10030000UL
#define MIXERCONTROL_CONTROLTYPE_BOOLEAN 0x20010000UL
#define MIXERCONTROL_CONTROLTYPE_ONOFF 0x20010001UL
#define MIXERCONTROL_CONTROLTYPE_MUTE 0x20010002UL
#define MIXERCONTROL_CONTROLTYPE_MONO 0x20010003UL
#define MIXERCONTROL_CONTROLTYPE_LOUDNESS 0x20010004UL
#define MIXERCONTROL_CONTROLTYPE_STEREOENH 0x20010005UL
#define MIXERCONTROL_CONTROLTYPE_BUTTON 0x21010000UL
#define MIXERCONTROL_CONTROLTYPE_DECIBELS 0x30040000UL
#define MIXERCONTROL_CONTROLTYPE_SIGNED 0x30020000UL
#define MIXERCONTROL_CONTROLTYPE_UNSIGNED 0x30030000UL
#define MIXERCONTROL_CONTROLTYPE_PERCENT 0x30050000UL
#define MIXERCONTROL_CONTROLTYPE_SLIDER 0x40020000UL
#define MIXERCONTROL_CONTROLTYPE_PAN 0x40020001UL
#define MIXERCONTROL_CONTROLTYPE_QSOUNDPAN 0x40020002UL
#define MIXERCONTROL_CONTROLTYPE_FADER 0x50030000UL
#define MIXERCONTROL_CONTROLTYPE_VOLUME 0x50030001UL
#define MIXERCONTROL_CONTROLTYPE_BASS 0x50030002UL
#define MIXERCONTROL_CONTROLTYPE_TREBLE 0x50030003UL
#define MIXERCONTROL_CONTROLTYPE_EQUALIZER 0x50030004UL
#define MIXERCONTROL_CONTROLTYPE_SINGLESELECT 0x70010000UL
#define MIXERCONTROL_CONTROLTYPE_MUX 0x70010001UL
#define MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT 0x71010000UL
#define MIXERCONTROL_CONTROLTYPE_MIXER 0x71010001UL
#define MIXERCONTROL_CONTROLTYPE_MICROTIME 0x60030000UL
#define MIXERCONTROL_CONTROLTYPE_MILLITIME 0x61030000UL

typedef struct tagMIXERCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD fdwSupport;
    DWORD cDestinations;
} MIXERCAPSA, *PMIXERCAPSA, *LPMIXERCAPSA;

typedef struct tagMIXERLINEA {
    DWORD cbStruct;
    DWORD dwDestination;
    DWORD dwSource;
    DWORD dwLineID;
    DWORD fdwLine;
    DWORD_PTR dwUser;
    DWORD dwComponentType;
    DWORD cChannels;
    DWORD cConnections;
    DWORD cControls;
    CHAR szShortName[MIXER_SHORT_NAME_CHARS];
    CHAR szName[MIXER_LONG_NAME_CHARS];
    struct {
        DWORD dwType;
        DWORD dwDeviceID;
        WORD wMid;
        WORD wPid;
        MMVERSION vDriverVersion;
        CHAR szPname[MAXPNAMELEN];
    } Target;
} MIXERLINEA, *PMIXERLINEA, *LPMIXERLINEA;

typedef struct tagMIXERCONTROLA {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD dwControlType;
    DWORD fdwControl;
    DWORD cMultipleItems;
    CHAR szShortName[MIXER_SHORT_NAME_CHARS];
    CHAR szName[MIXER_LONG_NAME_CHARS];
    union {
        struct {
            LONG lMinimum;
            LONG lMaximum;
        };
        struct {
            DWORD dwMinimum;
            DWORD dwMaximum;
        };
        DWORD dwReserved[6];
    } Bounds;
    union {
        DWORD cSteps;
        DWORD cbCustomData;
        DWORD dwReserved[6];
    } Metrics;
} MIXERCONTROLA, *PMIXERCONTROLA, *LPMIXERCONTROLA;

typedef struct tagMIXERLINECONTROLSA {
    DWORD cbStruct;
    DWORD dwLineID;
    union {
        DWORD dwControlID;
        DWORD dwControlType;
    };
    DWORD cControls;
    DWORD cbmxctrl;
    LPMIXERCONTROLA pamxctrl;
} MIXERLINECONTROLSA, *PMIXERLINECONTROLSA, *LPMIXERLINECONTROLSA;

typedef struct tMIXERCONTROLDETAILS {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD cChannels;
    union {
        HWND hwndOwner;
        DWORD cMultipleItems;
    };
    DWORD cbDetails;
    LPVOID paDetails;
} MIXERCONTROLDETAILS, *PMIXERCONTROLDETAILS, *LPMIXERCONTROLDETAILS;

typedef struct tagMIXERCONTROLDETAILS_LISTTEXTA {
    DWORD dwParam1;
    DWORD dwParam2;
    CHAR szName[MIXER_LONG_NAME_CHARS];
} MIXERCONTROLDETAILS_LISTTEXTA, *PMIXERCONTROLDETAILS_LISTTEXTA, *LPMIXERCONTROLDETAILS_LISTTEXTA;

typedef struct tMIXERCONTROLDETAILS_BOOLEAN {
    LONG fValue;
} MIXERCONTROLDETAILS_BOOLEAN, *PMIXERCONTROLDETAILS_BOOLEAN, *LPMIXERCONTROLDETAILS_BOOLEAN;

typedef struct tMIXERCONTROLDETAILS_SIGNED {
    LONG lValue;
} MIXERCONTROLDETAILS_SIGNED, *PMIXERCONTROLDETAILS_SIGNED, *LPMIXERCONTROLDETAILS_SIGNED;

typedef struct tMIXERCONTROLDETAILS_UNSIGNED {
    DWORD dwValue;
} MIXERCONTROLDETAILS_UNSIGNED, *PMIXERCONTROLDETAILS_UNSIGNED, *LPMIXERCONTROLDETAILS_UNSIGNED;

extern "C" {
UINT WINAPI mixerGetNumDevs(void);
MMRESULT WINAPI mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                          DWORD fdwOpen);
MMRESULT WINAPI mixerClose(HMIXER hmx);
MMRESULT WINAPI mixerGetDevCapsA(UINT_PTR uMxId, LPMIXERCAPSA pmxcaps, UINT cbmxcaps);
MMRESULT WINAPI mixerGetLineInfoA(HMIXEROBJ hmxobj, LPMIXERLINEA pmxl, DWORD fdwInfo);
MMRESULT WINAPI mixerGetLineControlsA(HMIXEROBJ hmxobj, LPMIXERLINECONTROLSA pmxlc, DWORD fdwControls);
MMRESULT WINAPI mixerGetControlDetailsA(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails);
MMRESULT WINAPI mixerSetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails);
MMRESULT WINAPI mixerGetID(HMIXEROBJ hmxobj, UINT* puMxId, DWORD fdwId);
}

// ---- Multimedia: waveform audio --------------------------------------------
// Only what maps a wave device to its mixer: the device counts and the
// preferred device the wave mapper reports (DRVM_MAPPER_PREFERRED_GET, from
// <mmddk.h>: dwParam1 points to the device identifier, dwParam2 to the
// status flags).
typedef struct HWAVEIN__* HWAVEIN;
typedef struct HWAVEOUT__* HWAVEOUT;
#define WAVE_MAPPER ((UINT)-1)
#define DRVM_MAPPER 0x2000
#define DRVM_MAPPER_PREFERRED_GET (DRVM_MAPPER + 21)
#define DRVM_MAPPER_PREFERRED_FLAGS_PREFERREDONLY 0x00000001

extern "C" {
UINT WINAPI waveInGetNumDevs(void);
UINT WINAPI waveOutGetNumDevs(void);
MMRESULT WINAPI waveInMessage(HWAVEIN hwi, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2);
MMRESULT WINAPI waveOutMessage(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2);
}

// ---- Multimedia: MCI -------------------------------------------------------
#define MCIERR_BASE 256
#define MCIERR_INVALID_DEVICE_ID (MCIERR_BASE + 1)
#define MCIERR_UNRECOGNIZED_KEYWORD (MCIERR_BASE + 3)
#define MCIERR_UNRECOGNIZED_COMMAND (MCIERR_BASE + 5)
#define MCIERR_HARDWARE (MCIERR_BASE + 6)
#define MCIERR_INVALID_DEVICE_NAME (MCIERR_BASE + 7)
#define MCIERR_OUT_OF_MEMORY (MCIERR_BASE + 8)
#define MCIERR_DEVICE_OPEN (MCIERR_BASE + 9)
#define MCIERR_CANNOT_LOAD_DRIVER (MCIERR_BASE + 10)
#define MCIERR_MISSING_PARAMETER (MCIERR_BASE + 17)
#define MCIERR_UNSUPPORTED_FUNCTION (MCIERR_BASE + 18)
#define MCIERR_DEVICE_NOT_READY (MCIERR_BASE + 20)
#define MCIERR_INTERNAL (MCIERR_BASE + 21)
#define MCIERR_OUTOFRANGE (MCIERR_BASE + 26)
#define MCIERR_FLAGS_NOT_COMPATIBLE (MCIERR_BASE + 28)
#define MCIERR_BAD_TIME_FORMAT (MCIERR_BASE + 37)
#define MCIERR_NULL_PARAMETER_BLOCK (MCIERR_BASE + 41)
#define MCIERR_DEVICE_NOT_INSTALLED (MCIERR_BASE + 50)
#define MCIERR_CUSTOM_DRIVER_BASE (MCIERR_BASE + 256)

#define MCI_OPEN 0x0803
#define MCI_CLOSE 0x0804
#define MCI_PLAY 0x0806
#define MCI_STOP 0x0808
#define MCI_SET 0x080D
#define MCI_STATUS 0x0814

#define MCI_NOTIFY 0x00000001L
#define MCI_WAIT 0x00000002L
#define MCI_FROM 0x00000004L
#define MCI_TO 0x00000008L
#define MCI_OPEN_SHAREABLE 0x00000100L
#define MCI_OPEN_ELEMENT 0x00000200L
#define MCI_OPEN_ALIAS 0x00000400L
#define MCI_OPEN_TYPE_ID 0x00001000L
#define MCI_OPEN_TYPE 0x00002000L
#define MCI_SET_TIME_FORMAT 0x00000400L
#define MCI_FORMAT_MILLISECONDS 0
#define MCI_FORMAT_MSF 2
#define MCI_FORMAT_TMSF 10

typedef struct tagMCI_OPEN_PARMSA {
    DWORD_PTR dwCallback;
    MCIDEVICEID wDeviceID;
    LPCSTR lpstrDeviceType;
    LPCSTR lpstrElementName;
    LPCSTR lpstrAlias;
} MCI_OPEN_PARMSA, *PMCI_OPEN_PARMSA, *LPMCI_OPEN_PARMSA;

typedef struct tagMCI_SET_PARMS {
    DWORD_PTR dwCallback;
    DWORD dwTimeFormat;
    DWORD dwAudio;
} MCI_SET_PARMS, *PMCI_SET_PARMS, *LPMCI_SET_PARMS;

typedef struct tagMCI_PLAY_PARMS {
    DWORD_PTR dwCallback;
    DWORD dwFrom;
    DWORD dwTo;
} MCI_PLAY_PARMS, *PMCI_PLAY_PARMS, *LPMCI_PLAY_PARMS;

typedef struct tagMCI_GENERIC_PARMS {
    DWORD_PTR dwCallback;
} MCI_GENERIC_PARMS, *PMCI_GENERIC_PARMS, *LPMCI_GENERIC_PARMS;

extern "C" {
MCIERROR WINAPI mciSendCommandA(MCIDEVICEID mciId, UINT uMsg, DWORD_PTR dwParam1, DWORD_PTR dwParam2);
BOOL WINAPI mciGetErrorStringA(MCIERROR mcierr, LPSTR pszText, UINT cchText);
}

// ---- COM and Core Audio ------------------------------------------------------
// The COM calls and Core Audio interfaces the library uses, in the methods'
// own names (<objbase.h>, <mmdeviceapi.h>, <endpointvolume.h>): the
// simulated platform's Core Audio (sim_coreaudio.cpp) implements them. Each
// interface lists only the methods the library calls; the order of a real
// interface's table is no concern of a native program.
typedef LONG HRESULT;
typedef wchar_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID, IID, CLSID;
typedef const GUID& REFIID;
typedef const GUID& REFCLSID;
typedef const GUID* LPCGUID;

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
// HRESULT_FROM_WIN32(ERROR_NOT_FOUND): IMMDeviceEnumerator::GetDevice's
// answer for an identifier that names no endpoint.
#define E_NOTFOUND ((HRESULT)0x80070490L)
#define AUDCLNT_E_DEVICE_INVALIDATED ((HRESULT)0x88890004L)

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_ALL 0x17

typedef struct tagPROPVARIANT PROPVARIANT;

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

struct IMMDevice : IUnknown {
    virtual HRESULT Activate(REFIID iid, DWORD dwClsCtx, PROPVARIANT* pActivationParams, void** ppInterface) = 0;
    virtual HRESULT GetId(LPWSTR* ppstrId) = 0;

protected:
    ~IMMDevice() = default;
};

struct IMMDeviceEnumerator : IUnknown {
    virtual HRESULT GetDevice(LPCWSTR pwstrId, IMMDevice** ppDevice) = 0;

protected:
    ~IMMDeviceEnumerator() = default;
};

struct IAudioEndpointVolume : IUnknown {
    virtual HRESULT GetChannelCount(UINT* pnChannelCount) = 0;
    virtual HRESULT SetMasterVolumeLevelScalar(float fLevel, LPCGUID pguidEventContext) = 0;
    virtual HRESULT GetMasterVolumeLevelScalar(float* pfLevel) = 0;
    virtual HRESULT SetChannelVolumeLevelScalar(UINT nChannel, float fLevel, LPCGUID pguidEventContext) = 0;
    virtual HRESULT GetChannelVolumeLevelScalar(UINT nChannel, float* pfLevel) = 0;
    virtual HRESULT SetMute(BOOL bMute, LPCGUID pguidEventContext) = 0;
    virtual HRESULT GetMute(BOOL* pbMute) = 0;
    virtual HRESULT GetVolumeStepInfo(UINT* pnStep, UINT* pnStepCount) = 0;

protected:
    ~IAudioEndpointVolume() = default;
};

struct IAudioMeterInformation : IUnknown {
    virtual HRESULT GetPeakValue(float* pfPeak) = 0;

protected:
    ~IAudioMeterInformation() = default;
};

extern "C" {
HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void WINAPI CoUninitialize(void);
HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                                LPVOID* ppv);
void WINAPI CoTaskMemFree(LPVOID pv);
}

// Wave device messages of Windows Vista and later (<mmddk.h>): the size in
// bytes of the device's Core Audio endpoint identifier, its terminator
// included (dwParam1 points to a ULONG), and the identifier itself
// (dwParam1 the buffer, dwParam2 its size in bytes).
#define DRV_RESERVED 0x0800
#define DRV_QUERYFUNCTIONINSTANCEID (DRV_RESERVED + 17)
#define DRV_QUERYFUNCTIONINSTANCEIDSIZE (DRV_RESERVED + 18)
