// The desktop bus of a program with windows: connects the bus to platform/win
// (messages go to window procedures on the GUI thread, names come from the
// window system's registered-message table) and installs it as the window
// system's RemoteWindows, so FindWindow, SendMessage, PostMessage,
// SetWindowPos and SetForegroundWindow reach other programs.
//
//   auto desktop = wq::ipc::DesktopBus::Start();   // before the first window is named
//   if (automation) desktop->EnableAutomation();   // only for --automation
//
// Without a session bus Start says so once and returns nullptr; the program
// then runs alone. GUI thread.
#pragma once

#include <memory>

#include "platform/ipc/bus.h"

namespace wq::ipc {

class DesktopBus {
public:
    static std::unique_ptr<DesktopBus> Start(BusOptions options = {});
    // Uninstalls the transport; published names are released.
    ~DesktopBus();
    DesktopBus(const DesktopBus&) = delete;
    DesktopBus& operator=(const DesktopBus&) = delete;

    Bus& bus() { return *m_bus; }

    // Offers org.wqaudio.Automation: taps and drags as real pen input through
    // the window system, screenshots and window state (see docs/ipc.md).
    bool EnableAutomation();

    struct Parts;

private:
    explicit DesktopBus(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> m_parts;
    Bus* m_bus;
};

}  // namespace wq::ipc
