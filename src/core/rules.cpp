// Legal moves under the rules. The attack maps already name every attacker of every square, so
// check is one lookup, and a king's step is safe when the other side's map is empty there; pins are
// found by walking the eight lines out of the king once per position.

#include "core/rules.h"

#include <array>
#include <bit>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::array<int, 8> LINE_DY = {-1, -1, -1, 0, 0, 1, 1, 1};
constexpr std::array<int, 8> LINE_DX = {-1, 0, 1, -1, 1, -1, 0, 1};

// The king of `side` when it stands on the board as that side's piece; null otherwise.
const Koma *kingOf(const ZnBan &game, Side side) {
    const Koma *king = game.king(side);
    if (king == nullptr || king->side() != side || king->square() >= SQUARE_COUNT) return nullptr;
    return king;
}

// The piece of `side` whose attacks sit in `slot` of the maps.
const Koma *pieceInSlot(const ZnBan &game, Side side, int slot) {
    for (const Koma *piece : game.piecesOnBoard(side))
        if (piece->slot() == slot) return piece;
    return nullptr;
}

// The step (dy, dx) from `from` toward `to` when the two share a rank, file or diagonal.
bool lineStep(Square from, Square to, int &dy, int &dx) {
    const int rows = rowOf(to) - rowOf(from), columns = columnOf(to) - columnOf(from);
    if (from == to || (rows != 0 && columns != 0 && std::abs(rows) != std::abs(columns))) return false;
    dy = (rows > 0) - (rows < 0);
    dx = (columns > 0) - (columns < 0);
    return true;
}

// The squares strictly between two squares on one line; empty when they share none.
Bitboard squaresBetween(Square from, Square to) {
    Bitboard between;
    int dy = 0, dx = 0;
    if (!lineStep(from, to, dy, dx)) return between;
    for (int row = rowOf(from) + dy, column = columnOf(from) + dx; squareAt(row, column) != to;
         row += dy, column += dx)
        between.set(squareAt(row, column));
    return between;
}

// What the king of one side must respect: how many pieces check it, which squares answer a single
// check, which squares a ranging checker reaches through the king, and which pieces are pinned.
struct Guard {
    const Koma *king = nullptr;
    int checks = 0;
    Bitboard answers;      // a single checker's square and the squares between it and the king
    Bitboard interposals;  // the squares between only: where a drop answers the check
    Bitboard beyondKing;   // squares a checker will reach once the king steps back along its line
    Bitboard pinned;
    int pinCount = 0;
    std::array<Square, 8> pinnedSquares{};
    std::array<Bitboard, 8> pinLines{};  // the squares a pinned piece may still go to

    // The squares a piece on `from` may go to without exposing the king.
    Bitboard allowedFor(Square from) const {
        for (int i = 0; i < pinCount; ++i)
            if (pinnedSquares[static_cast<std::size_t>(i)] == from)
                return pinLines[static_cast<std::size_t>(i)];
        return ~Bitboard();
    }
};

void findCheckers(const ZnBan &game, Side side, Guard &guard) {
    const Side other = otherSide(side);
    const Square kingSquare = guard.king->square();
    std::uint64_t slots = game.attackMap(other).at(kingSquare).bits();
    guard.checks = std::popcount(slots);
    for (; slots != 0; slots &= slots - 1) {
        const Koma *checker = pieceInSlot(game, other, std::countr_zero(slots));
        if (checker == nullptr) continue;
        int dy = 0, dx = 0;
        const bool aligned = lineStep(checker->square(), kingSquare, dy, dx);
        if (guard.checks == 1) {
            guard.interposals = squaresBetween(checker->square(), kingSquare);
            guard.answers = guard.interposals | Bitboard::of(checker->square());
        }
        const int row = rowOf(kingSquare) + dy, column = columnOf(kingSquare) + dx;
        if (aligned && checker->rangesToward(dy, dx) && onBoard(row, column))
            guard.beyondKing.set(squareAt(row, column));
    }
}

// Each piece of `shieldSide` standing alone on a line out of `kingSquare` with a ranging piece of
// `rangerSide` behind it: `found(shield, path)`, the path running from the king to that piece.
template <typename Found>
void forEachShield(const ZnBan &game, Square kingSquare, Side shieldSide, Side rangerSide, Found found) {
    for (std::size_t line = 0; line < LINE_DY.size(); ++line) {
        const int dy = LINE_DY[line], dx = LINE_DX[line];
        const Koma *shield = nullptr;
        Bitboard path;
        for (int row = rowOf(kingSquare) + dy, column = columnOf(kingSquare) + dx; onBoard(row, column);
             row += dy, column += dx) {
            const Square square = static_cast<Square>(squareAt(row, column));
            path.set(square);
            const Koma *piece = game.pieceAt(square);
            if (piece == nullptr) continue;
            if (shield == nullptr && piece->side() == shieldSide) {
                shield = piece;
                continue;
            }
            if (shield != nullptr && piece->side() == rangerSide && piece->rangesToward(-dy, -dx))
                found(*shield, path);
            break;
        }
    }
}

void findPins(const ZnBan &game, Side side, Guard &guard) {
    forEachShield(game, guard.king->square(), side, otherSide(side),
                  [&](const Koma &shield, const Bitboard &path) {
                      guard.pinned.set(shield.square());
                      guard.pinnedSquares[static_cast<std::size_t>(guard.pinCount)] = shield.square();
                      guard.pinLines[static_cast<std::size_t>(guard.pinCount++)] = path;
                  });
}

Guard guardOf(const ZnBan &game, Side side) {
    Guard guard;
    guard.king = kingOf(game, side);
    if (guard.king == nullptr) return guard;
    findCheckers(game, side, guard);
    findPins(game, side, guard);
    return guard;
}

// Whether the king may step onto `to`: no attacker there, and no checker's line through the king.
bool kingStepSafe(const ZnBan &game, const Guard &guard, Square to) {
    return !guard.beyondKing.contains(to) && game.attackMap(otherSide(guard.king->side())).at(to).empty();
}

// Whether a ranging piece on `from` reaches `to` only through `square`.
bool lineRunsThrough(Square from, Square to, Square square) {
    return squaresBetween(from, to).contains(square);
}

// Whether a pawn of the side to move dropped on `drop` mates: it checks the other king, which can
// neither take it nor step away, and no other piece can take it without exposing that king.
bool pawnDropMates(const ZnBan &game, const Koma *pawn, Square drop) {
    const Side side = game.turn(), other = otherSide(side);
    const Koma *enemyKing = kingOf(game, other);
    if (enemyKing == nullptr) return false;
    SquareList reach;
    pawn->listAttacks(game.board(), side, drop, reach);
    if (!reach.contains(enemyKing->square())) return false;

    for (Square to : enemyKing->attacks()) {
        const Koma *there = game.pieceAt(to);
        if (there != nullptr && there->side() == other && to != drop) continue;
        bool attacked = false;
        for (const Koma *attacker : game.attackers(side, to))
            attacked = attacked || !(attacker->isRanging() && lineRunsThrough(attacker->square(), to, drop));
        if (!attacked) return false;  // a step away, or the king taking an unguarded pawn
    }
    const Guard guard = guardOf(game, other);
    for (const Koma *taker : game.attackers(other, drop))
        if (taker != enemyKing && guard.allowedFor(taker->square()).contains(drop)) return false;
    return true;
}

// Visits every legal move of the side to move; the visitor returns false to stop early. Drops of
// each kind go only to the squares `dropTargets` names for it, when it is given.
template <typename Visit>
void forEachLegalMove(const ZnBan &game, Visit &&visit,
                      const std::array<Bitboard, KIND_COUNT> *dropTargets = nullptr) {
    const Side side = game.turn();
    const Guard guard = guardOf(game, side);
    for (const Koma *piece : game.piecesOnBoard(side)) {
        const Square from = piece->square();
        Bitboard targets = piece->attacks();
        if (piece == guard.king) {
            for (Square to : targets) {
                const Koma *there = game.pieceAt(to);
                if ((there == nullptr || there->side() != side) && kingStepSafe(game, guard, to) &&
                    !visit(Move{from, to, false, 0}))
                    return;
            }
            continue;
        }
        if (guard.checks >= 2) continue;
        if (guard.checks == 1) targets = targets & guard.answers;
        if (guard.pinned.contains(from)) targets = targets & guard.allowedFor(from);
        const bool mayPromote = !piece->promoted();
        for (Square to : targets) {
            const Koma *there = game.pieceAt(to);
            if (there != nullptr && there->side() == side) continue;
            if (mayPromote && piece->canPromote(from, to)) {
                if (!visit(Move{from, to, true, 0})) return;
                if (piece->canMoveOn(to) && !visit(Move{from, to, false, 0})) return;
            } else if (!visit(Move{from, to, false, 0})) {
                return;
            }
        }
    }
    if (guard.checks >= 2) return;
    const Bitboard dropSquares = guard.king != nullptr && guard.checks == 1 ? guard.interposals : ~Bitboard();
    unsigned seen = 0;
    for (const Koma *piece : game.hand(side)) {
        const unsigned bit = 1u << piece->kind();
        if ((seen & bit) != 0) continue;
        seen |= bit;
        const Bitboard squares =
            dropTargets != nullptr ? dropSquares & (*dropTargets)[piece->kind()] : dropSquares;
        for (Square to : squares) {
            if (!piece->canDropOn(to, game.board())) continue;
            if (piece->kind() == PAWN && pawnDropMates(game, piece, to)) continue;
            if (!visit(Move{IN_HAND, to, false, piece->kind()})) return;
        }
    }
}

// Where a piece of each kind and promotion would attack one king from, on the board as it stands:
// the squares a piece of the same kind of the king's side reaches from the king, since every
// pattern is the same turned round. Scratch pieces ask the pieces' own rules.
class CheckSquares {
public:
    CheckSquares(const ZnBan &game, Side attacker, Square kingSquare) {
        static thread_local std::array<std::unique_ptr<Koma>, KIND_COUNT> scratch = [] {
            std::array<std::unique_ptr<Koma>, KIND_COUNT> pieces;
            for (int kind = 0; kind < KIND_COUNT; ++kind)
                pieces[static_cast<std::size_t>(kind)] = makeKoma(static_cast<PieceKind>(kind), 0, SENTE);
            return pieces;
        }();
        for (int kind = 0; kind < KIND_COUNT; ++kind)
            for (int promoted = 0; promoted < 2; ++promoted) {
                Koma &piece = *scratch[static_cast<std::size_t>(kind)];
                piece.setSquare(kingSquare);
                piece.setSide(otherSide(attacker));
                piece.setPromoted(promoted != 0);
                from_[static_cast<std::size_t>(kind * 2 + promoted)] = piece.updateAttacks(game.occupied());
            }
    }
    const Bitboard &of(PieceKind kind, bool promoted) const {
        return from_[static_cast<std::size_t>(kind * 2 + (promoted ? 1 : 0))];
    }

private:
    std::array<Bitboard, 2 * KIND_COUNT> from_;
};

// The pieces of `attacker` that stand alone between one of its ranging pieces and the other king,
// each with the line it must leave to uncover the check.
struct Discoverers {
    Bitboard pieces;
    int count = 0;
    std::array<Square, 8> squares{};
    std::array<Bitboard, 8> lines{};

    bool uncovers(Square from, Square to) const {
        for (int i = 0; i < count; ++i)
            if (squares[static_cast<std::size_t>(i)] == from)
                return !lines[static_cast<std::size_t>(i)].contains(to);
        return false;
    }
};

Discoverers findDiscoverers(const ZnBan &game, Side attacker, Square kingSquare) {
    Discoverers found;
    forEachShield(game, kingSquare, attacker, attacker, [&](const Koma &shield, const Bitboard &path) {
        found.pieces.set(shield.square());
        found.squares[static_cast<std::size_t>(found.count)] = shield.square();
        found.lines[static_cast<std::size_t>(found.count++)] = path;
    });
    return found;
}

// The piece of `kind` the side to move would drop; null when its hand holds none.
const Koma *handPiece(const ZnBan &game, PieceKind kind) {
    for (const Koma *piece : game.hand(game.turn()))
        if (piece->kind() == kind) return piece;
    return nullptr;
}

Refusal checkDrop(const ZnBan &game, const Move &move, const Guard &guard) {
    if (const Refusal refused = game.refusal(move); refused != Refusal::None) return refused;
    const Koma *piece = handPiece(game, move.dropKind);
    if (guard.king != nullptr &&
        (guard.checks >= 2 || (guard.checks == 1 && !guard.interposals.contains(move.to))))
        return Refusal::LeavesCheck;
    if (piece->kind() == PAWN && pawnDropMates(game, piece, move.to)) return Refusal::PawnDropMate;
    return Refusal::None;
}

Refusal checkBoardMove(const ZnBan &game, const Move &move, const Guard &guard) {
    if (const Refusal refused = game.refusal(move); refused != Refusal::None) return refused;
    const Koma *piece = game.pieceAt(move.from);
    if (guard.king == nullptr) return Refusal::None;
    const Refusal exposed = guard.checks > 0 ? Refusal::LeavesCheck : Refusal::IntoCheck;
    if (piece == guard.king) return kingStepSafe(game, guard, move.to) ? Refusal::None : exposed;
    if (guard.checks >= 2 || (guard.checks == 1 && !guard.answers.contains(move.to)))
        return Refusal::LeavesCheck;
    return guard.allowedFor(move.from).contains(move.to) ? Refusal::None : exposed;
}

// The number of positions among the legal moves from the current one, `depth` plies on.
std::uint64_t leaves(ZnBan &game, int depth, std::vector<std::vector<Move>> &lists) {
    if (depth <= 1) return static_cast<std::uint64_t>(countLegalMoves(game));
    std::vector<Move> &moves = lists[static_cast<std::size_t>(depth)];
    moves.clear();
    legalMoves(game, moves);
    std::uint64_t total = 0;
    for (const Move &move : moves) {
        if (!game.play(move)) continue;
        total += leaves(game, depth - 1, lists);
        game.undoMove();
    }
    return total;
}

}  // namespace

std::string rulesProblem(const ZnBan &game) {
    std::array<int, 2> kings{};
    for (Side side : {SENTE, GOTE}) {
        for (const Koma *piece : game.piecesOnBoard(side)) kings[side] += piece->kind() == KING;
        for (const Koma *piece : game.hand(side))
            if (piece->kind() == KING) return "玉が駒台にあります";
    }
    // A side without a king, as the attacker of a tsume, is never in check and its moves need no
    // king's safety; a second king would leave check undefined, and with none there is nothing to judge.
    if (kings[SENTE] == 0 && kings[GOTE] == 0) return "盤上に玉がありません";
    if (kings[SENTE] > 1 || kings[GOTE] > 1) return "玉が二枚ある側があります";
    for (Side side : {SENTE, GOTE})
        if (kings[side] == 1 && kingOf(game, side) == nullptr) return "玉が一枚ずつ盤上にありません";
    if (kingInCheck(game, otherSide(game.turn()))) return "手番でない側に王手がかかっています";
    return "";
}

bool kingInCheck(const ZnBan &game, Side side) {
    const Koma *king = kingOf(game, side);
    return king != nullptr && !game.attackMap(otherSide(side)).at(king->square()).empty();
}

bool inCheck(const ZnBan &game) { return kingInCheck(game, game.turn()); }

void legalMoves(const ZnBan &game, std::vector<Move> &out) {
    forEachLegalMove(game, [&out](const Move &move) {
        out.push_back(move);
        return true;
    });
}

int countLegalMoves(const ZnBan &game) {
    int count = 0;
    forEachLegalMove(game, [&count](const Move &) {
        ++count;
        return true;
    });
    return count;
}

bool hasLegalMove(const ZnBan &game) {
    bool found = false;
    forEachLegalMove(game, [&found](const Move &) {
        found = true;
        return false;
    });
    return found;
}

Refusal checkMove(const ZnBan &game, const Move &move) {
    const Guard guard = guardOf(game, game.turn());
    return move.from == IN_HAND ? checkDrop(game, move, guard) : checkBoardMove(game, move, guard);
}

bool isMated(const ZnBan &game) { return !hasLegalMove(game); }

void checkingMoves(const ZnBan &game, std::vector<Move> &out) {
    const Side side = game.turn();
    const Koma *enemyKing = kingOf(game, otherSide(side));
    if (enemyKing == nullptr) return;
    const Square kingSquare = enemyKing->square();
    const CheckSquares checks(game, side, kingSquare);
    const Discoverers discoverers = findDiscoverers(game, side, kingSquare);
    std::array<Bitboard, KIND_COUNT> dropTargets;
    for (int kind = 0; kind < KIND_COUNT; ++kind)
        dropTargets[static_cast<std::size_t>(kind)] = checks.of(static_cast<PieceKind>(kind), false);
    forEachLegalMove(
        game,
        [&](const Move &move) {
            bool check = move.from == IN_HAND;
            if (!check) {
                const Koma *piece = game.pieceAt(move.from);
                check = checks.of(piece->kind(), piece->promoted() || move.promote).contains(move.to) ||
                        (discoverers.pieces.contains(move.from) && discoverers.uncovers(move.from, move.to));
            }
            if (check) out.push_back(move);
            return true;
        },
        &dropTargets);
}

std::uint64_t legalPerft(ZnBan &game, int depth) {
    if (depth <= 0) return 1;
    std::vector<std::vector<Move>> lists(static_cast<std::size_t>(depth) + 1);
    for (auto &list : lists) list.reserve(256);
    return leaves(game, depth, lists);
}
