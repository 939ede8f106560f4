// Every picture the windows open by name, walked from one table: it must
// resolve under the default skin, decode, and have the size its drawing code
// relies on. Then the properties of the few pictures that are cut into parts
// (digit strips, spectrum bar) and of faces that must tell states apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "deviceroot.h"
#include "platform/base/utf.h"
#include "platform/image/decode.h"
#include "platform/skin/skinmanager.h"
#include "platform/skin/template.h"

namespace {

using wq::gdi::Surface;

constexpr std::uint32_t kKey = 0xFF00FF;

constexpr char16_t kPlayerDir[] = u"\\NAND Flash\\skin\\WQAudio";
constexpr char16_t kPlayerTpl[] = u"\\NAND Flash\\skin\\WQAudio\\WQAudio.TPL";
constexpr char16_t kEqualizerTpl[] = u"\\NAND Flash\\skin\\WQAudio\\WQEqualizer.TPL";
constexpr char16_t kPatternTpl[] = u"\\NAND Flash\\skin\\WQAudio\\WQPattern.TPL";

enum class Key {
    Keyed,   // drawn with magenta transparent: needs both key and ink
    Opaque,  // drawn as it is: a magenta pixel would show as magenta
    Either,  // a face the skin draws keyed; shaped or square
};

enum class Rule {
    AtLeast,     // w x h or larger (parts are cut from it)
    Exactly,     // w x h (a whole window)
    AtMost,      // fits w x h (drawn into a fixed gap)
    ButtonFace,  // the size of button `id` in `tpl`
    InArea,      // fits custom area `id` in `tpl`, drawn at its corner
};

struct SkinFile {
    const char16_t* name;    // as the drawing code names it
    const char16_t* folder;  // skin folder for skin-relative names; nullptr for device paths
    Rule rule;
    int w, h;
    UINT id;
    const char16_t* tpl;
    Key key;
};

#define WQA u"\\NAND Flash\\skin\\WQAudio\\img\\"
#define COMMON u"\\NAND Flash\\SKIN\\Common\\img\\"
#define FACE(file, id) {file, kPlayerDir, Rule::ButtonFace, 0, 0, id, kPlayerTpl, Key::Either}
#define PRESET(file) {WQA file, nullptr, Rule::InArea, 0, 0, 3111, kPlayerTpl, Key::Opaque}
#define FREQ(file, band) {WQA file, nullptr, Rule::InArea, 0, 0, 2200 + band, kEqualizerTpl, Key::Opaque}
#define PATTERN(file, id) {file, kPlayerDir, Rule::ButtonFace, 0, 0, id, kPatternTpl, Key::Either}
#define WIDE(file, id) {file, kPlayerDir, Rule::ButtonFace, 0, 0, id, kEqualizerTpl, Key::Either}
#define ICON(file) {COMMON file, nullptr, Rule::AtMost, 30, 18, 0, nullptr, Key::Keyed}

const SkinFile kFiles[] = {
    // Player window: background, the faces the program swaps, the presets.
    {WQA u"audio_bg.jpg", nullptr, Rule::Exactly, 480, 234, 0, nullptr, Key::Opaque},
    FACE(u"\\IMG\\play_N_bt.bmp", 2002), FACE(u"\\IMG\\play_A_bt.bmp", 2002),
    FACE(u"\\IMG\\pause_N_bt.bmp", 2002), FACE(u"\\IMG\\pause_A_bt.bmp", 2002),
    FACE(u"\\IMG\\random_N_bt.bmp", 2004), FACE(u"\\IMG\\random_A_bt.bmp", 2004),
    FACE(u"\\IMG\\turn_N_bt.bmp", 2004), FACE(u"\\IMG\\turn_A_bt.bmp", 2004),
    FACE(u"\\IMG\\all_N_bt.bmp", 2005), FACE(u"\\IMG\\all_A_bt.bmp", 2005),
    FACE(u"\\IMG\\one_N_bt.bmp", 2005), FACE(u"\\IMG\\one_A_bt.bmp", 2005),
    FACE(u"\\IMG\\nonrep_N_bt.bmp", 2005), FACE(u"\\IMG\\nonrep_A_bt.bmp", 2005),
    PRESET(u"EQ_NORMAL.BMP"), PRESET(u"EQ_ROCK.BMP"), PRESET(u"EQ_POP.BMP"), PRESET(u"EQ_JAZZ.BMP"),
    PRESET(u"EQ_CLASSIC.BMP"), PRESET(u"EQ_DANCE.BMP"), PRESET(u"EQ_HEAVY.BMP"), PRESET(u"EQ_DISCO.BMP"),
    PRESET(u"EQ_SOFT.BMP"), PRESET(u"EQ_LIVE.BMP"), PRESET(u"EQ_HALL.BMP"),
    // Time display: digits are cut 5 x 6 from the strip and drawn at y = 2 in
    // a 10-pixel area; the colon sits in a 3-pixel gap, the slash in 7.
    {WQA u"EQ_num.bmp", nullptr, Rule::AtLeast, 50, 6, 0, nullptr, Key::Keyed},
    {WQA u"EQ_colon.bmp", nullptr, Rule::AtMost, 3, 8, 0, nullptr, Key::Keyed},
    {WQA u"EQ_slash.bmp", nullptr, Rule::AtMost, 7, 8, 0, nullptr, Key::Keyed},
    // Spectrum: BASIC cuts the top 40 rows, SYMMETRIC all 64; caps are 7 x 4.
    {WQA u"EQ_bar.bmp", nullptr, Rule::AtLeast, 7, 64, 0, nullptr, Key::Keyed},
    {WQA u"EQ_Peak.bmp", nullptr, Rule::AtLeast, 7, 4, 0, nullptr, Key::Keyed},
    // Equalizer window.
    {WQA u"EQ_setup_N.jpg", nullptr, Rule::Exactly, 480, 234, 0, nullptr, Key::Opaque},
    FREQ(u"80.bmp", 1), FREQ(u"105.bmp", 1), FREQ(u"135.bmp", 1), FREQ(u"175.bmp", 1),
    FREQ(u"230.bmp", 2), FREQ(u"300.bmp", 2), FREQ(u"385.bmp", 2), FREQ(u"500.bmp", 2),
    FREQ(u"650.bmp", 3), FREQ(u"850.bmp", 3), FREQ(u"1_1.bmp", 3), FREQ(u"1_4.bmp", 3),
    FREQ(u"1_8.bmp", 4), FREQ(u"2_4.bmp", 4), FREQ(u"3_2.bmp", 4), FREQ(u"4_1.bmp", 4),
    FREQ(u"5_3.bmp", 5), FREQ(u"6_9.bmp", 5), FREQ(u"9.bmp", 5), FREQ(u"11_7.bmp", 5),
    WIDE(u"\\img\\EQcekon_A_bt.bmp", 2034), WIDE(u"\\img\\EQceknon_N_bt.bmp", 2034),
    WIDE(u"\\img\\EQcekon_A_bt.bmp", 2035), WIDE(u"\\img\\EQceknon_N_bt.bmp", 2035),
    WIDE(u"\\img\\EQcekon_A_bt.bmp", 2036), WIDE(u"\\img\\EQceknon_N_bt.bmp", 2036),
    // Pattern window.
    PATTERN(u"\\img\\basic_A_bg.JPG", 2051), PATTERN(u"\\img\\basic_N_bg.JPG", 2051),
    PATTERN(u"\\img\\symmetric_A_bg.JPG", 2052), PATTERN(u"\\img\\symmetric_N_bg.JPG", 2052),
    PATTERN(u"\\img\\wave_A_bg.JPG", 2053), PATTERN(u"\\img\\wave_N_bg.JPG", 2053),
    // Status strip: icons at (0, 0) end before the volume digits at x 30.
    ICON(u"spk_N_bt.bmp"), ICON(u"spk_A_bt.bmp"), ICON(u"spk_MN_bt.bmp"), ICON(u"spk_MA_bt.bmp"),
    ICON(u"fmt_N_bt.bmp"), ICON(u"fmt_A_bt.bmp"), ICON(u"fmt_MN_bt.bmp"), ICON(u"fmt_MA_bt.bmp"),
    ICON(u"fmtspk_N_bt.bmp"), ICON(u"fmtspk_A_bt.bmp"), ICON(u"fmtspk_MN_bt.bmp"), ICON(u"fmtspk_MA_bt.bmp"),
    ICON(u"head_N_bt.bmp"), ICON(u"head_A_bt.bmp"), ICON(u"head_MN_bt.bmp"), ICON(u"head_MA_bt.bmp"),
    ICON(u"headfmt_N_bt.bmp"), ICON(u"headfmt_A_bt.bmp"), ICON(u"headfmt_MN_bt.bmp"), ICON(u"headfmt_MA_bt.bmp"),
    {COMMON u"timedatenum.bmp", nullptr, Rule::AtLeast, 70, 12, 0, nullptr, Key::Keyed},
};

std::u16string DevicePath(const SkinFile& f) {
    return f.folder ? wq::skin::ResolveSkinPath(f.folder, f.name) : std::u16string(f.name);
}

std::string Show(const std::u16string& s) { return wq::Utf16ToUtf8(s); }

class SkinFiles : public ::testing::Test {
protected:
    skintest::DeviceRoot root;

    Surface Load(const std::u16string& devicePath) {
        Surface s;
        std::string error;
        EXPECT_TRUE(wq::image::LoadFile(devicePath, &s, &error)) << Show(devicePath) << ": " << error;
        return s;
    }
    // The rectangle of control `id` in a template, parsed once per template.
    RECT RectOf(const char16_t* tpl, UINT id) {
        auto it = m_templates.find(tpl);
        if (it == m_templates.end()) {
            CSkinManager skin(nullptr);
            EXPECT_TRUE(skin.Load(tpl)) << Show(tpl);
            it = m_templates.emplace(tpl, skin.GetTemplate()).first;
        }
        const wq::skin::ElementSpec* e = it->second.Find(id);
        EXPECT_NE(e, nullptr) << Show(tpl) << " has no control " << id;
        return e ? e->rect : RECT{0, 0, 0, 0};
    }

private:
    std::map<std::u16string, wq::skin::SkinTemplate> m_templates;
};

// Columns of a picture region that hold any non-key pixel.
std::vector<bool> InkColumns(const Surface& s, int x0, int w) {
    std::vector<bool> ink(static_cast<size_t>(w), false);
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < s.height; ++y) ink[static_cast<size_t>(x)] = ink[static_cast<size_t>(x)] || s.At(x0 + x, y) != kKey;
    }
    return ink;
}

std::vector<std::uint32_t> Cell(const Surface& s, int x0, int w) {
    std::vector<std::uint32_t> px;
    for (int y = 0; y < s.height; ++y) {
        for (int x = x0; x < x0 + w; ++x) px.push_back(s.At(x, y) == kKey ? 0u : 1u);
    }
    return px;
}

TEST_F(SkinFiles, EveryNamedPictureResolvesDecodesAndHasItsSize) {
    for (const SkinFile& f : kFiles) {
        const std::u16string path = DevicePath(f);
        SCOPED_TRACE(Show(path));
        const Surface s = Load(path);
        if (s.width == 0) continue;
        switch (f.rule) {
            case Rule::AtLeast:
                EXPECT_GE(s.width, f.w);
                EXPECT_GE(s.height, f.h);
                break;
            case Rule::Exactly:
                EXPECT_EQ(s.width, f.w);
                EXPECT_EQ(s.height, f.h);
                break;
            case Rule::AtMost:
                EXPECT_LE(s.width, f.w);
                EXPECT_LE(s.height, f.h);
                break;
            case Rule::ButtonFace: {
                const RECT r = RectOf(f.tpl, f.id);
                EXPECT_EQ(s.width, r.right - r.left) << "button " << f.id;
                EXPECT_EQ(s.height, r.bottom - r.top) << "button " << f.id;
                break;
            }
            case Rule::InArea: {
                const RECT r = RectOf(f.tpl, f.id);
                EXPECT_LE(s.width, r.right - r.left) << "area " << f.id;
                EXPECT_LE(s.height, r.bottom - r.top) << "area " << f.id;
                break;
            }
        }
        const auto keyed = std::count(s.pixels.begin(), s.pixels.end(), kKey);
        if (f.key == Key::Keyed) {
            EXPECT_GT(keyed, 0) << "drawn with the colour key but has no transparent pixel";
            EXPECT_LT(static_cast<size_t>(keyed), s.pixels.size()) << "wholly transparent";
        } else if (f.key == Key::Opaque) {
            EXPECT_EQ(keyed, 0) << "drawn opaque, so its magenta pixels would show";
        } else {
            EXPECT_LT(static_cast<size_t>(keyed), s.pixels.size()) << "wholly transparent";
        }
    }
}

TEST_F(SkinFiles, TimeDigitsAreDistinctAndTheSeparatorsKeepClearOfThem) {
    const Surface digits = Load(WQA u"EQ_num.bmp");
    const Surface colon = Load(WQA u"EQ_colon.bmp");
    const Surface slash = Load(WQA u"EQ_slash.bmp");
    ASSERT_GE(digits.width, 50);
    ASSERT_GT(colon.width, 0);
    ASSERT_GT(slash.width, 0);
    std::set<std::vector<std::uint32_t>> glyphs;
    for (int d = 0; d < 10; ++d) glyphs.insert(Cell(digits, 5 * d, 5));
    EXPECT_EQ(glyphs.size(), 10u) << "two digits of EQ_num.bmp look alike (or one is empty)";

    // "mm:ss/mm:ss" as the time display places it: no column may be inked by
    // two items, or the separators would run into the digits.
    std::vector<int> owner(64, -1);
    auto place = [&](const Surface& s, int srcX, int w, int at, int item) {
        const std::vector<bool> ink = InkColumns(s, srcX, w);
        for (int x = 0; x < w; ++x) {
            if (!ink[static_cast<size_t>(x)]) continue;
            if (at + x >= 56) {
                ADD_FAILURE() << "ink at column " << at + x << ", past the 56-pixel time display";
                continue;
            }
            EXPECT_EQ(owner[static_cast<size_t>(at + x)], -1) << "column " << at + x << " is inked twice";
            owner[static_cast<size_t>(at + x)] = item;
        }
    };
    const int digitX[] = {0, 5, 15, 20, 30, 35, 46, 51};
    int item = 0;
    for (int x : digitX) place(digits, 5 * 8, 5, x, item++);  // "8" is the widest glyph
    place(colon, 0, colon.width, 12, item++);
    place(slash, 0, slash.width, 23, item++);
    place(colon, 0, colon.width, 42, item++);
}

TEST_F(SkinFiles, VolumeDigitsAreDistinctInTheirSevenPixelCells) {
    const Surface digits = Load(COMMON u"timedatenum.bmp");
    ASSERT_GE(digits.width, 70);
    std::set<std::vector<std::uint32_t>> glyphs;
    for (int d = 0; d < 10; ++d) glyphs.insert(Cell(digits, 7 * d, 7));
    EXPECT_EQ(glyphs.size(), 10u);
}

TEST_F(SkinFiles, EverySpectrumSegmentOfTheBarShows) {
    const Surface bar = Load(WQA u"EQ_bar.bmp");
    ASSERT_GE(bar.height, 64);
    // BASIC grows in 2-pixel steps and SYMMETRIC in 4: a segment without ink
    // would make a level step invisible.
    for (int seg = 0; seg < 32; ++seg) {
        bool ink = false;
        for (int y = 2 * seg; y < 2 * seg + 2; ++y) {
            for (int x = 0; x < 7; ++x) ink = ink || bar.At(x, y) != kKey;
        }
        EXPECT_TRUE(ink) << "rows " << 2 * seg << ".." << 2 * seg + 1;
    }
    const Surface peak = Load(WQA u"EQ_Peak.bmp");
    ASSERT_GE(peak.height, 2);
    for (int x = 0; x < 7; ++x) EXPECT_NE(peak.At(x, 0), kKey) << "the BASIC marker uses the top two rows";
}

TEST_F(SkinFiles, StatesThatMeanDifferentThingsLookDifferent) {
    const std::vector<std::pair<std::u16string, std::u16string>> pairs = {
        {WQA u"play_N_bt.bmp", WQA u"play_A_bt.bmp"},       {WQA u"play_N_bt.bmp", WQA u"pause_N_bt.bmp"},
        {WQA u"random_N_bt.bmp", WQA u"turn_N_bt.bmp"},     {WQA u"all_N_bt.bmp", WQA u"one_N_bt.bmp"},
        {WQA u"one_N_bt.bmp", WQA u"nonrep_N_bt.bmp"},      {WQA u"all_N_bt.bmp", WQA u"all_A_bt.bmp"},
        {WQA u"EQcekon_A_bt.bmp", WQA u"EQceknon_N_bt.bmp"}, {WQA u"basic_A_bg.JPG", WQA u"basic_N_bg.JPG"},
        {WQA u"wave_A_bg.JPG", WQA u"wave_N_bg.JPG"},       {COMMON u"spk_N_bt.bmp", COMMON u"spk_A_bt.bmp"},
        {COMMON u"spk_N_bt.bmp", COMMON u"spk_MN_bt.bmp"},  {COMMON u"spk_N_bt.bmp", COMMON u"head_N_bt.bmp"},
        {COMMON u"head_N_bt.bmp", COMMON u"head_MN_bt.bmp"}, {WQA u"EQ_ROCK.BMP", WQA u"EQ_POP.BMP"},
    };
    for (const auto& [a, b] : pairs) {
        const Surface sa = Load(a);
        const Surface sb = Load(b);
        EXPECT_TRUE(sa.pixels != sb.pixels) << Show(a) << " and " << Show(b) << " are the same picture";
    }
}

// WCAG relative luminance of a 0x00RRGGBB colour.
double Luminance(double r, double g, double b) {
    auto lin = [](double c) {
        c /= 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b);
}

double Contrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

// Mean luminance of the non-key pixels of a row band of a picture.
double BandLuminance(const Surface& s, int x0, int x1, int y0, int y1) {
    double r = 0, g = 0, b = 0;
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t p = s.At(x, y);
            if (p == kKey) continue;
            r += (p >> 16) & 0xFF;
            g += (p >> 8) & 0xFF;
            b += p & 0xFF;
            ++n;
        }
    }
    return n ? Luminance(r / n, g / n, b / n) : 0.0;
}

TEST_F(SkinFiles, ListRowsReadInYellowFoldersAndBlackFiles) {
    // The program colours folder rows yellow and file rows black, so every
    // row of the list, and the selected row, must carry both with a contrast
    // of at least 3:1.
    const double yellow = Luminance(255, 255, 0), black = 0.0;
    CSkinManager skin(nullptr);
    ASSERT_TRUE(skin.Load(kPlayerTpl));
    const wq::skin::ElementSpec* list = skin.GetTemplate().Find(2008);
    ASSERT_NE(list, nullptr);
    const Surface bg = Load(WQA u"audio_bg.jpg");
    ASSERT_GE(bg.height, list->rect.bottom);
    for (int top = list->rect.top; top + list->rowHeight <= list->rect.bottom; top += list->rowHeight) {
        const double l = BandLuminance(bg, list->rect.left, list->rect.right, top, top + list->rowHeight);
        EXPECT_GE(Contrast(l, yellow), 3.0) << "yellow on the row at y " << top;
        EXPECT_GE(Contrast(l, black), 3.0) << "black on the row at y " << top;
    }
    ASSERT_FALSE(list->selection.empty()) << "the default skin draws its selection from a picture";
    const Surface sel = Load(wq::skin::ResolveSkinPath(kPlayerDir, list->selection));
    ASSERT_GT(sel.height, 0);
    // Rows of the selection picture as stretched over a row: judge each half.
    for (int half = 0; half < 2; ++half) {
        const double l = BandLuminance(sel, 0, sel.width, half * sel.height / 2, (half + 1) * sel.height / 2);
        EXPECT_GE(Contrast(l, yellow), 3.0) << "yellow on the selection, half " << half;
        EXPECT_GE(Contrast(l, black), 3.0) << "black on the selection, half " << half;
    }
}

}  // namespace
