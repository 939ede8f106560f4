#include "trackinfo/ansi_text.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace wq::trackinfo {
namespace {

std::mutex g_codePageLock;
std::string g_codePage = kDefaultAnsiCodePage;

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

char16_t EscapedByte(unsigned char b) {
    return static_cast<char16_t>(0xDC00 + b);
}

// Appends the UTF-16LE bytes iconv produced as code units.
void AppendUtf16le(const char* data, size_t n, std::u16string* out) {
    for (size_t i = 0; i + 1 < n; i += 2) {
        out->push_back(static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                             (static_cast<unsigned char>(data[i + 1]) << 8)));
    }
}

}  // namespace

bool SetAnsiCodePage(const std::string& iconvName) {
    iconv_t cd = iconv_open("UTF-16LE", iconvName.c_str());
    if (cd == kNoConverter) return false;
    iconv_close(cd);
    std::lock_guard<std::mutex> lock(g_codePageLock);
    g_codePage = iconvName;
    return true;
}

std::string GetAnsiCodePage() {
    std::lock_guard<std::mutex> lock(g_codePageLock);
    return g_codePage;
}

AnsiDecoder::AnsiDecoder() : AnsiDecoder(GetAnsiCodePage()) {}

AnsiDecoder::AnsiDecoder(const std::string& iconvName)
    : m_cd(iconv_open("UTF-16LE", iconvName.c_str())) {}

AnsiDecoder::~AnsiDecoder() {
    if (static_cast<iconv_t>(m_cd) != kNoConverter) iconv_close(static_cast<iconv_t>(m_cd));
}

std::u16string AnsiDecoder::Decode(std::string_view bytes) {
    std::u16string out;
    auto cd = static_cast<iconv_t>(m_cd);
    if (cd == kNoConverter) {
        for (unsigned char b : bytes)
            out.push_back(b < 0x80 ? static_cast<char16_t>(b) : EscapedByte(b));
        return out;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // fresh shift state per field
    char buffer[256];
    size_t pos = 0;
    while (pos < bytes.size()) {
        char* in = const_cast<char*>(bytes.data() + pos);
        size_t inLeft = bytes.size() - pos;
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        AppendUtf16le(buffer, sizeof buffer - outLeft, &out);
        size_t consumed = static_cast<size_t>(in - (bytes.data() + pos));
        pos += consumed;
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG && consumed > 0) continue;
        // EILSEQ, EINVAL (a lead byte cut off by the field's end) or no progress:
        // keep the offending byte and resynchronise on the next one.
        unsigned char b = static_cast<unsigned char>(bytes[pos]);
        out.push_back(b < 0x80 ? static_cast<char16_t>(b) : EscapedByte(b));
        ++pos;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace wq::trackinfo
