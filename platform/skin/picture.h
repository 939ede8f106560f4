// A skin picture: a BMP, JPEG or PNG file of the device, decoded once and
// drawn opaquely, with the magenta colour key, or in part. Shared between the
// skin manager and its controls (a list draws the background under itself).
//
// Guarantees: a picture that could not be loaded (missing file, a folder
// named like a picture, truncated or oversized data) reports why through
// Load's result and draws nothing; it never throws.
// Thread: the GUI thread.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/base/wintypes.h"

namespace wq::gdi {
struct Surface;
}

namespace wq::skin {

// Decoded pictures by device path, shared by the pictures of one skin: a face
// used by many buttons is decoded once and held once.
using PictureCache = std::map<std::u16string, std::shared_ptr<const gdi::Surface>>;

// The transparent colour of every skin picture drawn with the colour key.
constexpr COLORREF kColourKey = 0xFF00FF;

// How a picture meets what lies under it.
enum class Blend {
    Opaque,  // every pixel is copied
    Keyed,   // magenta (kColourKey) pixels leave the target alone
};

class Picture {
public:
    Picture();
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Decodes the device file, or takes it from `cache` when given and it
    // holds that path (a successful decode is added to it); false (with a
    // sentence in *why) when it cannot be read or decoded. A failed load
    // leaves no picture.
    bool Load(const std::u16string& devicePath, std::string* why = nullptr,
              PictureCache* cache = nullptr);
    void Release();
    bool IsLoaded() const;
    int Width() const;
    int Height() const;
    const std::u16string& Path() const { return m_path; }

    // Draws the source rectangle src of the picture onto dest (scaled when the
    // sizes differ).
    void Draw(HDC hdc, const RECT& dest, const RECT& src, Blend blend) const;
    // The whole picture at (x, y), unscaled.
    void Draw(HDC hdc, int x, int y, Blend blend) const;

private:
    std::shared_ptr<const gdi::Surface> m_surface;
    std::u16string m_path;
};

}  // namespace wq::skin
