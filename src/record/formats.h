#pragma once
// The one entry point for record files of every format: picking the format from the file name
// or the contents, decoding the bytes, reading them into a game, and writing a game back.

#include <string>
#include <string_view>

#include "core/znban.h"
#include "record/notes.h"
#include "record/record.h"

enum class RecordFormat { Unknown, Ngr, Kif, Ki2, Csa, Sfen, Usi, Jkf };

// The format a file name's extension stands for (.ngr .kif .kifu .ki2 .ki2u .csa .sfen .usi .jkf, in
// any case); Unknown for any other name.
RecordFormat formatOfFileName(std::string_view fileName);

// Whether a record is written in Shift-JIS under this name: the classic ".kif" and ".ki2" (any
// case) are; every other name is written in UTF-8.
bool shiftJisFileName(std::string_view fileName);

// The format of a record: by the file name's extension when it names one, else by the contents.
RecordFormat detectFormat(std::string_view bytes, std::string_view fileName = {});

// Decodes the bytes (a byte-order mark, a "#KIF ... encoding=" or "'CSA encoding=" line, the
// extension: .kif/.ki2 are Shift-JIS, .kifu/.ki2u UTF-8) and reads them into a fresh game in
// `format`, or the detected one when Unknown. On success swaps the game and the notes in; on
// failure touches neither and returns the reason.
RecordResult readRecordBytes(ZnBan &game, RecordNotes &notes, std::string_view bytes,
                             std::string_view fileName = {}, RecordFormat format = RecordFormat::Unknown);

// Whether `format` keeps the branches of a record.
bool holdsBranches(RecordFormat format);

// How many branches writing `notes` in `format` leaves out: all of them in a format of one line.
int branchesLeftOut(const RecordNotes &notes, RecordFormat format);

// Writes the whole record in `format`, branches included where the format holds them, else the main
// line (SFEN: the position the game shows); KIF and KI2 are encoded as Shift-JIS (CP932) when
// `shiftJis` is set (".kif", ".ki2"), else as UTF-8. On failure `bytes` is left as it was.
RecordResult writeRecordBytes(ZnBan &game, const RecordNotes &notes, RecordFormat format, std::string &bytes,
                              bool shiftJis = false);
