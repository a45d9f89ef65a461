#include "record/textlines.h"

std::string quotedPart(std::string_view text) {
    constexpr std::size_t SHOWN = 24;
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < SHOWN; ++i) {
        const char c = text[i];
        out += c >= ' ' && c < 0x7F ? c : '?';
    }
    if (text.size() > SHOWN) out += "…";
    return out;
}

std::string lineLabel(int line) { return std::to_string(line) + "行目: "; }
