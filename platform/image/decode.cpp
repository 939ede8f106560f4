// Reading picture files from the device and choosing the decoder by content.
#include "platform/image/decode.h"

#include <string>

#include "platform/fs/fileapi.h"
#include "platform/gdi/png.h"

namespace wq::image {

Format Sniff(const std::uint8_t* data, std::size_t size) {
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return Format::Bmp;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return Format::Jpeg;
    if (size >= 8 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G')
        return Format::Png;
    return Format::Unknown;
}

bool Decode(const std::uint8_t* data, std::size_t size, gdi::Surface* out, std::string* error) {
    switch (Sniff(data, size)) {
        case Format::Bmp:
            return DecodeBmp(data, size, out, error);
        case Format::Jpeg:
            return DecodeJpeg(data, size, out, error);
        case Format::Png:
            return gdi::DecodePng(data, size, out, kMaxSide, error);
        case Format::Unknown:
            break;
    }
    if (error) *error = size == 0 ? "empty file" : "not a BMP, JPEG or PNG picture";
    return false;
}

std::optional<std::vector<std::uint8_t>> ReadDeviceFile(std::u16string_view devicePath,
                                                        std::string* error) {
    auto fail = [&](const char* why) -> std::optional<std::vector<std::uint8_t>> {
        if (error) *error = why;
        return std::nullopt;
    };
    std::u16string path(devicePath);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return fail("cannot open the file (missing, not a regular file or unreadable)");
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if ((low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) || high != 0 ||
        low > kMaxFileBytes) {
        CloseHandle(file);
        return fail("file too large for a picture");
    }
    std::vector<std::uint8_t> bytes(low);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &got,
                      nullptr)) {
            CloseHandle(file);
            return fail("read error");
        }
        if (got == 0) break;  // the file shrank meanwhile: decode what is there
        filled += got;
    }
    CloseHandle(file);
    bytes.resize(filled);
    return bytes;
}

bool LoadFile(std::u16string_view devicePath, gdi::Surface* out, std::string* error) {
    auto bytes = ReadDeviceFile(devicePath, error);
    return bytes && Decode(bytes->data(), bytes->size(), out, error);
}

}  // namespace wq::image
