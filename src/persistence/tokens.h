// The text of both of the library's files (mixer settings and sound-card
// names): how the bytes read become text, the tokenizer, and the library's
// own decimal reading and writing of numbers.
//
// A text is cut at every "=" and every LF; a run of these delimiters is one
// cut and no token is ever empty. Every other byte, spaces and CRs included,
// belongs to a token: lines are no unit of their own.
//
// Header-only and free of the library's internals, so that the tools read a
// file as the library reads it.
#pragma once

#include "core/state.h"  // MIXER_NAME_CHARS, the size of a name field
#include "platform/win.h"

// A file is read with one request of at most this many bytes; anything after
// them is not looked at.
#define TEXT_READ_LIMIT 4096

// Turns the bytes read from a file into its text, in place: every CR LF pair
// becomes one LF, a lone CR is kept, and the text ends before the first
// Ctrl-Z (0x1A). Returns the text's length.
inline DWORD DecodeText(char* bytes, DWORD count) {
    const char kCtrlZ = 0x1A;
    DWORD out = 0;
    for (DWORD i = 0; i < count; ++i) {
        const char ch = bytes[i];
        if (ch == kCtrlZ) break;
        if (ch == '\r' && i + 1 < count && bytes[i + 1] == '\n') continue;
        bytes[out++] = ch;
    }
    return out;
}

struct Token {
    const char* text;  // not terminated
    DWORD length;      // at least 1
};

struct TokenReader {
    const char* text;
    DWORD length;
    DWORD position;
};

inline bool IsTokenDelimiter(char ch) { return ch == '=' || ch == '\n'; }

inline void StartTokens(TokenReader* reader, const char* text, DWORD length) {
    reader->text = text;
    reader->length = length;
    reader->position = 0;
}

// The next token; false at the end of the text.
inline bool NextToken(TokenReader* reader, Token* token) {
    DWORD i = reader->position;
    while (i < reader->length && IsTokenDelimiter(reader->text[i])) ++i;
    if (i >= reader->length) {
        reader->position = reader->length;
        return false;
    }
    const DWORD start = i;
    while (i < reader->length && !IsTokenDelimiter(reader->text[i])) ++i;
    token->text = reader->text + start;
    token->length = i - start;
    reader->position = i;
    return true;
}

// True when the whole token is `word`, byte for byte.
inline bool TokenIs(const Token& token, const char* word) {
    DWORD i = 0;
    for (; i < token.length; ++i)
        if (word[i] == '\0' || word[i] != token.text[i]) return false;
    return word[i] == '\0';
}

// The index of the first of `count` words the whole token is; -1 for none.
inline int FindTokenWord(const Token& token, const char* const* words, int count) {
    for (int i = 0; i < count; ++i)
        if (TokenIs(token, words[i])) return i;
    return -1;
}

// The number of the decimal digits at the token's start (no sign), modulo
// 2^32 as a 32-bit signed value; 0 when it does not start with a digit.
inline LONG TokenNumber(const Token& token) {
    DWORD number = 0;  // unsigned: the arithmetic wraps modulo 2^32
    for (DWORD i = 0; i < token.length; ++i) {
        const char ch = token.text[i];
        if (ch < '0' || ch > '9') break;
        number = number * 10u + static_cast<DWORD>(ch - '0');
    }
    return static_cast<LONG>(number);
}

// Copies the token into a field of MIXER_NAME_CHARS bytes, cut to 255
// characters; returns the characters stored.
inline DWORD CopyToken(const Token& token, char* field) {
    const DWORD n = token.length < MIXER_NAME_CHARS - 1 ? token.length : MIXER_NAME_CHARS - 1;
    for (DWORD i = 0; i < n; ++i) field[i] = token.text[i];
    field[n] = '\0';
    return n;
}

// Writes `value` as signed decimal (no leading zeros or spaces, "-" for a
// negative value) to `out`, which holds at least 11 bytes; no terminator.
// Returns the characters written.
inline DWORD FormatNumber(LONG value, char* out) {
    // The magnitude as unsigned, so that the most negative value has one too.
    DWORD magnitude = value < 0 ? 0u - static_cast<DWORD>(value) : static_cast<DWORD>(value);
    char digits[10];
    DWORD count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10u);
        magnitude /= 10u;
    } while (magnitude != 0);
    DWORD n = 0;
    if (value < 0) out[n++] = '-';
    while (count > 0) out[n++] = digits[--count];
    return n;
}
