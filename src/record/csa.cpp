// CSA records. The reader walks the text once, line by line and statement by statement, without
// copying a line; the position is gathered into a PositionSpec, built into a fresh game when the
// turn line arrives, and every move is then played on that game through the game's own rules.

#include "record/csa.h"

#include <array>
#include <cstdint>
#include <utility>

#include "record/encoding.h"
#include "record/play.h"
#include "record/position.h"
#include "record/textlines.h"

namespace {

// Headers whose CSA key has a KIF name, as tsshogi pairs them; any other "$KEY" is kept under KEY.
// 持ち時間 has two keys, by the form of its value (see timeKeyOf).
constexpr std::array<std::pair<std::string_view, std::string_view>, 12> HEADER_NAMES = {{
    {"EVENT", "棋戦"},
    {"START_TIME", "開始日時"},
    {"END_TIME", "終了日時"},
    {"SITE", "場所"},
    {"OPENING", "戦型"},
    {"TIME_LIMIT", "持ち時間"},
    {"TIME", "持ち時間"},
    {"TIME+", "先手持ち時間"},
    {"TIME-", "後手持ち時間"},
    {"MAX_MOVES", "最大手数"},
    {"JISHOGI", "持将棋"},
    {"NOTE", "備考"},
}};

bool isDigits(std::string_view text, std::string_view also = {}) {
    if (text.empty()) return false;
    for (char c : text)
        if ((c < '0' || c > '9') && also.find(c) == std::string_view::npos) return false;
    return true;
}

// The key a time limit goes under: "HH:MM+SS" is version 2.2's $TIME_LIMIT, "900+0+5" (seconds of
// time, byoyomi and increment) version 3.0's $TIME; empty for free text ("各10分"), which no key holds.
std::string_view timeKeyOf(std::string_view value) {
    const std::size_t plus = value.find('+');
    if (plus == std::string_view::npos) return {};
    const std::string_view before = value.substr(0, plus), after = value.substr(plus + 1);
    const std::size_t colon = before.find(':');
    if (colon != std::string_view::npos && isDigits(before.substr(0, colon)) && before.size() - colon == 3 &&
        isDigits(before.substr(colon + 1)) && isDigits(after))
        return "TIME_LIMIT";
    const std::size_t second = after.find('+');
    if (second != std::string_view::npos && isDigits(before, ".") && isDigits(after.substr(0, second), ".") &&
        isDigits(after.substr(second + 1), "."))
        return "TIME";
    return {};
}

// The CSA end words and the KIF words they are kept as. The illegal actions name the side that
// erred; KIF says how the game ended for the side to move, so they are mapped in endWordOf. The
// words KIF lacks keep a name of their own, which only the move list and CSA use.
constexpr std::array<std::pair<std::string_view, std::string_view>, 13> END_WORDS = {{
    {"TORYO", "投了"},
    {"CHUDAN", "中断"},
    {"SENNICHITE", "千日手"},
    {"TSUMI", "詰み"},
    {"JISHOGI", "持将棋"},
    {"TIME_UP", "切れ負け"},
    {"ILLEGAL_MOVE", "反則負け"},
    {"KACHI", "入玉勝ち"},
    {"HIKIWAKE", "引き分け"},
    {"MATTA", "待った"},
    {"FUZUMI", "不詰"},
    {"ERROR", "エラー"},
    {"MAX_MOVES", "最大手数"},
}};

// How many pieces of each kind the set holds.
constexpr std::array<int, KIND_COUNT> SET_COUNT = {2, 2, 2, 4, 4, 4, 4, 18};

bool isDigit(char c) { return c >= '1' && c <= '9'; }

// A board square from its file and rank digits; false for anything else, "00" included.
bool squareOf(char file, char rank, Square &square) {
    if (!isDigit(file) || !isDigit(rank)) return false;
    square = static_cast<Square>(squareAt(rank - '1', file - '1'));
    return true;
}

// The PieceCode of a two-letter CSA code; -1 when there is none.
int codeOf(std::string_view text) { return text.size() == 2 ? pieceCodeOf(text) : -1; }

// The KIF end word of a CSA "%" word, for a game with `turn` to move; empty when unknown.
std::string_view endWordOf(std::string_view word, Side turn) {
    for (const auto &[csa, kif] : END_WORDS)
        if (csa == word) return kif;
    if (word == "+ILLEGAL_ACTION") return turn == SENTE ? "反則負け" : "反則勝ち";
    if (word == "-ILLEGAL_ACTION") return turn == GOTE ? "反則負け" : "反則勝ち";
    return {};
}

class CsaReader {
public:
    explicit CsaReader(std::string_view text) : lines_(text) {}

    // Reads the first record of the text; an empty string on success.
    std::string read() {
        std::string_view line;
        bool firstLine = true;
        while (!stopped_ && lines_.next(line)) {
            // A version 3.0 file names its encoding on its first line; the text is decoded already.
            if (firstLine && line.starts_with("'CSA encoding=")) {
                firstLine = false;
                continue;
            }
            firstLine = false;
            if (std::string problem = readLine(line); !problem.empty())
                return lineLabel(lines_.number()) + problem;
        }
        if (!built_) {
            if (!anyStatement_) return "CSA形式の棋譜がありません（空のファイルです）";
            if (!positionGiven_) return "局面の行（PI または P1〜P9）がありません";
            return "手番の行（+ か -）がありません（ファイルが途中で切れています）";
        }
        return {};
    }

    ZnBan &game() { return game_; }
    RecordNotes &notes() { return notes_; }

private:
    std::string readLine(std::string_view line) {
        if (!line.empty() && continuing_ >= 0 && !startsStatement(line.front())) return continueHeader(line);
        continuing_ = -1;
        while (!line.empty()) {
            const char first = line.front();
            // Comments, names and metadata run to the end of the line; other statements end at a comma.
            if (first == '\'' || first == 'N' || first == '$' || first == 'V') return readStatement(line);
            const std::size_t comma = line.find(',');
            if (std::string problem = readStatement(trimmed(line.substr(0, comma))); !problem.empty())
                return problem;
            if (comma == std::string_view::npos || stopped_) break;
            line.remove_prefix(comma + 1);
        }
        return {};
    }

    static bool startsStatement(char c) {
        return c == '\'' || c == 'N' || c == '$' || c == 'V' || c == 'P' || c == '+' || c == '-' ||
               c == 'T' || c == '%' || c == '/' || c == ' ' || c == '\t';
    }

    std::string readStatement(std::string_view statement) {
        if (statement.empty()) return {};
        anyStatement_ = true;
        switch (statement.front()) {
            case '\'': return readComment(statement.substr(1));
            case 'V': return readVersion(statement);
            case 'N': return readName(statement);
            case '$': return readHeader(statement.substr(1));
            case 'P': return readPositionLine(statement);
            case '+':
            case '-':
                if (statement.size() == 1) return readTurn(statement.front() == '+' ? SENTE : GOTE);
                return readMove(statement);
            case 'T': return readTime(statement.substr(1));
            case '%': return readEnd(statement.substr(1));
            case '/':
                if (statement.size() != 1) break;
                // The next record begins; only the first is read.
                stopped_ = true;
                return {};
            default: break;
        }
        return "CSA形式の行として読めません「" + quotedPart(statement) + "」";
    }

    // "'*text" is a comment on the move before it, the form every program writes; older files put
    // their comments on plain "'" lines, which are kept too. A comment after the end word is the
    // end word's own.
    std::string readComment(std::string_view text) {
        if (!text.empty() && text.front() == '*') text.remove_prefix(1);
        if (!isUtf8(text)) return "コメントの文字が不正です（UTF-8 ではありません）";
        if (ended_)
            notes_.endComments.emplace_back(text);
        else
            notes_.commentsAfter(static_cast<std::size_t>(built_ ? game_.moveCount() : 0)).emplace_back(text);
        return {};
    }

    std::string readVersion(std::string_view statement) {
        if (statement.size() < 2 || (statement[1] != '1' && statement[1] != '2' && statement[1] != '3'))
            return "読めない版です「" + quotedPart(statement) + "」（V2.2 と V3.0 が読めます）";
        return {};
    }

    std::string readName(std::string_view statement) {
        if (statement.size() < 2 || (statement[1] != '+' && statement[1] != '-'))
            return "対局者名の行は N+ か N- で始まります";
        const std::string_view name = trimmed(statement.substr(2));
        if (!isUtf8(name)) return "対局者名の文字が不正です（UTF-8 ではありません）";
        if (!name.empty()) notes_.setHeader(statement[1] == '+' ? "先手" : "後手", name);
        return {};
    }

    std::string readHeader(std::string_view text) {
        const std::size_t colon = text.find(':');
        if (colon == 0 || colon == std::string_view::npos) return "「$」の行に「キー:値」がありません";
        const std::string_view key = text.substr(0, colon);
        for (char c : key)
            if (c <= ' ' || c >= 0x7F) return "「$」の行のキーが不正です";
        const std::string_view value = text.substr(colon + 1);
        if (!isUtf8(value)) return "「$" + quotedPart(key) + "」の値の文字が不正です（UTF-8 ではありません）";
        std::string_view name = key;
        for (const auto &[csa, kif] : HEADER_NAMES)
            if (csa == key) name = kif;
        // A key given twice keeps both values, as KIF does.
        notes_.headers.emplace_back(std::string(name), std::string(value));
        continuing_ = static_cast<int>(notes_.headers.size()) - 1;
        return {};
    }

    // A line that begins with no CSA mark right after a "$" line carries on its value.
    std::string continueHeader(std::string_view line) {
        if (!isUtf8(line)) return "「$」の行の続きの文字が不正です（UTF-8 ではありません）";
        std::string &value = notes_.headers[static_cast<std::size_t>(continuing_)].second;
        value += ' ';
        value += trimmed(line);
        return {};
    }

    std::string readPositionLine(std::string_view statement) {
        if (built_) return "局面の行が手番の行より後にあります";
        positionGiven_ = true;
        if (statement.size() < 2) return "局面の行が途中で切れています";
        const char what = statement[1];
        if (what == 'I') return readHirate(statement.substr(2));
        if (what == '+' || what == '-') return readPieces(what == '+' ? SENTE : GOTE, statement.substr(2));
        if (isDigit(what)) return readRow(what - '1', statement.substr(2));
        return "局面の行は PI、P1〜P9、P+、P- のどれかです";
    }

    // "PI" with the squares and codes of the pieces taken away for a handicap.
    std::string readHirate(std::string_view removals) {
        if (usedPI_ || rowsGiven_ != 0) return "PI と P1〜P9 は一つの局面に一度しか書けません";
        usedPI_ = true;
        const PositionSpec start = standardStart();
        for (Square square = 0; square < SQUARE_COUNT; ++square) {
            if (start.code[square] == PositionSpec::EMPTY) continue;
            if (position_.code[square] != PositionSpec::EMPTY) return "同じマスに二つの駒があります";
            position_.put(square, static_cast<PieceCode>(start.code[square]), start.side[square]);
        }
        removals = trimmed(removals);
        if (removals.size() % 4 != 0) return "PI の後の駒落ちは4文字ずつ（例: 82HI）書きます";
        for (std::size_t at = 0; at < removals.size(); at += 4) {
            Square square = 0;
            if (!squareOf(removals[at], removals[at + 1], square)) return "PI の後のマス目が不正です";
            const int code = codeOf(removals.substr(at + 2, 2));
            if (code < 0 || position_.code[square] != code)
                return "PI の後に書かれた駒「" + quotedPart(removals.substr(at, 4)) +
                       "」が平手の局面にありません";
            position_.code[square] = PositionSpec::EMPTY;
        }
        return {};
    }

    // "P1" to "P9": nine cells from file 9 to file 1, each " * " or a sign and a code. Version 3.0
    // files may leave out the padding, so the cells are read by their marks, not by their columns.
    std::string readRow(int row, std::string_view cells) {
        if (usedPI_) return "PI と P1〜P9 は一つの局面に一度しか書けません";
        const unsigned bit = 1u << row;
        if ((rowsGiven_ & bit) != 0)
            return std::string("P").append(1, static_cast<char>('1' + row)) + " の行が二度あります";
        rowsGiven_ |= bit;
        int column = 8;
        std::size_t at = 0;
        while (true) {
            while (at < cells.size() && (cells[at] == ' ' || cells[at] == '\t')) ++at;
            if (at == cells.size()) break;
            if (column < 0) return "一つの段に9つより多くのマスがあります";
            const Square square = static_cast<Square>(squareAt(row, column));
            if (cells[at] == '*') {
                ++at;
            } else if ((cells[at] == '+' || cells[at] == '-') && cells.size() - at >= 3) {
                const int code = codeOf(cells.substr(at + 1, 2));
                if (code < 0) return "駒の記号が不正です「" + quotedPart(cells.substr(at, 3)) + "」";
                if (position_.code[square] != PositionSpec::EMPTY) return "同じマスに二つの駒があります";
                position_.put(square, static_cast<PieceCode>(code), cells[at] == '+' ? SENTE : GOTE);
                at += 3;
            } else {
                return "盤面の行が読めません「" + quotedPart(cells.substr(at)) + "」";
            }
            --column;
        }
        if (column >= 0) return "一つの段のマスが9つに足りません";
        return {};
    }

    // "P+" or "P-": pieces for one side, on a square or "00" for the hand, or "00AL" for the rest.
    std::string readPieces(Side side, std::string_view pieces) {
        pieces = trimmed(pieces);
        if (pieces.size() % 4 != 0) return "駒の記述は4文字ずつ（例: 00FU、53KI）書きます";
        for (std::size_t at = 0; at < pieces.size(); at += 4) {
            const std::string_view group = pieces.substr(at, 4);
            if (group == "00AL") {
                restTo_ = side;
                continue;
            }
            const int code = codeOf(group.substr(2, 2));
            if (code < 0) return "駒の記号が不正です「" + quotedPart(group) + "」";
            if (group[0] == '0' && group[1] == '0') {
                if (isPromotedCode(static_cast<PieceCode>(code)))
                    return "成駒は持ち駒にできません「" + quotedPart(group) + "」";
                ++position_.hands[side][code];
                continue;
            }
            Square square = 0;
            if (!squareOf(group[0], group[1], square)) return "マス目が不正です「" + quotedPart(group) + "」";
            if (position_.code[square] != PositionSpec::EMPTY)
                return "同じマスに二つの駒があります「" + quotedPart(group) + "」";
            position_.put(square, static_cast<PieceCode>(code), side);
        }
        return {};
    }

    // Gives the side named by "00AL" every piece not yet on the board or in a hand, kings apart.
    void giveTheRest() {
        if (restTo_ > GOTE) return;
        std::array<int, KIND_COUNT> used{};
        for (Square square = 0; square < SQUARE_COUNT; ++square)
            if (position_.code[square] != PositionSpec::EMPTY) ++used[position_.code[square] & 7];
        for (PieceKind kind = ROOK; kind < KIND_COUNT; ++kind) {
            used[kind] += position_.hands[SENTE][kind] + position_.hands[GOTE][kind];
            if (used[kind] < SET_COUNT[kind]) position_.hands[restTo_][kind] += SET_COUNT[kind] - used[kind];
        }
    }

    std::string readTurn(Side turn) {
        if (built_) return "手番の行が二度あります";
        if (!positionGiven_) return "手番の行より前に局面の行（PI または P1〜P9）がありません";
        if (rowsGiven_ != 0 && rowsGiven_ != 0x1FF) return "P1〜P9 の行が揃っていません";
        giveTheRest();
        position_.turn = turn;
        if (std::string problem = buildGame(game_, position_); !problem.empty()) return problem;
        built_ = true;
        return {};
    }

    std::string readMove(std::string_view statement) {
        if (!built_) return "手番の行より前に指し手があります";
        if (ended_) return "終局の後に指し手があります";
        if (statement.size() != 7)
            return "指し手は7文字（例: +7776FU）で書きます「" + quotedPart(statement) + "」";
        const Side side = statement[0] == '+' ? SENTE : GOTE;
        if (side != game_.turn()) return "手番ではない側の指し手です「" + quotedPart(statement) + "」";
        Move move;
        if (std::string problem = readCsaMove(game_, statement, move); !problem.empty()) return problem;
        if (std::string problem = playMove(game_, move); !problem.empty())
            return problem + "「" + quotedPart(statement) + "」";
        return {};
    }

    // "T12" or, in version 3.0, "T6.123": the seconds the last move took, kept to the millisecond
    // (a fourth decimal place rounds).
    std::string readTime(std::string_view text) {
        const std::size_t dot = text.find('.');
        const std::string_view whole = text.substr(0, dot);
        if (whole.empty() || whole.size() > 9) return "消費時間の行が不正です「T" + quotedPart(text) + "」";
        std::int64_t ms = 0;
        for (char c : whole) {
            if (c < '0' || c > '9') return "消費時間の行が不正です「T" + quotedPart(text) + "」";
            ms = ms * 10 + (c - '0');
        }
        ms *= 1000;
        if (dot != std::string_view::npos) {
            std::int64_t scale = 100;
            for (char c : text.substr(dot + 1)) {
                if (c < '0' || c > '9') return "消費時間の行が不正です「T" + quotedPart(text) + "」";
                if (scale > 0) ms += (c - '0') * scale;
                else if (scale == 0 && c >= '5') ++ms;
                scale = scale > 0 ? scale / 10 : -1;
            }
        }
        // A time after the end word is the time taken before it; one before the first move
        // belongs to nothing.
        if (built_ && ended_) {
            if (notes_.endMs < 0) notes_.endMs = ms;
            return {};
        }
        if (!built_ || game_.moveCount() == 0) return {};
        const auto move = static_cast<std::size_t>(game_.moveCount());
        if (notes_.moveMs.size() < move) notes_.moveMs.resize(move, -1);
        notes_.moveMs[move - 1] = ms;
        return {};
    }

    std::string readEnd(std::string_view word) {
        if (!built_) return "手番の行より前に終局の行があります";
        if (ended_) return "終局の行が二度あります";
        const std::string_view kif = endWordOf(word, game_.turn());
        if (kif.empty()) return "知らない終局の語です「%" + quotedPart(word) + "」";
        notes_.endWord = kif;
        notes_.csaEndWord = std::string("%").append(word);
        ended_ = true;
        return {};
    }

    TextLines lines_;
    ZnBan game_;
    RecordNotes notes_;
    PositionSpec position_;
    unsigned rowsGiven_ = 0;  // bit r: the line "P(r+1)" has been read
    bool usedPI_ = false;
    bool positionGiven_ = false;
    bool built_ = false;
    bool ended_ = false;
    bool stopped_ = false;
    bool anyStatement_ = false;
    Side restTo_ = 2;      // the side "00AL" gives the rest to; 2 for none
    int continuing_ = -1;  // the header a continuation line extends; -1 for none
};

// ---- writing ----

bool isCsaKey(std::string_view key) {
    if (key.empty()) return false;
    for (char c : key)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '+' || c == '-'))
            return false;
    return true;
}

// The text on one line: line ends inside a value become spaces.
void appendOneLine(std::string &out, std::string_view text) {
    for (char c : text) out += c == '\n' || c == '\r' ? ' ' : c;
    out += '\n';
}

void appendComments(std::string &out, const std::vector<std::string> &comments) {
    for (const std::string &comment : comments) {
        std::string_view rest = comment;
        // A comment of several lines becomes several comment lines.
        while (true) {
            const std::size_t end = rest.find('\n');
            // A plain "'" line is a remark that other programs skip; "'*" makes it a comment.
            out += "'*";
            appendOneLine(out, rest.substr(0, end));
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end + 1);
        }
    }
}

void appendHeaders(std::string &out, const RecordNotes &notes) {
    std::string_view sente = notes.header("先手"), gote = notes.header("後手");
    if (sente.empty()) sente = notes.header("下手");
    if (gote.empty()) gote = notes.header("上手");
    if (!sente.empty()) {
        out += "N+";
        appendOneLine(out, sente);
    }
    if (!gote.empty()) {
        out += "N-";
        appendOneLine(out, gote);
    }
    for (const auto &[key, value] : notes.headers) {
        const std::string_view csaKey = csaKeyOf(key, value);
        if (csaKey.empty()) continue;
        out += '$';
        out += csaKey;
        out += ':';
        appendOneLine(out, value);
    }
}

void appendSquare(std::string &out, Square square) {
    out += static_cast<char>('1' + columnOf(square));
    out += static_cast<char>('1' + rowOf(square));
}

// "PI" with the removed pieces when the position is the standard start less some pieces and no
// hands; otherwise the nine rows and the hands.
void appendPosition(std::string &out, const PositionSpec &position) {
    const PositionSpec start = standardStart();
    bool subset = true;
    for (Square square = 0; square < SQUARE_COUNT && subset; ++square)
        subset = position.code[square] == PositionSpec::EMPTY ||
                 (position.code[square] == start.code[square] && position.side[square] == start.side[square]);
    for (const auto &hand : position.hands)
        for (int count : hand) subset = subset && count == 0;
    if (subset) {
        out += "PI";
        for (Square square = 0; square < SQUARE_COUNT; ++square) {
            if (start.code[square] == PositionSpec::EMPTY || position.code[square] != PositionSpec::EMPTY)
                continue;
            appendSquare(out, square);
            out += RecordCode[static_cast<std::size_t>(start.code[square])];
        }
        out += '\n';
    } else {
        for (int row = 0; row < 9; ++row) {
            out += 'P';
            out += static_cast<char>('1' + row);
            for (int column = 8; column >= 0; --column) {
                const Square square = static_cast<Square>(squareAt(row, column));
                if (position.code[square] == PositionSpec::EMPTY) {
                    out += " * ";
                } else {
                    out += position.side[square] == SENTE ? '+' : '-';
                    out += RecordCode[static_cast<std::size_t>(position.code[square])];
                }
            }
            out += '\n';
        }
        for (Side side : {SENTE, GOTE}) {
            bool any = false;
            for (PieceKind kind = 0; kind < KIND_COUNT; ++kind) {
                for (int i = 0; i < position.hands[side][kind]; ++i) {
                    if (!any) out += side == SENTE ? "P+" : "P-";
                    any = true;
                    out += "00";
                    out += RecordCode[kind];
                }
            }
            if (any) out += '\n';
        }
    }
    out += position.turn == SENTE ? "+\n" : "-\n";
}

// "T12" for a whole number of seconds, else "T0.3": version 3.0 keeps the millisecond. Nothing
// for an unknown time.
void appendTime(std::string &out, std::int64_t ms) {
    if (ms < 0) return;
    out += 'T' + std::to_string(ms / 1000);
    if (std::int64_t fraction = ms % 1000; fraction != 0) {
        std::string digits = std::to_string(1000 + fraction).substr(1);
        while (digits.back() == '0') digits.pop_back();
        out += '.' + digits;
    }
    out += '\n';
}

// The version line, and first the encoding line where the text is more than ASCII: a reader that
// is not told assumes Shift-JIS. Keys that version 2.2 lacks need 3.0 too.
std::string csaHead(std::string_view body) {
    for (char c : body)
        if (static_cast<unsigned char>(c) >= 0x80) return "'CSA encoding=UTF-8\nV3.0\n";
    for (std::string_view key : {"$TIME:", "$TIME+:", "$TIME-:", "$MAX_MOVES:", "$JISHOGI:", "$NOTE:"})
        for (std::size_t at = body.find(key); at != std::string_view::npos; at = body.find(key, at + 1))
            if (at == 0 || body[at - 1] == '\n') return "V3.0\n";
    // So does a time with a fraction of a second.
    for (std::size_t at = body.find("\nT"); at != std::string_view::npos; at = body.find("\nT", at + 1)) {
        const std::size_t end = body.find('\n', at + 1);
        if (body.substr(at + 1, end - at - 1).find('.') != std::string_view::npos) return "V3.0\n";
    }
    return "V2.2\n";
}

}  // namespace

RecordResult readCsa(ZnBan &game, RecordNotes &notes, std::string_view text) {
    // A byte-order mark left in front of the text is no part of the record.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    CsaReader reader(text);
    if (std::string problem = reader.read(); !problem.empty()) return {false, std::move(problem)};
    game.swap(reader.game());
    notes = std::move(reader.notes());
    return {true, {}};
}

std::string csaEndWordOf(std::string_view kifEndWord, Side turn) {
    if (kifEndWord == "反則勝ち") return turn == SENTE ? "%-ILLEGAL_ACTION" : "%+ILLEGAL_ACTION";
    for (const auto &[csa, kif] : END_WORDS)
        if (kif == kifEndWord) return std::string("%").append(csa);
    return {};
}

std::string writeCsa(ZnBan &game, const RecordNotes &notes) {
    std::string out;
    appendHeaders(out, notes);
    appendComments(out, notes.startComments);
    Side endTurn = SENTE;
    const bool walked = walkRecord(
        game, [&](const ZnBan &start) { appendPosition(out, positionOf(start)); },
        [&](const ZnBan &before, std::size_t index) {
            const MoveHistory &record = before.history()[index];
            const Koma *piece = record.piece;
            out += piece->side() == SENTE ? '+' : '-';
            if (record.from == IN_HAND)
                out += "00";
            else
                appendSquare(out, record.from);
            appendSquare(out, record.to);
            out +=
                RecordCode[static_cast<std::size_t>(piece->code() + (record.promoted ? PROMOTED_OFFSET : 0))];
            out += '\n';
            appendTime(out, notes.msOf(index + 1));
            appendComments(out, notes.commentsAfter(index + 1));
            endTurn = otherSide(piece->side());
        });
    if (!walked) return {};
    if (game.history().empty()) endTurn = game.turn();
    // The word read is written back where it still stands for the end word kept.
    std::string end = csaEndWordOf(notes.endWord, endTurn);
    if (notes.csaEndWord.size() > 1 &&
        endWordOf(std::string_view(notes.csaEndWord).substr(1), endTurn) == std::string_view(notes.endWord))
        end = notes.csaEndWord;
    if (!end.empty()) {
        out += end + '\n';
        appendTime(out, notes.endMs);
    }
    // Without a word to hang on, they still stand after the last move rather than go.
    appendComments(out, notes.endComments);
    return csaHead(out) + out;
}

std::string readCsaMove(const ZnBan &game, std::string_view word, Move &move) {
    if (word.size() != 7 || (word[0] != '+' && word[0] != '-'))
        return "指し手は7文字（例: +7776FU）で書きます「" + quotedPart(word) + "」";
    const int code = codeOf(word.substr(5, 2));
    if (code < 0) return "駒の記号が不正です「" + quotedPart(word) + "」";
    move = Move{};
    if (!squareOf(word[3], word[4], move.to)) return "移動先のマス目が不正です「" + quotedPart(word) + "」";
    if (word[1] == '0' && word[2] == '0') {
        if (isPromotedCode(static_cast<PieceCode>(code))) return "成駒は打てません「" + quotedPart(word) + "」";
        move.dropKind = static_cast<PieceKind>(code);
        return {};
    }
    if (!squareOf(word[1], word[2], move.from)) return "移動元のマス目が不正です「" + quotedPart(word) + "」";
    const Koma *piece = game.pieceAt(move.from);
    if (piece == nullptr) return "移動元に駒がありません「" + quotedPart(word) + "」";
    // The code is the piece as it stands after the move: its own code, or the promoted one.
    if (piece->code() != code) {
        if (piece->promoted() || code != piece->code() + PROMOTED_OFFSET)
            return "駒の記号が移動元の駒と合いません「" + quotedPart(word) + "」";
        move.promote = true;
    }
    return {};
}

std::string csaMoveWord(const ZnBan &game, const Move &move) {
    std::string out(1, game.turn() == SENTE ? '+' : '-');
    int code = move.dropKind;
    if (move.from == IN_HAND) {
        out += "00";
    } else {
        const Koma *piece = move.from < SQUARE_COUNT ? game.pieceAt(move.from) : nullptr;
        if (piece == nullptr) return {};
        appendSquare(out, move.from);
        code = piece->code() + (move.promote && !piece->promoted() ? PROMOTED_OFFSET : 0);
    }
    if (move.to >= SQUARE_COUNT || code < 0 || code >= CODE_COUNT) return {};
    appendSquare(out, move.to);
    out += RecordCode[static_cast<std::size_t>(code)];
    return out;
}

std::string_view csaKeyOf(std::string_view key, std::string_view value) {
    if (key == "持ち時間") return timeKeyOf(value);
    for (const auto &[csa, kif] : HEADER_NAMES)
        if (kif == key) return csa;
    return isCsaKey(key) ? key : std::string_view();
}
