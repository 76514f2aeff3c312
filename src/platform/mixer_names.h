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

// ---- MCI error codes in words ----------------------------------------------------
//
// What a tool says for an MCI error code that mciGetErrorString has no text
// for: MCI's own codes (MCIERR_BASE, 256, plus these) by their names in
// words, and 3075, the library's answer of a CD function when no CD device
// is open. Codes from MCIERR_CUSTOM_DRIVER_BASE (512) on are the driver's own.
inline constexpr const char* kMciErrorNames[] = {
    nullptr, "INVALID_DEVICE_ID", nullptr, "UNRECOGNIZED_KEYWORD", nullptr, "UNRECOGNIZED_COMMAND", "HARDWARE",
    "INVALID_DEVICE_NAME", "OUT_OF_MEMORY", "DEVICE_OPEN", "CANNOT_LOAD_DRIVER", "MISSING_COMMAND_STRING",
    "PARAM_OVERFLOW", "MISSING_STRING_ARGUMENT", "BAD_INTEGER", "PARSER_INTERNAL", "DRIVER_INTERNAL",
    "MISSING_PARAMETER", "UNSUPPORTED_FUNCTION", "FILE_NOT_FOUND", "DEVICE_NOT_READY", "INTERNAL", "DRIVER",
    "CANNOT_USE_ALL", "MULTIPLE", "EXTENSION_NOT_FOUND", "OUTOFRANGE", nullptr, "FLAGS_NOT_COMPATIBLE", nullptr,
    "FILE_NOT_SAVED", "DEVICE_TYPE_REQUIRED", "DEVICE_LOCKED", "DUPLICATE_ALIAS", "BAD_CONSTANT",
    "MUST_USE_SHAREABLE", "MISSING_DEVICE_NAME", "BAD_TIME_FORMAT", "NO_CLOSING_QUOTE", "DUPLICATE_FLAGS",
    "INVALID_FILE", "NULL_PARAMETER_BLOCK", "UNNAMED_RESOURCE", "NEW_REQUIRES_ALIAS", "NOTIFY_ON_AUTO_OPEN",
    "NO_ELEMENT_ALLOWED", "NONAPPLICABLE_FUNCTION", "ILLEGAL_FOR_AUTO_OPEN", "FILENAME_REQUIRED",
    "EXTRA_CHARACTERS", "DEVICE_NOT_INSTALLED", "GET_CD", "SET_CD", "SET_DRIVE", "DEVICE_LENGTH",
    "DEVICE_ORD_LENGTH", "NO_INTEGER",
};

inline constexpr long kLibraryNoCdOpen = 3075;

// "no CD device is open (the library's own code)", "device not ready
// (MCIERR_DEVICE_NOT_READY)", "a code of the driver's own", "a code MCI does
// not define".
inline std::string MciErrorWords(long code) {
    if (code == kLibraryNoCdOpen) return "no CD device is open (the library's own code)";
    const long index = code - 256;
    if (index > 0 && index < static_cast<long>(sizeof kMciErrorNames / sizeof kMciErrorNames[0]) &&
        kMciErrorNames[index]) {
        std::string words = kMciErrorNames[index];
        for (char& ch : words) ch = ch == '_' ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return words + " (MCIERR_" + kMciErrorNames[index] + ")";
    }
    return code >= 512 && code < 65536 ? "a code of the driver's own" : "a code MCI does not define";
}

}  // namespace mixer_names
