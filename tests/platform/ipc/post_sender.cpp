// A separate program for the bus tests: posts N commands (WM_COMMAND 2003 with
// lParam 0..N-1) to the window "WQAudio", each over its own bus connection
// that closes right after the post, as one `wqctl post` run does.
#include <cstdlib>

#include "tests/platform/ipc/program.h"

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 0;
    for (int i = 0; i < n; ++i) {
        wq::ipc::test::Program sender;
        if (!sender.bus()) return 1;
        const auto id = sender.Find(u"WQAudio");
        if (!id) return 1;
        if (!sender.Do([&] { return sender.bus()->Post(id, 0x0111, 2003, i); })) return 1;
    }
    return 0;
}
