#pragma once
// One timed search per position, as a game analysis runs it: the gathering of its info lines into
// the one report the analysis keeps.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/profile.h"
#include "engine/usiline.h"
#include "record/play.h"

// The first move of one reading of a multi-line search and its score, from the side to move's view.
struct ReadingScore {
    Move first;
    bool mate = false;
    long long score = 0;
    bool operator==(const ReadingScore &) const = default;
};

// What an engine answered for one position, its score from the side to move's view.
struct EngineReport {
    bool mate = false;
    // Centipawns, or plies to mate, positive when the side to move mates.
    long long score = 0;
    // The principal variation from the position; its first move is the best move.
    std::vector<Move> pv;
    // The engine's bestmove, which stands for the reading when it printed none (a book move).
    std::optional<Move> bestMove;
    int depth = 0;
    std::string engine;
    // Every reading the search gave, the first included, in the engine's order; empty when it gave
    // none with a move.
    std::vector<ReadingScore> readings;
};

// What one search said, line by line, kept for the analysis: the latest scored line of each
// reading (a line without a multipv tag is the first), an exact score before a bound.
class SearchReport {
public:
    void clear() { *this = SearchReport(); }
    void info(const UsiInfo &info);
    void bestMove(const UsiBestMove &best);
    // The report for the analysis, or nothing with `why` set when the engine gave no score.
    std::optional<EngineReport> report(const std::string &engineName, std::string &why) const;
    bool scored() const { return lines_.contains(1); }

private:
    struct Lines {
        std::optional<UsiInfo> exact;
        std::optional<UsiInfo> bounded;
        const std::optional<UsiInfo> &best() const { return exact ? exact : bounded; }
    };
    // By multipv number, 1 the first reading.
    std::map<int, Lines> lines_;
    std::optional<UsiBestMove> best_;
};
