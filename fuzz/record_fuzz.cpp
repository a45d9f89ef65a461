// Feeds arbitrary bytes to the record reader. A file it accepts must give a consistent game that
// saves, reads back and saves to the same bytes; a file it refuses must leave the game untouched
// and say why in valid UTF-8. Any other outcome aborts, which libFuzzer reports as a crash.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/testing.h"
#include "record/gamerecord.h"
#include "record/record.h"
#include "support/report.h"
#include "support/text.h"

namespace {

[[noreturn]] void fail(const char *what, const std::string &detail) {
    std::fprintf(stderr, "record_fuzz: %s: %s\n", what, detail.c_str());
    std::abort();
}

// A bad square reaching the board is a reader fault, never a consequence of the input.
void abortOnReport(const char *title, const char *text) { fail(text, title); }

// What a refused file must leave alone: position, attack maps, history and the pieces of every
// list. With `inOrder` the order within each list is compared too; without it only membership, since
// a save's replay may reorder lists (captured pieces go back to the end of their list) without
// changing anything a player can see.
struct Snapshot {
    std::string key;
    std::vector<int> counts;
    std::vector<Koma *> pieces;
    std::vector<std::vector<const Koma *>> lists;
    std::vector<std::uint64_t> history;

    Snapshot(const ZnBan &game, bool inOrder)
        : key(positionKey(game)), counts(attackCounts(game)), pieces(game.allPieces()) {
        for (Side side : {SENTE, GOTE}) {
            lists.emplace_back(game.piecesOnBoard(side).begin(), game.piecesOnBoard(side).end());
            lists.emplace_back(game.hand(side).begin(), game.hand(side).end());
            lists.push_back({game.king(side)});
        }
        if (!inOrder)
            for (auto &list : lists) std::sort(list.begin(), list.end());
        for (const MoveHistory &record : game.history())
            history.push_back(record.from | record.to << 8 | std::uint64_t{record.promoted} << 16 |
                              std::uint64_t{record.piece->slot()} << 24);
    }
    bool operator==(const Snapshot &) const = default;
};

std::string save(ZnBan &game) {
    std::ostringstream out;
    const RecordResult result = saveRecord(game, out);
    if (!result.ok) fail("save failed", result.reason);
    return out.str();
}

RecordResult load(ZnBan &game, const std::string &text) {
    std::istringstream in(text);
    return loadRecord(game, in);
}

// A game in progress with a capture, a promotion and a drop behind it.
void playOpening(ZnBan &game) {
    const bool played = game.play({60, 51, false}) && game.play({20, 29, false}) &&
                        game.play({70, 10, true}) && game.play({2, 10, false}) &&
                        applyMove(game, Move{IN_HAND, 40, false, BISHOP});
    if (!played) fail("opening refused", positionKey(game));
}

// The game files are loaded into. Building a game is the dearest part of a run, so one game
// serves every refused file (each refusal is checked to leave it exactly as it was) and is only
// rebuilt after a file has replaced it.
std::unique_ptr<ZnBan> current;
std::unique_ptr<Snapshot> currentState;

void rebuildCurrentGame() {
    currentState.reset();
    current = std::make_unique<ZnBan>();
    playOpening(*current);
    currentState = std::make_unique<Snapshot>(*current, true);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    setReportHook(abortOnReport);
    rebuildCurrentGame();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    ZnBan &game = *current;

    const RecordResult result = load(game, text);
    if (!result.ok) {
        if (result.reason.empty() || !isUtf8(result.reason))
            fail("refusal without a readable reason", result.reason);
        if (!(Snapshot(game, true) == *currentState))
            fail("refused file changed the game", positionKey(game));
        return 0;
    }
    if (!result.reason.empty()) fail("success with a reason", result.reason);
    if (const std::string problem = findInconsistency(game); !problem.empty())
        fail("loaded game inconsistent", problem);

    const Snapshot loaded(game, false);
    const std::string first = save(game);
    if (!(Snapshot(game, false) == loaded)) fail("saving changed the game", positionKey(game));
    ZnBan again;
    const RecordResult reread = load(again, first);
    if (!reread.ok) fail("saved file refused", reread.reason + "\n" + first);
    if (positionKey(again) != positionKey(game) || attackCounts(again) != attackCounts(game))
        fail("saved file reads as another game", first);
    if (save(again) != first) fail("second save differs", first);

    // Walked to its middle, the read-back game still saves the whole line, and walks back whole.
    GameRecord walked(again);
    if (!walked.goTo(walked.length() / 2)) fail("walk to the middle refused", first);
    if (const std::string problem = findInconsistency(again); !problem.empty())
        fail("game in the middle inconsistent", problem);
    if (save(again) != first) fail("save in the middle differs", first);
    if (!walked.goToEnd() || positionKey(again) != positionKey(game)) fail("walk to the end differs", first);

    // The loaded game can be taken back to its first position.
    while (game.moveCount() > 0)
        if (!game.undoMove()) fail("undo refused", positionKey(game));
    if (const std::string problem = findInconsistency(game); !problem.empty())
        fail("undone game broken", problem);
    rebuildCurrentGame();
    return 0;
}
