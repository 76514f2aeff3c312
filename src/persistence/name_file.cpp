// Sound-card name file: the names under which the installed card reports its
// digital line, its digital CD line and its line-in line, loaded into the
// override names; and the directory the files are searched in.
//
// Length limits. The search pattern and the full file name are built in
// 256-byte buffers (255 characters): a prefix that leaves no room for "*.cfg"
// or for the chosen entry's name is refused, and the call returns 0 with the
// override names empty. A name longer than 255 characters in a file is cut to
// 255. SetSoundCardConfigFilePath refuses a string longer than 255 characters
// and keeps the prefix it had.
#include "core/holders.h"
#include "core/trace.h"
#include "core/state.h"
#include "persistence/persistence.h"
#include "persistence/text_file.h"
#include "persistence/tokens.h"

namespace {

const char kPattern[] = "*.cfg";

// Appends `tail` to `head` (at most headLimit characters of each) in a
// 256-byte buffer; false when the result would be longer than 255 characters.
bool JoinName(const char* head, size_t headLimit, const char* tail, size_t tailLimit, char* out) {
    size_t n = 0;
    for (; n < headLimit && head[n] != '\0'; ++n) {
        if (n >= MIXER_NAME_CHARS - 1) return false;
        out[n] = head[n];
    }
    for (size_t i = 0; i < tailLimit && tail[i] != '\0'; ++i) {
        if (n >= MIXER_NAME_CHARS - 1) return false;
        out[n++] = tail[i];
    }
    out[n] = '\0';
    return true;
}

// Length of the directory part of a prefix: up to and including its last
// path separator, 0 when it has none. The directory search returns bare entry
// names, which live in that directory whether or not the prefix ends there:
// for the prefix D:\Cards the search reads D:\ and an entry CardsAX.cfg is
// the file D:\CardsAX.cfg.
size_t DirectoryLength(const char* prefix) {
    size_t length = 0;
    for (size_t i = 0; prefix[i] != '\0'; ++i)
        if (prefix[i] == '\\' || prefix[i] == '/') length = i + 1;
    return length;
}

// True when the entry's base name (everything before its last ".") occurs in
// the product name. An entry without a "." never fits; an empty base name
// fits every product name.
bool EntryFits(const WIN32_FIND_DATAA& entry, const char* product) {
    const char* name = entry.cFileName;
    size_t length = 0;
    while (length < MAX_PATH && name[length] != '\0') ++length;
    size_t dot = length;
    for (size_t i = 0; i < length; ++i)
        if (name[i] == '.') dot = i;
    if (dot == length) return false;
    const size_t base = dot;
    const size_t productLength = StrLen(product);
    if (base > productLength) return false;
    for (size_t start = 0; start + base <= productLength; ++start) {
        size_t i = 0;
        while (i < base && product[start + i] == name[i]) ++i;
        if (i == base) return true;
    }
    return false;
}

// Enumerates the entries the directory search returns for `pattern`, in its
// order, and stops at the first that fits the product name.
bool ChooseEntry(const char* pattern, const char* product, WIN32_FIND_DATAA* entry) {
    ScopedSearch search(req::FindFirstFileA(pattern, entry));
    if (!search.valid()) return false;
    do {
        if (EntryFits(*entry, product)) return true;
    } while (req::FindNextFileA(search.get(), entry));
    return false;
}

// The three override names a call loads, kept aside until the call ends.
struct OverrideNames {
    char digital[MIXER_NAME_CHARS];
    char digitalCD[MIXER_NAME_CHARS];
    char lineIn[MIXER_NAME_CHARS];
};

// Each section header admits one name: a value is stored only when a header
// and the key NAME have both come (in either order) since the last store.
void ParseNames(const char* text, DWORD length, OverrideNames* names) {
    char* section = nullptr;
    bool armed = false;
    TokenReader reader;
    StartTokens(&reader, text, length);
    Token token;
    while (NextToken(&reader, &token)) {
        if (TokenIs(token, "[DIGITAL]")) {
            section = names->digital;
        } else if (TokenIs(token, "[DIGITALCD]")) {
            section = names->digitalCD;
        } else if (TokenIs(token, "[LINEIN]")) {
            section = names->lineIn;
        } else if (TokenIs(token, "NAME")) {
            armed = true;
        } else if (section != nullptr && armed) {
            CopyToken(token, section);
            section = nullptr;
            armed = false;
        }
    }
}

// Finds and reads the card's name file under `prefix` into `names` (which
// start empty, and stay so on every failure): the export's result.
LONG LoadNames(const char* prefix, OverrideNames* names) {
    MixerDevice device;
    if (device.Open() != MMSYSERR_NOERROR) return 0;
    MIXERCAPSA caps;
    if (req::mixerGetDevCapsA(0, &caps, sizeof caps) != MMSYSERR_NOERROR) return 0;
    caps.szPname[MAXPNAMELEN - 1] = '\0';

    char pattern[MIXER_NAME_CHARS];
    if (!JoinName(prefix, MIXER_NAME_CHARS, kPattern, sizeof kPattern, pattern)) return 0;
    WIN32_FIND_DATAA entry;
    if (!ChooseEntry(pattern, caps.szPname, &entry)) return 0;
    char fullName[MIXER_NAME_CHARS];
    if (!JoinName(prefix, DirectoryLength(prefix), entry.cFileName, MAX_PATH, fullName)) return 0;

    FileText text;
    switch (LoadTextFile(fullName, &text)) {
    case TextOpenFailed:
        return 0;
    case TextReadFailed:
        return 1;
    case TextRead:
        break;
    }
    if (text.length == 0) return 0;
    ParseNames(text.chars(), text.length, names);
    return 1;
}

}  // namespace

// The prefix is copied when the call starts and the three names are replaced
// together when it ends (all empty after a failure), both under the state
// lock: a call on another thread sees the names of one file or of none,
// never a mixture, and a prefix set meanwhile applies to the next call.
MIXER_EXPORT LONG WINAPI ReadDigitalConfiguration(void) {
    ExportCall call("ReadDigitalConfiguration()");
    char prefix[MIXER_NAME_CHARS];
    {
        StateLock lock;
        CopyField(prefix, g_state.SoundCardConfigFilePath);
    }
    OverrideNames names;
    ClearRecord(&names, sizeof names);
    const LONG result = LoadNames(prefix, &names);
    StateLock lock;
    CopyField(g_state.DigitalLineName, names.digital);
    CopyField(g_state.DigitalCDLineName, names.digitalCD);
    CopyField(g_state.LineInLineName, names.lineIn);
    return call.Returns(result);
}

MIXER_EXPORT LONG WINAPI SetSoundCardConfigFilePath(LPCSTR path) {
    ExportCall call("SetSoundCardConfigFilePath(\"%.255s\")", req::S(path));
    if (path == nullptr) return call.Returns(0);
    // Looks at no more than 256 characters of the caller's string.
    size_t length = 0;
    while (length < MIXER_NAME_CHARS && path[length] != '\0') ++length;
    if (length > MIXER_NAME_CHARS - 1) return call.Returns(0);
    StateLock lock;
    for (size_t i = 0; i <= length; ++i) g_state.SoundCardConfigFilePath[i] = path[i];
    return call.Returns(static_cast<LONG>(length + 1));
}

