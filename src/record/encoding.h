#pragma once
// Character encodings of record files: UTF-8 checks, and Shift-JIS (code page 932) to and from
// UTF-8 through the C library's iconv, so that nothing beyond glibc is needed.

#include <string>
#include <string_view>

#include "support/text.h"

// Converts code page 932 text to UTF-8; false, with `utf8` unchanged, on bytes that are not
// CP932, including a two-byte character cut off at the end.
bool decodeCp932(std::string_view bytes, std::string &utf8);

// Converts UTF-8 text to code page 932; false, with `bytes` unchanged, when the text is not UTF-8
// or holds a character CP932 lacks. The JIS forms of the few characters that CP932 maps to other
// code points (wave dash, minus sign, ...) are written as their CP932 counterparts.
bool encodeCp932(std::string_view utf8, std::string &bytes);
