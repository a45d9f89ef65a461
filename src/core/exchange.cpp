#include "core/exchange.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace {

// By piece code: king, rook, bishop, gold, silver, knight, lance, pawn, then the promoted codes.
// A king is worth more than every other piece together, so no side ever gives it for material.
constexpr std::array<int, CODE_COUNT> kValues = {1000, 10, 8, 6, 5, 4, 3, 1, 1000, 10, 8, 6, 6, 6, 6, 6};

int sign(int value) { return (value > 0) - (value < 0); }

// The attackers still waiting to capture on the square, for each side.
class Attackers {
public:
    Attackers(const ZnBan &game, Square square) : game_(game), square_(square) {
        for (Side side : {SENTE, GOTE})
            for (const Koma *piece : game.attackers(side, square)) add(piece);
    }

    // Takes the least valuable attacker of `side` out of the list, or null when it has none; the
    // ranging piece behind it on its line, if any, joins its side's list.
    const Koma *takeCheapest(Side side) {
        std::vector<const Koma *> &list = waiting_[side];
        if (list.empty()) return nullptr;
        std::size_t best = 0;
        for (std::size_t i = 1; i < list.size(); ++i)
            if (exchangeValue(list[i]->code()) < exchangeValue(list[best]->code())) best = i;
        const Koma *piece = list[best];
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(best));
        addPieceBehind(piece->square());
        return piece;
    }

private:
    void add(const Koma *piece) {
        const std::uint64_t bit = std::uint64_t{1} << piece->slot();
        if (seen_ & bit) return;
        seen_ |= bit;
        waiting_[piece->side()].push_back(piece);
    }

    // The squares between an attacker and the target are empty, or it would not attack; once it
    // has left, the first piece beyond it on the same line reaches the target if it ranges that way.
    void addPieceBehind(Square vacated) {
        const int rowStep = rowOf(vacated) - rowOf(square_),
                  columnStep = columnOf(vacated) - columnOf(square_);
        if (rowStep != 0 && columnStep != 0 && std::abs(rowStep) != std::abs(columnStep)) return;
        const int dy = sign(rowStep), dx = sign(columnStep);
        int row = rowOf(vacated) + dy, column = columnOf(vacated) + dx;
        for (; onBoard(row, column); row += dy, column += dx) {
            const Koma *piece = game_.pieceAt(static_cast<Square>(squareAt(row, column)));
            if (piece == nullptr) continue;
            if (piece->rangesToward(-dy, -dx)) add(piece);
            return;
        }
    }

    const ZnBan &game_;
    Square square_;
    std::array<std::vector<const Koma *>, 2> waiting_;
    std::uint64_t seen_ = 0;
};

}  // namespace

int exchangeValue(PieceCode code) { return code < CODE_COUNT ? kValues[code] : 0; }

int staticExchange(const ZnBan &game, Square square) {
    if (square >= SQUARE_COUNT) return 0;
    const Koma *victim = game.pieceAt(square);
    if (victim == nullptr) return 0;
    Attackers attackers(game, square);
    // gain[d]: what the side making capture d + 1 has won so far if the other side then
    // recaptures; the backward pass lets each side stop where going on would cost it.
    std::vector<int> gain{exchangeValue(victim->code())};
    Side side = otherSide(victim->side());
    const Koma *capturer = attackers.takeCheapest(side);
    if (capturer == nullptr) return 0;
    for (;;) {
        gain.push_back(exchangeValue(capturer->code()) - gain.back());
        side = otherSide(side);
        capturer = attackers.takeCheapest(side);
        if (capturer == nullptr) break;
    }
    // The last entry assumed a recapture that no piece can make.
    gain.pop_back();
    for (std::size_t d = gain.size() - 1; d > 0; --d) gain[d - 1] = std::min(gain[d - 1], -gain[d]);
    return gain[0];
}

bool losesExchange(const ZnBan &game, Square square) { return staticExchange(game, square) > 0; }
