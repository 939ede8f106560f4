// A separate program for the bus tests: posts N commands (WM_COMMAND 2003 with
// lParam 0..N-1) to the window "WQAudio", each over its own bus connection
// that closes right after the post, as one `wqctl post` run does.
#include <cstdlib>

#include "platform/ipc/bus.h"
#include "platform/ipc/inbox.h"

namespace {

// A program without windows of its own: it only posts.
class Sender : public wq::ipc::InboxHost {
public:
    LRESULT Deliver(HWND, const wq::ipc::Message&) override { return 0; }
    bool BringToFront(HWND, UINT) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 0;
    Sender host;
    for (int i = 0; i < n; ++i) {
        auto bus = wq::ipc::Bus::Create(host);
        if (!bus) return 1;
        const auto id = bus->Find(u"WQAudio");
        if (!id || !bus->Post(id, 0x0111, 2003, i)) return 1;
    }  // each bus closes here, after its post was answered
    return 0;
}
