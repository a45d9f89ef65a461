#include "record/notation.h"

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
