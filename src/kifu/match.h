#pragma once
// "nagikifu match --engine A --engine B ...": a series of games between two USI engines, sides
// swapped after each (or each opening of a set played from both sides), several at once, each saved
// as the window saves a record, with a line per game, the SPRT's LLR when one is asked for and, at
// the end, a table per engine with its score and the Elo difference, and the summary as JSON.

#include <iosfwd>
#include <string>
#include <vector>

// Runs the command with `args` (after the word "match"); the game lines and the table go to `out`,
// reasons and the progress bar (redrawn in place when `terminal`) to `err`. Returns 0 when every
// game was played or the SPRT decided, 1 when an engine could not be started at all, the openings
// could not serve, or a record or the JSON not written, 2 for a wrong command line.
int runMatch(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, bool terminal);

// The command line's help for the command.
extern const char *const MATCH_USAGE;
