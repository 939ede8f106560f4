#include "platform/ipc/desktop.h"

#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/ipc/win_automation.h"
#include "platform/ipc/win_host.h"
#include "platform/win/remote.h"

namespace wq::ipc {

struct DesktopBus::Parts {
    WinHost host;
    std::unique_ptr<Bus> bus;  // declared after the host it uses
    WinAutomation automation;
};

std::unique_ptr<DesktopBus> DesktopBus::Start(BusOptions options) {
    SetSayHook([](const std::string& text) { Dbg(u"%s", Utf8ToUtf16(text).c_str()); });
    auto parts = std::make_unique<Parts>();
    parts->bus = Bus::Create(parts->host, std::move(options));
    if (!parts->bus) return nullptr;
    wq::win::SetRemoteWindows(parts->bus.get());
    return std::unique_ptr<DesktopBus>(new DesktopBus(std::move(parts)));
}

DesktopBus::DesktopBus(std::unique_ptr<Parts> parts)
    : m_parts(std::move(parts)), m_bus(m_parts->bus.get()) {}

DesktopBus::~DesktopBus() {
    if (wq::win::GetRemoteWindows() == m_bus) wq::win::SetRemoteWindows(nullptr);
    m_parts->bus.reset();
}

bool DesktopBus::EnableAutomation() {
    return m_bus->EnableAutomation(m_parts->automation);
}

}  // namespace wq::ipc
