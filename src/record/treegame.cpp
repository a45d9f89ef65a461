#include "record/treegame.h"

#include <algorithm>

#include "record/position.h"

RecordTree treeOfLine(const ZnBan &game, const RecordNotes &notes) {
    RecordTree tree;
    tree.node(RecordTree::START).comments = notes.startComments;
    int at = RecordTree::START;
    const auto &history = game.history();
    for (std::size_t index = 0; index < history.size(); ++index) {
        at = tree.addChild(at, specOf(history[index]));
        RecordNode &added = tree.node(at);
        added.comments = notes.commentsAfter(index + 1);
        added.seconds = notes.secondsOf(index + 1);
    }
    tree.node(at).endWord = notes.endWord;
    tree.node(at).endSeconds = notes.endSeconds;
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
            (twoBack >= 0 ? totals[static_cast<std::size_t>(twoBack)] : 0LL) + std::max(0, node.seconds);
    }
    return totals;
}

void setLineNotes(const RecordTree &tree, const std::vector<int> &line, RecordNotes &notes) {
    notes.startComments = tree.node(RecordTree::START).comments;
    notes.moveComments.clear();
    notes.moveSeconds.clear();
    bool timed = false;
    for (int id : line) timed = timed || tree.node(id).seconds >= 0;
    for (int id : line) {
        notes.moveComments.push_back(tree.node(id).comments);
        if (timed) notes.moveSeconds.push_back(tree.node(id).seconds);
    }
    while (!notes.moveComments.empty() && notes.moveComments.back().empty()) notes.moveComments.pop_back();
    const RecordNode &last = tree.node(line.empty() ? RecordTree::START : line.back());
    notes.endWord = last.endWord;
    notes.endSeconds = last.endSeconds;
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
    const RecordNode &start = tree.node(RecordTree::START);
    if (start.children.empty()) {
        visitor.end(game, RecordTree::START, 0);
        return true;
    }
    // The nodes the game has played, from the start on.
    std::vector<int> played{RecordTree::START};
    std::vector<int> pending{start.children.front()};
    std::vector<int> forks;
    while (!pending.empty()) {
        const int first = pending.back();
        pending.pop_back();
        const int parent = tree.node(first).parent;
        const auto fork = static_cast<std::size_t>(depth[static_cast<std::size_t>(parent)]);
        // Every line forks from the one played before it, so the fork is on the game's path.
        if (played.size() <= fork || played[fork] != parent) return false;
        while (static_cast<std::size_t>(game.moveCount()) > fork)
            if (!game.undoMove()) return false;
        played.resize(fork + 1);
        const RecordNode &from = tree.node(parent);
        const bool mainLine = from.children.front() == first;
        if (!mainLine) visitor.branch(first, static_cast<int>(fork) + 1);
        forks.clear();
        if (mainLine)
            for (std::size_t i = from.children.size(); i-- > 1;) forks.push_back(from.children[i]);
        for (int at = first;;) {
            const RecordNode &here = tree.node(at);
            const int number = depth[static_cast<std::size_t>(at)];
            visitor.move(game, recordOf(game, here.move), at, number);
            if (!playMove(game, here.move).empty()) return false;
            played.push_back(at);
            if (here.children.empty()) {
                visitor.end(game, at, number);
                break;
            }
            for (std::size_t i = here.children.size(); i-- > 1;) forks.push_back(here.children[i]);
            at = here.children.front();
        }
        pending.insert(pending.end(), forks.begin(), forks.end());
    }
    return true;
}
