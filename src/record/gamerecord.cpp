#include "record/gamerecord.h"

#include <utility>

#include "record/kifu_text.h"
#include "record/notation.h"
#include "record/position.h"
#include "record/treegame.h"

GameRecord::GameRecord(ZnBan &game) : game_(game) { reset(); }

void GameRecord::settleMode() { game_.setReplaying(!atEnd()); }

void GameRecord::changed() {
    setLineNotes(notes_.tree, notes_.tree.mainLine(), notes_);
    ++revision_;
}

bool GameRecord::goTo(int move) {
    if (move < 0 || move > length()) return false;
    if (move == cursor()) return true;
    game_.setReplaying(true);
    while (cursor() > move)
        if (!game_.undoMove()) break;
    while (cursor() < move)
        if (!game_.redoMove()) break;
    settleMode();
    return cursor() == move;
}

void GameRecord::followPathThrough(int node) {
    const RecordTree &tree = notes_.tree;
    std::vector<int> path = tree.pathTo(node);
    const auto target = static_cast<int>(path.size()) - 1;
    const std::vector<int> after = tree.lineAfter(node);
    path.insert(path.end(), after.begin(), after.end());
    // The moves both paths share stay in the game; only what follows the fork is played again.
    const auto &history = game_.history();
    std::size_t common = 0;
    while (common < history.size() && common + 1 < path.size() &&
           moveOf(history[common]) == tree.node(path[common + 1]).move)
        ++common;
    path_ = std::move(path);
    if (common < history.size() || common + 1 < path_.size()) {
        game_.setReplaying(true);
        while (static_cast<std::size_t>(cursor()) > common)
            if (!game_.undoMove()) break;
        if (static_cast<std::size_t>(cursor()) < common) goTo(static_cast<int>(common));
        game_.truncateHistory();
        game_.setReplaying(false);
        for (std::size_t next = common + 1; next < path_.size(); ++next) {
            // A tree only ever holds moves that were played in their position.
            if (!playMove(game_, tree.node(path_[next]).move).empty()) {
                path_.resize(next);
                break;
            }
        }
    }
    goTo(std::min(target, length()));
    settleMode();
}

std::string GameRecord::play(const Move &move) {
    const int here = cursorNode();
    const int known = notes_.tree.childWith(here, move);
    if (known >= 0) {
        if (!atEnd() && path_[static_cast<std::size_t>(cursor()) + 1] == known)
            return goForward() ? std::string() : "指せない手です";
        notes_.tree.choose(known);
        followPathThrough(known);
        ++revision_;
        return {};
    }
    // Asked before the tree grows, so that it only grows by a move that will be made.
    if (const Refusal refused = game_.refusal(move); refused != Refusal::None) return refusalText(refused);
    // A line that ended here (a finished game, a resignation read from a file) keeps its end: the
    // move becomes the last answer beside it, a variation, as a move anywhere else in the tree.
    RecordNode &at = notes_.tree.node(here);
    if (!at.endWord.empty() && at.children.empty()) at.endFirst = true;
    const int added = notes_.tree.addChild(here, move);
    notes_.tree.choose(added);
    game_.truncateHistory();
    game_.setReplaying(false);
    if (std::string refused = playMove(game_, move); !refused.empty()) {
        notes_.tree.remove(added);
        followPathThrough(here);
        return refused;
    }
    path_.resize(static_cast<std::size_t>(cursor()));
    path_.push_back(added);
    changed();
    return {};
}

bool GameRecord::choose(std::size_t index) {
    const int node = cursorNode();
    if (index >= notes_.tree.answerCount(node)) return false;
    if (index == notes_.tree.node(node).chosen) return true;
    notes_.tree.chooseAnswer(node, index);
    followPathThrough(node);
    ++revision_;
    return true;
}

bool GameRecord::chooseNext(int step) {
    const long index = static_cast<long>(chosenAlternative()) + step;
    return index >= 0 && choose(static_cast<std::size_t>(index));
}

bool GameRecord::promoteToMainLine() {
    const std::vector<int> main = notes_.tree.mainLine();
    if (std::vector<int>(path_.begin() + 1, path_.end()) == main) return false;
    notes_.tree.promote(path_.back());
    changed();
    return true;
}

int GameRecord::movesFromCursor() const { return cursor() == 0 ? 0 : notes_.tree.subtreeSize(cursorNode()); }

int GameRecord::removeFromCursor() {
    const int moves = movesFromCursor();
    if (moves == 0) return 0;
    const int parent = notes_.tree.remove(cursorNode());
    // The game still holds the removed moves; the follow below drops them with the old path.
    followPathThrough(parent);
    changed();
    return moves;
}

bool GameRecord::takeBack() {
    if (cursor() == 0) return false;
    if (!atEnd()) return goBack();
    return removeFromCursor() > 0;
}

void GameRecord::setComments(std::vector<std::string> lines) {
    notes_.tree.node(cursorNode()).comments = std::move(lines);
    changed();
}

const std::vector<std::string> &GameRecord::commentsOnPath(int move) const {
    static const std::vector<std::string> none;
    if (move < 0 || move >= static_cast<int>(path_.size())) return none;
    return notes_.tree.node(path_[static_cast<std::size_t>(move)]).comments;
}

bool GameRecord::setCommentsOnPath(int move, std::vector<std::string> lines) {
    if (move < 0 || move >= static_cast<int>(path_.size())) return false;
    notes_.tree.node(path_[static_cast<std::size_t>(move)]).comments = std::move(lines);
    changed();
    return true;
}

void GameRecord::setEndWord(std::string word) {
    notes_.tree.node(path_.back()).endWord = std::move(word);
    changed();
}

void GameRecord::setEndWord(std::string word, std::int64_t ms) {
    notes_.tree.node(path_.back()).endMs = ms;
    setEndWord(std::move(word));
}

void GameRecord::setMs(std::int64_t ms) {
    notes_.tree.node(cursorNode()).ms = ms;
    changed();
}

void GameRecord::reset(RecordNotes notes) {
    notes_ = std::move(notes);
    handicapName_.clear();
    walkRecord(
        game_, [this](const ZnBan &start) { handicapName_ = handicapNameOf(positionOf(start)); },
        [](const ZnBan &, std::size_t) {});
    const int standing = cursor();
    if (notes_.tree.size() <= 1) {
        notes_.tree = treeOfLine(game_, notes_);
    } else {
        // The reader's game holds the main line: the path starts there.
        for (int id = 0; id < notes_.tree.size(); ++id) notes_.tree.node(id).chosen = 0;
    }
    path_ = {RecordTree::START};
    const std::vector<int> line = notes_.tree.lineAfter(RecordTree::START);
    path_.insert(path_.end(), line.begin(), line.end());
    const int deepest = path_[static_cast<std::size_t>(std::min(standing, length()))];
    followPathThrough(deepest);
    changed();
}

std::vector<std::string> GameRecord::moveList() {
    std::vector<std::string> rows;
    const auto &history = game_.history();
    const RecordTree &tree = notes_.tree;
    rows.reserve(history.size() + 2);
    rows.emplace_back("開始局面");
    const bool walked = walkRecord(
        game_, [](const ZnBan &) {},
        [&](const ZnBan &before, std::size_t index) {
            const Square previousTo = index > 0 ? history[index - 1].to : IN_HAND;
            std::string row =
                std::to_string(index + 1) + ' ' + moveNotation(before, history[index], previousTo);
            if (index + 1 < path_.size() && tree.answerCount(tree.node(path_[index + 1]).parent) > 1)
                row += '+';
            rows.push_back(std::move(row));
        });
    // A line that cannot be replayed, which a consistent game never has, still gets a row per move.
    if (!walked) rows.resize(1);
    while (rows.size() < history.size() + 1) rows.push_back(std::to_string(rows.size()));
    const std::string &endWord = tree.node(path_.back()).endWord;
    // An end word chosen beside moves has other branches too.
    if (!endWord.empty())
        rows.push_back(std::to_string(history.size() + 1) + ' ' + endWord +
                       (tree.answerCount(path_.back()) > 1 ? "+" : ""));
    return rows;
}

std::vector<std::string> GameRecord::alternatives() const {
    std::vector<std::string> texts;
    const auto &history = game_.history();
    const Square previousTo = cursor() > 0 ? history[static_cast<std::size_t>(cursor()) - 1].to : IN_HAND;
    const RecordTree &tree = notes_.tree;
    const int here = cursorNode();
    // An end word beside the moves is an answer too, in its place among them.
    for (std::size_t index = 0; index < tree.answerCount(here); ++index) {
        const int child = tree.answer(here, index);
        texts.push_back(child < 0 ? tree.node(here).endWord
                                  : moveNotation(game_, recordOf(game_, tree.node(child).move), previousTo));
    }
    return texts;
}

std::size_t GameRecord::chosenAlternative() const { return notes_.tree.node(cursorNode()).chosen; }

std::vector<std::string> GameRecord::alternativesOfMove() {
    const int here = cursor();
    if (here == 0 || !goTo(here - 1)) return {};
    std::vector<std::string> texts = alternatives();
    goTo(here);
    return texts;
}

std::size_t GameRecord::chosenAlternativeOfMove() const {
    return cursor() == 0 ? 0 : notes_.tree.node(path_[static_cast<std::size_t>(cursor()) - 1]).chosen;
}

bool GameRecord::chooseAlternativeOfMove(std::size_t index) {
    if (cursor() == 0) return false;
    const RecordNode &parent = notes_.tree.node(path_[static_cast<std::size_t>(cursor()) - 1]);
    if (index >= parent.children.size()) return false;
    if (index == parent.chosen) return true;
    const int node = parent.children[index];
    notes_.tree.choose(node);
    followPathThrough(node);
    ++revision_;
    return true;
}

bool GameRecord::chooseNextAlternativeOfMove(int step) {
    const long index = static_cast<long>(chosenAlternativeOfMove()) + step;
    return index >= 0 && chooseAlternativeOfMove(static_cast<std::size_t>(index));
}

void GameRecord::restore(RecordNotes notes, int node) {
    notes_ = std::move(notes);
    if (!notes_.tree.contains(node)) node = RecordTree::START;
    followPathThrough(node);
    changed();
}

std::string GameRecord::closingSentence() const {
    const std::string &endWord = notes_.tree.node(path_.back()).endWord;
    if (!kifu::isEndWord(endWord)) return {};
    // The side to move after the last move: the start's turn flipped once per move.
    Side toMove = game_.turn();
    if ((length() - cursor()) % 2 != 0) toMove = otherSide(toMove);
    // Named as the writers name them, so the list and a saved record say the same.
    const bool handicap = !handicapName_.empty() && handicapName_ != "平手";
    return kifu::endSentence(endWord, static_cast<std::size_t>(length()), toMove, handicap);
}
