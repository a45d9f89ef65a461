#include "record/recordtree.h"

#include <algorithm>

int RecordTree::childWith(int parent, const Move &move) const {
    for (int child : node(parent).children)
        if (node(child).move == move) return child;
    return -1;
}

int RecordTree::addChild(int parent, const Move &move) {
    const int id = size();
    RecordNode added;
    added.move = move;
    added.parent = parent;
    nodes_.push_back(std::move(added));
    node(parent).children.push_back(id);
    return id;
}

int RecordTree::depth(int id) const {
    int moves = 0;
    for (int at = id; contains(at) && node(at).parent >= 0; at = node(at).parent) ++moves;
    return moves;
}

int RecordTree::branchCount() const {
    int branches = 0;
    for (const RecordNode &each : nodes_)
        if (each.children.size() > 1) branches += static_cast<int>(each.children.size()) - 1;
    return branches;
}

int RecordTree::subtreeSize(int id) const {
    int count = 0;
    std::vector<int> pending{id};
    while (!pending.empty()) {
        const int at = pending.back();
        pending.pop_back();
        ++count;
        pending.insert(pending.end(), node(at).children.begin(), node(at).children.end());
    }
    return count;
}

std::vector<int> RecordTree::pathTo(int id) const {
    std::vector<int> path;
    for (int at = id; contains(at); at = node(at).parent) path.push_back(at);
    std::reverse(path.begin(), path.end());
    return path;
}

int RecordTree::answer(int id, std::size_t index) const {
    const RecordNode &here = node(id);
    if (here.children.empty()) return -1;
    const std::size_t count = answerCount(id);
    index = std::min(index, count - 1);
    if (endsFirst(id)) return index == 0 ? -1 : here.children[index - 1];
    return index < here.children.size() ? here.children[index] : -1;
}

std::vector<int> RecordTree::lineAfter(int id) const {
    std::vector<int> line;
    for (int at = answer(id, node(id).chosen); at >= 0; at = answer(at, node(at).chosen)) line.push_back(at);
    return line;
}

std::vector<int> RecordTree::mainLine() const {
    std::vector<int> line;
    for (int at = START; !node(at).children.empty() && !endsFirst(at);) {
        at = node(at).children.front();
        line.push_back(at);
    }
    return line;
}

void RecordTree::choose(int id) {
    if (!contains(id) || node(id).parent < 0) return;
    const int parentId = node(id).parent;
    RecordNode &parent = node(parentId);
    const auto found = std::find(parent.children.begin(), parent.children.end(), id);
    parent.chosen = static_cast<std::size_t>(found - parent.children.begin()) + (endsFirst(parentId) ? 1 : 0);
}

void RecordTree::promote(int id) {
    if (contains(id) && !node(id).children.empty() && !node(id).endWord.empty()) {
        node(id).endFirst = true;
        node(id).chosen = 0;
    }
    for (int at = id; contains(at) && node(at).parent >= 0; at = node(at).parent) {
        RecordNode &parent = node(node(at).parent);
        const auto found = std::find(parent.children.begin(), parent.children.end(), at);
        std::rotate(parent.children.begin(), found, found + 1);
        parent.chosen = 0;
        // A move made the main line goes before the end word that stood beside it.
        parent.endFirst = false;
    }
}

int RecordTree::remove(int id) {
    if (!contains(id) || node(id).parent < 0) return -1;
    const int parentId = node(id).parent;
    RecordNode &parent = node(parentId);
    const auto found = std::find(parent.children.begin(), parent.children.end(), id);
    const auto index =
        static_cast<std::size_t>(found - parent.children.begin()) + (endsFirst(parentId) ? 1 : 0);
    parent.children.erase(found);
    // The path stays on the branch before the one removed, or moves to the next.
    if (parent.chosen > index || parent.chosen >= std::max<std::size_t>(answerCount(parentId), 1))
        parent.chosen = parent.chosen > 0 ? parent.chosen - 1 : 0;

    std::vector<bool> gone(nodes_.size(), false);
    std::vector<int> pending{id};
    while (!pending.empty()) {
        const int at = pending.back();
        pending.pop_back();
        gone[static_cast<std::size_t>(at)] = true;
        pending.insert(pending.end(), node(at).children.begin(), node(at).children.end());
    }
    // Children always come after their parents, so one pass renumbers every link.
    std::vector<int> renumbered(nodes_.size(), -1);
    std::size_t kept = 0;
    for (std::size_t at = 0; at < nodes_.size(); ++at) {
        if (gone[at]) continue;
        renumbered[at] = static_cast<int>(kept);
        if (kept != at) nodes_[kept] = std::move(nodes_[at]);
        RecordNode &moved = nodes_[kept];
        if (moved.parent >= 0) moved.parent = renumbered[static_cast<std::size_t>(moved.parent)];
        ++kept;
    }
    nodes_.resize(kept);
    for (RecordNode &each : nodes_)
        for (int &child : each.children) child = renumbered[static_cast<std::size_t>(child)];
    return renumbered[static_cast<std::size_t>(parentId)];
}

std::string RecordTree::findFault() const {
    if (nodes_.empty() || node(START).parent != -1) return "the start is missing or has a parent";
    std::vector<int> listed(nodes_.size(), 0);
    for (int id = 0; id < size(); ++id) {
        const RecordNode &here = node(id);
        if (!here.children.empty() && here.chosen >= answerCount(id))
            return "node " + std::to_string(id) + " chooses a child it does not have";
        for (int child : here.children) {
            if (!contains(child) || child <= id) return "node " + std::to_string(id) + " lists a bad child";
            if (node(child).parent != id) return "node " + std::to_string(child) + " names another parent";
            if (++listed[static_cast<std::size_t>(child)] > 1)
                return "node " + std::to_string(child) + " is listed twice";
        }
        for (std::size_t i = 0; i < here.children.size(); ++i)
            for (std::size_t j = i + 1; j < here.children.size(); ++j)
                if (node(here.children[i]).move == node(here.children[j]).move)
                    return "node " + std::to_string(id) + " has one move twice";
    }
    for (int id = 1; id < size(); ++id)
        if (listed[static_cast<std::size_t>(id)] != 1) return "node " + std::to_string(id) + " is not listed";
    return {};
}

bool sameTree(const RecordTree &a, const RecordTree &b) {
    std::vector<std::pair<int, int>> pending{{RecordTree::START, RecordTree::START}};
    while (!pending.empty()) {
        const auto [left, right] = pending.back();
        pending.pop_back();
        const RecordNode &x = a.node(left);
        const RecordNode &y = b.node(right);
        if (x.comments != y.comments || x.ms != y.ms || x.endWord != y.endWord ||
            x.endMs != y.endMs || x.endComments != y.endComments ||
            x.children.size() != y.children.size() ||
            (!x.endWord.empty() && !x.children.empty() && x.endFirst != y.endFirst))
            return false;
        if (left != RecordTree::START && !(x.move == y.move)) return false;
        for (std::size_t i = 0; i < x.children.size(); ++i)
            pending.emplace_back(x.children[i], y.children[i]);
    }
    return true;
}
