#pragma once
// Small text helpers the record readers share: lines of a text without copying, and a
// piece of an input line that may be quoted in a reason.

#include <cstddef>
#include <string>
#include <string_view>

#include "support/text.h"

// Walks the lines of a text; LF, CR LF and a lone CR each end one line.
class TextLines {
public:
    explicit TextLines(std::string_view text) : text_(text) {}

    // The next line without its end, and its 1-based number; false after the last line.
    bool next(std::string_view &line) {
        if (position_ >= text_.size()) return false;
        const std::size_t start = position_;
        std::size_t end = start;
        while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
        line = text_.substr(start, end - start);
        if (end < text_.size())
            end += text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? 2 : 1;
        position_ = end;
        ++number_;
        return true;
    }
    int number() const { return number_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    int number_ = 0;
};

// At most 24 characters of `text` fit to quote in a reason: printable ASCII kept, anything else "?".
std::string quotedPart(std::string_view text);

// "12行目: " for line 12.
std::string lineLabel(int line);
