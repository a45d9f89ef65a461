#include "common/hostile_paths.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

bool makeNullDevice(const std::string &path) {
    return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

bool canMountPrivately() {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) ::_exit(mountPrivateTmpfs("/tmp", 16 * 1024, true) ? 0 : 1);
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool mountPrivateTmpfs(const std::string &folder, long bytes, bool readOnly) {
    // Once the namespace is private, a second mount needs no second unshare.
    static bool unshared = false;
    if (!unshared) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return false;
        unshared = true;
    }
    const std::string size = "size=" + std::to_string(bytes);
    return ::mount("tmpfs", folder.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, size.c_str()) == 0;
}
