// The image library's handle table over decoded surfaces.
#include "platform/image/ravimage.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/gdi/gdi.h"
#include "platform/image/decode.h"

namespace {

struct Table {
    std::mutex lock;
    std::map<HRAVIMAGE, std::shared_ptr<const wq::gdi::Surface>> images;
    HRAVIMAGE next = 1;
};

// Never destroyed: image objects that are static or owned by the application
// object still release their pictures during program exit.
Table& Images() {
    static auto* table = new Table;
    return *table;
}

std::shared_ptr<const wq::gdi::Surface> Find(HRAVIMAGE image) {
    Table& t = Images();
    std::lock_guard lock(t.lock);
    auto it = t.images.find(image);
    return it == t.images.end() ? nullptr : it->second;
}

}  // namespace

BOOL ravimage_InitialImageLibrary() {
    return TRUE;
}

BOOL ravimage_UnInitializeImageLibrary() {
    Table& t = Images();
    std::lock_guard lock(t.lock);
    t.images.clear();
    return TRUE;
}

HRAVIMAGE ravimage_LoadImage(LPCWSTR path, DWORD /*flags*/) {
    if (!path) return 0;
    auto surface = std::make_shared<wq::gdi::Surface>();
    if (!wq::image::LoadFile(path, surface.get())) return 0;
    Table& t = Images();
    std::lock_guard lock(t.lock);
    HRAVIMAGE handle = t.next++;
    t.images.emplace(handle, std::move(surface));
    return handle;
}

BOOL ravimage_GetImageSize(HRAVIMAGE image, int* width, int* height) {
    auto s = Find(image);
    if (!s) return FALSE;
    if (width) *width = s->width;
    if (height) *height = s->height;
    return TRUE;
}

BOOL ravimage_DrawImage(HRAVIMAGE image, HDC hdc, RECT dest) {
    // The shared pointer keeps the pixels alive should another thread release
    // the handle while this draw runs.
    auto s = Find(image);
    if (!s) return FALSE;
    RECT src{0, 0, s->width, s->height};
    return wq::gdi::DrawSurface(hdc, dest, *s, src) ? TRUE : FALSE;
}

BOOL ravimage_ReleaseImage(HRAVIMAGE image) {
    Table& t = Images();
    std::lock_guard lock(t.lock);
    return t.images.erase(image) ? TRUE : FALSE;
}
