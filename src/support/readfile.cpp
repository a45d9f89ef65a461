#include "support/readfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "support/syserror.h"

namespace {

// Closes the descriptor however the read ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

FileBytes failed(std::string reason) { return {false, {}, std::move(reason)}; }

FileBytes systemFailure(const char *what, int error) {
    if (error == ENOENT) return failed("ファイルがありません");
    FileBytes result = failed(std::string(what) + " (" + systemErrorText(error) + ")");
    result.error = error;
    return result;
}

// Why a file of this type is not read; empty for a regular file.
std::string refusedType(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return "ファイルではなくフォルダです";
    if (S_ISFIFO(mode)) return "ファイルではなく名前付きパイプです";
    if (S_ISSOCK(mode)) return "ファイルではなくソケットです";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "ファイルではなくデバイスです";
    return "通常のファイルではありません";
}

std::string tooLarge(std::size_t limit) {
    if (limit >= 1024 * 1024 && limit % (1024 * 1024) == 0)
        return "ファイルが大きすぎます (上限 " + std::to_string(limit / (1024 * 1024)) + " MiB)";
    return "ファイルが大きすぎます (上限 " + std::to_string(limit) + " バイト)";
}

// Reads what is left of `fd`, expecting about `expected` bytes.
FileBytes readToEnd(int fd, std::size_t expected, std::size_t limit) {
    // Room for what the file holds and one byte more, which tells a file that grew meanwhile.
    FileBytes result{true, {}, {}};
    std::string &bytes = result.bytes;
    bytes.resize(std::min(expected, limit) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > limit) return failed(tooLarge(limit));
            bytes.resize(std::min(limit + 1, 2 * filled + 4096));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            return systemFailure("ファイルを読めません", errno);
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > limit) return failed(tooLarge(limit));
    bytes.resize(filled);
    return result;
}

}  // namespace

std::string whyNotARegularFile(const std::string &path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    return refusedType(status.st_mode);
}

FileBytes readRegularFile(const std::string &path, std::size_t limit) {
    // Opening a named pipe waits for a writer, and opening a device can do anything: look first.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return systemFailure("ファイルを開けません", errno);
    if (std::string refused = refusedType(status.st_mode); !refused.empty()) return failed(refused);

    // The path may name something else by now: open without waiting and look again at what is open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return systemFailure("ファイルを開けません", errno);
    const Descriptor file(fd);
    if (::fstat(fd, &status) != 0) return systemFailure("ファイルを開けません", errno);
    if (std::string refused = refusedType(status.st_mode); !refused.empty()) return failed(refused);
    if (status.st_size < 0 || static_cast<unsigned long long>(status.st_size) > limit)
        return failed(tooLarge(limit));

    FileBytes result = readToEnd(fd, static_cast<std::size_t>(status.st_size), limit);
    result.device = status.st_dev;
    result.inode = status.st_ino;
    return result;
}

FileBytes readDescriptor(int fd, std::size_t limit) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return systemFailure("ファイルを読めません", errno);
    FileBytes result = readToEnd(fd, S_ISREG(status.st_mode) ? std::size_t(status.st_size) : 0, limit);
    if (S_ISREG(status.st_mode)) {
        result.device = status.st_dev;
        result.inode = status.st_ino;
    }
    return result;
}

std::string recordTooLong(std::size_t limit) {
    return "棋譜が長すぎます (上限 " + std::to_string(limit / (1024 * 1024)) + " MiB)";
}
