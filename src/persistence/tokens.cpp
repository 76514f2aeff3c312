// Tokenizer and decimal numbers of the text files.
#include "persistence/tokens.h"

#include "core/state.h"

namespace {

bool IsDelimiter(char ch) { return ch == '=' || ch == '\n'; }

}  // namespace

void StartTokens(TokenReader* reader, const char* text, DWORD length) {
    reader->text = text;
    reader->length = length;
    reader->position = 0;
}

bool NextToken(TokenReader* reader, Token* token) {
    DWORD i = reader->position;
    while (i < reader->length && IsDelimiter(reader->text[i])) ++i;
    if (i >= reader->length) {
        reader->position = reader->length;
        return false;
    }
    const DWORD start = i;
    while (i < reader->length && !IsDelimiter(reader->text[i])) ++i;
    token->text = reader->text + start;
    token->length = i - start;
    reader->position = i;
    return true;
}

bool TokenIs(const Token& token, const char* word) {
    DWORD i = 0;
    for (; i < token.length; ++i)
        if (word[i] == '\0' || word[i] != token.text[i]) return false;
    return word[i] == '\0';
}

LONG TokenNumber(const Token& token) {
    DWORD number = 0;  // unsigned: the arithmetic wraps modulo 2^32
    for (DWORD i = 0; i < token.length; ++i) {
        const char ch = token.text[i];
        if (ch < '0' || ch > '9') break;
        number = number * 10u + static_cast<DWORD>(ch - '0');
    }
    return static_cast<LONG>(number);
}

DWORD CopyToken(const Token& token, char* field) {
    DWORD n = token.length < MIXER_NAME_CHARS - 1 ? token.length : MIXER_NAME_CHARS - 1;
    for (DWORD i = 0; i < n; ++i) field[i] = token.text[i];
    field[n] = '\0';
    return n;
}

DWORD FormatNumber(LONG value, char* out) {
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
