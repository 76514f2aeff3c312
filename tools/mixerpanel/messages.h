// Texts the panel's menu commands show: why a settings file restores
// nothing, the CD player's status lines and which sound-card name file the
// library reads.
#pragma once

#include <string>

namespace mixerpanel {

// Why restoring a settings file of these bytes would set nothing, read with
// the grammar the library's Set reads it with (persistence/
// settings_grammar.h): "" when the file holds a value Set restores.
std::string WhyNoSettings(const std::string& bytes);

// The library's answer to a CD command when no CD device is open.
constexpr long kNoCdOpen = 3075;

enum class CdCommand { Open, Play, Stop, Close };

// The status line after a CD command answered `result` (0: done, else the
// MCI error code): what happened in words, then the code with `text`, the
// platform's text for it, or where the platform has none its name in words
// (mixer_names::MciErrorWords).
std::string CdStatus(CdCommand command, long result, int track, const std::string& text);

// Whether the library reads a name file of this file name for a mixer of
// this product name: its base name (before the last ".") occurs in the
// product name, case and all. A name without "." never fits.
bool NameFileFits(const std::string& fileName, const std::string& product);

}  // namespace mixerpanel
