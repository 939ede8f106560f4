// wqctl: finds the player's sibling windows on the desktop bus and talks to
// them as the launcher, the navigation program or a test would. It uses the
// same bus code as the player (platform/ipc), with an Inbox in place of the
// window system. `wqctl --help` lists every command.
#include <gio/gio.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "platform/ipc/bus.h"
#include "platform/ipc/inbox.h"
#include "platform/ipc/names.h"

namespace {

using wq::ipc::Bus;
using wq::ipc::Message;

struct Key {
    const char* name;
    WPARAM code;
};
constexpr Key kKeys[] = {
    {"play", 126},  {"up", 38},       {"down", 40},      {"front", 121},  {"close", 128},
    {"pause", 129}, {"card-in", 130}, {"card-out", 131}, {"usb-in", 117}, {"usb-out", 118},
};
constexpr Key kMarlo[] = {{"guide", 0}, {"guide-end", 771}, {"quiet", 3}, {"loud", 4}};
struct Named {
    const char* name;
    UINT number;
};
constexpr Named kNumbers[] = {
    {"WM_NULL", WM_NULL}, {"WM_CLOSE", WM_CLOSE}, {"WM_COMMAND", WM_COMMAND}};

std::atomic<bool> g_stop{false};

int Usage(const std::string& why) {
    std::fprintf(stderr, "wqctl: %s (see wqctl --help)\n", why.c_str());
    return 2;
}

std::optional<long long> Number(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno || *end) return std::nullopt;
    return v;
}

// The program's side of the bus: an inbox run by the main thread; when
// serving, every delivered message becomes one flushed output line.
class Tool : public wq::ipc::InboxHost {
public:
    int served = 0;
    LRESULT Deliver(HWND, const Message& m) override {
        const std::string name =
            m.name.empty() ? std::to_string(m.number) : wq::Utf16ToUtf8(m.name);
        std::printf("%s %llu %lld\n", name.c_str(), static_cast<unsigned long long>(m.wParam),
                    static_cast<long long>(m.lParam));
        std::fflush(stdout);
        ++served;
        return 1;
    }
    bool BringToFront(HWND, UINT flags) override {
        std::fprintf(stderr, "wqctl: raised with flags 0x%x\n", flags);
        return true;
    }
};

struct Context {
    Tool tool;
    std::unique_ptr<Bus> bus;
    std::string to = "WQAudio";
};

std::uint64_t FindOrSay(Context& c, const std::string& name) {
    const std::uint64_t id = c.bus->Find(wq::Utf8ToUtf16(name));
    if (!id) std::fprintf(stderr, "wqctl: no window \"%s\" on the bus\n", name.c_str());
    return id;
}

// MSG: a known WM_ name, a number below 0xC000, or a registered message name.
std::optional<UINT> MessageId(Context& c, const std::string& text) {
    for (const auto& n : kNumbers)
        if (g_ascii_strcasecmp(n.name, text.c_str()) == 0) return n.number;
    if (auto v = Number(text)) {
        if (*v < 0 || *v >= 0xC000) return std::nullopt;
        return static_cast<UINT>(*v);
    }
    const UINT id = c.tool.messages().Register(wq::Utf8ToUtf16(text));
    return id ? std::optional<UINT>(id) : std::nullopt;
}

int SendOrPost(Context& c, bool send, const std::string& window, const std::string& msgText,
               long long wParam, long long lParam) {
    const auto msg = MessageId(c, msgText);
    if (!msg) return Usage("MSG must be a registered name or a number below 0xC000: " + msgText);
    const std::uint64_t id = FindOrSay(c, window);
    if (!id) return 1;
    if (!send)
        return c.bus->Post(id, *msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) ? 0
                                                                                               : 1;
    bool delivered = false;
    const LRESULT r =
        c.bus->Send(id, *msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam), &delivered);
    if (!delivered) {
        std::fprintf(stderr, "wqctl: \"%s\" did not answer\n", window.c_str());
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(r));
    return 0;
}

int Serve(Context& c, const std::string& window, long long count) {
    const std::u16string name = wq::Utf8ToUtf16(window);
    if (wq::ipc::WindowElement(name).empty()) return Usage("serve needs a window name");
    std::signal(SIGINT, [](int) { g_stop = true; });
    std::signal(SIGTERM, [](int) { g_stop = true; });
    c.bus->Publish(reinterpret_cast<HWND>(1), name);
    std::fprintf(stderr, "wqctl: serving \"%s\" as %s\n", window.c_str(),
                 c.bus->UniqueName().c_str());
    while (!g_stop && c.bus->IsConnected() && (count <= 0 || c.tool.served < count))
        c.tool.inbox().RunOne(100);
    if (!c.bus->IsConnected()) {
        std::fprintf(stderr, "wqctl: the bus went away\n");
        return 1;
    }
    c.bus->Withdraw(reinterpret_cast<HWND>(1));
    return 0;
}

// Calls the automation interface of the program that owns `window`.
GVariant* Automation(Context& c, const std::string& window, const char* method, GVariant* args,
                     const char* replyType) {
    const std::uint64_t id = FindOrSay(c, window);
    if (!id) {
        g_variant_unref(g_variant_ref_sink(args));
        return nullptr;
    }
    std::string error;
    GVariant* reply = c.bus->Call(id, wq::ipc::kAutomationPath, wq::ipc::kAutomationInterface,
                                  method, args, replyType, &error);
    if (!reply) std::fprintf(stderr, "wqctl: %s failed: %s\n", method, error.c_str());
    return reply;
}

using Args = std::vector<std::string>;  // a command's arguments, after its name

std::optional<long long> NumberOr(const Args& a, size_t i, long long fallback) {
    return i < a.size() ? Number(a[i]) : std::optional<long long>(fallback);
}

int List(Context& c, const Args&) {
    for (const auto& w : c.bus->ListWindows())
        std::printf("%s\t%s\n", wq::Utf16ToUtf8(w.name).c_str(), w.owner.c_str());
    return 0;
}

int Find(Context& c, const Args& a) {
    const std::uint64_t id = FindOrSay(c, a[0]);
    if (id) std::printf("%s\n", c.bus->OwnerOf(id).c_str());
    return id ? 0 : 1;
}

int SendOrPostCommand(Context& c, const Args& a, bool send) {
    const auto w = NumberOr(a, 2, 0), l = NumberOr(a, 3, 0);
    if (!w || !l) return Usage("WPARAM and LPARAM are numbers");
    return SendOrPost(c, send, a[0], a[1], *w, *l);
}

int Raise(Context& c, const Args& a) {
    const auto flags = NumberOr(a, 1, 0x43);
    if (!flags) return Usage("FLAGS is a number");
    const std::uint64_t id = FindOrSay(c, a[0]);
    return id && c.bus->BringToFront(id, static_cast<UINT>(*flags)) ? 0 : 1;
}

int ServeCommand(Context& c, const Args& a) {
    const auto count = NumberOr(a, 1, 0);
    return count ? Serve(c, a[0], *count) : Usage("COUNT is a number");
}

int Marlo(Context& c, const Args& a) {
    std::optional<long long> code = Number(a[0]);
    for (const auto& k : kMarlo)
        if (a[0] == k.name) code = static_cast<long long>(k.code);
    return code ? SendOrPost(c, true, c.to, "BMSG_MARLO", *code, 0)
                : Usage("unknown marlo code " + a[0]);
}

int RunState(Context& c, const Args& a) {
    const auto n = Number(a[0]);
    return n ? SendOrPost(c, true, c.to, "WQ:MSG:M_RUN_STATE", *n, 0)
             : Usage("run-state takes a number");
}

// tap X Y and drag X1 Y1 X2 Y2, by the number of coordinates.
int Pen(Context& c, const Args& a) {
    std::vector<gint32> v;
    for (const std::string& text : a) {
        const auto n = Number(text);
        if (!n) return Usage("coordinates are numbers");
        v.push_back(static_cast<gint32>(*n));
    }
    const bool tap = v.size() == 2;
    GVariant* args = tap ? g_variant_new("(sii)", c.to.c_str(), v[0], v[1])
                         : g_variant_new("(siiii)", c.to.c_str(), v[0], v[1], v[2], v[3]);
    GVariant* reply = Automation(c, c.to, tap ? "Tap" : "Drag", args, "(b)");
    if (!reply) return 1;
    gboolean done = FALSE;
    g_variant_get(reply, "(b)", &done);
    g_variant_unref(reply);
    return done ? 0 : 1;
}

int Screenshot(Context& c, const Args& a) {
    GVariant* reply = Automation(c, a[0], "Screenshot", g_variant_new("(s)", a[0].c_str()), "(ay)");
    if (!reply) return 1;
    GVariant* bytes = g_variant_get_child_value(reply, 0);
    gsize n = 0;
    const auto* data = static_cast<const char*>(g_variant_get_fixed_array(bytes, &n, 1));
    std::ofstream out(a[1], std::ios::binary);
    out.write(data, static_cast<std::streamsize>(n));
    const bool ok = static_cast<bool>(out);
    g_variant_unref(bytes);
    g_variant_unref(reply);
    if (!ok) std::fprintf(stderr, "wqctl: cannot write %s\n", a[1].c_str());
    return ok ? 0 : 1;
}

int State(Context& c, const Args& a) {
    GVariant* reply = Automation(c, a[0], "State", g_variant_new("(s)", a[0].c_str()), "(s)");
    if (!reply) return 1;
    const gchar* json = nullptr;
    g_variant_get(reply, "(&s)", &json);
    std::printf("%s\n", json);
    g_variant_unref(reply);
    return 0;
}

// Every command: --help is written from this table, and the argument counts
// are checked against it before a handler runs. A command with a section
// starts that part of the help.
struct Command {
    const char* name;
    size_t minArgs;
    size_t maxArgs;
    const char* args;     // as --help shows them
    const char* help;     // lines separated by "\n"
    const char* example;  // the arguments of one example, or nullptr
    int (*run)(Context&, const Args&);
    const char* section = nullptr;
};

const Command kCommands[] = {
    {"list", 0, 0, "",
     "print every published window: its name and the\nbus name of the program that owns it", "",
     List, "Windows and messages:"},
    {"find", 1, 1, "NAME",
     "print the bus name of the program that owns\nwindow NAME; exit 1 when there is none",
     "WQAudio", Find},
    {"send", 2, 4, "NAME MSG [WPARAM [LPARAM]]",
     "SendMessage: wait for the handler, print its result", "WQAudio WQ:MSG:KEYDOWN 38",
     [](Context& c, const Args& a) { return SendOrPostCommand(c, a, true); }},
    {"post", 2, 4, "NAME MSG [WPARAM [LPARAM]]", "PostMessage: queue it and return at once",
     "WQMain WQ:MSG:APP_EXECUTE 3 0",
     [](Context& c, const Args& a) { return SendOrPostCommand(c, a, false); }},
    {"raise", 1, 2, "NAME [FLAGS]",
     "SetWindowPos with FLAGS (default 0x43) and\nSetForegroundWindow on window NAME", "WQAudio",
     Raise},
    {"serve", 1, 2, "NAME [COUNT]",
     "own window NAME and print each message it\nreceives as one line \"MSG WPARAM LPARAM\" (MSG "
     "is\nthe registered name or the number), answering\nsent ones with 1; stops after COUNT "
     "messages,\non Ctrl-C or when the bus goes away. Stands\nin for the launcher:",
     "WQMain", ServeCommand},
    {"marlo", 1, 1, "CODE",
     "CODE: guide (0, voice guidance starts),\nguide-end (771), quiet (3), loud (4), or a number",
     "guide", Marlo, "Navigation program (\"BMSG_MARLO\" sent to WQAudio, or to --to):"},
    {"run-state", 1, 1, "N", "N != 0: another program takes the audio; 0: released", "1", RunState,
     "Audio taken by another program (\"WQ:MSG:M_RUN_STATE\" sent to WQAudio):"},
    {"tap", 2, 2, "X Y", "pen down and up at window coordinates", "240 117", Pen,
     "Automation (only a player started with --automation answers these):"},
    {"drag", 4, 4, "X1 Y1 X2 Y2", "pen down at X1,Y1, moves, pen up at X2,Y2", "100 200 300 200",
     Pen},
    {"screenshot", 2, 2, "NAME FILE.png", "save window NAME's pixels as a PNG file",
     "WQAudio shot.png", Screenshot},
    {"state", 1, 1, "NAME", "print window NAME and its children as JSON", "WQAudio", State},
};

std::string HelpText() {
    std::string out = R"(usage: wqctl [--timeout MS] [--to NAME] COMMAND [ARGS]

Talks to the windows of wqaudio and its sibling programs over the D-Bus
session bus (see docs/ipc.md). Window names compare case-insensitively.
MSG is a number below 0xC000 (decimal or 0x...), one of WM_NULL, WM_CLOSE,
WM_COMMAND, or a registered message name such as WQ:MSG:KEYDOWN. WPARAM and
LPARAM are decimal or 0x... numbers and default to 0; LPARAM may be negative.
)";
    constexpr size_t kColumn = 35;
    const std::string indent(kColumn, ' ');
    for (const Command& cmd : kCommands) {
        if (cmd.section) out.append("\n").append(cmd.section).append("\n");
        std::string head = std::string("  ") + cmd.name;
        if (*cmd.args) head.append(" ").append(cmd.args);
        head.append(head.size() < kColumn ? kColumn - head.size() : 1, ' ');
        out += head;
        for (const char* p = cmd.help; *p; ++p) {
            out += *p;
            if (*p == '\n') out += indent;
        }
        out += '\n';
        if (cmd.example) {
            out.append(indent).append("  wqctl ").append(cmd.name);
            if (*cmd.example) out.append(" ").append(cmd.example);
            out += '\n';
        }
    }
    out += "\nLauncher keys (\"WQ:MSG:KEYDOWN\" sent to WQAudio, or to --to), no arguments:";
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        out.append(i % 5 == 0 ? "\n " : "").append(" ").append(kKeys[i].name);
        out.append(" (").append(std::to_string(kKeys[i].code)).append(")");
    }
    out += R"(
                                     wqctl pause

Options:
  --timeout MS   how long send, raise and automation wait for an answer (5000)
  --to NAME      target window of the shortcuts, tap and drag (WQAudio)
  --help         this text
  --version      the version of wqctl
Exit status: 0 done, 1 no such window or no answer, 2 usage error.
)";
    return out;
}

int Run(Context& c, const Args& all) {
    if (all.empty()) return Usage("no command");
    const std::string& name = all[0];
    const Args a(all.begin() + 1, all.end());
    for (const auto& k : kKeys) {
        if (name == k.name)
            return a.empty() ? SendOrPost(c, true, c.to, "WQ:MSG:KEYDOWN",
                                          static_cast<long long>(k.code), 0)
                             : Usage("wrong arguments; use: " + name);
    }
    for (const Command& cmd : kCommands) {
        if (name != cmd.name) continue;
        if (a.size() < cmd.minArgs || a.size() > cmd.maxArgs)
            return Usage("wrong arguments; use: " + name + (*cmd.args ? " " : "") + cmd.args);
        return cmd.run(c, a);
    }
    return Usage("unknown command " + name);
}

}  // namespace

int main(int argc, char** argv) {
    Context c;
    wq::ipc::BusOptions options;
    // A tool at a terminal or in a script has no window to keep answering, so
    // it waits longer than a program's GUI thread may.
    options.sendTimeoutMs = 5000;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("wqctl %s\n", WQ_VERSION);
            return 0;
        }
        if ((a == "--timeout" || a == "--to") && i + 1 < argc) {
            const std::string v = argv[++i];
            if (a == "--to") {
                c.to = v;
            } else {
                const auto ms = Number(v);
                if (!ms || *ms <= 0 || *ms > 600000) return Usage("--timeout takes 1 to 600000 ms");
                options.sendTimeoutMs = static_cast<DWORD>(*ms);
            }
            continue;
        }
        args.push_back(a);
    }
    if (args.empty()) return Usage("no command");
    c.bus = Bus::Create(c.tool, options);
    if (!c.bus) return 1;
    const int status = Run(c, args);
    std::fflush(stdout);
    c.bus.reset();
    return status;
}
