#include "support/text.h"

Utf8Char wellFormedUtf8At(std::string_view text, std::size_t i) {
    if (i >= text.size()) return {};
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return {};
    }
    if (text.size() - i < length) return {};
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return {};
        code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
    return {code, length};
}

Utf8Char lenientUtf8At(std::string_view text, std::size_t i) {
    if (i >= text.size()) return {};
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {lead, 1};
    if (lead >= 0xE0 && lead < 0xF0 && i + 2 < text.size())
        return {static_cast<char32_t>(((lead & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F)), 3};
    if (lead >= 0xC0 && lead < 0xE0 && i + 1 < text.size())
        return {static_cast<char32_t>(((lead & 0x1F) << 6) | (byte(1) & 0x3F)), 2};
    if (lead >= 0xF0 && i + 3 < text.size()) return {0x10000, 4};
    return {0xFFFD, 1};
}

bool isUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = wellFormedUtf8At(bytes, i).length;
        if (length == 0) return false;
        i += length;
    }
    return true;
}

namespace {

constexpr std::string_view IDEOGRAPHIC_SPACE = "\u3000";

bool isBlank(char32_t c, Blanks blanks, bool atEnd) {
    if (c == ' ' || c == '\t') return true;
    if (c == '\r') return blanks == Blanks::Japanese || (atEnd && blanks == Blanks::SpaceTabTrailingCr);
    return c == U'\u3000' && blanks == Blanks::Japanese;
}

}  // namespace

std::string_view trimmed(std::string_view text, Blanks blanks) {
    std::size_t first = 0;
    while (first < text.size()) {
        // Only the ideographic space needs decoding; the other blanks are single bytes.
        const Utf8Char c = blanks == Blanks::Japanese ? lenientUtf8At(text, first)
                                                      : Utf8Char{static_cast<unsigned char>(text[first]), 1};
        if (!isBlank(c.code, blanks, false)) break;
        first += c.length;
    }
    std::size_t last = text.size();
    while (last > first) {
        if (isBlank(static_cast<unsigned char>(text[last - 1]), blanks, true)) {
            --last;
        } else if (blanks == Blanks::Japanese &&
                   text.substr(first, last - first).ends_with(IDEOGRAPHIC_SPACE)) {
            last -= IDEOGRAPHIC_SPACE.size();
        } else {
            break;
        }
    }
    return text.substr(first, last - first);
}
