#pragma once
// Reasons for failures the operating system reports, in the program's language.

#include <string>

// The reason for the system error `error` (an errno value): Japanese for the errors a person can
// act on (a full disk, a missing file, no permission...), the system's own text for the rest.
std::string systemErrorText(int error);
