#include "tests/support/private_bus.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/dbus_daemon.h"

namespace wq::ipc::test {
namespace {

class PrivateBus : public ::testing::Environment {
public:
    // The daemon ends with the test process.
    void SetUp() override {
        m_pid = StartPrivateDbusDaemon();
        ASSERT_GT(m_pid, 0) << "dbus-daemon did not start";
    }
    void TearDown() override {
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new PrivateBus);

}  // namespace

int RunCommand(const std::string& command, std::string* out) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    const int status = pclose(pipe);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace wq::ipc::test
