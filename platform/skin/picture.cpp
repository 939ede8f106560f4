// Skin pictures over the image library's decoder and the drawing layer's
// surface blit.
#include "platform/skin/picture.h"

#include "platform/fs/fileapi.h"
#include "platform/gdi/gdi.h"
#include "platform/image/decode.h"

namespace wq::skin {

Picture::Picture() = default;
Picture::~Picture() = default;

bool Picture::Load(const std::u16string& devicePath, std::string* why, PictureCache* cache) {
    Release();
    m_path = devicePath;
    if (cache) {
        auto hit = cache->find(devicePath);
        if (hit != cache->end()) {
            m_surface = hit->second;
            return true;
        }
    }
    std::string error;
    if (devicePath.empty()) {
        error = "no file name";
    } else if (GetFileAttributesW(devicePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error = "file not found";
    } else if (GetFileAttributesW(devicePath.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
        error = "a folder, not a picture";
    } else {
        auto surface = std::make_shared<gdi::Surface>();
        if (image::LoadFile(devicePath, surface.get(), &error) && surface->width > 0 &&
            surface->height > 0) {
            m_surface = std::move(surface);
            if (cache) (*cache)[devicePath] = m_surface;
            return true;
        }
        if (error.empty()) error = "the picture is empty";
    }
    if (why) *why = error;
    return false;
}

void Picture::Release() {
    m_surface.reset();
}

bool Picture::IsLoaded() const {
    return m_surface != nullptr;
}

int Picture::Width() const {
    return m_surface ? m_surface->width : 0;
}

int Picture::Height() const {
    return m_surface ? m_surface->height : 0;
}

void Picture::Draw(HDC hdc, const RECT& dest, const RECT& src, Blend blend) const {
    if (!m_surface || !hdc) return;
    const std::uint32_t key = gdi::PixelFromColorref(kColourKey);
    gdi::DrawSurface(hdc, dest, *m_surface, src, blend == Blend::Keyed ? &key : nullptr);
}

void Picture::Draw(HDC hdc, int x, int y, Blend blend) const {
    if (!m_surface) return;
    const RECT src{0, 0, Width(), Height()};
    Draw(hdc, RECT{x, y, x + Width(), y + Height()}, src, blend);
}

}  // namespace wq::skin
