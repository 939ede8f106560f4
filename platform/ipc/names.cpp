#include "platform/ipc/names.h"

#include <glib.h>

#include "platform/base/casefold.h"
#include "platform/base/utf.h"

namespace wq::ipc {
namespace {

// A bus name is at most 255 bytes; the prefix takes 19 of them.
constexpr size_t kMaxElement = 200;

bool Plain(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

std::string WindowElement(std::u16string_view name) {
    if (name.empty()) return {};
    // Folded by the same rule as FindWindow's comparison, so that two names
    // share a bus name exactly when FindWindow would take them for one.
    const std::string folded = Utf16ToUtf8(FoldCase(name));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < folded.size(); ++i) {
        const auto c = static_cast<unsigned char>(folded[i]);
        if (Plain(c) && !(i == 0 && c >= '0' && c <= '9')) {
            out += static_cast<char>(c);
        } else {
            out += '_';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    if (out.size() > kMaxElement) {
        gchar* sum = g_compute_checksum_for_data(
            G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(folded.data()), folded.size());
        out = std::string("_h") + sum;
        g_free(sum);
    }
    return out;
}

std::string WindowBusName(std::u16string_view name) {
    const std::string e = WindowElement(name);
    return e.empty() ? std::string() : kWindowNamePrefix + e;
}

std::string WindowObjectPath(std::u16string_view name) {
    const std::string e = WindowElement(name);
    return e.empty() ? std::string() : kWindowPathPrefix + e;
}

}  // namespace wq::ipc
