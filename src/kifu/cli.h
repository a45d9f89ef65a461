#pragma once
// The command-line converter: "convert IN OUT" between the record formats and "show IN" for the
// final position with the attack counts of both sides.

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "support/readfile.h"

// Standard input read to its end, refusing more than the limit it is given.
using StandardInput = std::function<FileBytes(std::size_t limit)>;

// Runs nagikifu with `args` (the program name left out), with `in`, `out` and `err` standing for
// standard input, output and error; returns the exit status, 0 on success.
int runNagikifu(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err);
int runNagikifu(const std::vector<std::string> &args, const StandardInput &in, std::ostream &out,
                std::ostream &err);

// The program itself on the process's own standard streams: a closed stream is named as such
// instead of being taken for an empty one, and a failed write of standard output fails the run.
int runNagikifuProcess(int argc, char **argv);
