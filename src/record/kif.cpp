#include "record/kif.h"

#include <algorithm>
#include <array>

#include "record/kifu_text.h"
#include "record/notation.h"
#include "record/play.h"

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
void appendMoveLine(std::string &text, std::size_t number, std::string_view move, int seconds,
                    long long total) {
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
    text += kifu::LINE_END;
}

}  // namespace

RecordResult readKif(ZnBan &game, RecordNotes &notes, std::string_view text) {
    return kifu::readText(game, notes, text);
}

std::string writeKif(ZnBan &game, const RecordNotes &notes) {
    std::string text;
    text.reserve(1024 + 48 * game.history().size());
    std::array<long long, 2> totals{};
    Square previousTo = IN_HAND;
    Side toMove = SENTE;
    bool handicap = false;
    const bool walked = walkRecord(
        game,
        [&](const ZnBan &start) {
            kifu::appendStart(text, start, notes);
            text += "手数----指手---------消費時間--";
            text += kifu::LINE_END;
            kifu::appendComments(text, notes.startComments);
            toMove = start.turn();
            handicap = kifu::startsFromHandicap(start);
        },
        [&](const ZnBan &before, std::size_t index) {
            const MoveHistory &record = before.history()[index];
            const int seconds = std::max(0, notes.secondsOf(index + 1));
            long long &total = totals[before.turn()];
            total += seconds;
            appendMoveLine(text, index + 1, kifMoveText(before, record, previousTo, false), seconds, total);
            kifu::appendComments(text, notes.commentsAfter(index + 1));
            previousTo = record.to;
            toMove = otherSide(before.turn());
        });
    if (!walked) return {};
    if (kifu::isEndWord(notes.endWord)) {
        // The end word's own time is the time the player to move spent before it.
        const int seconds = std::max(0, notes.endSeconds);
        appendMoveLine(text, game.history().size() + 1, notes.endWord, seconds, totals[toMove] + seconds);
        text += kifu::endSentence(notes.endWord, game.history().size(), toMove, handicap);
        text += kifu::LINE_END;
    }
    return text;
}
