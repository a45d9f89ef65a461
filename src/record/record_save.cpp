// Writing a game as a record file: the position the history starts from, then every move.

#include <exception>

#include "record/play.h"
#include "record/record.h"

namespace {

constexpr std::string_view LINE_END = "\r\n";

void appendSquare(std::string &text, Square square) {
    if (square == IN_HAND) {
        text += "00";
        return;
    }
    text += static_cast<char>('1' + columnOf(square));
    text += static_cast<char>('1' + rowOf(square));
}

void appendPositionLine(std::string &text, char sign, const auto &pieces) {
    text += 'P';
    text += sign;
    for (const Koma *piece : pieces) {
        appendSquare(text, piece->square());
        text += RecordCode[piece->code()];
    }
    text += LINE_END;
}

// Only the promoting move itself carries a promoted code: the record's flag, not the piece's.
void appendMoveLine(std::string &text, Side mover, const MoveHistory &record) {
    text += mover == SENTE ? '+' : '-';
    appendSquare(text, record.from);
    appendSquare(text, record.to);
    text += RecordCode[record.piece->kind() + (record.promoted ? PROMOTED_OFFSET : 0)];
    text += LINE_END;
}

// Walks the whole line from its first position, wherever the cursor stands, and leaves the game
// there; false (and nothing written) when the game cannot be replayed, which a consistent game
// never causes.
bool replayInto(ZnBan &game, std::string &text) {
    return walkRecord(
        game,
        [&text](const ZnBan &start) {
            text += '\'';
            text += ' ';
            text += LINE_END;
            appendPositionLine(text, '+', start.piecesOnBoard(SENTE));
            appendPositionLine(text, '-', start.piecesOnBoard(GOTE));
            appendPositionLine(text, '+', start.hand(SENTE));
            appendPositionLine(text, '-', start.hand(GOTE));
            text += start.turn() == SENTE ? '+' : '-';
            text += LINE_END;
        },
        [&text](const ZnBan &before, std::size_t index) {
            appendMoveLine(text, before.turn(), before.history()[index]);
        });
}

}  // namespace

RecordResult saveRecord(ZnBan &game, std::ostream &out) {
    if (!out)
        return {false,
                "保存先のファイルを開けません（書き込みできない場所か、ファイル名が正しくありません）"};

    // The whole text is built before anything is written, so the game is restored before the
    // stream is touched and a failing stream cannot leave it half replayed.
    std::string text;
    text.reserve(256 + 9 * game.history().size());
    if (!replayInto(game, text))
        return {false, "棋譜を作れませんでした（指し手の記録が盤面と合っていません）"};

    bool written = false;
    try {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        written = static_cast<bool>(out);
    } catch (const std::exception &) {
        // A stream set to throw: its failure is reported like any other.
    }
    if (!written)
        return {false,
                "棋譜ファイルに書き込めませんでした（ディスクの空き容量や書き込み権限を確かめてください）"};
    return {true, {}};
}
