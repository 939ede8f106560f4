// Internal to platform/gdi: a font resolved to FreeType faces at one pixel
// size, with its metrics and a cache of rasterised glyphs. Text is redrawn
// every 200 ms by several controls, so each glyph is rasterised once per font.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/gdi/gdi.h"

namespace wq::gdi {

// One rasterised glyph: 8-bit coverage, `left`/`top` from the pen position on
// the baseline (top counts upwards), `advance` in whole pixels.
struct Glyph {
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;
};

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int height() const { return ascent + descent; }
};

class FontFace {
public:
    // Resolves a logical font through fontconfig: the faces named by the player's
    // skins ("굴림", "돋움체") map to installed Korean fonts explicitly; other
    // names go through fontconfig's own substitution. Equal requests share one
    // object. Null only when no font at all is installed.
    static std::shared_ptr<FontFace> Resolve(const LOGFONTW& lf);

    const FontMetrics& Metrics() const { return m_metrics; }
    // The glyph for a code point, from this font or, when it lacks one, from an
    // installed font that has it (else this font's missing-glyph box). Control
    // characters (below U+0020) have no ink and no advance. Thread-safe.
    const Glyph& GlyphFor(char32_t cp);
    bool Underline() const { return m_underline; }
    bool StrikeOut() const { return m_strikeOut; }

    struct Impl;
    explicit FontFace(std::unique_ptr<Impl> impl);
    ~FontFace();

private:
    std::unique_ptr<Impl> m_impl;
    FontMetrics m_metrics;
    bool m_underline = false;
    bool m_strikeOut = false;
    std::unordered_map<char32_t, Glyph> m_glyphs;
};

// Decodes UTF-16 units into code points, remembering for each code point the
// index of its first unit. Unpaired surrogates stand for themselves.
struct CodePoint {
    char32_t cp;
    int unit;
    int units;
};
std::vector<CodePoint> DecodeUnits(const char16_t* s, int n);

}  // namespace wq::gdi
