// The picture decoders behind the skin's bitmaps (BMP through our header
// check and SDL2, JPEG through libjpeg-turbo, PNG through libpng), chosen by
// content as a picture file is loaded. A picture is either refused with a
// reason or decoded into a surface of the size it claims, at most 8192
// pixels a side, with every pixel 0x00RRGGBB.
#include <cstdint>
#include <string>

#include "platform/image/decode.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    wq::gdi::Surface picture;
    std::string error;
    if (!wq::image::Decode(data, size, &picture, &error)) {
        WQ_FUZZ_CHECK(!error.empty());
        WQ_FUZZ_CHECK(picture.width == 0 && picture.pixels.empty());
        return 0;
    }
    WQ_FUZZ_CHECK(picture.width >= 1 && picture.width <= wq::image::kMaxSide);
    WQ_FUZZ_CHECK(picture.height >= 1 && picture.height <= wq::image::kMaxSide);
    WQ_FUZZ_CHECK(picture.pixels.size() == static_cast<std::size_t>(picture.width) *
                                               static_cast<std::size_t>(picture.height));
    for (std::uint32_t pixel : picture.pixels) WQ_FUZZ_CHECK((pixel & 0xFF000000u) == 0);
    return 0;
}
