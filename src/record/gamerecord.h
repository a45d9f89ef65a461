#pragma once
// A game record with a cursor: the recorded main line stays whole while the position shown walks
// along it. The cursor is the game's move count; while it stands before the end of the line the
// game is in replay mode, so walking replays the recorded moves and never loses one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/znban.h"
#include "record/notes.h"
#include "record/play.h"

class GameRecord {
public:
    // Walks `game`, which must outlive the record; the cursor starts wherever the game stands.
    explicit GameRecord(ZnBan &game);
    GameRecord(const GameRecord &) = delete;
    GameRecord &operator=(const GameRecord &) = delete;

    ZnBan &game() { return game_; }
    const ZnBan &game() const { return game_; }
    RecordNotes &notes() { return notes_; }
    const RecordNotes &notes() const { return notes_; }

    // The number of moves applied: 0 at the starting position, length() at the end.
    int cursor() const { return game_.moveCount(); }
    // The number of moves of the recorded line.
    int length() const { return static_cast<int>(game_.history().size()); }
    bool atEnd() const { return cursor() >= length(); }
    // Changes whenever the recorded line or its notes change, never when only the cursor moves.
    std::uint64_t revision() const { return revision_; }

    // Moves the cursor to move `move` (0 = the start, length() = the end) by replaying; false,
    // with nothing changed, when there is no such move.
    bool goTo(int move);
    bool goToStart() { return goTo(0); }
    bool goBack() { return cursor() > 0 && goTo(cursor() - 1); }
    bool goForward() { return !atEnd() && goTo(cursor() + 1); }
    bool goToEnd() { return goTo(length()); }

    // Plays `move` at the cursor. The next recorded move only advances the cursor; any other move
    // replaces the rest of the line, notes included. Empty on success, else a Japanese reason with
    // nothing changed.
    std::string play(const MoveSpec &move);
    // Takes back the move before the cursor and discards everything after it (at the end of the
    // line this is the plain take-back); false, with nothing changed, at the start.
    bool takeBack();

    // After the game was replaced (a new game, a load): takes `notes` and puts the game in the
    // mode its cursor calls for.
    void reset(RecordNotes notes = {});

    // The move list: "開始局面", then "1 ▲７六歩(77)" for each move, then the end word after the
    // next move number when the record has one; one walk over the line, the cursor kept.
    std::vector<std::string> moveList();

private:
    // Replay mode exactly while the cursor stands before the end of the line.
    void settleMode();
    // Drops the moves after the cursor and their notes, and leaves replay mode.
    void cutLineAtCursor();

    ZnBan &game_;
    RecordNotes notes_;
    std::uint64_t revision_ = 0;
};
