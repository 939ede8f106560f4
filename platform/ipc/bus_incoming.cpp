// Calls from other programs. They arrive on the bus thread, which checks them
// and hands each to the GUI thread: sent messages through SendTask (answered
// when the handler returns), posted ones through PostTask (answered at once, so
// the sender never waits). Nothing here touches a window.
#include <unistd.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>

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
constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
constexpr const char* kNotAllowed = "org.wqaudio.Error.NotAllowed";
// A name of 255 UTF-16 units is at most this many UTF-8 bytes (a unit below
// U+10000 takes up to 3 bytes, a surrogate pair 4 bytes for 2 units). Longer
// text is refused before it is converted, so a huge name costs no copy.
constexpr size_t kMaxMessageNameBytes = kMaxMessageName * 3;
// Distinct registered names one sender may send. Our programs use about ten;
// the quota keeps a sender from growing the receiver's name tables.
constexpr size_t kNamesPerSender = 64;
// Pen coordinates from automation: the window system carries them as 16-bit
// numbers, and a drag between the extremes stays a bounded number of moves.
constexpr gint32 kMaxCoordinate = 32767;

// The numbered messages another program may send or post. None of them
// carries a pointer: everything else by number (WM_SETTEXT, WM_GETTEXT,
// WM_INITDIALOG, list-box messages, ...) would let the sender name an address
// in this program, so it is refused. Siblings speak through registered names;
// by number they only close a window, press its buttons, send keys, activate
// it or ping it.
struct AllowedNumber {
    UINT number;
    bool clearLParam;  // lParam is a window handle of the sender: meaningless here
};
constexpr AllowedNumber kAllowedNumbers[] = {
    {WM_NULL, false},     // a ping: does nothing, answers 0
    {WM_ACTIVATE, true},  // wParam: WA_ACTIVE etc.; lParam (the other window) cleared
    {WM_CLOSE, false},    // a second copy closes the first
    {WM_KEYDOWN, false},  // virtual key and repeat count
    {WM_KEYUP, false},    //
    {WM_COMMAND, false},  // control id and notification code; lParam is never followed
};

// The positioning bits BringToFront passes on. The window is never moved,
// sized or hidden from outside: SWP_NOSIZE and SWP_NOMOVE are always set, and
// SWP_HIDEWINDOW and the rest are dropped.
constexpr UINT kSwpNoSize = 0x0001, kSwpNoMove = 0x0002, kSwpNoZOrder = 0x0004,
               kSwpNoActivate = 0x0010, kSwpShowWindow = 0x0040;
constexpr UINT kFrontFlagsKept = kSwpNoZOrder | kSwpNoActivate | kSwpShowWindow;
constexpr UINT kFrontFlagsForced = kSwpNoSize | kSwpNoMove;

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

// Bus thread. Says why a call was refused on the program's debug output: one
// line per refusal for the first hundred, then one per thousand, so that a
// flood cannot flood the output too.
void NoteRefusal(Shared& shared, const std::string& text) {
    ++shared.refusals;
    if (shared.refusals > 100 && shared.refusals % 1000 != 0) return;
    Say("desktop bus: refused " + text + " (" + std::to_string(shared.refusals) +
        " calls refused so far)");
}

// Bus thread. True when `sender` may send the registered name: a name it sent
// before, or a new one within its quota of kNamesPerSender distinct names.
bool WithinNameQuota(Shared& shared, const gchar* sender, const std::u16string& name) {
    if (shared.namesBySender.size() > 512) shared.namesBySender.clear();
    auto& names = shared.namesBySender[sender];
    if (names.count(name)) return true;
    if (names.size() >= kNamesPerSender) return false;
    names.insert(name);
    return true;
}

// GUI thread: the first live window published under `element`.
HWND WindowFor(Shared& shared, const std::string& element) {
    std::lock_guard lock(shared.mutex);
    auto it = shared.windows.find(element);
    return it == shared.windows.end() || it->second.empty() ? nullptr : it->second.front().hwnd;
}

}  // namespace

bool ReadMessage(GVariant* params, bool byName, Message& m, const char** why, const char** error) {
    const char* ignored = nullptr;
    if (!error) error = &ignored;
    *error = kInvalidArgs;
    guint64 wParam = 0;
    gint64 lParam = 0;
    if (byName) {
        const gchar* name = nullptr;
        g_variant_get(params, "(&stx)", &name, &wParam, &lParam);
        if (strnlen(name, kMaxMessageNameBytes + 1) > kMaxMessageNameBytes) {
            *why = "a registered message name has 1 to 255 characters";
            return false;
        }
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
            *error = kNotAllowed;
            *why =
                "registered messages (0xC000 and up) travel by name: use SendMessage or "
                "PostMessage";
            return false;
        }
        const AllowedNumber* allowed = nullptr;
        for (const AllowedNumber& a : kAllowedNumbers)
            if (a.number == number) allowed = &a;
        if (!allowed) {
            *error = kNotAllowed;
            *why =
                "this message number is not accepted from other programs (allowed: WM_NULL, "
                "WM_ACTIVATE, WM_CLOSE, WM_KEYDOWN, WM_KEYUP, WM_COMMAND; others travel by name)";
            return false;
        }
        m.number = number;
        if (allowed->clearLParam) lParam = 0;
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
        guint32 asked = 0;
        g_variant_get(params, "(u)", &asked);
        const guint32 flags = (asked & kFrontFlagsKept) | kFrontFlagsForced;
        SendToGui(shared, invocation, [shared, element, flags]() -> GVariant* {
            HWND hwnd = WindowFor(*shared, element);
            const bool done = hwnd && shared->host.load()->BringToFront(hwnd, flags);
            // Brought forward and activated: this program is now the one in front.
            if (done && !(flags & kSwpNoActivate)) ClaimForeground(*shared);
            return g_variant_new("(b)", done);
        });
        return;
    }
    Message m;
    const char* why = "";
    const char* error = kInvalidArgs;
    if (!ReadMessage(params, entry->byName, m, &why, &error)) {
        if (!entry->byName) {
            guint32 number = 0;
            g_variant_get_child(params, 0, "u", &number);
            NoteRefusal(*shared, "message number " + std::to_string(number) + " from " + sender +
                                     ": " + why);
        }
        Refuse(invocation, error, why);
        return;
    }
    if (entry->byName && !WithinNameQuota(*shared, sender, m.name)) {
        NoteRefusal(*shared, std::string("a new message name from ") + sender +
                                 ": more than 64 distinct names from one program");
        Refuse(invocation, "org.wqaudio.Error.TooManyNames",
               "a program may send at most 64 distinct message names");
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

constexpr const char* kCoordinateRange = "pen coordinates lie between -32768 and 32767";

bool OnScreen(std::initializer_list<gint32> coordinates) {
    for (gint32 c : coordinates)
        if (c < -kMaxCoordinate - 1 || c > kMaxCoordinate) return false;
    return true;
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
        if (!OnScreen({x, y})) {
            Refuse(invocation, kInvalidArgs, kCoordinateRange);
            return;
        }
        work = [automation, name = Utf8ToUtf16(window), x, y]() -> GVariant* {
            return g_variant_new("(b)", automation->Tap(name, POINT{x, y}));
        };
    } else if (g_strcmp0(method, "Drag") == 0) {
        gint32 x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        g_variant_get(params, "(&siiii)", &window, &x1, &y1, &x2, &y2);
        if (!OnScreen({x1, y1, x2, y2})) {
            Refuse(invocation, kInvalidArgs, kCoordinateRange);
            return;
        }
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
