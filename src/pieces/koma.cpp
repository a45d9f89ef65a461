#include "pieces/koma.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

#include "support/glyphs.h"

namespace {

int forwardOf(Side side) { return side == SENTE ? -1 : 1; }

bool validSquare(Square square) { return square < SQUARE_COUNT; }

// Differences in rows and columns; false when either square is off the board.
bool delta(Square from, Square to, int &dy, int &dx) {
    if (!validSquare(from) || !validSquare(to)) return false;
    dy = rowOf(to) - rowOf(from);
    dx = columnOf(to) - columnOf(from);
    return true;
}

bool isNeighbour(Square from, Square to) {
    int dy, dx;
    return delta(from, to, dy, dx) && std::abs(dy) <= 1 && std::abs(dx) <= 1 && (dy | dx) != 0;
}

bool sameLine(Square from, Square to) {
    int dy, dx;
    return delta(from, to, dy, dx) && (dy == 0) != (dx == 0);
}

bool sameDiagonal(Square from, Square to) {
    int dy, dx;
    return delta(from, to, dy, dx) && dy != 0 && std::abs(dy) == std::abs(dx);
}

// The two filters of the game are answered inline: attack lists are recomputed on every move.
bool accepts(SquareFilter filter, const Board &board, Side side, Square square, const Koma *occupant) {
    if (filter == acceptAll) return true;
    if (filter == notOwnPiece) return occupant == nullptr || occupant->side() != side;
    return filter(board, side, square);
}

// The squares of every ray, from every square in every direction, worked out once: rays are
// walked on every move, and a table walk needs no edge arithmetic.
struct Ray {
    std::array<Square, 8> squares{};
    std::uint8_t length = 0;
};

constexpr int directionIndex(int dy, int dx) { return (dy + 1) * 3 + (dx + 1); }

constexpr std::array<std::array<Ray, 9>, SQUARE_COUNT> rayTable = [] {
    std::array<std::array<Ray, 9>, SQUARE_COUNT> table{};
    for (int from = 0; from < SQUARE_COUNT; ++from)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if (dy == 0 && dx == 0) continue;
                Ray &ray = table[static_cast<std::size_t>(from)][static_cast<std::size_t>(directionIndex(dy, dx))];
                for (int row = rowOf(from) + dy, column = columnOf(from) + dx; onBoard(row, column);
                     row += dy, column += dx)
                    ray.squares[ray.length++] = static_cast<Square>(squareAt(row, column));
            }
    return table;
}();

void step(SquareFilter filter, const Board &board, Side side, Square from, int dy, int dx, SquareList &out) {
    const Ray &squares = rayTable[from][static_cast<std::size_t>(directionIndex(dy, dx))];
    if (squares.length == 0) return;
    const Square square = squares.squares[0];
    if (accepts(filter, board, side, square, board.get(square))) out.push_back(square);
}

// The knight's jump: two rows forward and one column aside.
void jump(SquareFilter filter, const Board &board, Side side, Square from, int dy, int dx, SquareList &out) {
    int row = rowOf(from) + dy, column = columnOf(from) + dx;
    if (!onBoard(row, column)) return;
    auto square = static_cast<Square>(squareAt(row, column));
    if (accepts(filter, board, side, square, board.get(square))) out.push_back(square);
}

void ray(SquareFilter filter, const Board &board, Side side, Square from, int dy, int dx, SquareList &out) {
    const Ray &squares = rayTable[from][static_cast<std::size_t>(directionIndex(dy, dx))];
    for (int i = 0; i < squares.length; ++i) {
        const Square square = squares.squares[static_cast<std::size_t>(i)];
        const Koma *occupant = board.get(square);
        if (accepts(filter, board, side, square, occupant)) out.push_back(square);
        if (occupant != nullptr) return;
    }
}

void orthogonalStep(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) {
    step(f, b, s, from, 0, -1, out);
    step(f, b, s, from, 0, 1, out);
    step(f, b, s, from, -1, 0, out);
    step(f, b, s, from, 1, 0, out);
}

void upperDiagonalStep(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) {
    step(f, b, s, from, -1, -1, out);
    step(f, b, s, from, -1, 1, out);
}

void lowerDiagonalStep(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) {
    step(f, b, s, from, 1, 1, out);
    step(f, b, s, from, 1, -1, out);
}

int sign(int v) { return (v > 0) - (v < 0); }

// One step of the step path: column and row each one square toward the target.
Square stepToward(Square from, Square to) {
    int row = rowOf(from) + sign(rowOf(to) - rowOf(from));
    int column = columnOf(from) + sign(columnOf(to) - columnOf(from));
    return static_cast<Square>(squareAt(row, column));
}

bool onLastRow(Side side, Square square) { return rowOf(square) == (side == SENTE ? 0 : 8); }

bool onLastTwoRows(Side side, Square square) {
    int row = rowOf(square);
    return side == SENTE ? row <= 1 : row >= 7;
}

}  // namespace

bool acceptAll(const Board &, Side, Square) { return true; }

bool notOwnPiece(const Board &board, Side side, Square square) {
    const Koma *piece = board.get(square);
    return piece == nullptr || piece->side() != side;
}

bool isEmptySquare(const Board &board, Square square) { return board.get(square) == nullptr; }

// ---- Koma ----

bool Koma::canPromote(Square a, Square b) const {
    if (promoted_) return false;
    auto inZone = [this](Square q) { return side_ == SENTE ? q < 27 : (q >= 54 && q <= 80); };
    return inZone(a) || inZone(b);
}

bool Koma::canMoveTo(const Board &board, Square from, Square to) const {
    return validSquare(to) && notOwnPiece(board, side_, to) && patternAllows(from, to);
}

bool Koma::canMoveOn(Square) const { return true; }

bool Koma::canDropOn(Square square, const Board &board) const { return isEmptySquare(board, square); }

bool Koma::hasPromotedMark() const { return false; }

bool Koma::isRanging() const { return false; }

bool Koma::rangesToward(int, int) const { return false; }

void Koma::squaresBetween(Square, SquareList &) const {}

const char *Koma::glyph() const { return kGlyphTable[code()]; }

int Koma::listAttacks(const Board &board, Side side, Square from, SquareList &out) const {
    listTargets(acceptAll, board, side, from, out);
    return out.size();
}

namespace {

// Each ray as a set of squares, for the reach of ranging pieces on a given board.
constexpr std::array<std::array<Bitboard, 9>, SQUARE_COUNT> rayBoards = [] {
    std::array<std::array<Bitboard, 9>, SQUARE_COUNT> boards{};
    for (std::size_t from = 0; from < SQUARE_COUNT; ++from)
        for (std::size_t direction = 0; direction < 9; ++direction) {
            const Ray &squares = rayTable[from][direction];
            for (int i = 0; i < squares.length; ++i) boards[from][direction].set(squares.squares[static_cast<std::size_t>(i)]);
        }
    return boards;
}();

// The ray from `from` in `direction` up to and including its first occupied square. Directions
// above 4 run toward higher square numbers, so their nearest blocker is the lowest one.
Bitboard slide(Square from, int direction, const Bitboard &occupied) {
    const auto &rays = rayBoards[from];
    const Bitboard ray = rays[static_cast<std::size_t>(direction)];
    const Bitboard blockers = ray & occupied;
    if (blockers.empty()) return ray;
    const Square stop = direction > 4 ? blockers.lowest() : blockers.highest();
    return ray ^ rayBoards[stop][static_cast<std::size_t>(direction)];
}

// A piece's reach is its steps, which depend on its code, side and square alone, plus its lines,
// which run to the first occupied square. Both are asked of the pieces once, on an empty board, and
// kept per code and side (rule = code * 2 + side).
constexpr int RULE_COUNT = CODE_COUNT * 2;
struct ReachRules {
    std::array<std::array<Bitboard, SQUARE_COUNT>, RULE_COUNT> steps{};
    std::array<std::uint16_t, RULE_COUNT> lines{};  // one bit per direction index
};

ReachRules askPiecesForReach() {
    ReachRules rules;
    const Board empty(SQUARE_COUNT, nullptr);
    for (int rule = 0; rule < RULE_COUNT; ++rule) {
        const int code = rule / 2;
        const Side side = static_cast<Side>(rule % 2);
        for (int square = 0; square < SQUARE_COUNT; ++square) {
            auto piece = makeKoma(static_cast<PieceKind>(code & 7), static_cast<Square>(square), side);
            piece->promote(code >= PROMOTED_OFFSET);
            Bitboard lines;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dy | dx) != 0 && piece->rangesToward(dy, dx)) {
                        const int direction = directionIndex(dy, dx);
                        rules.lines[static_cast<std::size_t>(rule)] |= static_cast<std::uint16_t>(1u << direction);
                        lines |= rayBoards[static_cast<std::size_t>(square)][static_cast<std::size_t>(direction)];
                    }
            SquareList reach;
            piece->listAttacks(empty, side, static_cast<Square>(square), reach);
            for (Square target : reach)
                if (!lines.contains(target))
                    rules.steps[static_cast<std::size_t>(rule)][static_cast<std::size_t>(square)].set(target);
        }
    }
    return rules;
}

// Asked on first use, so that a game set up before main() still finds the answers.
const ReachRules &reachRules() {
    static const ReachRules rules = askPiecesForReach();
    return rules;
}

}  // namespace

const Bitboard &Koma::updateAttacks(const Bitboard &occupied) {
    if (square_ >= SQUARE_COUNT) {
        attacks_.clear();
        return attacks_;
    }
    const ReachRules &rules = reachRules();
    const std::size_t rule = static_cast<std::size_t>(code() * 2 + (side_ & 1));
    Bitboard reach = rules.steps[rule][square_];
    for (unsigned lines = rules.lines[rule]; lines != 0; lines &= lines - 1)
        reach |= slide(square_, std::countr_zero(lines), occupied);
    attacks_ = reach;
    return attacks_;
}

namespace {

// The direction index of the line from one square to another, or -1 when no line joins them.
constexpr std::array<std::array<std::int8_t, SQUARE_COUNT>, SQUARE_COUNT> lineDirections = [] {
    std::array<std::array<std::int8_t, SQUARE_COUNT>, SQUARE_COUNT> table{};
    for (auto &row : table) row.fill(-1);
    for (std::size_t from = 0; from < SQUARE_COUNT; ++from)
        for (std::size_t direction = 0; direction < 9; ++direction) {
            const Ray &squares = rayTable[from][direction];
            for (int i = 0; i < squares.length; ++i)
                table[from][squares.squares[static_cast<std::size_t>(i)]] = static_cast<std::int8_t>(direction);
        }
    return table;
}();

}  // namespace

Bitboard Koma::shiftLineThrough(Square square, const Bitboard &occupied) {
    if (square_ >= SQUARE_COUNT || square >= SQUARE_COUNT) return {};
    const int direction = lineDirections[square_][square];
    if (direction < 0) return {};
    const std::size_t rule = static_cast<std::size_t>(code() * 2 + (side_ & 1));
    if (((reachRules().lines[rule] >> direction) & 1u) == 0) return {};
    // The line beyond `square` never meets the piece's steps or its other lines, so toggling it
    // leaves the rest of the reach as it was.
    const Bitboard beyond = slide(square, direction, occupied);
    attacks_ = attacks_ ^ beyond;
    return beyond;
}

bool Koma::reaches(Square to, const Bitboard &occupied) const {
    if (square_ >= SQUARE_COUNT || to >= SQUARE_COUNT) return false;
    const ReachRules &rules = reachRules();
    const std::size_t rule = static_cast<std::size_t>(code() * 2 + (side_ & 1));
    if (rules.steps[rule][square_].contains(to)) return true;
    const int direction = lineDirections[square_][to];
    if (direction < 0 || ((rules.lines[rule] >> direction) & 1u) == 0) return false;
    // The ray from the piece without the ray from `to`: the squares up to `to`, `to` included.
    Bitboard before = rayBoards[square_][static_cast<std::size_t>(direction)] ^
                      rayBoards[to][static_cast<std::size_t>(direction)];
    before.reset(to);
    return (before & occupied).empty();
}

const Bitboard &Koma::updateAttacks(const Board &board) {
    Bitboard occupied;
    for (int square = 0; square < SQUARE_COUNT && static_cast<std::size_t>(square) < board.size(); ++square)
        if (board[static_cast<std::size_t>(square)] != nullptr) occupied.set(square);
    return updateAttacks(occupied);
}

int Koma::forwardRows(Square from, Square to) const {
    int dy = rowOf(to) - rowOf(from);
    return side_ == SENTE ? dy : -dy;
}

bool Koma::goldPattern(Square from, Square to) const {
    return isNeighbour(from, to) && !(forwardRows(from, to) == 1 && columnOf(from) != columnOf(to));
}

void Koma::goldStep(SquareFilter filter, const Board &board, Side side, Square from, SquareList &out) const {
    orthogonalStep(filter, board, side, from, out);
    if (side == SENTE)
        upperDiagonalStep(filter, board, side, from, out);
    else
        lowerDiagonalStep(filter, board, side, from, out);
}

// ---- KomaTobi ----

bool KomaTobi::isRanging() const { return true; }

void KomaTobi::squaresBetween(Square target, SquareList &out) const {
    if (!validSquare(target) || !validSquare(square())) return;
    Square at = target;
    while (at != square()) {
        at = stepToward(at, square());
        if (at != square()) out.push_back(at);
    }
}

bool KomaTobi::lineIsClear(const Board &board, Square from, Square to) {
    for (Square at = stepToward(from, to); at != to; at = stepToward(at, to))
        if (!isEmptySquare(board, at)) return false;
    return true;
}

// ---- king ----

bool KomaOU::canPromote(Square, Square) const { return false; }

bool KomaOU::patternAllows(Square from, Square to) const { return isNeighbour(from, to); }

void KomaOU::listTargets(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) const {
    orthogonalStep(f, b, s, from, out);
    upperDiagonalStep(f, b, s, from, out);
    lowerDiagonalStep(f, b, s, from, out);
}

// ---- rook and bishop ----

namespace {

// The rook's lines and the bishop's, in the order their targets are listed; each adds the other's
// as single steps once promoted.
constexpr std::array<std::array<int, 2>, 4> ORTHOGONAL = {{{0, -1}, {0, 1}, {-1, 0}, {1, 0}}};
constexpr std::array<std::array<int, 2>, 4> DIAGONAL = {{{-1, -1}, {1, 1}, {-1, 1}, {1, -1}}};
constexpr std::array<std::array<int, 2>, 4> DIAGONAL_STEPS = {{{-1, -1}, {-1, 1}, {1, 1}, {1, -1}}};

}  // namespace

bool KomaOogoma::rangesToward(int dy, int dx) const {
    return diagonal_ ? dy != 0 && dx != 0 : (dy == 0) != (dx == 0);
}

bool KomaOogoma::patternAllows(Square from, Square to) const {
    return (diagonal_ ? sameDiagonal(from, to) : sameLine(from, to)) || (promoted() && isNeighbour(from, to));
}

bool KomaOogoma::canMoveTo(const Board &board, Square from, Square to) const {
    if (!validSquare(to) || !notOwnPiece(board, side(), to)) return false;
    if (promoted() && isNeighbour(from, to)) return true;
    return (diagonal_ ? sameDiagonal(from, to) : sameLine(from, to)) && lineIsClear(board, from, to);
}

void KomaOogoma::listTargets(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) const {
    if (promoted())
        for (const auto &[dy, dx] : diagonal_ ? ORTHOGONAL : DIAGONAL_STEPS) step(f, b, s, from, dy, dx, out);
    for (const auto &[dy, dx] : diagonal_ ? DIAGONAL : ORTHOGONAL) ray(f, b, s, from, dy, dx, out);
}

// ---- gold ----

bool KomaKI::canPromote(Square, Square) const { return false; }

bool KomaKI::patternAllows(Square from, Square to) const { return goldPattern(from, to); }

void KomaKI::listTargets(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) const {
    goldStep(f, b, s, from, out);
}

// ---- silver ----

bool KomaGI::patternAllows(Square from, Square to) const {
    if (promoted()) return goldPattern(from, to);
    if (!isNeighbour(from, to)) return false;
    int dy = forwardRows(from, to);
    return dy != 0 && !(dy == 1 && columnOf(from) == columnOf(to));
}

bool KomaGI::hasPromotedMark() const { return promoted(); }

void KomaGI::listTargets(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) const {
    if (promoted()) return goldStep(f, b, s, from, out);
    upperDiagonalStep(f, b, s, from, out);
    lowerDiagonalStep(f, b, s, from, out);
    step(f, b, s, from, forwardOf(s), 0, out);
}

// ---- knight ----

bool KomaKE::patternAllows(Square from, Square to) const {
    if (promoted()) return goldPattern(from, to);
    int dy, dx;
    return delta(from, to, dy, dx) && forwardRows(from, to) == -2 && std::abs(dx) == 1;
}

// A knight on an edge file still jumps inward, so only the last two rows leave it without a move.
bool KomaKE::canMoveOn(Square square) const { return !onLastTwoRows(side(), square); }

bool KomaKE::canDropOn(Square square, const Board &board) const {
    return isEmptySquare(board, square) && canMoveOn(square);
}

bool KomaKE::hasPromotedMark() const { return promoted(); }

void KomaKE::listTargets(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) const {
    if (promoted()) return goldStep(f, b, s, from, out);
    jump(f, b, s, from, 2 * forwardOf(s), -1, out);
    jump(f, b, s, from, 2 * forwardOf(s), 1, out);
}

// ---- lance ----

bool KomaKY::rangesToward(int dy, int dx) const { return !promoted() && dx == 0 && dy == forwardOf(side()); }

bool KomaKY::patternAllows(Square from, Square to) const {
    if (promoted()) return goldPattern(from, to);
    int dy, dx;
    return delta(from, to, dy, dx) && dx == 0 && forwardRows(from, to) < 0;
}

bool KomaKY::canMoveTo(const Board &board, Square from, Square to) const {
    if (promoted()) return Koma::canMoveTo(board, from, to);
    return validSquare(to) && notOwnPiece(board, side(), to) && patternAllows(from, to) &&
           lineIsClear(board, from, to);
}

bool KomaKY::canMoveOn(Square square) const { return !onLastRow(side(), square); }

bool KomaKY::canDropOn(Square square, const Board &board) const {
    return isEmptySquare(board, square) && canMoveOn(square);
}

bool KomaKY::hasPromotedMark() const { return promoted(); }

void KomaKY::listTargets(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) const {
    if (promoted()) return goldStep(f, b, s, from, out);
    ray(f, b, s, from, forwardOf(s), 0, out);
}

// ---- pawn ----

bool KomaFU::patternAllows(Square from, Square to) const {
    if (promoted()) return goldPattern(from, to);
    int dy, dx;
    return delta(from, to, dy, dx) && dx == 0 && forwardRows(from, to) == -1;
}

bool KomaFU::canMoveOn(Square square) const { return !onLastRow(side(), square); }

bool KomaFU::canDropOn(Square square, const Board &board) const {
    if (!isEmptySquare(board, square) || !canMoveOn(square)) return false;
    for (int row = 0; row < 9; ++row) {
        const Koma *other = board.get(squareAt(row, columnOf(square)));
        if (other && other->kind() == PAWN && other->side() == side() && !other->promoted()) return false;
    }
    return true;
}

void KomaFU::listTargets(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) const {
    if (promoted()) return goldStep(f, b, s, from, out);
    step(f, b, s, from, forwardOf(s), 0, out);
}

std::unique_ptr<Koma> makeKoma(PieceKind kind, Square square, Side side) {
    switch (kind) {
    case KING: return std::make_unique<KomaOU>(square, side);
    case ROOK: return std::make_unique<KomaHI>(square, side);
    case BISHOP: return std::make_unique<KomaKA>(square, side);
    case GOLD: return std::make_unique<KomaKI>(square, side);
    case SILVER: return std::make_unique<KomaGI>(square, side);
    case KNIGHT: return std::make_unique<KomaKE>(square, side);
    case LANCE: return std::make_unique<KomaKY>(square, side);
    case PAWN: return std::make_unique<KomaFU>(square, side);
    default: return nullptr;
    }
}
