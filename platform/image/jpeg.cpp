// JPEG pictures through libjpeg-turbo. libjpeg reports fatal errors by
// longjmp back into Decompress; no object with a destructor lives in that
// frame, and the caller owns every buffer, so an error frees everything.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>

#include "platform/image/decode.h"

namespace wq::image {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Compressed data that ends before the picture does (the file ends, or a
// marker comes in the middle of a scan) is decoded by libjpeg as grey, row
// after row, for as many rows as the header claims: treat it as the failure it
// is, at once. Other warnings (stray bytes between markers) are harmless.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0 &&
        (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER))
        OnError(cinfo);
}

// libjpeg's own working memory. A progressive or multi-scan picture keeps
// every coefficient of the whole picture (about 2 bytes a pixel for colour),
// allocated from the header's size before any scan is read; beyond this the
// picture is refused (libjpeg then reports it has no backing store) instead
// of taking hundreds of megabytes. Baseline pictures need a few rows only.
constexpr long kMaxDecoderMemory = 64L << 20;

// Huffman-coded scan data spends at least one bit on each 8x8 block of the
// first component: a header claiming more blocks than eight per byte of the
// file describes data the file cannot hold. (Arithmetic coding can go below a
// bit a block; it is bounded by the premature-end check above.)
bool HoldsTheBlocks(const jpeg_decompress_struct& cinfo, std::size_t size) {
    if (cinfo.arith_code) return true;
    const std::uint64_t blocks = ((std::uint64_t{cinfo.image_width} + 7) / 8) *
                                 ((std::uint64_t{cinfo.image_height} + 7) / 8);
    return blocks <= std::uint64_t{size} * 8;
}

// Rows go straight into `pixels` once the size is known and accepted.
bool Decompress(jpeg_decompress_struct* cinfo, ErrorManager* err, const std::uint8_t* data,
                std::size_t size, gdi::Surface* out) {
    if (setjmp(err->jump)) return false;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    cinfo->mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->image_width == 0 || cinfo->image_height == 0 ||
        cinfo->image_width > static_cast<unsigned>(kMaxSide) ||
        cinfo->image_height > static_cast<unsigned>(kMaxSide)) {
        std::snprintf(err->message, sizeof err->message, "JPEG of %ux%u pixels refused",
                      cinfo->image_width, cinfo->image_height);
        return false;
    }
    if (!HoldsTheBlocks(*cinfo, size)) {
        std::snprintf(err->message, sizeof err->message,
                      "JPEG of %ux%u pixels claims more data than the file holds",
                      cinfo->image_width, cinfo->image_height);
        return false;
    }
    // B, G, R, X bytes: one little-endian 0x00RRGGBB word per pixel after masking.
    cinfo->out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(cinfo);
    out->Resize(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height));
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            &out->pixels[static_cast<size_t>(cinfo->output_scanline) * cinfo->output_width]);
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, gdi::Surface* out, std::string* error) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::strcpy(err.message, "malformed JPEG");
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.emit_message = OnMessage;
    jpeg_create_decompress(&cinfo);
    gdi::Surface decoded;
    bool ok = Decompress(&cinfo, &err, data, size, &decoded);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        if (error) *error = err.message;
        return false;
    }
    for (auto& p : decoded.pixels) p &= 0xFFFFFF;
    *out = std::move(decoded);
    return true;
}

}  // namespace wq::image
