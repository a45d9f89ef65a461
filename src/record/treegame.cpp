#include "record/treegame.h"

#include <algorithm>

#include "record/position.h"

RecordTree treeOfLine(const ZnBan &game, const RecordNotes &notes) {
    RecordTree tree;
    tree.node(RecordTree::START).comments = notes.startComments;
    int at = RecordTree::START;
    const auto &history = game.history();
    for (std::size_t index = 0; index < history.size(); ++index) {
        at = tree.addChild(at, moveOf(history[index]));
        RecordNode &added = tree.node(at);
        added.comments = notes.commentsAfter(index + 1);
        added.ms = notes.msOf(index + 1);
    }
    tree.node(at).endWord = notes.endWord;
    tree.node(at).endMs = notes.endMs;
    tree.node(at).endComments = notes.endComments;
    return tree;
}

const RecordTree &treeOf(const ZnBan &game, const RecordNotes &notes, RecordTree &single) {
    if (notes.tree.size() > 1) return notes.tree;
    single = treeOfLine(game, notes);
    return single;
}

std::vector<long long> runningTotals(const RecordTree &tree) {
    std::vector<long long> totals(static_cast<std::size_t>(tree.size()), 0);
    // A parent is numbered before its children, so the total two moves back is already known.
    for (int id = 1; id < tree.size(); ++id) {
        const RecordNode &node = tree.node(id);
        const int twoBack = tree.node(node.parent).parent;
        totals[static_cast<std::size_t>(id)] =
            (twoBack >= 0 ? totals[static_cast<std::size_t>(twoBack)] : 0LL) + std::max<std::int64_t>(0, node.ms);
    }
    return totals;
}

void setLineNotes(const RecordTree &tree, const std::vector<int> &line, RecordNotes &notes) {
    notes.startComments = tree.node(RecordTree::START).comments;
    notes.moveComments.clear();
    notes.moveMs.clear();
    bool timed = false;
    for (int id : line) timed = timed || tree.node(id).ms >= 0;
    for (int id : line) {
        notes.moveComments.push_back(tree.node(id).comments);
        if (timed) notes.moveMs.push_back(tree.node(id).ms);
    }
    while (!notes.moveComments.empty() && notes.moveComments.back().empty()) notes.moveComments.pop_back();
    const RecordNode &last = tree.node(line.empty() ? RecordTree::START : line.back());
    notes.endWord = last.endWord;
    notes.endMs = last.endMs;
    notes.endComments = last.endComments;
}

std::string buildStartOf(ZnBan &game, ZnBan &scratch) {
    PositionSpec start;
    if (!walkRecord(
            game, [&start](const ZnBan &first) { start = positionOf(first); },
            [](const ZnBan &, std::size_t) {}))
        return "棋譜の手順を再生できません";
    return buildGame(scratch, start);
}

std::string playNodes(ZnBan &game, const RecordTree &tree, const std::vector<int> &nodes) {
    for (int id : nodes)
        if (std::string reason = playMove(game, tree.node(id).move); !reason.empty()) return reason;
    return {};
}

bool mainLineOf(ZnBan &game, const RecordNotes &notes, ZnBan &main, RecordNotes &mainNotes) {
    if (!buildStartOf(game, main).empty()) return false;
    const std::vector<int> line = notes.tree.mainLine();
    if (!playNodes(main, notes.tree, line).empty()) return false;
    mainNotes.headers = notes.headers;
    mainNotes.firstMoveNumber = notes.firstMoveNumber;
    mainNotes.csaEndWord = notes.csaEndWord;
    setLineNotes(notes.tree, line, mainNotes);
    mainNotes.tree = RecordTree();
    return true;
}

bool walkLines(ZnBan &game, const RecordTree &tree, const LineVisitor &visitor) {
    std::vector<int> depth(static_cast<std::size_t>(tree.size()), 0);
    for (int id = 1; id < tree.size(); ++id)
        depth[static_cast<std::size_t>(id)] = depth[static_cast<std::size_t>(tree.node(id).parent)] + 1;
    // A line to walk is its first node, or, for an end word standing beside moves as their variation,
    // the node it ends as -1 - node.
    const auto endOf = [](int id) { return -1 - id; };
    // The variations at `id` in the order they are written, pushed last first onto `forks`: its
    // moves but the one the line goes on with, and an end word after them.
    const auto pushForks = [&](int id, std::size_t from, std::vector<int> &forks) {
        const RecordNode &here = tree.node(id);
        if (tree.endsLast(id)) forks.push_back(endOf(id));
        for (std::size_t i = here.children.size(); i-- > from;) forks.push_back(here.children[i]);
    };
    // The nodes the game has played, from the start on.
    std::vector<int> played{RecordTree::START};
    std::vector<int> pending, forks;
    // The main line ends on the start's end word when it comes first; every move is then a variation.
    if (tree.node(RecordTree::START).children.empty() || tree.endsFirst(RecordTree::START)) {
        visitor.end(game, RecordTree::START, 0);
        pushForks(RecordTree::START, 0, pending);
    } else {
        pending.push_back(tree.node(RecordTree::START).children.front());
    }
    bool mainLine = !pending.empty() && pending.back() >= 0 && !tree.endsFirst(RecordTree::START);
    while (!pending.empty()) {
        const int first = pending.back();
        pending.pop_back();
        const int parent = first >= 0 ? tree.node(first).parent : -1 - first;
        const auto fork = static_cast<std::size_t>(depth[static_cast<std::size_t>(parent)]);
        // Every line forks from the one played before it, so the fork is on the game's path.
        if (played.size() <= fork || played[fork] != parent) return false;
        while (static_cast<std::size_t>(game.moveCount()) > fork)
            if (!game.undoMove()) return false;
        played.resize(fork + 1);
        if (!mainLine) visitor.branch(first, static_cast<int>(fork) + 1);
        if (first < 0) {
            visitor.end(game, parent, static_cast<int>(fork));
            continue;
        }
        forks.clear();
        if (mainLine) pushForks(parent, 1, forks);
        mainLine = false;
        for (int at = first;;) {
            const RecordNode &here = tree.node(at);
            const int number = depth[static_cast<std::size_t>(at)];
            visitor.move(game, recordOf(game, here.move), at, number);
            if (!playMove(game, here.move).empty()) return false;
            played.push_back(at);
            if (here.children.empty() || tree.endsFirst(at)) {
                visitor.end(game, at, number);
                pushForks(at, 0, forks);
                break;
            }
            pushForks(at, 1, forks);
            at = here.children.front();
        }
        pending.insert(pending.end(), forks.begin(), forks.end());
    }
    return true;
}
