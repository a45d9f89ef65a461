#pragma once
// The score of a series of games between two engines, as cutechess prints it: wins, losses and
// draws, the score, and the Elo difference with its 95 % interval.

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
