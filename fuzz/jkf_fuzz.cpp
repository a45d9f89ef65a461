// Feeds arbitrary bytes to the JKF reader through the common entry point; what it accepts must
// write, read back and write the same bytes again, branches and all.

#include "format_fuzz.h"
#include "record/formats.h"
#include "record/jkf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    formatfuzz::check(
        input,
        [](ZnBan &game, RecordNotes &notes, std::string_view text) {
            return readRecordBytes(game, notes, text, "fuzz.jkf");
        },
        writeJkf, readJkf);
    return 0;
}
