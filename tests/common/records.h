#pragma once
// Helpers for tests that start from record text: a text made of lines, and a position from SFEN.

#include <initializer_list>
#include <string>
#include <string_view>

#include "core/znban.h"

// The lines joined, each ended by CR LF as the Windows programs that write most records end them.
inline std::string lines(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) {
        text += part;
        text += "\r\n";
    }
    return text;
}

// Replaces the game by the position an SFEN or USI text ("sfen …", "startpos moves …") gives; a
// text the reader refuses fails the test. Returns the game, to pass it on in one expression.
ZnBan &loadSfen(ZnBan &game, std::string_view sfen);
