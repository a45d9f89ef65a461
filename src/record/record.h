#pragma once
// Game-record files (".ngr"): the first position in CSA-style "P+"/"P-" lines, the side to move
// and one 7-character line per move. Both operations report success or a reason.

#include <istream>
#include <ostream>
#include <string>

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
// file was read successfully; on failure `game` is untouched.
RecordResult loadRecord(ZnBan &game, std::istream &in);
