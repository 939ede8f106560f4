// A further object of a program on its bus connection (objects.h): checked
// calls handed to the program's thread, properties answered at once, a
// bounded queue, signals, and a further well-known name.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "tests/support/bus_client.h"
#include "tests/support/program.h"

namespace wq::ipc::test {
namespace {

constexpr const char* kName = "org.wqaudio.Test.Thing";
constexpr const char* kPath = "/org/wqaudio/Test/Thing";
constexpr const char* kIface = "org.wqaudio.Test";
constexpr const char* kProps = "org.freedesktop.DBus.Properties";

constexpr const char* kXml = R"(<node><interface name="org.wqaudio.Test">
 <method name="Double"><arg name="n" type="x" direction="in"/><arg type="x" direction="out"/></method>
 <signal name="Changed"><arg name="n" type="x"/></signal>
 <property name="Count" type="x" access="read"/>
 <property name="Level" type="d" access="readwrite"/>
</interface></node>)";

// Doubles numbers and keeps a level, each on the program's thread.
class Thing : public ObjectHandler {
public:
    void OnCall(std::shared_ptr<Call> call) override {
        ++calls;
        call->RunOnGui([this](Call& c) {
            {
                std::lock_guard lock(mutex);
                threads.push_back(std::this_thread::get_id());
            }
            if (std::string_view(c.Method()) == "Double") {
                gint64 n = 0;
                g_variant_get(c.Params(), "(x)", &n);
                c.Return(g_variant_new("(x)", n * 2));
            } else {  // Set Level: nothing to return
                GVariant* value = nullptr;
                g_variant_get(c.Params(), "(&s&sv)", nullptr, nullptr, &value);
                level = g_variant_get_double(value);
                g_variant_unref(value);
            }
        });
    }
    GVariant* GetProperty(std::string_view, std::string_view name) override {
        if (name == "Count") return g_variant_new_int64(calls);
        if (name == "Level") return g_variant_new_double(level);
        return nullptr;
    }

    std::atomic<int> calls{0};
    std::atomic<double> level{0.0};
    std::mutex mutex;
    std::vector<std::thread::id> threads;
};

std::string Owner(Client& client) {
    return client.Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                       "GetNameOwner", g_variant_new("(s)", kName));
}

TEST(BusObjects, CallsPassGDBusChecksAndRunOnTheProgramsThread) {
    Program a;
    Thing thing;
    ASSERT_TRUE(a.bus()->ExportObject(kPath, kXml, thing, 2));
    EXPECT_FALSE(a.bus()->ExportObject(kPath, kXml, thing)) << "one object per path";
    EXPECT_FALSE(a.bus()->ExportObject("/org/wqaudio/Test/Bad", "<node><oops", thing));
    a.bus()->RequestName(kName);
    Client client;
    ASSERT_TRUE(client.Connected());
    ASSERT_TRUE(client.Pump([&] { return Owner(client) == "('" + a.bus()->UniqueName() + "',)"; }));

    EXPECT_EQ(client.Call(kName, kPath, kIface, "Double", g_variant_new("(x)", gint64{21})),
              "(int64 42,)");
    // Wrong signatures, unknown members and read-only writes are refused by GDBus
    // from the interface description (MprisProgram.CallsWithWrongSignatures...).
    // Properties are answered on the bus thread, writes on the program's.
    EXPECT_EQ(client.Call(kName, kPath, kProps, "Get", g_variant_new("(ss)", kIface, "Count")),
              "(<int64 1>,)");
    EXPECT_EQ(client.Call(kName, kPath, kProps, "Set",
                          g_variant_new("(ssv)", kIface, "Level", g_variant_new_double(0.25))),
              "()");
    EXPECT_EQ(thing.level, 0.25);
    {
        std::lock_guard lock(thing.mutex);
        ASSERT_EQ(thing.threads.size(), 2u);
        for (auto id : thing.threads) EXPECT_EQ(id, a.thread());
    }

    // Signals reach listeners; the match is in place once a call has come back.
    client.Listen(kName);
    Owner(client);
    EXPECT_TRUE(a.bus()->EmitSignal(kPath, kIface, "Changed", g_variant_new("(x)", gint64{7})));
    EXPECT_TRUE(client.Pump([&] { return !client.Signals().empty(); }));
    EXPECT_EQ(client.Signals(), std::vector<std::string>{"org.wqaudio.Test.Changed (int64 7,)"});

    EXPECT_EQ(thing.calls, 2) << "the Double and the Set Level above, nothing else";
}

TEST(BusObjects, ABusyProgramQueuesOnlyItsLimitAndADroppedCallIsStillAnswered) {
    Program a;
    Thing thing;
    ASSERT_TRUE(a.bus()->ExportObject(kPath, kXml, thing, 2));
    const std::string dest = a.bus()->UniqueName();
    Client client;
    a.Freeze();
    for (gint64 n = 0; n < 5; ++n)
        client.Start(dest, kPath, kIface, "Double", g_variant_new("(x)", n));
    ASSERT_TRUE(client.Pump([&] { return client.Answers().size() == 3; }));
    for (const std::string& answer : client.Answers()) EXPECT_EQ(answer, "org.wqaudio.Error.Busy");
    a.Release();
    ASSERT_TRUE(client.Pump([&] { return client.AllAnswered(); }));
    EXPECT_EQ(client.Answers()[3], "(int64 0,)");
    EXPECT_EQ(client.Answers()[4], "(int64 2,)");

    // A call whose task is dropped unrun (the program's loop has ended) is
    // answered, not left to time out.
    a.Freeze();
    client.Start(dest, kPath, kIface, "Double", g_variant_new("(x)", gint64{9}));
    ASSERT_TRUE(client.Pump([&] { return thing.calls == 6; }));
    a.inbox().Close();
    a.Release();
    ASSERT_TRUE(client.Pump([&] { return client.AllAnswered(); }, std::chrono::seconds(3)));
    EXPECT_EQ(client.Answers().back(), "org.wqaudio.Error.NotHandled");
}

}  // namespace
}  // namespace wq::ipc::test
