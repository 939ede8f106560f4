// A child process with its standard output on a pipe, read line by line with
// a deadline, and killed when the object goes away. For driving wqctl.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace wq::ipc::test {

class Child {
public:
    explicit Child(const std::vector<std::string>& argv) {
        int fds[2];
        if (pipe(fds) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> args;
            for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(fds[1]);
        m_out = fds[0];
    }
    ~Child() {
        if (m_pid > 0 && !m_reaped) kill(m_pid, SIGKILL), waitpid(m_pid, nullptr, 0);
        if (m_out >= 0) close(m_out);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The next line of output (without its newline), or nothing after `ms`.
    std::optional<std::string> ReadLine(int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (size_t nl; (nl = m_buffer.find('\n')) == std::string::npos;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[512];
            const ssize_t n = read(m_out, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            m_buffer.append(chunk, static_cast<size_t>(n));
        }
        const size_t nl = m_buffer.find('\n');
        std::string line = m_buffer.substr(0, nl);
        m_buffer.erase(0, nl + 1);
        return line;
    }

    // Sends SIGTERM and returns the exit status (or -1 after `ms`).
    int Stop(int ms = 5000) {
        if (m_pid <= 0) return -1;
        kill(m_pid, SIGTERM);
        return Wait(ms);
    }
    int Wait(int ms) {
        for (int waited = 0; waited < ms; waited += 10, usleep(10000)) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_reaped = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        }
        return -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    bool m_reaped = false;
    std::string m_buffer;
};

}  // namespace wq::ipc::test
