// Reading a record file into a fresh game, which replaces the current one only when every word
// of the file has been read and understood.

#include <array>
#include <exception>

#include "record/play.h"
#include "record/record.h"

namespace {

// One white-space separated word and where it starts.
struct Word {
    std::string text;
    int line = 0;
    bool printable = true;  // every byte is printable ASCII
    bool tooLong = false;   // the word goes on past MAX_RECORD_WORD; text holds only its start
};

bool isWhiteSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool isPrintable(int c) { return c > ' ' && c < 0x7F; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Splits the stream into words, counting lines (CR LF, LF and a lone CR each end one line).
class WordReader {
public:
    explicit WordReader(std::streambuf &source) : source_(source) {}

    // The next word; false at the end of the text. A word that is too long is cut short.
    bool next(Word &word) {
        if (atStart_) skipByteOrderMark();
        int c = get();
        while (c >= 0 && isWhiteSpace(c)) {
            countLine(c);
            c = get();
        }
        if (c < 0) return false;
        countLine(c);
        word.text.clear();
        word.line = line_;
        word.printable = true;
        word.tooLong = false;
        while (c >= 0 && !isWhiteSpace(c)) {
            if (word.text.size() == MAX_RECORD_WORD) {
                word.tooLong = true;
                return true;
            }
            word.text += static_cast<char>(c);
            word.printable = word.printable && isPrintable(c);
            c = get();
        }
        if (c >= 0) countLine(c);
        return true;
    }

private:
    // Other programs may begin a text with a UTF-8 byte-order mark; no record word begins with one.
    void skipByteOrderMark() {
        atStart_ = false;
        filled_ = static_cast<std::size_t>(source_.sgetn(buffer_.data(), buffer_.size()));
        position_ = 0;
        if (filled_ >= 3 && buffer_[0] == '\xEF' && buffer_[1] == '\xBB' && buffer_[2] == '\xBF')
            position_ = 3;
    }

    int get() {
        if (position_ == filled_) {
            filled_ = static_cast<std::size_t>(source_.sgetn(buffer_.data(), buffer_.size()));
            position_ = 0;
            if (filled_ == 0) return -1;
        }
        return static_cast<unsigned char>(buffer_[position_++]);
    }

    void countLine(int c) {
        if (c == '\r' || (c == '\n' && !afterCarriageReturn_)) ++line_;
        afterCarriageReturn_ = c == '\r';
    }

    std::streambuf &source_;
    std::array<char, 4096> buffer_{};
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    int line_ = 1;
    bool afterCarriageReturn_ = false;
    bool atStart_ = true;
};

// A square written as file and rank digits: "00" is the hand, "11" to "99" the board.
struct SquareText {
    bool digits = false;  // both characters are digits
    bool valid = false;   // and they name the hand or a board square
    Square square = IN_HAND;
};

SquareText readSquare(char file, char rank) {
    if (!isDigit(file) || !isDigit(rank)) return {};
    const int column = file - '1';
    const int row = rank - '1';
    if (column < 0 && row < 0) return {true, true, IN_HAND};
    if (column < 0 || row < 0) return {true, false, IN_HAND};
    return {true, true, static_cast<Square>(squareAt(row, column))};
}

// The word as it may be shown in the status bar: printable ASCII only, and not too long.
std::string shown(const std::string &text) {
    constexpr std::size_t SHOWN = 20;
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < SHOWN; ++i)
        out += isPrintable(static_cast<unsigned char>(text[i])) ? text[i] : '?';
    if (text.size() > SHOWN) out += "…";
    return out;
}

RecordResult ok() { return {true, {}}; }

RecordResult rejected(const Word &word, const std::string &problem) {
    return {false, std::to_string(word.line) + "行目の語「" + shown(word.text) + "」: " + problem};
}

RecordResult rejectedGroup(const Word &word, std::string_view group, const std::string &problem) {
    return rejected(word, "「" + std::string(group) + "」" + problem);
}

// The checks every word after the comments must pass before its shape is looked at.
RecordResult checkWord(const Word &word) {
    if (word.tooLong)
        return {false, std::to_string(word.line) + "行目: " + std::to_string(MAX_RECORD_WORD) +
                           "文字を超える語があります"};
    if (!word.printable)
        return rejected(word, "使えない文字が含まれています（半角の英数字と記号だけが使えます）");
    return ok();
}

// One "P+" or "P-" word: each 4-character group puts one piece of the set on its square or in hand.
RecordResult readPositionWord(ZnBan &game, KomaFukuro &set, const Word &word) {
    if (RecordResult checked = checkWord(word); !checked.ok) return checked;
    const std::string &text = word.text;
    if (text.size() < 2 || (text[1] != '+' && text[1] != '-'))
        return rejected(word, "局面の行は「P+」か「P-」で始まらなければなりません");
    if ((text.size() - 2) % 4 != 0)
        return rejected(word, "駒の記述は4文字ずつ（筋・段の数字2文字と駒の記号2文字）でなければなりません");
    const Side side = text[1] == '+' ? SENTE : GOTE;
    for (std::size_t at = 2; at < text.size(); at += 4) {
        const std::string_view group = std::string_view(text).substr(at, 4);
        const SquareText place = readSquare(group[0], group[1]);
        if (!place.digits) return rejectedGroup(word, group, "の筋・段が数字ではありません");
        if (!place.valid) return rejectedGroup(word, group, "のマス目が不正です（盤上は11〜99、持ち駒は00）");
        const int code = pieceCodeOf(group.substr(2));
        if (code < 0) return rejectedGroup(word, group, "の駒の記号が不正です");
        if (place.square == IN_HAND && isPromotedCode(static_cast<PieceCode>(code)))
            return rejectedGroup(word, group, ": 成駒は持ち駒にできません");
        if (place.square != IN_HAND && game.isOccupied(place.square))
            return rejectedGroup(word, group, ": そのマスには既に駒があります");
        // Entries beyond what the set holds of a kind place nothing: stored files rely on that.
        game.placePieces(set.takePiece(static_cast<PieceCode>(code), place.square, side));
    }
    return ok();
}

// Reads up to and including the fourth position word, skipping the comment words around them.
RecordResult readPosition(ZnBan &game, WordReader &words) {
    KomaFukuro set;
    Word word;
    int positions = 0;
    bool anyWord = false;
    while (positions < 4) {
        if (!words.next(word)) {
            if (!anyWord) return {false, "ファイルが空です（棋譜ファイルではありません）"};
            if (positions == 0) return {false, "局面の行（P+/P-）がありません（棋譜ファイルではありません）"};
            return {false, "局面の行（P+/P-）が" + std::to_string(positions) +
                               "行しかありません（4行必要です。ファイルが途中で切れています）"};
        }
        anyWord = true;
        if (word.tooLong) return checkWord(word);
        // Comment words may hold any text; a word is a position word when it begins with "P".
        if (word.text[0] != 'P') continue;
        if (RecordResult read = readPositionWord(game, set, word); !read.ok) return read;
        ++positions;
    }
    return ok();
}

// The side to move in the first position: exactly "+" or "-".
RecordResult readTurn(ZnBan &game, const Word &word) {
    if (RecordResult checked = checkWord(word); !checked.ok) return checked;
    if (word.text == "+" || word.text == "-") {
        game.setTurn(word.text == "+" ? SENTE : GOTE);
        return ok();
    }
    if (word.text[0] == '\'') return rejected(word, "コメントは局面の行より前にしか書けません");
    return rejected(word, "手番は「+」（先手）か「-」（後手）でなければなりません");
}

// Plays `move`, or names the rule that refuses it.
RecordResult played(ZnBan &game, const Word &word, const Move &move) {
    if (const Refusal refused = game.refusal(move); refused != Refusal::None)
        return rejected(word, refusalText(refused));
    return game.play(move) ? ok() : rejected(word, refusalText(Refusal::CannotReach));
}

// A drop record: the first piece of the named kind in the hand of the side to move.
RecordResult readDrop(ZnBan &game, const Word &word, PieceCode code, Square to) {
    if (isPromotedCode(code)) return rejected(word, "駒を打つ手に成駒の記号は使えません");
    return played(game, word, {IN_HAND, to, false, baseKindOf(code)});
}

// A board move: the code names the mover's kind, plain or (when it promotes now or already has)
// promoted, and the rules must accept the move.
RecordResult readBoardMove(ZnBan &game, const Word &word, PieceCode code, Square from, Square to) {
    const Koma *piece = game.pieceAt(from);
    if (piece != nullptr && game.isTurnPiece(piece) && baseKindOf(code) != piece->kind())
        return rejected(word, "駒の記号が移動元の駒と合いません");
    const bool promote = isPromotedCode(code) && (piece == nullptr || !piece->promoted());
    return played(game, word, {from, to, promote});
}

// One move record, played for the side to move. A file the program wrote never holds a record
// the game refuses, so such a record is a damaged file: skipping it would read another game.
RecordResult readMove(ZnBan &game, const Word &word) {
    if (RecordResult checked = checkWord(word); !checked.ok) return checked;
    const std::string &text = word.text;
    if (text[0] == '\'') return rejected(word, "コメントは局面の行より前にしか書けません");
    if (text.size() != 7) return rejected(word, "指し手は7文字（例: +7776FU）でなければなりません");
    if (text[0] != '+' && text[0] != '-')
        return rejected(word, "指し手は「+」か「-」で始まらなければなりません");
    const SquareText from = readSquare(text[1], text[2]);
    const SquareText to = readSquare(text[3], text[4]);
    if (!from.digits || !to.digits) return rejected(word, "指し手の筋・段が数字ではありません");
    if (!from.valid || !to.valid || to.square == IN_HAND)
        return rejected(word, "指し手のマス目が不正です（移動元は11〜99か駒打ちの00、移動先は11〜99）");
    const int code = pieceCodeOf(std::string_view(text).substr(5, 2));
    if (code < 0) return rejected(word, "指し手の駒の記号が不正です");
    if ((text[0] == '+' ? SENTE : GOTE) != game.turn())
        return rejected(word, game.turn() == SENTE ? "先手の手番に後手の指し手があります"
                                                   : "後手の手番に先手の指し手があります");
    const auto pieceCode = static_cast<PieceCode>(code);
    if (from.square == IN_HAND) return readDrop(game, word, pieceCode, to.square);
    return readBoardMove(game, word, pieceCode, from.square, to.square);
}

RecordResult readRecord(ZnBan &game, WordReader &words) {
    if (RecordResult position = readPosition(game, words); !position.ok) return position;
    game.addAllAttacks();
    Word word;
    // A file that ends with its position means sente to move and no moves.
    if (!words.next(word)) return ok();
    if (RecordResult turn = readTurn(game, word); !turn.ok) return turn;
    while (words.next(word))
        if (RecordResult move = readMove(game, word); !move.ok) return move;
    return ok();
}

}  // namespace

RecordResult loadRecord(ZnBan &game, std::istream &in) {
    if (!in || in.rdbuf() == nullptr) return {false, "棋譜ファイルを開けません"};
    ZnBan fresh;
    fresh.clearPieces();
    fresh.resetBoard();
    RecordResult result;
    try {
        WordReader words(*in.rdbuf());
        result = readRecord(fresh, words);
    } catch (const std::exception &) {
        result = {false, "棋譜ファイルの読み込み中にエラーが起きました"};
    }
    if (result.ok) game.swap(fresh);
    return result;
}
