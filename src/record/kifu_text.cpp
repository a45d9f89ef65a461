#include "record/kifu_text.h"

#include <algorithm>
#include <array>
#include <utility>

#include "record/encoding.h"
#include "record/notation.h"
#include "record/play.h"
#include "record/position.h"
#include "record/treegame.h"
#include "support/text.h"

namespace kifu {

namespace {

// 引き分け and 最大手数 are no words of the older programs, but tsshogi names those ends so and
// reads any word in their place, so a record keeps them rather than losing how it ended.
constexpr std::array<std::string_view, 15> END_WORDS = {
    "投了",     "中断",   "千日手", "詰み",   "持将棋", "切れ負け", "反則勝ち", "反則負け",
    "入玉勝ち", "封じ手", "不詰",   "不戦勝", "不戦敗", "引き分け", "最大手数"};

// ---- reading characters ----

// A malformed byte reads as U+FFFD one byte at a time, so a scan never stops early.
using Char = Utf8Char;
Char charAt(std::string_view s, std::size_t i) { return lenientUtf8At(s, i); }

bool isSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == U'\u3000'; }

// Reads a line character by character; the character under the cursor is decoded once.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text), current_(charAt(text, 0)) {}

    char32_t peek() const { return current_.code; }
    void next() { seek(position_ + current_.length); }
    bool eat(char32_t c) {
        if (current_.length == 0 || current_.code != c) return false;
        next();
        return true;
    }
    bool eat(std::string_view word) {
        if (!rest().starts_with(word)) return false;
        seek(position_ + word.size());
        return true;
    }
    void skipSpaces() {
        while (current_.length != 0 && isSpace(current_.code)) next();
    }
    // Reads the ASCII digits here, however many; returns their count, with their value in `value`
    // when there are at most `most` of them (more would not fit, and the caller refuses them).
    int readDigits(int most, long long &value) {
        int digits = 0;
        value = 0;
        for (; current_.code >= '0' && current_.code <= '9'; next())
            if (++digits <= most) value = value * 10 + static_cast<long long>(current_.code - '0');
        return digits;
    }
    bool atEnd() const { return position_ >= text_.size(); }
    std::string_view rest() const { return text_.substr(position_); }
    std::size_t position() const { return position_; }
    void seek(std::size_t position) {
        position_ = std::min(position, text_.size());
        current_ = charAt(text_, position_);
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    Char current_;
};

std::string_view trimmed(std::string_view text) { return ::trimmed(text, Blanks::Japanese); }

// ---- the notation's words ----

int fileDigit(char32_t c) {
    if (c >= U'１' && c <= U'９') return static_cast<int>(c - U'１') + 1;
    if (c >= '1' && c <= '9') return static_cast<int>(c - '1') + 1;
    return 0;
}

int kanjiDigit(char32_t c) {
    switch (c) {
        case U'一': return 1;
        case U'二': return 2;
        case U'三': return 3;
        case U'四': return 4;
        case U'五': return 5;
        case U'六': return 6;
        case U'七': return 7;
        case U'八': return 8;
        case U'九': return 9;
        default: return 0;
    }
}

// A board square as "７六", "76" or "７６"; false, with nothing read, for anything else.
bool readSquare(Scanner &in, Square &square) {
    const std::size_t start = in.position();
    const int file = fileDigit(in.peek());
    if (file != 0) {
        in.next();
        int rank = kanjiDigit(in.peek());
        if (rank == 0) rank = fileDigit(in.peek());
        if (rank != 0) {
            in.next();
            square = static_cast<Square>(squareAt(rank - 1, file - 1));
            return true;
        }
    }
    in.seek(start);
    return false;
}

// The piece code a KIF name stands for ("歩", "と", "成銀", "全", "龍", "竜", ...); -1, with
// nothing read, for anything else.
int readPieceName(Scanner &in) {
    int code = -1;
    switch (in.peek()) {
        case U'玉':
        case U'王': code = KING; break;
        case U'飛': code = ROOK; break;
        case U'角': code = BISHOP; break;
        case U'金': code = GOLD; break;
        case U'銀': code = SILVER; break;
        case U'桂': code = KNIGHT; break;
        case U'香': code = LANCE; break;
        case U'歩': code = PAWN; break;
        case U'龍':
        case U'竜': code = ROOK + PROMOTED_OFFSET; break;
        case U'馬': code = BISHOP + PROMOTED_OFFSET; break;
        case U'と': code = PAWN + PROMOTED_OFFSET; break;
        case U'全': code = SILVER + PROMOTED_OFFSET; break;
        case U'圭': code = KNIGHT + PROMOTED_OFFSET; break;
        case U'杏': code = LANCE + PROMOTED_OFFSET; break;
        case U'成': {
            const std::size_t start = in.position();
            in.next();
            switch (in.peek()) {
                case U'銀': code = SILVER + PROMOTED_OFFSET; break;
                case U'桂': code = KNIGHT + PROMOTED_OFFSET; break;
                case U'香': code = LANCE + PROMOTED_OFFSET; break;
                default: in.seek(start); return -1;
            }
            break;
        }
        default: return -1;
    }
    in.next();
    return code;
}

// A count written in kanji after a piece in hand: "二" .. "九", "十", "十一" .. ; 1 when absent.
int readHandCount(Scanner &in) {
    int count = 0;
    if (in.eat(U'十')) count = 10;
    const int digit = kanjiDigit(in.peek());
    if (digit != 0) in.next();
    if (count == 0 && digit == 0) {
        // Some programs write the count in digits.
        while (in.peek() >= '0' && in.peek() <= '9' && count < 1000) {
            count = count * 10 + static_cast<int>(in.peek() - '0');
            in.next();
        }
        return count == 0 ? 1 : count;
    }
    return count + digit;
}

std::string_view endWordAt(std::string_view text) {
    for (std::string_view word : END_WORDS)
        if (text.starts_with(word)) return word;
    // The short form some programs write for 詰み.
    if (text.starts_with("詰")) return "詰";
    return {};
}

// A board diagram's column legend written in ASCII, "  9  8  7  6  5  4  3  2  1".
bool isAsciiFileLegend(std::string_view line) {
    char expected = '9';
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r') continue;
        if (c != expected || expected < '1') return false;
        --expected;
    }
    return expected == '0';
}

// The end word the closing "まで…" sentence of a record stands for; empty when it names none.
std::string_view endWordOfSentence(std::string_view sentence) {
    Scanner in(sentence);
    in.eat("まで");
    while (in.peek() >= '0' && in.peek() <= '9') in.next();
    in.eat("手");
    in.eat("で");
    const std::string_view rest = trimmed(in.rest());
    if (rest.ends_with("反則勝ち")) return "反則勝ち";
    if (rest.ends_with("反則負け")) return "反則負け";
    if (rest.ends_with("入玉勝ち")) return "入玉勝ち";
    if (rest.starts_with("時間切れ") || rest.starts_with("切れ負け")) return "切れ負け";
    if (rest.ends_with("の勝ち")) return "投了";
    if (rest == "詰" || rest == "詰み") return "詰み";
    for (std::string_view word : END_WORDS)
        if (rest == word) return word;
    return {};
}

// ---- moves as written ----

struct WrittenMove {
    std::string_view endWord;  // set when the text is an end word instead of a move
    bool same = false;         // 同: the destination of the move before
    Square to = 0;
    int code = -1;
    unsigned modifiers = 0;
    bool drop = false;
    bool promote = false;
    bool hasOrigin = false;
    Square from = IN_HAND;
};

// Reads one move (or end word) without its number or mark; empty on success, else the reason.
std::string readWrittenMove(Scanner &in, WrittenMove &move) {
    // 仝 is the older way of writing 同.
    if (in.eat(U'同') || in.eat(U'仝')) {
        move.same = true;
        in.skipSpaces();
    } else if (!readSquare(in, move.to)) {
        move.endWord = endWordAt(in.rest());
        if (move.endWord.empty()) return "指し手が読めません";
        in.seek(in.position() + move.endWord.size());
        if (move.endWord == "詰") move.endWord = "詰み";
        return {};
    }
    move.code = readPieceName(in);
    if (move.code < 0) return "駒の名前が読めません";
    for (bool more = true; more;) {
        switch (in.peek()) {
            case U'上':
            case U'行':
            case U'入': move.modifiers |= UP; break;
            case U'引': move.modifiers |= DOWN; break;
            case U'寄': move.modifiers |= SIDEWAYS; break;
            case U'直': move.modifiers |= STRAIGHT; break;
            case U'右': move.modifiers |= RIGHT; break;
            case U'左': move.modifiers |= LEFT; break;
            default: more = false; continue;
        }
        in.next();
    }
    if (in.eat(U'打')) {
        move.drop = true;
    } else if (in.eat(U'成')) {
        move.promote = true;
    } else if (!in.eat("不成")) {
        in.eat(U'生');
    }
    // The origin, "(77)", may follow a full-width space in some programs' output.
    const std::size_t beforeOrigin = in.position();
    in.skipSpaces();
    const std::string_view rest = in.rest();
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (rest.size() >= 4 && rest[0] == '(' && rest[3] == ')' && isDigit(rest[1]) && isDigit(rest[2])) {
        if (rest[1] == '0' || rest[2] == '0') return "移動元のマスが盤の外です";
        move.hasOrigin = true;
        move.from = static_cast<Square>(squareAt(rest[2] - '1', rest[1] - '1'));
        in.seek(in.position() + 4);
    } else {
        in.seek(beforeOrigin);
    }
    if (move.hasOrigin && move.drop) return "打つ手に移動元があります";
    return {};
}

// The time of a KIF time "( 0:16/00:00:16)" in milliseconds: minutes and seconds of the move itself.
bool readMoveTime(Scanner &in, std::int64_t &ms) {
    if (!in.eat(U'(')) return false;
    in.skipSpaces();
    // Up to the longest time a CSA "T" line holds, which the KIF writer gives in minutes.
    long long minutes = 0, secondsPart = 0;
    const int minuteDigits = in.readDigits(8, minutes);
    if (minuteDigits == 0 || minuteDigits > 8 || !in.eat(U':')) return false;
    const int secondDigits = in.readDigits(2, secondsPart);
    if (secondDigits == 0 || secondDigits > 2 || minutes * 60 + secondsPart > 999'999'999) return false;
    ms = (minutes * 60 + secondsPart) * 1000;
    return true;
}

bool isSenteMark(char32_t c) { return c == U'▲' || c == U'☗'; }
bool isGoteMark(char32_t c) { return c == U'△' || c == U'▽' || c == U'☖'; }

// ---- the reader ----

class Reader {
public:
    // Reads the whole text; empty on success, else the reason naming the line.
    std::string read(std::string_view text);

    ZnBan game;
    RecordNotes notes;

private:
    std::string readLine(std::string_view line);
    std::string readHeader(std::string_view key, std::string_view value);
    std::string readHand(std::string_view value, Side owner);
    std::string readBoardRow(std::string_view line);
    std::string readKifMoveLine(std::string_view line);
    std::string readKi2MoveLine(std::string_view line);
    std::string readFreeText(std::string_view text);
    std::string refuseAfterFreeText();
    std::string play(const WrittenMove &written, std::int64_t ms);
    std::string startBranch(std::string_view text);
    std::string ensureBuilt();
    // Puts the game back on the main line once every branch is read.
    std::string finish();
    std::string resolve(const WrittenMove &written, Move &named);
    void addComment(std::string_view comment);

    int line_ = 0;
    // The line a refusal names when it is not the line being read; 0 for the current line.
    int errorLine_ = 0;
    // The first line of free text after the moves; 0 while there is none.
    int freeTextLine_ = 0;
    bool built_ = false;
    bool ended_ = false;
    // The nodes of the line being read, from the start on; the game has played them all.
    std::vector<int> path_{RecordTree::START};
    // The number the first move line carries, less one: a record may begin at a later move.
    long numberBase_ = -1;
    bool diagram_ = false;
    int rows_ = 0;
    PositionSpec diagramStart_;
    std::string handicap_;
    int startLine_ = 0;
    long lastNumber_ = -1;
    Square previousTo_ = IN_HAND;
};

std::string Reader::read(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (trimmed(text).find_first_not_of("\r\n\t ") == std::string_view::npos) return "棋譜が空です";
    std::size_t position = 0;
    // LF, CR LF and a lone CR each end a line.
    while (position < text.size()) {
        std::size_t end = position;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        ++line_;
        if (std::string reason = readLine(text.substr(position, end - position)); !reason.empty())
            return std::to_string(errorLine_ != 0 ? errorLine_ : line_) + "行目: " + reason;
        position = end + 1;
        if (end < text.size() && text[end] == '\r' && position < text.size() && text[position] == '\n')
            ++position;
    }
    if (std::string reason = ensureBuilt(); !reason.empty()) return std::to_string(line_) + "行目: " + reason;
    return finish();
}

std::string Reader::finish() {
    RecordTree &tree = notes.tree;
    const std::vector<int> main = tree.mainLine();
    if (path_.size() != main.size() + 1 || !std::equal(main.begin(), main.end(), path_.begin() + 1)) {
        game.setReplaying(true);
        while (game.moveCount() > 0)
            if (!game.undoMove()) return "本譜に戻れません";
        game.truncateHistory();
        game.setReplaying(false);
        if (std::string reason = playNodes(game, tree, main); !reason.empty())
            return "本譜に戻れません: " + reason;
    }
    setLineNotes(tree, main, notes);
    return {};
}

std::string Reader::readLine(std::string_view line) {
    if (line.empty()) return {};
    switch (line[0]) {
        case '*': addComment(line.substr(1)); return {};
        case '#':
        case '&': return {};
        default: break;
    }
    // Numbered move lines are nearly all of a KIF file: they skip the slower tests below.
    std::size_t digit = 0;
    while (digit < line.size() && line[digit] == ' ') ++digit;
    if (digit < line.size() && line[digit] >= '0' && line[digit] <= '9') {
        if (isAsciiFileLegend(line)) return built_ ? "指し手の後に局面図があります" : std::string();
        return readKifMoveLine(line.substr(digit));
    }
    const std::string_view text = trimmed(line);
    if (text.empty()) return {};
    if (text.starts_with("変化")) return startBranch(text);
    if (text[0] >= '0' && text[0] <= '9') return readKifMoveLine(text);
    const char32_t first = charAt(text, 0).code;
    if (isSenteMark(first) || isGoteMark(first)) return readKi2MoveLine(text);
    if (text[0] == '|') return readBoardRow(text);
    if (text[0] == '+' || first == U'９') return built_ ? "指し手の後に局面図があります" : std::string();
    if (text.starts_with("まで")) {
        if (std::string reason = ensureBuilt(); !reason.empty()) return reason;
        RecordNode &last = notes.tree.node(path_.back());
        if (!ended_ && last.endWord.empty()) {
            last.endWord = endWordOfSentence(text);
            last.endFirst = last.children.empty();
        }
        ended_ = true;
        return {};
    }
    if (text.starts_with("手数-") || text.starts_with("手数＝")) return {};
    if (text == "先手番" || text == "下手番" || text == "後手番" || text == "上手番") {
        if (built_) return "指し手の後に手番があります";
        diagramStart_.turn = text == "先手番" || text == "下手番" ? SENTE : GOTE;
        return {};
    }
    std::size_t colon = text.find("：");
    std::size_t colonLength = 3;
    const std::size_t narrow = text.find(':');
    if (narrow < colon) colon = narrow, colonLength = 1;
    if (colon == std::string_view::npos || colon == 0) return readFreeText(text);
    return readHeader(trimmed(text.substr(0, colon)), trimmed(text.substr(colon + colonLength)));
}

std::string Reader::readHeader(std::string_view key, std::string_view value) {
    // "先手の持駒", also written "先手の持ち駒"; 下手 and 上手 stand for them in handicap games.
    const bool hand = key.ends_with("の持駒") || key.ends_with("の持ち駒");
    const bool senteHand = hand && (key.starts_with("先手の") || key.starts_with("下手の"));
    if (senteHand || (hand && (key.starts_with("後手の") || key.starts_with("上手の")))) {
        if (built_) return "指し手の後に持駒があります";
        diagram_ = true;
        startLine_ = line_;
        return readHand(value, senteHand ? SENTE : GOTE);
    }
    if (key == "手合割") {
        handicap_ = value;
        if (!diagram_) startLine_ = line_;
    }
    notes.headers.emplace_back(std::string(key), std::string(value));
    return {};
}

std::string Reader::readHand(std::string_view value, Side owner) {
    if (value == "なし") return {};
    Scanner in(value);
    for (in.skipSpaces(); !in.atEnd(); in.skipSpaces()) {
        const int code = readPieceName(in);
        if (code < 0) return "持駒の駒が読めません";
        if (code >= PROMOTED_OFFSET) return "持駒にできない駒があります";
        int &held = diagramStart_.hands[owner][static_cast<std::size_t>(code)];
        held += readHandCount(in);
        if (held > 18) return "持駒の数が多すぎます";
    }
    return {};
}

std::string Reader::readBoardRow(std::string_view line) {
    if (built_) return "指し手の後に局面図があります";
    if (rows_ >= 9) return "盤面図の段が多すぎます";
    Scanner in(line);
    in.eat(U'|');
    for (int column = 8; column >= 0; --column) {
        Side owner = SENTE;
        if (in.peek() == U'|') return "盤面図の段が9マスではありません";
        if (in.eat(U'v') || in.eat(U'V')) {
            owner = GOTE;
        } else if (!in.eat(U' ') && !in.eat(U'^')) {
            return "盤面図のマスが読めません";
        }
        if (in.eat(U'・')) continue;
        const int code = readPieceName(in);
        if (code < 0) return "盤面図の駒が読めません";
        diagramStart_.put(static_cast<Square>(squareAt(rows_, column)), static_cast<PieceCode>(code), owner);
    }
    if (!in.eat(U'|')) return "盤面図の段が9マスではありません";
    ++rows_;
    diagram_ = true;
    startLine_ = line_;
    return {};
}

// Records pasted from web pages end in lines such as "以下略". After the last move such a line is
// kept as a comment on it; a move after it shows that it stood among the moves, and refuses the
// file, since a skipped move would change the game.
std::string Reader::readFreeText(std::string_view text) {
    if (!built_ || (game.moveCount() == 0 && !ended_)) return "読めない行です";
    if (freeTextLine_ == 0) freeTextLine_ = line_;
    addComment(text);
    return {};
}

std::string Reader::refuseAfterFreeText() {
    if (freeTextLine_ == 0) return {};
    errorLine_ = freeTextLine_;
    return "読めない行です";
}

std::string Reader::startBranch(std::string_view text) {
    Scanner in(text);
    in.eat("変化");
    if (!in.eat("：")) in.eat(U':');
    in.skipSpaces();
    long long number = 0;
    const int digits = in.readDigits(6, number);
    if (digits > 6) return "変化の手数が大きすぎます";
    if (digits == 0 || !in.eat(U'手')) return "変化の手数が読めません";
    // The branch replaces move `number` of the line read just before it.
    const long index = number - std::max(0L, numberBase_);
    // A branch may also stand in for the end word that closed the line before it.
    const bool forEndWord =
        built_ && index == static_cast<long>(path_.size()) && !notes.tree.node(path_.back()).endWord.empty();
    if (!built_ || index < 1 || (index >= static_cast<long>(path_.size()) && !forEndWord))
        return "変化：" + std::to_string(number) + "手の手が前の手順にありません";
    game.setReplaying(true);
    while (game.moveCount() >= index)
        if (!game.undoMove()) return "変化の分かれ目に戻れません";
    game.truncateHistory();
    game.setReplaying(false);
    path_.resize(static_cast<std::size_t>(index));
    lastNumber_ = number - 1;
    ended_ = false;
    // Free text before a branch belonged to the line before it.
    freeTextLine_ = 0;
    previousTo_ = index > 1 ? game.history()[static_cast<std::size_t>(index) - 2].to : IN_HAND;
    return {};
}

std::string Reader::readKifMoveLine(std::string_view line) {
    if (std::string reason = refuseAfterFreeText(); !reason.empty()) return reason;
    Scanner in(line);
    long long number = 0;
    // Seven digits number more moves than a record the size of the largest file opened holds.
    if (in.readDigits(7, number) > 7) return "手数が大きすぎます";
    if (lastNumber_ >= 0 && number != lastNumber_ + 1) return "手数が続いていません";
    if (numberBase_ < 0) numberBase_ = number - 1;
    lastNumber_ = number;
    in.skipSpaces();
    // Some programs put the side mark in front of the move, as KI2 does.
    const char32_t mark = in.peek();
    const bool marked = isSenteMark(mark) || isGoteMark(mark);
    if (marked) in.next();
    WrittenMove written;
    if (std::string reason = readWrittenMove(in, written); !reason.empty()) return reason;
    if (marked && written.endWord.empty()) {
        if (std::string reason = ensureBuilt(); !reason.empty()) return reason;
        if ((game.turn() == SENTE) != isSenteMark(mark) && !ended_) return "手番と▲△が合っていません";
    }
    in.skipSpaces();
    std::int64_t ms = -1;
    // "+" after a move says that a branch for it follows.
    if (!in.atEnd() && in.peek() != U'+' && !readMoveTime(in, ms)) return "消費時間が読めません";
    if (written.endWord.empty() && !written.hasOrigin && !written.drop) return "移動元が書かれていません";
    return play(written, ms);
}

std::string Reader::readKi2MoveLine(std::string_view line) {
    if (std::string reason = refuseAfterFreeText(); !reason.empty()) return reason;
    Scanner in(line);
    for (in.skipSpaces(); !in.atEnd(); in.skipSpaces()) {
        const char32_t mark = in.peek();
        if (!isSenteMark(mark) && !isGoteMark(mark)) return "指し手の前に▲か△がありません";
        in.next();
        WrittenMove written;
        if (std::string reason = readWrittenMove(in, written); !reason.empty()) return reason;
        if (written.endWord.empty()) {
            if (std::string reason = ensureBuilt(); !reason.empty()) return reason;
            if ((game.turn() == SENTE) != isSenteMark(mark) && !ended_) return "手番と▲△が合っていません";
        }
        if (std::string reason = play(written, -1); !reason.empty()) return reason;
    }
    return {};
}

std::string Reader::ensureBuilt() {
    if (built_) return {};
    built_ = true;
    PositionSpec start;
    if (diagram_) {
        if (rows_ != 9) return std::to_string(startLine_) + "行目までの盤面図が9段ではありません";
        start = diagramStart_;
    } else if (!handicap_.empty()) {
        if (!handicapStart(handicap_, start))
            return "手合割「" + (isUtf8(handicap_) ? handicap_ : std::string("？")) +
                   "」は盤面図がなければ読めません";
    } else {
        start = standardStart();
    }
    if (std::string reason = buildGame(game, start); !reason.empty())
        return std::to_string(startLine_) + "行目までの局面: " + reason;
    return {};
}

std::string Reader::resolve(const WrittenMove &written, Move &named) {
    named.to = written.same ? previousTo_ : written.to;
    named.promote = written.promote;
    if (written.hasOrigin) {
        const Koma *piece = game.pieceAt(written.from);
        if (piece == nullptr) return refusalText(Refusal::NoPiece);
        if (piece->code() != written.code)
            return "移動元の駒は「" + std::string(kifPieceName(piece->code())) + "」です";
        named.from = written.from;
        return {};
    }
    const PieceCode code = static_cast<PieceCode>(written.code);
    if (written.drop) {
        if (code >= PROMOTED_OFFSET) return "成駒は打てません";
        named.from = IN_HAND;
        named.dropKind = code;
        return {};
    }
    const Koma *found = nullptr;
    const int movers = countMovers(game, code, named.to, written.modifiers, found);
    if (movers == 1) {
        named.from = found->square();
        return {};
    }
    if (movers > 1) return "どの駒を動かすのか決まりません";
    // With no piece on the board able to go there, the move is a drop written without 打.
    const Koma *any = nullptr;
    if (written.modifiers == 0 && countMovers(game, code, named.to, 0, any) == 0 && code < PROMOTED_OFFSET) {
        named.from = IN_HAND;
        named.dropKind = code;
        return {};
    }
    return refusalText(Refusal::CannotReach);
}

std::string Reader::play(const WrittenMove &written, std::int64_t ms) {
    if (!written.endWord.empty()) {
        // An end word before any move still stands in the start, which a branch may replace.
        if (std::string reason = ensureBuilt(); !reason.empty()) return reason;
        RecordNode &last = notes.tree.node(path_.back());
        // A position keeps the first end word read for it: a variation that repeats the moves
        // before it ends the same way.
        if (!ended_ && last.endWord.empty()) {
            last.endWord = written.endWord;
            last.endMs = ms;
            // Read before any move in its place, the end word leads them: the line ends there.
            last.endFirst = last.children.empty();
        }
        ended_ = true;
        return {};
    }
    if (std::string reason = ensureBuilt(); !reason.empty()) return reason;
    if (ended_) return "終局の後に指し手があります";
    if (written.same && previousTo_ == IN_HAND) return "前の手がないのに「同」があります";
    Move named;
    if (std::string reason = resolve(written, named); !reason.empty()) return reason;
    if (std::string reason = playMove(game, named); !reason.empty()) return reason;
    previousTo_ = named.to;
    RecordTree &tree = notes.tree;
    int node = tree.childWith(path_.back(), named);
    if (node < 0) node = tree.addChild(path_.back(), named);
    tree.node(node).ms = ms;
    path_.push_back(node);
    return {};
}

void Reader::addComment(std::string_view comment) {
    // After the end word a comment is the end word's own.
    RecordNode &node = notes.tree.node(path_.back());
    (ended_ ? node.endComments : node.comments).emplace_back(comment);
}

// ---- writing ----

constexpr std::array<std::string_view, 19> KANJI_COUNTS = {
    "",   "",     "二",   "三",   "四",   "五",   "六",   "七",   "八",  "九",
    "十", "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八"};

// Single-character names, as a board diagram needs them.
constexpr std::array<std::string_view, CODE_COUNT> DIAGRAM_NAMES = {
    "玉", "飛", "角", "金", "銀", "桂", "香", "歩", "玉", "龍", "馬", "金", "全", "圭", "杏", "と"};

void appendHand(std::string &text, std::string_view label, const PositionSpec &position, Side owner) {
    text += label;
    text += "の持駒：";
    bool any = false;
    // A king reaches a hand only when play went on after it was taken, which the rules allow.
    for (PieceKind kind = KING; kind < KIND_COUNT; ++kind) {
        const int count = position.hands[owner][kind];
        if (count <= 0) continue;
        any = true;
        text += DIAGRAM_NAMES[kind];
        if (count < static_cast<int>(KANJI_COUNTS.size()))
            text += KANJI_COUNTS[static_cast<std::size_t>(count)];
        text += "　";
    }
    if (!any) text += "なし";
    text += LINE_END;
}

void appendDiagram(std::string &text, const PositionSpec &position) {
    static constexpr std::array<std::string_view, 9> RANKS = {"一", "二", "三", "四", "五",
                                                              "六", "七", "八", "九"};
    appendHand(text, "後手", position, GOTE);
    text += "  ９ ８ ７ ６ ５ ４ ３ ２ １";
    text += LINE_END;
    text += "+---------------------------+";
    text += LINE_END;
    for (int row = 0; row < 9; ++row) {
        text += '|';
        for (int column = 8; column >= 0; --column) {
            const auto square = static_cast<std::size_t>(squareAt(row, column));
            const std::int8_t code = position.code[square];
            if (code == PositionSpec::EMPTY || code >= CODE_COUNT) {
                text += " ・";
                continue;
            }
            text += position.side[square] == GOTE ? 'v' : ' ';
            text += DIAGRAM_NAMES[static_cast<std::size_t>(code)];
        }
        text += '|';
        text += RANKS[static_cast<std::size_t>(row)];
        text += LINE_END;
    }
    text += "+---------------------------+";
    text += LINE_END;
    appendHand(text, "先手", position, SENTE);
    text += position.turn == SENTE ? "先手番" : "後手番";
    text += LINE_END;
}

// Whether a header can be written as "key：value" and read back as the same header.
bool writableHeader(std::string_view key) {
    if (key.empty() || key.find_first_of(":\r\n") != std::string_view::npos || key.find("：") != key.npos)
        return false;
    if (key.ends_with("の持駒") || key.ends_with("の持ち駒")) return false;
    const char32_t first = charAt(key, 0).code;
    return std::string_view("*#&|+0123456789").find(key[0]) == std::string_view::npos &&
           !isSenteMark(first) && !isGoteMark(first) && first != U'９' && !key.starts_with("変化") &&
           !key.starts_with("まで") && !key.starts_with("手数-") && !key.starts_with("手数＝") &&
           key == trimmed(key);
}

void appendOneLine(std::string &text, std::string_view value) {
    for (char c : value) text += c == '\r' || c == '\n' ? ' ' : c;
}

}  // namespace

RecordResult readText(ZnBan &game, RecordNotes &notes, std::string_view text) {
    Reader reader;
    std::string reason = reader.read(text);
    if (!reason.empty()) return {false, std::move(reason)};
    game.swap(reader.game);
    notes = std::move(reader.notes);
    return {true, {}};
}

bool isEndWord(std::string_view word) {
    for (std::string_view known : END_WORDS)
        if (word == known) return true;
    return false;
}

void appendStart(std::string &text, const ZnBan &start, const RecordNotes &notes) {
    const PositionSpec position = positionOf(start);
    const std::string_view handicap = handicapNameOf(position);
    bool named = false;
    for (const auto &[key, value] : notes.headers) named = named || key == "手合割";
    if (!handicap.empty() && !named) {
        text += "手合割：";
        text += handicap;
        text += LINE_END;
    }
    bool handicapWritten = false;
    for (const auto &[key, value] : notes.headers) {
        if (!writableHeader(key)) continue;
        if (key == "手合割") {
            // The start decides; a second 手合割 line would only contradict the first.
            if (handicapWritten) continue;
            handicapWritten = true;
        }
        text += key;
        text += "：";
        appendOneLine(text, key == "手合割" && !handicap.empty() ? handicap : std::string_view(value));
        text += LINE_END;
    }
    if (handicap.empty()) appendDiagram(text, position);
}

void appendComments(std::string &text, const std::vector<std::string> &comments) {
    for (const std::string &comment : comments) {
        std::size_t position = 0;
        for (;;) {
            const std::size_t end = comment.find_first_of("\r\n", position);
            text += '*';
            text.append(comment, position, end == std::string::npos ? std::string::npos : end - position);
            text += LINE_END;
            if (end == std::string::npos) break;
            position = end + 1;
            if (comment[end] == '\r' && position < comment.size() && comment[position] == '\n') ++position;
        }
    }
}

std::string endSentence(std::string_view word, std::size_t moves, Side toMove, bool handicap) {
    const std::string_view senteName = handicap ? "下手" : "先手";
    const std::string_view goteName = handicap ? "上手" : "後手";
    const std::string_view mover = toMove == SENTE ? goteName : senteName;
    const std::string_view waiting = toMove == SENTE ? senteName : goteName;
    std::string text = "まで" + std::to_string(moves) + "手で";
    if (word == "投了") return text + std::string(mover) + "の勝ち";
    if (word == "切れ負け") return text + "時間切れにより" + std::string(mover) + "の勝ち";
    if (word == "反則勝ち" || word == "反則負け" || word == "入玉勝ち")
        return text + std::string(waiting) + "の" + std::string(word);
    return text + std::string(word);
}

bool startsFromHandicap(const ZnBan &start) {
    const std::string_view name = handicapNameOf(positionOf(start));
    return !name.empty() && name != "平手";
}

std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const Char c = charAt(text, i);
        width += c.code < 0x80 ? 1 : 2;
        i += c.length;
    }
    return width;
}

}  // namespace kifu
