#pragma once
// Developer reports from the checked containers, and the out-of-memory rule.

#include <cstddef>

// Shows a report to the developer: `title` is the formatted report, `text` the fixed body.
using ReportHook = void (*)(const char *title, const char *text);

// Installs the function that shows bad-index reports; null restores the default (standard error).
void setReportHook(ReportHook hook);

// Formats `format` with the index and the element count and hands it to the report hook.
void reportBadIndex(const char *format, long long index, std::size_t count);

// True when 0 <= index < count; otherwise reports the index like a bad element access
// ("Out of index (%d/%d)") and returns false.
bool checkIndex(long long index, std::size_t count);

// Makes every failed allocation print "out of memory" and end the process with status 1.
void installOutOfMemoryRule();

// Ends the process by the out-of-memory rule, for allocations that fail without the new handler
// (a library that reports them by an exception).
[[noreturn]] void endOutOfMemory();
