// Simulated registry: RegOpenKeyExA, RegQueryValueExA, RegCloseKey.
//
// Keys hang under the four predefined roots; names of keys and values are
// compared without case. Each key carries the access a caller is granted on
// it, and an open asking for more fails with ERROR_ACCESS_DENIED. Values hold
// a type and raw bytes, returned as stored (a string stored without its NUL
// comes back without one).
#include "sim_files.h"

#include <cctype>
#include <cstring>
#include <map>

namespace sim {
namespace {

struct Value {
    DWORD type;
    std::string bytes;
};

struct Key {
    REGSAM granted = KEY_ALL_ACCESS;
    std::map<std::string, Value> values;  // by lower-case name
};

struct OpenKey {
    std::string path;
    REGSAM access;
};

struct RegistryState {
    std::map<std::string, Key> keys;  // by full lower-case path, "<root>\\a\\b"
    std::map<uintptr_t, OpenKey> open;
    uintptr_t nextHandle = 0x40000;
};

RegistryState& R() {
    static RegistryState s;
    return s;
}

void ResetRegistry() {
    R().keys.clear();
    R().open.clear();
    R().nextHandle = 0x40000;
}

detail::ResetHook g_resetRegistry(ResetRegistry);

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return out;
}

// The root's name when hKey is a predefined key, else "".
std::string RootName(HKEY hKey) {
    switch (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hKey))) {
    case 0x80000000u: return "hkcr";
    case 0x80000001u: return "hkcu";
    case 0x80000002u: return "hklm";
    case 0x80000003u: return "hku";
    default: return "";
    }
}

std::string Join(const std::string& base, const std::string& sub) {
    return sub.empty() ? base : base + "\\" + Lower(sub);
}

Key& Ensure(HKEY root, const std::string& subKey) {
    const std::string base = RootName(root);
    const std::string full = Join(base, subKey);
    // Every key above it exists too.
    for (size_t i = base.size() + 1; i < full.size(); ++i)
        if (full[i] == '\\') R().keys[full.substr(0, i)];
    return R().keys[full];
}

}  // namespace

void RegAddKey(HKEY root, const std::string& subKey) { Ensure(root, subKey); }

void RegSetValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
                 const std::string& bytes) {
    Ensure(root, subKey).values[Lower(name)] = Value{type, bytes};
}

void RegSetString(HKEY root, const std::string& subKey, const std::string& name, const std::string& text) {
    RegSetValue(root, subKey, name, REG_SZ, text + std::string(1, '\0'));
}

void RegGrantAccess(HKEY root, const std::string& subKey, REGSAM granted) { Ensure(root, subKey).granted = granted; }

void RegDeleteKey(HKEY root, const std::string& subKey) {
    const std::string full = Join(RootName(root), subKey);
    for (auto it = R().keys.begin(); it != R().keys.end();) {
        if (it->first == full || it->first.compare(0, full.size() + 1, full + "\\") == 0)
            it = R().keys.erase(it);
        else
            ++it;
    }
}

int OpenKeys() { return static_cast<int>(R().open.size()); }

}  // namespace sim

using sim::detail::CallRecord;

extern "C" {

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
    CallRecord call("RegOpenKeyExA");
    call.Text(lpSubKey);
    call->id = ulOptions;
    call->flags = samDesired;
    DWORD code = 0;
    LSTATUS r = ERROR_SUCCESS;
    sim::RegistryState& s = sim::R();
    if (call.Injected(&code)) {
        r = static_cast<LSTATUS>(code);
    } else if (phkResult == nullptr) {
        r = ERROR_INVALID_PARAMETER;
    } else {
        std::string base = sim::RootName(hKey);
        if (base.empty()) {
            auto it = s.open.find(reinterpret_cast<uintptr_t>(hKey));
            if (it != s.open.end()) base = it->second.path;
        }
        const std::string full = sim::Join(base, lpSubKey ? lpSubKey : "");
        // The WOW64 view bits choose a view, not an access right.
        const REGSAM wanted = samDesired & ~static_cast<REGSAM>(0x0300);
        if (base.empty()) {
            r = ERROR_INVALID_HANDLE;
        } else if (full == base && !sim::RootName(hKey).empty()) {
            // A predefined root opens as itself.
            *phkResult = hKey;
        } else {
            auto key = s.keys.find(full);
            if (key == s.keys.end()) {
                r = ERROR_FILE_NOT_FOUND;
            } else if ((wanted & ~key->second.granted) != 0) {
                r = ERROR_ACCESS_DENIED;
            } else {
                uintptr_t h = s.nextHandle;
                s.nextHandle += 4;
                s.open[h] = sim::OpenKey{full, wanted};
                *phkResult = reinterpret_cast<HKEY>(h);
                call->object = h;
            }
        }
    }
    return call.Return(r);
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
    CallRecord call("RegQueryValueExA");
    call->object = reinterpret_cast<uintptr_t>(hKey);
    call.Text(lpValueName);
    call->count = lpcbData ? *lpcbData : 0;
    DWORD code = 0;
    LSTATUS r = ERROR_SUCCESS;
    sim::RegistryState& s = sim::R();
    auto open = s.open.find(reinterpret_cast<uintptr_t>(hKey));
    if (call.Injected(&code)) {
        r = static_cast<LSTATUS>(code);
    } else if (open == s.open.end()) {
        r = ERROR_INVALID_HANDLE;
    } else if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
        r = ERROR_INVALID_PARAMETER;
    } else if (!(open->second.access & KEY_QUERY_VALUE)) {
        r = ERROR_ACCESS_DENIED;
    } else {
        auto key = s.keys.find(open->second.path);
        const sim::Value* v = nullptr;
        if (key != s.keys.end()) {
            auto it = key->second.values.find(sim::Lower(lpValueName ? lpValueName : ""));
            if (it != key->second.values.end()) v = &it->second;
        }
        if (v == nullptr) {
            r = ERROR_FILE_NOT_FOUND;
        } else {
            const DWORD size = static_cast<DWORD>(v->bytes.size());
            if (lpType) *lpType = v->type;
            if (lpData != nullptr && *lpcbData < size) {
                r = ERROR_MORE_DATA;
            } else if (lpData != nullptr) {
                std::memcpy(lpData, v->bytes.data(), size);
                call.AppendText("=");
                call.AppendText(v->bytes.data(), v->bytes.size());
            }
            if (lpcbData) *lpcbData = size;
        }
    }
    return call.Return(r);
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    CallRecord call("RegCloseKey");
    call->object = reinterpret_cast<uintptr_t>(hKey);
    DWORD code = 0;
    LSTATUS r = ERROR_SUCCESS;
    if (call.Injected(&code)) {
        r = static_cast<LSTATUS>(code);
    } else if (sim::RootName(hKey).empty() && sim::R().open.erase(reinterpret_cast<uintptr_t>(hKey)) == 0) {
        r = ERROR_INVALID_HANDLE;
    }
    return call.Return(r);
}

}  // extern "C"
