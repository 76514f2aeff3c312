#include "mixerctl.h"


// The one table of the exports: the lists and pointer types of mixer.h.
#define MIXER_NO_PROTOTYPES
#include "mixer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <tuple>

namespace mixerctl {
namespace {

constexpr size_t kTextBuffer = 256;         // GetTavrinDirectory's documented buffer
constexpr DWORD kDefaultLimit = 255;        // GetMixerRecordChannels' limit when none is given
constexpr size_t kLargestBuffer = 1 << 20;  // cap for a GetMixerRecordChannels limit

// Opens mixer device 0 for a call that needs a handle, closes it afterwards.
struct OpenedMixer {
    HMIXER handle = nullptr;
    OpenedMixer() = default;
    OpenedMixer(const OpenedMixer&) = delete;
    OpenedMixer& operator=(const OpenedMixer&) = delete;
    ~OpenedMixer() {
        if (handle) mixerClose(handle);
    }
};

// mixer.h's parameter list as (type, upper-case name) pairs: "(DWORD
// lineId, LONG value)" gives (DWORD, LINEID), (LONG, VALUE); "(void)" none.
std::vector<std::pair<std::string, std::string>> Parameters(const char* params) {
    std::vector<std::pair<std::string, std::string>> out;
    std::vector<std::string> words(1);  // of the parameter being read
    for (const char* p = params + 1; *p; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_') {
            words.back() += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        } else if (!words.back().empty()) {
            words.emplace_back();
        }
        if (*p != ',' && *p != ')') continue;
        if (words.size() > 2) out.emplace_back(words[0], words[words.size() - 2]);  // type and name
        words.assign(1, "");
    }
    return out;
}

// The arguments of one call, read in order; a buffer's text afterwards.
struct Reader {
    Reader(const ExportInfo& i, const std::vector<std::string>& a) : info(i), args(a) {}
    const ExportInfo& info;
    const std::vector<std::string>& args;
    std::vector<std::pair<std::string, std::string>> params = Parameters(info.params);
    size_t next = 0;       // the next command-line argument
    size_t parameter = 0;  // the next parameter
    std::vector<char> buffer;
    bool hasBuffer = false;
    bool openMixer = false;  // "open" given for the handle
    OpenedMixer mixer;

    std::string Name() const { return parameter < params.size() ? params[parameter].second : std::string("ARG"); }
    [[noreturn]] void Fail(const std::string& what) const {
        throw UsageError(std::string(info.name) + ": " + what + " (takes " +
                         (CommandLineArguments(info).empty() ? std::string("none") : CommandLineArguments(info)) +
                         ")");
    }
    const std::string& Take() {
        if (next >= args.size()) Fail("missing argument " + Name());
        return args[next++];
    }
    LONG Int() {
        const std::string& a = Take();
        LONG v;
        if (!ParseInt32(a, &v)) Fail(Name() + " must be a 32-bit integer, not '" + a + "'");
        return v;
    }
};

// One reader per parameter type of mixer.h's signatures: an export whose
// parameters have none here does not compile.
template <typename T>
struct Param;
template <>
struct Param<LONG> {
    static LONG Read(Reader& in) { return in.Int(); }
};
template <>
struct Param<DWORD> {
    // After a buffer, its limit: optional; the buffer is made for it.
    static DWORD Read(Reader& in) {
        if (!in.hasBuffer) return static_cast<DWORD>(in.Int());
        const DWORD limit = in.next < in.args.size() ? static_cast<DWORD>(in.Int()) : kDefaultLimit;
        // The export needs limit + 1 bytes and never fewer than 33; a limit
        // beyond the cap (a "negative" one bounds nothing) gets the cap.
        in.buffer.assign(std::max<size_t>(33, std::min<size_t>(static_cast<size_t>(limit) + 1, kLargestBuffer)) + 1, '\0');
        return limit;
    }
};
template <>
struct Param<LPCSTR> {
    static LPCSTR Read(Reader& in) {
        const std::string& a = in.Take();
        return a == "@null" ? nullptr : a.c_str();
    }
};
template <>
struct Param<LPSTR> {  // a buffer the export fills: no argument
    static LPSTR Read(Reader& in) {
        in.hasBuffer = true;
        in.buffer.assign(kTextBuffer + 1, '\0');
        return nullptr;  // pointed at the buffer once every argument is read
    }
};
template <>
struct Param<HMIXER> {  // a number, or "open": mixer device 0 opened around the call
    static HMIXER Read(Reader& in) {
        const std::string& h = in.Take();
        in.openMixer = h == "open";
        LONG raw = 0;
        if (!in.openMixer && !ParseInt32(h, &raw)) in.Fail(in.Name() + " must be a number or 'open', not '" + h + "'");
        return reinterpret_cast<HMIXER>(static_cast<uintptr_t>(static_cast<DWORD>(raw)));  // opened once every argument is read
    }
};

template <typename T>
T ReadNext(Reader& in) {
    T value = Param<T>::Read(in);
    ++in.parameter;
    return value;
}

template <typename Pointer>
struct Signature;
template <typename... P>
struct Signature<LONG(WINAPI*)(P...)> {
    static constexpr int kCount = sizeof...(P);
    static CallOutcome Call(const ExportInfo& info, AnyFn fn, const std::vector<std::string>& args) {
        Reader in(info, args);
        // Braces read the arguments left to right.
        std::tuple<P...> values{ReadNext<P>(in)...};
        if (in.next < args.size()) in.Fail("too many arguments");
        std::apply([&](auto&... v) { (Prepare(in, v), ...); }, values);
        CallOutcome out;
        out.result = std::apply(reinterpret_cast<LONG(WINAPI*)(P...)>(fn), values);
        if (in.hasBuffer) {
            in.buffer.back() = '\0';
            out.hasText = true;
            out.text = in.buffer.data();
        }
        return out;
    }

private:
    template <typename T>
    static void Prepare(Reader&, T&) {}
    static void Prepare(Reader& in, LPSTR& buffer) { buffer = in.buffer.data(); }
    static void Prepare(Reader& in, HMIXER& handle) {
        if (!in.openMixer) return;
        const MMRESULT r = mixerOpen(&in.mixer.handle, 0, 0, 0, MIXER_OBJECTF_MIXER);
        if (r != MMSYSERR_NOERROR) throw ToolError("cannot open mixer device 0 (error " + std::to_string(r) + ")");
        handle = in.mixer.handle;
    }
};

std::vector<ExportInfo> BuildTable() {
#define MIXERCTL_EXPORT_INFO(result, name, params) \
    {#name, #params, &Signature<MIXER_PFN_##name>::Call, Signature<MIXER_PFN_##name>::kCount},
    std::vector<ExportInfo> t = {MIXER_FUNCTIONS(MIXERCTL_EXPORT_INFO)};
#undef MIXERCTL_EXPORT_INFO
    std::sort(t.begin(), t.end(),
              [](const ExportInfo& a, const ExportInfo& b) { return std::strcmp(a.name, b.name) < 0; });
    return t;
}

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

std::string CommandLineArguments(const ExportInfo& info) {
    std::string out;
    bool afterBuffer = false;
    for (const auto& p : Parameters(info.params)) {
        std::string word = afterBuffer ? "[" + p.second + "]" : p.first == "HMIXER" ? p.second + "|open" : p.second;
        if (p.first == "LPSTR") afterBuffer = true;
        else out += (out.empty() ? "" : " ") + word;
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
