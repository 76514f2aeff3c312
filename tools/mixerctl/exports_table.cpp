// The export table: one entry an export of mixer.h's lists, its call made
// from the export's MIXER_PFN_ type.
#include "mixerctl.h"

// The one table of the exports: the lists and pointer types of mixer.h.
#define MIXER_NO_PROTOTYPES
#include "mixer.h"

#include "text_code_page.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <regex>
#include <tuple>

namespace mixerctl {
namespace {

constexpr size_t kTextBuffer = 256;         // GetTavrinDirectory's documented buffer
constexpr DWORD kDefaultLimit = 255;        // GetMixerRecordChannels' limit when none is given
constexpr size_t kLargestBuffer = 1 << 20;  // cap for a GetMixerRecordChannels limit

// mixer.h's parameter list as (type, upper-case name) pairs: "(DWORD
// lineId, LONG value)" gives (DWORD, LINEID), (LONG, VALUE); "(void)" none.
std::vector<std::pair<std::string, std::string>> Parameters(const std::string& params) {
    static const std::regex parameter(R"((\w+) (\w+)[,)])");
    std::vector<std::pair<std::string, std::string>> out;
    for (std::sregex_iterator m(params.begin(), params.end(), parameter), end; m != end; ++m) {
        out.emplace_back((*m)[1], (*m)[2]);
        for (char& ch : out.back().second) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    return out;
}

// The arguments of one call, read in order into the export's parameter
// types, one Read per type: an export whose parameters have none here does
// not compile.
struct Reader {
    Reader(const ExportInfo& i, const std::vector<std::string>& a) : info(i), args(a) {}
    ~Reader() {
        if (opened) mixerClose(opened);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    const ExportInfo& info;
    const std::vector<std::string>& args;
    const std::vector<std::pair<std::string, std::string>> params = Parameters(info.params);
    size_t next = 0;       // the next command-line argument
    size_t parameter = 0;  // the next parameter
    std::vector<char> buffer;  // the buffer the export fills, when it has one
    std::deque<std::string> ansi;  // the string arguments in the ANSI code page
    HMIXER opened = nullptr;   // mixer device 0, opened for a handle given as "open"

    [[noreturn]] void Fail(const std::string& what) const {
        const std::string takes = CommandLineArguments(info);
        throw UsageError(std::string(info.name) + ": " + what + " (takes " + (takes.empty() ? "none" : takes) + ")");
    }
    std::string Name() const { return parameter < params.size() ? params[parameter].second : "ARG"; }
    const std::string& Take() {
        if (next >= args.size()) Fail("missing argument " + Name());
        return args[next++];
    }
    void Read(LONG& v) {
        const std::string& a = Take();
        if (!ParseInt32(a, &v)) Fail(Name() + " must be a 32-bit integer, not '" + a + "'");
    }
    void Read(DWORD& v) {
        if (buffer.empty()) return Read(reinterpret_cast<LONG&>(v));
        // After a buffer, its limit: optional. The export needs limit + 1
        // bytes and never fewer than 33; a limit beyond the cap (a "negative"
        // one bounds nothing) gets the cap.
        v = kDefaultLimit;
        if (next < args.size()) Read(reinterpret_cast<LONG&>(v));
        buffer.assign(std::max<size_t>(33, std::min<size_t>(static_cast<size_t>(v) + 1, kLargestBuffer)) + 1, '\0');
    }
    void Read(LPCSTR& v) {
        const std::string& a = Take();
        if (a == "@null") {
            v = nullptr;
            return;
        }
        ansi.push_back(mixertools::Utf8ToAnsi(a));  // a deque keeps its strings in place
        v = ansi.back().c_str();
    }
    void Read(LPSTR&) { buffer.assign(kTextBuffer + 1, '\0'); }  // no argument; pointed at the buffer at the end
    void Read(HMIXER& v) {  // a number, or "open": mixer device 0 opened around the call
        const std::string& a = Take();
        LONG raw = 0;
        if (a != "open" && !ParseInt32(a, &raw)) Fail(Name() + " must be a number or 'open', not '" + a + "'");
        const MMRESULT r = a == "open" ? mixerOpen(&opened, 0, 0, 0, MIXER_OBJECTF_MIXER) : MMSYSERR_NOERROR;
        if (r != MMSYSERR_NOERROR) throw ToolError("cannot open mixer device 0 (error " + std::to_string(r) + ")");
        v = a == "open" ? opened : reinterpret_cast<HMIXER>(static_cast<uintptr_t>(static_cast<DWORD>(raw)));
    }
    template <typename T>
    void Next(T& v) {
        Read(v);
        ++parameter;
    }
    template <typename T>
    void Point(T&) {}
    void Point(LPSTR& v) { v = buffer.data(); }
};

template <typename Pointer>
struct Signature;
template <typename... P>
struct Signature<LONG(WINAPI*)(P...)> {
    static constexpr int kCount = sizeof...(P);
    static CallOutcome Call(const ExportInfo& info, AnyFn fn, const std::vector<std::string>& args) {
        Reader in(info, args);
        std::tuple<P...> values{};
        std::apply([&](auto&... v) { (in.Next(v), ...); }, values);  // left to right
        if (in.next < args.size()) in.Fail("too many arguments");
        std::apply([&](auto&... v) { (in.Point(v), ...); }, values);
        CallOutcome out;
        out.result = std::apply(reinterpret_cast<LONG(WINAPI*)(P...)>(fn), values);
        out.hasText = !in.buffer.empty();
        if (out.hasText) {
            in.buffer.back() = '\0';
            out.text = mixertools::AnsiToUtf8(in.buffer.data());
        }
        return out;
    }
};

}  // namespace

const std::vector<ExportInfo>& Exports() {
    static const std::vector<ExportInfo> table = [] {
#define MIXERCTL_EXPORT_INFO(result, name, params) \
    {#name, #params, &Signature<MIXER_PFN_##name>::Call, Signature<MIXER_PFN_##name>::kCount},
        std::vector<ExportInfo> t = {MIXER_FUNCTIONS(MIXERCTL_EXPORT_INFO)};
#undef MIXERCTL_EXPORT_INFO
        auto byName = [](const ExportInfo& a, const ExportInfo& b) { return std::strcmp(a.name, b.name) < 0; };
        std::sort(t.begin(), t.end(), byName);
        return t;
    }();
    return table;
}

const ExportInfo* FindExport(const std::string& name) {
    for (const ExportInfo& e : Exports())
        if (Lower(name) == Lower(e.name)) return &e;
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
    return info->invoke(*info, fn, args);
}

}  // namespace mixerctl
