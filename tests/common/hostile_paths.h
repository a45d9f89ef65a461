#pragma once
// What the tests of opening and saving need from a hostile world: device nodes of their own and
// small file systems in a private mount namespace. Each helper says whether it could do it, so
// that a test skips cleanly where the machine does not allow it.

#include <string>

// Makes a character device at `path` that works like /dev/null (root only).
bool makeNullDevice(const std::string &path);

// Whether this process may mount a file system of its own in a private mount namespace.
bool canMountPrivately();

// Moves the calling process (a child of the test) into a mount namespace of its own and mounts a
// tmpfs of `bytes` at `folder` there, read-only if asked; nothing outside the process sees it.
bool mountPrivateTmpfs(const std::string &folder, long bytes, bool readOnly = false);
