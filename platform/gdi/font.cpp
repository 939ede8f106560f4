// Fonts through fontconfig and FreeType: face resolution, the height rules of
// the framework, metrics and the glyph cache. Font objects (HFONT) are made here.
#include "platform/gdi/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/base/utf.h"
#include "platform/gdi/objects.h"

namespace wq::gdi {
namespace {

// Faces the skins name that fontconfig would answer with a font lacking Hangul.
struct FaceAlias {
    const char16_t* requested;
    const char* family;
};
constexpr FaceAlias kFaceAliases[] = {
    {u"굴림", "NanumGothic"},   {u"굴림체", "NanumGothicCoding"},
    {u"돋움", "NanumGothic"},   {u"돋움체", "NanumGothicCoding"},
    {u"바탕", "NanumMyeongjo"}, {u"바탕체", "NanumGothicCoding"},
    {u"Gulim", "NanumGothic"},  {u"GulimChe", "NanumGothicCoding"},
    {u"Dotum", "NanumGothic"},  {u"DotumChe", "NanumGothicCoding"},
    {u"System", "NanumGothic"}, {u"", "NanumGothic"},
};

// Cell height used for lfHeight 0 (the default size).
constexpr int kDefaultCellHeight = 16;
// Bigger requests are clamped: no control of a 480x234 screen needs more.
constexpr int kMaxPixelSize = 512;

std::recursive_mutex g_fontLock;

struct Library {
    FT_Library ft = nullptr;
    bool fcReady = false;
    std::map<std::pair<std::string, int>, FT_Face>
        faces;                             // by file and index, kept for the process
    std::map<char32_t, FT_Face> fallback;  // code point -> face that has it (or null)
    std::vector<FT_Face> fallbackFaces;    // faces found so far, tried before fontconfig

    Library() {
        if (FT_Init_FreeType(&ft) != 0) ft = nullptr;
        fcReady = FcInit() == FcTrue;
        // fontconfig's caches are returned at exit so leak checkers see a clean process.
        if (fcReady) std::atexit(FcFini);
    }

    FT_Face Open(const std::string& file, int index) {
        auto key = std::make_pair(file, index);
        auto it = faces.find(key);
        if (it != faces.end()) return it->second;
        FT_Face face = nullptr;
        if (!ft || FT_New_Face(ft, file.c_str(), index, &face) != 0) face = nullptr;
        faces[key] = face;
        return face;
    }

    // The best installed face for a pattern; null when fontconfig finds nothing.
    FT_Face Match(FcPattern* pattern) {
        if (!fcReady) return nullptr;
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FT_Face face = nullptr;
        if (match) {
            FcChar8* file = nullptr;
            int index = 0;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
                FcPatternGetInteger(match, FC_INDEX, 0, &index);
                face = Open(reinterpret_cast<const char*>(file), index);
            }
            FcPatternDestroy(match);
        }
        return face;
    }

    FT_Face ForFamily(const std::string& family, bool bold, bool italic) {
        FcPattern* p = FcPatternCreate();
        FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(p, FC_SCALABLE, FcTrue);
        FT_Face face = Match(p);
        FcPatternDestroy(p);
        return face;
    }

    // A face that has a glyph for cp, remembered per code point.
    FT_Face ForCodePoint(char32_t cp) {
        auto it = fallback.find(cp);
        if (it != fallback.end()) return it->second;
        FT_Face face = nullptr;
        // A face that already supplied one character usually has its neighbours
        // (a Hangul title needs one fontconfig query, not one per syllable).
        for (FT_Face known : fallbackFaces)
            if (FT_Get_Char_Index(known, cp) != 0) return fallback[cp] = known;
        if (fcReady) {
            FcPattern* p = FcPatternCreate();
            FcCharSet* cs = FcCharSetCreate();
            FcCharSetAddChar(cs, cp);
            FcPatternAddCharSet(p, FC_CHARSET, cs);
            FcPatternAddBool(p, FC_SCALABLE, FcTrue);
            FT_Face candidate = Match(p);
            FcCharSetDestroy(cs);
            FcPatternDestroy(p);
            if (candidate && FT_Get_Char_Index(candidate, cp) != 0) {
                face = candidate;
                fallbackFaces.push_back(face);
            }
        }
        fallback[cp] = face;
        return face;
    }
};

Library& Lib() {
    static Library* lib = new Library;  // lives for the process; faces are shared by every font
    return *lib;
}

std::string FamilyFor(const LOGFONTW& lf) {
    std::u16string name(lf.lfFaceName,
                        std::find(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, u'\0'));
    for (const FaceAlias& a : kFaceAliases)
        if (name == a.requested) return a.family;
    return wq::Utf16ToUtf8(name);
}

bool FaceIsBold(FT_Face f) {
    return (f->style_flags & FT_STYLE_FLAG_BOLD) != 0;
}
bool FaceIsItalic(FT_Face f) {
    return (f->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
}

// Ascender and descender in font units as the framework measures cells: the
// OS/2 Windows metrics when present, else the face's own.
std::pair<int, int> CellUnits(FT_Face f) {
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
        return {os2->usWinAscent, os2->usWinDescent};
    return {f->ascender, -f->descender};
}

}  // namespace

struct FontFace::Impl {
    FT_Face primary = nullptr;
    int ppem = 0;
    bool wantBold = false;
    bool wantItalic = false;
    bool mono = false;
};

FontFace::FontFace(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
FontFace::~FontFace() = default;

std::shared_ptr<FontFace> FontFace::Resolve(const LOGFONTW& lf) {
    std::lock_guard lock(g_fontLock);
    using Key = std::tuple<std::string, int, int, bool, bool, bool, bool>;
    static auto& cache = *new std::map<Key, std::weak_ptr<FontFace>>;  // outlives static fonts
    std::string family = FamilyFor(lf);
    bool bold = lf.lfWeight >= 600;
    bool italic = lf.lfItalic != 0;
    auto key = std::make_tuple(family, static_cast<int>(lf.lfHeight), bold ? 1 : 0, italic,
                               lf.lfUnderline != 0, lf.lfStrikeOut != 0,
                               lf.lfQuality == NONANTIALIASED_QUALITY);
    if (auto existing = cache[key].lock()) return existing;

    FT_Face face = Lib().ForFamily(family, bold, italic);
    if (!face) face = Lib().ForFamily("sans-serif", bold, italic);
    if (!face) return nullptr;

    auto impl = std::make_unique<Impl>();
    impl->primary = face;
    impl->wantBold = bold;
    impl->wantItalic = italic;
    impl->mono = lf.lfQuality == NONANTIALIASED_QUALITY;
    auto [unitsAscent, unitsDescent] = CellUnits(face);
    int upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    int cellUnits = unitsAscent + unitsDescent > 0 ? unitsAscent + unitsDescent : upem;
    // Positive heights are cell heights, negative ones em heights.
    long height = lf.lfHeight == 0 ? kDefaultCellHeight : lf.lfHeight;
    long ppem = height > 0 ? std::lround(static_cast<double>(height) * upem / cellUnits) : -height;
    impl->ppem = static_cast<int>(std::clamp<long>(ppem, 1, kMaxPixelSize));

    double scale = static_cast<double>(impl->ppem) / upem;
    FontMetrics m;
    m.ascent = static_cast<int>(std::lround(unitsAscent * scale));
    m.descent = static_cast<int>(std::lround(unitsDescent * scale));
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    m.maxCharWidth = static_cast<int>(std::lround(face->max_advance_width * scale));

    auto result = std::make_shared<FontFace>(std::move(impl));
    m.aveCharWidth = os2 && os2->xAvgCharWidth > 0
                         ? static_cast<int>(std::lround(os2->xAvgCharWidth * scale))
                         : result->GlyphFor(U'x').advance;
    result->m_metrics = m;
    result->m_underline = lf.lfUnderline != 0;
    result->m_strikeOut = lf.lfStrikeOut != 0;
    cache[key] = result;
    return result;
}

const Glyph& FontFace::GlyphFor(char32_t cp) {
    std::lock_guard lock(g_fontLock);
    auto it = m_glyphs.find(cp);
    if (it != m_glyphs.end()) return it->second;
    Glyph& g = m_glyphs[cp];
    if (cp < 0x20) return g;

    FT_Face face = m_impl->primary;
    FT_UInt index = FT_Get_Char_Index(face, cp);
    if (index == 0) {
        if (FT_Face other = Lib().ForCodePoint(cp)) {
            face = other;
            index = FT_Get_Char_Index(face, cp);
        }
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(m_impl->ppem)) != 0) return g;
    FT_Int32 flags = m_impl->mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | flags) != 0) return g;
    FT_GlyphSlot slot = face->glyph;
    if (m_impl->wantBold && !FaceIsBold(face)) FT_GlyphSlot_Embolden(slot);
    if (m_impl->wantItalic && !FaceIsItalic(face)) FT_GlyphSlot_Oblique(slot);
    if (FT_Render_Glyph(slot, m_impl->mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return g;

    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    const FT_Bitmap& bm = slot->bitmap;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.coverage.assign(static_cast<size_t>(g.width) * static_cast<size_t>(g.height), 0);
    for (int y = 0; y < g.height; ++y) {
        const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
        for (int x = 0; x < g.width; ++x) {
            std::uint8_t v = bm.pixel_mode == FT_PIXEL_MODE_MONO
                                 ? ((row[x / 8] & (0x80 >> (x % 8))) ? 255 : 0)
                                 : row[x];
            g.coverage[static_cast<size_t>(y) * static_cast<size_t>(g.width) +
                       static_cast<size_t>(x)] = v;
        }
    }
    return g;
}

std::vector<CodePoint> DecodeUnits(const char16_t* s, int n) {
    std::vector<CodePoint> out;
    out.reserve(static_cast<size_t>(n > 0 ? n : 0));
    for (int i = 0; i < n;) {
        char16_t u = s[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            char32_t cp =
                0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            out.push_back(CodePoint{cp, i, 2});
            i += 2;
        } else {
            out.push_back(CodePoint{u, i, 1});
            i += 1;
        }
    }
    return out;
}

HFONT SystemFont() {
    static HFONT font = [] {
        auto* f = new GdiFont;
        f->stock = true;
        f->face = FontFace::Resolve(f->logfont);
        RegisterObject(f);
        return f;
    }();
    return font;
}

GdiFont* CurrentFont(const GdiDC& dc) {
    GdiFont* f = LookupFont(dc.font);
    return f ? f : static_cast<GdiFont*>(SystemFont());
}

}  // namespace wq::gdi

using namespace wq::gdi;

HFONT CreateFontIndirectW(const LOGFONTW* lplf) {
    if (!lplf) return nullptr;
    auto face = FontFace::Resolve(*lplf);
    if (!face) return nullptr;
    auto* f = new GdiFont;
    f->logfont = *lplf;
    f->logfont.lfFaceName[LF_FACESIZE - 1] = u'\0';
    f->face = std::move(face);
    RegisterObject(f);
    return f;
}
HFONT CreateFontIndirect(const LOGFONTW* lplf) {
    return CreateFontIndirectW(lplf);
}

HFONT CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                  DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                  DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily,
                  LPCWSTR pszFaceName) {
    LOGFONTW lf;
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = static_cast<BYTE>(bItalic != 0);
    lf.lfUnderline = static_cast<BYTE>(bUnderline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(bStrikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(iCharSet);
    lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    lf.lfQuality = static_cast<BYTE>(iQuality);
    lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    for (int i = 0; pszFaceName && i < LF_FACESIZE - 1 && pszFaceName[i]; ++i)
        lf.lfFaceName[i] = pszFaceName[i];
    return CreateFontIndirectW(&lf);
}
HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                 DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                 DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily,
                 LPCWSTR pszFaceName) {
    return CreateFontW(cHeight, cWidth, cEscapement, cOrientation, cWeight, bItalic, bUnderline,
                       bStrikeOut, iCharSet, iOutPrecision, iClipPrecision, iQuality,
                       iPitchAndFamily, pszFaceName);
}
