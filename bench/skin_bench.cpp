// Cost of painting a skinned face with the skin library, beside a reference
// measured in the same run: one plain block copy of a whole 480 x 234 face
// (what any paint costs at least). Also the repaint of one pressed button
// (Draw limited to its rectangle) and loading a template with its pictures.
//
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DWQ_BUILD_BENCH=ON -DWQ_BUILD_TESTS=OFF
//   cmake --build build/bench -j2 --target skin_bench
//   build/bench/bench/skin_bench
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fs/root.h"
#include "platform/gdi/gdi.h"
#include "platform/skin/skinmanager.h"

namespace {

namespace fs = std::filesystem;

void Put(std::string& s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A 24-bit BMP with a magenta frame around a gradient.
std::string Picture(int w, int h) {
    const int stride = (w * 3 + 3) & ~3;
    std::string s = "BM";
    Put(s, static_cast<std::uint32_t>(54 + stride * h), 4);
    Put(s, 0, 4);
    Put(s, 54, 4);
    Put(s, 40, 4);
    Put(s, static_cast<std::uint32_t>(w), 4);
    Put(s, static_cast<std::uint32_t>(h), 4);
    Put(s, 1, 2);
    Put(s, 24, 2);
    for (int i = 0; i < 6; ++i) Put(s, 0, 4);
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const bool frame = x < 2 || y < 2 || x >= w - 2 || y >= h - 2;
            Put(row,
                frame ? 0xFF00FFu : static_cast<std::uint32_t>((x * 255 / w) << 8 | (y * 255 / h)),
                3);
        }
        row.resize(static_cast<size_t>(stride), '\0');
        s += row;
    }
    return s;
}

// A device root with a player-like skin: 480 x 234 background, 16 buttons
// with two faces, two sliders, a list and custom areas.
struct World {
    std::string root;
    World() {
        std::string tmpl = (fs::temp_directory_path() / "wqskinbench-XXXXXX").string();
        root = mkdtemp(tmpl.data());
        fs::create_directories(root + "/skin/img");
        auto write = [&](const std::string& rel, const std::string& bytes) {
            std::ofstream(root + "/skin/" + rel, std::ios::binary) << bytes;
        };
        write("img/bg.bmp", Picture(480, 234));
        write("img/n.bmp", Picture(40, 30));
        write("img/p.bmp", Picture(40, 30));
        write("img/thumb.bmp", Picture(12, 12));
        std::string t = "wqskin 1\nface 480 234\nbackground img\\bg.bmp\n";
        for (int i = 0; i < 16; ++i) {
            t += "button " + std::to_string(2000 + i) + " " + std::to_string(10 + (i % 8) * 50) +
                 " " + std::to_string(60 + (i / 8) * 36) +
                 " 40 30 normal=img\\n.bmp pressed=img\\p.bmp\n";
        }
        t += "slider 2100 horizontal 0 133 447 12 thumb=img\\thumb.bmp\n";
        t += "slider 2101 vertical 356 160 19 60 thumb=img\\thumb.bmp\n";
        t += "list 2102 60 166 204 57 rowheight=19\n";
        t += "custom 2103 270 10 200 40\n";
        write("test.tpl", t);
        wq::fs::SetRoot(root);
    }
    ~World() { fs::remove_all(root); }
};

World& TheWorld() {
    static World w;
    return w;
}

struct Target {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(480, 234, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(bmp));
    ~Target() {
        SelectObject(dc, old);
        DeleteObject(reinterpret_cast<HGDIOBJ>(bmp));
        DeleteDC(dc);
    }
};

void BM_ReferenceFaceBlit(benchmark::State& state) {
    Target from, to;
    for (auto _ : state) {
        BitBlt(to.dc, 0, 0, 480, 234, from.dc, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReferenceFaceBlit);

void BM_SkinDrawWholeFace(benchmark::State& state) {
    TheWorld();
    CSkinManager skin(nullptr);
    if (!skin.Load(u"\\skin\\test.tpl")) state.SkipWithError("template did not load");
    CSkinListBox* list = skin.GetList(2102);
    for (const char16_t* r : {u"[..]", u"[앨범]", u"01 봄날.mp3", u"02 Yesterday.mp3"})
        list->AddString(r);
    list->SetCurSel(2);
    Target to;
    for (auto _ : state) {
        skin.Draw(to.dc, nullptr);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SkinDrawWholeFace);

void BM_SkinDrawOneButton(benchmark::State& state) {
    TheWorld();
    CSkinManager skin(nullptr);
    if (!skin.Load(u"\\skin\\test.tpl")) state.SkipWithError("template did not load");
    const CRect r = skin.GetButton(2003)->GetRect();
    Target to;
    for (auto _ : state) {
        skin.Draw(to.dc, &r);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SkinDrawOneButton);

void BM_SkinLoadTemplate(benchmark::State& state) {
    TheWorld();
    for (auto _ : state) {
        CSkinManager skin(nullptr);
        benchmark::DoNotOptimize(skin.Load(u"\\skin\\test.tpl"));
    }
}
BENCHMARK(BM_SkinLoadTemplate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
