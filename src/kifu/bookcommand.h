#pragma once
// "nagikifu book build" and "nagikifu book show": opening books from the command line.

#include <iosfwd>
#include <string>
#include <vector>

extern const char *const BOOK_USAGE;

// Runs "book ARGS..." (the word "book" left out); returns the exit status.
int runBook(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);
