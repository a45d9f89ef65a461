// JKF records. The JSON is parsed by nlohmann-json with its key order kept; the reader then walks
// the move arrays with a stack of pending forks, never recursing, and plays every move through the
// game's own rules. The writer plays every line on a scratch game and nests the forks bottom-up.

#include "record/jkf.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "record/kifu_text.h"
#include "record/position.h"
#include "record/treegame.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr std::array<std::string_view, CODE_COUNT> KIND_NAMES = {
    "OU", "HI", "KA", "KI", "GI", "KE", "KY", "FU", "", "RY", "UM", "", "NG", "NK", "NY", "TO"};

// JKF presets and the 手合割 names they stand for.
constexpr std::array<std::pair<std::string_view, std::string_view>, 16> PRESETS = {{
    {"HIRATE", "平手"},
    {"KY", "香落ち"},
    {"KY_R", "右香落ち"},
    {"KA", "角落ち"},
    {"HI", "飛車落ち"},
    {"HIKY", "飛香落ち"},
    {"2", "二枚落ち"},
    {"3", "三枚落ち"},
    {"4", "四枚落ち"},
    {"5", "五枚落ち"},
    {"5_L", "左五枚落ち"},
    {"6", "六枚落ち"},
    {"7_L", "左七枚落ち"},
    {"7_R", "右七枚落ち"},
    {"8", "八枚落ち"},
    {"10", "十枚落ち"},
}};

// JKF specials and the KIF end words they stand for; the fouls are told apart by who is to move.
constexpr std::array<std::pair<std::string_view, std::string_view>, 11> SPECIALS = {{
    {"TORYO", "投了"},
    {"CHUDAN", "中断"},
    {"SENNICHITE", "千日手"},
    {"TIME_UP", "切れ負け"},
    {"ILLEGAL_MOVE", "反則負け"},
    {"JISHOGI", "持将棋"},
    {"KACHI", "入玉勝ち"},
    {"TSUMI", "詰み"},
    {"FUZUMI", "不詰"},
    {"HIKIWAKE", "引き分け"},
    {"MAX_MOVES", "最大手数"},
}};

// The KIF end word of a JKF special with `turn` to move; empty when unknown. A foul wins for the
// side to move when the other side made it.
std::string_view wordOfSpecial(std::string_view special, Side turn) {
    for (const auto &[name, endWord] : SPECIALS)
        if (name == special) return endWord;
    if (special == "+ILLEGAL_ACTION" || special == "-ILLEGAL_ACTION")
        return (special[0] == '+') == (turn == SENTE) ? "反則負け" : "反則勝ち";
    // A KIF word JKF has no name for (封じ手, 不戦勝, ...) is written as itself; see specialOf.
    return kifu::isEndWord(special) ? special : std::string_view();
}

int codeOfName(const std::string &name) {
    for (std::size_t code = 0; code < KIND_NAMES.size(); ++code)
        if (!KIND_NAMES[code].empty() && KIND_NAMES[code] == name) return static_cast<int>(code);
    return -1;
}

// ---- reading ----

class JkfReader {
public:
    // Empty on success, else "path: reason".
    std::string read(std::string_view text);

    ZnBan game;
    RecordNotes notes;

private:
    // A line of moves still to read: where its array is, which line holds the element it forks
    // from (-1 for the main line), and the node it starts after. The JSON path of an element is
    // made from these only when there is a fault to name, so that a deep tree costs no more than
    // its size.
    struct Pending {
        const Json *line;
        int up;
        std::size_t element;
        std::size_t fork;
        int parent;
        bool main;
    };
    // Names a place in the line of `pending` for a fault: the element `index`, and `suffix` in it.
    struct Where {
        const JkfReader &reader;
        int line;
        std::size_t index;
        std::string operator()(std::string_view suffix = {}) const;
    };

    std::string readHeader(const Json &root);
    std::string readStart(const Json &root);
    std::string readBoard(const Json &data, PositionSpec &start);
    std::string readLine(int index, std::vector<Pending> &forks);
    std::string readMove(const Json &move, const Where &where, Move &named);
    std::string readNotes(const Json &element, const Where &where, RecordNode &node);
    std::string pathOf(int line) const;
    std::string standAt(int parent);

    std::vector<int> depth_{0};
    // Every line read or pending, so that a fault can name its path.
    std::vector<Pending> lines_;
    // The main line's special as written, which tells a foul apart from an illegal action.
    std::string mainSpecial_;
    // The nodes the game has played, from the start on.
    std::vector<int> played_{RecordTree::START};
};

std::string fail(const std::string &path, std::string_view reason) {
    return path + ": " + std::string(reason);
}

bool isSmallInt(const Json &value, int low, int high) {
    return value.is_number_integer() && value.get<long long>() >= low && value.get<long long>() <= high;
}

// Empty on success, else the reason, without the path.
std::string_view readSquare(const Json &square, Square &at) {
    if (!square.is_object() || !square.contains("x") || !square.contains("y")) return "x と y がありません";
    if (!isSmallInt(square["x"], 1, 9) || !isSmallInt(square["y"], 1, 9)) return "x と y は 1 から 9 です";
    at = static_cast<Square>(squareAt(square["y"].get<int>() - 1, square["x"].get<int>() - 1));
    return {};
}

std::string JkfReader::read(std::string_view text) {
    Json root;
    try {
        root = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error &error) {
        return "JSON として読めません（" + std::to_string(error.byte) + "バイト目）";
    }
    if (!root.is_object()) return fail("$", "JKF はオブジェクトです");
    if (std::string reason = readHeader(root); !reason.empty()) return reason;
    if (std::string reason = readStart(root); !reason.empty()) return reason;
    if (!root.contains("moves")) return {};
    const Json &moves = root["moves"];
    if (!moves.is_array()) return fail("moves", "配列ではありません");
    lines_.push_back({&moves, -1, 0, 0, RecordTree::START, true});
    std::vector<int> pending{0};
    std::vector<Pending> forks;
    while (!pending.empty()) {
        const int line = pending.back();
        pending.pop_back();
        forks.clear();
        if (std::string reason = readLine(line, forks); !reason.empty()) return reason;
        // The deepest fork is read first, so that every fork starts on the line read before it.
        for (const Pending &fork : forks) {
            pending.push_back(static_cast<int>(lines_.size()));
            lines_.push_back(fork);
        }
    }
    const std::vector<int> main = notes.tree.mainLine();
    if (standAt(RecordTree::START) != "" || playNodes(game, notes.tree, main) != "")
        return fail("moves", "本譜を再生できません");
    setLineNotes(notes.tree, main, notes);
    if (mainSpecial_.find("ILLEGAL_ACTION") != std::string::npos) notes.csaEndWord = "%" + mainSpecial_;
    return {};
}

std::string JkfReader::readHeader(const Json &root) {
    if (!root.contains("header")) return {};
    const Json &header = root["header"];
    if (!header.is_object()) return fail("header", "オブジェクトではありません");
    for (const auto &[key, value] : header.items()) {
        if (!value.is_string()) return fail("header." + key, "文字列ではありません");
        notes.headers.emplace_back(key, value.get<std::string>());
    }
    return {};
}

std::string JkfReader::readStart(const Json &root) {
    PositionSpec start = standardStart();
    if (root.contains("initial")) {
        const Json &initial = root["initial"];
        if (!initial.is_object()) return fail("initial", "オブジェクトではありません");
        if (!initial.contains("preset") || !initial["preset"].is_string())
            return fail("initial.preset", "ありません");
        const std::string preset = initial["preset"].get<std::string>();
        if (preset == "OTHER") {
            if (!initial.contains("data")) return fail("initial.data", "OTHER の局面がありません");
            if (std::string reason = readBoard(initial["data"], start); !reason.empty()) return reason;
        } else {
            bool known = false;
            for (const auto &[name, handicap] : PRESETS)
                if (name == preset) known = handicapStart(handicap, start);
            if (!known) return fail("initial.preset", "知らない手合割「" + preset + "」です");
        }
    }
    if (std::string reason = buildGame(game, start); !reason.empty()) return fail("initial", reason);
    return {};
}

std::string JkfReader::readBoard(const Json &data, PositionSpec &start) {
    start = PositionSpec();
    if (!data.is_object()) return fail("initial.data", "オブジェクトではありません");
    if (!data.contains("color") || !isSmallInt(data["color"], 0, 1))
        return fail("initial.data.color", "0 か 1 です");
    start.turn = static_cast<Side>(data["color"].get<int>());
    const Json &board = data.contains("board") ? data["board"] : Json();
    if (!board.is_array() || board.size() != 9) return fail("initial.data.board", "9 筋の配列ではありません");
    for (std::size_t x = 0; x < 9; ++x) {
        const std::string file = "initial.data.board[" + std::to_string(x) + "]";
        if (!board[x].is_array() || board[x].size() != 9) return fail(file, "9 段の配列ではありません");
        for (std::size_t y = 0; y < 9; ++y) {
            const Json &cell = board[x][y];
            const std::string path = file + "[" + std::to_string(y) + "]";
            if (!cell.is_object()) return fail(path, "オブジェクトではありません");
            if (cell.empty()) continue;
            if (!cell.contains("color") || !isSmallInt(cell["color"], 0, 1) || !cell.contains("kind") ||
                !cell["kind"].is_string())
                return fail(path, "color と kind がありません");
            const int code = codeOfName(cell["kind"].get<std::string>());
            if (code < 0) return fail(path + ".kind", "知らない駒です");
            start.put(static_cast<Square>(squareAt(static_cast<int>(y), static_cast<int>(x))),
                      static_cast<PieceCode>(code), static_cast<Side>(cell["color"].get<int>()));
        }
    }
    if (!data.contains("hands")) return {};
    const Json &hands = data["hands"];
    if (!hands.is_array() || hands.size() != 2)
        return fail("initial.data.hands", "二つの持駒の配列ではありません");
    for (std::size_t side = 0; side < 2; ++side) {
        const std::string path = "initial.data.hands[" + std::to_string(side) + "]";
        if (!hands[side].is_object()) return fail(path, "オブジェクトではありません");
        for (const auto &[name, count] : hands[side].items()) {
            const int code = codeOfName(name);
            if (code < 0 || code >= PROMOTED_OFFSET) return fail(path + "." + name, "持駒にできない駒です");
            if (!isSmallInt(count, 0, 18)) return fail(path + "." + name, "枚数は 0 から 18 です");
            start.hands[side][static_cast<std::size_t>(code)] = count.get<int>();
        }
    }
    return {};
}

// Takes the game back to `parent`, which must be on the path it has played.
std::string JkfReader::standAt(int parent) {
    const auto fork = static_cast<std::size_t>(depth_[static_cast<std::size_t>(parent)]);
    if (played_.size() <= fork || played_[fork] != parent) return "分岐の位置が前の手順にありません";
    while (static_cast<std::size_t>(game.moveCount()) > fork)
        if (!game.undoMove()) return "分岐の位置に戻れません";
    played_.resize(fork + 1);
    return {};
}

std::string JkfReader::readNotes(const Json &element, const Where &where, RecordNode &node) {
    if (element.contains("comments")) {
        const Json &comments = element["comments"];
        if (!comments.is_array()) return fail(where(".comments"), "配列ではありません");
        for (const Json &line : comments) {
            if (!line.is_string()) return fail(where(".comments"), "文字列でない行があります");
            node.comments.push_back(line.get<std::string>());
        }
    }
    if (element.contains("time")) {
        const Json &time = element["time"];
        if (!time.is_object() || !time.contains("now") || !time["now"].is_object())
            return fail(where(".time"), "now がありません");
        const Json &now = time["now"];
        if (!isSmallInt(now.value("m", Json(0)), 0, 999999) || !isSmallInt(now.value("s", Json(0)), 0, 59))
            return fail(where(".time.now"), "分と秒が読めません");
        node.ms = (now.value("m", 0LL) * 60 + now.value("s", 0LL)) * 1000;
    }
    return {};
}

std::string JkfReader::readMove(const Json &move, const Where &where, Move &named) {
    if (!move.is_object()) return fail(where(".move"), "オブジェクトではありません");
    if (!move.contains("piece") || !move["piece"].is_string())
        return fail(where(".move.piece"), "ありません");
    const int code = codeOfName(move["piece"].get<std::string>());
    if (code < 0) return fail(where(".move.piece"), "知らない駒です");
    if (move.contains("color") &&
        (!isSmallInt(move["color"], 0, 1) || move["color"].get<int>() != game.turn()))
        return fail(where(".move.color"), "手番と合っていません");
    if (move.contains("promote") && !move["promote"].is_boolean())
        return fail(where(".move.promote"), "真偽値ではありません");
    named.promote = move.value("promote", false);
    if (move.contains("to")) {
        if (const std::string_view reason = readSquare(move["to"], named.to); !reason.empty())
            return fail(where(".move.to"), reason);
    } else if (move.contains("same") && move["same"].is_boolean() && move["same"].get<bool>() &&
               !game.history().empty()) {
        named.to = game.history().back().to;
    } else {
        return fail(where(".move.to"), "ありません");
    }
    if (!move.contains("from")) {
        if (code >= PROMOTED_OFFSET) return fail(where(".move.piece"), "成駒は打てません");
        named.from = IN_HAND;
        named.dropKind = static_cast<PieceKind>(code);
        return {};
    }
    if (const std::string_view reason = readSquare(move["from"], named.from); !reason.empty())
        return fail(where(".move.from"), reason);
    const Koma *piece = game.pieceAt(named.from);
    if (piece == nullptr) return fail(where(".move.from"), refusalText(Refusal::NoPiece));
    if (piece->code() != code) return fail(where(".move.piece"), "移動元の駒と違います");
    return {};
}

std::string JkfReader::Where::operator()(std::string_view suffix) const {
    std::string path = reader.pathOf(line);
    path.append("[").append(std::to_string(index)).append("]").append(suffix);
    return path;
}

std::string JkfReader::pathOf(int line) const {
    std::vector<int> chain;
    for (int at = line; at >= 0; at = lines_[static_cast<std::size_t>(at)].up) chain.push_back(at);
    std::string path = "moves";
    for (auto at = chain.rbegin(); at != chain.rend(); ++at) {
        const Pending &each = lines_[static_cast<std::size_t>(*at)];
        if (each.up < 0) continue;
        path.append("[").append(std::to_string(each.element));
        path.append("].forks[").append(std::to_string(each.fork)).append("]");
    }
    return path;
}

std::string JkfReader::readLine(int index, std::vector<Pending> &forks) {
    const Pending pending = lines_[static_cast<std::size_t>(index)];
    if (std::string reason = standAt(pending.parent); !reason.empty()) return fail(pathOf(index), reason);
    const Json &line = *pending.line;
    RecordTree &tree = notes.tree;
    int at = pending.parent;
    // Forks of the element `element`, which stand in for it from `from`.
    const auto addForks = [&](const Json &element, std::size_t number, int from, const Where &where) {
        if (!element.contains("forks")) return std::string();
        const Json &alternatives = element["forks"];
        if (!alternatives.is_array()) return fail(where(".forks"), "配列ではありません");
        // Last first: the stack then reads the first fork of the deepest move first.
        for (std::size_t k = alternatives.size(); k-- > 0;) {
            if (!alternatives[k].is_array() || alternatives[k].empty())
                return fail(where(".forks[" + std::to_string(k) + "]"), "手順の配列ではありません");
            forks.push_back({&alternatives[k], index, number, k, from, false});
        }
        return std::string();
    };
    for (std::size_t number = 0; number < line.size(); ++number) {
        const Json &element = line[number];
        const Where where{*this, index, number};
        if (!element.is_object()) return fail(where(), "オブジェクトではありません");
        if (pending.main && number == 0) {
            // The first element stands for the start: comments only.
            if (element.contains("move") || element.contains("forks") || element.contains("special"))
                return fail(where(), "開始局面に指し手か分岐があります");
            if (std::string reason = readNotes(element, where, tree.node(RecordTree::START)); !reason.empty())
                return reason;
            continue;
        }
        if (element.contains("special")) {
            if (!element["special"].is_string()) return fail(where(".special"), "文字列ではありません");
            if (element.contains("move")) return fail(where(), "終局に指し手があります");
            if (number + 1 < line.size()) return fail(where(), "終局の後に指し手があります");
            const std::string special = element["special"].get<std::string>();
            const std::string_view word = wordOfSpecial(special, game.turn());
            if (word.empty()) return fail(where(".special"), "知らない終局「" + special + "」です");
            RecordNode &last = tree.node(at);
            // A fork that repeats the moves before it may end the same way, but not otherwise.
            if (!last.endWord.empty() && last.endWord != word)
                return fail(where(), "同じ局面に終局が二つあります");
            if (!last.endWord.empty()) return addForks(element, number, at, where);
            // The end word carries the time spent before it and comments of its own.
            RecordNode notesOfEnd;
            if (std::string reason = readNotes(element, where, notesOfEnd); !reason.empty()) return reason;
            last.endWord = word;
            last.endMs = notesOfEnd.ms;
            last.endComments = std::move(notesOfEnd.comments);
            // Read before any move answering the same position, it leads them; a fork of its own
            // (a variation that only ends the game) follows the moves read first.
            last.endFirst = last.children.empty();
            if (pending.main) mainSpecial_ = special;
            // Its forks are moves played instead of ending the game.
            return addForks(element, number, at, where);
        }
        if (!element.contains("move")) return fail(where(), "指し手がありません");
        Move named;
        if (std::string reason = readMove(element["move"], where, named); !reason.empty()) return reason;
        const int parent = at;
        if (std::string reason = playMove(game, named); !reason.empty()) return fail(where(".move"), reason);
        at = tree.childWith(parent, named);
        if (at < 0) {
            at = tree.addChild(parent, named);
            depth_.push_back(depth_[static_cast<std::size_t>(parent)] + 1);
        }
        played_.push_back(at);
        if (std::string reason = readNotes(element, where, tree.node(at)); !reason.empty()) return reason;
        if (std::string reason = addForks(element, number, parent, where); !reason.empty()) return reason;
    }
    return {};
}

// ---- writing ----

Json squareJson(Square square) { return Json{{"x", columnOf(square) + 1}, {"y", rowOf(square) + 1}}; }

Json startJson(const PositionSpec &start) {
    const std::string_view handicap = handicapNameOf(start);
    for (const auto &[preset, name] : PRESETS)
        if (!handicap.empty() && name == handicap) return Json{{"preset", preset}};
    Json board = Json::array();
    for (int x = 0; x < 9; ++x) {
        Json file = Json::array();
        for (int y = 0; y < 9; ++y) {
            const auto square = static_cast<std::size_t>(squareAt(y, x));
            const std::int8_t code = start.code[square];
            if (code == PositionSpec::EMPTY || code >= CODE_COUNT) {
                file.push_back(Json::object());
                continue;
            }
            file.push_back(
                Json{{"color", start.side[square]}, {"kind", KIND_NAMES[static_cast<std::size_t>(code)]}});
        }
        board.push_back(std::move(file));
    }
    Json hands = Json::array();
    for (Side side : {SENTE, GOTE}) {
        Json hand = Json::object();
        // A king reaches a hand only when play went on after it was taken.
        for (PieceKind kind = KING; kind < KIND_COUNT; ++kind)
            if (kind != KING || start.hands[side][kind] > 0)
                hand[std::string(KIND_NAMES[kind])] = start.hands[side][kind];
        hands.push_back(std::move(hand));
    }
    return Json{{"preset", "OTHER"},
                {"data", {{"color", start.turn}, {"board", std::move(board)}, {"hands", std::move(hands)}}}};
}

std::string specialOf(std::string_view word, Side toMove) {
    for (const auto &[name, endWord] : SPECIALS)
        if (endWord == word) return std::string(name);
    if (word == "反則勝ち") return toMove == SENTE ? "-ILLEGAL_ACTION" : "+ILLEGAL_ACTION";
    // JKF names no 封じ手, 不戦勝 or 不戦敗: they go as their KIF words, which tsshogi reads as
    // specials of those names, rather than be lost, or end no line where moves stand beside them.
    if (kifu::isEndWord(word)) return std::string(word);
    return {};
}

// The JSON text of `value`: compact, or indented by `indent` spaces; text that is not UTF-8 is
// replaced rather than thrown on.
std::string compact(const Json &value, int indent = -1) {
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

// JKF's times are whole seconds (readers take them as integers), so the fraction is dropped.
void addNotes(Json &element, long long ms, const std::vector<std::string> &comments, long long totalMs) {
    const long long seconds = wholeSecondsOf(ms), total = wholeSecondsOf(totalMs);
    if (ms >= 0)
        element["time"] = {{"now", {{"m", seconds / 60}, {"s", seconds % 60}}},
                           {"total", {{"h", total / 3600}, {"m", total / 60 % 60}, {"s", total % 60}}}};
    if (!comments.empty()) element["comments"] = comments;
}

// The element of the move of node `id`, played from `before`, without its closing brace, so that
// its forks can follow inside it.
std::string moveElement(const ZnBan &before, const RecordTree &tree, int id, long long total) {
    const RecordNode &node = tree.node(id);
    const MoveHistory record = recordOf(before, node.move);
    Json move = Json::object();
    move["color"] = before.turn();
    if (record.from != IN_HAND) move["from"] = squareJson(record.from);
    move["to"] = squareJson(record.to);
    move["piece"] = record.piece != nullptr ? KIND_NAMES[record.piece->code()] : "";
    if (record.promoted)
        move["promote"] = true;
    else if (record.from != IN_HAND && record.piece != nullptr &&
             before.classifyMove(record.piece, record.to) == PromotionOptional)
        move["promote"] = false;
    if (record.captured != nullptr) move["capture"] = KIND_NAMES[record.captured->code()];
    const int parent = node.parent;
    if (record.from != IN_HAND && parent != RecordTree::START && tree.node(parent).move.to == record.to)
        move["same"] = true;
    Json element = Json::object();
    element["move"] = std::move(move);
    addNotes(element, node.ms, node.comments, total);
    std::string text = compact(element);
    text.pop_back();
    return text;
}

}  // namespace

RecordResult readJkf(ZnBan &game, RecordNotes &notes, std::string_view text) {
    JkfReader reader;
    std::string reason;
    try {
        reason = reader.read(text);
    } catch (const nlohmann::json::exception &error) {
        // Every value is checked before it is used; this only keeps a missed case from escaping.
        reason = std::string("を読めません（") + error.what() + "）";
    }
    if (!reason.empty()) return {false, "JKF " + reason};
    game.swap(reader.game);
    notes = std::move(reader.notes);
    return {true, {}};
}

std::string writeJkf(ZnBan &game, const RecordNotes &notes) {
    return writeJkfUpTo(game, notes, std::string::npos);
}

namespace {

// ---- writing ----

// Writes a record tree as JKF text, every line where it stands in the document and each fork
// inside the element it stands in for, from a stack rather than by recursion; no line is indented
// by its depth, so the text grows with the record and no faster.
class JkfWriter {
public:
    JkfWriter(const RecordTree &tree, const RecordNotes &notes)
        : tree_(tree), notes_(notes), totals_(runningTotals(tree)) {}

    // The text for the game whose line starts at `start`; stops soon after passing `limit` bytes,
    // returning what it has. Empty when the tree cannot be played from `start`.
    std::string write(ZnBan &start, std::size_t limit);

private:
    // One line being written. A fork is a line's first node, or -1 - node for the end word of a
    // node standing after its moves (a variation that only ends the game).
    struct Frame {
        int at;        // the node whose element (or, once `special`, whose end word) is written
        bool special;  // the element is the end word of `at`, which leads its moves
        bool begun;    // the element's text is open
        std::vector<int> forks;
        std::size_t next;  // the next fork to write
        int played;        // the moves of this line played on the board
        bool first;        // no element of this line is written yet
    };

    long long totalOf(int id) const { return id >= 0 ? totals_[static_cast<std::size_t>(id)] : 0LL; }
    std::string specialText(int id, bool mainLine) const;
    bool leads(int id) const;
    std::vector<int> forksOfMove(int id) const;
    // Opens the element of the top frame.
    void begin(Frame &frame, bool mainLine);
    // Closes the top frame's element and moves on along its line; false when a move cannot be
    // played or taken back.
    bool finish(Frame &frame, bool mainLine, bool &popped);

    const RecordTree &tree_;
    const RecordNotes &notes_;
    const std::vector<long long> totals_;
    ZnBan *board_ = nullptr;
    std::string text_;
};

// The special that ends the line at `id`, with its time and comments, without its closing brace;
// empty when JKF has no special for its end word. The board stands at `id`.
std::string JkfWriter::specialText(int id, bool mainLine) const {
    const RecordNode &last = tree_.node(id);
    std::string special = specialOf(last.endWord, board_->turn());
    // The main line's illegal action goes back as it was read, where it still means the word kept.
    const std::string_view read =
        std::string_view(notes_.csaEndWord).substr(notes_.csaEndWord.empty() ? 0 : 1);
    if (mainLine && read.ends_with("ILLEGAL_ACTION") && wordOfSpecial(read, board_->turn()) == last.endWord)
        special = std::string(read);
    if (special.empty()) return {};
    Json element{{"special", special}};
    addNotes(element, last.endMs, last.endComments, totalOf(last.parent) + std::max<long long>(0, last.endMs));
    std::string open = compact(element);
    open.pop_back();
    return open;
}

// Whether the end word of `id` leads its moves in JKF: the line ends on its special, which carries
// them as forks. Without a special the moves go on as if there were no end word.
bool JkfWriter::leads(int id) const {
    return tree_.endsFirst(id) && !tree_.node(id).children.empty() && jkfHoldsEndWord(tree_.node(id).endWord);
}

// The forks of the element of node `id`: when it is the first of its parent's moves, the others,
// and an end word after them.
std::vector<int> JkfWriter::forksOfMove(int id) const {
    std::vector<int> forks;
    const int parent = tree_.node(id).parent;
    const std::vector<int> &siblings = tree_.node(parent).children;
    if (siblings.front() != id || leads(parent)) return forks;
    forks.assign(siblings.begin() + 1, siblings.end());
    if (tree_.endsLast(parent) && jkfHoldsEndWord(tree_.node(parent).endWord)) forks.push_back(-1 - parent);
    return forks;
}

void JkfWriter::begin(Frame &frame, bool mainLine) {
    frame.begun = true;
    if (frame.special) {
        text_ += ",\n" + specialText(frame.at, mainLine) + ",\"forks\":[";
        return;
    }
    text_ += frame.first ? "\n" : ",\n";
    frame.first = false;
    text_ += moveElement(*board_, tree_, frame.at, totalOf(frame.at));
    frame.forks = forksOfMove(frame.at);
    if (!frame.forks.empty()) text_ += ",\"forks\":[";
}

bool JkfWriter::finish(Frame &frame, bool mainLine, bool &popped) {
    popped = false;
    if (!frame.forks.empty() || frame.special) text_ += ']';
    text_ += '}';
    const RecordNode &node = tree_.node(frame.at);
    if (!frame.special) {
        if (!playMove(*board_, node.move).empty()) return false;
        ++frame.played;
        if (leads(frame.at)) {
            frame = {frame.at, true, false, node.children, 0, frame.played, frame.first};
            return true;
        }
        if (!node.children.empty()) {
            frame = {node.children.front(), false, false, {}, 0, frame.played, frame.first};
            return true;
        }
        if (const std::string special = specialText(frame.at, mainLine); !special.empty())
            text_ += ",\n" + special + "}";
    }
    text_ += "\n]";
    for (int undo = frame.played; undo > 0; --undo)
        if (!board_->undoMove()) return false;
    popped = true;
    return true;
}

std::string JkfWriter::write(ZnBan &start, std::size_t limit) {
    board_ = &start;
    Json root = Json::object();
    Json header = Json::object();
    for (const auto &[key, value] : notes_.headers) header[key] = value;
    root["header"] = std::move(header);
    root["initial"] = startJson(positionOf(start));
    root["moves"] = Json::array();
    // The head as nlohmann writes it, up to the empty moves array, which is then written here.
    const std::string head = compact(root, 2);
    const std::size_t empty = head.rfind("[]");
    text_ = head.substr(0, empty) + "[\n";
    Json first = Json::object();
    addNotes(first, -1, tree_.node(RecordTree::START).comments, 0);
    text_ += compact(first);

    std::vector<Frame> stack;
    const RecordNode &top = tree_.node(RecordTree::START);
    if (top.children.empty()) {
        if (const std::string special = specialText(RecordTree::START, true); !special.empty())
            text_ += ",\n" + special + "}";
        text_ += "\n]";
    } else if (leads(RecordTree::START)) {
        stack.push_back({RecordTree::START, true, false, top.children, 0, 0, false});
    } else {
        stack.push_back({top.children.front(), false, false, {}, 0, 0, false});
    }
    while (!stack.empty()) {
        // Past the limit the rest cannot matter: the caller refuses the text by its size.
        if (text_.size() > limit) return text_;
        Frame &frame = stack.back();
        const bool mainLine = stack.size() == 1;
        if (!frame.begun) begin(frame, mainLine);
        if (frame.next < frame.forks.size()) {
            const int fork = frame.forks[frame.next++];
            text_ += frame.next > 1 ? ",[" : "[";
            if (fork >= 0) {
                stack.push_back({fork, false, false, {}, 0, 0, true});
                continue;
            }
            // A variation that only ends the game: the board stands where it ends.
            text_ += "\n" + specialText(-1 - fork, false) + "}\n]";
            continue;
        }
        bool popped = false;
        if (!finish(frame, mainLine, popped)) return {};
        if (popped) stack.pop_back();
    }
    text_ += head.substr(empty + 2);
    text_ += '\n';
    return text_;
}

}  // namespace

std::string writeJkfUpTo(ZnBan &game, const RecordNotes &notes, std::size_t limit) {
    RecordTree single;
    const RecordTree &tree = treeOf(game, notes, single);
    ZnBan board;
    if (!buildStartOf(game, board).empty()) return {};
    return JkfWriter(tree, notes).write(board, limit);
}

bool jkfHoldsEndWord(std::string_view word) { return !specialOf(word, SENTE).empty(); }
