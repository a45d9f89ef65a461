// Book lines are read by hand, word by word in place: a large book has millions of them and is
// read at the speed of a scan.

#include "book/bookline.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "record/textlines.h"

namespace bookline {

namespace {

constexpr std::array<char, KIND_COUNT> KIND_LETTERS = {'K', 'R', 'B', 'G', 'S', 'N', 'L', 'P'};
// The order a hand is written in, as every engine writes it.
constexpr std::array<PieceKind, 7> HAND_ORDER = {ROOK, BISHOP, GOLD, SILVER, KNIGHT, LANCE, PAWN};

int kindOfLetter(char letter) {
    for (std::size_t kind = 0; kind < KIND_LETTERS.size(); ++kind)
        if (KIND_LETTERS[kind] == letter) return static_cast<int>(kind);
    return -1;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

// The next word of `line` from `at`, moving `at` past it; empty at the end.
std::string_view nextWord(std::string_view line, std::size_t &at) {
    while (at < line.size() && blank(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !blank(line[at])) ++at;
    return line.substr(start, at - start);
}

std::string checkBoard(std::string_view board) {
    int rows = 1, squares = 0;
    bool promoted = false;
    for (char c : board) {
        if (c == '/') {
            if (squares != 9 || promoted) return std::to_string(rows) + "段目のマスが9つではありません";
            ++rows;
            squares = 0;
        } else if (c >= '1' && c <= '9') {
            if (promoted) return "「+」の後に駒がありません";
            squares += c - '0';
        } else if (c == '+') {
            if (promoted) return "「+」が続いています";
            promoted = true;
        } else {
            const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            const int kind = kindOfLetter(upper);
            if (kind < 0) return "盤面に知らない駒の文字があります「" + quotedPart({&c, 1}) + "」";
            if (promoted && (kind == KING || kind == GOLD)) return "成れない駒に「+」が付いています";
            promoted = false;
            ++squares;
        }
        if (squares > 9) return std::to_string(rows) + "段目のマスが9つより多くあります";
    }
    if (rows != 9 || squares != 9 || promoted) return "盤面が9段9列ではありません";
    return {};
}

// Reads a hand and writes it in the usual order: sente's pieces before gote's, rook first, a count
// only above one.
std::string canonicalHand(std::string_view hand, std::string &out) {
    out.clear();
    if (hand == "-") {
        out.assign(1, '-');
        return {};
    }
    std::array<std::array<int, KIND_COUNT>, 2> held{};
    int count = 0, digits = 0;
    for (char c : hand) {
        if (c >= '0' && c <= '9') {
            if (++digits > 2) return "持ち駒の数が多すぎます";
            count = count * 10 + (c - '0');
            continue;
        }
        const bool gote = c >= 'a' && c <= 'z';
        const int kind = kindOfLetter(gote ? static_cast<char>(c - 'a' + 'A') : c);
        if (kind < 0) return "持ち駒に知らない文字があります「" + quotedPart(hand) + "」";
        if (digits > 0 && count == 0) return "持ち駒の数が0です";
        int &slot = held[gote ? 1 : 0][static_cast<std::size_t>(kind)];
        slot += digits == 0 ? 1 : count;
        if (slot > 18) return "持ち駒の数が多すぎます";
        count = digits = 0;
    }
    if (digits > 0 || hand.empty()) return "持ち駒が読めません「" + quotedPart(hand) + "」";
    for (int side = 0; side < 2; ++side) {
        auto write = [&](PieceKind kind) {
            const int n = held[static_cast<std::size_t>(side)][kind];
            if (n == 0) return;
            if (n > 1) out += std::to_string(n);
            out += side == 0 ? KIND_LETTERS[kind] : static_cast<char>(KIND_LETTERS[kind] - 'A' + 'a');
        };
        write(KING);
        for (PieceKind kind : HAND_ORDER) write(kind);
    }
    if (out.empty()) out.assign(1, '-');
    return {};
}

// A signed decimal number or "none"; false for anything else.
template <typename Number>
bool readField(std::string_view word, std::optional<Number> &out) {
    if (word == "none" || word == "None") {
        out.reset();
        return true;
    }
    Number value{};
    const char *first = word.data();
    if (!word.empty() && word[0] == '+') ++first;
    const auto [end, error] = std::from_chars(first, word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || first == word.data() + word.size()) return false;
    out = value;
    return true;
}

}  // namespace

std::string_view clean(std::string_view line) {
    while (!line.empty() && (blank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

bool isComment(std::string_view line) { return line.starts_with('#') || line.starts_with("//"); }

bool isPositionLine(std::string_view line) { return line.starts_with("sfen ") || line.starts_with("sfen\t"); }

std::string_view commentText(std::string_view line) {
    line.remove_prefix(line.starts_with('#') ? 1 : 2);
    if (line.starts_with(' ')) line.remove_prefix(1);
    return line;
}

std::string readPositionLine(std::string_view line, PositionLine &out) {
    std::size_t at = 4;
    const std::string_view board = nextWord(line, at);
    const std::size_t boardStart = static_cast<std::size_t>(board.data() - line.data());
    const std::string_view turn = nextWord(line, at);
    const std::string_view hand = nextWord(line, at);
    const std::size_t handEnd = at;
    const std::string_view ply = nextWord(line, at);
    if (hand.empty()) return "局面が途中で切れています";
    if (!nextWord(line, at).empty()) return "局面の後に余計な文字があります";
    if (std::string problem = checkBoard(board); !problem.empty()) return problem;
    if (turn != "b" && turn != "w") return "手番は b か w です「" + quotedPart(turn) + "」";
    std::string canonical;
    if (std::string problem = canonicalHand(hand, canonical); !problem.empty()) return problem;
    out.ply = 1;
    if (!ply.empty()) {
        const auto [end, error] = std::from_chars(ply.data(), ply.data() + ply.size(), out.ply);
        if (error != std::errc() || end != ply.data() + ply.size() || out.ply < 1)
            return "手数が読めません「" + quotedPart(ply) + "」";
    }
    out.written = line.substr(boardStart, handEnd - boardStart);
    out.key.clear();
    out.key.reserve(out.written.size());
    out.key.append(board).append(" ").append(turn).append(" ").append(canonical);
    return {};
}

std::string readMoveLine(std::string_view line, BookMove &out) {
    out = BookMove{};
    std::size_t at = 0;
    const std::string_view word = nextWord(line, at);
    if (!readUsiWord(word, out.move)) return "指し手が読めません「" + quotedPart(word) + "」";
    for (int field = 0; field < 4; ++field) {
        const std::size_t before = at;
        const std::string_view next = nextWord(line, at);
        if (next.empty()) return {};
        if (next.starts_with('#')) {
            at = before;
            break;
        }
        bool ok = true;
        if (field == 0) {
            Move ponder;
            if (next == "none" || next == "None" || next == "resign") out.ponder.reset();
            else if ((ok = readUsiWord(next, ponder))) out.ponder = ponder;
        } else if (field == 1) {
            ok = readField(next, out.value);
        } else if (field == 2) {
            ok = readField(next, out.depth);
        } else {
            ok = readField(next, out.count);
        }
        if (!ok) return "指し手の行の" + std::to_string(field + 2) + "語目が読めません「" + quotedPart(next) + "」";
    }
    while (at < line.size() && blank(line[at])) ++at;
    if (at < line.size() && line[at] == '#') {
        std::string_view comment = line.substr(at + 1);
        if (comment.starts_with(' ')) comment.remove_prefix(1);
        out.comment = comment;
    }
    return {};
}

void writeMoveLine(const BookMove &move, std::string &out) {
    out += usiMoveWord(move.move);
    out += ' ';
    out += move.ponder ? usiMoveWord(*move.ponder) : "none";
    // Fields are positional: a missing one before a present one is written "none".
    const int last = !move.comment.empty() ? 3 : move.count ? 3 : move.depth ? 2 : move.value ? 1 : 0;
    auto field = [&](const auto &value) {
        out += ' ';
        out += value ? std::to_string(*value) : std::string("none");
    };
    if (last >= 1) field(move.value);
    if (last >= 2) field(move.depth);
    if (last >= 3) field(move.count);
    if (!move.comment.empty()) {
        out += " #";
        for (char c : move.comment) out += c == '\n' || c == '\r' ? ' ' : c;
    }
    out += '\n';
}

void readBody(std::string_view body, std::uint32_t firstLine, BookEntry &entry) {
    std::uint32_t number = firstLine;
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t end = body.find('\n', at);
        if (end == std::string_view::npos) end = body.size();
        const std::string_view line = clean(body.substr(at, end - at));
        at = end + 1;
        const std::uint32_t lineNumber = number++;
        if (line.empty()) continue;
        if (isComment(line)) {
            if (!entry.comment.empty()) entry.comment += '\n';
            entry.comment += commentText(line);
            continue;
        }
        BookMove move;
        if (!readMoveLine(line, move).empty()) continue;
        move.line = lineNumber;
        entry.moves.push_back(std::move(move));
    }
}

void merge(BookEntry &into, BookEntry from) {
    into.ply = std::min(into.ply, from.ply);
    if (!from.comment.empty()) {
        if (!into.comment.empty() && into.comment != from.comment) into.comment += '\n';
        if (into.comment != from.comment) into.comment += from.comment;
    }
    for (BookMove &move : from.moves) {
        auto same = std::find_if(into.moves.begin(), into.moves.end(),
                                 [&](const BookMove &kept) { return kept.move == move.move; });
        if (same == into.moves.end()) {
            into.moves.push_back(std::move(move));
            continue;
        }
        if (move.count) same->count = same->count.value_or(0) + *move.count;
        if (!same->value) same->value = move.value;
        if (!same->depth) same->depth = move.depth;
        if (!same->ponder) same->ponder = move.ponder;
        if (same->comment.empty()) same->comment = std::move(move.comment);
    }
}

}  // namespace bookline
