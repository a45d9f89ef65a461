#include "record/ki2.h"

#include <array>
#include <utility>

#include "record/kifu_text.h"
#include "record/notation.h"
#include "record/play.h"
#include "record/treegame.h"

namespace {

// Moves on one line, and the column width each is padded to.
constexpr int MOVES_PER_LINE = 6;
constexpr std::size_t MOVE_WIDTH = 12;

void flushLine(std::string &text, std::string &line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.empty()) return;
    text += line;
    text += kifu::LINE_END;
    line.clear();
}

}  // namespace

RecordResult readKi2(ZnBan &game, RecordNotes &notes, std::string_view text) {
    return kifu::readText(game, notes, text);
}

std::string writeKi2(ZnBan &game, const RecordNotes &notes) {
    RecordTree single;
    const RecordTree &tree = treeOf(game, notes, single);
    ZnBan board;
    if (!buildStartOf(game, board).empty()) return {};
    std::string text;
    text.reserve(1024 + 16 * static_cast<std::size_t>(tree.size()));
    kifu::appendStart(text, board, notes);
    kifu::appendComments(text, tree.node(RecordTree::START).comments);
    const bool handicap = kifu::startsFromHandicap(board);
    std::string line;
    int onLine = 0;
    LineVisitor visitor;
    visitor.branch = [&](int, int number) {
        flushLine(text, line);
        onLine = 0;
        text += kifu::LINE_END;
        text += "変化：" + std::to_string(number) + "手";
        text += kifu::LINE_END;
    };
    visitor.move = [&](const ZnBan &before, const MoveHistory &record, int id, int) {
        const RecordNode &node = tree.node(id);
        const Square previousTo = node.parent == RecordTree::START ? IN_HAND : tree.node(node.parent).move.to;
        const std::string move = ki2MoveText(before, record, previousTo);
        line += move;
        const std::size_t width = kifu::displayWidth(move);
        if (width < MOVE_WIDTH) line.append(MOVE_WIDTH - width, ' ');
        if (++onLine == MOVES_PER_LINE || !node.comments.empty()) {
            flushLine(text, line);
            onLine = 0;
        }
        kifu::appendComments(text, node.comments);
    };
    visitor.end = [&](const ZnBan &after, int id, int number) {
        flushLine(text, line);
        onLine = 0;
        const std::string &word = tree.node(id).endWord;
        if (kifu::isEndWord(word)) {
            text += kifu::endSentence(word, static_cast<std::size_t>(number), after.turn(), handicap);
            text += kifu::LINE_END;
        }
    };
    if (!walkLines(board, tree, visitor)) return {};
    return text;
}
