#pragma once

#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// A device at `at` that behaves as the system's `systemNode` (/dev/null, /dev/full, ...) while
// the machine's own node stays out of reach of the code under test. As root, which could
// replace or delete any node of /dev, it is a node of the test's own, made with mknod in the
// test's folder: a fault in the code under test can then only replace that copy. Without root
// it is a link to the system's node, which an unprivileged user cannot replace.
inline bool MakeDeviceNode(const std::filesystem::path &at, const char *systemNode) {
    struct stat system {};
    if (::stat(systemNode, &system) != 0 || !S_ISCHR(system.st_mode))
        return false;
    if (::geteuid() == 0)
        return ::mknod(at.c_str(), S_IFCHR | 0666, system.st_rdev) == 0;
    std::error_code ec;
    std::filesystem::create_symlink(systemNode, at, ec);
    return !ec;
}

// Whether `at` still leads to the same device as `systemNode`.
inline bool IsDeviceNode(const std::filesystem::path &at, const char *systemNode) {
    struct stat node {
    }, system{};
    return ::stat(at.c_str(), &node) == 0 && ::stat(systemNode, &system) == 0 &&
           S_ISCHR(node.st_mode) && node.st_rdev == system.st_rdev;
}
