#pragma once
// SFEN positions and USI "position" lines.

#include <string>
#include <string_view>

#include "core/znban.h"
#include "record/notes.h"
#include "record/record.h"

// Reads a bare SFEN, "sfen <SFEN> [moves ...]", "startpos [moves ...]" or "position startpos|sfen
// ... [moves ...]" (the first non-empty line of `text`) into a fresh game, swapped into `game` only
// on success; `notes` is then emptied, since these forms carry none, but for the start's move
// number.
RecordResult readSfen(ZnBan &game, RecordNotes &notes, std::string_view text);

// The SFEN of the position the game shows now, its number being the move count plus the number
// of the first move.
std::string positionSfen(const ZnBan &game, int firstMoveNumber = 1);

// One line: the SFEN of the current position.
std::string writeSfen(ZnBan &game, int firstMoveNumber = 1);

// One line: "position startpos|sfen ... [moves ...]" holding the whole recorded line, whatever the
// cursor, the start numbered `firstMoveNumber`; empty only when the history cannot be replayed.
std::string writeUsi(ZnBan &game, int firstMoveNumber = 1);
