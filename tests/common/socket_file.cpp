#include "common/socket_file.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

BoundSocket::BoundSocket(const std::string &path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // The path must fit with its terminating zero.
    if (path.size() >= sizeof address.sun_path) {
        problem_ = "too long for a socket: " + path;
        return;
    }
    path.copy(address.sun_path, path.size());
    descriptor_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor_ < 0 ||
        ::bind(descriptor_, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        problem_ = path + ": " + std::strerror(errno);
}

BoundSocket::~BoundSocket() {
    if (descriptor_ >= 0) ::close(descriptor_);
}
