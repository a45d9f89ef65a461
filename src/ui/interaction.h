#pragma once
// Mouse presses on the board and the stands turned into selections, moves and drops.

#include <QString>
#include <Qt>
#include <functional>

#include "core/znban.h"
#include "record/gamerecord.h"
#include "ui/boardview.h"
#include "ui/znflags.h"

// Asks whether an optional promotion is taken; the window shows the real modal box, tests answer.
class PromotionAsker {
public:
    virtual ~PromotionAsker() = default;
    // `pieceName` is the unpromoted one-character name; true means promote.
    virtual bool askPromotion(const QString &pieceName) = 0;
    // Asks `text` with はい and いいえ under `caption`; true means はい. An asker that expects no
    // such question answers いいえ, so that nothing is lost.
    virtual bool askQuestion(const QString & /*caption*/, const QString & /*text*/) { return false; }
};

// Pixel mappings of the board seen from `view`; divisions truncate toward zero.
int BoardColumnAt(int x, BoardView view = {});
int BoardRowAt(int y, BoardView view = {});
int SenteStandSlotAt(int y);
int GoteStandSlotAt(int y);

// A left press on the board at (x, y) (the caller clears the status text first); true when the
// display must be redrawn. Non-left buttons do nothing. With a `record` of `game`, moves and drops
// are made at its cursor, so that one made before the end of the line adds a branch and loses nothing.
// Why a press was refused (a piece that cannot reach the square) goes to `refusal`, empty otherwise.
bool BoardPress(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, Qt::MouseButton button, int x, int y,
                GameRecord *record = nullptr, BoardView view = {}, QString *refusal = nullptr);
// A left press on the board during a game by the rules: a move the piece can make goes to `play`,
// whose refusal (empty when the move stands) is left in `refusal` with the selection kept for a
// drop and ended for a move; true when the display or the status must change.
bool BoardPressInGame(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, int x, int y,
                      const std::function<QString(const Move &)> &play, QString &refusal,
                      BoardView view = {});
// A press with any button on the stand of `standSide` at height y; true when redraw is needed.
bool StandPress(ZnBan &game, ZnFlags &flags, Side standSide, int y, BoardView view = {});
