// Readable names of winmm's mixer constants: component types of lines,
// control types and classes, control and line flags, as the tools print and
// read them and as simulated card files give them (docs/card-format.md).
// Tables and small lookups only, free of the library, so that a tool
// includes it in either build and the simulated platform's card loader in
// the native one.
#pragma once

#include "win.h"

#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace mixer_names {

struct Named {
    const char* name;
    DWORD value;
};

inline constexpr Named kDestinations[] = {
    {"undefined", MIXERLINE_COMPONENTTYPE_DST_UNDEFINED}, {"digital", MIXERLINE_COMPONENTTYPE_DST_DIGITAL},
    {"line", MIXERLINE_COMPONENTTYPE_DST_LINE},           {"monitor", MIXERLINE_COMPONENTTYPE_DST_MONITOR},
    {"speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS},   {"headphones", MIXERLINE_COMPONENTTYPE_DST_HEADPHONES},
    {"telephone", MIXERLINE_COMPONENTTYPE_DST_TELEPHONE}, {"wavein", MIXERLINE_COMPONENTTYPE_DST_WAVEIN},
    {"voicein", MIXERLINE_COMPONENTTYPE_DST_VOICEIN},
};

inline constexpr Named kSources[] = {
    {"undefined", MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED},     {"digital", MIXERLINE_COMPONENTTYPE_SRC_DIGITAL},
    {"line", MIXERLINE_COMPONENTTYPE_SRC_LINE},               {"microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
    {"synthesizer", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER}, {"compactdisc", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},
    {"telephone", MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE},     {"pcspeaker", MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER},
    {"waveout", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},         {"auxiliary", MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY},
    {"analog", MIXERLINE_COMPONENTTYPE_SRC_ANALOG},
};

// The line words of mixerctl's property paths.
inline constexpr Named kLineWords[] = {
    {"linein", MIXERLINE_COMPONENTTYPE_SRC_LINE},     {"mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
    {"cd", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},  {"waveout", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},
    {"wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},    {"aux", MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY},
    {"digital", MIXERLINE_COMPONENTTYPE_SRC_DIGITAL}, {"analog", MIXERLINE_COMPONENTTYPE_SRC_ANALOG},
    {"main", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS},   {"master", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS},
};

// By the suffix of the control type's MIXERCONTROL_CONTROLTYPE_ name.
inline constexpr Named kControlTypes[] = {
    {"custom", MIXERCONTROL_CONTROLTYPE_CUSTOM},
    {"booleanmeter", MIXERCONTROL_CONTROLTYPE_BOOLEANMETER},
    {"signedmeter", MIXERCONTROL_CONTROLTYPE_SIGNEDMETER},
    {"peakmeter", MIXERCONTROL_CONTROLTYPE_PEAKMETER},
    {"unsignedmeter", MIXERCONTROL_CONTROLTYPE_UNSIGNEDMETER},
    {"boolean", MIXERCONTROL_CONTROLTYPE_BOOLEAN},
    {"onoff", MIXERCONTROL_CONTROLTYPE_ONOFF},
    {"mute", MIXERCONTROL_CONTROLTYPE_MUTE},
    {"mono", MIXERCONTROL_CONTROLTYPE_MONO},
    {"loudness", MIXERCONTROL_CONTROLTYPE_LOUDNESS},
    {"stereoenh", MIXERCONTROL_CONTROLTYPE_STEREOENH},
    {"button", MIXERCONTROL_CONTROLTYPE_BUTTON},
    {"decibels", MIXERCONTROL_CONTROLTYPE_DECIBELS},
    {"signed", MIXERCONTROL_CONTROLTYPE_SIGNED},
    {"unsigned", MIXERCONTROL_CONTROLTYPE_UNSIGNED},
    {"percent", MIXERCONTROL_CONTROLTYPE_PERCENT},
    {"slider", MIXERCONTROL_CONTROLTYPE_SLIDER},
    {"pan", MIXERCONTROL_CONTROLTYPE_PAN},
    {"qsoundpan", MIXERCONTROL_CONTROLTYPE_QSOUNDPAN},
    {"fader", MIXERCONTROL_CONTROLTYPE_FADER},
    {"volume", MIXERCONTROL_CONTROLTYPE_VOLUME},
    {"bass", MIXERCONTROL_CONTROLTYPE_BASS},
    {"treble", MIXERCONTROL_CONTROLTYPE_TREBLE},
    {"equalizer", MIXERCONTROL_CONTROLTYPE_EQUALIZER},
    {"singleselect", MIXERCONTROL_CONTROLTYPE_SINGLESELECT},
    {"mux", MIXERCONTROL_CONTROLTYPE_MUX},
    {"multipleselect", MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT},
    {"mixer", MIXERCONTROL_CONTROLTYPE_MIXER},
    {"microtime", MIXERCONTROL_CONTROLTYPE_MICROTIME},
    {"millitime", MIXERCONTROL_CONTROLTYPE_MILLITIME},
};

inline constexpr Named kControlClasses[] = {
    {"custom", MIXERCONTROL_CT_CLASS_CUSTOM}, {"meter", MIXERCONTROL_CT_CLASS_METER},
    {"switch", MIXERCONTROL_CT_CLASS_SWITCH}, {"number", MIXERCONTROL_CT_CLASS_NUMBER},
    {"slider", MIXERCONTROL_CT_CLASS_SLIDER}, {"fader", MIXERCONTROL_CT_CLASS_FADER},
    {"time", MIXERCONTROL_CT_CLASS_TIME},     {"list", MIXERCONTROL_CT_CLASS_LIST},
};

inline constexpr Named kControlFlags[] = {
    {"uniform", MIXERCONTROL_CONTROLF_UNIFORM}, {"multiple", MIXERCONTROL_CONTROLF_MULTIPLE},
    {"disabled", MIXERCONTROL_CONTROLF_DISABLED},
};

inline constexpr Named kLineFlags[] = {
    {"active", MIXERLINE_LINEF_ACTIVE}, {"disconnected", MIXERLINE_LINEF_DISCONNECTED}, {"source", MIXERLINE_LINEF_SOURCE},
};

template <size_t N>
const Named* ByName(const Named (&table)[N], const std::string& name) {
    for (const Named& n : table)
        if (name == n.name) return &n;
    return nullptr;
}

template <size_t N>
const Named* ByValue(const Named (&table)[N], DWORD value) {
    for (const Named& n : table)
        if (n.value == value) return &n;
    return nullptr;
}

inline std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

inline std::string Hex(DWORD v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lx", static_cast<unsigned long>(v));
    return buf;
}

// Integer text: decimal or 0x hexadecimal, optionally signed, anything from
// -2^31 to 2^32-1; the result is the 32-bit pattern.
inline bool ParseInt32(const std::string& text, LONG* out) {
    if (text.empty()) return false;
    const char* s = text.c_str();
    bool negative = *s == '-';
    if (negative || *s == '+') ++s;
    int base = 10;
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) base = 16, s += 2;
    if (!std::isxdigit(static_cast<unsigned char>(*s))) return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(s, &end, base);
    if (errno != 0 || *end != '\0') return false;
    if (negative) {
        if (v > 0x80000000ULL) return false;
        *out = static_cast<LONG>(-static_cast<long long>(v));
        return true;
    }
    if (v > 0xFFFFFFFFULL) return false;
    *out = static_cast<LONG>(static_cast<DWORD>(v));
    return true;
}

// A name of `table` (any case) or a number.
template <size_t N>
bool ParseNamed(const Named (&table)[N], const std::string& text, DWORD* out) {
    const std::string t = Lower(text);
    if (const Named* n = ByName(table, t)) {
        *out = n->value;
        return true;
    }
    LONG v;
    if (!ParseInt32(t, &v)) return false;
    *out = static_cast<DWORD>(v);
    return true;
}

// A component type: a full name ("dst.wavein", "src.microphone"), a bare
// name among the destinations or the sources as `destination` says, for a
// source also one of the line words (linein, mic, cd, wave, aux), or a
// number.
inline bool ParseComponentType(const std::string& text, bool destination, DWORD* out) {
    const std::string t = Lower(text);
    const Named* n = nullptr;
    if (t.compare(0, 4, "dst.") == 0) n = ByName(kDestinations, t.substr(4));
    if (t.compare(0, 4, "src.") == 0) n = ByName(kSources, t.substr(4));
    if (n == nullptr) n = destination ? ByName(kDestinations, t) : ByName(kSources, t);
    if (n == nullptr && !destination) {
        n = ByName(kLineWords, t);
        if (n != nullptr && n->value == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) n = nullptr;
    }
    if (n != nullptr) {
        *out = n->value;
        return true;
    }
    LONG v;
    if (!ParseInt32(t, &v)) return false;
    *out = static_cast<DWORD>(v);
    return true;
}

// "volume", "mute", ...; an unnamed type as hexadecimal.
inline std::string ControlTypeName(DWORD type) {
    if (const Named* n = ByValue(kControlTypes, type)) return n->name;
    return Hex(type);
}

// The class of a control type: "list", "switch", ...; an unnamed one as
// hexadecimal.
inline std::string ControlClassName(DWORD type) {
    const DWORD typeClass = type & MIXERCONTROL_CT_CLASS_MASK;
    if (const Named* n = ByValue(kControlClasses, typeClass)) return n->name;
    return Hex(typeClass);
}

// A component type's full name, as ParseComponentType reads it:
// "dst.speakers", "src.line", ...; an unnamed type as hexadecimal.
inline std::string ComponentTypeName(DWORD type) {
    if (const Named* n = ByValue(kDestinations, type)) return std::string("dst.") + n->name;
    if (const Named* n = ByValue(kSources, type)) return std::string("src.") + n->name;
    return Hex(type);
}

// The names of the flags of `table` set in `flags`, then any other bits as
// one hexadecimal number.
template <size_t N>
std::vector<std::string> FlagNames(const Named (&table)[N], DWORD flags) {
    std::vector<std::string> out;
    for (const Named& n : table)
        if (flags & n.value) {
            out.push_back(n.name);
            flags &= ~n.value;
        }
    if (flags) out.push_back(Hex(flags));
    return out;
}

// The Win32 error codes the library's file and registry requests meet, as
// the trace shows them ("error N").
inline constexpr Named kWin32Errors[] = {
    {"ERROR_FILE_NOT_FOUND", 2},       {"ERROR_PATH_NOT_FOUND", 3},     {"ERROR_ACCESS_DENIED", 5},
    {"ERROR_INVALID_HANDLE", 6},       {"ERROR_NOT_ENOUGH_MEMORY", 8},  {"ERROR_NO_MORE_FILES", 18},
    {"ERROR_WRITE_FAULT", 29},         {"ERROR_READ_FAULT", 30},        {"ERROR_SHARING_VIOLATION", 32},
    {"ERROR_HANDLE_DISK_FULL", 39},    {"ERROR_FILE_EXISTS", 80},       {"ERROR_INVALID_PARAMETER", 87},
    {"ERROR_DISK_FULL", 112},          {"ERROR_INSUFFICIENT_BUFFER", 122}, {"ERROR_INVALID_NAME", 123},
    {"ERROR_ALREADY_EXISTS", 183},     {"ERROR_FILENAME_EXCED_RANGE", 206}, {"ERROR_MORE_DATA", 234},
};

// MCI error codes, MCIERR_BASE (256) up, as the trace shows them
// ("mcierr N"); a driver's code keeps its own bits above the low word.
inline constexpr Named kMciErrors[] = {
    {"MCIERR_INVALID_DEVICE_ID", 257},       {"MCIERR_UNRECOGNIZED_KEYWORD", 259},
    {"MCIERR_UNRECOGNIZED_COMMAND", 261},    {"MCIERR_HARDWARE", 262},
    {"MCIERR_INVALID_DEVICE_NAME", 263},     {"MCIERR_OUT_OF_MEMORY", 264},
    {"MCIERR_DEVICE_OPEN", 265},             {"MCIERR_CANNOT_LOAD_DRIVER", 266},
    {"MCIERR_MISSING_COMMAND_STRING", 267},  {"MCIERR_PARAM_OVERFLOW", 268},
    {"MCIERR_MISSING_STRING_ARGUMENT", 269}, {"MCIERR_BAD_INTEGER", 270},
    {"MCIERR_PARSER_INTERNAL", 271},         {"MCIERR_DRIVER_INTERNAL", 272},
    {"MCIERR_MISSING_PARAMETER", 273},       {"MCIERR_UNSUPPORTED_FUNCTION", 274},
    {"MCIERR_FILE_NOT_FOUND", 275},          {"MCIERR_DEVICE_NOT_READY", 276},
    {"MCIERR_INTERNAL", 277},                {"MCIERR_DRIVER", 278},
    {"MCIERR_CANNOT_USE_ALL", 279},          {"MCIERR_MULTIPLE", 280},
    {"MCIERR_EXTENSION_NOT_FOUND", 281},     {"MCIERR_OUTOFRANGE", 282},
    {"MCIERR_FLAGS_NOT_COMPATIBLE", 284},    {"MCIERR_FILE_NOT_SAVED", 286},
    {"MCIERR_DEVICE_TYPE_REQUIRED", 287},    {"MCIERR_DEVICE_LOCKED", 288},
    {"MCIERR_DUPLICATE_ALIAS", 289},         {"MCIERR_BAD_CONSTANT", 290},
    {"MCIERR_MUST_USE_SHAREABLE", 291},      {"MCIERR_MISSING_DEVICE_NAME", 292},
    {"MCIERR_BAD_TIME_FORMAT", 293},         {"MCIERR_NO_CLOSING_QUOTE", 294},
    {"MCIERR_DUPLICATE_FLAGS", 295},         {"MCIERR_INVALID_FILE", 296},
    {"MCIERR_NULL_PARAMETER_BLOCK", 297},    {"MCIERR_UNNAMED_RESOURCE", 298},
    {"MCIERR_NEW_REQUIRES_ALIAS", 299},      {"MCIERR_NOTIFY_ON_AUTO_OPEN", 300},
    {"MCIERR_NO_ELEMENT_ALLOWED", 301},      {"MCIERR_NONAPPLICABLE_FUNCTION", 302},
    {"MCIERR_ILLEGAL_FOR_AUTO_OPEN", 303},   {"MCIERR_FILENAME_REQUIRED", 304},
    {"MCIERR_EXTRA_CHARACTERS", 305},        {"MCIERR_DEVICE_NOT_INSTALLED", 306},
    {"MCIERR_GET_CD", 307},                  {"MCIERR_SET_CD", 308},
    {"MCIERR_SET_DRIVE", 309},               {"MCIERR_DEVICE_LENGTH", 310},
    {"MCIERR_DEVICE_ORD_LENGTH", 311},       {"MCIERR_NO_INTEGER", 312},
};

// A trace line (core/trace.h) for a person: every non-zero "error N" and
// "mcierr N" followed by the code's name in parentheses, where it has one.
inline std::string NameTraceCodes(const std::string& line) {
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        const bool mci = line.compare(i, 7, "mcierr ") == 0;
        const size_t word = mci ? 7 : line.compare(i, 6, "error ") == 0 ? 6 : 0;
        if (word == 0 || (i > 0 && std::isalnum(static_cast<unsigned char>(line[i - 1])))) {
            out += line[i++];
            continue;
        }
        size_t end = i + word;
        while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
        out.append(line, i, end - i);
        const DWORD code = end > i + word ? static_cast<DWORD>(std::strtoul(line.c_str() + i + word, nullptr, 10)) : 0;
        const Named* n = mci ? ByValue(kMciErrors, code & 0xFFFF) : ByValue(kWin32Errors, code);
        if (n != nullptr) out += std::string(" (") + n->name + ")";
        i = end;
    }
    return out;
}

inline constexpr long kLibraryNoCdOpen = 3075;

// What a tool says for an MCI error code that mciGetErrorString has no text
// for: MCI's own codes by their names in words ("device not ready
// (MCIERR_DEVICE_NOT_READY)"), 3075, the library's answer of a CD function
// when no CD device is open, and the ranges of the rest. Codes from
// MCIERR_CUSTOM_DRIVER_BASE (512) on are the driver's own.
inline std::string MciErrorWords(long code) {
    if (code == kLibraryNoCdOpen) return "no CD device is open (the library's own code)";
    if (const Named* n = code > 0 ? ByValue(kMciErrors, static_cast<DWORD>(code)) : nullptr) {
        std::string words = n->name + 7;  // past "MCIERR_"
        for (char& ch : words) ch = ch == '_' ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return words + " (" + n->name + ")";
    }
    return code >= 512 && code < 65536 ? "a code of the driver's own" : "a code MCI does not define";
}

}  // namespace mixer_names
