// The one reading of UTF-8 characters and blanks: each choice a caller makes gives what it names.

#include "support/text.h"

#include <gtest/gtest.h>

TEST(Trimmed, EachChoiceOfBlanks) {
    const struct {
        std::string_view text;
        Blanks blanks;
        std::string_view expected;
    } rows[] = {
        {" \t金 \t", Blanks::SpaceTab, "金"},
        {"金\r", Blanks::SpaceTab, "金\r"},
        {"\u3000金\u3000", Blanks::SpaceTab, "\u3000金\u3000"},
        {"\t金 \r \r", Blanks::SpaceTabTrailingCr, "金"},
        {"\r金", Blanks::SpaceTabTrailingCr, "\r金"},
        {"\u3000\r 金\u3000\t\u3000\r", Blanks::Japanese, "金"},
        {"\u3000 \u3000", Blanks::Japanese, ""},
        // A lead byte cut short at either end is no blank.
        {"\xE3\x80", Blanks::Japanese, "\xE3\x80"},
        {"", Blanks::Japanese, ""},
    };
    for (const auto &row : rows) EXPECT_EQ(trimmed(row.text, row.blanks), row.expected) << row.text;
}

TEST(Utf8At, CheckedRefusesWhatLenientReadsAnyway) {
    const struct {
        std::string_view text;
        char32_t checked, lenient;
        std::size_t checkedLength, lenientLength;
    } rows[] = {
        {"a", U'a', U'a', 1, 1},
        {"金", U'金', U'金', 3, 3},
        {"\xC0\xAF", 0, U'/', 0, 2},        // an overlong slash
        {"\xED\xA0\x80", 0, 0xD800, 0, 3},  // a surrogate
        {"\xE9\x87", 0, 0xFFFD, 0, 1},      // cut short
        {"\x80", 0, 0xFFFD, 0, 1},          // a stray continuation byte
        {"\xF0\x9F\x98\x80", 0x1F600, 0x10000, 4, 4},
    };
    for (const auto &row : rows) {
        const Utf8Char checked = wellFormedUtf8At(row.text, 0), lenient = lenientUtf8At(row.text, 0);
        EXPECT_EQ(checked.code, row.checked) << row.text;
        EXPECT_EQ(checked.length, row.checkedLength) << row.text;
        EXPECT_EQ(lenient.code, row.lenient) << row.text;
        EXPECT_EQ(lenient.length, row.lenientLength) << row.text;
    }
    EXPECT_EQ(lenientUtf8At("a", 1).length, 0u);
}
