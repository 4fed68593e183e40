#include "render/ImageCanvas.h"

#include "platform/PngWriter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace quillet {

namespace {

constexpr int32_t kHuge = 1 << 30;

// FreeType faces for drawing, one per font file; sized per call.
class GlyphFaces {
public:
    ~GlyphFaces()
    {
        for (auto& [key, face] : faces_)
            if (face) FT_Done_Face(face);
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
};

// A glyph looked up by the font's own file name, without copying it.
struct GlyphKeyView {
    std::string_view File;
    int32_t Face, Size;
    uint32_t Glyph;
};

struct GlyphOrder {
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A& a, const B& b) const
    {
        return std::tie(a.Size, a.Glyph, a.Face) < std::tie(b.Size, b.Glyph, b.Face) ||
               (std::tie(a.Size, a.Glyph, a.Face) == std::tie(b.Size, b.Glyph, b.Face) &&
                std::string_view(a.File) < std::string_view(b.File));
    }
};

// `colour` laid over pixel p at `coverage` of 255.
inline void mixPixel(uint32_t& p, uint32_t colour, unsigned coverage)
{
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

GlyphFaces& glyphFaces()
{
    static GlyphFaces faces;
    return faces;
}

// n / d rounded to nearest, halves away from zero (d > 0).
int64_t divRound(__int128 n, __int128 d)
{
    return int64_t(n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d)));
}

__int128 isqrt128(__int128 v)
{
    if (v <= 0) return 0;
    auto r = static_cast<__int128>(std::sqrt(static_cast<long double>(v)));
    while (r > 0 && r * r > v) --r;
    while ((r + 1) * (r + 1) <= v) ++r;
    return r;
}

// Columns [x0, x1) of row y inside the ellipse inscribed in (l, t, r, b),
// tested at pixel centres exactly in integers; false when the row misses it.
bool ellipseSpan(int64_t l, int64_t t, int64_t r, int64_t b, int64_t y, int64_t& x0, int64_t& x1)
{
    const __int128 w = r - l, h = b - t;
    if (w <= 0 || h <= 0 || y < t || y >= b) return false;
    // ((2x+1-(l+r)) / w)^2 + ((2y+1-(t+b)) / h)^2 <= 1
    const __int128 a = 2 * y + 1 - (t + b);
    const __int128 rem = w * w * h * h - a * a * w * w;
    if (rem < 0) return false;
    const __int128 s = isqrt128(rem / (h * h));
    const __int128 sum = l + r - 1;  // |2x - sum| <= s
    // ceil((sum - s) / 2) .. floor((sum + s) / 2)
    const __int128 lo = sum - s, hi = sum + s;
    auto floorDiv2 = [](__int128 v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); };
    const __int128 first = -floorDiv2(-lo), last = floorDiv2(hi);
    if (last < first) return false;
    x0 = int64_t(first);
    x1 = int64_t(last) + 1;
    return true;
}

} // namespace

ImageCanvas::ImageCanvas(int32_t width, int32_t height, int32_t dpi, CanvasKind kind)
    : W(std::max(0, width)), H(std::max(0, height)), Dpi(dpi > 0 ? dpi : 96), Kind(kind),
      Pixels(size_t(W) * size_t(H), 0xFFFFFF)
{
    clearClip();
}

// ---- clipping --------------------------------------------------------------

void ImageCanvas::setClip(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    Region.clear();
    ClipL = left;
    ClipT = top;
    ClipR = right;
    ClipB = bottom;
}

void ImageCanvas::setClipRegion(const std::vector<ClipBox>& boxes)
{
    Region.clear();
    for (const ClipBox& b : boxes)
        if (b.Right > b.Left && b.Bottom > b.Top) Region.push_back(b);
    if (Region.empty()) {
        setClip(0, 0, 0, 0);
        return;
    }
    ClipL = ClipT = kHuge;
    ClipR = ClipB = -kHuge;
    for (const ClipBox& b : Region) {
        ClipL = std::min(ClipL, b.Left);
        ClipT = std::min(ClipT, b.Top);
        ClipR = std::max(ClipR, b.Right);
        ClipB = std::max(ClipB, b.Bottom);
    }
    // One box needs no per-row work.
    if (Region.size() == 1) Region.clear();
}

void ImageCanvas::clearClip()
{
    Region.clear();
    ClipL = ClipT = -kHuge;
    ClipR = ClipB = kHuge;
}

void ImageCanvas::bounds(int32_t& l, int32_t& t, int32_t& r, int32_t& b) const
{
    l = std::max({l, ClipL, 0});
    t = std::max({t, ClipT, 0, BandT});
    r = std::min({r, ClipR, W});
    b = std::min({b, ClipB, H, BandB});
}

bool ImageCanvas::inClip(int32_t x, int32_t y) const
{
    if (x < ClipL || y < ClipT || x >= ClipR || y >= ClipB || x < 0 || y < 0 || x >= W || y >= H) return false;
    if (y < BandT || y >= BandB) return false;
    if (Region.empty()) return true;
    for (const ClipBox& b : Region)
        if (x >= b.Left && x < b.Right && y >= b.Top && y < b.Bottom) return true;
    return false;
}

template <typename Fn> void ImageCanvas::clippedSpans(int32_t y, int64_t x0, int64_t x1, Fn&& fn) const
{
    if (y < std::max({0, ClipT, BandT}) || y >= std::min({H, ClipB, BandB})) return;
    x0 = std::max<int64_t>({x0, ClipL, 0});
    x1 = std::min<int64_t>({x1, ClipR, W});
    if (x1 <= x0) return;
    if (Region.empty()) {
        fn(int32_t(x0), int32_t(x1));
        return;
    }
    // Boxes may overlap: merge their pieces of this row, so a pixel is
    // touched once (XOR and inversion depend on it).
    std::pair<int32_t, int32_t> pieces[16];
    std::vector<std::pair<int32_t, int32_t>> many;
    size_t n = 0;
    for (const ClipBox& b : Region) {
        if (y < b.Top || y >= b.Bottom) continue;
        const int64_t l = std::max<int64_t>(x0, b.Left), r = std::min<int64_t>(x1, b.Right);
        if (r <= l) continue;
        if (n < 16) pieces[n++] = {int32_t(l), int32_t(r)};
        else many.emplace_back(int32_t(l), int32_t(r));
    }
    many.insert(many.begin(), pieces, pieces + n);
    std::sort(many.begin(), many.end());
    int32_t curL = 0, curR = 0;
    bool open = false;
    for (const auto& [l, r] : many) {
        if (open && l <= curR) {
            curR = std::max(curR, r);
            continue;
        }
        if (open) fn(curL, curR);
        curL = l;
        curR = r;
        open = true;
    }
    if (open) fn(curL, curR);
}

// ---- pixels ----------------------------------------------------------------

uint32_t ImageCanvas::pixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= W || y >= H) return 0xDEADBEEF;
    return Pixels[size_t(y) * size_t(W) + size_t(x)];
}

void ImageCanvas::setPixel(int32_t x, int32_t y, uint32_t colour)
{
    if (Discarding) return;
    if (!inClip(x, y)) return;
    Pixels[size_t(y) * size_t(W) + size_t(x)] = colour & 0xFFFFFF;
}

void ImageCanvas::penSpan(int32_t y, int64_t x0, int64_t x1, uint32_t colour)
{
    const PenMode mode = penMode();
    clippedSpans(y, x0, x1, [&](int32_t l, int32_t r) {
        uint32_t* p = row(y);
        if (mode == PenMode::Copy) {
            std::fill(p + l, p + r, colour & 0xFFFFFF);
            return;
        }
        for (int32_t x = l; x < r; ++x) p[x] = applyPenMode(mode, p[x], colour);
    });
}

void ImageCanvas::fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour)
{
    if (Discarding) return;
    bounds(left, top, right, bottom);
    for (int32_t y = top; y < bottom; ++y)
        clippedSpans(y, left, right, [&](int32_t l, int32_t r) { std::fill(row(y) + l, row(y) + r, colour & 0xFFFFFF); });
}

void ImageCanvas::invertRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (Discarding) return;
    bounds(left, top, right, bottom);
    for (int32_t y = top; y < bottom; ++y)
        clippedSpans(y, left, right, [&](int32_t l, int32_t r) {
            for (int32_t x = l; x < r; ++x) row(y)[x] ^= 0xFFFFFF;
        });
}

// ---- lines -----------------------------------------------------------------

void ImageCanvas::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width)
{
    if (Discarding) return;
    const int64_t w = std::max(1, width);
    const int64_t off = (w - 1) / 2;
    const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    const int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
    if (steps == 0) return;
    const bool dotted = penStyle() == PenStyle::Dot && w == 1;

    // The thin line's i-th pixel: one step along the major axis, the minor
    // axis rounded to nearest (Bresenham's choice, in closed form so a
    // segment reaching far off the image can skip to the visible part).
    auto at = [&](int64_t i, int64_t& x, int64_t& y) {
        x = x1 + divRound(__int128(dx) * i, steps);
        y = y1 + divRound(__int128(dy) * i, steps);
    };
    // Only steps whose grown pixel can touch the image are walked.
    int64_t first = 0, last = steps;  // [first, last)
    auto clampAxis = [&](int64_t start, int64_t delta, int64_t lo, int64_t hi) {
        // start + delta * i / steps lies within [lo, hi] for i in the result.
        if (delta == 0) {
            if (start < lo || start > hi) last = first;
            return;
        }
        const long double a = (static_cast<long double>(lo) - start) * steps / delta;
        const long double b = (static_cast<long double>(hi) - start) * steps / delta;
        const long double from = std::min(a, b) - 2, to = std::max(a, b) + 2;
        if (from > static_cast<long double>(first)) first = std::min<int64_t>(last, static_cast<int64_t>(from));
        if (to < static_cast<long double>(last)) last = std::max<int64_t>(first, static_cast<int64_t>(to) + 1);
    };
    clampAxis(x1, dx, -w, int64_t(W) + w);
    clampAxis(y1, dy, -w, int64_t(H) + w);
    if (first >= last) return;

    if (w == 1 && !dotted && (dx == 0 || dy == 0)) {
        // Borders and rules: one span per row.
        int64_t sx, sy, ex, ey;
        at(first, sx, sy);
        at(last - 1, ex, ey);
        if (dy == 0) {
            penSpan(int32_t(sy), std::min(sx, ex), std::max(sx, ex) + 1, colour);
        } else {
            for (int64_t y = std::min(sy, ey); y <= std::max(sy, ey); ++y)
                if (y >= 0 && y < H) penSpan(int32_t(y), sx, sx + 1, colour);
        }
        return;
    }

    // Collect each row's covered columns first, then set every pixel once.
    int64_t sx, sy, ex, ey;
    at(first, sx, sy);
    at(last - 1, ex, ey);
    const int64_t rowTop = std::max<int64_t>(0, std::min(sy, ey) - off);
    const int64_t rowBottom = std::min<int64_t>(H, std::max(sy, ey) - off + w);  // exclusive
    if (rowBottom <= rowTop) return;
    std::vector<std::pair<int64_t, int64_t>> spans(size_t(rowBottom - rowTop), {INT64_MAX, INT64_MIN});
    std::vector<std::vector<int64_t>> dots;
    if (dotted) dots.resize(spans.size());
    for (int64_t i = first; i < last; ++i) {
        if (dotted && (i & 1)) continue;
        int64_t x, y;
        at(i, x, y);
        for (int64_t yy = y - off; yy < y - off + w; ++yy) {
            if (yy < rowTop || yy >= rowBottom) continue;
            const size_t k = size_t(yy - rowTop);
            if (dotted) {
                dots[k].push_back(x);
                continue;
            }
            spans[k].first = std::min(spans[k].first, x - off);
            spans[k].second = std::max(spans[k].second, x - off + w);
        }
    }
    for (size_t k = 0; k < spans.size(); ++k) {
        const auto y = int32_t(rowTop + int64_t(k));
        if (dotted) {
            // A steep line may visit a row at several columns.
            std::sort(dots[k].begin(), dots[k].end());
            dots[k].erase(std::unique(dots[k].begin(), dots[k].end()), dots[k].end());
            for (int64_t x : dots[k]) penSpan(y, x, x + 1, colour);
        } else if (spans[k].first < spans[k].second) {
            penSpan(y, spans[k].first, spans[k].second, colour);
        }
    }
}

// ---- shapes ----------------------------------------------------------------

void ImageCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                            std::optional<uint32_t> pen, int32_t penWidth)
{
    if (Discarding) return;
    if (right <= left || bottom <= top) return;
    const int64_t pw = pen ? std::min<int64_t>(std::max(1, penWidth), std::max(right - left, bottom - top)) : 0;
    if (pen && penStyle() == PenStyle::Dot && pw == 1) {
        // A dotted frame: four thin lines, each stopping before the next
        // one's start, so the corners are set once.
        if (fill && right - left > 2 && bottom - top > 2) {
            for (int32_t y = top + 1; y < bottom - 1; ++y) penSpan(y, left + 1, right - 1, *fill);
        }
        const int32_t r1 = right - 1, b1 = bottom - 1;
        if (r1 == left) {
            line(left, top, left, bottom, *pen, 1);
            return;
        }
        if (b1 == top) {
            line(left, top, right, top, *pen, 1);
            return;
        }
        line(left, top, r1, top, *pen, 1);
        line(r1, top, r1, b1, *pen, 1);
        line(r1, b1, left, b1, *pen, 1);
        line(left, b1, left, top, *pen, 1);
        return;
    }
    int32_t t = top, b = bottom, l = left, r = right;
    bounds(l, t, r, b);
    for (int32_t y = t; y < b; ++y) {
        const bool edgeRow = y < top + pw || y >= bottom - pw;
        if (edgeRow) {
            penSpan(y, left, right, *pen);
            continue;
        }
        if (pw > 0) {
            penSpan(y, left, std::min<int64_t>(right, left + pw), *pen);
            penSpan(y, std::max<int64_t>(left + pw, right - pw), right, *pen);
        }
        if (fill) penSpan(y, left + pw, right - pw, *fill);
    }
}

void ImageCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                          std::optional<uint32_t> pen, int32_t penWidth)
{
    if (Discarding) return;
    if (right <= left || bottom <= top) return;
    const int64_t pw = pen ? std::max(1, penWidth) : 0;
    int32_t l = left, t = top, r = right, b = bottom;
    bounds(l, t, r, b);
    for (int32_t y = t; y < b; ++y) {
        int64_t o0, o1;
        if (!ellipseSpan(left, top, right, bottom, y, o0, o1)) continue;
        int64_t i0 = 0, i1 = 0;
        bool inner = true;
        if (pw > 0) inner = ellipseSpan(left + pw, top + pw, right - pw, bottom - pw, y, i0, i1);
        else i0 = o0, i1 = o1;
        if (!inner || i1 <= i0) {
            if (pen) penSpan(y, o0, o1, *pen);
            else if (fill) penSpan(y, o0, o1, *fill);
            continue;
        }
        i0 = std::max(i0, o0);
        i1 = std::min(i1, o1);
        if (pen) {
            penSpan(y, o0, i0, *pen);
            penSpan(y, i1, o1, *pen);
        }
        if (fill) penSpan(y, i0, i1, *fill);
    }
}

// ---- text ------------------------------------------------------------------

void ImageCanvas::blend(int32_t x, int32_t y, uint32_t colour, unsigned coverage)
{
    if (coverage == 0 || !inClip(x, y)) return;
    mixPixel(row(y)[x], colour, coverage);
}

void ImageCanvas::drawGlyph(const uint8_t* coverage, int32_t width, int32_t rows, int64_t gx, int64_t gy,
                            uint32_t colour)
{
    if (!Region.empty()) {
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t c = 0; c < width; ++c)
                blend(int32_t(gx + c), int32_t(gy + r), colour, coverage[size_t(r) * size_t(width) + size_t(c)]);
        return;
    }
    // A clip of one box: the part of the glyph inside it is found once,
    // not pixel by pixel.
    const int64_t x0 = std::max<int64_t>({gx, ClipL, 0}), x1 = std::min<int64_t>({gx + width, ClipR, W});
    const int64_t y0 = std::max<int64_t>({gy, ClipT, 0, BandT}), y1 = std::min<int64_t>({gy + rows, ClipB, H, BandB});
    for (int64_t y = y0; y < y1; ++y) {
        const uint8_t* from = coverage + size_t(y - gy) * size_t(width);
        uint32_t* to = row(int32_t(y));
        for (int64_t x = x0; x < x1; ++x)
            if (const unsigned c = from[x - gx]) mixPixel(to[x], colour, c);
    }
}

void ImageCanvas::text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour)
{
    if (Discarding) return;
    if (!font || ansi.empty()) return;
    const TextExtent ext = font->textExtent(ansi);
    if (const auto bk = textBackground()) fillRect(x, y, int32_t(std::min<int64_t>(int64_t(x) + ext.cx, kHuge)),
                                                   int32_t(std::min<int64_t>(int64_t(y) + ext.cy, kHuge)), *bk);
    static std::map<GlyphKey, GlyphBitmap, GlyphOrder> cache;
    const int32_t size = std::clamp(font->pixelSize(), 1, 4000);
    FT_Face face = nullptr;
    bool faceFailed = false;
    const int32_t baseline = y + font->ascent();
    int64_t penX = x;
    for (unsigned char code : ansi) {
        const int32_t advance = font->advance(code);
        if (penX > int64_t(W) + 4000) break;
        if (penX + advance >= -4000 && code != ' ' && !faceFailed) {
            const GlyphKeyView look{font->filePath(), font->faceIndex(), size, font->glyphIndex(code)};
            auto it = cache.find(look);
            if (it == cache.end()) {
                GlyphKey key{std::string(look.File), look.Face, look.Size, look.Glyph};
                GlyphBitmap g;
                if (!face) {
                    face = glyphFaces().face(font->filePath(), font->faceIndex());
                    if (!face || FT_Set_Pixel_Sizes(face, 0, FT_UInt(size)) != 0) {
                        faceFailed = true;
                        continue;
                    }
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
            drawGlyph(g.Coverage.data(), g.Width, g.Rows, gx, gy, colour);
        }
        penX += advance;
    }
    // The platform font draws its own strike-out bar across the advances.
    if (font->logFont().StrikeOut) {
        const int32_t top = baseline - font->strikeOutPosition();
        fillRect(x, top, int32_t(std::min<int64_t>(int64_t(x) + ext.cx, kHuge)), top + font->strikeOutSize(), colour);
    }
}

// ---- pictures --------------------------------------------------------------

void ImageCanvas::drawImage(const ImageCanvas& image, int32_t x, int32_t y)
{
    if (Discarding) return;
    if (&image == this) return;
    for (int32_t sy = 0; sy < image.H; ++sy) {
        const int64_t dy = int64_t(y) + sy;
        if (dy < 0 || dy >= H) continue;
        clippedSpans(int32_t(dy), int64_t(x), int64_t(x) + image.W, [&](int32_t l, int32_t r) {
            std::copy(image.row(sy) + (l - x), image.row(sy) + (r - x), row(int32_t(dy)) + l);
        });
    }
}

template <typename RowFn>
void ImageCanvas::stretchRows(int32_t x, int32_t y, int32_t width, int32_t height, int32_t sourceWidth,
                              int32_t sourceHeight, RowFn&& rowColours)
{
    if (Discarding) return;
    // Destination column i takes source column sourceWidth*i/width and row r
    // source row sourceHeight*r/height: colour-on-colour stretching, which
    // drops rows and columns when shrinking.
    int32_t l = x, t = y, r = int32_t(std::min<int64_t>(int64_t(x) + width, kHuge)),
            b = int32_t(std::min<int64_t>(int64_t(y) + height, kHuge));
    bounds(l, t, r, b);
    if (r <= l || b <= t) return;
    std::vector<int32_t> columns(static_cast<size_t>(r - l));
    for (int32_t dx = l; dx < r; ++dx)
        columns[size_t(dx - l)] = int32_t(int64_t(sourceWidth) * (int64_t(dx) - x) / width);
    std::vector<uint32_t> source(static_cast<size_t>(sourceWidth));
    int64_t loaded = -1;
    for (int32_t dy = t; dy < b; ++dy) {
        const int64_t sr = int64_t(sourceHeight) * (int64_t(dy) - y) / height;
        if (sr != loaded) {
            rowColours(int32_t(sr), source.data());
            loaded = sr;
        }
        clippedSpans(dy, l, r, [&](int32_t a, int32_t e) {
            uint32_t* p = row(dy);
            for (int32_t dx = a; dx < e; ++dx) p[dx] = source[size_t(columns[size_t(dx - l)])];
        });
    }
}

int32_t ImageCanvas::stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture,
                                int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                uint32_t rop)
{
    // The source must lie inside the picture (callers clip it first).
    if (!stretchDibDrawable(width, height, picture, sourceX, sourceY, sourceWidth, sourceHeight, rop)) return 0;
    const int32_t pw = dibwidth(picture);
    std::vector<uint32_t> full(static_cast<size_t>(pw));
    // Top-down source row k of the rectangle is stored row
    // sourceY + sourceHeight - 1 - k (rows are stored bottom-up).
    stretchRows(x, y, width, height, sourceWidth, sourceHeight, [&](int32_t k, uint32_t* out) {
        dibRowColours(picture, sourceY + sourceHeight - 1 - k, full.data());
        std::copy(full.begin() + sourceX, full.begin() + sourceX + sourceWidth, out);
    });
    return height;
}

bool ImageCanvas::stretchBitmap(int32_t x, int32_t y, int32_t width, int32_t height, const Bitmap32& bitmap,
                                int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                uint32_t rop)
{
    if (rop != SRCCOPY || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return false;
    if (bitmap.Width <= 0 || bitmap.Height <= 0 ||
        bitmap.Pixels.size() / size_t(bitmap.Width) < size_t(bitmap.Height))
        return false;
    if (sourceX < 0 || sourceY < 0 || sourceWidth > bitmap.Width - sourceX || sourceHeight > bitmap.Height - sourceY)
        return false;
    stretchRows(x, y, width, height, sourceWidth, sourceHeight, [&](int32_t k, uint32_t* out) {
        const uint32_t* src = bitmap.Pixels.data() + size_t(sourceY + k) * size_t(bitmap.Width) + size_t(sourceX);
        std::copy(src, src + sourceWidth, out);
    });
    return true;
}

bool ImageCanvas::writePng(const std::filesystem::path& file) const
{
    return writePngFile(file, Pixels.data(), W, H, size_t(W));
}

} // namespace quillet
