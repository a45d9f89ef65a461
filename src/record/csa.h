#pragma once
// CSA records: read versions 2.x and 3.0 (the first record of a file holding several), write
// version 2.2, or 3.0 declaring UTF-8 when the record holds more than ASCII. The text is UTF-8;
// decoding happens before the reader and encoding after the writer.

#include <string>
#include <string_view>

#include "core/movegen.h"
#include "core/znban.h"
#include "record/notes.h"
#include "record/record.h"

// Reads a CSA record into a fresh game and swaps it, with its notes, into `game` and `notes` only
// when the whole record was understood; otherwise both are untouched and the reason names the line.
RecordResult readCsa(ZnBan &game, RecordNotes &notes, std::string_view text);

// The whole line of `game` as a CSA record (LF line ends), whatever its cursor: version 2.2 when
// it is pure ASCII, else version 3.0 after "'CSA encoding=UTF-8"; empty only when the history
// cannot be replayed.
std::string writeCsa(ZnBan &game, const RecordNotes &notes);

// The CSA end word ("%TORYO") of a KIF end word ("投了"), for a game with `turn` to move; empty
// when CSA has none.
std::string csaEndWordOf(std::string_view kifEndWord, Side turn);

// The CSA key ("SITE") a KIF header ("場所") with `value` is written under; empty when no key holds it.
std::string_view csaKeyOf(std::string_view key, std::string_view value);

// Reads a CSA move word ("+7776FU", "-0034KA") against the position it is played in: where from,
// where to, a drop's kind, and a promotion when the code names the promoted piece. Empty on success,
// else the reason; whether the move is legal is not asked.
std::string readCsaMove(const ZnBan &game, std::string_view word, Move &move);

// The CSA word of `move` for the side to move ("+7776FU"); empty when no piece stands on its origin.
std::string csaMoveWord(const ZnBan &game, const Move &move);
