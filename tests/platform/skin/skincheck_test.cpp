// The skin checker: what it finds in templates of each window, and the
// command line with its exit codes and the rendered PNG.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/gdi/surface.h"
#include "platform/win/testing.h"
#include "skinfixture.h"
#include "tools/skincheck/check.h"
#include "tools/skincheck/requirements.h"

namespace {

using skincheck::Window;

// A template holding every control `window` needs, laid out on a grid of
// 20 x 12 cells with no overlaps.
std::string CompleteTemplate(Window window, const std::string& extra = "") {
    const skincheck::WindowNeeds* needs = skincheck::NeedsOf(window);
    std::string t = "wqskin 1\nface " + std::to_string(needs->face.cx) + " " +
                    std::to_string(needs->face.cy) + "\nbackground bg.bmp\n";
    int cell = 0;
    for (size_t i = 0; i < needs->count; ++i) {
        const skincheck::Need& n = needs->needs[i];
        for (UINT id = n.first; id <= n.last; ++id, ++cell) {
            const int x = (cell % 20) * 24, y = (cell / 20) * 16;
            const std::string rect = std::to_string(x) + " " + std::to_string(y) + " 20 12";
            switch (n.kind) {
                case wq::skin::ElementKind::Button:
                    t += "button " + std::to_string(id) + " " + rect;
                    break;
                case wq::skin::ElementKind::Slider:
                    t += "slider " + std::to_string(id) + " vertical " + rect;
                    break;
                case wq::skin::ElementKind::List:
                    t += "list " + std::to_string(id) + " " + rect;
                    break;
                case wq::skin::ElementKind::Custom:
                    t += "custom " + std::to_string(id) + " " + rect;
                    break;
            }
            t += "\n";
        }
    }
    return t + extra;
}

class SkinCheckTest : public ::testing::Test {
protected:
    void SetUp() override { root.Write("skin/bg.bmp", skintest::SolidBmp(480, 234, 0x303030)); }
    skincheck::Report Run(const std::string& file, const std::string& text, Window window) {
        root.Write("skin/" + file, text);
        CSkinManager skin(nullptr);
        return skincheck::Check(skin, u"\\skin\\" + std::u16string(file.begin(), file.end()),
                                window);
    }
    static std::string All(const skincheck::Report& r) {
        std::string s;
        for (const auto& f : r.findings) s += std::to_string(f.line) + ": " + f.message + "\n";
        return s;
    }
    wq::win::TestSession session;
    skintest::TempRoot root;
};

TEST_F(SkinCheckTest, CompleteTemplatesOfEveryWindowPass) {
    for (Window w : {Window::Player, Window::Equalizer, Window::Pattern}) {
        const skincheck::Report r = Run("w.tpl", CompleteTemplate(w), w);
        EXPECT_TRUE(r.loaded);
        EXPECT_TRUE(r.findings.empty()) << All(r);
    }
    root.Write("skin/tb.bmp", skintest::SolidBmp(65, 18, 0x101010));
    const skincheck::Report tb =
        Run("taskbar.TPL", "wqskin 1\nbackground tb.bmp\n", Window::Taskbar);
    EXPECT_TRUE(tb.findings.empty()) << All(tb);
}

TEST_F(SkinCheckTest, PlayerTemplateProblemsAreEachNamed) {
    std::string t = CompleteTemplate(Window::Player,
                                     "button 3000 470 200 20 20\n"  // out of the face
                                     "button 3001 300 200 40 20\n"
                                     "button 3002 320 210 40 20\n"  // overlaps 3001
                                     "custom 3003 300 200 40 20\n"  // an area on a button is fine
                                     "button 3004 0 0 10 10 normal=gone.bmp\n");
    // Take the list away and make the progress slider a button.
    t.replace(t.find("list 2008"), 4, "custom");
    t.replace(t.find("slider 2007 vertical"), 20, "button 2007");
    const skincheck::Report r =
        Run("WQAudio.TPL", t, skincheck::WindowFromPath(u"\\x\\wqaudio.tpl"));
    const std::string all = All(r);
    EXPECT_NE(all.find("id 2008 is a custom area; the player window needs a list"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("id 2007 is a button; the player window needs a slider"), std::string::npos)
        << all;
    EXPECT_NE(all.find("button 3000 lies (partly) outside the face"), std::string::npos) << all;
    EXPECT_NE(all.find("button 3002 overlaps button 3001"), std::string::npos) << all;
    EXPECT_EQ(all.find("3003"), std::string::npos) << all;
    EXPECT_NE(all.find("button 3004 overlaps button 2016"), std::string::npos)
        << all;  // on 2016's cell
    EXPECT_NE(all.find("gone.bmp"), std::string::npos) << all;

    // Every id the player looks up is required.
    const skincheck::Report empty =
        Run("WQAudio.TPL", "wqskin 1\nbackground bg.bmp\n", Window::Player);
    size_t missing = 0;
    for (const auto& f : empty.findings)
        missing += f.message.find("the template has none") != std::string::npos;
    EXPECT_EQ(missing, 13u + 2u + 1u + 6u) << All(empty);
}

TEST_F(SkinCheckTest, WindowIsKnownFromTheFileNameOrItsName) {
    EXPECT_EQ(skincheck::WindowFromPath(u"\\NAND Flash\\skin\\WQAudio\\WQAudio.TPL"),
              Window::Player);
    EXPECT_EQ(skincheck::WindowFromPath(u"\\NAND Flash\\skin\\WQAudio\\WQEqualizer.TPL"),
              Window::Equalizer);
    EXPECT_EQ(skincheck::WindowFromPath(u"\\NAND Flash\\skin\\WQAudio\\WQPattern.TPL"),
              Window::Pattern);
    EXPECT_EQ(skincheck::WindowFromPath(u"\\NAND Flash\\skin\\Common\\taskbar.TPL"),
              Window::Taskbar);
    EXPECT_EQ(skincheck::WindowFromPath(u"\\mine.tpl"), Window::Unknown);
    EXPECT_EQ(skincheck::WindowFromName("equalizer"), Window::Equalizer);
    EXPECT_EQ(skincheck::WindowFromName("nothing"), Window::Unknown);
    // Wrong face size for the window.
    const skincheck::Report r =
        Run("WQPattern.TPL", CompleteTemplate(Window::Pattern).replace(9, 12, "face 400 234"),
            Window::Pattern);
    EXPECT_NE(All(r).find("the face is 400x234; the pattern window is 480x234"), std::string::npos)
        << All(r);
}

TEST_F(SkinCheckTest, CommandLineExitCodesAndRender) {
    root.Write("skin/img/face.bmp", skintest::SolidBmp(20, 12, 0x00C000));
    std::string good = CompleteTemplate(Window::Pattern);
    good.replace(good.find("button 2047 0 0 20 12"), 21,
                 "button 2047 0 0 20 12 normal=img\\face.bmp");
    root.Write("skin/WQPattern.TPL", good);
    root.Write("skin/bad.tpl", "wqskin 1\nbackground bg.bmp\nbutton 1 0 0 -1 5\n");
    const std::string bin = SKINCHECK_PATH;
    const std::string png = root.path() + "/face.png";
    auto run = [&](const std::string& args) {
        const int status = std::system((bin + " " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("--root '" + root.path() + "' --render '" + png + "' '\\skin\\WQPattern.TPL'"),
              0);
    EXPECT_EQ(run("--root '" + root.path() + "' '\\skin\\bad.tpl'"), 1);
    EXPECT_EQ(run("--root '" + root.path() + "' '\\skin\\none.tpl'"), 1);
    EXPECT_EQ(run("'" + root.path() + "/skin/bad.tpl'"), 1) << "a host file works without --root";
    EXPECT_EQ(run("--window bogus '" + root.path() + "/skin/bad.tpl'"), 2);
    EXPECT_EQ(run(""), 2);

    wq::gdi::Surface s;
    std::string error;
    ASSERT_TRUE(wq::gdi::LoadPng(png, &s, &error)) << error;
    EXPECT_EQ(s.width, 480);
    EXPECT_EQ(s.height, 234);
    EXPECT_EQ(s.At(10, 6), 0x00C000u) << "the button face";
    EXPECT_EQ(s.At(300, 200), 0x303030u) << "the background";
}

}  // namespace
