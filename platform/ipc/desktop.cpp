#include "platform/ipc/desktop.h"

#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/ipc/win_automation.h"
#include "platform/ipc/win_host.h"
#include "platform/win/remote.h"

namespace wq::ipc {
namespace {

// The window system's view of other programs, answered by the bus.
class BusWindows final : public wq::win::RemoteWindows {
public:
    explicit BusWindows(Bus& bus) : m_bus(bus) {}
    std::uint64_t Find(std::u16string_view name) override { return m_bus.Find(name); }
    LRESULT Send(std::uint64_t id, UINT msg, WPARAM wParam, LPARAM lParam,
                 bool* delivered) override {
        return m_bus.Send(id, msg, wParam, lParam, delivered);
    }
    bool Post(std::uint64_t id, UINT msg, WPARAM wParam, LPARAM lParam) override {
        return m_bus.Post(id, msg, wParam, lParam);
    }
    bool BringToFront(std::uint64_t id, UINT swpFlags) override {
        return m_bus.BringToFront(id, swpFlags);
    }
    void TakeForeground() override { m_bus.TakeForeground(); }
    bool Claim(std::u16string_view name) override { return m_bus.Claim(name); }
    void Publish(HWND hwnd, std::u16string_view name) override { m_bus.Publish(hwnd, name); }
    void Withdraw(HWND hwnd) override { m_bus.Withdraw(hwnd); }

private:
    Bus& m_bus;
};

}  // namespace

struct DesktopBus::Parts {
    WinHost host;
    std::unique_ptr<Bus> bus;  // declared after the host it uses
    std::unique_ptr<BusWindows> windows;
    WinAutomation automation;
};

std::unique_ptr<DesktopBus> DesktopBus::Start(BusOptions options) {
    SetSayHook([](const std::string& text) { Dbg(u"%s", Utf8ToUtf16(text).c_str()); });
    auto parts = std::make_unique<Parts>();
    parts->bus = Bus::Create(parts->host, std::move(options));
    if (!parts->bus) return nullptr;
    parts->windows = std::make_unique<BusWindows>(*parts->bus);
    wq::win::SetRemoteWindows(parts->windows.get());
    return std::unique_ptr<DesktopBus>(new DesktopBus(std::move(parts)));
}

DesktopBus::DesktopBus(std::unique_ptr<Parts> parts)
    : m_parts(std::move(parts)), m_bus(m_parts->bus.get()) {}

DesktopBus::~DesktopBus() {
    if (wq::win::GetRemoteWindows() == m_parts->windows.get()) wq::win::SetRemoteWindows(nullptr);
    m_parts->bus.reset();
}

bool DesktopBus::EnableAutomation() {
    return m_bus->EnableAutomation(m_parts->automation);
}

}  // namespace wq::ipc
