// The skin checker: what it finds in templates of each window, and the
// command line with its exit codes and the rendered PNG.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/gdi/surface.h"
#include "tests/support/skinfixture.h"
#include "tools/skincheck/check.h"
#include "tools/skincheck/requirements.h"

namespace {

using skincheck::Window;

// A template holding every control `window` needs, on a grid of 20 x 12 cells.
std::string CompleteTemplate(Window window, const std::string& extra = "") {
    const skincheck::WindowNeeds* needs = skincheck::NeedsOf(window);
    std::string t = "wqskin 1\nface " + std::to_string(needs->face.cx) + " " +
                    std::to_string(needs->face.cy) + "\nbackground bg.bmp\n";
    int cell = 0;
    for (size_t i = 0; i < needs->count; ++i) {
        const skincheck::Need& n = needs->needs[i];
        for (UINT id = n.first; id <= n.last; ++id, ++cell) {
            t += std::string(wq::skin::KindName(n.kind)) + " " + std::to_string(id) +
                 (n.kind == wq::skin::ElementKind::Slider ? " vertical " : " ") +
                 std::to_string((cell % 20) * 24) + " " + std::to_string((cell / 20) * 16) +
                 " 20 12\n";
        }
    }
    return t + extra;
}

class SkinCheckTest : public ::testing::Test {
protected:
    void SetUp() override { root.Write("skin/bg.bmp", skintest::SolidBmp(480, 234, 0x303030)); }
    // Every finding of checking `text` saved as `file`, one "line: message" per line.
    std::string Check(const std::string& file, const std::string& text, Window window) {
        root.Write("skin/" + file, text);
        CSkinManager skin(nullptr);
        const skincheck::Report r =
            skincheck::Check(skin, u"\\skin\\" + std::u16string(file.begin(), file.end()), window);
        EXPECT_TRUE(r.loaded) << file;
        std::string s;
        for (const auto& f : r.findings) s += std::to_string(f.line) + ": " + f.message + "\n";
        return s;
    }
    wq::win::TestSession session;
    skintest::TempRoot root;
};

TEST_F(SkinCheckTest, PlayerTemplateProblemsAreEachNamed) {
    std::string t = CompleteTemplate(Window::Player,
                                     "button 3000 470 200 20 20\n"  // out of the face
                                     "button 3001 300 200 40 20\n"
                                     "button 3002 320 210 40 20\n"  // overlaps 3001
                                     "custom 3003 300 200 40 20\n"  // an area on a button is fine
                                     "button 3004 0 0 10 10 normal=gone.bmp\n");  // on 2016's cell
    // Take the list away and make the progress slider a button.
    t.replace(t.find("list 2008"), 4, "custom");
    t.replace(t.find("slider 2007 vertical"), 20, "button 2007");
    const std::string all = Check("WQAudio.TPL", t, skincheck::WindowFromPath(u"\\x\\wqaudio.tpl"));
    for (const char* part :
         {"custom 2008: the player window needs list 2008",
          "button 2007: the player window needs slider 2007",
          "button 3000 lies (partly) outside the face", "button 3002 overlaps button 3001",
          "button 3004 overlaps button 2016", "gone.bmp",
          "2103 is smaller than the 179x100 pixels the player window draws into it"})
        EXPECT_NE(all.find(part), std::string::npos) << part << " in\n" << all;
    EXPECT_EQ(all.find("3003"), std::string::npos) << all;
}

TEST_F(SkinCheckTest, OverlapsAcrossDistantCellsAndLargeTemplatesInLinearTime) {
    // A control spanning the face overlaps a small one far from its corner;
    // two that stick out of the face overlap out there; touching edges do not.
    const std::string far = Check("far.tpl",
                                  "wqskin 1\nface 4000 4000\nbackground bg.bmp\n"
                                  "button 1 3000 3000 30 30\n"
                                  "button 2 0 0 4000 4000\n"
                                  "button 3 3990 10 50 50\n"
                                  "button 4 4020 40 10 10\n"
                                  "button 5 3030 3000 30 30\n",
                                  Window::Unknown);
    for (const char* part : {"button 2 overlaps button 1", "button 3 overlaps button 2",
                             "button 4 overlaps button 3", "button 5 overlaps button 2"})
        EXPECT_NE(far.find(part), std::string::npos) << part << " in\n" << far;
    EXPECT_EQ(far.find("button 5 overlaps button 1"), std::string::npos) << far;
    EXPECT_EQ(far.find("button 4 overlaps button 2"), std::string::npos) << far;

    // 40,000 controls side by side: each is compared with its neighbours
    // only (comparing every pair took minutes of processor time here).
    std::string big = "wqskin 1\nface 4096 4096\nbackground bg.bmp\n";
    for (int i = 0; i < 40000; ++i)
        big += "button " + std::to_string(i + 1) + " " + std::to_string(i % 400 * 10) + " " +
               std::to_string(i / 400 * 10) + " 9 9\n";
    root.Write("skin/big.tpl", big);
    std::clock_t start = std::clock();
    {
        CSkinManager skin(nullptr);
        ASSERT_TRUE(skin.Load(u"\\skin\\big.tpl"));
    }
    const std::clock_t load = std::clock() - start;
    start = std::clock();
    EXPECT_EQ(Check("big.tpl", big, Window::Unknown), "") << "no overlaps";
    const std::clock_t check = std::clock() - start;
    EXPECT_LT(check, 3 * load + CLOCKS_PER_SEC / 2)
        << "processor time: the check " << check << ", the skin library's load " << load;
}

TEST_F(SkinCheckTest, CommandLineExitCodesAndRender) {
    root.Write("skin/WQPattern.TPL", CompleteTemplate(Window::Pattern));
    root.Write("skin/bad.tpl", "wqskin 1\nbackground bg.bmp\nbutton 1 0 0 -1 5\n");
    const std::string png = root.Path() + "/face.png", in = "--root '" + root.Path() + "' ";
    auto run = [&](const std::string& args) {
        const int status =
            std::system((std::string(SKINCHECK_PATH) + " " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run(in + "--render '" + png + "' '\\skin\\WQPattern.TPL'"), 0);
    EXPECT_EQ(run(in + "'\\skin\\bad.tpl'"), 1);
    EXPECT_EQ(run(in + "'\\skin\\none.tpl'"), 1);
    EXPECT_EQ(run("--window bogus '" + root.Path() + "/skin/bad.tpl'"), 2);

    wq::gdi::Surface s;
    std::string error;
    ASSERT_TRUE(wq::gdi::LoadPng(png, &s, &error)) << error;
    EXPECT_EQ(s.width, 480);
    EXPECT_EQ(s.At(300, 200), 0x303030u) << "the background";
}

}  // namespace
