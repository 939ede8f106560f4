// A private dbus-daemon for one process: the tests' bus environment and the
// desktop-bus benchmark start theirs here, never touching the machine's bus.
#pragma once

#include <sys/types.h>

namespace wq::ipc::test {

// Starts dbus-daemon as a child that ends with this process, points
// DBUS_SESSION_BUS_ADDRESS at it (for this process and its children) and
// returns its pid; -1 when it did not start.
pid_t StartPrivateDbusDaemon();

}  // namespace wq::ipc::test
