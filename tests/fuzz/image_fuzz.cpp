// The picture decoders (BMP, JPEG, PNG, chosen by content): refused with a
// reason, or a surface of its claimed size, at most 8192 a side, 0x00RRGGBB.
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
