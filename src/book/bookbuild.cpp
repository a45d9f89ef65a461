// A record is walked as a tree on a board of its own, each move made and taken back, so a record
// with many branches costs one board, not one per line.

#include "book/bookbuild.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/rules.h"
#include "record/formats.h"
#include "record/play.h"
#include "record/position.h"
#include "support/readfile.h"

namespace {

// A board move with no kind, as a book holds it, so that equal moves are equal field by field.
Move bookMoveOf(const Move &move) {
    Move kept = move;
    if (!kept.isDrop()) kept.dropKind = PieceKind{0};
    return kept;
}

bool nameHas(std::string_view name, std::string_view wanted) {
    return !name.empty() && name.find(wanted) != std::string_view::npos;
}

}  // namespace

void BookBuilder::count(const std::string &key, int ply, const Move &move) {
    Counted &counted = positions_[key];
    if (counted.moves.empty() || ply < counted.ply) counted.ply = ply;
    for (auto &[known, times] : counted.moves)
        if (known == move) {
            ++times;
            return;
        }
    counted.moves.emplace_back(move, 1);
}

bool BookBuilder::addRecord(ZnBan &game, const RecordNotes &notes) {
    bool sides[2] = {true, true};
    if (!options_.player.empty()) {
        std::string_view sente = notes.header("先手"), gote = notes.header("後手");
        if (sente.empty()) sente = notes.header("下手");
        if (gote.empty()) gote = notes.header("上手");
        sides[SENTE] = nameHas(sente, options_.player);
        sides[GOTE] = nameHas(gote, options_.player);
        if (!sides[SENTE] && !sides[GOTE]) {
            ++withoutPlayer_;
            return false;
        }
    }
    ++records_;
    // A tree of the start alone means the record is the game's one line.
    RecordTree line;
    PositionSpec start;
    walkRecord(
        game, [&start](const ZnBan &first) { start = positionOf(first); },
        [&line](const ZnBan &before, std::size_t index) {
            line.addChild(line.size() - 1, moveOf(before.history()[index]));
        });
    const RecordTree &tree = notes.tree.size() > 1 ? notes.tree : line;
    ZnBan board;
    if (!buildGame(board, start).empty()) return true;
    // Depth-first: each frame is a node and the index of its next answer to walk.
    std::vector<std::pair<int, std::size_t>> stack{{RecordTree::START, 0}};
    std::string key = bookKey(board);
    while (!stack.empty()) {
        auto &[node, next] = stack.back();
        const std::vector<int> &children = tree.node(node).children;
        const std::size_t depth = stack.size() - 1;
        const std::size_t limit = options_.branches ? children.size() : std::min<std::size_t>(children.size(), 1);
        if (next >= limit || depth >= static_cast<std::size_t>(std::max(options_.plies, 0))) {
            stack.pop_back();
            if (!stack.empty()) board.undoMove();
            continue;
        }
        const int child = children[next++];
        const Move move = bookMoveOf(tree.node(child).move);
        // A line the rules of shogi refuse stops there: no engine could use its moves.
        if (!rulesProblem(board).empty() || checkMove(board, move) != Refusal::None) continue;
        const std::string here = bookKey(board);
        if (sides[board.turn()]) count(here, notes.firstMoveNumber + static_cast<int>(depth), move);
        if (!applyMove(board, move)) continue;
        stack.emplace_back(child, 0);
    }
    return true;
}

void BookBuilder::addFile(const std::string &path) {
    FileBytes read = readRegularFile(path);
    if (!read.ok) {
        problems_.push_back(path + ": " + read.reason);
        return;
    }
    ZnBan game;
    RecordNotes notes;
    const std::string name = std::filesystem::path(path).filename().string();
    if (const RecordResult result = readRecordBytes(game, notes, read.bytes, name); !result.ok) {
        problems_.push_back(path + ": " + result.reason);
        return;
    }
    addRecord(game, notes);
}

void BookBuilder::addPath(const std::string &path) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
        addFile(path);
        return;
    }
    std::vector<std::string> files;
    std::filesystem::recursive_directory_iterator walk(
        path, std::filesystem::directory_options::skip_permission_denied, error);
    for (const std::filesystem::recursive_directory_iterator end; !error && walk != end; walk.increment(error)) {
        if (!walk->is_regular_file(error)) continue;
        const std::string file = walk->path().string();
        if (formatOfFileName(walk->path().filename().string()) != RecordFormat::Unknown) files.push_back(file);
    }
    if (error) problems_.push_back(path + ": " + error.message());
    // The order of a folder's listing is the system's; counts do not depend on it, problems do.
    std::sort(files.begin(), files.end());
    for (const std::string &file : files) addFile(file);
}

std::vector<BookEntry> BookBuilder::entries() const {
    std::vector<BookEntry> out;
    for (const auto &[key, counted] : positions_) {
        std::uint64_t total = 0;
        for (const auto &move : counted.moves) total += move.second;
        if (total < options_.minCount) continue;
        BookEntry entry;
        entry.sfen = key;
        entry.ply = counted.ply;
        for (const auto &[move, times] : counted.moves) {
            BookMove bookMove;
            bookMove.move = move;
            bookMove.count = times;
            entry.moves.push_back(bookMove);
        }
        sortBookMoves(entry.moves);
        out.push_back(std::move(entry));
    }
    std::sort(out.begin(), out.end(), [](const BookEntry &a, const BookEntry &b) { return a.sfen < b.sfen; });
    return out;
}

void BookBuilder::addTo(Book &book) const { book.addAll(entries()); }
