#pragma once
// KI2 records: the KIF headers and start, then the moves with side marks and without origins,
// told apart by 右, 左, 上, 引, 寄 and 直 where several pieces could make them.

#include <string>
#include <string_view>

#include "core/znban.h"
#include "record/notes.h"
#include "record/record.h"

// Reads KI2 text (UTF-8) into a fresh game, asking the game which piece each move names; on
// success swaps it into `game` and the notes into `notes`, on failure touches neither.
RecordResult readKi2(ZnBan &game, RecordNotes &notes, std::string_view text);

// The whole record of `game` and `notes` as KI2 text (UTF-8, CR LF line ends), the branches of the
// tree after the main line, each move in its shortest unambiguous form; empty only when a line
// cannot be replayed.
std::string writeKi2(ZnBan &game, const RecordNotes &notes);
