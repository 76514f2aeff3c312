// The tokenizer of both text files (mixer settings and sound-card names), and
// the library's own decimal reading and writing of numbers.
//
// A text is cut at every "=" and every LF; a run of these delimiters is one
// cut and no token is ever empty. Every other byte, spaces and CRs included,
// belongs to a token: lines are no unit of their own.
#pragma once

#include "platform/win.h"

struct Token {
    const char* text;  // not terminated
    DWORD length;      // at least 1
};

struct TokenReader {
    const char* text;
    DWORD length;
    DWORD position;
};

void StartTokens(TokenReader* reader, const char* text, DWORD length);
// The next token; false at the end of the text.
bool NextToken(TokenReader* reader, Token* token);
// True when the whole token is `word`, byte for byte.
bool TokenIs(const Token& token, const char* word);
// The number of the decimal digits at the token's start (no sign), modulo
// 2^32 as a 32-bit signed value; 0 when it does not start with a digit.
LONG TokenNumber(const Token& token);
// Copies the token into a 256-byte field, cut to 255 characters; returns the
// characters stored.
DWORD CopyToken(const Token& token, char* field);

// Writes `value` as signed decimal (no leading zeros or spaces, "-" for a
// negative value) to `out`, which holds at least 11 bytes; no terminator.
// Returns the characters written.
DWORD FormatNumber(LONG value, char* out);
