#pragma once
// Reading a whole file into memory without ever waiting on it: only regular files are read, and
// only as many bytes as they hold, up to a limit.

#include <cstddef>
#include <string>

// The default limit of readRegularFile: far beyond any record a person keeps, small enough to
// hold in memory at once.
inline constexpr std::size_t MAX_READ_BYTES = std::size_t{64} * 1024 * 1024;

struct FileBytes {
    bool ok = false;
    // The whole file on success.
    std::string bytes;
    // Why it failed, in Japanese (UTF-8), fit for the status bar; empty on success.
    std::string reason;
    // What was read, so that a writer can tell it apart from its own target; 0 when unknown.
    unsigned long long device = 0, inode = 0;
    // The system's error (errno) when that was the failure, else 0.
    int error = 0;
};

// Why whatever is at `path` (after following links) must not be read or replaced as a file: a
// folder, a named pipe, a socket, a device. Empty for a regular file and for a path naming nothing.
std::string whyNotARegularFile(const std::string &path);

// Reads the whole regular file at `path` (a path in the system's encoding). Anything else (a
// folder, a named pipe, a socket, a device, or a link to one) is refused without being read, and
// so is a file of more than `limit` bytes; the call never blocks on what it opens.
FileBytes readRegularFile(const std::string &path, std::size_t limit = MAX_READ_BYTES);

// Reads the open descriptor `fd` to its end (standard input, a pipe), refusing more than `limit`
// bytes; the reason of a failure is the system's, in Japanese.
FileBytes readDescriptor(int fd, std::size_t limit = MAX_READ_BYTES);

// The reason a record over `limit` bytes is not written: it could not be opened again.
std::string recordTooLong(std::size_t limit = MAX_READ_BYTES);
