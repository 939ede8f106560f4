// A further object of a program on its bus connection (objects.h): checked
// calls handed to the program's thread, and answered even when the program's
// loop has ended. (Properties, signals, a further well-known name and the
// bounded queue are the MPRIS object's: tests/app/mpris_test.cpp and
// tests/app/desktop_test.py.)
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "tests/support/bus_client.h"
#include "tests/support/program.h"

namespace wq::ipc::test {
namespace {

constexpr const char* kPath = "/org/wqaudio/Test/Thing";
constexpr const char* kIface = "org.wqaudio.Test";

constexpr const char* kXml = R"(<node><interface name="org.wqaudio.Test">
 <method name="Double"><arg name="n" type="x" direction="in"/><arg type="x" direction="out"/></method>
</interface></node>)";

// Doubles numbers on the program's thread.
class Thing : public ObjectHandler {
public:
    void OnCall(std::shared_ptr<Call> call) override {
        ++calls;
        call->RunOnGui([this](Call& c) {
            {
                std::lock_guard lock(mutex);
                threads.push_back(std::this_thread::get_id());
            }
            gint64 n = 0;
            g_variant_get(c.Params(), "(x)", &n);
            c.Return(g_variant_new("(x)", n * 2));
        });
    }
    GVariant* GetProperty(std::string_view, std::string_view) override { return nullptr; }

    std::atomic<int> calls{0};
    std::mutex mutex;
    std::vector<std::thread::id> threads;
};

TEST(BusObjects, CallsRunOnTheProgramsThreadAndADroppedCallIsStillAnswered) {
    Program a;
    Thing thing;
    ASSERT_TRUE(a.bus()->ExportObject(kPath, kXml, thing, 2));
    const std::string dest = a.bus()->UniqueName();
    Client client;
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Call(dest, kPath, kIface, "Double", g_variant_new("(x)", gint64{21})),
              "(int64 42,)");
    {
        std::lock_guard lock(thing.mutex);
        ASSERT_EQ(thing.threads.size(), 1u);
        EXPECT_EQ(thing.threads[0], a.thread());
    }

    // A call whose task is dropped unrun (the program's loop has ended) is
    // answered, not left to time out.
    a.Freeze();
    client.Start(dest, kPath, kIface, "Double", g_variant_new("(x)", gint64{9}));
    ASSERT_TRUE(client.Pump([&] { return thing.calls == 2; }));
    a.inbox().Close();
    a.Release();
    ASSERT_TRUE(client.Pump([&] { return client.AllAnswered(); }, std::chrono::seconds(3)));
    EXPECT_EQ(client.Answers().back(), "org.wqaudio.Error.NotHandled");
}

}  // namespace
}  // namespace wq::ipc::test
