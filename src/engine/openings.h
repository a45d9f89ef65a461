#pragma once
// The openings a series starts its games from: a file of positions, one a line (an SFEN with or
// without "sfen", or a USI line "position startpos moves ...", "startpos moves ...", "position sfen
// ... moves ..."), or a record, or a folder of records (KIF, KI2, CSA, JKF, USI, ...), of which the
// first plies of each game are taken.

#include <string>
#include <vector>

#include "record/gamerecord.h"

struct Opening {
    // Where it came from, for messages and the summary: "book.txt:12", "games/001.kif".
    std::string source;
    // The start and the moves as one USI line: "position startpos moves 7g7f 3c3d".
    std::string usi;
};

struct OpeningsRead {
    std::vector<Opening> openings;
    // Why the file cannot serve, naming the line or record at fault, in Japanese; empty when every
    // opening reads and can be played by the rules.
    std::string problem;
};

// Reads the openings at `path`, records cut to their first `plies` moves. Every opening must be a
// position the rules can play on (both kings, nobody left in check, a legal move to make) reached
// by moves the rules allow; the first that is not refuses the whole file.
OpeningsRead readOpenings(const std::string &path, int plies);

// The opening of `line` (any of the line forms above); the problem when it is not one.
std::string openingOfLine(const std::string &line, Opening &opening);

// Puts the game of `record` in the opening's start with its moves played, the record following
// them, so that a record of the game that follows shows the opening's moves as its first. Empty on
// success, else why not (the record untouched).
std::string setUpOpening(GameRecord &record, const Opening &opening);
