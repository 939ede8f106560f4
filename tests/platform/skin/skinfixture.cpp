#include "skinfixture.h"

#include <cstdio>
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
    char* made = mkdtemp(tmpl.data());
    EXPECT_NE(made, nullptr);
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

void TempRoot::MakeDir(const std::string& rel) const {
    fs::create_directories(fs::path(m_path) / rel);
}

namespace {
void Put16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
std::string BmpHeaders(int w, int h, std::uint32_t dataBytes) {
    std::string s = "BM";
    Put32(s, 54 + dataBytes);
    Put32(s, 0);
    Put32(s, 54);
    Put32(s, 40);
    Put32(s, static_cast<std::uint32_t>(w));
    Put32(s, static_cast<std::uint32_t>(h));
    Put16(s, 1);
    Put16(s, 24);
    Put32(s, 0);
    Put32(s, dataBytes);
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, 0);
    Put32(s, 0);
    return s;
}
}  // namespace

std::string Bmp(int w, int h, const std::function<std::uint32_t(int, int)>& pixel) {
    const int stride = (w * 3 + 3) & ~3;
    std::string s = BmpHeaders(w, h, static_cast<std::uint32_t>(stride * h));
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixel(x, y);
            row.push_back(static_cast<char>(p & 0xFF));
            row.push_back(static_cast<char>((p >> 8) & 0xFF));
            row.push_back(static_cast<char>((p >> 16) & 0xFF));
        }
        row.resize(static_cast<size_t>(stride), '\0');
        s += row;
    }
    return s;
}

std::string SolidBmp(int w, int h, std::uint32_t rgb) {
    return Bmp(w, h, [rgb](int, int) { return rgb; });
}

std::string BmpHeaderOnly(int w, int h) {
    const int stride = (w * 3 + 3) & ~3;
    return BmpHeaders(w, h, static_cast<std::uint32_t>(stride) * static_cast<std::uint32_t>(h)) +
           "abcdefgh";
}

std::string FfmpegJpeg(const TempRoot& root, int w, int h, const char* colour) {
    const std::string out = root.path() + "/ffmpeg-made.jpg";
    const std::string cmd = "ffmpeg -v error -y -f lavfi -i color=" + std::string(colour) +
                            ":s=" + std::to_string(w) + "x" + std::to_string(h) + " -frames:v 1 '" +
                            out + "' </dev/null";
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
        case WM_COMMAND: {
            const Command c{LOWORD(wParam), HIWORD(wParam)};
            commands.push_back(c);
            if (onCommand) onCommand(c);
            return 0;
        }
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
