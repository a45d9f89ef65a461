#include "record/notation.h"

#include <array>

namespace {

constexpr std::array<std::string_view, CODE_COUNT> KIF_NAMES = {
    "玉", "飛", "角", "金", "銀", "桂", "香", "歩", "玉", "龍", "馬", "金", "成銀", "成桂", "成香", "と"};
constexpr std::array<std::string_view, 9> FILE_NAMES = {"１", "２", "３", "４", "５", "６", "７", "８", "９"};
constexpr std::array<std::string_view, 9> RANK_NAMES = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};

}  // namespace

std::string_view kifPieceName(PieceCode code) { return code < CODE_COUNT ? KIF_NAMES[code] : "？"; }

std::string squareName(Square square) {
    if (square >= SQUARE_COUNT) return "？？";
    std::string name(FILE_NAMES[static_cast<std::size_t>(columnOf(square))]);
    name += RANK_NAMES[static_cast<std::size_t>(rowOf(square))];
    return name;
}

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
