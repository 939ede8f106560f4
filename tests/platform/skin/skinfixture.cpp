#include "skinfixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/fs/root.h"
#include "platform/gdi/gdi.h"
#include "platform/win/presenter.h"

namespace skintest {

namespace fs = std::filesystem;

TempRoot::TempRoot() {
    std::string tmpl = (fs::temp_directory_path() / "wqskin-XXXXXX").string();
    EXPECT_NE(mkdtemp(tmpl.data()), nullptr);
    m_path = tmpl;
    std::string error;
    EXPECT_TRUE(wq::fs::SetRoot(m_path, &error)) << error;
}

TempRoot::~TempRoot() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

void TempRoot::Write(const std::string& rel, const std::string& bytes) const {
    const fs::path p = fs::path(m_path) / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

void TempRoot::MakeDir(const std::string& rel) const { fs::create_directories(fs::path(m_path) / rel); }

namespace {
// The 54 header bytes of a 24-bit BMP with `dataBytes` of pixel rows.
std::string BmpHeaders(int w, int h, std::uint32_t dataBytes) {
    std::string s = "BM";
    auto put = [&s](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    for (std::uint32_t v : {54 + dataBytes, 0u, 54u, 40u, std::uint32_t(w), std::uint32_t(h)}) put(v, 4);
    put(1, 2);
    put(24, 2);
    for (std::uint32_t v : {0u, dataBytes, 2835u, 2835u, 0u, 0u}) put(v, 4);
    return s;
}
std::uint32_t Stride(int w) { return std::uint32_t(w * 3 + 3) & ~3u; }
}  // namespace

std::string Bmp(int w, int h, const std::function<std::uint32_t(int, int)>& pixel) {
    std::string s = BmpHeaders(w, h, Stride(w) * std::uint32_t(h));
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixel(x, y);
            row += {char(p & 0xFF), char((p >> 8) & 0xFF), char((p >> 16) & 0xFF)};
        }
        row.resize(Stride(w), '\0');
        s += row;
    }
    return s;
}

std::string SolidBmp(int w, int h, std::uint32_t rgb) {
    return Bmp(w, h, [rgb](int, int) { return rgb; });
}

std::string BmpHeaderOnly(int w, int h) { return BmpHeaders(w, h, Stride(w) * std::uint32_t(h)) + "abcdefgh"; }

std::string FfmpegJpeg(const TempRoot& root, int w, int h, const char* colour) {
    const std::string out = root.path() + "/ffmpeg-made.jpg";
    const std::string cmd = "ffmpeg -v error -y -f lavfi -i color=" + std::string(colour) + ":s=" +
                            std::to_string(w) + "x" + std::to_string(h) + " -frames:v 1 '" + out +
                            "' </dev/null";
    if (std::system(cmd.c_str()) != 0) return {};
    std::ifstream in(out, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(out);
    return bytes;
}

BOOL OwnerWnd::CreateOwner(int w, int h) {
    return Create(u"SkinTestOwner", u"Owner", WS_POPUP | WS_VISIBLE, RECT{0, 0, w, h}, nullptr, 0);
}

LRESULT OwnerWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(&ps);
            if (skin) skin->Draw(dc, nullptr);
            EndPaint(&ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
            if (skin) skin->OnLButtonDown(CPoint(lParam));
            return 0;
        case WM_LBUTTONUP:
            if (skin) skin->OnLButtonUp(CPoint(lParam));
            return 0;
        case WM_MOUSEMOVE:
            if (skin) skin->OnMouseMove(CPoint(lParam));
            return 0;
        case WM_COMMAND:
            commands.push_back({LOWORD(wParam), HIWORD(wParam)});
            if (onCommand) onCommand(Command(commands.back()));
            return 0;
        default:
            return CWnd::WindowProc(msg, wParam, lParam);
    }
}

std::uint32_t Pixel(const OwnerWnd& owner, int x, int y) {
    const wq::gdi::Surface* s = wq::win::GetWindowSurface(owner.m_hWnd);
    if (!s || x < 0 || y < 0 || x >= s->width || y >= s->height) return 0xDEADBEEF;
    return s->At(x, y);
}

void Pen(const OwnerWnd& owner, UINT msg, int x, int y) {
    wq::win::QueueMouseInput(owner.m_hWnd, msg, POINT{x, y});
    wq::win::PumpPending();
}

void Tap(const OwnerWnd& owner, int x, int y) {
    Pen(owner, WM_LBUTTONDOWN, x, y);
    Pen(owner, WM_LBUTTONUP, x, y);
}

}  // namespace skintest
