#include "kifu/showboard.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/rules.h"

namespace {

// One-character names, as a board diagram needs them, by PieceCode.
constexpr std::array<std::string_view, CODE_COUNT> DIAGRAM_NAMES = {
    "玉", "飛", "角", "金", "銀", "桂", "香", "歩", "玉", "龍", "馬", "金", "全", "圭", "杏", "と"};
constexpr std::array<std::string_view, 9> FILE_LABELS = {"９", "８", "７", "６", "５",
                                                         "４", "３", "２", "１"};
constexpr std::array<std::string_view, 9> RANK_LABELS = {"一", "二", "三", "四", "五",
                                                         "六", "七", "八", "九"};
constexpr std::array<std::string_view, 10> DIGITS = {"",   "一", "二", "三", "四",
                                                     "五", "六", "七", "八", "九"};
// The order a hand is listed in; a king appears only when play went on after one was taken.
constexpr std::array<PieceKind, 8> HAND_ORDER = {KING, ROOK, BISHOP, GOLD, SILVER, KNIGHT, LANCE, PAWN};

// A count as KIF writes it after a piece in hand: nothing for one, "二" .. "十八" otherwise.
std::string kanjiCount(int count) {
    if (count <= 1) return {};
    std::string text;
    if (count >= 10) {
        if (count >= 20) text += DIGITS[static_cast<std::size_t>(count / 10 % 10)];
        text += "十";
    }
    text += DIGITS[static_cast<std::size_t>(count % 10)];
    return text;
}

std::string handLine(const ZnBan &game, Side side) {
    std::array<int, KIND_COUNT> held{};
    for (const Koma *piece : game.hand(side)) ++held[piece->kind()];
    std::string line = side == SENTE ? "先手の持駒：" : "後手の持駒：";
    bool any = false;
    for (PieceKind kind : HAND_ORDER) {
        if (held[kind] == 0) continue;
        line += DIAGRAM_NAMES[kind];
        line += kanjiCount(held[kind]);
        line += "　";
        any = true;
    }
    if (!any) line += "なし";
    return line + '\n';
}

std::string fileHeader() {
    std::string line = " ";
    for (std::string_view label : FILE_LABELS) {
        line += ' ';
        line += label;
    }
    return line + '\n';
}

}  // namespace

std::string boardDiagram(const ZnBan &game) {
    std::string text = handLine(game, GOTE);
    text += fileHeader();
    text += "+---------------------------+\n";
    for (int row = 0; row < 9; ++row) {
        text += '|';
        for (int column = 8; column >= 0; --column) {
            const Koma *piece = game.pieceAt(static_cast<Square>(squareAt(row, column)));
            if (piece == nullptr) {
                text += " ・";
                continue;
            }
            text += piece->side() == SENTE ? ' ' : 'v';
            text += DIAGRAM_NAMES[piece->code()];
        }
        text += '|';
        text += RANK_LABELS[static_cast<std::size_t>(row)];
        text += '\n';
    }
    text += "+---------------------------+\n";
    text += handLine(game, SENTE);
    text += "手数＝" + std::to_string(game.moveCount()) + "\n";
    text += game.turn() == SENTE ? "先手番\n" : "後手番\n";
    return text;
}

std::string attackTable(const ZnBan &game, Side side) {
    std::string text = fileHeader();
    for (int row = 0; row < 9; ++row) {
        for (int column = 8; column >= 0; --column) {
            const int count = game.attackCount(side, static_cast<Square>(squareAt(row, column)));
            const std::string number = std::to_string(count);
            text.append(3 - std::min<std::size_t>(number.size(), 2), ' ');
            text += number;
        }
        text += ' ';
        text += RANK_LABELS[static_cast<std::size_t>(row)];
        text += '\n';
    }
    return text;
}

std::string rulesLine(const ZnBan &game, bool handicap) {
    const Judgement judgement = judge(game);
    if (!judgement.problem.empty()) return "局面: ルールで判定できません（" + judgement.problem + "）\n";
    auto sideName = [handicap](Side side) -> std::string {
        if (handicap) return side == SENTE ? "下手" : "上手";
        return side == SENTE ? "先手" : "後手";
    };
    std::vector<std::string> parts;
    if (judgement.check) parts.push_back("王手");
    if (judgement.mate) parts.push_back("詰み（" + sideName(otherSide(game.turn())) + "の勝ち）");
    if (judgement.repetition == Repetition::Draw) parts.push_back("千日手");
    if (judgement.repetition == Repetition::SenteChecked || judgement.repetition == Repetition::GoteChecked)
        parts.push_back("連続王手の千日手（" +
                        sideName(judgement.repetition == Repetition::SenteChecked ? SENTE : GOTE) +
                        "の負け）");
    if (judgement.declarationWin) parts.push_back("宣言勝ち");
    parts.push_back("合法手" + std::to_string(judgement.legalMoves));
    std::string line = "局面: ";
    for (std::size_t i = 0; i < parts.size(); ++i) line += (i > 0 ? "・" : "") + parts[i];
    return line + "\n";
}
