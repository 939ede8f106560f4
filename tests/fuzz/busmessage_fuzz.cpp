// A call another program sends to one of our windows: a whole D-Bus message
// (parsed and matched to the window interface as GDBus does before our
// handler runs), or else the bytes as an untrusted "(stx)" or "(utx)" tuple.
// What must hold is listed in docs/reliability.md.
#include <gio/gio.h>

#include <cstdint>
#include <string>

#include "platform/base/utf.h"
#include "platform/ipc/bus_impl.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using wq::ipc::Message;

void Check(GVariant* params, bool byName) {
    Message m;
    const char* why = nullptr;
    const char* error = nullptr;
    const bool ok = wq::ipc::ReadMessage(params, byName, m, &why, &error);
    guint64 wParam = 0;
    gint64 lParam = 0;
    bool acceptable = false;
    if (byName) {
        const gchar* name = nullptr;
        g_variant_get(params, "(&stx)", &name, &wParam, &lParam);
        const std::u16string wide = wq::Utf8ToUtf16(name);
        acceptable = !wide.empty() && wide.size() <= 255;
        for (char16_t c : wide) acceptable = acceptable && c >= 0x20;
        if (ok) WQ_FUZZ_CHECK(m.name == wide && m.number == 0);
    } else {
        guint32 number = 0;
        g_variant_get(params, "(utx)", &number, &wParam, &lParam);
        acceptable = number == 0 || number == 6 || number == 16 || number == 256 || number == 257 ||
                     number == 273;
        if (ok) WQ_FUZZ_CHECK(m.number == number && m.name.empty());
        if (number == 6) lParam = 0;
        if (!ok) WQ_FUZZ_CHECK(g_strcmp0(error, "org.wqaudio.Error.NotAllowed") == 0);
    }
    WQ_FUZZ_CHECK(ok == acceptable);
    if (ok) {
        WQ_FUZZ_CHECK(m.wParam == static_cast<WPARAM>(wParam));
        WQ_FUZZ_CHECK(m.lParam == static_cast<LPARAM>(lParam));
    } else {
        WQ_FUZZ_CHECK(why != nullptr && why[0] != '\0' && error != nullptr);
    }
}

bool FromWire(const std::uint8_t* data, std::size_t size) {
    if (size < 16) return false;
    auto* bytes = const_cast<guchar*>(data);
    if (g_dbus_message_bytes_needed(bytes, size, nullptr) != static_cast<gssize>(size))
        return false;
    GDBusMessage* message =
        g_dbus_message_new_from_blob(bytes, size, G_DBUS_CAPABILITY_FLAGS_NONE, nullptr);
    if (!message) return false;
    const gchar* iface = g_dbus_message_get_interface(message);
    const gchar* member = g_dbus_message_get_member(message);
    const GDBusMethodInfo* method =
        member ? g_dbus_interface_info_lookup_method(wq::ipc::WindowInterfaceInfo(), member)
               : nullptr;
    if (g_dbus_message_get_message_type(message) == G_DBUS_MESSAGE_TYPE_METHOD_CALL && method &&
        (!iface || g_strcmp0(iface, "org.wqaudio.Window") == 0)) {
        GVariant* body = g_dbus_message_get_body(message);
        GVariant* params = body ? g_variant_ref(body) : g_variant_ref_sink(g_variant_new("()"));
        std::string type = "(";  // the in-arguments' tuple type, e.g. "(stx)"
        for (GDBusArgInfo** arg = method->in_args; arg && *arg; ++arg) type += (*arg)->signature;
        type += ")";
        const bool byName = type == "(stx)";
        if ((byName || type == "(utx)") &&
            g_variant_is_of_type(params, G_VARIANT_TYPE(type.c_str())))
            Check(params, byName);
        g_variant_unref(params);
    }
    g_object_unref(message);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (FromWire(data, size) || size == 0) return 0;
    const bool byName = (data[0] & 1) == 0;
    GBytes* bytes = g_bytes_new(data + 1, size - 1);
    GVariant* params = g_variant_ref_sink(
        g_variant_new_from_bytes(G_VARIANT_TYPE(byName ? "(stx)" : "(utx)"), bytes, FALSE));
    Check(params, byName);
    g_variant_unref(params);
    g_bytes_unref(bytes);
    return 0;
}
