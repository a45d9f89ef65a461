#include "support/savefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/readfile.h"
#include "support/syserror.h"

namespace {

SaveResult failed(const char *what, int error) {
    return {false, std::string(what) + " (" + systemErrorText(error) + ")"};
}

// The permissions of the file being replaced, or those a new file gets under the umask.
mode_t permissionsFor(const std::string &target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string folderOf(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

int writeWhole(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::string saveTarget(const std::string &path) {
    std::string target = path;
    // As many links as the system itself follows; a longer chain is left for the rename to refuse.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status {};
        if (::lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) break;
        std::string link(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= link.size()) break;
        link.resize(static_cast<std::size_t>(length));
        target = link.front() == '/' ? link : folderOf(target) + link;
    }
    return target;
}

namespace {

// The file a save to `path` writes, or why none may be written there; then a temporary file made
// beside it, open in `fd`, named in `temporary`.
SaveResult openTemporary(const std::string &path, std::string &target, std::string &temporary, int &fd) {
    // A rename would put the file in place of a device or a pipe, and writing into one could wait
    // for ever; the kernel's own view of the path (magic links in /proc included) decides.
    if (std::string refused = whyNotARegularFile(path); !refused.empty()) return {false, refused};
    // A loop of links leads nowhere: the rename would put a file in place of the link.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 && errno == ELOOP)
        return failed("ファイルに書き込めません", ELOOP);
    target = saveTarget(path);
    if (std::string refused = whyNotARegularFile(target); !refused.empty()) return {false, refused};
    temporary = target + ".nagi-XXXXXX";
    fd = ::mkstemp(temporary.data());
    if (fd < 0) return failed("ファイルを作れません", errno);
    return {true, {}};
}

}  // namespace

SaveResult checkSavable(const std::string &path) {
    std::string target, temporary;
    int fd = -1;
    SaveResult result = openTemporary(path, target, temporary, fd);
    if (!result.ok) return result;
    ::close(fd);
    ::unlink(temporary.c_str());
    return result;
}

SaveResult saveFileSafely(const std::string &path, std::string_view bytes) {
    std::string target, temporary;
    int fd = -1;
    if (SaveResult opened = openTemporary(path, target, temporary, fd); !opened.ok) return opened;
    // A write cut short by a full disk or a size limit fails the next write with the reason.
    int error = writeWhole(fd, bytes);
    bool ok = error == 0;
    if (ok && (::fchmod(fd, permissionsFor(target)) != 0 || ::fsync(fd) != 0)) {
        ok = false;
        error = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (ok) return {true, {}};
    ::unlink(temporary.c_str());
    return failed("ファイルに書き込めません", error);
}
