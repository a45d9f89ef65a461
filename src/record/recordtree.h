#pragma once
// A record as a tree of moves: every node but the start holds one move with its comments and time,
// and its children are the moves that answer it, the first being the main continuation. Nodes live
// in one array and refer to each other by index, so that no walk over the tree recurses, however
// deep or wide the record.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "record/play.h"

struct RecordNode {
    // The move that leads to this node; meaningless for the start.
    Move move;
    // Comment lines after the move (for the start: before the first move).
    std::vector<std::string> comments;
    // The milliseconds the move took; -1 when unknown.
    std::int64_t ms = -1;
    // How the line ends after this move ("投了", ...); empty when it goes on or says nothing.
    std::string endWord;
    // The milliseconds the end word itself took; -1 when unknown.
    std::int64_t endMs = -1;
    // Comment lines on the end word itself, written after it.
    std::vector<std::string> endComments;
    // With answers as well, the end word is one more answer: the first, on which the main line ends
    // (a resignation beside a variation that plays on), or else the last (a variation that only
    // ends the game).
    bool endFirst = false;
    // The node this move was played in; -1 for the start.
    int parent = -1;
    // The answers to this move, the main continuation first.
    std::vector<int> children;
    // The index in `children` of the answer the current path follows.
    std::size_t chosen = 0;
};

class RecordTree {
public:
    static constexpr int START = 0;

    RecordTree() : nodes_(1) {}

    // The number of nodes, the start included.
    int size() const { return static_cast<int>(nodes_.size()); }
    bool contains(int id) const { return id >= 0 && id < size(); }
    const RecordNode &node(int id) const { return nodes_[static_cast<std::size_t>(id)]; }
    RecordNode &node(int id) { return nodes_[static_cast<std::size_t>(id)]; }

    // The child of `parent` that plays `move` (the drop kind counts for drops only); -1 if none.
    int childWith(int parent, const Move &move) const;
    // Appends `move` as the last child of `parent` and returns the new node.
    int addChild(int parent, const Move &move);
    // The number of moves from the start to `id`.
    int depth(int id) const;
    // How many moves have a sibling before them: the branches beyond the main line.
    int branchCount() const;
    // How many nodes the subtree of `id` holds, `id` included.
    int subtreeSize(int id) const;

    // The start, every node on the way to `id`, and `id`.
    std::vector<int> pathTo(int id) const;
    // The nodes after `id` along the chosen children, up to a node with none.
    std::vector<int> lineAfter(int id) const;
    // The main line: the first child of every node from the start on, the start excluded, up to a
    // node whose end word comes first.
    std::vector<int> mainLine() const;
    // Whether the line through `id` ends there, by an end word that comes before its answers.
    bool endsFirst(int id) const { return !node(id).endWord.empty() && node(id).endFirst; }
    // Whether `id` has an end word as an answer beside its moves, after them.
    bool endsLast(int id) const {
        return !node(id).endWord.empty() && !node(id).endFirst && !node(id).children.empty();
    }
    // The answers to `id`: its moves, and its end word where it stands beside them.
    std::size_t answerCount(int id) const {
        return node(id).children.size() + (endsFirst(id) && !node(id).children.empty() ? 1 : 0) +
               (endsLast(id) ? 1 : 0);
    }
    // The child answer `index` of `id` stands for; -1 for the end word.
    int answer(int id, std::size_t index) const;
    // Makes answer `index` of `id` the one the current path follows.
    void chooseAnswer(int id, std::size_t index) { node(id).chosen = index; }

    // Makes `id` the chosen answer in its parent, so that the current path runs through it.
    void choose(int id);
    // Makes `id` and every node on its way from the start the first child of its parent, and its end
    // word, when the path ends on it beside other answers, the first of them.
    void promote(int id);
    // Removes `id` and everything after it; returns the parent's index after the removal, which
    // renumbers the nodes behind the ones removed. The start cannot be removed (returns -1).
    int remove(int id);

    // Why the tree is malformed (a broken parent link, a child listed twice, a chosen index out of
    // range, a child numbered before its parent); empty when it is sound.
    std::string findFault() const;

private:
    std::vector<RecordNode> nodes_;
};

// Whether two trees hold the same moves in the same order at every fork, with the same comments,
// times and end words, however their nodes are numbered; the chosen answers do not count.
bool sameTree(const RecordTree &a, const RecordTree &b);
