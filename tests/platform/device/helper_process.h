// Running the settings helper program as a separate process.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace wq::test {

constexpr uid_t kNobody = 65534;

struct Child {
    pid_t pid = -1;
    int out = -1;  // read end of the child's standard output
};

// When dropPrivileges is set and we are root, the child runs as "nobody" so
// file permissions apply to it.
inline Child StartHelper(std::vector<std::string> args, bool dropPrivileges = false) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        if (dropPrivileges && geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(98);
        std::string exe = WQ_SETTINGS_HELPER;
        std::vector<char*> argv{exe.data()};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(99);
    }
    close(fds[1]);
    return Child{pid, fds[0]};
}

// Reads to end of output and closes fd.
inline std::string ReadToEnd(int fd) {
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    close(fd);
    return out;
}

inline int Wait(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs the helper to completion; returns its exit code, its output in *out.
inline int RunHelper(const std::vector<std::string>& args, std::string* out = nullptr, bool dropPrivileges = false) {
    Child c = StartHelper(args, dropPrivileges);
    if (c.pid < 0) return -1;
    std::string text = ReadToEnd(c.out);
    if (out) *out = text;
    return Wait(c.pid);
}

// The value the helper reads back: "number N", "string S" or "absent".
inline std::string ReadBack(const std::string& db, const char* key, bool dropPrivileges = false) {
    std::string out;
    return RunHelper({db, "read", "WQAUDIO", key}, &out, dropPrivileges) == 0 ? out : "helper failed";
}

}  // namespace wq::test
