// The trace (core/trace.h): one line an export call, built while the call
// runs and written whole when it returns.
//
// The line lives in a block from the process heap that the thread's slot
// points to while the call runs; the request recorder (platform/requests.h)
// appends to the block of the thread it runs on, so calls on several threads
// build their lines apart. A line is handed to the file with one WriteFile
// under the trace's own lock, in a file opened once at load for appending
// only (FILE_APPEND_DATA: every write lands at the end, also when another
// process appends to the same file), kept open and shared with readers,
// writers and deleters. Keeping it open costs one open a process instead of
// one a call, and a trace asked for at load keeps its file when the host
// later changes directory.
#include "core/trace.h"

#include "core/decimal.h"
#include "platform/core_audio.h"
#include "platform/requests.h"

#include <new>

bool g_traceOn = false;

namespace {

const char kVariable[] = "MIXER_TRACE";
const char kDebugValue[] = "debug";

// A line grows to this many bytes at most; the requests past it are counted.
const size_t kLineLimit = 1u << 20;
const size_t kFirstBlock = 4096;
// A string argument or name shows at most this many bytes.
const size_t kTextLimit = 255;

struct TraceSink {
    HANDLE file = INVALID_HANDLE_VALUE;  // none: OutputDebugStringA
    DWORD slot = TLS_OUT_OF_INDEXES;
    CRITICAL_SECTION lock;
    bool lockMade = false;
};
TraceSink g_sink;

// ---- Text ------------------------------------------------------------------

// A line under construction: a heap block that grows, "MIXER[thread] "
// and the export's call first, then " | " and a request at a time.
class LineText {
public:
    LineText() = default;
    LineText(const LineText&) = delete;
    LineText& operator=(const LineText&) = delete;
    ~LineText() {
        if (text_ != nullptr) HeapFree(GetProcessHeap(), 0, text_);
    }

    const char* text() const { return text_; }
    size_t length() const { return length_; }
    bool full() const { return full_; }
    void Cut(size_t length) { length_ = length; }

    void Char(char c) { Bytes(&c, 1); }
    void Str(const char* s) {
        size_t n = 0;
        while (s[n] != '\0') ++n;
        Bytes(s, n);
    }
    void Unsigned(DWORD v) {
        char digits[10];
        Bytes(digits, static_cast<size_t>(DecimalDigits(v, digits)));
    }
    void Signed(LONG v) {
        if (v < 0) {
            Char('-');
            Unsigned(0u - static_cast<DWORD>(v));
        } else {
            Unsigned(static_cast<DWORD>(v));
        }
    }
    void Hex(UINT_PTR v) {
        const char kDigits[] = "0123456789ABCDEF";
        char digits[2 * sizeof v];
        int n = 0;
        do {
            digits[n++] = kDigits[v & 0xF];
            v >>= 4;
        } while (v != 0);
        Str("0x");
        while (n > 0) Char(digits[--n]);
    }
    // In double quotes: printable ASCII as it is but for '"' and '\\', which
    // take a backslash, and '|', which is \x7C like every other byte outside
    // printable ASCII, so that every bar of a line separates two parts and a
    // name holds no line end. At most 255 bytes of a string, then "...".
    void Quoted(const char* s) { Quoted(s, kTextLimit, true); }
    // A record's text field of `size` bytes, which may lack its terminator:
    // nothing past the field is read.
    void Field(const char* s, size_t size) { Quoted(s, size, false); }

private:
    void Quoted(const char* s, size_t limit, bool more) {
        if (s == nullptr) {
            Str("NULL");
            return;
        }
        Char('"');
        size_t i = 0;
        for (; i < limit && s[i] != '\0'; ++i) {
            const unsigned char c = static_cast<unsigned char>(s[i]);
            if (c == '"' || c == '\\') {
                Char('\\');
                Char(static_cast<char>(c));
            } else if (c >= 0x20 && c < 0x7F && c != '|') {
                Char(static_cast<char>(c));
            } else {
                const char kDigits[] = "0123456789ABCDEF";
                Str("\\x");
                Char(kDigits[c >> 4]);
                Char(kDigits[c & 0xF]);
            }
        }
        Char('"');
        if (more && i == limit && s[i] != '\0') Str("...");
    }

public:
    void Bytes(const char* bytes, size_t n) {
        if (full_) return;
        if (length_ + n + 1 > capacity_ && !Grow(length_ + n + 1)) {
            full_ = true;
            return;
        }
        for (size_t i = 0; i < n; ++i) text_[length_ + i] = bytes[i];
        length_ += n;
        text_[length_] = '\0';
    }

private:
    bool Grow(size_t needed) {
        if (needed > kLineLimit) return false;
        size_t capacity = capacity_ != 0 ? capacity_ : kFirstBlock;
        while (capacity < needed) capacity *= 2;
        if (capacity > kLineLimit) capacity = kLineLimit;
        HANDLE heap = GetProcessHeap();
        char* block = heap != nullptr ? static_cast<char*>(HeapAlloc(heap, 0, capacity)) : nullptr;
        if (block == nullptr) return false;
        for (size_t i = 0; i < length_; ++i) block[i] = text_[i];
        if (text_ != nullptr) HeapFree(heap, 0, text_);
        text_ = block;
        capacity_ = capacity;
        return true;
    }

    char* text_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;
    bool full_ = false;
};

// One export call's line, and the requests that did not fit.
struct TraceLine {
    LineText text;
    size_t callLength = 0;  // "MIXER[thread] Name(arguments)"
    DWORD dropped = 0;
};

// ---- Names -----------------------------------------------------------------

struct CodeName {
    DWORD code;
    const char* name;
};

#define CODE_NAME(name) {name, #name}
const CodeName kMmResults[] = {
    CODE_NAME(MMSYSERR_NOERROR),     CODE_NAME(MMSYSERR_ERROR),     CODE_NAME(MMSYSERR_BADDEVICEID),
    CODE_NAME(MMSYSERR_NOTENABLED),  CODE_NAME(MMSYSERR_ALLOCATED), CODE_NAME(MMSYSERR_INVALHANDLE),
    CODE_NAME(MMSYSERR_NODRIVER),    CODE_NAME(MMSYSERR_NOMEM),     CODE_NAME(MMSYSERR_NOTSUPPORTED),
    CODE_NAME(MMSYSERR_BADERRNUM),   CODE_NAME(MMSYSERR_INVALFLAG), CODE_NAME(MMSYSERR_INVALPARAM),
    {12, "MMSYSERR_HANDLEBUSY"},     {13, "MMSYSERR_INVALIDALIAS"}, {14, "MMSYSERR_BADDB"},
    {15, "MMSYSERR_KEYNOTFOUND"},    {16, "MMSYSERR_READERROR"},    {17, "MMSYSERR_WRITEERROR"},
    {18, "MMSYSERR_DELETEERROR"},    {19, "MMSYSERR_VALNOTFOUND"},  {20, "MMSYSERR_NODRIVERCB"},
    {21, "MMSYSERR_MOREDATA"},       CODE_NAME(MIXERR_INVALLINE),   CODE_NAME(MIXERR_INVALCONTROL),
    CODE_NAME(MIXERR_INVALVALUE),
};

// MCIERR_BASE (256) plus these.
const char* const kMciErrors[] = {
    nullptr, "INVALID_DEVICE_ID", nullptr, "UNRECOGNIZED_KEYWORD", nullptr, "UNRECOGNIZED_COMMAND", "HARDWARE",
    "INVALID_DEVICE_NAME", "OUT_OF_MEMORY", "DEVICE_OPEN", "CANNOT_LOAD_DRIVER", "MISSING_COMMAND_STRING",
    "PARAM_OVERFLOW", "MISSING_STRING_ARGUMENT", "BAD_INTEGER", "PARSER_INTERNAL", "DRIVER_INTERNAL",
    "MISSING_PARAMETER", "UNSUPPORTED_FUNCTION", "FILE_NOT_FOUND", "DEVICE_NOT_READY", "INTERNAL", "DRIVER",
    "CANNOT_USE_ALL", "MULTIPLE", "EXTENSION_NOT_FOUND", "OUTOFRANGE", nullptr, "FLAGS_NOT_COMPATIBLE", nullptr,
    "FILE_NOT_SAVED", "DEVICE_TYPE_REQUIRED", "DEVICE_LOCKED", "DUPLICATE_ALIAS", "BAD_CONSTANT",
    "MUST_USE_SHAREABLE", "MISSING_DEVICE_NAME", "BAD_TIME_FORMAT", "NO_CLOSING_QUOTE", "DUPLICATE_FLAGS",
    "INVALID_FILE", "NULL_PARAMETER_BLOCK", "UNNAMED_RESOURCE", "NEW_REQUIRES_ALIAS", "NOTIFY_ON_AUTO_OPEN",
    "NO_ELEMENT_ALLOWED", "NONAPPLICABLE_FUNCTION", "ILLEGAL_FOR_AUTO_OPEN", "FILENAME_REQUIRED",
    "EXTRA_CHARACTERS", "DEVICE_NOT_INSTALLED", "GET_CD", "SET_CD", "SET_DRIVE", "DEVICE_LENGTH",
    "DEVICE_ORD_LENGTH", "NO_INTEGER",
};

const CodeName kComponentTypes[] = {
    {0x0000, "DST_UNDEFINED"},   {0x0001, "DST_DIGITAL"},     {0x0002, "DST_LINE"},
    {0x0003, "DST_MONITOR"},     {0x0004, "DST_SPEAKERS"},    {0x0005, "DST_HEADPHONES"},
    {0x0006, "DST_TELEPHONE"},   {0x0007, "DST_WAVEIN"},      {0x0008, "DST_VOICEIN"},
    {0x1000, "SRC_UNDEFINED"},   {0x1001, "SRC_DIGITAL"},     {0x1002, "SRC_LINE"},
    {0x1003, "SRC_MICROPHONE"},  {0x1004, "SRC_SYNTHESIZER"}, {0x1005, "SRC_COMPACTDISC"},
    {0x1006, "SRC_TELEPHONE"},   {0x1007, "SRC_PCSPEAKER"},   {0x1008, "SRC_WAVEOUT"},
    {0x1009, "SRC_AUXILIARY"},   {0x100A, "SRC_ANALOG"},
};

const CodeName kControlTypes[] = {
    {MIXERCONTROL_CONTROLTYPE_VOLUME, "VOLUME"},   {MIXERCONTROL_CONTROLTYPE_MUTE, "MUTE"},
    {MIXERCONTROL_CONTROLTYPE_ONOFF, "ONOFF"},     {MIXERCONTROL_CONTROLTYPE_PEAKMETER, "PEAKMETER"},
    {MIXERCONTROL_CONTROLTYPE_MUX, "MUX"},         {MIXERCONTROL_CONTROLTYPE_SINGLESELECT, "SINGLESELECT"},
    {MIXERCONTROL_CONTROLTYPE_MIXER, "MIXER"},     {MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, "MULTIPLESELECT"},
    {MIXERCONTROL_CONTROLTYPE_BASS, "BASS"},       {MIXERCONTROL_CONTROLTYPE_TREBLE, "TREBLE"},
    {MIXERCONTROL_CONTROLTYPE_FADER, "FADER"},     {MIXERCONTROL_CONTROLTYPE_BOOLEAN, "BOOLEAN"},
    {MIXERCONTROL_CONTROLTYPE_LOUDNESS, "LOUDNESS"}, {MIXERCONTROL_CONTROLTYPE_MONO, "MONO"},
    {MIXERCONTROL_CONTROLTYPE_PAN, "PAN"},         {MIXERCONTROL_CONTROLTYPE_SIGNEDMETER, "SIGNEDMETER"},
};

const CodeName kMciCommands[] = {
    CODE_NAME(MCI_OPEN), CODE_NAME(MCI_CLOSE), CODE_NAME(MCI_PLAY),
    CODE_NAME(MCI_STOP), CODE_NAME(MCI_SET),   CODE_NAME(MCI_STATUS),
};

const CodeName kErrors[] = {
    {0, "ERROR_SUCCESS"},          {2, "ERROR_FILE_NOT_FOUND"},     {3, "ERROR_PATH_NOT_FOUND"},
    {5, "ERROR_ACCESS_DENIED"},    {6, "ERROR_INVALID_HANDLE"},     {8, "ERROR_NOT_ENOUGH_MEMORY"},
    {18, "ERROR_NO_MORE_FILES"},   {29, "ERROR_WRITE_FAULT"},       {30, "ERROR_READ_FAULT"},
    {32, "ERROR_SHARING_VIOLATION"}, {39, "ERROR_HANDLE_DISK_FULL"}, {80, "ERROR_FILE_EXISTS"},
    {87, "ERROR_INVALID_PARAMETER"}, {112, "ERROR_DISK_FULL"},      {122, "ERROR_INSUFFICIENT_BUFFER"},
    {123, "ERROR_INVALID_NAME"},   {183, "ERROR_ALREADY_EXISTS"},   {206, "ERROR_FILENAME_EXCED_RANGE"},
    {234, "ERROR_MORE_DATA"},
};

const CodeName kRoots[] = {
    {0x80000000u, "HKEY_CLASSES_ROOT"}, {0x80000001u, "HKEY_CURRENT_USER"},
    {0x80000002u, "HKEY_LOCAL_MACHINE"}, {0x80000003u, "HKEY_USERS"},
};
#undef CODE_NAME

template <size_t N>
const char* NameOf(const CodeName (&table)[N], DWORD code) {
    for (const CodeName& entry : table)
        if (entry.code == code) return entry.name;
    return nullptr;
}

// A name from the table, else the number in hex.
template <size_t N>
void Named(LineText& t, const CodeName (&table)[N], DWORD code) {
    const char* name = NameOf(table, code);
    if (name != nullptr)
        t.Str(name);
    else
        t.Hex(code);
}

void MmResult(LineText& t, DWORD code) {
    const char* name = NameOf(kMmResults, code);
    if (name != nullptr) {
        t.Str(name);
    } else {
        t.Str("MMRESULT ");
        t.Unsigned(code);
    }
}

// 0, or the MCI error's name and number: the low word names the error, the
// high word (a driver's) is shown with the number in hex.
void MciResult(LineText& t, DWORD code) {
    if (code == 0) {
        t.Char('0');
        return;
    }
    const DWORD low = code & 0xFFFF;
    const DWORD index = low - MCIERR_BASE;
    const size_t count = sizeof kMciErrors / sizeof kMciErrors[0];
    if (low >= MCIERR_BASE && index < count && kMciErrors[index] != nullptr) {
        t.Str("MCIERR_");
        t.Str(kMciErrors[index]);
    } else {
        t.Str("MCI error");
    }
    t.Str(" (");
    if (code > 0xFFFF)
        t.Hex(code);
    else
        t.Unsigned(code);
    t.Char(')');
}

// "1 channel", "2 channels".
void Counted(LineText& t, DWORD n, const char* noun) {
    t.Unsigned(n);
    t.Char(' ');
    t.Str(noun);
    if (n != 1) t.Char('s');
}

// The object-type bits of a mixer request's flags below MIXER_OBJECTF_HANDLE
// (mingw-w64's header has no name for them).
const DWORD kObjectTypeBits = 0x70000000;

// The mixer object a request names, by its flags' object type.
void MixerObject(LineText& t, UINT_PTR object, DWORD flags) {
    if ((flags & MIXER_OBJECTF_HANDLE) != 0) {
        t.Str("handle ");
        t.Hex(object);
        return;
    }
    switch (flags & kObjectTypeBits) {
    case MIXER_OBJECTF_WAVEIN: t.Str("wave-in "); break;
    case MIXER_OBJECTF_WAVEOUT: t.Str("wave-out "); break;
    case MIXER_OBJECTF_MIXER: t.Str("mixer "); break;
    default:
        t.Str("object ");
        t.Hex(flags & kObjectTypeBits);
        t.Char(' ');
        break;
    }
    // An identifier; the host's handle passed to LocateControl shows large.
    if (object < 0x10000)
        t.Unsigned(static_cast<DWORD>(object));
    else
        t.Hex(object);
}

// ---- Requests ----------------------------------------------------------------

// A Win32 error code: its name and number, "ERROR_ACCESS_DENIED (5)".
void Win32Error(LineText& t, DWORD code) {
    const char* name = NameOf(kErrors, code);
    t.Str(name != nullptr ? name : "error");
    t.Str(" (");
    t.Unsigned(code);
    t.Char(')');
}

// A BOOL result, with the last error when it is FALSE.
void BoolResult(LineText& t, const req::Request& r) {
    if (r.result != 0) {
        t.Str("TRUE");
        return;
    }
    t.Str("FALSE, ");
    Win32Error(t, r.error);
}

// A handle result: the handle, or INVALID_HANDLE_VALUE and the last error.
void HandleResult(LineText& t, const req::Request& r) {
    if (r.result == reinterpret_cast<UINT_PTR>(INVALID_HANDLE_VALUE)) {
        t.Str("INVALID_HANDLE_VALUE, ");
        Win32Error(t, r.error);
    } else {
        t.Str("handle ");
        t.Hex(r.result);
    }
}

void FileRequest(LineText& t, const req::Request& r) {
    switch (r.kind) {
    case req::KindCreateFile:
        t.Str("CreateFileA(");
        t.Quoted(r.text);
        t.Str(", access ");
        t.Hex(r.flags);
        t.Str(", disposition ");
        t.Unsigned(static_cast<DWORD>(r.object));
        t.Str(") = ");
        HandleResult(t, r);
        break;
    case req::KindReadFile:
    case req::KindWriteFile:
        t.Str(r.kind == req::KindReadFile ? "ReadFile(handle " : "WriteFile(handle ");
        t.Hex(r.object);
        t.Str(", ");
        Counted(t, r.flags, "byte");
        t.Str(") = ");
        BoolResult(t, r);
        if (r.record != nullptr) {
            t.Str(", ");
            Counted(t, *static_cast<const DWORD*>(r.record), "byte");
            t.Str(r.kind == req::KindReadFile ? " read" : " written");
        }
        break;
    case req::KindFlushFileBuffers:
    case req::KindCloseHandle:
    case req::KindFindClose:
        t.Str(r.kind == req::KindFlushFileBuffers ? "FlushFileBuffers(handle "
              : r.kind == req::KindCloseHandle    ? "CloseHandle(handle "
                                                  : "FindClose(handle ");
        t.Hex(r.object);
        t.Str(") = ");
        BoolResult(t, r);
        break;
    case req::KindDeleteFile:
        t.Str("DeleteFileA(");
        t.Quoted(r.text);
        t.Str(") = ");
        BoolResult(t, r);
        break;
    case req::KindMoveFile:
        t.Str("MoveFileExA(");
        t.Quoted(r.text);
        t.Str(", ");
        t.Quoted(r.text2);
        t.Str(", flags ");
        t.Hex(r.flags);
        t.Str(") = ");
        BoolResult(t, r);
        break;
    case req::KindGetFileAttributes:
        t.Str("GetFileAttributesA(");
        t.Quoted(r.text);
        t.Str(") = ");
        if (static_cast<DWORD>(r.result) == INVALID_FILE_ATTRIBUTES) {
            t.Str("INVALID_FILE_ATTRIBUTES, ");
            Win32Error(t, r.error);
        } else {
            t.Hex(r.result);
        }
        break;
    case req::KindFindFirstFile:
    case req::KindFindNextFile:
        if (r.kind == req::KindFindFirstFile) {
            t.Str("FindFirstFileA(");
            t.Quoted(r.text);
            t.Str(") = ");
            HandleResult(t, r);
        } else {
            t.Str("FindNextFileA(handle ");
            t.Hex(r.object);
            t.Str(") = ");
            BoolResult(t, r);
        }
        if (r.record != nullptr && (r.kind == req::KindFindNextFile ? r.result != 0
                                    : r.result != reinterpret_cast<UINT_PTR>(INVALID_HANDLE_VALUE))) {
            t.Str(", ");
            t.Field(static_cast<const WIN32_FIND_DATAA*>(r.record)->cFileName, MAX_PATH);
        }
        break;
    case req::KindRegOpenKey:
        t.Str("RegOpenKeyExA(");
        Named(t, kRoots, static_cast<DWORD>(r.object));
        t.Str(", ");
        t.Quoted(r.text);
        t.Str(", access ");
        t.Hex(r.flags);
        t.Str(") = ");
        Win32Error(t, static_cast<DWORD>(r.result));
        if (r.result == ERROR_SUCCESS && r.arg != 0) {
            t.Str(", key ");
            t.Hex(reinterpret_cast<UINT_PTR>(*reinterpret_cast<const HKEY*>(r.arg)));
        }
        break;
    case req::KindRegQueryValue:
        t.Str("RegQueryValueExA(key ");
        t.Hex(r.object);
        t.Str(", ");
        t.Quoted(r.text);
        t.Str(") = ");
        Win32Error(t, static_cast<DWORD>(r.result));
        if (r.result == ERROR_SUCCESS && r.record != nullptr) {
            t.Str(", ");
            Counted(t, *static_cast<const DWORD*>(r.record), "byte");
        }
        break;
    case req::KindRegCloseKey:
        t.Str("RegCloseKey(key ");
        t.Hex(r.object);
        t.Str(") = ");
        Win32Error(t, static_cast<DWORD>(r.result));
        break;
    case req::KindMciGetErrorString:
        t.Str("mciGetErrorStringA(");
        t.Unsigned(static_cast<DWORD>(r.object));
        t.Str(") = ");
        t.Str(r.result != 0 ? "TRUE" : "FALSE");
        if (r.text != nullptr) {
            t.Str(", ");
            t.Field(r.text, r.arg);
        }
        break;
    case req::KindMessageBox:
        t.Str("MessageBoxA(");
        t.Quoted(r.text);
        t.Str(", ");
        t.Quoted(r.text2);
        t.Str(") = ");
        t.Signed(static_cast<LONG>(r.result));
        break;
    default:
        break;
    }
}


void LineInfo(LineText& t, const req::Request& r) {
    const MIXERLINEA& line = *static_cast<const MIXERLINEA*>(r.record);
    t.Str("mixerGetLineInfoA(");
    MixerObject(t, r.object, r.flags);
    switch (r.flags & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_DESTINATION:
        t.Str(", DESTINATION ");
        t.Unsigned(line.dwDestination);
        break;
    case MIXER_GETLINEINFOF_SOURCE:
        t.Str(", SOURCE ");
        t.Unsigned(line.dwDestination);
        t.Char('.');
        t.Unsigned(line.dwSource);
        break;
    case MIXER_GETLINEINFOF_LINEID:
        t.Str(", LINEID ");
        t.Hex(line.dwLineID);
        break;
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
        t.Str(", COMPONENTTYPE ");
        Named(t, kComponentTypes, line.dwComponentType);
        break;
    default:
        t.Str(", query ");
        t.Hex(r.flags);
        break;
    }
    t.Str(") = ");
    MmResult(t, static_cast<DWORD>(r.result));
    if (r.result != MMSYSERR_NOERROR) return;
    t.Str(", line ");
    t.Hex(line.dwLineID);
    t.Char(' ');
    Named(t, kComponentTypes, line.dwComponentType);
    t.Char(' ');
    t.Field(line.szName, sizeof line.szName);
    if ((line.fdwLine & MIXERLINE_LINEF_SOURCE) == 0) {
        t.Str(", ");
        Counted(t, line.cConnections, "source");
    }
    t.Str(", ");
    Counted(t, line.cChannels, "channel");
    t.Str(", ");
    Counted(t, line.cControls, "control");
}

void LineControls(LineText& t, const req::Request& r) {
    const MIXERLINECONTROLSA& request = *static_cast<const MIXERLINECONTROLSA*>(r.record);
    t.Str("mixerGetLineControlsA(");
    MixerObject(t, r.object, r.flags);
    const DWORD query = r.flags & MIXER_GETLINECONTROLSF_QUERYMASK;
    if (query == MIXER_GETLINECONTROLSF_ALL) {
        t.Str(", ALL of line ");
        t.Hex(request.dwLineID);
        t.Str(", ");
        Counted(t, request.cControls, "control");
        t.Str(") = ");
    } else if (query == MIXER_GETLINECONTROLSF_ONEBYTYPE) {
        t.Str(", ONEBYTYPE ");
        Named(t, kControlTypes, request.dwControlType);
        t.Str(" of line ");
        t.Hex(request.dwLineID);
        t.Str(") = ");
    } else {
        t.Str(", ONEBYID ");
        t.Unsigned(request.dwControlID);
        t.Str(") = ");
    }
    MmResult(t, static_cast<DWORD>(r.result));
    if (r.result != MMSYSERR_NOERROR || request.pamxctrl == nullptr) return;
    const DWORD count = query == MIXER_GETLINECONTROLSF_ALL ? request.cControls : 1;
    t.Str(", [");
    for (DWORD i = 0; i < count && i < 32; ++i) {
        const MIXERCONTROLA& control = request.pamxctrl[i];
        if (i > 0) t.Str(", ");
        t.Str("control ");
        t.Unsigned(control.dwControlID);
        t.Char(' ');
        Named(t, kControlTypes, control.dwControlType);
        if ((control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) != 0) t.Str(" disabled");
        if (control.cMultipleItems != 0) {
            t.Char(' ');
            Counted(t, control.cMultipleItems, "item");
        }
    }
    if (count > 32) t.Str(", ...");
    t.Char(']');
}

// A details request: the control, its counts and, for values, the values
// (read: after the answer; written: as sent).
void Details(LineText& t, const req::Request& r, bool set) {
    const MIXERCONTROLDETAILS& details = *static_cast<const MIXERCONTROLDETAILS*>(r.record);
    t.Str(set ? "mixerSetControlDetails(" : "mixerGetControlDetailsA(");
    MixerObject(t, r.object, r.flags);
    const bool listText = !set && (r.flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) == MIXER_GETCONTROLDETAILSF_LISTTEXT;
    t.Str(listText ? ", LISTTEXT of control " : ", VALUE of control ");
    t.Unsigned(details.dwControlID);
    t.Str(", ");
    Counted(t, details.cChannels, "channel");
    if (details.cMultipleItems != 0) {
        t.Str(", ");
        Counted(t, details.cMultipleItems, "item");
    }
    const DWORD channels = details.cChannels != 0 ? details.cChannels : 1;
    const DWORD items = details.cMultipleItems != 0 ? details.cMultipleItems : 1;
    const DWORD count = channels <= 0xFFFF && items <= 0xFFFF ? channels * items : 0;
    const bool values = !listText && details.cbDetails == sizeof(LONG) && details.paDetails != nullptr;
    auto list = [&]() {
        t.Str(" [");
        for (DWORD i = 0; i < count && i < 32; ++i) {
            if (i > 0) t.Char(' ');
            if (values)
                t.Signed(static_cast<const LONG*>(details.paDetails)[i]);
            else
                t.Field(static_cast<const MIXERCONTROLDETAILS_LISTTEXTA*>(details.paDetails)[i].szName,
                        MIXER_LONG_NAME_CHARS);
        }
        if (count > 32) t.Str(" ...");
        t.Char(']');
    };
    if (set && values) list();
    t.Str(") = ");
    MmResult(t, static_cast<DWORD>(r.result));
    if (set || r.result != MMSYSERR_NOERROR) return;
    if (values || (listText && details.cbDetails == sizeof(MIXERCONTROLDETAILS_LISTTEXTA) && details.paDetails)) {
        t.Char(',');
        list();
    }
}

void Mci(LineText& t, const req::Request& r) {
    t.Str("mciSendCommandA(device ");
    t.Unsigned(static_cast<DWORD>(r.object));
    t.Str(", ");
    Named(t, kMciCommands, static_cast<DWORD>(r.arg));
    t.Str(", flags ");
    t.Hex(r.flags);
    if (r.arg == MCI_OPEN && r.record != nullptr) {
        const MCI_OPEN_PARMSA& open = *static_cast<const MCI_OPEN_PARMSA*>(r.record);
        if ((r.flags & MCI_OPEN_TYPE) != 0 && (r.flags & MCI_OPEN_TYPE_ID) == 0) {
            t.Str(", type ");
            t.Quoted(open.lpstrDeviceType);
        }
    } else if (r.arg == MCI_PLAY && r.record != nullptr && (r.flags & MCI_FROM) != 0) {
        t.Str(", from ");
        t.Hex(static_cast<const MCI_PLAY_PARMS*>(r.record)->dwFrom);
    } else if (r.arg == MCI_SET && r.record != nullptr && (r.flags & MCI_SET_TIME_FORMAT) != 0) {
        t.Str(", time format ");
        t.Unsigned(static_cast<const MCI_SET_PARMS*>(r.record)->dwTimeFormat);
    }
    t.Str(") = ");
    MciResult(t, static_cast<DWORD>(r.result));
    if (r.arg == MCI_OPEN && r.result == 0 && r.record != nullptr) {
        t.Str(", device ");
        t.Unsigned(static_cast<const MCI_OPEN_PARMSA*>(r.record)->wDeviceID);
    }
}

// ---- Core Audio ----------------------------------------------------------------

const CodeName kHresults[] = {
    {static_cast<DWORD>(S_OK), "S_OK"},
    {static_cast<DWORD>(S_FALSE), "S_FALSE"},
    {static_cast<DWORD>(E_NOTIMPL), "E_NOTIMPL"},
    {static_cast<DWORD>(E_NOINTERFACE), "E_NOINTERFACE"},
    {static_cast<DWORD>(E_POINTER), "E_POINTER"},
    {static_cast<DWORD>(E_FAIL), "E_FAIL"},
    {static_cast<DWORD>(E_OUTOFMEMORY), "E_OUTOFMEMORY"},
    {static_cast<DWORD>(E_INVALIDARG), "E_INVALIDARG"},
    {static_cast<DWORD>(REGDB_E_CLASSNOTREG), "REGDB_E_CLASSNOTREG"},
    {static_cast<DWORD>(CO_E_NOTINITIALIZED), "CO_E_NOTINITIALIZED"},
    {static_cast<DWORD>(RPC_E_CHANGED_MODE), "RPC_E_CHANGED_MODE"},
    {0x80070490u, "E_NOTFOUND"},
    {0x88890004u, "AUDCLNT_E_DEVICE_INVALIDATED"},
};

#define CORE_INTERFACE_NAME_(name) name,
#define CORE_METHOD_NAME_(code, owner, name) {owner, name},
const char* const kCoreInterfaces[] = {REQ_CORE_INTERFACES(CORE_INTERFACE_NAME_)};
const struct {
    unsigned char owner;
    const char* name;
} kCoreMethods[] = {REQ_CORE_METHODS(CORE_METHOD_NAME_)};
#undef CORE_METHOD_NAME_
#undef CORE_INTERFACE_NAME_

void HresultText(LineText& t, UINT_PTR result) {
    const DWORD code = static_cast<DWORD>(result);
    const char* name = NameOf(kHresults, code);
    if (name != nullptr) {
        t.Str(name);
    } else {
        t.Str("HRESULT ");
        t.Hex(code);
    }
}

// A scalar with six decimals ("0.750000"); one far outside 0..1, or not a
// number, as "?".
void Scalar(LineText& t, float v) {
    if (!(v > -1000.0f && v < 1000.0f)) {
        t.Char('?');
        return;
    }
    if (v < 0.0f) {
        t.Char('-');
        v = -v;
    }
    const DWORD millionths = static_cast<DWORD>(static_cast<double>(v) * 1000000.0 + 0.5);
    t.Unsigned(millionths / 1000000);
    t.Char('.');
    char digits[10];
    const DWORD fraction = millionths % 1000000;
    for (DWORD scale = 100000; scale > fraction && scale > 1; scale /= 10) t.Char('0');
    t.Bytes(digits, static_cast<size_t>(DecimalDigits(fraction, digits)));
}

void CoreAudio(LineText& t, const req::Request& r) {
    switch (r.kind) {
    case req::KindEndpointId:
        t.Str(r.flags != 0 ? "waveInMessage(device " : "waveOutMessage(device ");
        t.Unsigned(static_cast<DWORD>(r.object));
        t.Str(", DRV_QUERYFUNCTIONINSTANCEID");
        if (r.arg != DRV_QUERYFUNCTIONINSTANCEID) t.Str("SIZE");
        t.Str(") = ");
        MmResult(t, static_cast<DWORD>(r.result));
        return;
    case req::KindCoInitialize:
        t.Str("CoInitializeEx(");
        if (r.flags == COINIT_MULTITHREADED) t.Str("COINIT_MULTITHREADED");
        t.Str(") = ");
        break;
    case req::KindCoCreateInstance:
        t.Str("CoCreateInstance(CLSID_MMDeviceEnumerator) = ");
        break;
    default: {
        const bool setter = r.flags == req::CoreSetMaster || r.flags == req::CoreSetChannel ||
                            r.flags == req::CoreSetMute;
        const bool channel = r.flags == req::CoreSetChannel || r.flags == req::CoreGetChannel;
        if (r.flags < req::CoreMethodCount) {
            t.Str(kCoreInterfaces[kCoreMethods[r.flags].owner]);
            t.Str("::");
            t.Str(kCoreMethods[r.flags].name);
        }
        t.Char('(');
        if (channel) {
            t.Str("channel ");
            t.Unsigned(static_cast<DWORD>(r.arg));
        }
        if (setter && r.record != nullptr) {
            if (channel) t.Str(", ");
            Scalar(t, *static_cast<const float*>(r.record));
        }
        if (r.flags == req::CoreSetMute) t.Unsigned(static_cast<DWORD>(r.arg));
        t.Str(") = ");
        HresultText(t, r.result);
        if (!setter && SUCCEEDED(static_cast<HRESULT>(r.result))) {
            if (r.record != nullptr) {
                t.Str(", ");
                Scalar(t, *static_cast<const float*>(r.record));
            } else if (r.flags == req::CoreGetMute || r.flags == req::CoreGetChannelCount) {
                t.Str(", ");
                t.Unsigned(static_cast<DWORD>(r.arg));
            }
        }
        return;
    }
    }
    HresultText(t, r.result);
}

void Request(LineText& t, const req::Request& r) {
    switch (r.kind) {
    case req::KindMixerGetNumDevs:
    case req::KindWaveInGetNumDevs:
        t.Str(r.kind == req::KindMixerGetNumDevs ? "mixerGetNumDevs() = " : "waveInGetNumDevs() = ");
        t.Unsigned(static_cast<DWORD>(r.result));
        break;
    case req::KindMixerOpen:
        t.Str("mixerOpen(device ");
        t.Unsigned(static_cast<DWORD>(r.object));
        t.Str(") = ");
        MmResult(t, static_cast<DWORD>(r.result));
        if (r.result == MMSYSERR_NOERROR && r.arg != 0) {
            t.Str(", handle ");
            t.Hex(reinterpret_cast<UINT_PTR>(*reinterpret_cast<const HMIXER*>(r.arg)));
        }
        break;
    case req::KindMixerClose:
        t.Str("mixerClose(handle ");
        t.Hex(r.object);
        t.Str(") = ");
        MmResult(t, static_cast<DWORD>(r.result));
        break;
    case req::KindMixerGetDevCaps: {
        t.Str("mixerGetDevCapsA(device ");
        t.Unsigned(static_cast<DWORD>(r.object));
        t.Str(") = ");
        MmResult(t, static_cast<DWORD>(r.result));
        const MIXERCAPSA& caps = *static_cast<const MIXERCAPSA*>(r.record);
        if (r.result == MMSYSERR_NOERROR && r.arg >= sizeof caps) {
            t.Str(", ");
            t.Field(caps.szPname, sizeof caps.szPname);
            t.Str(", ");
            Counted(t, caps.cDestinations, "destination");
        }
        break;
    }
    case req::KindMixerGetLineInfo: LineInfo(t, r); break;
    case req::KindMixerGetLineControls: LineControls(t, r); break;
    case req::KindMixerGetControlDetails: Details(t, r, false); break;
    case req::KindMixerSetControlDetails: Details(t, r, true); break;
    case req::KindMixerGetId:
        t.Str("mixerGetID(");
        MixerObject(t, r.object, r.flags);
        t.Str(") = ");
        MmResult(t, static_cast<DWORD>(r.result));
        if (r.result == MMSYSERR_NOERROR && r.arg != 0) {
            t.Str(", mixer ");
            t.Unsigned(*reinterpret_cast<const UINT*>(r.arg));
        }
        break;
    case req::KindWaveInMessage:
        t.Str("waveInMessage(");
        if (r.object == static_cast<UINT_PTR>(WAVE_MAPPER) ||
            r.object == static_cast<UINT_PTR>(static_cast<DWORD>(WAVE_MAPPER)))
            t.Str("WAVE_MAPPER");
        else
            t.Hex(r.object);
        t.Str(", ");
        if (r.arg == DRVM_MAPPER_PREFERRED_GET)
            t.Str("DRVM_MAPPER_PREFERRED_GET");
        else
            t.Hex(r.arg);
        t.Str(") = ");
        MmResult(t, static_cast<DWORD>(r.result));
        if (r.arg == DRVM_MAPPER_PREFERRED_GET && r.result == MMSYSERR_NOERROR && r.arg2 != 0 &&
            r.record != nullptr) {
            t.Str(", device ");
            t.Signed(static_cast<LONG>(*reinterpret_cast<const DWORD*>(r.arg2)));
            t.Str(", flags ");
            t.Hex(*static_cast<const DWORD*>(r.record));
        }
        break;
    case req::KindMciSendCommand: Mci(t, r); break;
    case req::KindEndpointId:
    case req::KindCoInitialize:
    case req::KindCoCreateInstance:
    case req::KindCoreMethod: CoreAudio(t, r); break;
    default: FileRequest(t, r); break;
    }
}

TraceLine* CurrentLine() {
    return g_sink.slot != TLS_OUT_OF_INDEXES ? static_cast<TraceLine*>(TlsGetValue(g_sink.slot)) : nullptr;
}

// The recorder: appends the request to the line of the export call running
// on this thread; a request made outside any (a tool's own) is not traced.
void Record(const req::Request& r) {
    const DWORD lastError = GetLastError();
    TraceLine* line = CurrentLine();
    if (line != nullptr) {
        const size_t before = line->text.length();
        line->text.Str(" | ");
        Request(line->text, r);
        if (line->text.full()) {
            line->text.Cut(before);
            ++line->dropped;
        }
    }
    SetLastError(lastError);
}

void FreeLine(TraceLine* line) {
    line->~TraceLine();
    HeapFree(GetProcessHeap(), 0, line);
}

void Write(const char* text, size_t length) {
    if (g_sink.file == INVALID_HANDLE_VALUE) {
        OutputDebugStringA(text);
        return;
    }
    // A write that fails or is cut short is given up: the trace never
    // changes what the call did.
    DWORD written = 0;
    WriteFile(g_sink.file, text, static_cast<DWORD>(length), &written, nullptr);
}

}  // namespace

void ExportCall::Begin(const char* name, const TraceArg* args, int count) {
    const DWORD lastError = GetLastError();
    // A call inside another export's call belongs to that call's line.
    if (CurrentLine() == nullptr) {
        HANDLE heap = GetProcessHeap();
        void* block = heap != nullptr ? HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(TraceLine)) : nullptr;
        if (block != nullptr) {
            TraceLine* line = new (block) TraceLine;
            LineText& t = line->text;
            t.Str("MIXER[");
            t.Unsigned(GetCurrentThreadId());
            t.Str("] ");
            t.Str(name);
            t.Char('(');
            for (int i = 0; i < count; ++i) {
                if (i > 0) t.Str(", ");
                switch (args[i].kind) {
                case TraceArg::Signed: t.Signed(static_cast<LONG>(args[i].value)); break;
                case TraceArg::Count: t.Unsigned(static_cast<DWORD>(args[i].value)); break;
                case TraceArg::Hex: t.Hex(args[i].value); break;
                case TraceArg::Text: t.Quoted(reinterpret_cast<const char*>(args[i].value)); break;
                case TraceArg::Pointer:
                    if (args[i].value == 0)
                        t.Str("NULL");
                    else
                        t.Hex(args[i].value);
                    break;
                }
            }
            t.Char(')');
            line->callLength = t.length();
            if (t.full() || !TlsSetValue(g_sink.slot, line)) {
                FreeLine(line);
            } else {
                line_ = line;
            }
        }
    }
    SetLastError(lastError);
}

void ExportCall::End(LONG result, TraceResult kind) {
    const DWORD lastError = GetLastError();
    TraceLine* line = static_cast<TraceLine*>(line_);
    line_ = nullptr;
    TlsSetValue(g_sink.slot, nullptr);

    // The result goes after the call, before its requests.
    LineText out;
    const char* text = line->text.text();
    out.Bytes(text, line->callLength);
    out.Str(" = ");
    if (kind == ResultMci)
        MciResult(out, static_cast<DWORD>(result));
    else
        out.Signed(result);
    out.Bytes(text + line->callLength, line->text.length() - line->callLength);
    if (line->dropped != 0) {
        out.Str(" | ... ");
        out.Unsigned(line->dropped);
        out.Str(" more requests");
    }
    out.Char('\n');
    FreeLine(line);

    if (!out.full()) {
        EnterCriticalSection(&g_sink.lock);
        Write(out.text(), out.length());
        LeaveCriticalSection(&g_sink.lock);
    }
    SetLastError(lastError);
}

void ExportCall::Drop() {
    const DWORD lastError = GetLastError();
    TraceLine* line = static_cast<TraceLine*>(line_);
    line_ = nullptr;
    TlsSetValue(g_sink.slot, nullptr);
    FreeLine(line);
    SetLastError(lastError);
}

void TraceStart() {
    if (g_traceOn) return;
    char value[MAX_PATH + 1];
    const DWORD n = GetEnvironmentVariableA(kVariable, value, sizeof value);
    // Unset, empty, or longer than a path can be: no trace.
    if (n == 0 || n >= sizeof value) return;

    bool debug = n == sizeof kDebugValue - 1;
    for (DWORD i = 0; debug && i < n; ++i)
        if (value[i] != kDebugValue[i]) debug = false;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!debug) {
        file = CreateFileA(value, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
    }
    const DWORD slot = TlsAlloc();
    if (slot == TLS_OUT_OF_INDEXES || !InitializeCriticalSectionAndSpinCount(&g_sink.lock, 0)) {
        if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        return;
    }
    g_sink.file = file;
    g_sink.slot = slot;
    g_sink.lockMade = true;
    req::Install(Record);
    g_traceOn = true;
}

void TraceStop() {
    g_traceOn = false;
    req::Install(nullptr);
    if (g_sink.file != INVALID_HANDLE_VALUE) CloseHandle(g_sink.file);
    g_sink.file = INVALID_HANDLE_VALUE;
    if (g_sink.slot != TLS_OUT_OF_INDEXES) TlsFree(g_sink.slot);
    g_sink.slot = TLS_OUT_OF_INDEXES;
    if (g_sink.lockMade) DeleteCriticalSection(&g_sink.lock);
    g_sink.lockMade = false;
}
