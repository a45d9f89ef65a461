#pragma once
// From the engine's moves to the board's: USI move words, the position sent to an engine, a PV
// played on a scratch copy and written in Japanese notation, and scores turned to sente's view.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/movegen.h"
#include "core/znban.h"
#include "engine/usiline.h"
#include "record/play.h"

// Reads a USI move word ("7g7f", "8h2b+", "P*5e"); empty when it is not one.
std::optional<Move> readUsiMoveWord(std::string_view word);

// The "position sfen ..." command for the position the game shows now.
std::string positionCommand(const ZnBan &game);

// The command for the position the game shows with the line that led to it: "position sfen START
// moves ..." when every move of the line is legal under the rules, so that the engine sees
// repetitions; positionCommand otherwise.
std::string lineCommand(const ZnBan &game);

// A PV on the board: the moves up to the first one that is illegal here, and their notation.
struct BoardPv {
    std::vector<Move> moves;
    // "▲７六歩△３四歩…" without the squares the pieces came from.
    std::string text;
    // The first move that could not be played ("" when every move was), and why.
    std::string cutWord;
    std::string cutReason;
};

// Plays `pv` on `scratch`, made a copy of `game` first, stopping at its first move that is not
// legal here. The game itself is never touched; `scratch` ends after the moves played.
BoardPv translatePv(const ZnBan &game, const std::vector<std::string> &pv, ZnBan &scratch);

// A score from sente's view: the value's sign and a bound's direction turned when gote is to move.
struct SenteScore {
    bool mate = false;
    std::int64_t value = 0;  // centipawns, or plies to mate (positive: sente mates)
    bool mateKnown = true;
    bool senteWins = false;  // with `mate`
    ScoreBound bound = ScoreBound::Exact;
};

SenteScore senteView(const UsiScore &score, Side toMove);

// "+123", "-45", "0", "詰み 7手 先手勝ち", "詰み 後手勝ち", with "↑" for a lower bound and "↓" for
// an upper bound.
std::string scoreText(const SenteScore &score);
