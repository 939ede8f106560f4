// Two programs on a private bus: finding windows by name, sent and posted
// messages, timeouts, floods and malformed calls.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "platform/ipc/names.h"
#include "tests/platform/ipc/private_bus.h"
#include "tests/platform/ipc/program.h"

namespace wq::ipc::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

BusOptions Quick() {
    BusOptions o;
    o.sendTimeoutMs = 400;
    return o;
}

TEST(BusNames, FoldedEscapedAndValid) {
    EXPECT_EQ(WindowBusName(u"WQAudio"), "org.wqaudio.Window.wqaudio");
    EXPECT_EQ(WindowElement(u"wqaudio"), WindowElement(u"WQAUDIO"));
    EXPECT_NE(WindowElement(u"WQAudio"), WindowElement(u"WQAudi"));
    EXPECT_NE(WindowElement(u"a b"), WindowElement(u"a_b"));   // "_" itself is escaped
    EXPECT_NE(WindowElement(u"a_20b"), WindowElement(u"a b"));
    EXPECT_EQ(WindowElement(u""), "");
    const std::u16string odd[] = {u"3D", u"볼륨", u"WQ:MSG", u"a.b-c", std::u16string(300, u'x'),
                                  std::u16string(1, char16_t(0xDC80)), u"Ä", u"ä"};
    for (const auto& name : odd) {
        const std::string bus = WindowBusName(name), path = WindowObjectPath(name);
        EXPECT_TRUE(g_dbus_is_name(bus.c_str()) && !g_dbus_is_unique_name(bus.c_str())) << bus;
        EXPECT_TRUE(g_variant_is_object_path(path.c_str())) << path;
    }
    EXPECT_EQ(WindowElement(u"Ä"), WindowElement(u"ä"));  // folding is not ASCII-only
    EXPECT_NE(WindowElement(std::u16string(300, u'x')), WindowElement(std::u16string(301, u'x')));
}

TEST(BusFind, OtherProgramByWholeNameIgnoringCase) {
    Program a, b;
    ASSERT_TRUE(a.bus() && b.bus());
    a.Do([&] { a.bus()->Publish(Hwnd(0x11), u"WQMain"); return 0; });
    const auto id = b.Do([&] { return b.bus()->Find(u"wqmain"); });
    EXPECT_NE(id, 0u);
    EXPECT_EQ(b.Do([&] { return b.bus()->Find(u"WQMAIN"); }), id);  // stable id
    EXPECT_EQ(b.bus()->OwnerOf(id), a.bus()->UniqueName());
    EXPECT_EQ(b.Do([&] { return b.bus()->Find(u"WQMai"); }), 0u);
    EXPECT_EQ(b.Do([&] { return b.bus()->Find(u"WQMainX"); }), 0u);
    EXPECT_EQ(b.Do([&] { return b.bus()->Find(u""); }), 0u);
    // A program's own windows are the window system's to find, never the bus's.
    EXPECT_EQ(a.Do([&] { return a.bus()->Find(u"WQMain"); }), 0u);
}

TEST(BusFind, NameFollowsTheWindowsLife) {
    Program a, b;
    auto find = [&](const char16_t* name) { return b.Do([&] { return b.bus()->Find(name); }); };
    a.Do([&] { a.bus()->Publish(Hwnd(1), u"WQAudio"); return 0; });
    ASSERT_NE(find(u"WQAudio"), 0u);
    a.Do([&] { a.bus()->Publish(Hwnd(1), u"볼륨"); return 0; });  // renamed
    EXPECT_EQ(find(u"WQAudio"), 0u);
    EXPECT_NE(find(u"볼륨"), 0u);
    a.Do([&] { a.bus()->Withdraw(Hwnd(1)); return 0; });  // destroyed
    EXPECT_EQ(find(u"볼륨"), 0u);

    // Two windows of one program with one name: the name stays until both go,
    // and messages reach the one published first that is still there.
    a.Do([&] { a.bus()->Publish(Hwnd(2), u"WQVol"); a.bus()->Publish(Hwnd(3), u"wqvol"); return 0; });
    a.Do([&] { a.bus()->Withdraw(Hwnd(2)); return 0; });
    const auto id = find(u"WQVol");
    ASSERT_NE(id, 0u);
    bool delivered = false;
    b.Do([&] { return b.bus()->Send(id, WM_CLOSE, 0, 0, &delivered); });
    EXPECT_TRUE(delivered);
    ASSERT_EQ(a.received().size(), 1u);
    EXPECT_EQ(a.received()[0].hwnd, Hwnd(3));
    a.Do([&] { a.bus()->Withdraw(Hwnd(3)); return 0; });
    EXPECT_EQ(find(u"WQVol"), 0u);

    // A name held by a program that goes away is free for the next one.
    {
        Program c;
        c.Do([&] { c.bus()->Publish(Hwnd(9), u"WQAudio"); return 0; });
        a.Do([&] { a.bus()->Publish(Hwnd(4), u"WQAudio"); return 0; });  // queued behind c
        EXPECT_EQ(b.bus()->OwnerOf(find(u"WQAudio")), c.bus()->UniqueName());
    }
    EXPECT_EQ(b.bus()->OwnerOf(find(u"WQAudio")), a.bus()->UniqueName());
}

TEST(BusSend, ReturnsTheHandlersResultFromTheReceiversThread) {
    Program a, b;
    b.Do([&] { b.bus()->Publish(Hwnd(0x22), u"WQAudio"); return 0; });
    b.On("WQ:MSG:KEYDOWN", [](const Message& m) { return static_cast<LRESULT>(m.wParam) * 1000 + m.lParam; });
    b.On("16", [](const Message&) { return LRESULT{5}; });
    const UINT keydown = a.messages().Register(u"WQ:MSG:KEYDOWN");
    const UINT unknown = 0xC000 + 77;  // an id nobody registered
    struct Results {
        LRESULT key, close, neg, none, gone;
        bool dKey, dClose, dNone, dGone;
    };
    const auto r = a.Do([&] {
        Results x{};
        const auto id = a.bus()->Find(u"WQAudio");
        x.key = a.bus()->Send(id, keydown, 38, 7, &x.dKey);
        x.close = a.bus()->Send(id, WM_CLOSE, 0, 0, &x.dClose);
        x.neg = a.bus()->Send(id, keydown, 3, -1, nullptr);
        x.none = a.bus()->Send(id, unknown, 1, 1, &x.dNone);
        x.gone = a.bus()->Send(12345, WM_CLOSE, 0, 0, &x.dGone);
        return x;
    });
    EXPECT_TRUE(r.dKey);
    EXPECT_EQ(r.key, 38007);
    EXPECT_TRUE(r.dClose);
    EXPECT_EQ(r.close, 5);
    EXPECT_EQ(r.neg, 2999);  // lParam keeps its sign
    EXPECT_FALSE(r.dNone);
    EXPECT_EQ(r.none, 0);
    EXPECT_FALSE(r.dGone);
    const auto got = b.received();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].message.name, u"WQ:MSG:KEYDOWN");  // by name, never by id
    EXPECT_EQ(got[0].message.number, 0u);
    EXPECT_EQ(got[1].message.number, WM_CLOSE);
    EXPECT_TRUE(got[1].message.name.empty());
    EXPECT_EQ(got[2].message.lParam, -1);
    for (const auto& g : got) {
        EXPECT_EQ(g.thread, b.thread());
        EXPECT_EQ(g.hwnd, Hwnd(0x22));
    }
    // A window that went away after it was found: not delivered, result 0.
    b.Do([&] { b.bus()->Withdraw(Hwnd(0x22)); return 0; });
    bool delivered = true;
    EXPECT_EQ(a.Do([&] { return a.bus()->Send(a.bus()->Find(u"WQAudio") + 1, WM_CLOSE, 0, 0, &delivered); }), 0);
    EXPECT_FALSE(delivered);
}

TEST(BusSend, BringToFrontReachesTheOtherProgram) {
    Program a, b;
    b.Do([&] { b.bus()->Publish(Hwnd(5), u"WQAudio"); return 0; });
    EXPECT_TRUE(a.Do([&] { return a.bus()->BringToFront(a.bus()->Find(u"WQAudio"), 0x43); }));
    EXPECT_EQ(b.frontFlags.load(), 0x43u);
}

TEST(BusPost, ArrivesInOrderAndReturnsAtOnce) {
    Program a, b;
    b.Do([&] { b.bus()->Publish(Hwnd(7), u"WQMain"); return 0; });
    const UINT execute = a.messages().Register(u"WQ:MSG:APP_EXECUTE");
    // The receiver is hung while the posts go out: posting must not wait for it.
    b.Freeze();
    const auto start = Clock::now();
    const bool allPosted = a.Do([&] {
        const auto id = a.bus()->Find(u"WQMain");
        bool ok = true;
        for (int i = 0; i < 200; ++i)
            ok = ok && a.bus()->Post(id, i % 2 ? execute : WM_USER, static_cast<WPARAM>(i), -i);
        return ok;
    });
    EXPECT_TRUE(allPosted);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_TRUE(b.received().empty());
    b.Release();
    ASSERT_TRUE(b.WaitReceived(200));
    const auto got = b.received();
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(got[i].message.wParam, static_cast<WPARAM>(i));
        EXPECT_EQ(got[i].message.lParam, -i);
        EXPECT_EQ(got[i].message.name, i % 2 ? u"WQ:MSG:APP_EXECUTE" : u"");
    }
    EXPECT_FALSE(a.Do([&] { return a.bus()->Post(999, WM_USER, 0, 0); }));
}

TEST(BusPost, FloodIsBoundedAndTheTargetKeepsWorking) {
    BusOptions small;
    small.maxPending = 16;
    BusOptions patient;
    patient.sendTimeoutMs = 4000;
    Program a(patient), b(small);
    b.Do([&] { b.bus()->Publish(Hwnd(7), u"WQMain"); return 0; });
    b.On("16", [](const Message&) { return LRESULT{1}; });
    b.Freeze();
    a.Do([&] {
        const auto id = a.bus()->Find(u"WQMain");
        for (int i = 0; i < 500; ++i) a.bus()->Post(id, WM_USER, static_cast<WPARAM>(i), 0);
        return 0;
    });
    // A sent message beyond the bound is refused at once, not left to time out.
    bool delivered = true;
    const auto start = Clock::now();
    a.Do([&] { return a.bus()->Send(a.bus()->Find(u"WQMain"), WM_CLOSE, 0, 0, &delivered); });
    EXPECT_FALSE(delivered);
    EXPECT_LT(Clock::now() - start, 2s);
    b.Release();
    b.WaitReceived(16);
    std::this_thread::sleep_for(100ms);
    const auto got = b.received();
    EXPECT_EQ(got.size(), 16u);  // the rest were dropped, the first ones kept in order
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].message.wParam, i);
    EXPECT_EQ(a.Do([&] { return a.bus()->Send(a.bus()->Find(u"WQMain"), WM_CLOSE, 0, 0, &delivered); }), 1);
    EXPECT_TRUE(delivered);
}

TEST(BusSend, TwoProgramsSendingToEachOtherBothGetAnswers) {
    Program a, b;
    a.Do([&] { a.bus()->Publish(Hwnd(1), u"WQAudio"); return 0; });
    b.Do([&] { b.bus()->Publish(Hwnd(2), u"WQMain"); return 0; });
    // Each handler takes a while, so both programs are blocked in Send at once.
    a.On("1025", [](const Message& m) { std::this_thread::sleep_for(100ms); return LRESULT(m.wParam + 1); });
    b.On("1025", [](const Message& m) { std::this_thread::sleep_for(100ms); return LRESULT(m.wParam + 2); });
    auto fromA = std::async(std::launch::async, [&] {
        return a.Do([&] { return a.bus()->Send(a.bus()->Find(u"WQMain"), WM_USER + 1, 10, 0, nullptr); });
    });
    auto fromB = std::async(std::launch::async, [&] {
        return b.Do([&] { return b.bus()->Send(b.bus()->Find(u"WQAudio"), WM_USER + 1, 20, 0, nullptr); });
    });
    ASSERT_EQ(fromA.wait_for(4s), std::future_status::ready);
    ASSERT_EQ(fromB.wait_for(4s), std::future_status::ready);
    EXPECT_EQ(fromA.get(), 12);
    EXPECT_EQ(fromB.get(), 21);

    // A handler that sends back to its sender, three levels deep.
    a.On("1026", [&](const Message& m) {
        return m.wParam == 0 ? LRESULT{100}
                             : 1 + a.bus()->Send(a.bus()->Find(u"WQMain"), WM_USER + 2, m.wParam - 1, 0, nullptr);
    });
    b.On("1026", [&](const Message& m) {
        return m.wParam == 0 ? LRESULT{100}
                             : 1 + b.bus()->Send(b.bus()->Find(u"WQAudio"), WM_USER + 2, m.wParam - 1, 0, nullptr);
    });
    EXPECT_EQ(a.Do([&] { return a.bus()->Send(a.bus()->Find(u"WQMain"), WM_USER + 2, 3, 0, nullptr); }), 103);
}

TEST(BusSend, FromAnotherThreadWaitsWithoutRunningTheGuiThreadsWork) {
    Program a(Quick()), b;
    b.Do([&] { b.bus()->Publish(Hwnd(1), u"WQMain"); return 0; });
    a.Do([&] { a.bus()->Publish(Hwnd(2), u"WQAudio"); return 0; });
    b.On("1025", [](const Message& m) { return LRESULT(m.wParam * 2); });
    a.On("16", [](const Message&) { return LRESULT{3}; });
    const auto id = a.Do([&] { return a.bus()->Find(u"WQMain"); });
    // A streaming thread of program a sends; a's own thread keeps answering.
    auto worker = std::async(std::launch::async, [&] {
        bool delivered = false;
        const LRESULT r = a.bus()->Send(id, WM_USER + 1, 21, 0, &delivered);
        return delivered ? r : -1;
    });
    EXPECT_EQ(b.Do([&] { return b.bus()->Send(b.bus()->Find(u"WQAudio"), WM_CLOSE, 0, 0, nullptr); }), 3);
    EXPECT_EQ(worker.get(), 42);
    for (const auto& r : a.received()) EXPECT_EQ(r.thread, a.thread());
    b.Freeze();
    const auto start = Clock::now();
    EXPECT_EQ(std::async(std::launch::async, [&] { return a.bus()->Send(id, WM_USER + 1, 1, 0, nullptr); }).get(), 0);
    EXPECT_LT(Clock::now() - start, 3s);
}

TEST(BusSend, HungPeerTimesOutWithoutHangingTheCaller) {
    Program a(Quick()), b;
    b.Do([&] { b.bus()->Publish(Hwnd(1), u"WQMain"); return 0; });
    b.On("16", [](const Message&) { return LRESULT{1}; });
    const auto id = a.Do([&] { return a.bus()->Find(u"WQMain"); });
    b.Freeze();
    bool delivered = true;
    const auto start = Clock::now();
    EXPECT_EQ(a.Do([&] { return a.bus()->Send(id, WM_CLOSE, 0, 0, &delivered); }), 0);
    const auto waited = Clock::now() - start;
    EXPECT_FALSE(delivered);
    EXPECT_GE(waited, 350ms);
    EXPECT_LT(waited, 3s);
    // While it waited, the caller still answered messages sent to it.
    a.Do([&] { a.bus()->Publish(Hwnd(2), u"WQAudio"); return 0; });
    a.On("16", [](const Message&) { return LRESULT{4}; });
    Program c;
    auto blocked = std::async(std::launch::async, [&] { return a.Do([&] { return a.bus()->Send(id, WM_CLOSE, 0, 0, nullptr); }); });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(c.Do([&] { return c.bus()->Send(c.bus()->Find(u"WQAudio"), WM_CLOSE, 0, 0, nullptr); }), 4);
    EXPECT_EQ(blocked.get(), 0);
    b.Release();
    EXPECT_EQ(a.Do([&] { return a.bus()->Send(id, WM_CLOSE, 0, 0, &delivered); }), 1);
    EXPECT_TRUE(delivered);
}

TEST(BusSend, ProgramThatStopsHandlingAnswersAtOnce) {
    Program a, b;
    b.Do([&] { b.bus()->Publish(Hwnd(1), u"WQMain"); return 0; });
    const auto id = a.Do([&] { return a.bus()->Find(u"WQMain"); });
    b.inbox().Close();  // its loop has ended: queued and new tasks are dropped
    bool delivered = true;
    const auto start = Clock::now();
    EXPECT_EQ(a.Do([&] { return a.bus()->Send(id, WM_CLOSE, 0, 0, &delivered); }), 0);
    EXPECT_FALSE(delivered);
    EXPECT_LT(Clock::now() - start, 3s);  // well inside the 5 s timeout
}

TEST(BusGarbage, MalformedCallsAreRefusedAndTheTargetKeepsWorking) {
    Program a;
    a.Do([&] { a.bus()->Publish(Hwnd(1), u"WQMain"); return 0; });
    a.On("WQ:MSG:KEYDOWN", [](const Message& m) { return LRESULT(m.wParam); });
    const std::string call =
        "gdbus call --session --timeout 3 --dest org.wqaudio.Window.wqmain --object-path /org/wqaudio/Window/wqmain "
        "--method ";
    const char* refused[] = {
        "org.wqaudio.Window.SendNumber \"'sixteen'\" 0 0",  // wrong type
        "org.wqaudio.Window.SendNumber 16 0",               // missing argument
        "org.wqaudio.Window.SendNumber 49153 0 0",          // registered id by number
        "org.wqaudio.Window.SendMessage \"''\" 0 0",        // empty name
        "org.wqaudio.Window.SendMessage \"'a\\nb'\" 0 0",   // control character
        "org.wqaudio.Window.Explode 1",                     // unknown method
        "org.wqaudio.Nothing.SendNumber 16 0 0",            // unknown interface
        "org.wqaudio.Window.BringToFront \"'x'\"",
    };
    for (const char* args : refused) {
        std::string out;
        EXPECT_NE(RunCommand(call + args + " 2>/dev/null", &out), 0) << args << " answered " << out;
    }
    EXPECT_NE(RunCommand("gdbus call --session --timeout 3 --dest org.wqaudio.Window.wqmain --object-path "
                         "/org/wqaudio/Window/nothing --method org.wqaudio.Window.SendNumber 16 0 0 2>/dev/null"),
              0);
    EXPECT_TRUE(a.received().empty());
    std::string out;
    EXPECT_EQ(RunCommand(call + "org.wqaudio.Window.SendMessage \"'WQ:MSG:KEYDOWN'\" 38 0", &out), 0);
    EXPECT_EQ(out, "(int64 38,)\n");
    EXPECT_EQ(RunCommand("gdbus call --session --timeout 3 --dest org.wqaudio.Window.wqmain --object-path "
                         "/org/wqaudio/Window/wqmain --method org.freedesktop.DBus.Properties.Get "
                         "org.wqaudio.Window Name",
                         &out),
              0);
    EXPECT_EQ(out, "(<'WQMain'>,)\n");
}

TEST(BusAlone, ABusThatGoesAwayLeavesProgramsRunningAlone) {
    std::string address;
    const int daemon = StartDaemon(&address);
    ASSERT_GT(daemon, 0);
    BusOptions own;
    own.address = address;
    Program a(own), b(own);
    b.Do([&] { b.bus()->Publish(Hwnd(1), u"WQMain"); return 0; });
    const auto id = a.Do([&] { return a.bus()->Find(u"WQMain"); });
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(a.bus()->IsConnected());
    kill(daemon, SIGKILL);
    waitpid(daemon, nullptr, 0);
    const auto start = Clock::now();
    bool delivered = true;
    EXPECT_EQ(a.Do([&] { return a.bus()->Send(id, WM_CLOSE, 0, 0, &delivered); }), 0);
    EXPECT_FALSE(delivered);
    EXPECT_EQ(a.Do([&] { return a.bus()->Find(u"WQMain"); }), 0u);
    a.Do([&] { return a.bus()->Post(id, WM_CLOSE, 0, 0); });
    b.Do([&] { b.bus()->Publish(Hwnd(2), u"WQVol"); b.bus()->Withdraw(Hwnd(1)); return 0; });
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_FALSE(a.bus()->IsConnected());
}

TEST(BusAlone, WithoutASessionBusTheProgramSaysSoOnce) {
    BusOptions nowhere;
    nowhere.address = "unix:path=/nonexistent/wq-no-bus";
    InboxHost* host = nullptr;
    struct Quiet : InboxHost {
        LRESULT Deliver(HWND, const Message&) override { return 0; }
        bool BringToFront(HWND, UINT) override { return false; }
    } quiet;
    host = &quiet;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Bus::Create(*host, nowhere), nullptr);
    EXPECT_EQ(Bus::Create(*host, nowhere), nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("running alone"), std::string::npos);
    EXPECT_EQ(said.find("running alone"), said.rfind("running alone")) << said;
}

}  // namespace
}  // namespace wq::ipc::test
