#pragma once
// UTF-8 characters and blanks, read one way for the whole program. Two readings of a character
// stand side by side because their callers need both: checks of outside text must refuse what is
// not well-formed, while a scanner of text already checked must never stop or fail.

#include <cstddef>
#include <string_view>

// One character and its length in bytes; a length of 0 means no character (see each reader).
struct Utf8Char {
    char32_t code = 0;
    std::size_t length = 0;
};

// The character at byte `i` when the bytes there are one well-formed UTF-8 character: no stray
// continuation byte, no character cut short, no overlong form, no surrogate and nothing above
// U+10FFFF. Length 0 otherwise, and at or past the end.
Utf8Char wellFormedUtf8At(std::string_view text, std::size_t i);

// The character at byte `i`, read without checking the continuation bytes. A malformed or cut
// byte reads as U+FFFD one byte long, so a scan never stops early and never reads past the end;
// any four-byte character reads as U+10000, which no caller tells apart. Length 0 only at the end.
Utf8Char lenientUtf8At(std::string_view text, std::size_t i);

// True when `bytes` is well-formed UTF-8 throughout (see wellFormedUtf8At).
bool isUtf8(std::string_view bytes);

// Which blanks `trimmed` takes off the ends of a text.
enum class Blanks {
    // ' ' and '\t': a line whose end the splitter has already taken.
    SpaceTab,
    // ' ' and '\t', and also '\r' at the end: a line split at '\n' alone, which may keep the '\r'
    // of a CR LF.
    SpaceTabTrailingCr,
    // ' ', '\t', '\r' and the ideographic space U+3000 at both ends: Japanese record text, where
    // full-width spaces pad names and columns.
    Japanese,
};

// `text` without the given blanks at its ends.
std::string_view trimmed(std::string_view text, Blanks blanks = Blanks::SpaceTab);
