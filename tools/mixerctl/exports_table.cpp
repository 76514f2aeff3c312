#include "exports_table.h"

#include "names.h"

// The one table of the exports: the lists and pointer types of mixer.h.
#define MIXER_NO_PROTOTYPES
#include "mixer.h"

#include <algorithm>
#include <cstring>

namespace mixerctl {
namespace {

// The signature of each export, from its pointer type in mixer.h: an export
// whose parameters have no Sig here does not compile.
template <typename Pointer>
struct SigOf;
#define MIXERCTL_SIG(sig, ...)                                   \
    template <>                                                  \
    struct SigOf<LONG(WINAPI*)(__VA_ARGS__)> {                   \
        static constexpr Sig value = Sig::sig;                   \
    };
MIXERCTL_SIG(Void, void)
MIXERCTL_SIG(Long, LONG)
MIXERCTL_SIG(Dword, DWORD)
MIXERCTL_SIG(Str, LPCSTR)
MIXERCTL_SIG(Buf, LPSTR)
MIXERCTL_SIG(BufLimit, LPSTR, DWORD)
MIXERCTL_SIG(SetMixer, DWORD, LONG, LONG, LPCSTR, LONG)
MIXERCTL_SIG(LocateControl, DWORD, LONG, HMIXER, LONG)
MIXERCTL_SIG(SelectLine, LONG, LPCSTR, LONG)
#undef MIXERCTL_SIG

std::vector<ExportInfo> BuildTable() {
#define MIXERCTL_EXPORT_INFO(result, name, params) {#name, SigOf<MIXER_PFN_##name>::value},
    std::vector<ExportInfo> t = {MIXER_FUNCTIONS(MIXERCTL_EXPORT_INFO)};
#undef MIXERCTL_EXPORT_INFO
    std::sort(t.begin(), t.end(),
              [](const ExportInfo& a, const ExportInfo& b) { return std::strcmp(a.name, b.name) < 0; });
    return t;
}

struct ArgReader {
    const ExportInfo& info;
    const std::vector<std::string>& args;
    size_t next = 0;

    const std::string& Take(const char* what) {
        if (next >= args.size())
            throw UsageError(std::string(info.name) + ": missing argument " + what + " (takes " +
                             CommandLineArguments(info.sig) + ")");
        return args[next++];
    }
    LONG Int(const char* what) {
        const std::string& a = Take(what);
        LONG v;
        if (!ParseInt32(a, &v))
            throw UsageError(std::string(info.name) + ": " + what + " must be a 32-bit integer, not '" + a + "'");
        return v;
    }
    DWORD Uint(const char* what) { return static_cast<DWORD>(Int(what)); }
    const char* Str(const char* what) {
        const std::string& a = Take(what);
        return a == "@null" ? nullptr : a.c_str();
    }
    void Done() const {
        if (next < args.size())
            throw UsageError(std::string(info.name) + ": too many arguments (takes " +
                             (CommandLineArguments(info.sig).empty() ? std::string("none")
                                                                     : CommandLineArguments(info.sig)) +
                             ")");
    }
};

// Opens mixer device 0 for a call that needs a handle, closes it afterwards.
struct OpenedMixer {
    HMIXER handle = nullptr;
    bool open = false;
    OpenedMixer() = default;
    OpenedMixer(const OpenedMixer&) = delete;
    OpenedMixer& operator=(const OpenedMixer&) = delete;
    void Open() {
        MMRESULT r = mixerOpen(&handle, 0, 0, 0, MIXER_OBJECTF_MIXER);
        if (r != MMSYSERR_NOERROR) throw ToolError("cannot open mixer device 0 (error " + std::to_string(r) + ")");
        open = true;
    }
    ~OpenedMixer() {
        if (open) mixerClose(handle);
    }
};

constexpr size_t kTextBuffer = 256;       // GetTavrinDirectory's documented buffer
constexpr size_t kLargestBuffer = 1 << 20;  // cap for a GetMixerRecordChannels limit

}  // namespace

const std::vector<ExportInfo>& Exports() {
    static const std::vector<ExportInfo> table = BuildTable();
    return table;
}

const ExportInfo* FindExport(const std::string& name) {
    for (const ExportInfo& e : Exports())
        if (name == e.name) return &e;
    return nullptr;
}

int DllArgumentCount(Sig sig) {
    switch (sig) {
    case Sig::Void: return 0;
    case Sig::Long: case Sig::Dword: case Sig::Str: case Sig::Buf: return 1;
    case Sig::BufLimit: return 2;
    case Sig::SelectLine: return 3;
    case Sig::LocateControl: return 4;
    case Sig::SetMixer: return 5;
    }
    return -1;
}

std::string CommandLineArguments(Sig sig) {
    switch (sig) {
    case Sig::Void: return "";
    case Sig::Long: return "VALUE";
    case Sig::Dword: return "TYPE";
    case Sig::Str: return "TEXT";
    case Sig::Buf: return "";
    case Sig::BufLimit: return "[LIMIT]";
    case Sig::SetMixer: return "TYPE OP VALUE NAME BYNAME";
    case Sig::LocateControl: return "LINEID VALUE HANDLE|open OP";
    case Sig::SelectLine: return "KIND NAME SELECT";
    }
    return "";
}

CallOutcome Invoke(const ExportInfo& info, AnyFn fn, const std::vector<std::string>& args) {
    ArgReader in{info, args};
    CallOutcome out;
    switch (info.sig) {
    case Sig::Void:
        in.Done();
        out.result = reinterpret_cast<LONG(WINAPI*)(void)>(fn)();
        break;
    case Sig::Long: {
        LONG v = in.Int("VALUE");
        in.Done();
        out.result = reinterpret_cast<LONG(WINAPI*)(LONG)>(fn)(v);
        break;
    }
    case Sig::Dword: {
        DWORD v = in.Uint("TYPE");
        in.Done();
        out.result = reinterpret_cast<LONG(WINAPI*)(DWORD)>(fn)(v);
        break;
    }
    case Sig::Str: {
        const char* s = in.Str("TEXT");
        in.Done();
        out.result = reinterpret_cast<LONG(WINAPI*)(LPCSTR)>(fn)(s);
        break;
    }
    case Sig::Buf: {
        in.Done();
        std::vector<char> buffer(kTextBuffer + 1, '\0');
        out.result = reinterpret_cast<LONG(WINAPI*)(LPSTR)>(fn)(buffer.data());
        buffer.back() = '\0';
        out.hasText = true;
        out.text = buffer.data();
        break;
    }
    case Sig::BufLimit: {
        DWORD limit = args.empty() ? 255 : in.Uint("LIMIT");
        in.Done();
        // The export needs limit + 1 bytes and never fewer than 33; a limit
        // beyond the cap (a "negative" one bounds nothing) gets the cap.
        size_t size = std::max<size_t>(33, std::min<size_t>(static_cast<size_t>(limit) + 1, kLargestBuffer));
        std::vector<char> buffer(size + 1, '\0');
        out.result = reinterpret_cast<LONG(WINAPI*)(LPSTR, DWORD)>(fn)(buffer.data(), limit);
        buffer.back() = '\0';
        out.hasText = true;
        out.text = buffer.data();
        break;
    }
    case Sig::SetMixer: {
        DWORD type = in.Uint("TYPE");
        LONG op = in.Int("OP");
        LONG value = in.Int("VALUE");
        const char* name = in.Str("NAME");
        LONG byName = in.Int("BYNAME");
        in.Done();
        out.result = reinterpret_cast<LONG(WINAPI*)(DWORD, LONG, LONG, LPCSTR, LONG)>(fn)(type, op, value, name, byName);
        break;
    }
    case Sig::LocateControl: {
        DWORD line = in.Uint("LINEID");
        LONG value = in.Int("VALUE");
        OpenedMixer mixer;
        HMIXER handle = nullptr;
        const std::string& h = in.Take("HANDLE");
        if (h == "open") {
            mixer.Open();
            handle = mixer.handle;
        } else {
            LONG raw;
            if (!ParseInt32(h, &raw)) throw UsageError("LocateControl: HANDLE must be a number or 'open', not '" + h + "'");
            handle = reinterpret_cast<HMIXER>(static_cast<uintptr_t>(static_cast<DWORD>(raw)));
        }
        LONG op = in.Int("OP");
        in.Done();
        out.result = reinterpret_cast<LONG(WINAPI*)(DWORD, LONG, HMIXER, LONG)>(fn)(line, value, handle, op);
        break;
    }
    case Sig::SelectLine: {
        LONG kind = in.Int("KIND");
        const char* name = in.Str("NAME");
        LONG select = in.Int("SELECT");
        in.Done();
        out.result = reinterpret_cast<LONG(WINAPI*)(LONG, LPCSTR, LONG)>(fn)(kind, name, select);
        break;
    }
    }
    return out;
}

CallOutcome CallExport(const std::string& name, const std::vector<std::string>& args) {
    const ExportInfo* info = FindExport(name);
    if (!info) throw UsageError("no export named '" + name + "'");
    AnyFn fn = ExportAddress(info->name);
    if (!fn) throw ToolError("the library has no export " + name);
    return Invoke(*info, fn, args);
}

LONG CallExportValue(const std::string& name, const std::vector<std::string>& args) {
    return CallExport(name, args).result;
}

}  // namespace mixerctl
