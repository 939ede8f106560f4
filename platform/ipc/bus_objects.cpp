// Further objects and names of a program on its bus connection (objects.h):
// calls arrive on the bus thread, checked by GDBus against the introspection
// data, and reach the handler only from a program of the same user.
#include <gio/gio.h>

#include "platform/base/handover.h"
#include "platform/ipc/bus_impl.h"

namespace wq::ipc {
namespace {

// The user data of one interface registration: every interface of an
// exported node shares the handler and the queue.
struct ExportedObject {
    std::shared_ptr<Shared> shared;
    ObjectHandler* handler;
    std::shared_ptr<ObjectQueue> queue;
};

void OnObjectCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar*,
                  GVariant*, GDBusMethodInvocation* invocation, gpointer data) {
    const auto& object = *static_cast<std::shared_ptr<ExportedObject>*>(data);
    if (!object->shared->host.load()) {
        g_dbus_method_invocation_return_dbus_error(invocation, "org.wqaudio.Error.NotHandled",
                                                   "the program is closing");
        return;
    }
    if (!CallerIsSameUser(*object->shared, sender)) {
        g_dbus_method_invocation_return_dbus_error(invocation,
                                                   "org.freedesktop.DBus.Error.AccessDenied",
                                                   "only programs of the same user");
        return;
    }
    object->handler->OnCall(std::make_shared<Call>(invocation, object->shared, object->queue));
}

GVariant* OnObjectProperty(GDBusConnection*, const gchar* sender, const gchar*, const gchar* iface,
                           const gchar* property, GError** error, gpointer data) {
    const auto& object = *static_cast<std::shared_ptr<ExportedObject>*>(data);
    if (!CallerIsSameUser(*object->shared, sender)) {
        g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_ACCESS_DENIED,
                    "only programs of the same user");
        return nullptr;
    }
    GVariant* value = object->handler->GetProperty(iface, property);
    if (!value) g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no such property");
    return value;
}

// Writes go to OnObjectCall (no set_property): the handler may answer them
// later, from the GUI thread.
const GDBusInterfaceVTable kObjectVTable = {OnObjectCall, OnObjectProperty, nullptr, {}};

void OnNameRequested(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<std::string> name(static_cast<std::string*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        SayOnce("desktop bus: cannot own " + *name + ": " + error->message);
        g_error_free(error);
        return;
    }
    g_variant_unref(reply);
}

void CallDaemonAsync(GDBusConnection* conn, const char* method, GVariant* args,
                     GAsyncReadyCallback done, gpointer data) {
    g_dbus_connection_call(conn, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", method, args, nullptr, G_DBUS_CALL_FLAGS_NONE,
                           -1, nullptr, done, data);
}

}  // namespace

Call::Call(GDBusMethodInvocation* invocation, std::shared_ptr<Shared> shared,
           std::shared_ptr<ObjectQueue> queue)
    : m_invocation(invocation), m_shared(std::move(shared)), m_queue(std::move(queue)) {}

Call::~Call() {
    if (m_invocation)
        g_dbus_method_invocation_return_dbus_error(m_invocation, "org.wqaudio.Error.NotHandled",
                                                   "the program ended before handling the call");
    if (m_counted) --m_queue->waiting;
}

const char* Call::Interface() const {
    return g_dbus_method_invocation_get_interface_name(m_invocation);
}

const char* Call::Method() const {
    return g_dbus_method_invocation_get_method_name(m_invocation);
}

GVariant* Call::Params() const {
    return g_dbus_method_invocation_get_parameters(m_invocation);
}

void Call::Return(GVariant* tuple) {
    if (!m_invocation) {
        if (tuple) g_variant_unref(g_variant_ref_sink(tuple));
        return;
    }
    g_dbus_method_invocation_return_value(m_invocation, tuple);
    m_invocation = nullptr;
}

void Call::Fail(const char* errorName, const std::string& message) {
    if (!m_invocation) return;
    g_dbus_method_invocation_return_dbus_error(m_invocation, errorName, message.c_str());
    m_invocation = nullptr;
}

void Call::RunOnGui(std::function<void(Call& call)> work) {
    Host* host = m_shared->host.load();
    if (!host) {
        Fail("org.wqaudio.Error.NotHandled", "the program is closing");
        return;
    }
    if (m_queue->waiting.fetch_add(1) >= m_queue->limit) {
        --m_queue->waiting;
        Fail("org.wqaudio.Error.Busy", "too many calls waiting for this program");
        return;
    }
    m_counted = true;
    // The task holds the call: dropped unrun, the call is answered NotHandled.
    host->PostTask([self = shared_from_this(), work = std::move(work)] {
        if (!self->m_shared->host.load()) return;
        work(*self);
        self->Return();
        --self->m_queue->waiting;
        self->m_counted = false;
    });
}

bool Bus::ExportObject(const std::string& path, const std::string& introspectionXml,
                       ObjectHandler& handler, int maxQueued) {
    Impl& d = *m_impl;
    GError* error = nullptr;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(introspectionXml.c_str(), &error);
    if (!node) {
        SayOnce("desktop bus: cannot export " + path + ": " + error->message);
        g_error_free(error);
        return false;
    }
    auto object = std::make_shared<ExportedObject>(
        ExportedObject{d.shared, &handler, std::make_shared<ObjectQueue>()});
    object->queue->limit = maxQueued > 0 ? maxQueued : 1;
    bool ok = false;
    d.RunOnBus([&] {
        if (d.objects.count(path)) {
            SayOnce("desktop bus: " + path + " is exported already");
            return;
        }
        std::vector<guint> ids;
        for (GDBusInterfaceInfo** iface = node->interfaces; iface && *iface; ++iface) {
            GError* e = nullptr;
            const guint id = g_dbus_connection_register_object(
                d.shared->conn, path.c_str(), *iface, &kObjectVTable,
                new std::shared_ptr<ExportedObject>(object),
                [](gpointer p) { delete static_cast<std::shared_ptr<ExportedObject>*>(p); }, &e);
            if (!id) {
                SayOnce("desktop bus: cannot export " + path + ": " + e->message);
                g_error_free(e);
                for (guint done : ids) g_dbus_connection_unregister_object(d.shared->conn, done);
                return;
            }
            ids.push_back(id);
        }
        d.objects[path] = std::move(ids);
        ok = true;
    });
    g_dbus_node_info_unref(node);
    return ok;
}

void Bus::UnexportObject(const std::string& path) {
    Impl& d = *m_impl;
    d.RunOnBus([&d, &path] {
        auto it = d.objects.find(path);
        if (it == d.objects.end()) return;
        for (guint id : it->second) g_dbus_connection_unregister_object(d.shared->conn, id);
        d.objects.erase(it);
    });
}

void Bus::RequestName(const std::string& name) {
    Impl& d = *m_impl;
    // Started on the bus thread, whose context delivers the answer.
    d.InvokeOnBus([&d, name] {
        if (!d.names.insert(name).second) return;
        CallDaemonAsync(d.shared->conn, "RequestName", g_variant_new("(su)", name.c_str(), 0u),
                        OnNameRequested, new std::string(name));
    });
}

void Bus::ReleaseName(const std::string& name) {
    Impl& d = *m_impl;
    d.InvokeOnBus([&d, name] {
        if (d.names.erase(name) == 0) return;
        CallDaemonAsync(d.shared->conn, "ReleaseName", g_variant_new("(s)", name.c_str()), nullptr,
                        nullptr);
    });
}

bool Bus::EmitSignal(const std::string& path, const char* iface, const char* signal,
                     GVariant* args) {
    GError* error = nullptr;
    const bool sent = g_dbus_connection_emit_signal(m_impl->shared->conn, nullptr, path.c_str(),
                                                    iface, signal, args, &error);
    if (!sent) g_error_free(error);
    return sent;
}

void Bus::Impl::InvokeOnBus(std::function<void()> fn) {
    // GLib runs the function on the bus thread after it was queued here.
    auto* held = new std::function<void()>(std::move(fn));
    HandOver(held);
    g_main_context_invoke_full(
        context, G_PRIORITY_DEFAULT,
        [](gpointer p) -> gboolean {
            TakeOver(p);
            (*static_cast<std::function<void()>*>(p))();
            return G_SOURCE_REMOVE;
        },
        held, [](gpointer p) { delete static_cast<std::function<void()>*>(p); });
}

void Bus::Impl::UnexportAll() {
    // Names first, so that no program finds a name whose object has gone.
    for (const std::string& name : names) {
        GVariant* reply = g_dbus_connection_call_sync(
            shared->conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "ReleaseName", g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE("(u)"),
            G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
        if (reply) g_variant_unref(reply);
    }
    names.clear();
    for (const auto& [path, ids] : objects)
        for (guint id : ids) g_dbus_connection_unregister_object(shared->conn, id);
    objects.clear();
}

}  // namespace wq::ipc
