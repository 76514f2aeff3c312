// The host application's install directory, as registered under its
// application path key.
#include "core/holders.h"
#include "core/trace.h"
#include "core/state.h"
#include "persistence/persistence.h"

namespace {

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";
const char kPathValue[] = "Path";
// The caller's buffer holds 255 bytes: at most 254 characters and the
// terminator. A longer directory is refused rather than cut, since a cut path
// names some other directory.
const DWORD kCallerChars = 254;

}  // namespace

MIXER_EXPORT LONG WINAPI GetTavrinDirectory(LPSTR buffer) {
    ExportCall call("GetTavrinDirectory(0x%x)", req::H(buffer));
    if (buffer == nullptr) return call.Returns(0);
    buffer[0] = '\0';
    // Reading the value needs no more than the right to query it: a user
    // without write access to the machine's keys gets the directory too.
    HKEY opened = nullptr;
    if (req::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return call.Returns(0);
    ScopedKey key(opened);
    BYTE data[MIXER_NAME_CHARS];
    DWORD size = MIXER_NAME_CHARS - 1;
    if (req::RegQueryValueExA(key.get(), kPathValue, nullptr, nullptr, data, &size) != ERROR_SUCCESS)
        return call.Returns(0);
    if (size > MIXER_NAME_CHARS - 1) size = MIXER_NAME_CHARS - 1;
    // The value's type is not looked at; its text ends at its first NUL or at
    // the bytes returned, whichever comes first.
    DWORD length = 0;
    while (length < size && data[length] != '\0') ++length;
    if (length > kCallerChars) return call.Returns(0);
    for (DWORD i = 0; i < length; ++i) buffer[i] = static_cast<char>(data[i]);
    buffer[length] = '\0';
    return call.Returns(1);
}

