// 8-bit tag text in the device's ANSI code page, decoded to the program's
// UTF-16 strings through glibc iconv. The code page is process-wide
// (Korean CP949 unless changed) and may be changed from any thread.
#pragma once

#include <string>
#include <string_view>

namespace wq::trackinfo {

inline constexpr const char* kDefaultAnsiCodePage = "CP949";

// Selects the code page by its iconv name ("CP949", "CP1252", "EUC-KR", ...).
// Returns false and keeps the current one when iconv does not know the name.
bool SetAnsiCodePage(const std::string& iconvName);
std::string GetAnsiCodePage();

// Decodes a field's bytes (no terminator handling: the caller cuts the field).
// Bytes that do not form a character of the code page are kept losslessly
// as the lone surrogates U+DC80..U+DCFF, the same escape the platform uses for
// file names that are not UTF-8; ASCII bytes always decode as themselves.
// One decoder holds one iconv descriptor: create it per batch of fields, not
// per character. Not shareable between threads.
class AnsiDecoder {
public:
    AnsiDecoder();  // uses the current process-wide code page
    explicit AnsiDecoder(const std::string& iconvName);
    ~AnsiDecoder();
    AnsiDecoder(const AnsiDecoder&) = delete;
    AnsiDecoder& operator=(const AnsiDecoder&) = delete;

    std::u16string Decode(std::string_view bytes);

private:
    void* m_cd;  // iconv_t, or (iconv_t)-1 when the code page is unavailable
};

}  // namespace wq::trackinfo
