// Feeds arbitrary bytes to the CSA reader, directly and through the common entry point, which
// decodes the bytes first.

#include "format_fuzz.h"
#include "record/csa.h"
#include "record/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    formatfuzz::check(input, readCsa, writeCsa, readCsa);
    formatfuzz::check(
        input,
        [](ZnBan &game, RecordNotes &notes, std::string_view text) {
            return readRecordBytes(game, notes, text, "fuzz.csa");
        },
        writeCsa, readCsa);
    return 0;
}
