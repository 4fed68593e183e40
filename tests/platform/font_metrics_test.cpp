#include "platform/FontCharMaps.h"
#include "platform/FontMetrics.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <filesystem>
#include <string>

namespace quillet {
namespace {

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

LogFont font(const std::string& face, int32_t height, bool bold = false, bool italic = false,
             uint8_t charset = 1)
{
    LogFont lf;
    lf.Face = face;
    lf.Height = height;
    lf.Weight = bold ? 700 : 400;
    lf.Italic = italic;
    lf.Charset = charset;
    return lf;
}

// Reads design values straight from the font file, so the service's
// rounding rules are checked against numbers it did not compute itself.
class DesignFace {
public:
    explicit DesignFace(const std::string& path)
    {
        if (FT_Init_FreeType(&lib_) == 0 && FT_New_Face(lib_, path.c_str(), 0, &face_) != 0) face_ = nullptr;
    }
    ~DesignFace()
    {
        if (face_) FT_Done_Face(face_);
        if (lib_) FT_Done_FreeType(lib_);
    }
    bool ok() const { return face_ != nullptr; }
    int64_t upem() const { return face_->units_per_EM; }
    uint32_t glyph(char32_t cp) const { return FT_Get_Char_Index(face_, cp); }
    int64_t advance(uint32_t glyph) const
    {
        FT_Fixed a = 0;
        FT_Get_Advance(face_, glyph, FT_LOAD_NO_SCALE, &a);
        return a;
    }
    int64_t advanceOf(char32_t cp) const { return advance(glyph(cp)); }
    const TT_OS2* os2() const { return static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2)); }

private:
    FT_Library lib_ = nullptr;
    FT_Face face_ = nullptr;
};

// round(v * num / den), halves away from zero, for v >= 0.
int64_t roundScaled(int64_t v, int64_t num, int64_t den) { return (2 * v * num + den) / (2 * den); }

TEST(FontResolution, WindowsFacesResolveToLiberation)
{
    auto& fs = FontService::instance();
    struct Case { const char* face; const char* stem; };
    const Case cases[] = {{"Times New Roman", "LiberationSerif"}, {"Arial", "LiberationSans"},
                          {"Courier New", "LiberationMono"}};
    for (const auto& c : cases) {
        const std::string stem = c.stem;
        EXPECT_EQ(fileName(fs.resolveFace(c.face, false, false)), stem + "-Regular.ttf")
            << c.face << " must measure with " << stem << ": install fonts-liberation";
        EXPECT_EQ(fileName(fs.resolveFace(c.face, true, false)), stem + "-Bold.ttf") << c.face;
        EXPECT_EQ(fileName(fs.resolveFace(c.face, false, true)), stem + "-Italic.ttf") << c.face;
        EXPECT_EQ(fileName(fs.resolveFace(c.face, true, true)), stem + "-BoldItalic.ttf") << c.face;
    }
    // Face names compare without case, as the platform does.
    EXPECT_EQ(fs.resolveFace("times new roman", false, false), fs.resolveFace("Times New Roman", false, false));
    EXPECT_EQ(fs.resolveFace("ARIAL", true, false), fs.resolveFace("Arial", true, false));
}

TEST(FontResolution, UnknownFaceFallsBackToAnOutlineFont)
{
    auto& fs = FontService::instance();
    const std::string path = fs.resolveFace("No Such Face 4711", false, false);
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(fs.resolveFace("No Such Face 4711", false, false), path);
    // A font built from it still measures text.
    FontHandle f = fs.createFont(font("No Such Face 4711", -100));
    EXPECT_EQ(f->filePath(), path);
    EXPECT_GT(f->textExtent("Hello").cx, 0);
    // Bytes that are no valid UTF-8 in a face name do not upset the lookup.
    EXPECT_FALSE(fs.resolveFace("Caf\xE9 \xFF", false, false).empty());
}

TEST(FontMetrics, TimesAt600DpiFollowsTheDesignAdvances)
{
    FontHandle f = FontService::instance().createFont(font("Times New Roman", -100));
    ASSERT_EQ(fileName(f->filePath()), "LiberationSerif-Regular.ttf");
    DesignFace design(f->filePath());
    ASSERT_TRUE(design.ok());
    EXPECT_EQ(f->pixelSize(), 100);

    for (char c : std::string("Mmi .W\x80\xE4")) {
        const auto code = static_cast<uint8_t>(c);
        const char32_t cp = code == 0x80 ? char32_t(0x20AC) : char32_t(code);
        EXPECT_EQ(f->advance(code), roundScaled(design.advanceOf(cp), 100, design.upem())) << int(code);
        EXPECT_EQ(f->glyphIndex(code), design.glyph(cp));
    }
    // The well-known Times widths at 100 px per em.
    EXPECT_EQ(f->advance('M'), 89);
    EXPECT_EQ(f->advance(' '), 25);
    EXPECT_LT(f->advance('i'), f->advance('m'));

    const std::string text = "Quillet, 12 pt.";
    int32_t sum = 0;
    for (unsigned char c : text) sum += f->advance(c);
    EXPECT_EQ(f->textExtent(text).cx, sum);
    EXPECT_EQ(f->textExtent(text).cy, f->height());
    EXPECT_EQ(f->textExtent("").cx, 0);

    const TT_OS2* os2 = design.os2();
    ASSERT_NE(os2, nullptr);
    EXPECT_EQ(f->ascent(), roundScaled(os2->usWinAscent, 100, design.upem()));
    EXPECT_EQ(f->descent(), roundScaled(os2->usWinDescent, 100, design.upem()));
    EXPECT_EQ(f->height(), f->ascent() + f->descent());
    EXPECT_GT(f->height(), 100);   // the cell includes internal leading
    EXPECT_GT(f->strikeOutPosition(), 0);
    EXPECT_LT(f->strikeOutPosition(), f->ascent());
    EXPECT_GE(f->strikeOutSize(), 1);
}

TEST(FontMetrics, MeasuresAreDeterministicAndScaleWithResolution)
{
    auto& fs = FontService::instance();
    FontHandle a = fs.createFont(font("Arial", -100));
    FontHandle b = fs.createFont(font("Arial", -101));
    FontHandle c = fs.createFont(font("Arial", -100));
    EXPECT_EQ(a, c);
    EXPECT_NE(a, b);
    // 12 pt at 72 dpi, the PDF writer's measuring font.
    FontHandle small = fs.createFont(font("Arial", -12));
    const std::string text = "The quick brown fox";
    EXPECT_NEAR(small->textExtent(text).cx, a->textExtent(text).cx * 12 / 100, 10);
    for (int code = 32; code < 256; ++code) {
        EXPECT_EQ(a->advance(uint8_t(code)), c->advance(uint8_t(code)));
        EXPECT_LE(a->advance(uint8_t(code)), b->advance(uint8_t(code)));
    }
}

TEST(FontMetrics, PositiveHeightAsksForTheCell)
{
    auto& fs = FontService::instance();
    FontHandle em = fs.createFont(font("Times New Roman", -100));
    FontHandle cell = fs.createFont(font("Times New Roman", em->height()));
    EXPECT_EQ(cell->pixelSize(), 100);
    EXPECT_EQ(cell->height(), em->height());
    FontHandle dflt = fs.createFont(font("Times New Roman", 0));
    EXPECT_GT(dflt->pixelSize(), 1);
    EXPECT_LE(dflt->height(), 17);
}

TEST(FontMetrics, HugeHeightsAreClampedAndExtentsDoNotOverflow)
{
    FontHandle f = FontService::instance().createFont(font("Arial", std::numeric_limits<int32_t>::min()));
    EXPECT_EQ(f->pixelSize(), kMaxFontPixels);
    const std::string text(100000, 'W');
    EXPECT_EQ(f->textExtent(text).cx, std::numeric_limits<int32_t>::max());
    FontHandle g = FontService::instance().createFont(font("Arial", std::numeric_limits<int32_t>::max()));
    EXPECT_LE(g->height(), kMaxFontPixels + 2);
}

TEST(FontMetrics, BoldAndItalicUseTheirOwnFiles)
{
    auto& fs = FontService::instance();
    const std::string text = "Bold text is wider";
    for (const char* face : {"Times New Roman", "Arial"}) {
        FontHandle regular = fs.createFont(font(face, -100));
        FontHandle bold = fs.createFont(font(face, -100, true));
        FontHandle italic = fs.createFont(font(face, -100, false, true));
        EXPECT_GT(bold->textExtent(text).cx, regular->textExtent(text).cx) << face;
        EXPECT_NE(bold->filePath(), regular->filePath());
        EXPECT_NE(italic->filePath(), regular->filePath());
    }
    // Courier keeps one advance for every style.
    FontHandle mono = fs.createFont(font("Courier New", -100));
    FontHandle monoBold = fs.createFont(font("Courier New", -100, true));
    EXPECT_EQ(mono->advance('i'), mono->advance('W'));
    EXPECT_EQ(monoBold->advance('i'), mono->advance('i'));
}

TEST(FontMetrics, MissingGlyphMeasuresAsTheDefaultGlyph)
{
    FontHandle f = FontService::instance().createFont(font("Times New Roman", -100));
    DesignFace design(f->filePath());
    ASSERT_TRUE(design.ok());
    // Control code 1 has no glyph in any text face.
    ASSERT_EQ(design.glyph(1), 0u);
    EXPECT_EQ(f->glyphIndex(1), 0u);
    EXPECT_EQ(f->advance(1), roundScaled(design.advance(0), 100, design.upem()));
}

TEST(SymbolFaces, WingdingsBulletsHaveGlyphs)
{
    auto& fs = FontService::instance();
    FontHandle w = fs.createFont(font("Wingdings", -100));
    EXPECT_EQ(w->codePointFor(159), U'\u2022');
    EXPECT_EQ(w->codePointFor(108), U'\u25CF');
    EXPECT_EQ(w->codePointFor(167), U'\u25AA');
    EXPECT_EQ(w->codePointFor(252), U'\u2714');
    // List bullets, stars, arrows and check boxes all draw.
    for (int code : {0x4A, 0x6C, 0x6E, 0x6F, 0x71, 0x75, 0x76, 0x77, 0x9E, 0x9F, 0xA7, 0xA8, 0xAB,
                     0xD8, 0xE8, 0xF0, 0xFB, 0xFC, 0xFD, 0xFE}) {
        EXPECT_NE(w->glyphIndex(uint8_t(code)), 0u) << "Wingdings " << code;
        EXPECT_GT(w->advance(uint8_t(code)), 0) << "Wingdings " << code;
    }
    // The face name decides, not the charset: bullets come with charset 1.
    FontHandle w2 = fs.createFont(font("wingdings", -100, false, false, 2));
    EXPECT_EQ(w2->codePointFor(159), w->codePointFor(159));
    EXPECT_EQ(w2->advance(159), w->advance(159));
}

TEST(SymbolFaces, SymbolGivesGreekAndMath)
{
    FontHandle s = FontService::instance().createFont(font("Symbol", -100, false, false, 2));
    EXPECT_EQ(s->codePointFor('a'), U'\u03B1');
    EXPECT_EQ(s->codePointFor('W'), U'\u03A9');
    EXPECT_EQ(s->codePointFor('p'), U'\u03C0');
    EXPECT_EQ(s->codePointFor(0xAE), U'\u2192');   // the tab mark
    EXPECT_EQ(s->codePointFor(0xBF), U'\u21B5');   // the line-break mark
    EXPECT_EQ(s->codePointFor(0xE5), U'\u2211');
    EXPECT_EQ(s->codePointFor('1'), U'1');
    // Every defined Symbol code draws with the substitute.
    for (int code = 0x20; code < 0x100; ++code) {
        const char32_t cp = s->codePointFor(uint8_t(code));
        if (cp >= 0xF000 && cp <= 0xF0FF) continue;   // codes the face leaves empty
        EXPECT_NE(s->glyphIndex(uint8_t(code)), 0u) << "Symbol " << code;
    }
    EXPECT_EQ(s->glyphIndex(0xF0), 0u);
}

TEST(Charsets, BytesDecodeThroughTheCharsetCodePage)
{
    auto& fs = FontService::instance();
    for (uint8_t cs : {uint8_t(0), uint8_t(1), uint8_t(2), uint8_t(128)}) {
        FontHandle f = fs.createFont(font("Times New Roman", -100, false, false, cs));
        EXPECT_EQ(f->codePointFor(0x80), U'\u20AC') << int(cs);
        EXPECT_EQ(f->codePointFor(0xE4), U'\u00E4') << int(cs);
    }
    FontHandle cyr = fs.createFont(font("Times New Roman", -100, false, false, 204));
    EXPECT_EQ(cyr->codePointFor(0xC0), U'\u0410');
    EXPECT_EQ(cyr->codePointFor('A'), U'A');
    EXPECT_NE(cyr->glyphIndex(0xC0), 0u);
    FontHandle ee = fs.createFont(font("Times New Roman", -100, false, false, 238));
    EXPECT_EQ(ee->codePointFor(0xA5), U'\u0104');
    EXPECT_EQ(ee->codePointFor(0x8A), U'\u0160');
    FontHandle gr = fs.createFont(font("Arial", -100, false, false, 161));
    EXPECT_EQ(gr->codePointFor(0xE1), U'\u03B1');
    EXPECT_EQ(charsetToUnicode(162, 0xF0), U'\u011F');
    EXPECT_EQ(charsetToUnicode(186, 0xC0), U'\u0104');
    // Different charsets are different fonts, with their own widths.
    EXPECT_NE(cyr, fs.createFont(font("Times New Roman", -100)));
}

TEST(OutlineMetrics, WidthsAndDescriptorInThousandthsOfAnEm)
{
    auto& fs = FontService::instance();
    const OutlineMetrics times = fs.outlineMetrics("Times New Roman", false, false);
    EXPECT_EQ(fileName(times.FontFile), "LiberationSerif-Regular.ttf");
    EXPECT_EQ(times.PostScriptName, "LiberationSerif");
    EXPECT_EQ(times.Widths['M'], 889);
    EXPECT_EQ(times.Widths[' '], 250);
    EXPECT_EQ(times.Widths['i'], 278);
    EXPECT_EQ(times.Widths['m'], 778);
    DesignFace design(times.FontFile);
    ASSERT_TRUE(design.ok());
    EXPECT_EQ(times.Widths[0x80], roundScaled(design.advanceOf(0x20AC), 1000, design.upem()));
    EXPECT_EQ(times.Ascent, 891);
    EXPECT_EQ(times.Descent, -216);
    EXPECT_GT(times.CapHeight, 600);
    EXPECT_LT(times.CapHeight, 720);
    EXPECT_LT(times.BBox[0], 0);
    EXPECT_LT(times.BBox[1], times.Descent + 1);
    EXPECT_GT(times.BBox[2], 1000);
    EXPECT_GT(times.BBox[3], times.CapHeight);
    EXPECT_EQ(times.ItalicAngle, 0);

    const OutlineMetrics arial = fs.outlineMetrics("Arial", false, false);
    EXPECT_EQ(arial.Widths['a'], 556);
    EXPECT_EQ(arial.Widths[' '], 278);
    EXPECT_EQ(arial.Widths['M'], 833);
    const OutlineMetrics arialBold = fs.outlineMetrics("Arial", true, false);
    EXPECT_EQ(arialBold.PostScriptName, "LiberationSans-Bold");
    EXPECT_EQ(arialBold.Widths['a'], 556);
    EXPECT_EQ(arialBold.Widths['b'], 611);

    const OutlineMetrics italic = fs.outlineMetrics("Times New Roman", false, true);
    EXPECT_LT(italic.ItalicAngle, -50);    // tenths of a degree, leaning right
    EXPECT_GT(italic.ItalicAngle, -300);

    const OutlineMetrics wing = fs.outlineMetrics("Wingdings", false, false);
    EXPECT_GT(wing.Widths[159], 0);
    EXPECT_FALSE(wing.FontFile.empty());
}

} // namespace
} // namespace quillet
