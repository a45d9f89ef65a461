#pragma once
// "nagikifu mate": the mate solver on one position or on a file of positions, one a line.

#include <iosfwd>
#include <string>
#include <vector>

#include "core/mate.h"
#include "engine/matereply.h"

extern const char *const MATE_USAGE;

// Runs "mate" with `args` (the word "mate" left out); 0 whatever the answer, 1 for a position or
// a file it cannot read, 2 for a wrong command line.
int runMate(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

// An engine's answer for the position the game shows, asked with "go mate" (enginehost/mateengine);
// a build without Qt answers with the fault that it cannot run engines.
EngineMate askMateEngine(const std::string &path, const ZnBan &game, std::int64_t milliseconds, int hashMb);

// The answer as the command prints it: "詰み 3手: ▲２二金打 △同　玉 ▲…" and "読み筋: G*2b 1a2b …", one
// line each (with a third when the mate is not proved shortest), or "不詰" or "不明".
std::string mateReport(const ZnBan &game, const MateResult &result);
