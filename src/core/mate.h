#pragma once
// 詰み探索: whether the side to move can mate by checking with every move, by a proof-number search
// (df-pn) over the rules' checks and evasions, with a bounded table of proof and disproof numbers.
// The answer is right by the rules: a mating pawn drop is no move, and a line that can only go on
// by repeating a position is no mate, since a repetition of checks is the checking side's loss.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/movegen.h"
#include "core/znban.h"

enum class MateAnswer : std::uint8_t {
    Mate,     // 詰み: a mating line is given
    NoMate,   // 不詰: proved that no mate exists
    Unknown,  // 不明: a limit came first, the search was stopped, or the position was refused
};

// What a search may spend; a zero time or node count means no limit of that kind.
struct MateLimits {
    std::int64_t milliseconds = 0;
    std::uint64_t nodes = 0;
    std::size_t tableBytes = std::size_t{64} << 20;
};

struct MateResult {
    MateAnswer answer = MateAnswer::Unknown;
    std::vector<Move> line;  // the mate, the attacker's check first, every defence its longest
    bool shortest = false;   // no shorter mate exists: proved within the limits
    std::uint64_t nodes = 0;
    std::int64_t milliseconds = 0;
    std::string problem;  // why the position was not searched; empty when it was
};

// Why the position the game shows cannot be searched for a mate, in Japanese; empty when it can:
// the rules must judge it and the side not to move must have a king to mate. The side to move
// needs none, as tsume are stated.
std::string mateProblem(const ZnBan &game);

// Whether `line` mates from the position the game shows, by the rules; empty when it does, the
// fault otherwise: each move legal, each of the attacker's moves a check, the last position mated.
std::string mateLineFault(const ZnBan &game, const std::vector<Move> &line);

// One solver; its table is kept from one search to the next while its size stays the same.
class MateSolver {
public:
    MateSolver();
    ~MateSolver();
    MateSolver(const MateSolver &) = delete;
    MateSolver &operator=(const MateSolver &) = delete;

    // Searches the position the game shows, which is left untouched. Once a mate is found the rest
    // of the limits go to shortening it.
    MateResult solve(const ZnBan &game, const MateLimits &limits);
    // Makes a running solve return at once with what it has, and any later one answer 不明 at once
    // until rearm; any thread may call it, before the solve starts too.
    void stop() { stopped_.store(true, std::memory_order_relaxed); }
    void rearm() { stopped_.store(false, std::memory_order_relaxed); }
    // The nodes the running (or last) solve has searched, for a progress display on another thread.
    std::uint64_t nodes() const { return progress_.load(std::memory_order_relaxed); }

private:
    struct Table;
    class Search;
    std::atomic<bool> stopped_{false};
    std::atomic<std::uint64_t> progress_{0};
    std::unique_ptr<Table> table_;
};
