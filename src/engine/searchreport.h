#pragma once
// One timed search per position, as a game analysis runs it: the command that starts it and the
// gathering of its info lines into the one report the analysis keeps.

#include <optional>
#include <string>

#include "analysis/gameanalysis.h"
#include "engine/profile.h"
#include "engine/usiline.h"

// The "go" that searches for `moveTimeMs` and then answers: the byoyomi form, which every engine
// takes (some end the process on "go movetime"), except for an engine known to spend only part of
// a byoyomi, which gets "go movetime" so that the time asked for is the time searched.
std::string timedGoCommand(const EngineProfile &profile, int moveTimeMs);

// `profile` with its search started by timedGoCommand, so the session sends it for every position.
EngineProfile timedProfile(EngineProfile profile, int moveTimeMs);

// What one search said, line by line, kept for the analysis: the latest scored line of the first
// reading (a line without a multipv tag is the first), an exact score before a bound.
class SearchReport {
public:
    void clear() { *this = SearchReport(); }
    void info(const UsiInfo &info);
    void bestMove(const UsiBestMove &best);
    // The report for the analysis, or nothing with `why` set when the engine gave no score.
    std::optional<EngineReport> report(const std::string &engineName, std::string &why) const;
    bool scored() const { return exact_.has_value() || bounded_.has_value(); }

private:
    std::optional<UsiInfo> exact_;
    std::optional<UsiInfo> bounded_;
    std::optional<UsiBestMove> best_;
};
