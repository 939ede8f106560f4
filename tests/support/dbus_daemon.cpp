#include "tests/support/dbus_daemon.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

namespace wq::ipc::test {

pid_t StartPrivateDbusDaemon() {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        const std::string printTo = "--print-address=" + std::to_string(fds[1]);
        execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile",
               printTo.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // The daemon prints its address, one line, into the pipe.
    close(fds[1]);
    std::string address;
    for (char c = 0; read(fds[0], &c, 1) == 1 && c != '\n';) address += c;
    close(fds[0]);
    if (address.empty()) return -1;
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    return pid;
}

}  // namespace wq::ipc::test
