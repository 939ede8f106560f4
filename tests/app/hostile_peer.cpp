// A program of the same user that abuses the player's bus object, for the
// end-to-end tests. Everything goes over one connection to the session bus.
//
//   hostile_peer flood WINDOW COUNT   SendMessage with COUNT distinct names,
//                                     128 calls in flight at a time
//
// Prints one line: how many calls were answered and, per D-Bus error name, how
// many were refused ("answered 64 org.wqaudio.Error.TooManyNames 19936").
// Exits 1 when the bus cannot be reached.
#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/base/utf.h"
#include "platform/ipc/names.h"

namespace {

struct Flood {
    GDBusConnection* conn = nullptr;
    GMainLoop* loop = nullptr;
    std::string dest, path;
    long count = 0, started = 0, finished = 0, answered = 0;
    std::map<std::string, long> refused;
};

void StartNext(Flood& f);

void OnAnswer(GObject* source, GAsyncResult* result, gpointer data) {
    auto& f = *static_cast<Flood*>(data);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply) {
        ++f.answered;
        g_variant_unref(reply);
    } else {
        gchar* name = g_dbus_error_get_remote_error(error);
        ++f.refused[name ? name : error->message];
        g_free(name);
        g_error_free(error);
    }
    if (++f.finished == f.count) g_main_loop_quit(f.loop);
    StartNext(f);
}

void StartNext(Flood& f) {
    if (f.started >= f.count) return;
    const std::string name = "WQ:FLOOD:" + std::to_string(f.started++);
    g_dbus_connection_call(
        f.conn, f.dest.c_str(), f.path.c_str(), wq::ipc::kWindowInterface, "SendMessage",
        g_variant_new("(stx)", name.c_str(), guint64{0}, gint64{0}), G_VARIANT_TYPE("(x)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, 20000, nullptr, OnAnswer, &f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[1]) != "flood") {
        std::fprintf(stderr, "usage: hostile_peer flood WINDOW COUNT\n");
        return 2;
    }
    const std::u16string window = wq::Utf8ToUtf16(argv[2]);
    GError* error = nullptr;
    Flood f;
    f.conn = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!f.conn) {
        std::fprintf(stderr, "hostile_peer: %s\n", error->message);
        g_error_free(error);
        return 1;
    }
    f.loop = g_main_loop_new(nullptr, FALSE);
    f.dest = wq::ipc::WindowBusName(window);
    f.path = wq::ipc::WindowObjectPath(window);
    f.count = std::atol(argv[3]);
    for (int i = 0; i < 128; ++i) StartNext(f);
    if (f.count > 0) g_main_loop_run(f.loop);
    std::printf("answered %ld", f.answered);
    for (const auto& [name, times] : f.refused) std::printf(" %s %ld", name.c_str(), times);
    std::printf("\n");
    g_main_loop_unref(f.loop);
    g_object_unref(f.conn);
    return 0;
}
