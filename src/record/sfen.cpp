// SFEN positions and USI position lines. The reader takes the words of one line in place, builds
// the position into a fresh game and plays each USI move through the game's own rules.

#include "record/sfen.h"

#include <array>

#include "record/play.h"
#include "record/position.h"
#include "record/textlines.h"

namespace {

// SFEN letters by PieceKind, sente's (upper case); gote's are the lower-case letters.
constexpr std::array<char, KIND_COUNT> KIND_LETTERS = {'K', 'R', 'B', 'G', 'S', 'N', 'L', 'P'};
// The order SFEN lists the pieces of a hand in.
constexpr std::array<PieceKind, 7> HAND_ORDER = {ROOK, BISHOP, GOLD, SILVER, KNIGHT, LANCE, PAWN};
// The most pieces of one kind a set holds, and so the largest hand count worth reading.
constexpr int MOST_OF_A_KIND = 18;

// The kind of an upper-case SFEN letter; -1 for any other character.
int kindOfLetter(char letter) {
    for (std::size_t kind = 0; kind < KIND_LETTERS.size(); ++kind)
        if (KIND_LETTERS[kind] == letter) return static_cast<int>(kind);
    return -1;
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }

// Splits one line into its space-separated words, in place.
class Words {
public:
    explicit Words(std::string_view line) : line_(line) {}
    bool next(std::string_view &word) {
        while (position_ < line_.size() && (line_[position_] == ' ' || line_[position_] == '\t')) ++position_;
        if (position_ == line_.size()) return false;
        const std::size_t start = position_;
        while (position_ < line_.size() && line_[position_] != ' ' && line_[position_] != '\t') ++position_;
        word = line_.substr(start, position_ - start);
        return true;
    }
    bool peek(std::string_view &word) {
        const std::size_t saved = position_;
        const bool found = next(word);
        position_ = saved;
        return found;
    }

private:
    std::string_view line_;
    std::size_t position_ = 0;
};

std::string readBoard(std::string_view board, PositionSpec &position) {
    int row = 0, column = 8;
    bool promoted = false;
    for (char c : board) {
        if (c == '/') {
            if (promoted) return "「+」の後に駒がありません";
            if (column != -1) return std::to_string(row + 1) + "段目のマスが9つではありません";
            if (++row > 8) return "段の数が9より多くあります";
            column = 8;
        } else if (c >= '1' && c <= '9') {
            if (promoted) return "「+」の後に駒がありません";
            column -= c - '0';
            if (column < -1) return std::to_string(row + 1) + "段目のマスが9つより多くあります";
        } else if (c == '+') {
            if (promoted) return "「+」が続いています";
            promoted = true;
        } else {
            const int kind = kindOfLetter(upper(c));
            if (kind < 0)
                return std::string("盤面に知らない駒の文字があります「") + quotedPart({&c, 1}) + "」";
            if (column < 0) return std::to_string(row + 1) + "段目のマスが9つより多くあります";
            if (promoted && (kind == KING || kind == GOLD)) return "成れない駒に「+」が付いています";
            position.put(static_cast<Square>(squareAt(row, column)),
                         static_cast<PieceCode>(kind + (promoted ? PROMOTED_OFFSET : 0)),
                         isLower(c) ? GOTE : SENTE);
            promoted = false;
            --column;
        }
    }
    if (promoted) return "「+」の後に駒がありません";
    if (row != 8) return "段の数が9ではありません（" + std::to_string(row + 1) + "段）";
    if (column != -1) return "9段目のマスが9つではありません";
    return {};
}

std::string readHands(std::string_view hands, PositionSpec &position) {
    if (hands == "-") return {};
    int count = 0;
    int digits = 0;
    for (char c : hands) {
        if (c >= '0' && c <= '9') {
            if (++digits > 2 || (count = count * 10 + (c - '0')) > MOST_OF_A_KIND)
                return "持ち駒の数が多すぎます「" + quotedPart(hands) + "」";
            continue;
        }
        const int kind = kindOfLetter(upper(c));
        if (kind < 0) return "持ち駒に知らない文字があります「" + quotedPart(hands) + "」";
        if (digits > 0 && count == 0) return "持ち駒の数が0です「" + quotedPart(hands) + "」";
        int &held = position.hands[isLower(c) ? GOTE : SENTE][static_cast<std::size_t>(kind)];
        held += digits == 0 ? 1 : count;
        if (held > MOST_OF_A_KIND) return "持ち駒の数が多すぎます「" + quotedPart(hands) + "」";
        count = 0;
        digits = 0;
    }
    if (digits > 0) return "持ち駒の数の後に駒がありません";
    return {};
}

// board, turn, hands and an optional move number, which `moveNumber` receives.
std::string readPosition(Words &words, PositionSpec &position, int &moveNumber) {
    std::string_view board, turn, hands, number;
    if (!words.next(board)) return "SFEN がありません";
    // A broken board is named before what is missing after it, which it may have swallowed.
    if (std::string problem = readBoard(board, position); !problem.empty()) return problem;
    if (!words.next(turn) || !words.next(hands)) return "SFEN が途中で切れています（手番と持ち駒が要ります）";
    if (turn != "b" && turn != "w") return "手番は b（先手）か w（後手）です「" + quotedPart(turn) + "」";
    position.turn = turn == "b" ? SENTE : GOTE;
    if (std::string problem = readHands(hands, position); !problem.empty()) return problem;
    if (words.peek(number) && number != "moves") {
        words.next(number);
        if (number.size() > 9) return "手数が大きすぎます";
        int value = 0;
        for (char c : number) {
            if (c < '0' || c > '9') return "手数が数字ではありません「" + quotedPart(number) + "」";
            value = value * 10 + (c - '0');
        }
        moveNumber = value > 0 ? value : 1;
    }
    return {};
}

bool usiSquare(char file, char rank, Square &square) {
    if (file < '1' || file > '9' || rank < 'a' || rank > 'i') return false;
    square = static_cast<Square>(squareAt(rank - 'a', file - '1'));
    return true;
}

bool readUsiMove(std::string_view word, Move &move) {
    if (word.size() == 4 && word[1] == '*') {
        const int kind = kindOfLetter(word[0]);
        if (kind < 0) return false;
        move.from = IN_HAND;
        move.dropKind = static_cast<PieceKind>(kind);
        return usiSquare(word[2], word[3], move.to);
    }
    if (word.size() != 4 && !(word.size() == 5 && word[4] == '+')) return false;
    move.promote = word.size() == 5;
    return usiSquare(word[0], word[1], move.from) && usiSquare(word[2], word[3], move.to);
}

std::string readLine(ZnBan &game, std::string_view line, int &moveNumber) {
    Words words(line);
    std::string_view word;
    if (!words.peek(word)) return "局面がありません";
    if (word == "position") {
        words.next(word);
        if (!words.peek(word)) return "「position」の後に局面がありません";
    }
    PositionSpec position;
    if (word == "startpos") {
        words.next(word);
        position = standardStart();
    } else {
        if (word == "sfen") words.next(word);
        if (std::string problem = readPosition(words, position, moveNumber); !problem.empty()) return problem;
    }
    if (std::string problem = buildGame(game, position); !problem.empty()) return problem;
    if (!words.next(word)) return {};
    if (word != "moves") return "局面の後は「moves」で指し手を続けます「" + quotedPart(word) + "」";
    while (words.next(word)) {
        Move move;
        if (!readUsiMove(word, move))
            return std::to_string(game.moveCount() + 1) + "手目の指し手が読めません「" + quotedPart(word) +
                   "」";
        if (std::string problem = playMove(game, move); !problem.empty())
            return std::to_string(game.moveCount() + 1) + "手目「" + quotedPart(word) + "」: " + problem;
    }
    return {};
}

void appendUsiSquare(std::string &out, Square square) {
    out += static_cast<char>('1' + columnOf(square));
    out += static_cast<char>('a' + rowOf(square));
}

void appendCount(std::string &out, int count) {
    if (count > 1) out += std::to_string(count);
}

}  // namespace

RecordResult readSfen(ZnBan &game, RecordNotes &notes, std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    TextLines lines(text);
    std::string_view line;
    while (lines.next(line)) {
        line = trimmed(line);
        if (!line.empty()) break;
    }
    if (line.empty()) return {false, "SFEN も USI の局面もありません（空のファイルです）"};
    ZnBan fresh;
    int moveNumber = 1;
    if (std::string problem = readLine(fresh, line, moveNumber); !problem.empty())
        return {false, lineLabel(lines.number()) + problem};
    game.swap(fresh);
    notes = RecordNotes{};
    notes.firstMoveNumber = moveNumber;
    return {true, {}};
}

std::string positionSfen(const ZnBan &game, int firstMoveNumber) {
    std::string out;
    out.reserve(96);
    for (int row = 0; row < 9; ++row) {
        if (row > 0) out += '/';
        int empty = 0;
        for (int column = 8; column >= 0; --column) {
            const Koma *piece = game.pieceAt(static_cast<Square>(squareAt(row, column)));
            if (piece == nullptr) {
                ++empty;
                continue;
            }
            if (empty > 0) out += static_cast<char>('0' + empty);
            empty = 0;
            if (piece->promoted()) out += '+';
            const char letter = KIND_LETTERS[piece->kind()];
            out += piece->side() == SENTE ? letter : static_cast<char>(letter - 'A' + 'a');
        }
        if (empty > 0) out += static_cast<char>('0' + empty);
    }
    out += game.turn() == SENTE ? " b " : " w ";
    std::array<std::array<int, KIND_COUNT>, 2> held{};
    for (Side side : {SENTE, GOTE})
        for (const Koma *piece : game.hand(side)) ++held[side][piece->kind()];
    bool any = false;
    for (Side side : {SENTE, GOTE}) {
        // A king only reaches a hand when play went on after it was taken; the game's rules allow
        // that, so it is written and read like any other piece.
        if (held[side][KING] > 0) {
            appendCount(out, held[side][KING]);
            out += side == SENTE ? 'K' : 'k';
            any = true;
        }
        for (PieceKind kind : HAND_ORDER) {
            if (held[side][kind] == 0) continue;
            appendCount(out, held[side][kind]);
            out += side == SENTE ? KIND_LETTERS[kind] : static_cast<char>(KIND_LETTERS[kind] - 'A' + 'a');
            any = true;
        }
    }
    if (!any) out += '-';
    out += ' ';
    out += std::to_string(static_cast<long long>(game.moveCount()) + firstMoveNumber);
    return out;
}

std::string writeSfen(ZnBan &game, int firstMoveNumber) { return positionSfen(game, firstMoveNumber) + '\n'; }

std::string writeUsi(ZnBan &game, int firstMoveNumber) {
    std::string out = "position ";
    const bool walked = walkRecord(
        game,
        [&](const ZnBan &start) {
            // "startpos" has no move number, so a start numbered otherwise is written out.
            if (positionOf(start) == standardStart() && firstMoveNumber == 1)
                out += "startpos";
            else
                out += "sfen " + positionSfen(start, firstMoveNumber);
            if (!start.history().empty()) out += " moves";
        },
        [&](const ZnBan &before, std::size_t index) {
            const MoveHistory &record = before.history()[index];
            out += ' ';
            if (record.from == IN_HAND) {
                out += KIND_LETTERS[record.piece->kind()];
                out += '*';
            } else {
                appendUsiSquare(out, record.from);
            }
            appendUsiSquare(out, record.to);
            if (record.promoted) out += '+';
        });
    if (!walked) return {};
    out += '\n';
    return out;
}
