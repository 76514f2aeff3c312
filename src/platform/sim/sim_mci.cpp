// Simulated MCI for "cdaudio" devices, MCI error texts and message boxes.
// The contract modelled is described in sim_mci.h.
#include "sim_mci.h"

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>

namespace sim {
namespace {

struct CommandFault {
    MCIERROR code;
    int occurrence;  // 0 = every command of the kind
    int seen;
};

struct MciState {
    std::vector<MciCommand> commands;
    std::map<MCIDEVICEID, MciDevice> devices;
    MCIDEVICEID nextId = 1;
    std::map<UINT, CommandFault> faults;
    std::vector<ErrorTextRequest> textRequests;
    std::vector<MessageBoxCall> boxes;
};

MciState& S() {
    static MciState s;
    return s;
}

// The held opens (HoldMciOpens), apart from the platform's lock.
struct OpenGate {
    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false;
    int held = 0;
};

OpenGate& Gate() {
    static OpenGate g;
    return g;
}

// Called by every MCI_OPEN before it takes the platform's lock.
void PassTheOpenGate() {
    OpenGate& g = Gate();
    std::unique_lock<std::mutex> lock(g.mutex);
    if (!g.holding) return;
    ++g.held;
    g.changed.notify_all();
    g.changed.wait(lock, [&g] { return !g.holding; });
    --g.held;
}

void ResetMci() {
    S() = MciState();
    ReleaseMciOpens();
}

detail::ResetHook g_resetHook(ResetMci);

struct ErrorText {
    MCIERROR code;
    const char* text;
};

const ErrorText kErrorTexts[] = {
    {MCIERR_INVALID_DEVICE_ID, "Invalid MCI device ID. Use the ID returned when opening the MCI device."},
    {MCIERR_UNRECOGNIZED_KEYWORD, "The driver cannot recognize the specified command parameter."},
    {MCIERR_UNRECOGNIZED_COMMAND, "The driver cannot recognize the specified command."},
    {MCIERR_HARDWARE, "There is a problem with your media device. Make sure it is working correctly or contact the device manufacturer."},
    {MCIERR_INVALID_DEVICE_NAME, "The specified device is not open or is not recognized by MCI."},
    {MCIERR_OUT_OF_MEMORY, "Not enough memory available for this task."},
    {MCIERR_DEVICE_OPEN, "The device name is already being used as an alias by this application. Use a unique alias."},
    {MCIERR_CANNOT_LOAD_DRIVER, "The specified device driver cannot be loaded."},
    {MCIERR_MISSING_PARAMETER, "The specified command requires a parameter. Please supply one."},
    {MCIERR_UNSUPPORTED_FUNCTION, "The MCI device you are using does not support the specified command."},
    {MCIERR_DEVICE_NOT_READY, "The device is not ready."},
    {MCIERR_INTERNAL, "A problem occurred in initializing MCI."},
    {MCIERR_OUTOFRANGE, "The specified parameter is out of range for the specified command."},
    {MCIERR_FLAGS_NOT_COMPATIBLE, "The specified parameters cannot be used together."},
    {MCIERR_BAD_TIME_FORMAT, "The specified value for the time format is invalid."},
    {MCIERR_NULL_PARAMETER_BLOCK, "A null parameter block was passed to MCI."},
    {MCIERR_DEVICE_NOT_INSTALLED, "The specified device is not installed on the system."},
};

bool SameTypeName(const char* a, const char* b) {
    if (!a) return false;
    while (*a && *b && std::tolower(static_cast<unsigned char>(*a)) == std::tolower(static_cast<unsigned char>(*b)))
        ++a, ++b;
    return *a == '\0' && *b == '\0';
}

// Whether a per-kind fault applies to this command; counts it when armed.
bool KindFault(UINT command, MCIERROR* code) {
    auto it = S().faults.find(command);
    if (it == S().faults.end()) return false;
    CommandFault& f = it->second;
    ++f.seen;
    if (f.occurrence != 0 && f.occurrence != f.seen) return false;
    *code = f.code;
    return true;
}

MciDevice* OpenDevice(MCIDEVICEID id) {
    auto it = S().devices.find(id);
    return it != S().devices.end() && it->second.open ? &it->second : nullptr;
}

// Reads the record fields the command uses into the log entry (the device
// type only while calls are logged: nothing else reads it).
void ReadRecord(MciCommand& m, DWORD_PTR record) {
    m.hasRecord = record != 0;
    if (!record) return;
    m.callback = *reinterpret_cast<const DWORD_PTR*>(record);  // every record starts with dwCallback
    if (m.command == MCI_OPEN) {
        const auto* p = reinterpret_cast<const MCI_OPEN_PARMSA*>(record);
        if (p->lpstrDeviceType && detail::CallRecord::Logging()) m.deviceType = p->lpstrDeviceType;
    } else if (m.command == MCI_SET) {
        m.timeFormat = reinterpret_cast<const MCI_SET_PARMS*>(record)->dwTimeFormat;
    } else if (m.command == MCI_PLAY) {
        const auto* p = reinterpret_cast<const MCI_PLAY_PARMS*>(record);
        m.from = p->dwFrom;
        m.to = p->dwTo;
    }
}

MCIERROR Execute(MciCommand& m, DWORD_PTR record) {
    MciState& s = S();
    if (m.command == MCI_OPEN) {
        if (!record) return MCIERR_NULL_PARAMETER_BLOCK;
        if (!(m.flags & MCI_OPEN_TYPE)) return MCIERR_MISSING_PARAMETER;
        auto* p = reinterpret_cast<MCI_OPEN_PARMSA*>(record);
        if (!SameTypeName(p->lpstrDeviceType, "cdaudio")) return MCIERR_INVALID_DEVICE_NAME;
        MciDevice d;
        d.id = s.nextId++;
        d.type = "cdaudio";
        d.open = true;
        s.devices[d.id] = d;
        p->wDeviceID = d.id;
        m.openedId = d.id;
        return 0;
    }
    if (m.command != MCI_SET && m.command != MCI_PLAY && m.command != MCI_STOP && m.command != MCI_CLOSE)
        return MCIERR_UNRECOGNIZED_COMMAND;
    MciDevice* d = OpenDevice(m.device);
    if (!d) return MCIERR_INVALID_DEVICE_ID;
    switch (m.command) {
    case MCI_SET:
        if (!record) return MCIERR_NULL_PARAMETER_BLOCK;
        if (m.flags & MCI_SET_TIME_FORMAT) {
            if (m.timeFormat != MCI_FORMAT_MILLISECONDS && m.timeFormat != MCI_FORMAT_MSF &&
                m.timeFormat != MCI_FORMAT_TMSF)
                return MCIERR_BAD_TIME_FORMAT;
            d->timeFormat = m.timeFormat;
        }
        return 0;
    case MCI_PLAY:
        if (!record && (m.flags & (MCI_FROM | MCI_TO))) return MCIERR_NULL_PARAMETER_BLOCK;
        if (m.flags & MCI_FROM) d->position = m.from;
        d->playing = true;
        return 0;
    case MCI_STOP:
        d->playing = false;
        return 0;
    default:  // MCI_CLOSE
        d->playing = false;
        d->open = false;
        return 0;
    }
}

}  // namespace

const std::vector<MciCommand>& MciCommands() { return S().commands; }

const MciDevice* FindMciDevice(MCIDEVICEID id) {
    auto it = S().devices.find(id);
    return it == S().devices.end() ? nullptr : &it->second;
}

int OpenMciDevices() {
    int n = 0;
    for (const auto& d : S().devices)
        if (d.second.open) ++n;
    return n;
}

void FailMciCommand(UINT command, MCIERROR code, int occurrence) {
    S().faults[command] = CommandFault{code, occurrence, 0};
}

std::string MciErrorText(MCIERROR code) {
    for (const ErrorText& e : kErrorTexts)
        if (e.code == code) return e.text;
    return "";
}

const std::vector<ErrorTextRequest>& ErrorTextRequests() { return S().textRequests; }
const std::vector<MessageBoxCall>& MessageBoxes() { return S().boxes; }

void HoldMciOpens() {
    std::lock_guard<std::mutex> lock(Gate().mutex);
    Gate().holding = true;
}

void ReleaseMciOpens() {
    std::lock_guard<std::mutex> lock(Gate().mutex);
    Gate().holding = false;
    Gate().changed.notify_all();
}

bool AwaitHeldMciOpens(int count, DWORD timeoutMs) {
    OpenGate& g = Gate();
    std::unique_lock<std::mutex> lock(g.mutex);
    return g.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&g, count] { return g.held >= count; });
}

}  // namespace sim

using sim::detail::CallRecord;

extern "C" {

MCIERROR WINAPI mciSendCommandA(MCIDEVICEID mciId, UINT uMsg, DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
    if (uMsg == MCI_OPEN) sim::PassTheOpenGate();
    CallRecord call("mciSendCommandA");
    call->object = mciId;
    call->id = uMsg;
    call->flags = static_cast<DWORD>(dwParam1);
    sim::MciCommand m;
    m.device = mciId;
    m.command = uMsg;
    m.flags = static_cast<DWORD>(dwParam1);
    sim::ReadRecord(m, dwParam2);
    call.Text(m.deviceType.c_str());
    DWORD code = 0;
    MCIERROR r;
    if (call.Injected(&code)) {
        r = code;
        m.injected = true;
    } else if (sim::KindFault(uMsg, &code)) {
        r = code;
        m.injected = call->injected = true;
    } else {
        r = sim::Execute(m, dwParam2);
    }
    m.result = r;
    if (CallRecord::Logging()) sim::S().commands.push_back(m);
    return call.Return(r);
}

BOOL WINAPI mciGetErrorStringA(MCIERROR mcierr, LPSTR pszText, UINT cchText) {
    CallRecord call("mciGetErrorStringA");
    call->id = mcierr;
    call->count = cchText;
    DWORD code = 0;
    BOOL ok = FALSE;
    if (!call.Injected(&code) && pszText != nullptr && cchText > 0) {
        const std::string text = sim::MciErrorText(mcierr);
        if (!text.empty()) {
            size_t n = text.size() < cchText - 1 ? text.size() : cchText - 1;
            std::memcpy(pszText, text.data(), n);
            pszText[n] = '\0';
            ok = TRUE;
        } else if (mcierr >= MCIERR_BASE && mcierr <= MCIERR_CUSTOM_DRIVER_BASE) {
            pszText[0] = '\0';
        }
        call.Text(ok ? pszText : "");
    }
    if (CallRecord::Logging()) {
        sim::ErrorTextRequest q;
        q.code = mcierr;
        q.length = cchText;
        q.known = ok != FALSE;
        sim::S().textRequests.push_back(q);
    }
    return call.Return(ok);
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    CallRecord call("MessageBoxA");
    call->object = reinterpret_cast<uintptr_t>(hWnd);
    call->flags = uType;
    call.Text(lpText);
    DWORD code = 0;
    const int r = call.Injected(&code) ? 0 : IDOK;  // 0: the box could not be created
    if (CallRecord::Logging()) {
        sim::MessageBoxCall b;
        b.owner = hWnd;
        b.nullText = lpText == nullptr;
        b.nullCaption = lpCaption == nullptr;
        if (lpText) b.text = lpText;
        if (lpCaption) b.caption = lpCaption;
        b.type = uType;
        sim::S().boxes.push_back(b);
    }
    return call.Return(r);
}

}  // extern "C"
