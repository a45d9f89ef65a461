#pragma once
// The command-line converter: "convert IN OUT" between the record formats and "show IN" for the
// final position with the attack counts of both sides.

#include <iosfwd>
#include <string>
#include <vector>

// Runs nagikifu with `args` (the program name left out), with `in`, `out` and `err` standing for
// standard input, output and error; returns the exit status, 0 on success.
int runNagikifu(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err);
