// A plain GDBus client for tests: another program on the test's private bus
// (DBUS_SESSION_BUS_ADDRESS) that calls methods, in turn or many at once.
// Replies come back printed by GVariant, errors as their D-Bus error name, so
// tests compare exact answers.
#pragma once

#include <gio/gio.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace wq::ipc::test {

class Client {
public:
    Client() {
        m_context = g_main_context_new();
        g_main_context_push_thread_default(m_context);
        const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        m_conn = g_dbus_connection_new_for_address_sync(
            address ? address : "",
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
    }
    ~Client() {
        if (m_conn) {
            g_dbus_connection_close_sync(m_conn, nullptr, nullptr);
            g_object_unref(m_conn);
        }
        while (g_main_context_iteration(m_context, FALSE)) {
        }
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Connected() const { return m_conn != nullptr; }

    // The reply as GVariant prints it ("(int64 42,)"), or the error's D-Bus
    // name ("org.freedesktop.DBus.Error.InvalidArgs"). `args` may be floating.
    std::string Call(const std::string& dest, const std::string& path, const std::string& iface,
                     const std::string& method, GVariant* args = nullptr, int timeoutMs = 10000) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(
            m_conn, dest.c_str(), path.c_str(), iface.c_str(), method.c_str(), args, nullptr,
            G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs, nullptr, &error);
        return Printed(reply, error);
    }

    // Starts a call without waiting; its answer (as Call gives it) is added
    // to Answers() while Pump runs.
    void Start(const std::string& dest, const std::string& path, const std::string& iface,
               const std::string& method, GVariant* args = nullptr, int timeoutMs = 25000) {
        ++m_started;
        g_dbus_connection_call(
            m_conn, dest.c_str(), path.c_str(), iface.c_str(), method.c_str(), args, nullptr,
            G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer self) {
                GError* error = nullptr;
                GVariant* reply =
                    g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
                static_cast<Client*>(self)->m_answers.push_back(Printed(reply, error));
            },
            this);
    }
    const std::vector<std::string>& Answers() const { return m_answers; }
    bool AllAnswered() const { return m_answers.size() == m_started; }

    // Runs this client's callbacks until `done` holds or `timeout` passes.
    bool Pump(const std::function<bool()>& done,
              std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (!g_main_context_iteration(m_context, FALSE)) g_usleep(2000);
        }
        return true;
    }

private:
    static std::string Printed(GVariant* reply, GError* error) {
        if (!reply) {
            gchar* name = g_dbus_error_get_remote_error(error);
            std::string out = name ? name : std::string("local: ") + error->message;
            g_free(name);
            g_error_free(error);
            return out;
        }
        gchar* text = g_variant_print(reply, TRUE);
        std::string out = text;
        g_free(text);
        g_variant_unref(reply);
        return out;
    }

    GMainContext* m_context = nullptr;
    GDBusConnection* m_conn = nullptr;
    std::vector<std::string> m_answers;
    size_t m_started = 0;
};

}  // namespace wq::ipc::test
