// The default skin under skin/: every picture the windows open by name
// resolves, decodes and has the size its drawing code relies on; faces of
// different states differ; the four templates load without a problem and draw
// the committed screenshots; and skin/ is what the generator draws. After a
// change to tools/skingen, run tools/skingen/regenerate.sh from the
// repository root (with skingen and skincheck built in build/art).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "platform/gdi/surface.h"
#include "platform/image/decode.h"
#include "platform/skin/template.h"
#include "tests/support/temp_root.h"
#include "tools/skincheck/check.h"

namespace {

namespace fs = std::filesystem;
using wq::gdi::Surface;

constexpr std::uint32_t kKey = 0xFF00FF;
const std::string kSource = WQ_SOURCE_DIR;

// A temporary device root holding a copy of skin/ as "NAND Flash/skin".
struct SkinRoot : wq::test::TempRoot {
    SkinRoot() {
        MakeDir("NAND Flash");
        fs::copy(kSource + "/skin", Host("NAND Flash/skin"), fs::copy_options::recursive);
    }
};

#define IMG u"\\NAND Flash\\skin\\WQAudio\\img\\"
#define COMMON u"\\NAND Flash\\SKIN\\Common\\img\\"
constexpr char16_t kPlayerTpl[] = u"\\NAND Flash\\skin\\WQAudio\\WQAudio.TPL";
constexpr char16_t kEqualizerTpl[] = u"\\NAND Flash\\skin\\WQAudio\\WQEqualizer.TPL";
constexpr char16_t kPatternTpl[] = u"\\NAND Flash\\skin\\WQAudio\\WQPattern.TPL";

enum class Key {
    Keyed,   // drawn with magenta transparent: needs both key and ink
    Opaque,  // drawn as it is: a magenta pixel would show as magenta
    Either,  // a face the skin draws keyed; shaped or square
};

// Against w x h, or against control `id` of `tpl` when a template is named.
enum class Rule {
    AtLeast,  // that size or larger (parts are cut from it)
    Exactly,  // a whole window, or a button's face
    AtMost,   // fits a fixed gap, or a custom area (drawn at its corner)
};

struct Need {
    Rule rule;
    int w, h;
    UINT id;
    const char16_t* tpl;
    Key key;
};

// Pictures the drawing code names alike and holds to one need. Button faces
// are named as given to SetSkinBitmap, relative to the template's folder;
// everything else by device path.
struct Files {
    Need need;
    std::vector<std::u16string> names;
};

const Files kFiles[] = {
    // Player window: background, the faces the program swaps, the presets.
    {{Rule::Exactly, 480, 234, 0, nullptr, Key::Opaque}, {IMG u"audio_bg.jpg"}},
    {{Rule::Exactly, 0, 0, 2002, kPlayerTpl, Key::Either},
     {u"\\IMG\\play_N_bt.bmp", u"\\IMG\\play_A_bt.bmp", u"\\IMG\\pause_N_bt.bmp",
      u"\\IMG\\pause_A_bt.bmp"}},
    {{Rule::Exactly, 0, 0, 2004, kPlayerTpl, Key::Either},
     {u"\\IMG\\random_N_bt.bmp", u"\\IMG\\random_A_bt.bmp", u"\\IMG\\turn_N_bt.bmp",
      u"\\IMG\\turn_A_bt.bmp"}},
    {{Rule::Exactly, 0, 0, 2005, kPlayerTpl, Key::Either},
     {u"\\IMG\\all_N_bt.bmp", u"\\IMG\\all_A_bt.bmp", u"\\IMG\\one_N_bt.bmp",
      u"\\IMG\\one_A_bt.bmp", u"\\IMG\\nonrep_N_bt.bmp", u"\\IMG\\nonrep_A_bt.bmp"}},
    {{Rule::AtMost, 0, 0, 3111, kPlayerTpl, Key::Opaque},
     {IMG u"EQ_NORMAL.BMP", IMG u"EQ_ROCK.BMP", IMG u"EQ_POP.BMP", IMG u"EQ_JAZZ.BMP",
      IMG u"EQ_CLASSIC.BMP", IMG u"EQ_DANCE.BMP", IMG u"EQ_HEAVY.BMP", IMG u"EQ_DISCO.BMP",
      IMG u"EQ_SOFT.BMP", IMG u"EQ_LIVE.BMP", IMG u"EQ_HALL.BMP"}},
    // Time display: digits are cut 5 x 6 from the strip and drawn at y = 2 in
    // a 10-pixel area; the colon sits in a 3-pixel gap, the slash in 7.
    {{Rule::AtLeast, 50, 6, 0, nullptr, Key::Keyed}, {IMG u"EQ_num.bmp"}},
    {{Rule::AtMost, 3, 8, 0, nullptr, Key::Keyed}, {IMG u"EQ_colon.bmp"}},
    {{Rule::AtMost, 7, 8, 0, nullptr, Key::Keyed}, {IMG u"EQ_slash.bmp"}},
    // Spectrum: BASIC cuts the top 40 rows, SYMMETRIC all 64; caps are 7 x 4.
    {{Rule::AtLeast, 7, 64, 0, nullptr, Key::Keyed}, {IMG u"EQ_bar.bmp"}},
    {{Rule::AtLeast, 7, 4, 0, nullptr, Key::Keyed}, {IMG u"EQ_Peak.bmp"}},
    // Equalizer window: four frequency pictures for each band area.
    {{Rule::Exactly, 480, 234, 0, nullptr, Key::Opaque}, {IMG u"EQ_setup_N.jpg"}},
    {{Rule::AtMost, 0, 0, 2201, kEqualizerTpl, Key::Opaque},
     {IMG u"80.bmp", IMG u"105.bmp", IMG u"135.bmp", IMG u"175.bmp"}},
    {{Rule::AtMost, 0, 0, 2202, kEqualizerTpl, Key::Opaque},
     {IMG u"230.bmp", IMG u"300.bmp", IMG u"385.bmp", IMG u"500.bmp"}},
    {{Rule::AtMost, 0, 0, 2203, kEqualizerTpl, Key::Opaque},
     {IMG u"650.bmp", IMG u"850.bmp", IMG u"1_1.bmp", IMG u"1_4.bmp"}},
    {{Rule::AtMost, 0, 0, 2204, kEqualizerTpl, Key::Opaque},
     {IMG u"1_8.bmp", IMG u"2_4.bmp", IMG u"3_2.bmp", IMG u"4_1.bmp"}},
    {{Rule::AtMost, 0, 0, 2205, kEqualizerTpl, Key::Opaque},
     {IMG u"5_3.bmp", IMG u"6_9.bmp", IMG u"9.bmp", IMG u"11_7.bmp"}},
    // The wide toggles of bands 2 to 4 share their faces and their size.
    {{Rule::Exactly, 0, 0, 2034, kEqualizerTpl, Key::Either},
     {u"\\img\\EQcekon_A_bt.bmp", u"\\img\\EQceknon_N_bt.bmp"}},
    // Pattern window.
    {{Rule::Exactly, 0, 0, 2051, kPatternTpl, Key::Either},
     {u"\\img\\basic_A_bg.JPG", u"\\img\\basic_N_bg.JPG"}},
    {{Rule::Exactly, 0, 0, 2052, kPatternTpl, Key::Either},
     {u"\\img\\symmetric_A_bg.JPG", u"\\img\\symmetric_N_bg.JPG"}},
    {{Rule::Exactly, 0, 0, 2053, kPatternTpl, Key::Either},
     {u"\\img\\wave_A_bg.JPG", u"\\img\\wave_N_bg.JPG"}},
    // Status strip: icons at (0, 0) end before the volume digits at x 30.
    {{Rule::AtMost, 30, 18, 0, nullptr, Key::Keyed},
     {COMMON u"spk_N_bt.bmp",      COMMON u"spk_A_bt.bmp",     COMMON u"spk_MN_bt.bmp",
      COMMON u"spk_MA_bt.bmp",     COMMON u"fmt_N_bt.bmp",     COMMON u"fmt_A_bt.bmp",
      COMMON u"fmt_MN_bt.bmp",     COMMON u"fmt_MA_bt.bmp",    COMMON u"fmtspk_N_bt.bmp",
      COMMON u"fmtspk_A_bt.bmp",   COMMON u"fmtspk_MN_bt.bmp", COMMON u"fmtspk_MA_bt.bmp",
      COMMON u"head_N_bt.bmp",     COMMON u"head_A_bt.bmp",    COMMON u"head_MN_bt.bmp",
      COMMON u"head_MA_bt.bmp",    COMMON u"headfmt_N_bt.bmp", COMMON u"headfmt_A_bt.bmp",
      COMMON u"headfmt_MN_bt.bmp", COMMON u"headfmt_MA_bt.bmp"}},
    {{Rule::AtLeast, 70, 12, 0, nullptr, Key::Keyed}, {COMMON u"timedatenum.bmp"}},
};

std::string Show(const std::u16string& s) {
    return wq::Utf16ToUtf8(s);
}

// Each group's pictures also differ from one another: a state's face that
// looked like another's would hide the state.
TEST(DefaultSkin, EveryNamedPictureResolvesDecodesHasItsSizeAndDiffersFromItsGroup) {
    SkinRoot root;
    std::map<std::u16string, wq::skin::SkinTemplate> templates;
    for (const char16_t* tpl : {kPlayerTpl, kEqualizerTpl, kPatternTpl}) {
        CSkinManager skin(nullptr);
        ASSERT_TRUE(skin.Load(tpl)) << Show(tpl);
        templates[tpl] = skin.GetTemplate();
    }
    for (const Files& files : kFiles) {
        const Need& need = files.need;
        const wq::skin::ElementSpec* e = need.tpl ? templates[need.tpl].Find(need.id) : nullptr;
        ASSERT_EQ(e == nullptr, need.tpl == nullptr) << "no control " << need.id;
        const int w = e ? int(e->rect.right - e->rect.left) : need.w;
        const int h = e ? int(e->rect.bottom - e->rect.top) : need.h;
        std::map<std::vector<std::uint32_t>, std::u16string> group;
        for (const std::u16string& name : files.names) {
            const std::u16string path =
                need.tpl && need.rule == Rule::Exactly
                    ? wq::skin::ResolveSkinPath(wq::skin::FolderOf(need.tpl), name)
                    : name;
            SCOPED_TRACE(Show(path));
            Surface s;
            std::string error;
            EXPECT_TRUE(wq::image::LoadFile(path, &s, &error)) << error;
            if (s.width == 0) continue;
            const int order = need.rule == Rule::AtLeast ? 1 : need.rule == Rule::AtMost ? -1 : 0;
            for (int side : {s.width - w, s.height - h})
                EXPECT_TRUE(order ? side * order >= 0 : side == 0)
                    << s.width << "x" << s.height << " against " << w << "x" << h;
            const auto keyed = std::count(s.pixels.begin(), s.pixels.end(), kKey);
            EXPECT_LT(size_t(keyed), s.pixels.size()) << "wholly transparent";
            EXPECT_TRUE(need.key == Key::Either || (keyed > 0) == (need.key == Key::Keyed))
                << "keyed pictures need magenta, opaque ones must have none";
            const auto [alike, fresh] = group.emplace(s.pixels, name);
            EXPECT_TRUE(fresh) << "looks like " << Show(alike->second);
        }
    }
}

struct Face {
    skincheck::Window window;
    const char16_t* tpl;
    const char* screenshot;  // under docs/screenshots
};

TEST(DefaultSkin, TemplatesLoadWithoutProblemAndDrawTheCommittedScreenshots) {
    SkinRoot root;
    const Face faces[] = {
        {skincheck::Window::Player, kPlayerTpl, "skin-player.png"},
        {skincheck::Window::Equalizer, kEqualizerTpl, "skin-equalizer.png"},
        {skincheck::Window::Pattern, kPatternTpl, "skin-pattern.png"},
        {skincheck::Window::Taskbar, u"\\NAND Flash\\skin\\Common\\taskbar.TPL",
         "skin-taskbar.png"},
    };
    for (const Face& f : faces) {
        SCOPED_TRACE(f.screenshot);
        CSkinManager skin(nullptr);
        const skincheck::Report report = skincheck::Check(skin, f.tpl, f.window);
        ASSERT_TRUE(report.loaded);
        for (const skincheck::Finding& finding : report.findings)
            ADD_FAILURE() << "line " << finding.line << ": " << finding.message;
        // Failing runs leave the drawn face beside the test binary.
        const std::string actualPath = fs::current_path().string() + "/actual-" + f.screenshot;
        const std::string expectedPath = kSource + "/docs/screenshots/" + f.screenshot;
        std::string error;
        ASSERT_TRUE(skincheck::Render(skin, actualPath, false, &error)) << error;
        Surface actual, expected;
        ASSERT_TRUE(wq::gdi::LoadPng(actualPath, &actual, &error)) << error;
        ASSERT_TRUE(wq::gdi::LoadPng(expectedPath, &expected, &error)) << error;
        ASSERT_EQ(actual.width, expected.width);
        ASSERT_EQ(actual.height, expected.height);
        // A channel may differ by 6 (JPEG decoders round differently) in all
        // but 0.2 % of the pixels.
        size_t bad = 0;
        for (size_t i = 0; i < actual.pixels.size(); ++i) {
            for (int shift : {0, 8, 16}) {
                const int a = int(actual.pixels[i] >> shift & 0xFF);
                const int e = int(expected.pixels[i] >> shift & 0xFF);
                if (std::abs(a - e) > 6) {
                    ++bad;
                    break;
                }
            }
        }
        if (double(bad) > 0.002 * double(actual.pixels.size()))
            ADD_FAILURE() << bad << " pixels differ from " << expectedPath
                          << "; drawn: " << actualPath
                          << "; if the change is meant, regenerate as the top of this file says";
        else
            fs::remove(actualPath);
    }
}

std::map<std::string, std::string> ReadTree(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), dir).string()] = wq::test::ReadFile(entry.path());
    return files;
}

TEST(DefaultSkin, CommittedSkinIsWhatTheGeneratorDraws) {
    wq::test::TempRoot root;
    const std::string out = root.Host("generated");
    ASSERT_TRUE(wq::test::Shell(std::string("'") + SKINGEN_PATH + "' '" + out + "'"));
    const auto generated = ReadTree(out);
    const auto committed = ReadTree(kSource + "/skin");
    ASSERT_FALSE(generated.empty());
    for (const auto& [name, bytes] : generated) {
        auto it = committed.find(name);
        if (it == committed.end())
            ADD_FAILURE() << "skin/" << name << " is drawn by skingen but not committed";
        else if (it->second != bytes)
            ADD_FAILURE() << "skin/" << name << " differs from what skingen draws now";
    }
    for (const auto& [name, bytes] : committed)
        if (!generated.count(name)) ADD_FAILURE() << "skin/" << name << " is no longer drawn";
}

}  // namespace
