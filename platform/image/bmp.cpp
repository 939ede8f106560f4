// BMP pictures through SDL2's loader, after our own header check: SDL would
// allocate whatever the header claims, so the sizes are validated first.
#include <SDL.h>

#include <cstring>
#include <memory>

#include "platform/image/decode.h"

namespace wq::image {
namespace {

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Compression codes of the info header.
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

// The header check. Returns nullptr when acceptable, else the reason.
const char* CheckHeader(const std::uint8_t* d, std::size_t size) {
    if (size < 14 + 12) return "file too short for a BMP header";
    std::uint32_t offBits = U32(d + 10);
    std::uint32_t infoSize = U32(d + 14);
    long long width = 0, height = 0;
    unsigned planes = 0, bpp = 0;
    std::uint32_t compression = kRgb, colours = 0;
    std::size_t entry = 4;
    if (infoSize == 12) {
        width = U16(d + 18);
        height = U16(d + 20);
        planes = U16(d + 22);
        bpp = U16(d + 24);
        entry = 3;
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 ||
               infoSize == 108 || infoSize == 124) {
        if (size < 14 + static_cast<std::size_t>(infoSize))
            return "file ends inside the BMP header";
        width = static_cast<std::int32_t>(U32(d + 18));
        height = static_cast<std::int32_t>(U32(d + 22));
        planes = U16(d + 26);
        bpp = U16(d + 28);
        compression = U32(d + 30);
        colours = U32(d + 46);
    } else {
        return "unknown BMP header size";
    }
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0) return "BMP without pixels";
    if (width > kMaxSide || height > kMaxSide) return "BMP larger than 8192 pixels on a side";
    if (planes != 1) return "BMP with more than one plane";
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return "unsupported BMP bit depth";
    if (bpp <= 8) {
        std::uint32_t most = 1u << bpp;
        if (colours > most) return "BMP palette larger than its bit depth allows";
        std::size_t paletteBytes = static_cast<std::size_t>(colours ? colours : most) * entry;
        if (14 + static_cast<std::size_t>(infoSize) + paletteBytes > size)
            return "file ends inside the BMP palette";
    }
    if (offBits < 14 + infoSize || offBits >= size) return "BMP pixel data outside the file";
    if (compression == kRgb || compression == kBitfields || compression == kAlphaBitfields) {
        if (compression != kRgb && bpp != 16 && bpp != 32)
            return "BMP bit fields need 16 or 32 bits";
        std::size_t stride = ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
        if (stride * static_cast<std::size_t>(height) > size - offBits)
            return "BMP claims more pixels than the file holds";
    } else if (!((compression == kRle8 && bpp == 8) || (compression == kRle4 && bpp == 4))) {
        return "unsupported BMP compression";
    }
    return nullptr;
}

struct SurfaceFree {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};

}  // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, gdi::Surface* out, std::string* error) {
    if (const char* why = CheckHeader(data, size)) {
        if (error) *error = why;
        return false;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    std::unique_ptr<SDL_Surface, SurfaceFree> loaded(rw ? SDL_LoadBMP_RW(rw, 1) : nullptr);
    if (!loaded) {
        if (error) *error = std::string("BMP decoder: ") + SDL_GetError();
        return false;
    }
    std::unique_ptr<SDL_Surface, SurfaceFree> rgb(
        SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGB888, 0));
    if (!rgb || SDL_LockSurface(rgb.get()) != 0) {
        if (error) *error = std::string("BMP conversion: ") + SDL_GetError();
        return false;
    }
    gdi::Surface s;
    s.Resize(rgb->w, rgb->h);
    for (int y = 0; y < rgb->h; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(rgb->pixels) +
                                                   static_cast<std::ptrdiff_t>(y) * rgb->pitch);
        for (int x = 0; x < rgb->w; ++x)
            s.pixels[static_cast<size_t>(y) * static_cast<size_t>(s.width) +
                     static_cast<size_t>(x)] = row[x] & 0xFFFFFF;
    }
    SDL_UnlockSurface(rgb.get());
    *out = std::move(s);
    return true;
}

}  // namespace wq::image
