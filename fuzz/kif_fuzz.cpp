// Feeds arbitrary bytes to the KIF and KI2 readers through the common entry point, which decodes
// Shift-JIS or UTF-8 first; every input goes through both, each checked with its own writer. A tree
// either accepts is also written as JKF and must read back from it as the same game.

#include "format_fuzz.h"
#include "record/formats.h"
#include "record/jkf.h"
#include "record/ki2.h"
#include "record/kif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    formatfuzz::check(
        input,
        [](ZnBan &game, RecordNotes &notes, std::string_view text) {
            return readRecordBytes(game, notes, text, "fuzz.kif");
        },
        writeKif, readKif);
    formatfuzz::check(
        input,
        [](ZnBan &game, RecordNotes &notes, std::string_view text) {
            return readRecordBytes(game, notes, text, "fuzz.ki2");
        },
        writeKi2, readKi2);
    formatfuzz::check(
        input,
        [](ZnBan &game, RecordNotes &notes, std::string_view text) {
            return readRecordBytes(game, notes, text, "fuzz.kif");
        },
        writeJkf, readJkf);
    return 0;
}
