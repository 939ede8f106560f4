// Every test program that links this (wq_test_bus) runs on its own dbus-daemon, started
// before the first test and stopped after the last (or when the test process
// dies). DBUS_SESSION_BUS_ADDRESS points at it for this process and its
// children only; the machine's own bus is never touched.
#pragma once

#include <string>

namespace wq::ipc::test {

// Runs `command` through /bin/sh with the private bus in its environment,
// returns its exit status and fills `out` with its standard output.
int RunCommand(const std::string& command, std::string* out = nullptr);

}  // namespace wq::ipc::test
