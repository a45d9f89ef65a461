#pragma once
// JKF records, the JSON record format: headers, the start as a preset or a board, and the moves as
// an array in which every move may carry forks, each fork an array of moves of its own.

#include <string>
#include <string_view>

#include "core/znban.h"
#include "record/notes.h"
#include "record/record.h"

// Reads JKF text (UTF-8) into a fresh game holding the main line, with the whole tree, headers,
// comments and times in the notes; swapped into `game` and `notes` only when all of it was
// understood. On failure neither is touched and the reason names the JSON path.
RecordResult readJkf(ZnBan &game, RecordNotes &notes, std::string_view text);

// The whole record of `game` and `notes`, branches included, as JKF text (UTF-8; the head indented,
// each move element on a line of its own, forks inside it), in time and memory linear in the
// record; empty only when the record cannot be replayed.
std::string writeJkf(ZnBan &game, const RecordNotes &notes);

// writeJkf that stops soon after the text passes `limit` bytes, returning what it has, which the
// caller refuses by its size.
std::string writeJkfUpTo(ZnBan &game, const RecordNotes &notes, std::size_t limit);

// Whether JKF has a special for the KIF end word `word` ("投了" → TORYO).
bool jkfHoldsEndWord(std::string_view word);
