// Cost of CExplorer::LoadExplorer beside the least any sorted listing of the
// same folder costs, measured in the same run: opendir/readdir, the names
// converted and kept when their extension is MP3 or WMA (folders always), and
// sorted in natural order. Between them the platform find calls: the full
// records (one stat per entry) and the names-only walk the explorer uses. Folders: 10,000 files in
// one folder, and 100 folders of 100 files each (the parent listed, and one of its folders).
//
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DWQ_BUILD_BENCH=ON -DWQ_BUILD_TESTS=OFF
//   cmake --build build/bench -j2 --target explorer_bench
//   build/bench/bench/explorer_bench
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/explorer.h"
#include "platform/base/utf.h"
#include "platform/fs/fileapi.h"
#include "platform/fs/names.h"
#include "platform/fs/root.h"
#include "platform/gdi/surface.h"
#include "platform/skin/skinmanager.h"

namespace {

namespace fs = std::filesystem;

struct World {
    std::string root;
    std::unique_ptr<CSkinManager> skin;
    CExplorer explorer;

    World() {
        std::string tmpl = (fs::temp_directory_path() / "wqexplorer-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        root = tmpl;
        fs::create_directories(root + "/Flat");
        for (int i = 0; i < 10000; ++i)
            std::ofstream(root + "/Flat/track " + std::to_string(i) + ".mp3");
        for (int d = 0; d < 100; ++d) {
            const std::string dir = root + "/Tree/album " + std::to_string(d);
            fs::create_directories(dir);
            for (int f = 0; f < 100; ++f)
                std::ofstream(dir + "/song " + std::to_string(f) + ".mp3");
        }
        fs::create_directories(root + "/skin/img");
        std::ofstream(root + "/skin/t.tpl") << "wqskin 1\nface 240 120\nbackground img\\bg.png\n"
                                               "list 2008 10 20 200 95 rowheight=19\n"
                                               "slider 2010 vertical 220 20 10 95\n";
        wq::gdi::Surface bg;
        bg.Resize(240, 120);
        if (!wq::gdi::SavePng(bg, root + "/skin/img/bg.png") || !wq::fs::SetRoot(root))
            std::abort();
        skin = std::make_unique<CSkinManager>(nullptr);
        if (!skin->Load(u"\\skin\\t.tpl")) std::abort();
        explorer.SetListBox(skin->GetList(2008));
        explorer.SetScrollSlider(skin->GetSlider(2010));
    }
    ~World() { fs::remove_all(root); }
};

World& TheWorld() {
    static World world;
    return world;
}

// The folders of the two arguments: 0 the flat folder, 1 the tree's parent,
// 2 one folder of the tree.
const char* kHost[] = {"/Flat", "/Tree", "/Tree/album 57"};
const char16_t* kDevice[] = {u"\\Flat", u"\\Tree", u"\\Tree\\album 57"};

void BM_ReferenceReaddir(benchmark::State& state) {
    const std::string dir = TheWorld().root + kHost[state.range(0)];
    for (auto _ : state) {
        int n = 0;
        DIR* d = opendir(dir.c_str());
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ReferenceReaddir)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The table's reference: readdir, the extension filter and the natural sort.
void BM_ReferenceReaddirFilterSort(benchmark::State& state) {
    const std::string dir = TheWorld().root + kHost[state.range(0)];
    for (auto _ : state) {
        std::vector<std::u16string> names;
        DIR* d = opendir(dir.c_str());
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.') continue;
            std::u16string name = wq::Utf8ToUtf16(e->d_name);
            const size_t dot = name.rfind(u'.');
            const std::u16string ext = dot == std::u16string::npos ? u"" : name.substr(dot + 1);
            if (e->d_type == DT_DIR || ext == u"mp3" || ext == u"MP3" || ext == u"wma")
                names.push_back(std::move(name));
        }
        closedir(d);
        std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
            return wq::fs::NaturalCompare(a, b) < 0;
        });
        benchmark::DoNotOptimize(names.data());
    }
}
BENCHMARK(BM_ReferenceReaddirFilterSort)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// Arg 1: the full records (FindFirstFileW); arg 0 names only (FindFirstFileNamesW).
void BM_FindFirstNext(benchmark::State& state) {
    TheWorld();
    const std::u16string pattern = std::u16string(kDevice[state.range(0)]) + u"\\*.*";
    const bool full = state.range(1) != 0;
    for (auto _ : state) {
        int n = 0;
        WIN32_FIND_DATAW fd;
        HANDLE h =
            full ? FindFirstFileW(pattern.c_str(), &fd) : FindFirstFileNamesW(pattern.c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do ++n;
            while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_FindFirstNext)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond);

void BM_LoadExplorer(benchmark::State& state) {
    World& w = TheWorld();
    const CString path(kDevice[state.range(0)]);
    for (auto _ : state) benchmark::DoNotOptimize(w.explorer.LoadExplorer(path, u""));
    state.counters["rows"] = w.explorer.GetItemCount();
}
BENCHMARK(BM_LoadExplorer)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
