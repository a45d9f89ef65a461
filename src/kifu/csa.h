#pragma once
// "nagikifu csa --host H --id ID --password PW --engine ENGINE ...": a USI engine plays a series of
// games on a CSA server (Floodgate or any other), logging in again for each; every game is saved as
// CSA V3.0 in a folder as it ends, with a line per game and the tally at the end.

#include <iosfwd>
#include <string>
#include <vector>

// Runs the command with `args` (after the word "csa"); game lines and the tally go to `out`, reasons
// to `err`, and the exchange with the server too when `log` (the password hidden). Returns 0 when
// every game was played, 1 when the engine could not start, the server could not be reached or
// logged in to, dropped the connection or was left with Ctrl+C, 2 for a wrong command line.
int runCsa(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

// The command line's help for the command.
extern const char *const CSA_USAGE;
