#pragma once
// A Unix socket in the file system, the one kind of file that is neither regular, a named pipe
// (mkfifo) nor a device (a link to /dev/zero), for tests of paths that must not be opened.

#include <string>

class BoundSocket {
public:
    // Binds a socket at `path`; see bound() and problem().
    explicit BoundSocket(const std::string &path);
    ~BoundSocket();
    BoundSocket(const BoundSocket &) = delete;
    BoundSocket &operator=(const BoundSocket &) = delete;

    bool bound() const { return problem_.empty(); }
    // Why the socket is not there ("" when it is), for the failing test's message.
    const std::string &problem() const { return problem_; }

private:
    int descriptor_ = -1;
    std::string problem_;
};
