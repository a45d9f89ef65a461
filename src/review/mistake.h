#pragma once
// Judging a move by its evaluations: the winning chance a score stands for, the label of a move by
// the chance it lost, and a short reason read from the attack maps.

#include <string>
#include <string_view>
#include <vector>

#include "core/znban.h"
#include "record/evaluation.h"
#include "record/play.h"

// The usual coefficient of the winning chance, for an engine that has none of its own: a lead of
// 600 centipawns is a chance of 1 / (1 + e⁻¹), about 73 %.
inline constexpr double kUsualCoefficient = 600.0;

// Sente's winning chance for an evaluation: 1 / (1 + exp(-score / coefficient)), 1 or 0 for a mate.
double winningChance(const Evaluation &evaluation, double coefficient = kUsualCoefficient);

// The winning chance `mover` lost with a move: its chance before the move less its chance after.
double chanceLost(const Evaluation &before, const Evaluation &after, Side mover,
                  double coefficient = kUsualCoefficient);

enum class MoveLabel { None, Dubious, Mistake, Blunder };

// The least loss of winning chance that earns each label.
struct LabelThresholds {
    double dubious = 0.10;
    double mistake = 0.20;
    double blunder = 0.30;
};

// The worst label whose threshold the loss reaches.
MoveLabel labelFor(double loss, const LabelThresholds &thresholds = {});

// The label of a move by its mover's winning chance before and after it: labelFor the loss, except
// in a game already decided before the move (the mover's chance under 5 % or over 95 %), where a
// short search's swings mean nothing: there only a move that hands the game to the other side (the
// mover's chance falls below one half) is labelled.
MoveLabel labelForMove(double moverBefore, double moverAfter, const LabelThresholds &thresholds = {});

// "疑問手", "悪手" or "大悪手"; empty for None.
std::string_view labelName(MoveLabel label);

// The label an analysis left in a move's comment lines (a "【悪手】" line and the like), so that a
// record read from a file shows its labels; None when there is none.
MoveLabel labelInComments(const std::vector<std::string> &comments);

// For each side of `game`: the enemy attacks on the squares around its king (0 without a king) and
// the number of its pieces other than the king that the opponent wins by starting an exchange.
struct SideSafety {
    int kingZoneAttacks = 0;
    int piecesLost = 0;
    bool operator==(const SideSafety &) const = default;
};
SideSafety sideSafety(const ZnBan &game, Side side);

// The engine's reading after the move played: what the opponent does against it.
struct Refutation {
    std::vector<Move> moves;
    // Whether the search after the move found a mate for the opponent.
    bool mates = false;
};

// One short Japanese sentence on what `played` does worse than `best` in `before`. First from the
// attack maps after each: a piece the move leaves to be lost in an exchange, two or more more
// enemy attacks around the mover's king, a piece or a square around the king that the best move
// would have kept. When they name nothing, from the first three plies of the refutation: a mate
// it leads to, then the first of the opponent's moves that wins material, attacks two pieces at
// once or promotes. It is a hint, not a proof. Falls back to naming the best move; empty when
// either move is illegal in `before`.
std::string mistakeReason(const ZnBan &before, const Move &played, const Move &best,
                          const Refutation &refutation = {});
