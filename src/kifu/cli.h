#pragma once
// The command-line converter: "convert IN OUT" between the record formats, "show IN" for the
// final position with the attack counts of both sides, and "analyse" (kifu/analyse.h).

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "record/formats.h"
#include "support/readfile.h"

// The format an output file name's extension names, and whether its text is Shift-JIS (".kif",
// ".ki2") rather than UTF-8.
struct Target {
    RecordFormat format = RecordFormat::Unknown;
    bool shiftJis = false;
};
Target targetOfFile(std::string_view fileName);

// A whole decimal number from `low` to `high`, as a command line gives it; false for anything else.
bool readCount(const std::string &text, int low, int high, int &value);

// The value of the option at `args[at]`, `at` moved onto it; null, with `problem` said, when
// `args[at]` is no option or is the last word.
const std::string *optionValue(const std::vector<std::string> &args, std::size_t &at, std::string &problem);

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
