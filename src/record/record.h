#pragma once
// Game-record files (".ngr"): the first position in CSA-style "P+"/"P-" lines, the side to move
// and one 7-character line per move. Both operations report success or a reason.

#include <array>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "core/znban.h"

struct RecordResult {
    bool ok = false;
    // Why it failed, in Japanese (UTF-8), fit for the status bar; empty on success.
    std::string reason;
};

// Writes the game to `out` with CR LF line ends, walking the history in replay mode; the game is
// left exactly as it was. Fails when the stream reports an error after the last flush.
RecordResult saveRecord(ZnBan &game, std::ostream &out);

// Reads a whole record from `in` into a fresh game and swaps it into `game` only when the whole
// file was read successfully; on failure `game` is untouched. A move record the game refuses, or
// whose sign or piece code does not fit the position, fails the whole file with its line and word.
RecordResult loadRecord(ZnBan &game, std::istream &in);

// The two-letter piece codes of the record file, indexed by PieceCode.
inline constexpr std::array<std::string_view, CODE_COUNT> RecordCode = {
    "OU", "HI", "KA", "KI", "GI", "KE", "KY", "FU", "ou", "RY", "UM", "ki", "NG", "NK", "NY", "TO"};

// The PieceCode a file may name with `code` (exact, case matters); -1 for anything else,
// including the two codes no piece ever carries ("ou", "ki").
int pieceCodeOf(std::string_view code);

// The longest word a record file may hold.
inline constexpr std::size_t MAX_RECORD_WORD = 255;
