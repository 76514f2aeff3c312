#include "text_code_page.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace mixertools {

#ifdef _WIN32
namespace {

// `text` in code page `from` as UTF-16; false when it is not text of that
// code page (MB_ERR_INVALID_CHARS with `strict`).
bool Wide(UINT from, const std::string& text, bool strict, std::wstring* out) {
    const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(from, flags, text.data(), size, nullptr, 0);
    if (n <= 0) return false;
    out->assign(static_cast<size_t>(n), L'\0');
    return MultiByteToWideChar(from, flags, text.data(), size, &(*out)[0], n) == n;
}

std::string Narrow(UINT to, const std::wstring& wide) {
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(to, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(to, 0, wide.data(), size, &out[0], n, nullptr, nullptr);
    return out;
}

bool Ascii(const std::string& text) {
    for (char ch : text)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

}  // namespace

std::string AnsiToUtf8(const std::string& ansi) {
    std::wstring wide;
    if (Ascii(ansi) || !Wide(CP_ACP, ansi, false, &wide)) return ansi;
    return Narrow(CP_UTF8, wide);
}

std::string Utf8ToAnsi(const std::string& utf8) {
    std::wstring wide;
    if (Ascii(utf8) || !Wide(CP_UTF8, utf8, true, &wide)) return utf8;
    return Narrow(CP_ACP, wide);
}

std::string WideToUtf8(const wchar_t* wide) { return Narrow(CP_UTF8, wide); }
#else
std::string AnsiToUtf8(const std::string& ansi) { return ansi; }
std::string Utf8ToAnsi(const std::string& utf8) { return utf8; }
#endif

}  // namespace mixertools
