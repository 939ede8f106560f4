// BMP pictures: the Windows and OS/2 headers, 1 to 32 bits per pixel,
// palettes, bit fields and RLE4/RLE8. The header is checked first, so nothing
// is allocated for sizes the file cannot hold; a pixel never reads or writes
// outside the file or the picture.
#include <bit>
#include <cstring>
#include <vector>

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

// The header fields the decoder needs; CheckHeader has validated them.
struct Header {
    std::uint32_t offBits = 0, infoSize = 0, compression = kRgb, colours = 0;
    int width = 0, height = 0;
    bool topDown = false;
    unsigned bpp = 0;
};

Header ReadHeader(const std::uint8_t* d) {
    Header h;
    h.offBits = U32(d + 10);
    h.infoSize = U32(d + 14);
    long long height = 0;
    if (h.infoSize == 12) {
        h.width = U16(d + 18);
        height = U16(d + 20);
        h.bpp = U16(d + 24);
    } else {
        h.width = static_cast<std::int32_t>(U32(d + 18));
        height = static_cast<std::int32_t>(U32(d + 22));
        h.bpp = U16(d + 28);
        h.compression = U32(d + 30);
        h.colours = U32(d + 46);
    }
    h.topDown = height < 0;
    h.height = static_cast<int>(height < 0 ? -height : height);
    return h;
}

// One colour channel of a bit-field pixel, widened to 8 bits with rounding.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    std::uint32_t Of(std::uint32_t pixel) const {
        if (!max) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint32_t>((v * 255 + max / 2) / max);
    }
};

struct Fields {
    Channel r, g, b;
    std::uint32_t Colour(std::uint32_t pixel) const {
        return r.Of(pixel) << 16 | g.Of(pixel) << 8 | b.Of(pixel);
    }
};

// The bit fields of a 16- or 32-bit picture: from the header (or right after a
// 40-byte one) when it says so, else 5-5-5 or 8-8-8.
Fields FieldsOf(const std::uint8_t* d, std::size_t size, const Header& h) {
    if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
        // CheckHeader keeps offBits past the header; the masks of a 40-byte
        // header lie between the two, and must be inside the file too.
        if (14 + 40 + 12 <=
            std::min<std::size_t>(size, h.infoSize > 40 ? 14 + h.infoSize : h.offBits))
            return {Channel(U32(d + 54)), Channel(U32(d + 58)), Channel(U32(d + 62))};
        return {Channel(0), Channel(0), Channel(0)};
    }
    if (h.bpp == 16) return {Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
    return {Channel(0xFF0000), Channel(0x00FF00), Channel(0x0000FF)};
}

// The palette of a picture of 8 bits or fewer, as 0x00RRGGBB.
std::vector<std::uint32_t> PaletteOf(const std::uint8_t* d, const Header& h) {
    const std::size_t entry = h.infoSize == 12 ? 3 : 4;
    const std::size_t count = h.colours ? h.colours : std::size_t{1} << h.bpp;
    std::vector<std::uint32_t> palette(count);
    const std::uint8_t* p = d + 14 + h.infoSize;
    for (std::size_t i = 0; i < count; ++i, p += entry)
        palette[i] =
            static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
    return palette;
}

std::uint32_t& At(gdi::Surface& s, int x, int y) {
    return s.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width) +
                    static_cast<std::size_t>(x)];
}

// Uncompressed rows and bit fields.
const char* DecodeRows(const std::uint8_t* d, std::size_t size, const Header& h, gdi::Surface& s) {
    const std::size_t stride = ((static_cast<std::size_t>(h.width) * h.bpp + 31) / 32) * 4;
    const std::vector<std::uint32_t> palette =
        h.bpp <= 8 ? PaletteOf(d, h) : std::vector<std::uint32_t>{};
    const Fields fields = FieldsOf(d, size, h);
    for (int row = 0; row < h.height; ++row) {
        const std::uint8_t* line = d + h.offBits + static_cast<std::size_t>(row) * stride;
        const int y = h.topDown ? row : h.height - 1 - row;
        for (int x = 0; x < h.width; ++x) {
            const auto ux = static_cast<std::size_t>(x);
            std::uint32_t colour = 0;
            switch (h.bpp) {
                case 1:
                case 4:
                case 8: {
                    const std::size_t bit = ux * h.bpp;
                    const unsigned index =
                        (line[bit / 8] >> (8 - h.bpp - bit % 8)) & ((1u << h.bpp) - 1);
                    if (index >= palette.size()) return "BMP pixel outside its palette";
                    colour = palette[index];
                    break;
                }
                case 16:
                    colour = fields.Colour(U16(line + 2 * ux));
                    break;
                case 24:
                    colour = static_cast<std::uint32_t>(line[3 * ux + 2]) << 16 |
                             static_cast<std::uint32_t>(line[3 * ux + 1]) << 8 | line[3 * ux];
                    break;
                default:
                    colour = fields.Colour(U32(line + 4 * ux));
                    break;
            }
            At(s, x, y) = colour;
        }
    }
    return nullptr;
}

// RLE8 and RLE4: runs of one index (two alternating ones for RLE4), literal
// runs, end of line, a jump, end of picture. Pixels the data never reaches
// keep the first palette colour; data past a row's end or the picture's is
// dropped, and data that ends without its end marker keeps what it drew.
const char* DecodeRle(const std::uint8_t* d, std::size_t size, const Header& h, gdi::Surface& s) {
    if (h.topDown) return "top-down BMP with RLE compression";
    const std::vector<std::uint32_t> palette = PaletteOf(d, h);
    std::fill(s.pixels.begin(), s.pixels.end(), palette.empty() ? 0 : palette[0]);
    const bool four = h.compression == kRle4;
    long long x = 0, row = 0;
    auto put = [&](unsigned index) -> const char* {
        if (index >= palette.size()) return "BMP pixel outside its palette";
        if (x < h.width && row < h.height)
            At(s, static_cast<int>(x), h.height - 1 - static_cast<int>(row)) = palette[index];
        ++x;
        return nullptr;
    };
    std::size_t i = h.offBits;
    while (i + 2 <= size && row < h.height) {
        const unsigned count = d[i], value = d[i + 1];
        i += 2;
        if (count > 0) {  // a run
            for (unsigned k = 0; k < count; ++k) {
                const unsigned index = four ? (k % 2 ? value & 15 : value >> 4) : value;
                if (const char* why = put(index)) return why;
            }
        } else if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of picture
            break;
        } else if (value == 2) {  // jump right and up
            if (i + 2 > size) break;
            x += d[i];
            row += d[i + 1];
            i += 2;
        } else {  // `value` literal indices, padded to a whole 16-bit word
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (i + bytes > size) break;
            for (unsigned k = 0; k < value; ++k) {
                const unsigned index =
                    four ? (k % 2 ? d[i + k / 2] & 15 : d[i + k / 2] >> 4) : d[i + k];
                if (const char* why = put(index)) return why;
            }
            i += bytes + bytes % 2;
        }
    }
    return nullptr;
}

}  // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, gdi::Surface* out, std::string* error) {
    const char* why = CheckHeader(data, size);
    if (!why) {
        const Header h = ReadHeader(data);
        gdi::Surface s;
        s.Resize(h.width, h.height);
        why = h.compression == kRle8 || h.compression == kRle4 ? DecodeRle(data, size, h, s)
                                                               : DecodeRows(data, size, h, s);
        if (!why) {
            *out = std::move(s);
            return true;
        }
    }
    if (error) *error = why;
    return false;
}

}  // namespace wq::image
