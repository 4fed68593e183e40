#pragma once
// The one font-metrics service: turns a logical font (face, height, weight,
// style, charset) into a measured font at a device resolution. Layout,
// screen, printer and PDF all measure through it, so a line broken at
// 600 dpi draws the same everywhere.
//
// The measuring rules are the ones stored documents were laid out with: a
// negative height asks for the character (em) height in pixels, each glyph
// advances by a whole number of pixels, and a text's height is ascent +
// descent. Changing any of them would move the line breaks of old files.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {

// Largest em or cell height, in pixels, a font is made at; larger requests
// (corrupt sizes, absurd zoom) are clamped so extents cannot overflow.
inline constexpr int32_t kMaxFontPixels = 100000;

struct LogFont {
    std::string Face;        // face name as the document names it
    int32_t Height = 0;      // < 0: character height in px; > 0: cell height; 0: default (16 px cell)
    int32_t Weight = 400;    // 400 normal, 700 bold
    bool Italic = false;
    bool StrikeOut = false;
    bool Underline = false;
    uint8_t Charset = 1;
    friend bool operator==(const LogFont&, const LogFont&) = default;
};

struct TextExtent {
    int32_t cx = 0;
    int32_t cy = 0;
};

// Outline metrics in font units scaled to 1000 per em, for the PDF writer.
// Every scaled value is rounded to nearest, halves away from zero.
struct OutlineMetrics {
    std::string PostScriptName;
    int32_t Ascent = 0;        // typographic ascender (hhea)
    int32_t Descent = 0;       // negative
    int32_t CapHeight = 0;
    int32_t ItalicAngle = 0;   // tenths of a degree, counter-clockwise (negative leans right)
    std::array<int32_t, 4> BBox{};  // left, bottom, right, top
    std::array<int32_t, 256> Widths{};  // per Windows-1252 code
    std::string FontFile;      // path of the font file behind the face
};

class PlatformFont {
public:
    virtual ~PlatformFont() = default;
    virtual const LogFont& logFont() const = 0;
    // Pixel size of the em square the font was made at.
    virtual int32_t pixelSize() const = 0;
    virtual int32_t ascent() const = 0;
    virtual int32_t descent() const = 0;   // positive, below the baseline
    virtual int32_t height() const = 0;    // ascent + descent
    // Advance of one Windows-1252 code in whole pixels.
    virtual int32_t advance(uint8_t code) const = 0;
    // Sum of the advances of the bytes; height() as cy.
    virtual TextExtent textExtent(std::string_view text) const = 0;
    // Unicode code point drawn for a byte of this font (charset and symbol maps applied).
    virtual char32_t codePointFor(uint8_t code) const = 0;
    // Path of the font file actually used.
    virtual const std::string& filePath() const = 0;
    virtual int32_t faceIndex() const = 0;
    // Glyph of that file measured for a byte (0 = the font's missing glyph),
    // so a canvas draws exactly what was measured.
    virtual uint32_t glyphIndex(uint8_t) const { return 0; }
    // Strike-out bar: top edge in pixels above the baseline, and thickness.
    virtual int32_t strikeOutPosition() const { return ascent() / 3; }
    virtual int32_t strikeOutSize() const { return pixelSize() >= 20 ? pixelSize() / 20 : 1; }
};

using FontHandle = std::shared_ptr<const PlatformFont>;

class FontService {
public:
    // The process-wide service (fontconfig + FreeType).
    static FontService& instance();
    virtual ~FontService() = default;
    // Fonts are cached: equal logical fonts give the same handle.
    virtual FontHandle createFont(const LogFont& lf) = 0;
    // The font file a face resolves to (after substitution), for checks and the PDF writer.
    virtual std::string resolveFace(const std::string& face, bool bold, bool italic) = 0;
    virtual OutlineMetrics outlineMetrics(const std::string& face, bool bold, bool italic) = 0;
};

} // namespace quillet
