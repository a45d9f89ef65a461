#include "pieces/koma.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "core/glyphs.h"

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

const std::array<std::array<Ray, 9>, SQUARE_COUNT> rayTable = [] {
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

// The direction from one square to another when they share a line, else NO_LINE.
constexpr std::uint8_t NO_LINE = 0xFF;
const std::array<std::array<std::uint8_t, SQUARE_COUNT>, SQUARE_COUNT> lineDirection = [] {
    std::array<std::array<std::uint8_t, SQUARE_COUNT>, SQUARE_COUNT> table{};
    for (int from = 0; from < SQUARE_COUNT; ++from)
        for (int to = 0; to < SQUARE_COUNT; ++to) {
            const int rows = rowOf(to) - rowOf(from), columns = columnOf(to) - columnOf(from);
            const bool onLine = (rows | columns) != 0 &&
                                (rows == 0 || columns == 0 || rows == columns || rows == -columns);
            const int dy = (rows > 0) - (rows < 0), dx = (columns > 0) - (columns < 0);
            table[static_cast<std::size_t>(from)][static_cast<std::size_t>(to)] =
                onLine ? static_cast<std::uint8_t>(directionIndex(dy, dx)) : NO_LINE;
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

bool Koma::updateLineThrough(const Board &board, Square changed, SquareList &removed, SquareList &added) {
    if (square_ >= SQUARE_COUNT || changed >= SQUARE_COUNT) return false;
    const auto &directions = lineDirection[square_];
    const std::uint8_t direction = directions[changed];
    if (direction == NO_LINE || !rangesToward(direction / 3 - 1, direction % 3 - 1)) return false;
    // The line's squares stand together in the list, in walking order, nearest first.
    int first = 0;
    while (first < attacks_.size() && directions[attacks_[first]] != direction) ++first;
    int last = first;
    while (last < attacks_.size() && directions[attacks_[last]] == direction) ++last;
    const int distance = std::max(std::abs(rowOf(changed) - rowOf(square_)),
                                  std::abs(columnOf(changed) - columnOf(square_)));
    const int at = first + distance - 1;
    if (at >= last || attacks_[at] != changed) return true;  // the line stops short of the square
    // Up to the changed square the line is as it was; beyond it, it ends there if the square is
    // now occupied, or runs on over the board as it now stands.
    SquareList beyond;
    if (isEmptySquare(board, changed)) ray(acceptAll, board, side_, changed, direction / 3 - 1, direction % 3 - 1, beyond);
    for (int i = at + 1; i < last; ++i) removed.push_back(attacks_[i]);
    for (Square s : beyond) added.push_back(s);
    attacks_.replace(at + 1, last - at - 1, beyond);
    return true;
}

void Koma::squaresBetween(Square, SquareList &) const {}

const char *Koma::glyph() const { return kGlyphTable[code()]; }

int Koma::listAttacks(const Board &board, Side side, Square from, SquareList &out) const {
    listTargets(acceptAll, board, side, from, out);
    return out.size();
}

namespace {

// What a piece that does not range attacks depends on its code, side and square alone, so those
// answers are asked of the pieces once, on an empty board, and looked up on every move after.
using FixedReach = std::array<std::array<std::array<SquareList, SQUARE_COUNT>, 2>, CODE_COUNT>;

const FixedReach &fixedReach() {
    static const FixedReach table = [] {
        FixedReach reach{};
        const Board empty(SQUARE_COUNT, nullptr);
        for (int code = 0; code < CODE_COUNT; ++code)
            for (Side side : {SENTE, GOTE})
                for (int square = 0; square < SQUARE_COUNT; ++square) {
                    auto piece = makeKoma(static_cast<PieceKind>(code & 7), static_cast<Square>(square), side);
                    piece->promote(code >= PROMOTED_OFFSET);
                    if (!piece->isRanging())
                        piece->listAttacks(empty, side, static_cast<Square>(square),
                                           reach[static_cast<std::size_t>(code)][side][static_cast<std::size_t>(square)]);
                }
        return reach;
    }();
    return table;
}

}  // namespace

const SquareList &Koma::updateAttacks(const Board &board) {
    clearAttacks();
    if (!isRanging() && square_ < SQUARE_COUNT)
        attacks_ = fixedReach()[code()][side_ & 1][square_];
    else
        listAttacks(board, side_, square_, attacks_);
    return attacks_;
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

// ---- rook ----

bool KomaHI::rangesToward(int dy, int dx) const { return (dy == 0) != (dx == 0); }

bool KomaHI::patternAllows(Square from, Square to) const {
    return sameLine(from, to) || (promoted() && isNeighbour(from, to));
}

bool KomaHI::canMoveTo(const Board &board, Square from, Square to) const {
    if (!validSquare(to) || !notOwnPiece(board, side(), to)) return false;
    if (promoted() && isNeighbour(from, to)) return true;
    return sameLine(from, to) && lineIsClear(board, from, to);
}

void KomaHI::listTargets(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) const {
    if (promoted()) {
        upperDiagonalStep(f, b, s, from, out);
        lowerDiagonalStep(f, b, s, from, out);
    }
    ray(f, b, s, from, 0, -1, out);
    ray(f, b, s, from, 0, 1, out);
    ray(f, b, s, from, -1, 0, out);
    ray(f, b, s, from, 1, 0, out);
}

// ---- bishop ----

bool KomaKA::rangesToward(int dy, int dx) const { return dy != 0 && dx != 0; }

bool KomaKA::patternAllows(Square from, Square to) const {
    return sameDiagonal(from, to) || (promoted() && isNeighbour(from, to));
}

bool KomaKA::canMoveTo(const Board &board, Square from, Square to) const {
    if (!validSquare(to) || !notOwnPiece(board, side(), to)) return false;
    if (promoted() && isNeighbour(from, to)) return true;
    return sameDiagonal(from, to) && lineIsClear(board, from, to);
}

void KomaKA::listTargets(SquareFilter f, const Board &b, Side s, Square from, SquareList &out) const {
    if (promoted()) orthogonalStep(f, b, s, from, out);
    ray(f, b, s, from, -1, -1, out);
    ray(f, b, s, from, 1, 1, out);
    ray(f, b, s, from, -1, 1, out);
    ray(f, b, s, from, 1, -1, out);
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
