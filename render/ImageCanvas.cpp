#include "render/ImageCanvas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>
#include <vector>
#include <memory>
#include <string>
#include <utility>

namespace quillet {

namespace {

constexpr int32_t kHuge = 1 << 30;

// FreeType faces for drawing, one per font file; sized per call.
class GlyphFaces {
public:
    ~GlyphFaces()
    {
        for (auto& [key, face] : faces_) FT_Done_Face(face);
        if (lib_) FT_Done_FreeType(lib_);
    }
    FT_Face face(const std::string& file, int32_t index)
    {
        if (!lib_ && FT_Init_FreeType(&lib_) != 0) return nullptr;
        auto key = std::make_pair(file, index);
        auto it = faces_.find(key);
        if (it != faces_.end()) return it->second;
        FT_Face f = nullptr;
        if (FT_New_Face(lib_, file.c_str(), index, &f) != 0) f = nullptr;
        faces_[key] = f;
        return f;
    }

private:
    FT_Library lib_ = nullptr;
    std::map<std::pair<std::string, int32_t>, FT_Face> faces_;
};

// Rendered glyph coverage, kept per face, pixel size and glyph: pages show
// the same few dozen glyphs thousands of times.
struct GlyphBitmap {
    int32_t Left = 0, Top = 0, Width = 0, Rows = 0;
    std::vector<uint8_t> Coverage;
};

struct GlyphKey {
    std::string File;
    int32_t Face, Size;
    uint32_t Glyph;
    bool operator<(const GlyphKey& o) const
    {
        return std::tie(Size, Glyph, Face, File) < std::tie(o.Size, o.Glyph, o.Face, o.File);
    }
};

GlyphFaces& glyphFaces()
{
    static GlyphFaces faces;
    return faces;
}

} // namespace

ImageCanvas::ImageCanvas(int32_t width, int32_t height, int32_t dpi)
    : W(std::max(0, width)), H(std::max(0, height)), Dpi(dpi > 0 ? dpi : 96),
      Pixels(size_t(W) * size_t(H), 0xFFFFFF)
{
    clearClip();
}

void ImageCanvas::setClip(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    ClipL = left;
    ClipT = top;
    ClipR = right;
    ClipB = bottom;
}

void ImageCanvas::clearClip()
{
    ClipL = ClipT = -kHuge;
    ClipR = ClipB = kHuge;
}

void ImageCanvas::bounds(int32_t& l, int32_t& t, int32_t& r, int32_t& b) const
{
    l = std::max({l, ClipL, 0});
    t = std::max({t, ClipT, 0});
    r = std::min({r, ClipR, W});
    b = std::min({b, ClipB, H});
}

uint32_t ImageCanvas::pixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= W || y >= H) return 0xDEADBEEF;
    return Pixels[size_t(y) * size_t(W) + size_t(x)];
}

void ImageCanvas::setPixel(int32_t x, int32_t y, uint32_t colour)
{
    if (x < ClipL || y < ClipT || x >= ClipR || y >= ClipB) return;
    if (x < 0 || y < 0 || x >= W || y >= H) return;
    Pixels[size_t(y) * size_t(W) + size_t(x)] = colour & 0xFFFFFF;
}

void ImageCanvas::fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour)
{
    bounds(left, top, right, bottom);
    for (int32_t y = top; y < bottom; ++y) std::fill(row(y) + left, row(y) + std::max(left, right), colour & 0xFFFFFF);
}

void ImageCanvas::invertRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    bounds(left, top, right, bottom);
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = left; x < right; ++x) row(y)[x] ^= 0xFFFFFF;
}

void ImageCanvas::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width)
{
    const int32_t w = std::max(1, width);
    const int32_t off = (w - 1) / 2;
    const int64_t dx = std::llabs(int64_t(x2) - x1), dy = std::llabs(int64_t(y2) - y1);
    // Straight lines are the common case (borders, rules): plain rectangles.
    if (dy == 0) {
        fillRect(std::min(x1, x2), y1 - off, std::max(x1, x2), y1 - off + w, colour);
        return;
    }
    if (dx == 0) {
        fillRect(x1 - off, std::min(y1, y2), x1 - off + w, std::max(y1, y2), colour);
        return;
    }
    const int64_t steps = std::min<int64_t>(std::max(dx, dy), 1 << 20);
    for (int64_t i = 0; i < steps; ++i) {
        const auto x = int32_t(x1 + (int64_t(x2) - x1) * i / steps);
        const auto y = int32_t(y1 + (int64_t(y2) - y1) * i / steps);
        fillRect(x - off, y - off, x - off + w, y - off + w, colour);
    }
}

void ImageCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                          std::optional<uint32_t> pen, int32_t penWidth)
{
    if (right <= left || bottom <= top) return;
    const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    const double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
    const double pw = std::max(1, penWidth);
    int32_t l = left, t = top, r = right, b = bottom;
    bounds(l, t, r, b);
    for (int32_t y = t; y < b; ++y) {
        for (int32_t x = l; x < r; ++x) {
            const double nx = (x + 0.5 - cx) / rx, ny = (y + 0.5 - cy) / ry;
            const double d = nx * nx + ny * ny;
            if (d > 1.0) continue;
            // Distance to the rim along the smaller radius decides the pen.
            const double inner = std::max(0.0, 1.0 - pw / std::min(rx, ry));
            if (pen && d >= inner * inner) row(y)[x] = *pen & 0xFFFFFF;
            else if (fill) row(y)[x] = *fill & 0xFFFFFF;
        }
    }
}

void ImageCanvas::drawImage(const ImageCanvas& image, int32_t x, int32_t y)
{
    int32_t l = x, t = y, r = x + image.W, b = y + image.H;
    bounds(l, t, r, b);
    for (int32_t yy = t; yy < b; ++yy)
        if (r > l) std::copy(image.row(yy - y) + (l - x), image.row(yy - y) + (r - x), row(yy) + l);
}

void ImageCanvas::blend(int32_t x, int32_t y, uint32_t colour, unsigned coverage)
{
    if (x < ClipL || y < ClipT || x >= ClipR || y >= ClipB || x < 0 || y < 0 || x >= W || y >= H) return;
    if (coverage == 0) return;
    uint32_t& p = row(y)[x];
    if (coverage >= 255) {
        p = colour & 0xFFFFFF;
        return;
    }
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned a = (colour >> shift) & 0xFF, bgc = (p >> shift) & 0xFF;
        out |= ((a * coverage + bgc * (255 - coverage) + 127) / 255) << shift;
    }
    p = out;
}

void ImageCanvas::text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour)
{
    if (!font || ansi.empty()) return;
    static std::map<GlyphKey, GlyphBitmap> cache;
    const int32_t size = std::clamp(font->pixelSize(), 1, 4000);
    FT_Face face = nullptr;
    const int32_t baseline = y + font->ascent();
    int64_t penX = x;
    for (unsigned char code : ansi) {
        const int32_t advance = font->advance(code);
        if (penX > W + 4000) break;
        if (penX + advance >= 0 && code != ' ') {
            GlyphKey key{font->filePath(), font->faceIndex(), size, font->glyphIndex(code)};
            auto it = cache.find(key);
            if (it == cache.end()) {
                GlyphBitmap g;
                if (!face) {
                    face = glyphFaces().face(font->filePath(), font->faceIndex());
                    if (!face || FT_Set_Pixel_Sizes(face, 0, FT_UInt(size)) != 0) return;
                }
                // Unhinted, as the advances were measured.
                if (FT_Load_Glyph(face, key.Glyph, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) == 0) {
                    const FT_GlyphSlot slot = face->glyph;
                    const FT_Bitmap& bm = slot->bitmap;
                    g.Left = slot->bitmap_left;
                    g.Top = slot->bitmap_top;
                    g.Width = int32_t(bm.width);
                    g.Rows = int32_t(bm.rows);
                    g.Coverage.resize(size_t(g.Width) * size_t(g.Rows));
                    for (int32_t r = 0; r < g.Rows; ++r) {
                        const unsigned char* src = bm.buffer + int64_t(r) * bm.pitch;
                        for (int32_t c = 0; c < g.Width; ++c)
                            g.Coverage[size_t(r) * size_t(g.Width) + size_t(c)] =
                                bm.pixel_mode == FT_PIXEL_MODE_MONO ? uint8_t(((src[c >> 3] >> (7 - (c & 7))) & 1) * 255)
                                                                    : src[c];
                    }
                }
                it = cache.emplace(std::move(key), std::move(g)).first;
            }
            const GlyphBitmap& g = it->second;
            const int64_t gx = penX + g.Left, gy = int64_t(baseline) - g.Top;
            for (int32_t r = 0; r < g.Rows; ++r)
                for (int32_t c = 0; c < g.Width; ++c)
                    blend(int32_t(gx + c), int32_t(gy + r), colour, g.Coverage[size_t(r) * size_t(g.Width) + size_t(c)]);
        }
        penX += advance;
    }
}

} // namespace quillet
