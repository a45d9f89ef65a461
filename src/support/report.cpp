#include "support/report.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

void reportToStandardError(const char *title, const char *text) {
    std::fprintf(stderr, "%s: %s\n", text, title);
}

ReportHook currentHook = reportToStandardError;

}  // namespace

void endOutOfMemory() {
    std::fputs("out of memory\n", stderr);
    std::fflush(stderr);
    // No destructors: they may need memory, and nothing is to be saved.
    std::_Exit(1);
}

void setReportHook(ReportHook hook) { currentHook = hook ? hook : reportToStandardError; }

void reportBadIndex(const char *format, long long index, std::size_t count) {
    char title[128];
    std::snprintf(title, sizeof title, format, static_cast<int>(index), static_cast<int>(count));
    currentHook(title, "Debug Message");
}

bool checkIndex(long long index, std::size_t count) {
    if (index >= 0 && static_cast<unsigned long long>(index) < count) return true;
    reportBadIndex("Out of index (%d/%d)", index, count);
    return false;
}

void installOutOfMemoryRule() { std::set_new_handler(endOutOfMemory); }
