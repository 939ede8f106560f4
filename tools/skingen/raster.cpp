// Raster conversion and the BMP and JPEG writers. See raster.h.
#include "tools/skingen/raster.h"

#include <jpeglib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace skingen {

namespace {

// Coverage below this (of 255) counts as background when no picture lies
// under the art.
constexpr uint32_t kKeyThreshold = 102;

uint32_t Pack(uint32_t r, uint32_t g, uint32_t b) {
    return (r << 16) | (g << 8) | b;
}

uint32_t OffKey(uint32_t c) {
    return c == kMagenta ? 0xFE00FE : c;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

}  // namespace

Raster Raster::Crop(int x, int y, int w, int h) const {
    Raster out(w, h);
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const int sx = x + i, sy = y + j;
            if (sx >= 0 && sy >= 0 && sx < width && sy < height) out.at(i, j) = at(sx, sy);
        }
    }
    return out;
}

Raster FromSurface(cairo_surface_t* surface, const Raster* under) {
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const bool alpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    const uint8_t* data = cairo_image_surface_get_data(surface);
    Raster out(w, h);
    for (int y = 0; y < h; ++y) {
        const uint32_t* row =
            reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const uint32_t p = row[x];
            const uint32_t a = alpha ? p >> 24 : 255;
            // Cairo stores premultiplied colour.
            const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (a == 0 || (!under && a < kKeyThreshold)) {
                out.at(x, y) = kMagenta;
            } else if (under) {
                const uint32_t u = under->at(x, y);
                const uint32_t inv = 255 - a;
                out.at(x, y) = OffKey(Pack(r + (((u >> 16) & 0xFF) * inv + 127) / 255,
                                           g + (((u >> 8) & 0xFF) * inv + 127) / 255,
                                           b + ((u & 0xFF) * inv + 127) / 255));
            } else {
                out.at(x, y) = OffKey(Pack(r * 255 / a, g * 255 / a, b * 255 / a));
            }
        }
    }
    return out;
}

Raster Opaque(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    Raster out(w, h);
    for (int y = 0; y < h; ++y) {
        const uint32_t* row =
            reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) out.at(x, y) = row[x] & 0xFFFFFF;
    }
    return out;
}

cairo_surface_t* ToSurface(const Raster& r) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, r.width, r.height);
    cairo_surface_flush(s);
    uint8_t* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < r.height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < r.width; ++x) row[x] = 0xFF000000u | r.at(x, y);
    }
    cairo_surface_mark_dirty(s);
    return s;
}

bool WriteBmp(const std::string& path, const Raster& r, std::string* error) {
    const uint32_t rowBytes = (static_cast<uint32_t>(r.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(r.height);
    std::vector<uint8_t> b;
    b.reserve(54 + imageBytes);
    b.push_back('B');
    b.push_back('M');
    Put32(b, 54 + imageBytes);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);  // BITMAPINFOHEADER
    Put32(b, static_cast<uint32_t>(r.width));
    Put32(b, static_cast<uint32_t>(r.height));  // positive: bottom-up
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);  // BI_RGB
    Put32(b, imageBytes);
    Put32(b, 2835);  // 72 dpi
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = r.height - 1; y >= 0; --y) {
        for (int x = 0; x < r.width; ++x) {
            const uint32_t c = r.at(x, y);
            b.push_back(static_cast<uint8_t>(c));
            b.push_back(static_cast<uint8_t>(c >> 8));
            b.push_back(static_cast<uint8_t>(c >> 16));
        }
        for (uint32_t pad = static_cast<uint32_t>(r.width) * 3; pad < rowBytes; ++pad)
            b.push_back(0);
    }
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f || std::fwrite(b.data(), 1, b.size(), f.get()) != b.size()) {
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool WriteJpeg(const std::string& path, const Raster& r, int quality, std::string* error) {
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f.get());
    c.image_width = static_cast<JDIMENSION>(r.width);
    c.image_height = static_cast<JDIMENSION>(r.height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    for (int i = 0; i < c.num_components; ++i) {
        c.comp_info[i].h_samp_factor = 1;
        c.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(r.width) * 3);
    for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) {
            const uint32_t p = r.at(x, y);
            row[static_cast<size_t>(x) * 3] = static_cast<uint8_t>(p >> 16);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>(p >> 8);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>(p);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    if (std::ferror(f.get())) {
        if (error) *error = path + ": write failed";
        return false;
    }
    return true;
}

}  // namespace skingen
