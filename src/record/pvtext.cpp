#include "record/pvtext.h"

#include "core/preview.h"
#include "record/notation.h"
#include "record/treegame.h"

namespace {

// A reading names where a piece goes, not where it came from: "７六歩(77)" loses "(77)".
void dropOrigin(std::string &text) {
    if (text.size() >= 4 && text.back() == ')' && text[text.size() - 4] == '(') text.resize(text.size() - 4);
}

}  // namespace

std::string movesText(const ZnBan &position, const std::vector<MoveSpec> &moves, Square previousTo,
                      std::size_t *played) {
    ZnBan scratch;
    copyPosition(position, scratch);
    std::string text;
    std::size_t count = 0;
    for (const MoveSpec &move : moves) {
        // An engine's squares are checked before anything looks at them.
        if (move.to >= SQUARE_COUNT || (move.from >= SQUARE_COUNT && move.from != IN_HAND)) break;
        std::string name = moveNotation(scratch, recordOf(scratch, move), previousTo);
        if (!playMove(scratch, move).empty()) break;
        dropOrigin(name);
        text += name;
        previousTo = move.to;
        ++count;
    }
    if (played != nullptr) *played = count;
    return text;
}
