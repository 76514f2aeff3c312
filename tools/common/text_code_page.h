// Text between the platform's ANSI code page and UTF-8. The mixer API's "A"
// functions give names (mixers, lines, controls, list items) and take paths
// and names in the system's ANSI code page (CP_ACP), which differs by the
// system's language: "Entrée ligne" arrives as the single byte 0xE9 for the
// "é" on a French system. The programs print and read UTF-8, so their text
// crosses over here. The simulated platform's text is UTF-8 already, so
// there both conversions leave the text as it is.
#pragma once

#include <string>

namespace mixertools {

// Text in the ANSI code page as UTF-8; as it is when it cannot be converted.
std::string AnsiToUtf8(const std::string& ansi);
// UTF-8 as the ANSI code page; characters it lacks become its default
// character ("?"), and bytes that are not UTF-8 are taken as ANSI already.
std::string Utf8ToAnsi(const std::string& utf8);
#ifdef _WIN32
// UTF-16 (a wide command line's argument) as UTF-8.
std::string WideToUtf8(const wchar_t* wide);
#endif

}  // namespace mixertools
