// Two programs on a private bus: finding windows by name, sent and posted
// messages, timeouts, floods and malformed calls. (The registered-message
// table of programs without the window system is wqctl's: DesktopTest.)
#include <gtest/gtest.h>

#include "platform/ipc/bus_impl.h"
#include "platform/ipc/inbox.h"
#include "platform/ipc/json.h"
#include "tests/support/alloc_count.h"
#include "tests/support/private_bus.h"
#include "tests/support/program.h"

namespace wq::ipc::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

BusOptions Options(DWORD sendTimeoutMs, int maxPending = 256) {
    BusOptions o;
    o.sendTimeoutMs = sendTimeoutMs;
    o.maxPending = maxPending;
    return o;
}

TEST(BusFind, WholeNamesIgnoringCaseThatFollowTheWindowsLife) {
    Program a, b;
    a.Publish(1, u"WQAudio");
    const auto id = b.Find(u"wqaudio");
    EXPECT_EQ(b.bus()->OwnerOf(id), a.bus()->UniqueName());
    for (const char16_t* miss : {u"WQAudi", u"WQAudioX", u""}) EXPECT_EQ(b.Find(miss), 0u);
    // A program's own windows are the window system's to find, never the bus's.
    EXPECT_EQ(a.Find(u"WQAudio"), 0u);
    a.Publish(1, u"볼륨");  // renamed
    EXPECT_EQ(b.Find(u"WQAudio"), 0u);
    EXPECT_NE(b.Find(u"볼륨"), 0u);
    a.Withdraw(1);  // destroyed
    EXPECT_EQ(b.Find(u"볼륨"), 0u);
    // The bus folds names by the window system's rule: unit by unit, so a
    // final sigma matches but "ß" never becomes "ss".
    a.Publish(5, u"ΟΔΟΣ Straße");
    EXPECT_NE(b.Find(u"οδος STRAßE"), 0u);
    EXPECT_EQ(b.Find(u"ΟΔΟΣ STRASSE"), 0u);
    a.Withdraw(5);

    // A name held by a program that goes away is free for the next one.
    {
        Program c;
        c.Publish(9, u"WQAudio");
        a.Publish(4, u"WQAudio");  // queued behind c
        EXPECT_EQ(b.bus()->OwnerOf(b.Find(u"WQAudio")), c.bus()->UniqueName());
    }
    EXPECT_EQ(b.bus()->OwnerOf(b.Find(u"WQAudio")), a.bus()->UniqueName());
}

TEST(BusSend, ReturnsTheHandlersResultFromTheReceiversThread) {
    Program a, b;
    b.Publish(0x22, u"WQAudio");
    b.On("WQ:MSG:KEYDOWN", [](const Message& m) { return LRESULT(m.wParam) * 1000 + m.lParam; });
    b.On("16", [](const Message&) { return LRESULT{5}; });
    const UINT keydown = a.messages().Register(u"WQ:MSG:KEYDOWN");
    const auto id = a.Find(u"WQAudio");
    bool d1 = false, d2 = false, none = true, gone = true;
    EXPECT_EQ(a.Send(id, keydown, 38, 7, &d1), 38007);
    EXPECT_EQ(a.Send(id, WM_CLOSE, 0, 0, &d2), 5);
    EXPECT_EQ(a.Send(id, 0xC000 + 77, 1, 1, &none), 0);  // an id nobody registered
    EXPECT_EQ(a.Send(12345, WM_CLOSE, 0, 0, &gone), 0);
    EXPECT_TRUE(d1 && d2);
    EXPECT_FALSE(none || gone);
    const auto got = b.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message.name, u"WQ:MSG:KEYDOWN");  // by name, never by id
    EXPECT_EQ(got[0].message.number, 0u);
    EXPECT_EQ(got[1].message.number, WM_CLOSE);
    EXPECT_TRUE(got[1].message.name.empty());
    for (const auto& g : got) {
        EXPECT_EQ(g.thread, b.thread());
        EXPECT_EQ(g.hwnd, Hwnd(0x22));
    }
}

TEST(BusClaim, OfProgramsClaimingOneNameAtOnceExactlyOneGetsIt) {
    std::vector<std::unique_ptr<Program>> programs;
    for (int i = 0; i < 6; ++i) programs.push_back(std::make_unique<Program>());
    std::atomic<int> winners{0};
    std::vector<std::thread> claims;
    for (auto& p : programs)
        claims.emplace_back(
            [&, q = p.get()] { winners += q->Do([&] { return q->bus()->Claim(u"WQAudio"); }); });
    for (auto& t : claims) t.join();
    EXPECT_EQ(winners.load(), 1);
    Program other;
    EXPECT_NE(other.Find(u"wqaudio"), 0u) << "the claimed name is found before any window has it";
}

TEST(BusPost, ArrivesInOrderAtOnceAndAFloodIsBounded) {
    Program a(Options(4000)), b(Options(5000, 16));
    b.Publish(7, u"WQMain");
    b.On("16", [](const Message&) { return LRESULT{1}; });
    const UINT execute = a.messages().Register(u"WQ:MSG:APP_EXECUTE");
    const auto id = a.Find(u"WQMain");
    b.Freeze();  // posting must not wait for a hung receiver
    auto start = Clock::now();
    const int accepted = a.Do([&] {
        int n = 0;
        for (int i = 0; i < 500; ++i) n += a.bus()->Post(id, i % 2 ? execute : WM_COMMAND, i, -i);
        return n;
    });
    EXPECT_GE(accepted, 16);
    EXPECT_LT(Clock::now() - start, 3s);
    // A sent message beyond the bound is refused at once, not left to time out.
    bool delivered = true;
    start = Clock::now();
    a.Send(id, WM_CLOSE, 0, 0, &delivered);
    EXPECT_FALSE(delivered);
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_TRUE(b.received().empty());
    b.Release();
    b.WaitReceived(16);
    std::this_thread::sleep_for(100ms);
    const auto got = b.received();
    ASSERT_EQ(got.size(), 16u);  // the first ones kept in order, the rest dropped
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(got[i].message.wParam, WPARAM(i));
        EXPECT_EQ(got[i].message.lParam, -i);
        EXPECT_EQ(got[i].message.name, i % 2 ? u"WQ:MSG:APP_EXECUTE" : u"");
    }
    EXPECT_EQ(a.Send(id, WM_CLOSE, 0, 0, &delivered), 1);
    EXPECT_TRUE(delivered);
    EXPECT_FALSE(a.Do([&] { return a.bus()->Post(999, WM_COMMAND, 0, 0); }));
}

TEST(BusPost, AThousandPostsFromAnotherProcessEachOverAClosingConnectionAllArriveInOrder) {
    // A sender that disconnects right after posting (one `wqctl post`) must
    // not lose its message, and posts one after another keep their order.
    Program player;
    player.Publish(1, u"WQAudio");
    constexpr int kPosts = 1000;
    ASSERT_EQ(RunCommand(POST_SENDER_PATH " " + std::to_string(kPosts)), 0);
    player.WaitReceived(kPosts);
    const auto got = player.received();
    ASSERT_EQ(got.size(), size_t(kPosts));
    for (int i = 0; i < kPosts; ++i) {
        ASSERT_EQ(got[i].message.number, 0x0111u) << i;
        ASSERT_EQ(got[i].message.wParam, 2003u) << i;
        ASSERT_EQ(got[i].message.lParam, i) << "out of order at " << i;
    }
}

TEST(BusSend, TwoProgramsSendingToEachOtherBothGetAnswers) {
    Program a, b;
    a.Publish(1, u"WQAudio");
    b.Publish(2, u"WQMain");
    // Each handler takes a while, so both programs are blocked in Send at once.
    for (const auto& e : {std::pair(&a, 1), std::pair(&b, 2)}) {
        e.first->On("256", [add = e.second](const Message& m) {
            std::this_thread::sleep_for(100ms);
            return LRESULT(m.wParam + add);
        });
    }
    auto fromA =
        std::async(std::launch::async, [&] { return a.Send(a.Find(u"WQMain"), WM_KEYDOWN, 10); });
    auto fromB =
        std::async(std::launch::async, [&] { return b.Send(b.Find(u"WQAudio"), WM_KEYDOWN, 20); });
    ASSERT_TRUE(fromA.wait_for(4s) == std::future_status::ready &&
                fromB.wait_for(4s) == std::future_status::ready);
    EXPECT_EQ(fromA.get(), 12);
    EXPECT_EQ(fromB.get(), 21);
    // A handler that sends back to its sender, three levels deep.
    for (const auto& e : {std::pair(&a, u"WQMain"), std::pair(&b, u"WQAudio")}) {
        e.first->On("257", [p = e.first, peer = e.second](const Message& m) {
            return m.wParam == 0 ? LRESULT{100}
                                 : 1 + p->bus()->Send(p->bus()->Find(peer), WM_KEYUP, m.wParam - 1,
                                                      0, nullptr);
        });
    }
    EXPECT_EQ(a.Send(a.Find(u"WQMain"), WM_KEYUP, 3), 103);
}

TEST(BusSend, HungOrClosedPeerTimesOutWithoutHangingTheCaller) {
    Program a(Options(400)), b;
    b.Publish(1, u"WQMain");
    b.On("16", [](const Message&) { return LRESULT{1}; });
    const auto id = a.Find(u"WQMain");
    b.Freeze();
    // While it waits, the caller still answers messages sent to it.
    a.Publish(2, u"WQAudio");
    a.On("16", [](const Message&) { return LRESULT{4}; });
    Program c;
    auto start = Clock::now();
    bool delivered = true;
    auto blocked =
        std::async(std::launch::async, [&] { return a.Send(id, WM_CLOSE, 0, 0, &delivered); });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(c.Send(c.Find(u"WQAudio"), WM_CLOSE), 4);
    EXPECT_EQ(blocked.get(), 0);
    EXPECT_FALSE(delivered);
    EXPECT_GE(Clock::now() - start, 350ms);
    EXPECT_LT(Clock::now() - start, 3s);
    // Until the hung peer answers, further sends go out but are not waited for.
    start = Clock::now();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(a.Send(id, WM_CLOSE, 0, 0, &delivered), 0);
        EXPECT_FALSE(delivered);
    }
    EXPECT_LT(Clock::now() - start, 300ms);
    EXPECT_TRUE(a.Do([&] { return !a.bus()->BringToFront(id, 0x43); }));
    EXPECT_LT(Clock::now() - start, 300ms);
    b.Release();
    // Every message reached it, in order; its answers make it a peer to wait for again.
    ASSERT_TRUE(b.WaitReceived(6));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(a.Send(id, WM_CLOSE, 0, 0, &delivered), 1);
    EXPECT_TRUE(delivered);

    // A program whose loop has ended answers at once, well inside the timeout.
    Program d;
    b.inbox().Close();
    start = Clock::now();
    EXPECT_EQ(d.Send(d.Find(u"WQMain"), WM_CLOSE, 0, 0, &delivered), 0);
    EXPECT_FALSE(delivered);
    EXPECT_LT(Clock::now() - start, 3s);
}

TEST(BusGarbage, OtherProgramsSendOnlyNumbersWithoutPointersAndFewNames) {
    Program a;
    a.Publish(1, u"WQMain");
    const std::string win =
        "gdbus call --session --timeout 3 --dest org.wqaudio.Window.wqmain --object-path "
        "/org/wqaudio/Window/wqmain --method org.wqaudio.Window.";
    // Numbers whose handling follows lParam or wParam as an address, and any
    // number the programs do not exchange, are refused with a named error.
    const std::string pointers[] = {
        "SendNumber 12 0 1094795585",   // WM_SETTEXT
        "SendNumber 13 64 1094795585",  // WM_GETTEXT
        "PostNumber 272 0 0",           // WM_INITDIALOG
        "SendNumber 384 0 1094795585",  // LB_ADDSTRING
        "PostNumber 1024 0 0",          // WM_USER
        "SendNumber 32769 0 0",         // WM_APP + 1
    };
    std::string out;
    for (const std::string& call : pointers) {
        EXPECT_NE(RunCommand(win + call + " 2>&1", &out), 0) << call;
        EXPECT_NE(out.find("org.wqaudio.Error.NotAllowed"), std::string::npos) << call << out;
    }
    EXPECT_TRUE(a.received().empty());
    // The allowed ones arrive; the activating window's handle means nothing here.
    for (const char* call : {"SendNumber 0 0 0", "SendNumber 6 1 1094795585", "PostNumber 16 0 0",
                             "SendNumber 256 38 1", "SendNumber 257 38 1", "SendNumber 273 2009 0"})
        EXPECT_EQ(RunCommand(win + call + " 2>&1", &out), 0) << call << out;
    ASSERT_TRUE(a.WaitReceived(6));
    const auto got = a.received();
    EXPECT_EQ(got[1].message.number, 6u);
    EXPECT_EQ(got[1].message.lParam, 0);
    EXPECT_EQ(got[3].message.lParam, 1);

    // BringToFront keeps only positioning bits: never hidden, moved or sized.
    for (const auto& [asked, kept] : {std::pair("0xffffffff", 0x57u), std::pair("0", 0x03u)}) {
        EXPECT_EQ(RunCommand(win + "BringToFront " + asked + " 2>&1", &out), 0) << out;
        EXPECT_EQ(a.frontFlags.load(), kept) << asked;
    }

    // A name longer than 255 characters is refused whatever its size, before
    // it is converted. (Each sender's quota of 64 names:
    // tests/app/bus_e2e_test.py, test_bus_name_flood_leaves_the_close_notices_right.)
    a.On("WQ:MSG:KEYDOWN", [](const Message&) { return LRESULT{7}; });
    Program c;
    for (size_t n : {size_t{256}, size_t{1'000'000}})
        EXPECT_EQ(c.Send(c.Find(u"WQMain"), c.messages().Register(std::u16string(n, u'k'))), 0);

    // Malformed calls reach nobody; the window still answers by name and property.
    const size_t before = a.received().size();
    for (const char* call :
         {"SendNumber \"'sixteen'\" 0 0", "SendNumber 16 0", "SendNumber 49153 0 0",
          "SendMessage \"''\" 0 0", "SendMessage \"'a\\nb'\" 0 0", "Explode 1"})
        EXPECT_NE(RunCommand(win + call + " 2>/dev/null", &out), 0) << call << out;
    EXPECT_EQ(a.received().size(), before);
    EXPECT_EQ(RunCommand(win + "SendMessage \"'WQ:MSG:KEYDOWN'\" 38 0", &out), 0);
    EXPECT_EQ(out, "(int64 7,)\n");
    const std::string get = "org.freedesktop.DBus.Properties.Get org.wqaudio.Window Name";
    EXPECT_EQ(RunCommand(win.substr(0, win.rfind(' ') + 1) + get, &out), 0);
    EXPECT_EQ(out, "(<'WQMain'>,)\n");
}

TEST(BusGarbage, AHugeNameIsRefusedWithoutACopy) {
    // 10^7 characters (a bus message may carry 10^8 and more): refused on its length
    // before any conversion, so the refusal itself allocates nothing.
    const std::string huge(10'000'000, 'x');
    GVariant* params =
        g_variant_ref_sink(g_variant_new("(stx)", huge.c_str(), guint64{0}, gint64{0}));
    Message m;
    const char* why = nullptr;
    alloc_count::Start();
    const bool ok = ReadMessage(params, true, m, &why);
    EXPECT_EQ(alloc_count::Stop(), 0);
    EXPECT_FALSE(ok);
    EXPECT_STREQ(why, "a registered message name has 1 to 255 characters");
    g_variant_unref(params);
}

TEST(JsonWriter, NestsSeparatesAndEscapesBadText) {
    JsonWriter j;
    j.BeginObject().Key("a").BeginArray().Value(1).Value(-2).BeginObject().EndObject().EndArray();
    j.Key("s").Value("q\"\\\n\x01").Key("u").Value(std::u16string_view(u"\xD800x\xDC80 한"));
    j.Key("p").Value(std::u16string_view(u"\xD800\xDC00\xDBFF\xDFFF"));  // first and last pairs
    j.Key("b").Value(true).EndObject();
    EXPECT_EQ(j.str(),
              "{\"a\":[1,-2,{}],\"s\":\"q\\\"\\\\\\n\\u0001\",\"u\":\"\xEF\xBF\xBDx\xEF\xBF\xBD "
              "\xED\x95\x9C\",\"p\":\"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\",\"b\":true}");
}

}  // namespace
}  // namespace wq::ipc::test
