#pragma once
// One timed search per position, as a game analysis runs it: the gathering of its info lines into
// the one report the analysis keeps.

#include <optional>
#include <string>

#include "analysis/gameanalysis.h"
#include "engine/profile.h"
#include "engine/usiline.h"

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
