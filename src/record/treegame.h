#pragma once
// The record tree meeting the game: one line of the tree played on a game, the tree made from a
// game's line, and the walk over every line that the writers of branching formats share.

#include <functional>
#include <string>
#include <vector>

#include "core/znban.h"
#include "record/notes.h"
#include "record/recordtree.h"

// The tree of the one line `game` holds, with the comments, times and end word of `notes`.
RecordTree treeOfLine(const ZnBan &game, const RecordNotes &notes);

// The tree a writer walks: the one `notes` carries, or, when that holds the start alone, the tree
// of the game's line, made in `single` (which must outlive the reference).
const RecordTree &treeOf(const ZnBan &game, const RecordNotes &notes, RecordTree &single);

// Each side's time so far after every node, by node index: the mover's total two moves back plus
// the node's own milliseconds (an unknown time counts as 0).
std::vector<long long> runningTotals(const RecordTree &tree);

// The whole seconds a format that holds no fraction writes for `ms`: the fraction is dropped, as a
// clock counts, so a move of 0.3 s is written as 0 and a total of 2.9 s as 2.
inline long long wholeSecondsOf(long long ms) { return ms / 1000; }

// Sets the line fields of `notes` (start comments, comments and times per move, end word) from the
// nodes of `line`, which runs from the start's first answer on.
void setLineNotes(const RecordTree &tree, const std::vector<int> &line, RecordNotes &notes);

// Builds `scratch`, a fresh game, at the position `game`'s history starts from; empty on success.
std::string buildStartOf(ZnBan &game, ZnBan &scratch);

// Plays the moves of `nodes` in order; empty on success, else the reason, with the moves before
// the refused one made.
std::string playNodes(ZnBan &game, const RecordTree &tree, const std::vector<int> &nodes);

// `game` replaced by the main line of `notes.tree` from the same start, with `notes` as the main
// line describes it; false when the tree cannot be played there.
bool mainLineOf(ZnBan &game, const RecordNotes &notes, ZnBan &main, RecordNotes &mainNotes);

// What a writer of branches is told while every line of the tree is played.
struct LineVisitor {
    // Before the first move of each line but the main one; `number` is that move's number.
    std::function<void(int node, int number)> branch = [](int, int) {};
    // Before each move is made, with the game standing just before it and the move it names.
    std::function<void(const ZnBan &before, const MoveHistory &record, int node, int number)> move =
        [](const ZnBan &, const MoveHistory &, int, int) {};
    // After the last move of each line, with the game standing after it.
    std::function<void(const ZnBan &after, int node, int number)> end = [](const ZnBan &, int, int) {};
};

// Plays every line of `tree` on `game`, a scratch game at the tree's start in normal play, in the
// order KIF writes them: the main line, then each branch, the latest fork first, every branch
// followed by its own. False when a move cannot be played.
bool walkLines(ZnBan &game, const RecordTree &tree, const LineVisitor &visitor);
