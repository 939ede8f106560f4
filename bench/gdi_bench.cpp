// Drawing costs the player pays on every tick: a title line of text (drawn
// every 200 ms by several controls), a full-screen keyed blit, and decoding
// the background picture. Each has a reference measured in the same run:
// text against rasterising every glyph through FreeType on each call (what
// the glyph cache saves), the keyed blit against a plain copy of the same
// pixels, the decode against only reading the file.
// Run: build/<dir>/bench/gdi_bench (configure with -DWQ_BUILD_BENCH=ON)
#include <benchmark/benchmark.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/fs/root.h"
#include "platform/gdi/gdi.h"
#include "platform/image/decode.h"
#include "platform/image/ravimage.h"

namespace {

const std::u16string kTitle = u"Simon & Garfunkel - 험한 세상의 다리가 되어";

struct Window {
    Window(int w, int h) {
        surface.Resize(w, h);
        dc = wq::gdi::CreateSurfaceDC(&surface, POINT{}, RECT{0, 0, w, h});
    }
    ~Window() { wq::gdi::DeleteSurfaceDC(dc); }
    wq::gdi::Surface surface;
    HDC dc;
};

void BM_DrawTextCached(benchmark::State& state) {
    Window win(300, 20);
    HFONT font = CreateFont(15, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0x20, u"굴림");
    HGDIOBJ old = SelectObject(win.dc, font);
    SetBkMode(win.dc, TRANSPARENT);
    SetTextColor(win.dc, RGB(255, 255, 255));
    RECT rc{0, 0, 300, 20};
    for (auto _ : state) DrawText(win.dc, kTitle.c_str(), -1, &rc, DT_CENTER | DT_SINGLELINE);
    SelectObject(win.dc, old);
    DeleteObject(font);
}
BENCHMARK(BM_DrawTextCached);

std::string FontFile(const char* family) {
    FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult r;
    FcPattern* m = FcFontMatch(nullptr, p, &r);
    FcChar8* file = nullptr;
    std::string out;
    if (m && FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch)
        out = reinterpret_cast<const char*>(file);
    if (m) FcPatternDestroy(m);
    FcPatternDestroy(p);
    return out;
}

// Reference: the same glyphs rendered by FreeType on every call, nothing blended.
void BM_ReferenceRasteriseEveryCall(benchmark::State& state) {
    FT_Library lib;
    FT_Init_FreeType(&lib);
    FT_Face face;
    if (FT_New_Face(lib, FontFile("NanumGothic").c_str(), 0, &face) != 0) {
        state.SkipWithError("NanumGothic not installed");
        return;
    }
    FT_Set_Pixel_Sizes(face, 0, 13);
    for (auto _ : state)
        for (char16_t c : kTitle) {
            FT_Load_Char(face, c, FT_LOAD_RENDER);
            benchmark::DoNotOptimize(face->glyph->bitmap.buffer);
        }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
}
BENCHMARK(BM_ReferenceRasteriseEveryCall);

void BM_TransparentImageFullScreen(benchmark::State& state) {
    Window win(480, 234);
    HDC mem = CreateCompatibleDC(win.dc);
    HBITMAP bmp = CreateCompatibleBitmap(win.dc, 480, 234);
    HGDIOBJ old = SelectObject(mem, bmp);
    auto& px = wq::gdi::GetBitmapSurface(bmp)->pixels;
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = (i % 7 == 0) ? 0xFF00FF : static_cast<std::uint32_t>(i);
    for (auto _ : state)
        TransparentImage(win.dc, 0, 0, 480, 234, mem, 0, 0, 480, 234, RGB(255, 0, 255));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
}
BENCHMARK(BM_TransparentImageFullScreen);

// Reference: copying the same number of pixels with no key and no clipping.
void BM_ReferencePlainCopyFullScreen(benchmark::State& state) {
    std::vector<std::uint32_t> from(480 * 234, 7), to(480 * 234);
    for (auto _ : state) {
        std::copy(from.begin(), from.end(), to.begin());
        benchmark::DoNotOptimize(to.data());
    }
}
BENCHMARK(BM_ReferencePlainCopyFullScreen);

struct Background {
    Background() {
        root = (std::filesystem::temp_directory_path() / "wq_gdi_bench_root").string();
        std::filesystem::create_directories(root);
        wq::fs::SetRoot(root);
        std::string cmd =
            "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=s=480x234 -frames:v 1 " + root +
            "/audio_bg.jpg";
        ok = std::system(cmd.c_str()) == 0;
    }
    std::string root;
    bool ok = false;
};

void BM_LoadBackgroundJpeg(benchmark::State& state) {
    static Background bg;
    if (!bg.ok) {
        state.SkipWithError("ffmpeg could not make the test picture");
        return;
    }
    for (auto _ : state) {
        HRAVIMAGE h = ravimage_LoadImage(u"\\audio_bg.jpg", 0);
        benchmark::DoNotOptimize(h);
        ravimage_ReleaseImage(h);
    }
}
BENCHMARK(BM_LoadBackgroundJpeg);

// Reference: reading the same file through the device file calls, no decoding.
void BM_ReferenceReadFileOnly(benchmark::State& state) {
    static Background bg;
    for (auto _ : state) {
        auto bytes = wq::image::ReadDeviceFile(u"\\audio_bg.jpg", nullptr);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReferenceReadFileOnly);

}  // namespace

BENCHMARK_MAIN();
