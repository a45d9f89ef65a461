// df-pn over the game's own make and undo. The attacker's nodes (OR) take the minimum proof number
// of their children and the sum of the disproof numbers; the defender's (AND) the reverse. A child
// is searched with thresholds widened by a quarter of the second best (the 1+ε trick), so that the
// search does not jump between two siblings of nearly the same promise.
//
// Repetitions: a position that repeats one on the path is a loss for the attacker, who has checked
// with every move. Such a disproof holds only on its path, so it is kept in the table with the path
// it was found on and read back only on that path; a disproof that needs none of them holds for the
// position and is kept for every path. Proofs never depend on the path.
//
// The shortest mate: a proof gives a line; the search is then run again with the length bounded by
// two plies less, the bound mixed into the table's keys (a result for a position with so many plies
// left holds whatever the bound), until no shorter mate is proved or a limit comes first.

#include "core/mate.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "core/preview.h"
#include "core/rules.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t INF = 1u << 30;
// Lines deeper than this are left undecided; the stack and the path stay bounded.
constexpr int MAX_PLY = 800;
constexpr std::uint16_t NO_MOVE = 0xFFFF;
constexpr std::uint64_t ROOT_PATH = 0x5EED5EED5EED5EEDull;

std::uint16_t packMove(const Move &move) {
    const unsigned from = move.from == IN_HAND ? SQUARE_COUNT + move.dropKind : move.from;
    return static_cast<std::uint16_t>(from | (move.to << 7) | (move.promote ? 1u << 14 : 0u));
}

std::uint32_t saturated(std::uint64_t value) { return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, INF - 1)); }

// The path's key after one more position: order matters, and it is never 0 (0 means "any path").
std::uint64_t extendPath(std::uint64_t path, std::uint64_t key) {
    std::uint64_t mixed = (path ^ key) * 0x9E3779B97F4A7C15ull;
    mixed ^= mixed >> 29;
    return mixed | 1;
}

Side defenderOf(const ZnBan &game) { return otherSide(game.turn()); }

}  // namespace

// One table entry: 32 bytes, four to a bucket.
struct MateEntry {
    std::uint64_t key = 0;      // 0: empty
    std::uint64_t pathKey = 0;  // not 0: a disproof that holds only on the path with this key
    std::uint32_t pn = 1, dn = 1;
    std::uint32_t amount = 0;  // nodes spent on it, in the low 24 bits: the cheaper entry of a bucket
                               // goes first; the search that wrote it in the high 8
    std::uint16_t length = 0;  // plies to mate, for a proof
    std::uint16_t best = NO_MOVE;
};

struct MateSolver::Table {
    explicit Table(std::size_t size) : bytes(size) {
        std::size_t buckets = 1;
        while (buckets * 2 * WAYS * sizeof(MateEntry) <= size) buckets *= 2;
        entries.assign(buckets * WAYS, MateEntry{});
        mask = buckets - 1;
    }
    // A new search: what the last one wrote counts as empty, without touching the entries.
    void clear() {
        if (++generation == 0) {
            std::fill(entries.begin(), entries.end(), MateEntry{});
            generation = 1;
        }
    }

    bool current(const MateEntry &entry) const { return entry.key != 0 && entry.amount >> 24 == generation; }

    const MateEntry *find(std::uint64_t key, std::uint64_t path) const {
        const MateEntry *bucket = &entries[(key & mask) * WAYS];
        for (std::size_t i = 0; i < WAYS; ++i)
            if (bucket[i].key == key && current(bucket[i]))
                return bucket[i].pathKey == 0 || bucket[i].pathKey == path ? &bucket[i] : nullptr;
        return nullptr;
    }

    void store(const MateEntry &entry) {
        MateEntry *bucket = &entries[(entry.key & mask) * WAYS];
        MateEntry *victim = nullptr;
        for (std::size_t i = 0; i < WAYS; ++i) {
            if (bucket[i].key == entry.key || !current(bucket[i])) {
                victim = &bucket[i];
                break;
            }
            if (victim == nullptr || worth(bucket[i]) < worth(*victim)) victim = &bucket[i];
        }
        *victim = entry;
        victim->amount = std::min<std::uint32_t>(entry.amount, (1u << 24) - 1) | generation << 24;
    }

    // Proofs are what the line is read from, and settled results cost most to find again.
    static std::uint64_t worth(const MateEntry &entry) {
        const bool settled = (entry.pn == 0 || entry.dn == 0) && entry.pathKey == 0;
        return (entry.amount & 0xFFFFFF) + (entry.pn == 0 ? std::uint64_t{1} << 34 : 0) +
               (settled ? std::uint64_t{1} << 33 : 0);
    }

    static constexpr std::size_t WAYS = 4;
    std::size_t bytes;
    std::size_t mask = 0;
    std::uint32_t generation = 1;
    std::vector<MateEntry> entries;
};

class MateSolver::Search {
public:
    struct Outcome {
        std::uint32_t pn = 1, dn = 1;
        bool pathDependent = false;
        std::uint16_t length = 0;
    };

    Search(ZnBan &game, Table &table, const MateLimits &limits, const std::atomic<bool> &stopped,
           std::atomic<std::uint64_t> &progress, Clock::time_point start)
        : game_(game), table_(table), limits_(limits), stopped_(stopped), progress_(progress),
          children_(MAX_PLY + 2), moves_(MAX_PLY + 2) {
        if (limits.milliseconds > 0) deadline_ = start + std::chrono::milliseconds(limits.milliseconds);
    }

    // Searches the root with at most `maxPly` plies to mate (0: no bound) until it is settled or a
    // limit comes.
    Outcome searchRoot(int maxPly) {
        maxPly_ = maxPly;
        pathKeys_.clear();
        return mid(0, ROOT_PATH, INF, INF);
    }

    // Reads the mate the last proved searchRoot found: the attacker's quickest check, the defender's
    // longest answer. False when the table lost a part that cannot be proved again within the limits.
    bool readLine(std::vector<Move> &line);

    bool aborted() const { return aborted_; }
    bool capped() const { return capped_; }
    std::uint64_t nodes() const { return nodes_; }

private:
    struct Child {
        Move move;
        std::uint64_t key = 0;  // the position's own key
        std::uint64_t path = 0;
        std::uint32_t pn = 1, dn = 1;
        std::uint16_t length = 0;
        bool pathDependent = false;
        bool repeats = false;
    };

    std::uint64_t tableKey(std::uint64_t key, int ply) const {
        if (maxPly_ == 0) return key | 1;
        return (key ^ (static_cast<std::uint64_t>(maxPly_ - ply + 1) * 0xD6E8FEB86659FD93ull)) | 1;
    }

    bool outOfLimits() {
        if (stopped_.load(std::memory_order_relaxed)) return aborted_ = true;
        if ((nodes_ & 1023) != 0) return false;
        progress_.store(nodes_, std::memory_order_relaxed);
        if (limits_.nodes > 0 && nodes_ >= limits_.nodes) return aborted_ = true;
        if (deadline_ != Clock::time_point() && Clock::now() >= deadline_) return aborted_ = true;
        return false;
    }

    bool repeatsOnPath(std::uint64_t key, int childPly) const {
        for (int ply = childPly - 2; ply >= 0; ply -= 2)
            if (pathKeys_[static_cast<std::size_t>(ply)] == key) return true;
        return false;
    }

    void generate(int ply, std::vector<Move> &moves) {
        moves.clear();
        if (ply % 2 == 0)
            checkingMoves(game_, moves);
        else
            legalMoves(game_, moves);
    }

    void expand(int ply, std::uint64_t path, std::vector<Child> &children) {
        children.clear();
        for (const Move &move : moves_[static_cast<std::size_t>(ply)]) {
            Child child;
            child.move = move;
            child.key = keyAfter(game_, move);
            child.path = extendPath(path, child.key);
            child.repeats = repeatsOnPath(child.key, ply + 1);
            if (child.repeats) {
                child.pn = INF;
                child.dn = 0;
                child.pathDependent = true;
            }
            children.push_back(child);
        }
    }

    void refresh(int ply, Child &child) const {
        if (child.repeats) return;
        if (const MateEntry *entry = table_.find(tableKey(child.key, ply + 1), child.path)) {
            child.pn = entry->pn;
            child.dn = entry->dn;
            child.length = entry->length;
            child.pathDependent = entry->pathKey != 0;
        }
    }

    Outcome settle(std::uint64_t key, std::uint64_t path, Outcome outcome, std::uint16_t best, std::uint64_t spent) {
        MateEntry entry;
        entry.key = key;
        entry.pathKey = outcome.dn == 0 && outcome.pathDependent ? path : 0;
        entry.pn = outcome.pn;
        entry.dn = outcome.dn;
        entry.length = outcome.length;
        entry.best = best;
        entry.amount = saturated(spent);
        table_.store(entry);
        return outcome;
    }

    Outcome mid(int ply, std::uint64_t path, std::uint32_t thpn, std::uint32_t thdn);
    // The attacker's proved check with the fewest plies to mate, or the defender's answer with the
    // most; nothing when the table lacks a proof it needs.
    std::optional<Move> pick(int ply, std::uint64_t path, const std::vector<Move> &moves);

    ZnBan &game_;
    Table &table_;
    const MateLimits &limits_;
    const std::atomic<bool> &stopped_;
    std::atomic<std::uint64_t> &progress_;
    Clock::time_point deadline_{};
    std::vector<std::vector<Child>> children_;
    std::vector<std::vector<Move>> moves_;
    std::vector<std::uint64_t> pathKeys_;
    int maxPly_ = 0;
    std::uint64_t nodes_ = 0;
    bool aborted_ = false;
    bool capped_ = false;
};

MateSolver::Search::Outcome MateSolver::Search::mid(int ply, std::uint64_t path, std::uint32_t thpn,
                                                    std::uint32_t thdn) {
    ++nodes_;
    const std::uint64_t startNodes = nodes_;
    if (outOfLimits()) return {};
    const bool attacker = ply % 2 == 0;
    const std::uint64_t key = tableKey(game_.key(), ply);
    if (ply >= MAX_PLY) {
        capped_ = true;
        return {INF, 0, true, 0};
    }
    std::vector<Move> &moves = moves_[static_cast<std::size_t>(ply)];
    generate(ply, moves);
    if (moves.empty()) return attacker ? settle(key, path, {INF, 0, false, 0}, NO_MOVE, 1) : settle(key, path, {0, INF, false, 0}, NO_MOVE, 1);
    if (maxPly_ > 0 && maxPly_ - ply < (attacker ? 1 : 2)) return settle(key, path, {INF, 0, false, 0}, NO_MOVE, 1);

    pathKeys_.resize(static_cast<std::size_t>(ply));
    pathKeys_.push_back(game_.key());
    std::vector<Child> &children = children_[static_cast<std::size_t>(ply)];
    expand(ply, path, children);

    Outcome outcome;
    std::uint16_t best = NO_MOVE;
    while (true) {
        // Gather the children's numbers: the minimum on the side to choose, the sum on the other.
        std::uint64_t sum = 0;
        std::uint32_t low = INF, second = INF;
        std::size_t chosen = 0;
        for (std::size_t i = 0; i < children.size(); ++i) {
            Child &child = children[i];
            refresh(ply, child);
            const std::uint32_t mine = attacker ? child.pn : child.dn;
            sum += attacker ? child.dn : child.pn;
            if (mine < low) {
                second = low;
                low = mine;
                chosen = i;
            } else if (mine < second) {
                second = mine;
            }
        }
        const std::uint32_t total = saturated(sum);
        outcome = attacker ? Outcome{low, total, false, 0} : Outcome{total, low, false, 0};
        if (outcome.pn == 0) {
            outcome.dn = INF;
            // The attacker's quickest proved check, the defender's longest answer.
            int length = attacker ? MAX_PLY * 2 : -1;
            for (const Child &child : children)
                if (child.pn == 0 && (attacker ? child.length < length : child.length > length)) {
                    length = child.length;
                    best = packMove(child.move);
                }
            outcome.length = static_cast<std::uint16_t>(length + 1);
            break;
        }
        if (outcome.dn == 0) {
            outcome.pn = INF;
            // On the attacker's side every child is refuted and one refuted on this path only makes
            // the whole depend on it; on the defender's side one refutation for every path is enough.
            bool anyDependent = false, allDependent = true;
            for (const Child &child : children)
                if (child.dn == 0) {
                    anyDependent = anyDependent || child.pathDependent;
                    allDependent = allDependent && child.pathDependent;
                }
            outcome.pathDependent = attacker ? anyDependent : allDependent;
            break;
        }
        if (outcome.pn >= thpn || outcome.dn >= thdn || aborted_) break;

        Child &child = children[chosen];
        const std::uint32_t widened = saturated(std::uint64_t{second} + second / 4 + 1);
        std::uint32_t childPn, childDn;
        if (attacker) {
            childPn = std::min(thpn, widened);
            childDn = saturated(std::uint64_t{thdn} - outcome.dn + child.dn);
        } else {
            childDn = std::min(thdn, widened);
            childPn = saturated(std::uint64_t{thpn} - outcome.pn + child.pn);
        }
        if (!applyMove(game_, child.move)) break;
        const Outcome result = mid(ply + 1, child.path, std::max(childPn, child.pn + 1), std::max(childDn, child.dn + 1));
        game_.undoMove();
        if (aborted_) break;
        child.pn = result.pn;
        child.dn = result.dn;
        child.length = result.length;
        child.pathDependent = result.pathDependent;
    }
    if (aborted_) return outcome;
    return settle(key, path, outcome, best, nodes_ - startNodes + 1);
}

bool MateSolver::Search::readLine(std::vector<Move> &line) {
    line.clear();
    pathKeys_.clear();
    std::uint64_t path = ROOT_PATH;
    bool complete = false;
    std::vector<Move> moves;
    for (int ply = 0; ply < MAX_PLY && !aborted_; ++ply) {
        const bool attacker = ply % 2 == 0;
        generate(ply, moves);
        if (!attacker && moves.empty()) {
            complete = true;
            break;
        }
        pathKeys_.resize(static_cast<std::size_t>(ply));
        pathKeys_.push_back(game_.key());
        std::optional<Move> chosen = pick(ply, path, moves);
        // The table may have lost the proof: proved again, within the limits.
        if (!chosen && attacker && mid(ply, path, INF, INF).pn == 0) {
            generate(ply, moves);
            chosen = pick(ply, path, moves);
        }
        if (!chosen) break;
        line.push_back(*chosen);
        if (!applyMove(game_, *chosen)) break;
        path = extendPath(path, game_.key());
    }
    for (std::size_t i = 0; i < line.size() && game_.moveCount() > 0; ++i) game_.undoMove();
    return complete;
}

std::optional<Move> MateSolver::Search::pick(int ply, std::uint64_t path, const std::vector<Move> &moves) {
    const bool attacker = ply % 2 == 0;
    std::optional<Move> chosen;
    int length = attacker ? MAX_PLY * 2 : -1;
    for (const Move &move : moves) {
        if (!applyMove(game_, move)) continue;
        const std::uint64_t childPath = extendPath(path, game_.key());
        const std::uint64_t key = tableKey(game_.key(), ply + 1);
        const MateEntry *entry = table_.find(key, childPath);
        // A defence the table has lost is proved again.
        if (!attacker && (entry == nullptr || entry->pn != 0) && !aborted_) {
            mid(ply + 1, childPath, INF, INF);
            entry = table_.find(key, childPath);
        }
        const bool proved = entry != nullptr && entry->pn == 0;
        const int childLength = proved ? entry->length : 0;
        game_.undoMove();
        if (!attacker && !proved) return std::nullopt;
        if (proved && (attacker ? childLength < length : childLength > length)) {
            length = childLength;
            chosen = move;
        }
    }
    return chosen;
}

std::string mateProblem(const ZnBan &game) {
    if (std::string problem = rulesProblem(game); !problem.empty()) return problem;
    const Koma *king = game.king(defenderOf(game));
    if (king == nullptr || king->side() != defenderOf(game) || king->square() >= SQUARE_COUNT)
        return std::string("詰ます") + (defenderOf(game) == SENTE ? "先手" : "後手") + "の玉が盤上にありません";
    return {};
}

std::string mateLineFault(const ZnBan &game, const std::vector<Move> &line) {
    ZnBan copy;
    copyPosition(game, copy);
    const Side defender = defenderOf(game);
    if (line.empty()) return "手がありません";
    for (std::size_t i = 0; i < line.size(); ++i) {
        const std::string ply = std::to_string(i + 1) + "手目";
        if (const Refusal refusal = checkMove(copy, line[i]); refusal != Refusal::None)
            return ply + "が指せない手です（" + refusalText(refusal) + "）";
        if (!applyMove(copy, line[i])) return ply + "が指せない手です";
        if (i % 2 == 0 && !kingInCheck(copy, defender)) return ply + "が王手ではありません";
    }
    if (line.size() % 2 == 0 || hasLegalMove(copy)) return "最後の局面が詰んでいません";
    return {};
}

MateSolver::MateSolver() = default;
MateSolver::~MateSolver() = default;

MateResult MateSolver::solve(const ZnBan &game, const MateLimits &limits) {
    const Clock::time_point start = Clock::now();
    MateResult result;
    result.problem = mateProblem(game);
    if (!result.problem.empty()) return result;
    const std::size_t bytes = std::max<std::size_t>(limits.tableBytes, 4096);
    if (!table_ || table_->bytes != bytes)
        table_ = std::make_unique<Table>(bytes);
    else
        table_->clear();
    progress_.store(0, std::memory_order_relaxed);

    ZnBan work;
    copyPosition(game, work);
    Search search(work, *table_, limits, stopped_, progress_, start);
    const Search::Outcome first = search.searchRoot(0);
    if (first.pn == 0 && search.readLine(result.line)) {
        result.answer = MateAnswer::Mate;
        // Shorten: a mate two plies shorter, until none is proved or a limit comes first.
        while (!search.aborted()) {
            if (result.line.size() <= 1) {
                result.shortest = true;
                break;
            }
            const Search::Outcome shorter = search.searchRoot(static_cast<int>(result.line.size()) - 2);
            std::vector<Move> line;
            if (shorter.pn == 0 && search.readLine(line) && line.size() < result.line.size()) {
                result.line = line;
            } else {
                result.shortest = shorter.dn == 0 && !search.aborted();
                break;
            }
        }
    } else if (first.dn == 0 && !search.capped() && !search.aborted()) {
        result.answer = MateAnswer::NoMate;
    }
    result.nodes = search.nodes();
    progress_.store(result.nodes, std::memory_order_relaxed);
    result.milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return result;
}
