#pragma once
// The score of a series of games between two engines, as cutechess and fastchess print it: wins,
// losses and draws, the score, the Elo difference with its 95 % interval, the likelihood of
// superiority, and for games played in pairs (one opening, sides swapped) the pentanomial counts.

#include <array>
#include <optional>
#include <string>

struct MatchScore {
    int wins = 0;
    int losses = 0;
    int draws = 0;

    int games() const { return wins + losses + draws; }
    // Points per game, a draw counting half; 0 before any game.
    double ratio() const;
};

struct EloEstimate {
    // The Elo difference the score implies; empty when it is infinite (all won or all lost) or no
    // game was played.
    std::optional<double> difference;
    // Half the width of the 95 % interval; empty when it cannot be given.
    std::optional<double> margin;
};

// The Elo difference of a score: -400 log10(1/ratio - 1), with the interval from the spread of the
// game results (a normal approximation, as cutechess computes it).
EloEstimate eloOf(const MatchScore &score);

// "+35.2 ± 40.1", "-inf", "+inf", "0.0 ± 0.0", or "-" before any game.
std::string eloText(const EloEstimate &elo, const MatchScore &score);

// The game pairs of a series by the points the first engine took from each: pairs[k] holds those
// worth k half points of two (0 LL, 1 LD, 2 WL or DD, 3 WD, 4 WW), fastchess's Ptnml(0-2).
struct Pentanomial {
    std::array<int, 5> pairs{};
    int count() const { return pairs[0] + pairs[1] + pairs[2] + pairs[3] + pairs[4]; }
};

// The Elo difference from the pairs' scores, the interval from their spread (pairs, not games, are
// the independent draws when each opening is played from both sides).
EloEstimate eloOf(const Pentanomial &pentanomial);

// The likelihood of superiority, 0 to 1: the chance that the first engine is the stronger, from its
// wins and losses (draws tell nothing); one half before any decisive game.
double losOf(const MatchScore &score);
