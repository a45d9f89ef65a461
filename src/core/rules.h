#pragma once
// The rules of shogi over the free board: legal moves, check, mate, repetition and the declaration.
// The free board enforces only piece movement, promotion and the drop rules; everything here is
// asked, never imposed, so the window stays a free board until a game is played by the rules.
// Every function reads the position the game shows (its first moveCount history records are the
// line that led there) and none changes it, but legalPerft, which makes and takes back moves.

#include <cstdint>
#include <string>
#include <vector>

#include "core/movegen.h"
#include "core/znban.h"

// Why the rules cannot judge the position at all, in Japanese; empty when they can. They need at
// most one king of each side and at least one in all, none in a hand, and the side not to move must
// not be in check. A side with no king (the attacker of a tsume) is never in check and its moves
// need no king's safety.
std::string rulesProblem(const ZnBan &game);

// Whether the king of `side` is attacked; false when that side has no king on the board.
bool kingInCheck(const ZnBan &game, Side side);

// Whether the side to move is in check.
bool inCheck(const ZnBan &game);

// Appends every move the rules allow the side to move: each legal move (both choices where
// promotion is optional) and each legal drop, one per kind in hand and square.
void legalMoves(const ZnBan &game, std::vector<Move> &out);

// The number of moves legalMoves would append, counted without listing them.
int countLegalMoves(const ZnBan &game);

// Whether the side to move has any legal move; stops at the first one found.
bool hasLegalMove(const ZnBan &game);

// Whether the rules allow `move` for the side to move, and if not, why: the free board's own
// refusal (ZnBan::refusal) first, then the king's safety and the pawn drop that mates.
Refusal checkMove(const ZnBan &game, const Move &move);

// Appends the legal moves of the side to move that check the other side's king: drops only where
// the piece attacks the king, board moves tested against the king's lines and the pieces that
// uncover a check, none made. Nothing when the other side has no king.
void checkingMoves(const ZnBan &game, std::vector<Move> &out);

// Whether the side to move has lost: in shogi a side with no legal move has lost, checked or not.
bool isMated(const ZnBan &game);

// The number of leaves of the legal-move tree `depth` plies deep (1 for depth 0). Makes and takes
// back moves on `game`, which ends as it began; the game must not be in replay mode.
std::uint64_t legalPerft(ZnBan &game, int depth);

// The outcome of the line when the position the game shows has occurred four times in it.
enum class Repetition : std::uint8_t {
    None,
    Draw,          // 千日手
    SenteChecked,  // sente gave check with every move since the first occurrence: sente loses
    GoteChecked,   // the same for gote
};

// How many times the position the game shows (board, both hands, side to move) has occurred in the
// line that led to it, this time included. Keys are matched first, then the positions themselves.
int occurrences(const ZnBan &game);

// The repetition verdict for the position the game shows.
Repetition repetition(const ZnBan &game);

// Sets `start` up as the position the line of the game began from, with no history: the first
// moveCount history records taken back from the position the game shows.
void lineStart(const ZnBan &game, ZnBan &start);

// The first move of the line the game shows that the rules refuse.
struct LineFoul {
    bool judged = true;  // false when the rules could not judge a position of the line (rulesProblem)
    int ply = -1;        // 0-based index of the refused move; -1 when every move judged is allowed
    Move move;
    Refusal refusal = Refusal::None;
};

// Plays the line the game shows again from its start under the rules and stops at the first move
// they refuse, or at the first position they cannot judge; nothing after it is judged.
LineFoul firstFoul(const ZnBan &game);

// The declaration rules (入玉宣言).
enum class DeclarationRule : std::uint8_t {
    Points27,  // sente needs 28 points, gote 27; less loses
    Points24,  // 31 points or more win, 24 to 30 draw, less loses
};

enum class Declaration : std::uint8_t { Lose, Draw, Win };

// The declaration points of `side`: 5 for each rook or bishop, promoted or not, and 1 for each
// other piece, counting its pieces in the enemy camp (not the king) and in its hand; gote, the giver
// in a handicap game, also counts every piece missing from the position, as ShogiHome does.
int declarationPoints(const ZnBan &game, Side side);

// How many of `side`'s pieces other than the king stand in the enemy camp.
int piecesInEnemyCamp(const ZnBan &game, Side side);

// The outcome if the side to move declared now: its king in the enemy camp, at least ten other of
// its pieces there, not in check, and enough points under `rule`.
Declaration judgeDeclaration(const ZnBan &game, DeclarationRule rule);

// Everything the rules say about the position the game shows, gathered once for a status line.
struct Judgement {
    std::string problem;  // rulesProblem; when not empty nothing below is judged
    bool check = false;
    bool mate = false;  // no legal move: the side to move has lost
    Repetition repetition = Repetition::None;
    bool declarationWin = false;  // the side to move would win by declaring under the 27-point rule
    int legalMoves = 0;
};

// Judges the position the game shows.
Judgement judge(const ZnBan &game);

// The status text for the position the game shows: "先手番です" or "後手番です", followed by
// "　王手" when that side is in check; "詰み　先手の勝ち" (or 後手), "千日手" or
// "連続王手の千日手　先手の負け" (or 後手) instead when one applies. A position the rules cannot
// judge gets the plain turn text.
std::string turnText(const ZnBan &game);
