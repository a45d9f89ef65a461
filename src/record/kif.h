#pragma once
// KIF records: headers, the 手合割 or a board diagram, one numbered move per line with its origin
// and time, comments, branches and the end word.

#include <string>
#include <string_view>

#include "core/znban.h"
#include "record/notes.h"
#include "record/record.h"

// Reads KIF text (UTF-8) into a fresh game holding the main line; on success swaps it into `game`
// and the headers, comments, times, end word and the whole tree, branches included, into `notes`.
// On failure neither is touched and the reason names the line.
RecordResult readKif(ZnBan &game, RecordNotes &notes, std::string_view text);

// The whole record of `game` and `notes` as KIF text (UTF-8, CR LF line ends), the branches of the
// tree after the main line, whatever move the game stands at; empty only when a line cannot be
// replayed.
std::string writeKif(ZnBan &game, const RecordNotes &notes);
