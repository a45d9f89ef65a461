#pragma once
// Writing a whole file so that a failure never costs what was there: the bytes go to a temporary
// file beside the target, which replaces the target only once every byte is on the disk.

#include <string>
#include <string_view>

struct SaveResult {
    bool ok = false;
    // Why it failed, in Japanese (UTF-8), fit for the status bar; empty on success.
    std::string reason;
};

// Writes every byte to the open descriptor `fd`, going on after interruptions and short writes;
// 0, or the system's error (errno) that stopped it.
int writeWhole(int fd, std::string_view bytes);

// The file a save to `path` replaces: `path` itself, or where its chain of symbolic links ends
// (which may not exist yet), so that a save writes through a link instead of replacing it.
std::string saveTarget(const std::string &path);

// Writes `bytes` as the file at `path` (a path in the system's encoding). A link is followed, a
// replaced file keeps its permissions, and anything but a regular file (a folder, a named pipe, a
// socket, a device) is refused untouched. On failure the old file, if any, is as it was and no
// temporary file is left. Needs SIGXFSZ ignored for a file-size limit to be a failure here rather
// than the end of the process.
SaveResult saveFileSafely(const std::string &path, std::string_view bytes);

// Whether a save to `path` could begin: what saveFileSafely refuses is refused alike, and a
// temporary file is made beside the target and removed again. Lets a long task fail before it starts.
SaveResult checkSavable(const std::string &path);
