#include "support/names.h"

#include <array>

namespace {

constexpr std::array<std::string_view, CODE_COUNT> KIF_NAMES = {
    "玉", "飛", "角", "金", "銀", "桂", "香", "歩", "玉", "龍", "馬", "金", "成銀", "成桂", "成香", "と"};
constexpr std::array<std::string_view, CODE_COUNT> SPOKEN_NAMES = {
    "玉", "飛車", "角", "金", "銀", "桂", "香", "歩", "玉", "龍", "馬", "金", "成銀", "成桂", "成香", "と金"};
constexpr std::array<std::string_view, 9> FILE_NAMES = {"１", "２", "３", "４", "５", "６", "７", "８", "９"};
constexpr std::array<std::string_view, 9> RANK_NAMES = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};

}  // namespace

std::string_view kifPieceName(PieceCode code) { return code < CODE_COUNT ? KIF_NAMES[code] : "？"; }

std::string_view spokenPieceName(PieceCode code) { return code < CODE_COUNT ? SPOKEN_NAMES[code] : "？"; }

std::string squareName(Square square) {
    if (square >= SQUARE_COUNT) return "？？";
    std::string name(FILE_NAMES[static_cast<std::size_t>(columnOf(square))]);
    name += RANK_NAMES[static_cast<std::size_t>(rowOf(square))];
    return name;
}
