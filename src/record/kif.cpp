#include "record/kif.h"

#include <algorithm>
#include <array>

#include "record/kifu_text.h"
#include "record/notation.h"
#include "record/play.h"
#include "record/treegame.h"

namespace {

// The move column is padded so that the times line up, as the usual KIF writers do.
constexpr std::size_t MOVE_COLUMN_WIDTH = 13;

// Appends `value` in decimal, padded on the left with `pad` to at least `width` characters.
void appendNumber(std::string &text, long long value, int width, char pad) {
    std::array<char, 24> digits{};
    int count = 0;
    do {
        digits[static_cast<std::size_t>(count++)] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && count < static_cast<int>(digits.size()));
    for (int i = count; i < width; ++i) text += pad;
    while (count > 0) text += digits[static_cast<std::size_t>(--count)];
}

// "   1 ７六歩(77)   ( 0:16/00:00:16)": number, move, the move's time and the mover's total.
void appendMoveLine(std::string &text, std::size_t number, std::string_view move, long long ms,
                    long long totalMs, bool branched = false) {
    const long long seconds = wholeSecondsOf(ms), total = wholeSecondsOf(totalMs);
    appendNumber(text, static_cast<long long>(number), 4, ' ');
    text += ' ';
    text += move;
    const std::size_t width = kifu::displayWidth(move);
    text.append(width < MOVE_COLUMN_WIDTH ? MOVE_COLUMN_WIDTH - width : 1, ' ');
    text += '(';
    appendNumber(text, seconds / 60, 2, ' ');
    text += ':';
    appendNumber(text, seconds % 60, 2, '0');
    text += '/';
    appendNumber(text, total / 3600, 2, '0');
    text += ':';
    appendNumber(text, total / 60 % 60, 2, '0');
    text += ':';
    appendNumber(text, total % 60, 2, '0');
    text += ')';
    // "+" tells a reader that a branch for this move follows.
    if (branched) text += '+';
    text += kifu::LINE_END;
}

}  // namespace

RecordResult readKif(ZnBan &game, RecordNotes &notes, std::string_view text) {
    return kifu::readText(game, notes, text);
}

std::string writeKif(ZnBan &game, const RecordNotes &notes) {
    RecordTree single;
    const RecordTree &tree = treeOf(game, notes, single);
    ZnBan board;
    if (!buildStartOf(game, board).empty()) return {};
    std::string text;
    text.reserve(1024 + 48 * static_cast<std::size_t>(tree.size()));
    kifu::appendStart(text, board, notes);
    text += "手数----指手---------消費時間--";
    text += kifu::LINE_END;
    kifu::appendComments(text, tree.node(RecordTree::START).comments);
    const bool handicap = kifu::startsFromHandicap(board);

    const std::vector<long long> totals = runningTotals(tree);
    const auto totalOf = [&](int id) { return id >= 0 ? totals[static_cast<std::size_t>(id)] : 0LL; };
    // A variation follows a move that has later siblings, or an end word after them.
    const auto hasLaterSibling = [&](int id) {
        const int parent = tree.node(id).parent;
        return tree.node(parent).children.back() != id || tree.endsLast(parent);
    };
    LineVisitor visitor;
    visitor.branch = [&](int, int number) {
        text += kifu::LINE_END;
        text += "変化：" + std::to_string(number) + "手";
        text += kifu::LINE_END;
    };
    visitor.move = [&](const ZnBan &before, const MoveHistory &record, int id, int number) {
        const RecordNode &node = tree.node(id);
        const int parent = node.parent;
        const Square previousTo = parent == RecordTree::START ? IN_HAND : tree.node(parent).move.to;
        appendMoveLine(text, static_cast<std::size_t>(number), kifMoveText(before, record, previousTo, false),
                       std::max<long long>(0, node.ms), totalOf(id), hasLaterSibling(id));
        kifu::appendComments(text, node.comments);
    };
    // Only the main line, the first to end, closes with the sentence that names the winner.
    bool mainLineEnded = false;
    visitor.end = [&](const ZnBan &after, int id, int number) {
        const RecordNode &last = tree.node(id);
        if (kifu::isEndWord(last.endWord)) {
            // The end word's own time is the time the player to move spent before it.
            const long long ms = std::max<long long>(0, last.endMs);
            appendMoveLine(text, static_cast<std::size_t>(number) + 1, last.endWord, ms,
                           totalOf(last.parent) + ms, tree.endsFirst(id) && !last.children.empty());
            kifu::appendComments(text, last.endComments);
            if (!mainLineEnded) {
                text +=
                    kifu::endSentence(last.endWord, static_cast<std::size_t>(number), after.turn(), handicap);
                text += kifu::LINE_END;
            }
        } else {
            // With no word KIF knows, the comments still follow the last move.
            kifu::appendComments(text, last.endComments);
        }
        mainLineEnded = true;
    };
    if (!walkLines(board, tree, visitor)) return {};
    return text;
}
