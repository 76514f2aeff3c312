// The trace (core/trace.h): one line an export call, built while the call
// runs and written whole when it ends.
//
// The line lives in a block from the process heap that the thread's slot
// points to while the call runs; the request recorder (platform/requests.h)
// appends to the block of the thread it runs on, so calls on several threads
// build their lines apart. Every part is formatted by user32's wvsprintfA
// from its request's format string. A line is handed to the file with one
// WriteFile under the trace's own lock, in a file opened once at load for
// appending only (FILE_APPEND_DATA: every write lands at the end, also when
// another process appends to the same file), kept open and shared with
// readers, writers and deleters. Keeping it open costs one open a process
// instead of one a call, and a trace asked for at load keeps its file when
// the host later changes directory.
#include "core/trace.h"

#include "platform/requests.h"

bool g_traceOn = false;

namespace {

// A line grows to this many bytes at most; the requests past it are counted.
const size_t kLineLimit = 1u << 20;
// wvsprintfA writes at most 1024 characters; escaped, a part is at most four
// times that.
const size_t kPartChars = 1025;

struct TraceSink {
    HANDLE file = INVALID_HANDLE_VALUE;  // none: OutputDebugStringA
    DWORD slot = TLS_OUT_OF_INDEXES;
    CRITICAL_SECTION lock;
    bool lockMade = false;
};
TraceSink g_sink;

// One export call's line: "MIXER[thread] Name(arguments)", then " | " and a
// request at a time; the result goes in after the call at the end.
struct TraceLine {
    char* text;
    size_t length;
    size_t capacity;
    size_t callLength;
    DWORD dropped;  // requests that did not fit
};

bool Reserve(TraceLine* line, size_t more) {
    const size_t needed = line->length + more + 1;
    if (needed <= line->capacity) return true;
    if (needed > kLineLimit) return false;
    size_t capacity = line->capacity != 0 ? line->capacity : 4096;
    while (capacity < needed) capacity *= 2;
    HANDLE heap = GetProcessHeap();
    char* block = heap != nullptr ? static_cast<char*>(HeapAlloc(heap, 0, capacity)) : nullptr;
    if (block == nullptr) return false;
    for (size_t i = 0; i < line->length; ++i) block[i] = line->text[i];
    if (line->text != nullptr) HeapFree(heap, 0, line->text);
    line->text = block;
    line->capacity = capacity;
    return true;
}

// Appends `separator` and the formatted part, with every '|' and every byte
// outside printable ASCII as \xNN, so that every bar of a line separates two
// parts and no string holds a line end. False when it does not fit.
bool Append(TraceLine* line, const char* separator, const char* format, va_list args) {
    char part[kPartChars];
    const int n = wvsprintfA(part, format, args);
    if (!Reserve(line, 3 + 4 * static_cast<size_t>(n > 0 ? n : 0))) return false;
    char* out = line->text + line->length;
    for (const char* s = separator; *s != '\0'; ++s) *out++ = *s;
    for (int i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(part[i]);
        if (c >= 0x20 && c < 0x7F && c != '|') {
            *out++ = static_cast<char>(c);
        } else {
            const char kDigits[] = "0123456789ABCDEF";
            *out++ = '\\';
            *out++ = 'x';
            *out++ = kDigits[c >> 4];
            *out++ = kDigits[c & 0xF];
        }
    }
    *out = '\0';
    line->length = static_cast<size_t>(out - line->text);
    return true;
}

bool AppendText(TraceLine* line, const char* separator, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const bool fit = Append(line, separator, format, args);
    va_end(args);
    return fit;
}

TraceLine* CurrentLine() {
    return g_sink.slot != TLS_OUT_OF_INDEXES ? static_cast<TraceLine*>(TlsGetValue(g_sink.slot)) : nullptr;
}

void FreeLine(TraceLine* line) {
    HANDLE heap = GetProcessHeap();
    if (line->text != nullptr) HeapFree(heap, 0, line->text);
    HeapFree(heap, 0, line);
}

// The recorder: appends the request to the line of the export call running
// on this thread; a request made outside any (a tool's own) is not traced.
void Record(const char* format, va_list args) {
    const DWORD lastError = GetLastError();
    TraceLine* line = CurrentLine();
    if (line != nullptr && !Append(line, " | ", format, args)) ++line->dropped;
    SetLastError(lastError);
}

}  // namespace

void ExportCall::Begin(const char* format, ...) {
    const DWORD lastError = GetLastError();
    // A call inside another export's call belongs to that call's line.
    if (CurrentLine() == nullptr) {
        HANDLE heap = GetProcessHeap();
        void* block = heap != nullptr ? HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(TraceLine)) : nullptr;
        TraceLine* line = static_cast<TraceLine*>(block);
        if (line != nullptr) {
            va_list args;
            va_start(args, format);
            const bool fit = AppendText(line, "", "MIXER[%u] ", GetCurrentThreadId()) && Append(line, "", format, args);
            va_end(args);
            line->callLength = line->length;
            if (fit && TlsSetValue(g_sink.slot, line))
                line_ = line;
            else
                FreeLine(line);
        }
    }
    SetLastError(lastError);
}

void ExportCall::End() {
    const DWORD lastError = GetLastError();
    TraceLine* line = static_cast<TraceLine*>(line_);
    line_ = nullptr;
    TlsSetValue(g_sink.slot, nullptr);

    // The result goes after the call, before its requests: it is appended,
    // then rotated into place.
    const size_t requests = line->length - line->callLength;
    const char* const kResults[] = {" = (no result)", " = %d", " = mcierr %d"};
    bool whole = (line->dropped == 0 || AppendText(line, " | ", "... %u more requests", line->dropped)) &&
                 AppendText(line, "", kResults[static_cast<int>(kind_)], result_) && Reserve(line, 1);
    if (whole) {
        const size_t resultLength = line->length - line->callLength - requests;
        char* call = line->text + line->callLength;
        for (size_t i = 0; i < resultLength; ++i) {
            const char c = call[requests + i];
            for (size_t j = requests + i; j > i; --j) call[j] = call[j - 1];
            call[i] = c;
        }
        line->text[line->length++] = '\n';
        line->text[line->length] = '\0';
        EnterCriticalSection(&g_sink.lock);
        // A write that fails or is cut short is given up: the trace never
        // changes what the call did.
        DWORD written = 0;
        if (g_sink.file == INVALID_HANDLE_VALUE)
            OutputDebugStringA(line->text);
        else
            WriteFile(g_sink.file, line->text, static_cast<DWORD>(line->length), &written, nullptr);
        LeaveCriticalSection(&g_sink.lock);
    }
    FreeLine(line);
    SetLastError(lastError);
}

void TraceStart() {
    if (g_traceOn) return;
    char value[MAX_PATH + 1];
    const DWORD n = GetEnvironmentVariableA("MIXER_TRACE", value, sizeof value);
    // Unset, empty, or longer than a path can be: no trace.
    if (n == 0 || n >= sizeof value) return;

    const char kDebug[] = "debug";
    bool debug = n == sizeof kDebug - 1;
    for (DWORD i = 0; debug && i < n; ++i)
        if (value[i] != kDebug[i]) debug = false;
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
