#pragma once
// What KIF and KI2 share: their header lines, the 手合割 and board-diagram starts, comments,
// branches, end words, and moves named without their origin, which the game resolves.

#include <string>
#include <string_view>

#include "core/znban.h"
#include "record/notation.h"
#include "record/notes.h"
#include "record/record.h"

namespace kifu {

// Reads KIF or KI2 text (either kind of move line is accepted in both) into a fresh game and,
// only when all of it was understood, swaps it into `game` and the notes into `notes`.
RecordResult readText(ZnBan &game, RecordNotes &notes, std::string_view text);

// True for the words that end a KIF main line ("投了", "中断", ...).
bool isEndWord(std::string_view word);

// Appends the headers, with 手合割 taken from the start, and a board diagram when the start is
// neither the standard one nor a handicap.
void appendStart(std::string &text, const ZnBan &start, const RecordNotes &notes);

// Appends each comment line after "*", splitting any that hold a line break.
void appendComments(std::string &text, const std::vector<std::string> &comments);

// The closing sentence of a record for `word`, e.g. "まで19手で先手の勝ち"; a handicap game names
// its sides 下手 and 上手.
std::string endSentence(std::string_view word, std::size_t moves, Side toMove, bool handicap = false);

// True when the game starts from one of the named handicaps (平手 is none).
bool startsFromHandicap(const ZnBan &start);

// The display width of UTF-8 text: one column per ASCII character, two for any other.
std::size_t displayWidth(std::string_view text);

inline constexpr std::string_view LINE_END = "\r\n";

}  // namespace kifu
