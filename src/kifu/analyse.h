#pragma once
// "nagikifu analyse IN OUT --engine PATH ...": every position of a record searched by a USI engine,
// written back with the evaluation, reading, label and reason in each position's comments.

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

// Runs the command with `args` (after the word "analyse"). Progress goes to `err` as it comes: a bar
// redrawn in place when `terminal`, else one line per position. Returns 0 on success, 1 when the
// record, the engine or the write failed (no output is left then), 2 for a wrong command line.
int runAnalyse(const std::vector<std::string> &args, std::ostream &err, bool terminal);

// The command line's help for the command.
extern const char *const ANALYSE_USAGE;

class QCoreApplication;
// The event loop the engine host needs; a program without one gets it for the run (null when
// one exists already).
std::unique_ptr<QCoreApplication> ensureApplication();
