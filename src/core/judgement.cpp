// Repetition and the declaration: the judgements that look at the line of the game or at the
// whole position rather than at one move.

#include <array>

#include "core/rules.h"
#include "pieces/komafukuro.h"

namespace {

// A position written out square by square, for confirming a key match: the key could collide, the
// position cannot.
struct Snapshot {
    std::array<std::uint8_t, SQUARE_COUNT> board{};  // 0 empty, else 1 + code + 16 for gote
    std::array<std::array<std::uint8_t, KIND_COUNT>, 2> hands{};
    Side turn = SENTE;
    bool operator==(const Snapshot &) const = default;
};

constexpr std::uint8_t cell(Side side, PieceCode code) {
    return static_cast<std::uint8_t>(1 + code + 16 * side);
}

Snapshot snapshotOf(const ZnBan &game) {
    Snapshot snapshot;
    for (Side side : {SENTE, GOTE}) {
        for (const Koma *piece : game.piecesOnBoard(side))
            snapshot.board[piece->square()] = cell(side, piece->code());
        for (const Koma *piece : game.hand(side)) ++snapshot.hands[side][piece->kind()];
    }
    snapshot.turn = game.turn();
    return snapshot;
}

// Takes `record` back on the snapshot, as undoMove does on the game.
void takeBack(Snapshot &snapshot, const MoveHistory &record) {
    const Side mover = otherSide(snapshot.turn);
    std::uint8_t &target = snapshot.board[record.to % SQUARE_COUNT];
    if (record.from == IN_HAND) {
        ++snapshot.hands[mover][record.piece->kind()];
        target = 0;
    } else {
        snapshot.board[record.from % SQUARE_COUNT] =
            static_cast<std::uint8_t>(target - (record.promoted ? PROMOTED_OFFSET : 0));
        target = 0;
        if (record.captured != nullptr) {
            const PieceKind kind = record.captured->kind();
            --snapshot.hands[mover][kind];
            target = cell(snapshot.turn,
                          static_cast<PieceCode>(kind + (record.capturedWasPromoted ? PROMOTED_OFFSET : 0)));
        }
    }
    snapshot.turn = mover;
}

// The plies (0 = the first position) at which the current position stood, latest first, the
// current ply included.
std::vector<int> occurrencePlies(const ZnBan &game) {
    const int plies = std::min<int>(game.moveCount(), static_cast<int>(game.history().size()));
    const std::uint64_t key = game.key();
    std::vector<int> found{plies};
    const Snapshot now = snapshotOf(game);
    Snapshot walked = now;
    int walkedPly = plies;
    // A position recurs only with the same side to move, so every other ply is enough to look at.
    for (int ply = plies - 2; ply >= 0; ply -= 2) {
        if (game.history()[static_cast<std::size_t>(ply)].keyBefore != key) continue;
        for (; walkedPly > ply; --walkedPly)
            takeBack(walked, game.history()[static_cast<std::size_t>(walkedPly - 1)]);
        if (walked == now) found.push_back(ply);
    }
    return found;
}

bool inEnemyCamp(Side side, Square square) { return side == SENTE ? rowOf(square) < 3 : rowOf(square) >= 6; }

// Points of one piece under the declaration rules.
int piecePoints(PieceKind kind) { return kind == ROOK || kind == BISHOP ? 5 : kind == KING ? 0 : 1; }

// The full set of one game, by kind, for counting what a handicap gave up.
constexpr std::array<int, KIND_COUNT> FULL_SET = {2, 2, 2, 4, 4, 4, 4, 18};

}  // namespace

void lineStart(const ZnBan &game, ZnBan &start) {
    Snapshot snapshot = snapshotOf(game);
    const int plies = std::min<int>(game.moveCount(), static_cast<int>(game.history().size()));
    for (int ply = plies; ply > 0; --ply)
        takeBack(snapshot, game.history()[static_cast<std::size_t>(ply - 1)]);
    start.clearPieces();
    start.resetBoard();
    KomaFukuro set;
    for (int square = 0; square < SQUARE_COUNT; ++square)
        if (const std::uint8_t at = snapshot.board[static_cast<std::size_t>(square)]; at != 0)
            start.placePieces(set.takePiece(static_cast<PieceCode>((at - 1) % 16),
                                            static_cast<Square>(square), static_cast<Side>((at - 1) / 16)));
    for (Side side : {SENTE, GOTE})
        for (int kind = 0; kind < KIND_COUNT; ++kind)
            for (int i = 0; i < snapshot.hands[side][static_cast<std::size_t>(kind)]; ++i)
                start.placePieces(set.takePiece(static_cast<PieceCode>(kind), IN_HAND, side));
    start.addAllAttacks();
    start.setTurn(snapshot.turn);
}

LineFoul firstFoul(const ZnBan &game) {
    LineFoul foul;
    const int plies = std::min<int>(game.moveCount(), static_cast<int>(game.history().size()));
    if (plies == 0) return foul;
    ZnBan line;
    lineStart(game, line);
    for (int ply = 0; ply < plies; ++ply) {
        if (!rulesProblem(line).empty()) {
            foul.judged = false;
            return foul;
        }
        const Move move = moveOf(game.history()[static_cast<std::size_t>(ply)]);
        if (const Refusal refused = checkMove(line, move); refused != Refusal::None || !line.play(move)) {
            foul.ply = ply;
            foul.move = move;
            foul.refusal = refused == Refusal::None ? Refusal::CannotReach : refused;
            return foul;
        }
    }
    return foul;
}

int occurrences(const ZnBan &game) { return static_cast<int>(occurrencePlies(game).size()); }

Repetition repetition(const ZnBan &game) {
    const std::vector<int> plies = occurrencePlies(game);
    if (plies.size() < 4) return Repetition::None;
    // From the first of the last four occurrences to the current one, did one side check every time?
    const int first = plies[3], last = plies[0];
    std::array<bool, 2> everyMoveChecked = {true, true};
    const Side sideAtFirst = static_cast<Side>(game.turn() ^ ((last - first) & 1));
    for (int ply = first; ply < last; ++ply) {
        const Side mover = static_cast<Side>(sideAtFirst ^ ((ply - first) & 1));
        everyMoveChecked[mover] =
            everyMoveChecked[mover] && game.history()[static_cast<std::size_t>(ply)].gaveCheck;
    }
    if (everyMoveChecked[SENTE] != everyMoveChecked[GOTE])
        return everyMoveChecked[SENTE] ? Repetition::SenteChecked : Repetition::GoteChecked;
    return Repetition::Draw;
}

int piecesInEnemyCamp(const ZnBan &game, Side side) {
    int count = 0;
    for (const Koma *piece : game.piecesOnBoard(side))
        count += piece->kind() != KING && inEnemyCamp(side, piece->square());
    return count;
}

int declarationPoints(const ZnBan &game, Side side) {
    int points = 0;
    for (const Koma *piece : game.piecesOnBoard(side))
        if (inEnemyCamp(side, piece->square())) points += piecePoints(piece->kind());
    for (const Koma *piece : game.hand(side)) points += piecePoints(piece->kind());
    if (side == GOTE) {
        std::array<int, KIND_COUNT> missing = FULL_SET;
        for (const Koma *piece : game.allPieces()) --missing[piece->kind()];
        for (int kind = 0; kind < KIND_COUNT; ++kind)
            if (missing[static_cast<std::size_t>(kind)] > 0)
                points += missing[static_cast<std::size_t>(kind)] * piecePoints(static_cast<PieceKind>(kind));
    }
    return points;
}

Declaration judgeDeclaration(const ZnBan &game, DeclarationRule rule) {
    const Side side = game.turn();
    const Koma *king = game.king(side);
    if (king == nullptr || king->side() != side || king->square() >= SQUARE_COUNT ||
        !inEnemyCamp(side, king->square()) || inCheck(game) || piecesInEnemyCamp(game, side) < 10)
        return Declaration::Lose;
    const int points = declarationPoints(game, side);
    if (rule == DeclarationRule::Points24)
        return points >= 31 ? Declaration::Win : points >= 24 ? Declaration::Draw : Declaration::Lose;
    return points >= (side == SENTE ? 28 : 27) ? Declaration::Win : Declaration::Lose;
}

Judgement judge(const ZnBan &game) {
    Judgement judgement;
    judgement.problem = rulesProblem(game);
    if (!judgement.problem.empty()) return judgement;
    judgement.check = inCheck(game);
    judgement.legalMoves = countLegalMoves(game);
    judgement.mate = judgement.legalMoves == 0;
    judgement.repetition = repetition(game);
    judgement.declarationWin = judgeDeclaration(game, DeclarationRule::Points27) == Declaration::Win;
    return judgement;
}

std::string turnText(const ZnBan &game) {
    const std::string turn = game.turn() == SENTE ? "先手番です" : "後手番です";
    if (!rulesProblem(game).empty()) return turn;
    auto sideName = [](Side side) { return std::string(side == SENTE ? "先手" : "後手"); };
    switch (repetition(game)) {
        case Repetition::Draw: return "千日手";
        case Repetition::SenteChecked: return "連続王手の千日手　" + sideName(SENTE) + "の負け";
        case Repetition::GoteChecked: return "連続王手の千日手　" + sideName(GOTE) + "の負け";
        case Repetition::None: break;
    }
    if (!hasLegalMove(game)) return "詰み　" + sideName(otherSide(game.turn())) + "の勝ち";
    return inCheck(game) ? turn + "　王手" : turn;
}
