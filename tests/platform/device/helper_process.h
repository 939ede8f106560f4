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

// Starts the helper with args; when dropPrivileges is set and we are root,
// the child runs as "nobody" so file permissions apply to it.
inline Child StartHelper(const std::vector<std::string>& args, bool dropPrivileges = false) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        if (dropPrivileges && geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(98);
        std::vector<char*> argv;
        std::string exe = WQ_SETTINGS_HELPER;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(99);
    }
    close(fds[1]);
    return Child{pid, fds[0]};
}

// Reads what is available up to end of output.
inline std::string ReadToEnd(int fd) {
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
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
    close(c.out);
    if (out) *out = text;
    return Wait(c.pid);
}

}  // namespace wq::test
