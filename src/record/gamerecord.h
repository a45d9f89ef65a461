#pragma once
// A game record with a cursor: the record is a tree of lines, and the game always holds the current
// path, from the start through the cursor and on along the chosen answers. The cursor is the game's
// move count; while it stands before the end of the path the game is in replay mode, so walking
// replays the recorded moves and never loses one. Switching to another branch walks back to the
// fork and forward along the other path through the game's own moves, so the attack maps stay exact.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/znban.h"
#include "record/notes.h"
#include "record/play.h"
#include "record/recordtree.h"

class GameRecord {
public:
    // Walks `game`, which must outlive the record; the cursor starts wherever the game stands.
    explicit GameRecord(ZnBan &game);
    GameRecord(const GameRecord &) = delete;
    GameRecord &operator=(const GameRecord &) = delete;

    ZnBan &game() { return game_; }
    const ZnBan &game() const { return game_; }
    // The headers and the main line's notes; the tree in them is the whole record.
    RecordNotes &notes() { return notes_; }
    const RecordNotes &notes() const { return notes_; }
    const RecordTree &tree() const { return notes_.tree; }

    // The number of moves applied: 0 at the starting position, length() at the end.
    int cursor() const { return game_.moveCount(); }
    // The number of moves of the current path, which the game's history holds.
    int length() const { return static_cast<int>(game_.history().size()); }
    bool atEnd() const { return cursor() >= length(); }
    // The tree node the cursor stands on, and the nodes of the current path from the start on.
    int cursorNode() const { return path_[static_cast<std::size_t>(cursor())]; }
    const std::vector<int> &path() const { return path_; }
    // Changes whenever the tree, the current path or the notes change, never when only the cursor
    // moves.
    std::uint64_t revision() const { return revision_; }

    // Moves the cursor to move `move` of the current path (0 = the start, length() = the end) by
    // replaying; false, with nothing changed, when there is no such move.
    bool goTo(int move);
    bool goToStart() { return goTo(0); }
    bool goBack() { return cursor() > 0 && goTo(cursor() - 1); }
    bool goForward() { return !atEnd() && goTo(cursor() + 1); }
    bool goToEnd() { return goTo(length()); }

    // Plays `move` at the cursor: an answer the tree holds is followed, any other is added as the
    // last answer and followed; nothing is deleted. Empty on success, else a Japanese reason with
    // nothing changed.
    std::string play(const Move &move);
    // Makes answer `index` at the cursor the one the current path follows; the cursor stays. False,
    // with nothing changed, when there is no such answer.
    bool choose(std::size_t index);
    // Chooses the answer `step` places before (negative) or after the chosen one.
    bool chooseNext(int step);
    // Makes the current path the main line: its node becomes the first answer at every fork on the
    // way. False when it already is.
    bool promoteToMainLine();
    // How many moves removeFromCursor would delete: the cursor's move and everything after it.
    int movesFromCursor() const;
    // Deletes the move at the cursor with every move after it, and steps back to the move before;
    // returns how many moves went (0 at the start, where nothing is deleted).
    int removeFromCursor();
    // At the end of the path, takes back and forgets the last move; earlier, only steps back like
    // goBack, deleting nothing. False, with nothing changed, at the start.
    bool takeBack();
    // Replaces the comment lines of the cursor's node (the start's before the first move).
    void setComments(std::vector<std::string> lines);
    // The comment lines of move `move` of the current path (0: those before the first move);
    // empty when there is no such move.
    const std::vector<std::string> &commentsOnPath(int move) const;
    // Replaces them; false, with nothing changed, when there is no such move.
    bool setCommentsOnPath(int move, std::vector<std::string> lines);
    // Sets how the current path ends ("投了", ...; empty for no end word).
    void setEndWord(std::string word);
    // The same with the milliseconds the end word took (-1: unknown).
    void setEndWord(std::string word, std::int64_t ms);
    // Sets the milliseconds the cursor's move took (-1: unknown).
    void setMs(std::int64_t ms);
    // The 手合割 name of the position the record starts from ("平手", "香落ち", ...); empty when it
    // is none of them.
    const std::string &handicapName() const { return handicapName_; }

    // After the game was replaced (a new game, a load): takes `notes`, whose tree when it holds
    // moves must have the game's history as its main line, and follows that line.
    void reset(RecordNotes notes = {});
    // Puts back `notes` taken from this record before an edit, the cursor on its node `node`: the
    // moves the game shares with them stay, the rest are played again.
    void restore(RecordNotes notes, int node);

    // The move list of the current path: "開始局面", then "1 ▲７六歩(77)" for each move, with "+"
    // after a move (or an end word chosen beside moves) that has other branches, then the end word
    // after the next move number when the line has one; one walk over the path, the cursor kept.
    std::vector<std::string> moveList();
    // The answers at the cursor as "▲７六歩(77)" (the main one first) and the index of the chosen.
    std::vector<std::string> alternatives() const;
    std::size_t chosenAlternative() const;
    // The moves that could stand where the cursor's move stands, that move among them (the main one
    // first), and the index of the one played; empty at the start. Steps back and forth through the
    // game to name them, the cursor kept.
    std::vector<std::string> alternativesOfMove();
    std::size_t chosenAlternativeOfMove() const;
    // Replaces the cursor's move by the alternative `index` (or the one `step` places away) and
    // follows its line; the cursor keeps its move number. False, with nothing changed, when there is
    // no such alternative.
    bool chooseAlternativeOfMove(std::size_t index);
    bool chooseNextAlternativeOfMove(int step);
    // The closing sentence of the current path, e.g. "まで94手で後手の勝ち"; empty when it has no
    // end word.
    std::string closingSentence() const;

private:
    // Replay mode exactly while the cursor stands before the end of the path.
    void settleMode();
    // Makes the game hold the path through `node` and on along its chosen answers, with the cursor
    // on `node`.
    void followPathThrough(int node);
    // The main line's notes follow the tree.
    void changed();

    ZnBan &game_;
    RecordNotes notes_;
    std::vector<int> path_{RecordTree::START};
    std::uint64_t revision_ = 0;
    std::string handicapName_;
};
