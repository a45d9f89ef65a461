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

// The modifier words in the order they are tried: one word, then a side and a direction.
const std::array<std::pair<unsigned, std::string_view>, 12> &modifierWords() {
    using namespace kifu;
    static const std::array<std::pair<unsigned, std::string_view>, 12> words = {{
        {UP, "上"},
        {DOWN, "引"},
        {SIDEWAYS, "寄"},
        {STRAIGHT, "直"},
        {RIGHT, "右"},
        {LEFT, "左"},
        {RIGHT | UP, "右上"},
        {RIGHT | DOWN, "右引"},
        {RIGHT | SIDEWAYS, "右寄"},
        {LEFT | UP, "左上"},
        {LEFT | DOWN, "左引"},
        {LEFT | SIDEWAYS, "左寄"},
    }};
    return words;
}

// The move as KI2 writes it, for the game standing just before it.
std::string ki2MoveText(const ZnBan &before, const MoveHistory &record, Square previousTo) {
    const Koma *piece = record.piece;
    const PieceCode code = piece->code();
    const std::string_view name = kifPieceName(code);
    std::string text = before.turn() == SENTE ? "▲" : "△";
    if (record.from != IN_HAND && record.to == previousTo) {
        text += "同";
        if (name.size() == 3) text += "　";
    } else {
        text += squareName(record.to);
    }
    text += name;
    const Koma *found = nullptr;
    const int movers = kifu::countMovers(before, code, record.to, 0, found);
    if (record.from == IN_HAND) {
        // A drop needs 打 only where a piece on the board could make the same move.
        if (movers > 0) text += "打";
        return text;
    }
    std::string origin;
    if (movers > 1) {
        bool told = false;
        for (const auto &[modifiers, word] : modifierWords()) {
            if (kifu::countMovers(before, code, record.to, modifiers, found) == 1 && found == piece) {
                text += word;
                told = true;
                break;
            }
        }
        if (!told) {
            // No modifier tells the pieces apart: the origin does, as in KIF.
            origin += '(';
            origin += static_cast<char>('1' + columnOf(record.from));
            origin += static_cast<char>('1' + rowOf(record.from));
            origin += ')';
        }
    }
    if (record.promoted)
        text += "成";
    else if (before.classifyMove(piece, record.to) == PromotionOptional)
        text += "不成";
    text += origin;
    return text;
}

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
        const RecordNode &last = tree.node(id);
        if (kifu::isEndWord(last.endWord)) {
            text += kifu::endSentence(last.endWord, static_cast<std::size_t>(number), after.turn(), handicap);
            text += kifu::LINE_END;
        }
        kifu::appendComments(text, last.endComments);
    };
    if (!walkLines(board, tree, visitor)) return {};
    return text;
}
