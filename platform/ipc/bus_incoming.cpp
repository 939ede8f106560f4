// Calls from other programs. They arrive on the bus thread, which checks them
// and hands each to the GUI thread: sent messages through SendTask (answered
// when the handler returns), posted ones through PostTask (answered at once, so
// the sender never waits). Nothing here touches a window.
#include <unistd.h>

#include <functional>

#include "platform/base/utf.h"
#include "platform/ipc/bus_impl.h"

namespace wq::ipc {
namespace {

constexpr const char* kWindowXml =
    "<node>"
    " <interface name='org.wqaudio.Window'>"
    "  <method name='SendMessage'>"
    "   <arg name='message' type='s' direction='in'/><arg name='wParam' type='t' direction='in'/>"
    "   <arg name='lParam' type='x' direction='in'/><arg name='result' type='x' direction='out'/>"
    "  </method>"
    "  <method name='SendNumber'>"
    "   <arg name='message' type='u' direction='in'/><arg name='wParam' type='t' direction='in'/>"
    "   <arg name='lParam' type='x' direction='in'/><arg name='result' type='x' direction='out'/>"
    "  </method>"
    "  <method name='PostMessage'>"
    "   <arg name='message' type='s' direction='in'/><arg name='wParam' type='t' direction='in'/>"
    "   <arg name='lParam' type='x' direction='in'/>"
    "  </method>"
    "  <method name='PostNumber'>"
    "   <arg name='message' type='u' direction='in'/><arg name='wParam' type='t' direction='in'/>"
    "   <arg name='lParam' type='x' direction='in'/>"
    "  </method>"
    "  <method name='BringToFront'>"
    "   <arg name='flags' type='u' direction='in'/><arg name='done' type='b' direction='out'/>"
    "  </method>"
    "  <property name='Name' type='s' access='read'/>"
    " </interface>"
    "</node>";

constexpr const char* kAutomationXml =
    "<node>"
    " <interface name='org.wqaudio.Automation'>"
    "  <method name='Tap'>"
    "   <arg name='window' type='s' direction='in'/><arg name='x' type='i' direction='in'/>"
    "   <arg name='y' type='i' direction='in'/><arg name='done' type='b' direction='out'/>"
    "  </method>"
    "  <method name='Drag'>"
    "   <arg name='window' type='s' direction='in'/><arg name='x1' type='i' direction='in'/>"
    "   <arg name='y1' type='i' direction='in'/><arg name='x2' type='i' direction='in'/>"
    "   <arg name='y2' type='i' direction='in'/><arg name='done' type='b' direction='out'/>"
    "  </method>"
    "  <method name='Screenshot'>"
    "   <arg name='window' type='s' direction='in'/><arg name='png' type='ay' direction='out'/>"
    "  </method>"
    "  <method name='State'>"
    "   <arg name='window' type='s' direction='in'/><arg name='json' type='s' direction='out'/>"
    "  </method>"
    " </interface>"
    "</node>";

// Registered names longer than this are refused: no program registers such
// names, and each distinct name costs the receiver a message id for good.
constexpr size_t kMaxMessageName = 255;

GDBusInterfaceInfo* ParseInterface(const char* xml) {
    GError* error = nullptr;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, &error);
    g_assert_no_error(error);
    GDBusInterfaceInfo* info = g_dbus_interface_info_ref(node->interfaces[0]);
    g_dbus_interface_info_cache_build(info);
    g_dbus_node_info_unref(node);
    return info;
}

// Keeps the count of queued incoming messages and answers a sent message
// exactly once: with the handler's result, or with NotHandled when its task is
// dropped unrun (the program's loop has ended).
class Reply {
public:
    Reply(GDBusMethodInvocation* invocation, std::shared_ptr<Shared> shared)
        : m_invocation(invocation), m_shared(std::move(shared)) {
        ++m_shared->pending;
    }
    ~Reply() {
        if (m_invocation)
            g_dbus_method_invocation_return_dbus_error(
                m_invocation, "org.wqaudio.Error.NotHandled",
                "the program ended before handling the call");
        --m_shared->pending;
    }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;

    void Answer(GVariant* value) {
        if (!m_invocation) return;
        if (value)
            g_dbus_method_invocation_return_value(m_invocation, value);
        else
            g_dbus_method_invocation_return_dbus_error(m_invocation, "org.wqaudio.Error.NoWindow",
                                                       "no such window in this program");
        m_invocation = nullptr;
    }

private:
    GDBusMethodInvocation* m_invocation;
    std::shared_ptr<Shared> m_shared;
};

void Refuse(GDBusMethodInvocation* invocation, const char* error, const char* text) {
    g_dbus_method_invocation_return_dbus_error(invocation, error, text);
}

// Bus thread. Only programs of this user may talk to our windows; a session
// bus already enforces that, this keeps it true on a bus configured otherwise.
bool CallerAllowed(Shared& shared, const gchar* sender) {
    if (!sender) return false;
    auto it = shared.callers.find(sender);
    if (it != shared.callers.end()) return it->second;
    if (shared.callers.size() > 512) shared.callers.clear();
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        shared.conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "GetConnectionUnixUser", g_variant_new("(s)", sender), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, &error);
    bool allowed = false;
    if (reply) {
        guint32 uid = 0;
        g_variant_get(reply, "(u)", &uid);
        allowed = uid == shared.uid;
        g_variant_unref(reply);
    } else {
        g_error_free(error);
    }
    shared.callers.emplace(sender, allowed);
    return allowed;
}

// GUI thread: the first live window published under `element`.
HWND WindowFor(Shared& shared, const std::string& element) {
    std::lock_guard lock(shared.mutex);
    auto it = shared.windows.find(element);
    return it == shared.windows.end() || it->second.empty() ? nullptr : it->second.front().hwnd;
}

}  // namespace

bool ReadMessage(GVariant* params, bool byName, Message& m, const char** why) {
    guint64 wParam = 0;
    gint64 lParam = 0;
    if (byName) {
        const gchar* name = nullptr;
        g_variant_get(params, "(&stx)", &name, &wParam, &lParam);
        m.name = Utf8ToUtf16(name);
        if (m.name.empty() || m.name.size() > kMaxMessageName) {
            *why = "a registered message name has 1 to 255 characters";
            return false;
        }
        for (char16_t c : m.name) {
            if (c < 0x20) {
                *why = "a registered message name has no control characters";
                return false;
            }
        }
    } else {
        guint32 number = 0;
        g_variant_get(params, "(utx)", &number, &wParam, &lParam);
        if (number >= 0xC000) {
            *why =
                "registered messages (0xC000 and up) travel by name: use SendMessage or "
                "PostMessage";
            return false;
        }
        m.number = number;
    }
    m.wParam = static_cast<WPARAM>(wParam);
    m.lParam = static_cast<LPARAM>(lParam);
    return true;
}

namespace {

enum class Kind { Send, Post, Front };
struct MethodEntry {
    const char* name;
    Kind kind;
    bool byName;
};
constexpr MethodEntry kWindowMethods[] = {
    {"SendMessage", Kind::Send, true},    {"SendNumber", Kind::Send, false},
    {"PostMessage", Kind::Post, true},    {"PostNumber", Kind::Post, false},
    {"BringToFront", Kind::Front, false},
};

bool Busy(Shared& shared) {
    return shared.pending.load() >= shared.maxPending;
}

// Hands `work` to the GUI thread as a sent message and answers with its value.
void SendToGui(const std::shared_ptr<Shared>& shared, GDBusMethodInvocation* invocation,
               std::function<GVariant*()> work) {
    if (Busy(*shared)) {
        Refuse(invocation, "org.wqaudio.Error.Busy", "too many messages waiting for this program");
        return;
    }
    auto reply = std::make_shared<Reply>(invocation, shared);
    shared->host.load()->SendTask([shared, reply, work = std::move(work)] {
        if (shared->host.load()) reply->Answer(work());
    });
}

void OnWindowCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                  const gchar* method, GVariant* params, GDBusMethodInvocation* invocation,
                  gpointer userData) {
    auto* object = static_cast<ObjectData*>(userData);
    const std::shared_ptr<Shared>& shared = object->shared;
    if (!shared->host.load()) {
        Refuse(invocation, "org.wqaudio.Error.NoWindow", "the program is closing");
        return;
    }
    if (!CallerAllowed(*shared, sender)) {
        Refuse(invocation, "org.freedesktop.DBus.Error.AccessDenied",
               "only programs of the same user");
        return;
    }
    const MethodEntry* entry = nullptr;
    for (const auto& e : kWindowMethods)
        if (g_strcmp0(e.name, method) == 0) entry = &e;
    if (!entry) {
        Refuse(invocation, "org.freedesktop.DBus.Error.UnknownMethod", "unknown method");
        return;
    }
    const std::string element = object->element;
    if (entry->kind == Kind::Front) {
        guint32 flags = 0;
        g_variant_get(params, "(u)", &flags);
        SendToGui(shared, invocation, [shared, element, flags]() -> GVariant* {
            HWND hwnd = WindowFor(*shared, element);
            const bool done = hwnd && shared->host.load()->BringToFront(hwnd, flags);
            // Brought forward and activated: this program is now the one in front.
            if (done && !(flags & 0x0010 /* SWP_NOACTIVATE */)) ClaimForeground(*shared);
            return g_variant_new("(b)", done);
        });
        return;
    }
    Message m;
    const char* why = "";
    if (!ReadMessage(params, entry->byName, m, &why)) {
        Refuse(invocation, "org.freedesktop.DBus.Error.InvalidArgs", why);
        return;
    }
    if (entry->kind == Kind::Send) {
        SendToGui(shared, invocation, [shared, element, m]() -> GVariant* {
            HWND hwnd = WindowFor(*shared, element);
            return g_variant_new(
                "(x)", static_cast<gint64>(hwnd ? shared->host.load()->Deliver(hwnd, m) : 0));
        });
        return;
    }
    // Posted: answered at once, or refused when the program is flooded.
    if (Busy(*shared)) {
        Refuse(invocation, "org.wqaudio.Error.Busy", "too many messages waiting for this program");
        return;
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
    // Counts the message as pending until its task has run or been dropped.
    struct Token {
        explicit Token(std::shared_ptr<Shared> s) : shared(std::move(s)) { ++shared->pending; }
        ~Token() { --shared->pending; }
        Token(const Token&) = delete;
        Token& operator=(const Token&) = delete;
        std::shared_ptr<Shared> shared;
    };
    auto token = std::make_shared<Token>(shared);
    shared->host.load()->PostTask([shared, token, element, m] {
        if (!shared->host.load()) return;
        if (HWND hwnd = WindowFor(*shared, element)) shared->host.load()->Deliver(hwnd, m);
    });
}

GVariant* OnWindowProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                           const gchar* property, GError** error, gpointer userData) {
    auto* object = static_cast<ObjectData*>(userData);
    std::lock_guard lock(object->shared->mutex);
    auto it = object->shared->windows.find(object->element);
    if (g_strcmp0(property, "Name") != 0 || it == object->shared->windows.end() ||
        it->second.empty()) {
        g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no such property");
        return nullptr;
    }
    return g_variant_new_string(Utf16ToUtf8(it->second.front().name).c_str());
}

void OnAutomationCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                      const gchar* method, GVariant* params, GDBusMethodInvocation* invocation,
                      gpointer userData) {
    auto* object = static_cast<ObjectData*>(userData);
    const std::shared_ptr<Shared>& shared = object->shared;
    AutomationHost* automation = object->automation;
    if (!shared->host || !CallerAllowed(*shared, sender)) {
        Refuse(invocation, "org.freedesktop.DBus.Error.AccessDenied",
               "only programs of the same user");
        return;
    }
    const gchar* window = nullptr;
    std::function<GVariant*()> work;
    if (g_strcmp0(method, "Tap") == 0) {
        gint32 x = 0, y = 0;
        g_variant_get(params, "(&sii)", &window, &x, &y);
        work = [automation, name = Utf8ToUtf16(window), x, y]() -> GVariant* {
            return g_variant_new("(b)", automation->Tap(name, POINT{x, y}));
        };
    } else if (g_strcmp0(method, "Drag") == 0) {
        gint32 x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        g_variant_get(params, "(&siiii)", &window, &x1, &y1, &x2, &y2);
        work = [automation, name = Utf8ToUtf16(window), x1, y1, x2, y2]() -> GVariant* {
            return g_variant_new("(b)", automation->Drag(name, POINT{x1, y1}, POINT{x2, y2}));
        };
    } else if (g_strcmp0(method, "Screenshot") == 0) {
        g_variant_get(params, "(&s)", &window);
        work = [automation, name = Utf8ToUtf16(window)]() -> GVariant* {
            std::vector<std::uint8_t> png = automation->Screenshot(name);
            if (png.empty()) return nullptr;
            GVariant* bytes =
                g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, png.data(), png.size(), 1);
            return g_variant_new_tuple(&bytes, 1);
        };
    } else if (g_strcmp0(method, "State") == 0) {
        g_variant_get(params, "(&s)", &window);
        work = [automation, name = Utf8ToUtf16(window)]() -> GVariant* {
            std::string json = automation->State(name);
            if (json.empty() ||
                !g_utf8_validate(json.data(), static_cast<gssize>(json.size()), nullptr))
                return nullptr;
            return g_variant_new("(s)", json.c_str());
        };
    } else {
        Refuse(invocation, "org.freedesktop.DBus.Error.UnknownMethod", "unknown method");
        return;
    }
    SendToGui(shared, invocation, std::move(work));
}

}  // namespace

GDBusInterfaceInfo* WindowInterfaceInfo() {
    static GDBusInterfaceInfo* info = ParseInterface(kWindowXml);
    return info;
}

GDBusInterfaceInfo* AutomationInterfaceInfo() {
    static GDBusInterfaceInfo* info = ParseInterface(kAutomationXml);
    return info;
}

const GDBusInterfaceVTable* WindowVTable() {
    static const GDBusInterfaceVTable vtable = {OnWindowCall, OnWindowProperty, nullptr, {}};
    return &vtable;
}

bool CallerIsSameUser(Shared& shared, const gchar* sender) {
    return CallerAllowed(shared, sender);
}

const GDBusInterfaceVTable* AutomationVTable() {
    static const GDBusInterfaceVTable vtable = {OnAutomationCall, nullptr, nullptr, {}};
    return &vtable;
}

}  // namespace wq::ipc
