#include "record/notation.h"

#include <array>
#include <utility>

#include "core/preview.h"

namespace kifu {

int countMovers(const ZnBan &game, PieceCode code, Square to, unsigned modifiers, const Koma *&found) {
    found = nullptr;
    if (to >= SQUARE_COUNT) return 0;
    const Side side = game.turn();
    // Rows and columns as the mover sees them: forward is up for sente, down for gote.
    const auto forwardOf = [&](const Koma *piece) {
        const int rows = rowOf(piece->square()) - rowOf(to);
        return side == SENTE ? rows : -rows;
    };
    const auto rightwardOf = [&](const Koma *piece) {
        return side == SENTE ? -columnOf(piece->square()) : columnOf(piece->square());
    };
    std::array<const Koma *, 40> movers{};
    int count = 0;
    for (const Koma *piece : game.piecesOnBoard(side)) {
        if (piece->code() != code || game.classifyMove(piece, to) == Illegal) continue;
        const int forward = forwardOf(piece);
        if ((modifiers & UP) && forward <= 0) continue;
        if ((modifiers & DOWN) && forward >= 0) continue;
        if ((modifiers & SIDEWAYS) && forward != 0) continue;
        if ((modifiers & STRAIGHT) && (forward <= 0 || columnOf(piece->square()) != columnOf(to))) continue;
        if (count < static_cast<int>(movers.size())) movers[static_cast<std::size_t>(count)] = piece;
        ++count;
    }
    if ((modifiers & (RIGHT | LEFT)) && count > 1 && count <= static_cast<int>(movers.size())) {
        int extreme = 0;
        for (int i = 0; i < count; ++i) {
            const int at = rightwardOf(movers[static_cast<std::size_t>(i)]);
            const int value = (modifiers & RIGHT) ? at : -at;
            if (i == 0 || value > extreme) extreme = value;
        }
        int kept = 0;
        for (int i = 0; i < count; ++i) {
            const Koma *piece = movers[static_cast<std::size_t>(i)];
            const int at = rightwardOf(piece);
            if (((modifiers & RIGHT) ? at : -at) == extreme) movers[static_cast<std::size_t>(kept++)] = piece;
        }
        count = kept;
    }
    if (count > 0) found = movers[0];
    return count;
}

}  // namespace kifu

namespace {

using kifu::countMovers;

// The modifier words in the order they are tried: one word, then a side and a direction.
const std::array<std::pair<unsigned, std::string_view>, 12> &modifierWords() {
    using namespace kifu;
    static const std::array<std::pair<unsigned, std::string_view>, 12> words = {{
        {UP, "上"},
        {DOWN, "引"},
        {SIDEWAYS, "寄"},
        {STRAIGHT, "直"},
        {RIGHT, "右"},
        {LEFT, "左"},
        {RIGHT | UP, "右上"},
        {RIGHT | DOWN, "右引"},
        {RIGHT | SIDEWAYS, "右寄"},
        {LEFT | UP, "左上"},
        {LEFT | DOWN, "左引"},
        {LEFT | SIDEWAYS, "左寄"},
    }};
    return words;
}

// KI2's text of a move; a reading's (`reading`) writes 打 on every drop and never an origin.
std::string ki2Text(const ZnBan &before, const MoveHistory &record, Square previousTo, bool reading) {
    const Koma *piece = record.piece;
    const PieceCode code = piece->code();
    const std::string_view name = kifPieceName(code);
    std::string text = before.turn() == SENTE ? "▲" : "△";
    if (record.from != IN_HAND && record.to == previousTo) {
        text += "同";
        if (name.size() == 3) text += "　";
    } else {
        text += squareName(record.to);
    }
    text += name;
    const Koma *found = nullptr;
    const int movers = countMovers(before, code, record.to, 0, found);
    if (record.from == IN_HAND) {
        // A drop needs 打 only where a piece on the board could make the same move.
        if (movers > 0 || reading) text += "打";
        return text;
    }
    std::string origin;
    if (movers > 1) {
        bool told = false;
        for (const auto &[modifiers, word] : modifierWords()) {
            if (countMovers(before, code, record.to, modifiers, found) == 1 && found == piece) {
                text += word;
                told = true;
                break;
            }
        }
        if (!told && !reading) {
            // No modifier tells the pieces apart: the origin does, as in KIF.
            origin += '(';
            origin += static_cast<char>('1' + columnOf(record.from));
            origin += static_cast<char>('1' + rowOf(record.from));
            origin += ')';
        }
    }
    if (record.promoted)
        text += "成";
    else if (before.classifyMove(piece, record.to) == PromotionOptional)
        text += "不成";
    text += origin;
    return text;
}

}  // namespace

std::string kifMoveText(const ZnBan &before, const MoveHistory &record, Square previousTo, bool sayDeclined) {
    const Koma *piece = record.piece;
    if (piece == nullptr) return "？";
    const std::string_view name = kifPieceName(piece->code());
    std::string text;
    if (record.from != IN_HAND && record.to == previousTo) {
        text = "同";
        // A one-character name is padded to the width of the two-character ones.
        if (name.size() == 3) text += "　";
    } else {
        text = squareName(record.to);
    }
    text += name;
    if (record.from == IN_HAND) return text + "打";
    if (record.promoted)
        text += "成";
    else if (sayDeclined && before.classifyMove(piece, record.to) == PromotionOptional)
        text += "不成";
    text += '(';
    text += static_cast<char>('1' + columnOf(record.from));
    text += static_cast<char>('1' + rowOf(record.from));
    text += ')';
    return text;
}

std::string moveNotation(const ZnBan &before, const MoveHistory &record, Square previousTo) {
    const bool sente = record.piece == nullptr || record.piece->side() == SENTE;
    return std::string(sente ? "▲" : "△") + kifMoveText(before, record, previousTo);
}

std::string ki2MoveText(const ZnBan &before, const MoveHistory &record, Square previousTo) {
    return ki2Text(before, record, previousTo, false);
}

std::string readingMoveText(const ZnBan &before, const Move &move, Square previousTo) {
    if (move.to >= SQUARE_COUNT || (move.from >= SQUARE_COUNT && move.from != IN_HAND)) return {};
    const MoveHistory record = recordOf(before, move);
    if (record.piece == nullptr) return {};
    return ki2Text(before, record, previousTo, true);
}

std::string readingText(const ZnBan &position, const std::vector<Move> &moves, std::size_t *played) {
    ZnBan scratch;
    copyPosition(position, scratch);
    std::string text;
    std::size_t count = 0;
    Square previousTo = IN_HAND;
    for (const Move &move : moves) {
        std::string name = readingMoveText(scratch, move, previousTo);
        if (name.empty() || !playMove(scratch, move).empty()) break;
        text += name;
        previousTo = move.to;
        ++count;
    }
    if (played != nullptr) *played = count;
    return text;
}
