// Checks that must run as another process: without privileges, or in a
// mount namespace of their own. The body runs in a forked child and reports
// through its exit status (0 for success, its own codes for each failure).
#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>

#include <string>

namespace vrbtest {

// The child's status when it could not set itself up (not its body's failure).
inline constexpr int kChildCannotSetUp = 77;
inline constexpr unsigned kNobody = 65534;

// The body's exit status, or -1 when the child died otherwise.
template <typename Body>
int runInChild(Body body) {
    pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// For the child: gives up root for good.
inline bool dropToNobody() {
    return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0 && geteuid() == kNobody;
}

// For the child: makes `directory` read-only for this process alone, by a
// read-only bind mount in a mount namespace of its own.
inline bool makeReadOnlyHere(const std::string& directory) {
    if (unshare(CLONE_NEWNS) != 0) return false;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    if (mount(directory.c_str(), directory.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
    return mount(nullptr, directory.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

}  // namespace vrbtest
