#pragma once
// What the mate solver adds to a game review, each search held to a small budget so that a whole
// game costs a few seconds: whether the side to move of a position mates, whether a move keeps a
// mate going, whether the king of the side to move is under a mate threat (詰めろ: the other side
// would mate if it were its move), and the sentences a review gives them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/mate.h"

// What one search of the review may spend; nodes rather than time first, so that a review gives
// the same labels on a slow machine, with a time cap for the rare position that is slow per node.
inline constexpr MateLimits kReviewMateLimits{100, 20000, std::size_t{8} << 20};

// The solver's answer for one position; a mate line starts with the mating side's check.
struct PositionMate {
    MateAnswer answer = MateAnswer::Unknown;
    std::vector<Move> line;
    bool mates() const { return answer == MateAnswer::Mate && !line.empty(); }
};

class MateChecker {
public:
    explicit MateChecker(const MateLimits &limits = kReviewMateLimits);

    // Whether the side to move of `position` mates.
    PositionMate mateOf(const ZnBan &position);
    // Whether the side not to move would mate if it were its move; 不明 when the side to move is in
    // check, where passing is no move.
    PositionMate threatOn(const ZnBan &position);
    // Whether `played` keeps the mover's mate in `before` going: it mates at once, or it checks and
    // every evasion leaves a mate the solver finds.
    bool keepsMate(const ZnBan &before, const Move &played);

private:
    MateSolver solver_;
    MateLimits limits_;
};

// "▲２二金打から7手で詰みがありました": the mover's mate the move played let go.
std::string missedMateText(const ZnBan &before, const PositionMate &mate);
// "△２二金打から7手で詰みます": the opponent's mate after the move played.
std::string allowedMateText(const ZnBan &after, const PositionMate &mate);
// "△４一銀で詰めろになります": after `reply`, the opponent's move, the mover's king is in 詰めろ.
std::string threatText(const ZnBan &after, const Move &reply);
