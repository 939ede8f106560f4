#include "platform/ipc/names.h"

#include <glib.h>

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
    const std::string utf8 = Utf16ToUtf8(name);
    // Bytes escaped from invalid UTF-16 are not valid UTF-8; fold only ASCII then.
    std::string folded;
    if (g_utf8_validate(utf8.data(), static_cast<gssize>(utf8.size()), nullptr)) {
        gchar* f = g_utf8_casefold(utf8.data(), static_cast<gssize>(utf8.size()));
        folded = f;
        g_free(f);
    } else {
        gchar* f = g_ascii_strdown(utf8.data(), static_cast<gssize>(utf8.size()));
        folded.assign(f, utf8.size());
        g_free(f);
    }
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
