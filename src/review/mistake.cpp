#include "review/mistake.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "core/exchange.h"
#include "core/preview.h"
#include "record/notation.h"

namespace {

// The squares around `center` that lie on the board.
std::vector<Square> squaresAround(Square center) {
    std::vector<Square> squares;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int row = rowOf(center) + dy, column = columnOf(center) + dx;
            if ((dy != 0 || dx != 0) && onBoard(row, column))
                squares.push_back(static_cast<Square>(squareAt(row, column)));
        }
    return squares;
}

const Koma *kingOnBoard(const ZnBan &game, Side side) {
    const Koma *king = game.king(side);
    return king != nullptr && king->square() < SQUARE_COUNT && king->side() == side ? king : nullptr;
}

// A position reached by one move, with every piece in the same piece-table slot as in the position
// it came from, so that a slot names the same piece in all of them.
struct After {
    ZnBan game;
    std::vector<Koma *> pieces;

    bool play(const ZnBan &before, const Move &move) {
        copyPosition(before, game);
        if (!playMove(game, move).empty()) return false;
        pieces = game.allPieces();
        return true;
    }

    // What the opponent wins against the piece in `slot` when it stands on the board for `side`;
    // 0 when it does not.
    int loss(std::size_t slot, Side side) const { return lossIn(game, pieces, slot, side); }

    static int lossIn(const ZnBan &game, const std::vector<Koma *> &pieces, std::size_t slot, Side side) {
        if (slot >= pieces.size()) return 0;
        const Koma *piece = pieces[slot];
        if (piece->side() != side || piece->square() >= SQUARE_COUNT) return 0;
        return std::max(staticExchange(game, piece->square()), 0);
    }
};

// The mover's piece, other than the king, that loses the most in an exchange after the move played
// and not after the best move; `alreadyLost` picks the pieces that were lost before the move too.
const Koma *worstLostPiece(const ZnBan &before, const After &played, const After &best, bool alreadyLost) {
    const Side mover = before.turn();
    const std::vector<Koma *> beforePieces = before.allPieces();
    const Koma *worst = nullptr;
    int worstLoss = 0;
    for (const Koma *piece : played.game.piecesOnBoard(mover)) {
        if (piece->kind() == KING) continue;
        const std::size_t slot = piece->slot();
        const int loss = played.loss(slot, mover);
        if (loss <= worstLoss || best.loss(slot, mover) > 0) continue;
        if ((After::lossIn(before, beforePieces, slot, mover) > 0) != alreadyLost) continue;
        worst = piece;
        worstLoss = loss;
    }
    return worst;
}

// The square around the mover's king (as the move played leaves it) that the enemy holds with more
// attackers after the move played and not after the best move, the enemy's lead the largest.
std::optional<Square> squareLeftToEnemy(const After &played, const After &best, Side mover) {
    const Koma *king = kingOnBoard(played.game, mover);
    if (king == nullptr) return std::nullopt;
    const Side enemy = otherSide(mover);
    std::optional<Square> found;
    int largestLead = 0;
    for (Square square : squaresAround(king->square())) {
        const int lead = played.game.attackCount(enemy, square) - played.game.attackCount(mover, square);
        if (lead <= largestLead) continue;
        if (best.game.attackCount(enemy, square) > best.game.attackCount(mover, square)) continue;
        found = square;
        largestLead = lead;
    }
    return found;
}

std::string pieceOn(const Koma &piece) {
    return squareName(piece.square()) + "の" + std::string(spokenPieceName(piece.code()));
}

// How many plies of the refutation a reason looks at: the opponent's answer, the mover's reply and
// the opponent's next move, as far as a player reads without a board.
constexpr std::size_t kRefutationPlies = 3;

// One ply of the refutation, as played on a scratch board.
struct RefutationPly {
    std::string text;  // "△４五桂"
    int won = 0;       // the value of the piece it captured
    std::string captured;
    // The two most valuable pieces of the other side that the moved piece attacks and that matter
    // (the king, or a piece worth more than it or left to be lost), named while the scratch board
    // that holds them is still there; empty when fewer than two are attacked.
    std::string fork;
    std::string promotedTo;
};

std::vector<const Koma *> forkTargets(const ZnBan &game, const Koma &piece) {
    std::vector<const Koma *> targets;
    const int own = exchangeValue(piece.code());
    constexpr int kLeastTarget = 3;  // a lance: two pawns attacked at once are no fork
    for (Square square : piece.attacks()) {
        const Koma *target = game.pieceAt(square);
        if (target == nullptr || target->side() == piece.side()) continue;
        const int value = exchangeValue(target->code());
        if (target->kind() == KING || (value >= kLeastTarget && (value > own || losesExchange(game, square))))
            targets.push_back(target);
    }
    std::stable_sort(targets.begin(), targets.end(), [](const Koma *a, const Koma *b) {
        return exchangeValue(a->code()) > exchangeValue(b->code());
    });
    return targets;
}

std::string twoTargets(const Koma &first, const Koma &second) {
    if (first.code() == second.code()) return pieceOn(first) + "と" + pieceOn(second);
    return std::string(spokenPieceName(first.code())) + "と" + std::string(spokenPieceName(second.code()));
}

// The refutation's first plies played from `after`, stopping before a move that is not legal.
std::vector<RefutationPly> playRefutation(const ZnBan &after, const std::vector<Move> &moves) {
    std::vector<RefutationPly> plies;
    ZnBan scratch;
    copyPosition(after, scratch);
    for (const Move &move : moves) {
        if (plies.size() == kRefutationPlies) break;
        RefutationPly ply;
        // Each move is named on its own, with its square: a sentence has no move before it.
        ply.text = readingText(scratch, {move});
        if (ply.text.empty()) break;
        if (const Koma *taken = move.from == IN_HAND ? nullptr : scratch.pieceAt(move.to)) {
            ply.won = exchangeValue(taken->code());
            ply.captured = spokenPieceName(taken->code());
        }
        if (!playMove(scratch, move).empty()) break;
        const Koma *moved = scratch.pieceAt(move.to);
        if (move.promote) ply.promotedTo = spokenPieceName(moved->code());
        if (const std::vector<const Koma *> targets = forkTargets(scratch, *moved); targets.size() >= 2)
            ply.fork = twoTargets(*targets[0], *targets[1]);
        plies.push_back(std::move(ply));
    }
    return plies;
}

// What the opponent does against the move played, from the refutation; empty when nothing a player
// would see happens in its first plies.
std::string refutationReason(const ZnBan &after, const Refutation &refutation) {
    const std::vector<RefutationPly> plies = playRefutation(after, refutation.moves);
    if (plies.empty()) return {};
    if (refutation.mates) return plies.front().text + "から詰みます";
    for (std::size_t i = 0; i < plies.size(); i += 2) {
        const RefutationPly &ply = plies[i];
        // A capture counts when the opponent is still ahead after the mover's reply: a trade the
        // mover evens at once is no refutation.
        int net = 0;
        for (std::size_t j = 0; j <= std::min(i + 1, plies.size() - 1); ++j)
            net += j % 2 == 0 ? plies[j].won : -plies[j].won;
        if (!ply.captured.empty() && net > 0) return ply.text + "で" + ply.captured + "を取られます";
        if (!ply.fork.empty()) return ply.text + "で" + ply.fork + "の両取りをかけられます";
        if (!ply.promotedTo.empty()) return ply.text + "で" + ply.promotedTo + "を作られます";
    }
    return {};
}

}  // namespace

double winningChance(const Evaluation &evaluation, double coefficient) {
    if (evaluation.mate) return evaluation.winner == SENTE ? 1.0 : 0.0;
    if (!(coefficient > 0.0)) coefficient = kUsualCoefficient;
    return 1.0 / (1.0 + std::exp(-evaluation.centipawns / coefficient));
}

double chanceLost(const Evaluation &before, const Evaluation &after, Side mover, double coefficient) {
    const double lost = winningChance(before, coefficient) - winningChance(after, coefficient);
    return mover == SENTE ? lost : -lost;
}

MoveLabel labelForMove(double moverBefore, double moverAfter, const LabelThresholds &thresholds) {
    // Beyond these the game is decided, and a short search's swings there mean nothing.
    constexpr double kLost = 0.05, kWon = 0.95;
    if (moverBefore < kLost) return MoveLabel::None;
    if (moverBefore > kWon && moverAfter >= 0.5) return MoveLabel::None;
    return labelFor(moverBefore - moverAfter, thresholds);
}

MoveLabel labelFor(double loss, const LabelThresholds &thresholds) {
    if (loss >= thresholds.blunder) return MoveLabel::Blunder;
    if (loss >= thresholds.mistake) return MoveLabel::Mistake;
    if (loss >= thresholds.dubious) return MoveLabel::Dubious;
    return MoveLabel::None;
}

std::string_view labelName(MoveLabel label) {
    switch (label) {
        case MoveLabel::Dubious: return "疑問手";
        case MoveLabel::Mistake: return "悪手";
        case MoveLabel::Blunder: return "大悪手";
        case MoveLabel::None: break;
    }
    return {};
}

MoveLabel labelInComments(const std::vector<std::string> &comments) {
    for (const std::string &line : comments)
        for (MoveLabel label : {MoveLabel::Dubious, MoveLabel::Mistake, MoveLabel::Blunder})
            if (line == labelLine(labelName(label))) return label;
    return MoveLabel::None;
}

SideSafety sideSafety(const ZnBan &game, Side side) {
    SideSafety safety;
    if (const Koma *king = kingOnBoard(game, side))
        for (Square square : squaresAround(king->square()))
            safety.kingZoneAttacks += game.attackCount(otherSide(side), square);
    for (const Koma *piece : game.piecesOnBoard(side))
        if (piece->kind() != KING && losesExchange(game, piece->square())) ++safety.piecesLost;
    return safety;
}

std::string mistakeReason(const ZnBan &before, const Move &played, const Move &best,
                          const Refutation &refutation) {
    After afterPlayed, afterBest;
    if (!afterPlayed.play(before, played) || !afterBest.play(before, best)) return {};
    const Side mover = before.turn();
    const std::string bestText = readingText(before, {best});

    if (const Koma *piece = worstLostPiece(before, afterPlayed, afterBest, false))
        return pieceOn(*piece) + "が取られます（最善は" + bestText + "）";
    const int grown = sideSafety(afterPlayed.game, mover).kingZoneAttacks -
                      sideSafety(afterBest.game, mover).kingZoneAttacks;
    if (grown >= 2)
        return "玉の周りに相手の利きが" + std::to_string(grown) + "つ増えます（最善は" + bestText + "）";
    if (const Koma *piece = worstLostPiece(before, afterPlayed, afterBest, true))
        return "最善の" + bestText + "なら" + pieceOn(*piece) + "を守れました";
    if (const std::optional<Square> square = squareLeftToEnemy(afterPlayed, afterBest, mover))
        return "最善の" + bestText + "なら" + squareName(*square) + "を守れました";
    if (std::string answer = refutationReason(afterPlayed.game, refutation); !answer.empty())
        return answer + "（最善は" + bestText + "）";
    return "最善は" + bestText + "でした";
}
