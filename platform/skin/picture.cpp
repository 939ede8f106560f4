// Skin pictures over the image library's decoder and the drawing layer's
// surface blit.
#include "platform/skin/picture.h"

#include "platform/fs/fileapi.h"
#include "platform/gdi/gdi.h"
#include "platform/image/decode.h"

namespace wq::skin {

struct Picture::Impl {
    gdi::Surface surface;
};

Picture::Picture() = default;
Picture::~Picture() = default;

bool Picture::Load(const std::u16string& devicePath, std::string* why) {
    Release();
    m_path = devicePath;
    std::string error;
    if (devicePath.empty()) {
        error = "no file name";
    } else if (GetFileAttributesW(devicePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error = "file not found";
    } else if (GetFileAttributesW(devicePath.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
        error = "a folder, not a picture";
    } else {
        auto impl = std::make_unique<Impl>();
        if (image::LoadFile(devicePath, &impl->surface, &error) && impl->surface.width > 0 &&
            impl->surface.height > 0) {
            m_impl = std::move(impl);
            return true;
        }
        if (error.empty()) error = "the picture is empty";
    }
    if (why) *why = error;
    return false;
}

void Picture::Release() { m_impl.reset(); }

bool Picture::IsLoaded() const { return m_impl != nullptr; }

int Picture::Width() const { return m_impl ? m_impl->surface.width : 0; }

int Picture::Height() const { return m_impl ? m_impl->surface.height : 0; }

void Picture::Draw(HDC hdc, const RECT& dest, const RECT& src, bool keyed) const {
    if (!m_impl || !hdc) return;
    const std::uint32_t key = gdi::PixelFromColorref(kColourKey);
    gdi::DrawSurface(hdc, dest, m_impl->surface, src, keyed ? &key : nullptr);
}

void Picture::Draw(HDC hdc, int x, int y, bool keyed) const {
    if (!m_impl) return;
    const RECT src{0, 0, Width(), Height()};
    Draw(hdc, RECT{x, y, x + Width(), y + Height()}, src, keyed);
}

}  // namespace wq::skin
