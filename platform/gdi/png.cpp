// PNG files for screenshots, test goldens and skin pictures, through libpng.
// libpng reports errors by longjmp; no C++ object with a destructor lives
// across the setjmp frames below, so nothing leaks or skips a destructor.
#include "platform/gdi/png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace wq::gdi {
namespace {

struct MemoryReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > r->size - r->pos) png_error(png, "file ends inside the picture");
    std::memcpy(out, r->data + r->pos, count);
    r->pos += count;
}

void ErrorToJump(png_structp png, png_const_charp message) {
    auto* text = static_cast<char*>(png_get_error_ptr(png));
    std::snprintf(text, 200, "%s", message);
    png_longjmp(png, 1);
}
void IgnoreWarning(png_structp, png_const_charp) {}

void SetError(std::string* error, const char* text) {
    if (error) *error = text;
}

// The decoding proper; pixel rows go straight into out->pixels. Everything
// with a destructor lives in the caller, so an error's longjmp skips none.
bool Decode(png_structp png, png_infop info, MemoryReader* reader, Surface* out,
            std::vector<png_bytep>* rows, int maxSide, char* message) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, reader, ReadFromMemory);
    png_set_user_limits(png, static_cast<png_uint_32>(maxSide), static_cast<png_uint_32>(maxSide));
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, nullptr, nullptr, nullptr);
    if (w == 0 || h == 0 || w > static_cast<png_uint_32>(maxSide) ||
        h > static_cast<png_uint_32>(maxSide)) {
        std::snprintf(message, 200, "picture of %ux%u pixels refused", w, h);
        return false;
    }
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (depth == 16) png_set_scale_16(png);  // rounds, where stripping would truncate
    png_set_strip_alpha(png);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);  // B, G, R, 0: one little-endian 0x00RRGGBB word
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(w) * 4) {
        std::snprintf(message, 200, "unexpected row layout");
        return false;
    }
    out->Resize(static_cast<int>(w), static_cast<int>(h));
    rows->resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        (*rows)[y] = reinterpret_cast<png_bytep>(&out->pixels[static_cast<size_t>(y) * w]);
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, Surface* out, int maxSide,
               std::string* error) {
    if (!out || !data || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        SetError(error, "not a PNG file");
        return false;
    }
    char message[200] = "malformed PNG";
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, message, ErrorToJump, IgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        if (png) png_destroy_read_struct(&png, nullptr, nullptr);
        SetError(error, "out of memory");
        return false;
    }
    MemoryReader reader{data, size, 0};
    Surface decoded;
    std::vector<png_bytep> rows;  // owned here: a longjmp must not skip its destructor
    bool ok = Decode(png, info, &reader, &decoded, &rows, maxSide, message);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        SetError(error, message);
        return false;
    }
    for (auto& p : decoded.pixels) p &= 0xFFFFFF;
    *out = std::move(decoded);
    return true;
}

bool LoadPng(const std::string& path, Surface* out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        SetError(error, ("cannot open " + path).c_str());
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    return DecodePng(bytes.data(), bytes.size(), out, 1 << 15, error);
}

namespace {
bool Encode(png_structp png, png_infop info, FILE* file, const Surface& s, const RECT& part) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    auto w = static_cast<png_uint_32>(part.right - part.left),
         h = static_cast<png_uint_32>(part.bottom - part.top);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (png_uint_32 y = 0; y < h; ++y) {
        const std::uint32_t* row = &s.pixels[static_cast<size_t>(part.top + static_cast<LONG>(y)) *
                                                 static_cast<size_t>(s.width) +
                                             static_cast<size_t>(part.left)];
        png_write_row(png, reinterpret_cast<png_const_bytep>(row));
    }
    png_write_end(png, nullptr);
    return true;
}
}  // namespace

bool SavePng(const Surface& surface, const std::string& path, std::string* error,
             const RECT* part) {
    RECT r{0, 0, surface.width, surface.height};
    if (part) {
        r = RECT{std::max(part->left, 0), std::max(part->top, 0), std::min(part->right, r.right),
                 std::min(part->bottom, r.bottom)};
    }
    if (r.right <= r.left || r.bottom <= r.top) {
        SetError(error, "nothing to save: the picture is empty");
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        SetError(error, ("cannot write " + path + ": " + std::strerror(errno)).c_str());
        return false;
    }
    char message[200] = "PNG encoder failed";
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, message, ErrorToJump, IgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = info && Encode(png, info, file, surface, r);
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) SetError(error, ("cannot write " + path + ": " + message).c_str());
    return ok;
}

}  // namespace wq::gdi
