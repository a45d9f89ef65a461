#include "review/mistake.h"

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

    bool play(const ZnBan &before, const MoveSpec &move) {
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
    return squareName(piece.square()) + "の" + std::string(kifPieceName(piece.code()));
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

std::string mistakeReason(const ZnBan &before, const MoveSpec &played, const MoveSpec &best) {
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
    return "最善は" + bestText + "でした";
}
