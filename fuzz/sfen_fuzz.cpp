// Feeds arbitrary bytes to the SFEN/USI reader. A USI line written from what it read must read back
// as the same game, and the SFEN of the final position as the same position.

#include "format_fuzz.h"
#include "record/position.h"
#include "record/sfen.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    formatfuzz::check(
        input, readSfen, [](ZnBan &game, const RecordNotes &) { return writeUsi(game); }, readSfen);

    ZnBan game;
    RecordNotes notes;
    if (!readSfen(game, notes, input).ok) return 0;
    // A king taken in play may stand in a hand, which no SFEN start may hold.
    for (Side side : {SENTE, GOTE})
        for (const Koma *piece : game.hand(side))
            if (piece->kind() == KING) return 0;
    const std::string sfen = writeSfen(game);
    ZnBan again;
    const RecordResult reread = readSfen(again, notes, sfen);
    if (!reread.ok) formatfuzz::fail("written SFEN refused", reread.reason + "\n" + sfen);
    if (!(positionOf(again) == positionOf(game)))
        formatfuzz::fail("written SFEN reads as another position", sfen);
    return 0;
}
