#include "core/move.h"

const char *refusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::None: return "";
        case Refusal::OffBoard: return "マス目が盤の外です";
        case Refusal::NoPiece: return "移動元に駒がありません";
        case Refusal::NotYourPiece: return "手番の側の駒ではありません";
        case Refusal::NotInHand: return "打つ駒を持っていません";
        case Refusal::CannotReach: return "その駒はそこへ動けません";
        case Refusal::CannotPromote: return "そこでは成れません";
        case Refusal::DeadEnd: return "行き所のない駒です";
        case Refusal::Occupied: return "駒のある所には打てません";
        case Refusal::TwoPawns: return "二歩です";
        case Refusal::PawnDropMate: return "打ち歩詰めです";
        case Refusal::LeavesCheck: return "王手を放置しています";
        case Refusal::IntoCheck: return "自玉が取られる手です";
    }
    return "";
}

namespace {

void appendSquare(std::string &out, Square square) {
    out += static_cast<char>('1' + columnOf(square));
    out += static_cast<char>('a' + rowOf(square));
}

}  // namespace

std::string usiMoveWord(const Move &move) {
    std::string word;
    if (move.from == IN_HAND) {
        word += move.dropKind < KIND_COUNT ? "KRBGSNLP"[move.dropKind] : '?';
        word += '*';
    } else {
        appendSquare(word, move.from);
    }
    appendSquare(word, move.to);
    if (move.promote) word += '+';
    return word;
}
