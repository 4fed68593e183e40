// Metafiles that draw: clip art made of pens, brushes, shapes and text,
// rasterised by the player and checked pixel by pixel.

#include "formats/rtf/Rtf.h"
#include "formats/rtf/Wmf.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quillet;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;

// Builds a metafile record by record; parameters are 16-bit words in the
// order the records store them.
struct Wmf {
    std::vector<uint8_t> b;
    explicit Wmf(uint16_t objects = 8)
    {
        for (uint16_t w : std::initializer_list<uint16_t>{1, 9, 0x0300, 0, 0, objects, 0, 0, 0}) word(w);
    }
    void word(uint16_t w)
    {
        b.push_back(uint8_t(w));
        b.push_back(uint8_t(w >> 8));
    }
    Wmf& rec(uint16_t function, std::vector<uint16_t> params, uint32_t words = 0)
    {
        const uint32_t size = words ? words : uint32_t(3 + params.size());
        word(uint16_t(size));
        word(uint16_t(size >> 16));
        word(function);
        for (uint16_t p : params) word(p);
        return *this;
    }
    Wmf& window(int16_t x, int16_t y, int16_t w, int16_t h)
    {
        return rec(0x020B, {uint16_t(y), uint16_t(x)}).rec(0x020C, {uint16_t(h), uint16_t(w)});
    }
    Wmf& pen(uint16_t style, int16_t width, uint32_t c)
    {
        return rec(0x02FA, {style, uint16_t(width), 0, uint16_t(c), uint16_t(c >> 16)});
    }
    Wmf& brush(uint16_t style, uint32_t c) { return rec(0x02FC, {style, uint16_t(c), uint16_t(c >> 16), 0}); }
    Wmf& select(uint16_t i) { return rec(0x012D, {i}); }
    Wmf& box(uint16_t function, int16_t l, int16_t t, int16_t r, int16_t bottom)
    {
        return rec(function, {uint16_t(bottom), uint16_t(r), uint16_t(t), uint16_t(l)});
    }
    Wmf& rect(int16_t l, int16_t t, int16_t r, int16_t bottom) { return box(0x041B, l, t, r, bottom); }
    Wmf& poly(uint16_t function, const std::vector<std::pair<int16_t, int16_t>>& pts)
    {
        std::vector<uint16_t> p{uint16_t(pts.size())};
        for (auto [x, y] : pts) p.insert(p.end(), {uint16_t(x), uint16_t(y)});
        return rec(function, p);
    }
    std::vector<uint8_t> bytes() const
    {
        std::vector<uint8_t> out = b;
        for (uint8_t c : {3, 0, 0, 0, 0, 0}) out.push_back(c);
        return out;
    }
};

// Plain shapes in a 100 x 100 window: red brush in slot 0, black pen in 1.
Wmf clipArt()
{
    Wmf w;
    w.window(0, 0, 100, 100).brush(0, kRed).select(0).pen(0, 1, kBlack).select(1);
    return w;
}

std::vector<std::pair<int16_t, int16_t>> star()
{
    std::vector<std::pair<int16_t, int16_t>> pts;
    for (int k = 0; k < 5; ++k) {
        const double a = (-90.0 + 144.0 * k) * 3.14159265358979 / 180;
        pts.push_back({int16_t(std::lround(50 + 45 * std::cos(a))), int16_t(std::lround(50 + 45 * std::sin(a)))});
    }
    return pts;
}

uint32_t at(const Dib& d, int32_t x, int32_t y) { return getpixel(d, x, dibheight(d) - 1 - y); }

struct Pixel {
    int32_t x, y;
    uint32_t colour;
};

TEST(MetafileDrawing, ShapesLandOnTheirPixels)
{
    const struct {
        const char* name;
        std::function<Wmf()> make;
        int32_t width, height;
        std::vector<Pixel> pixels;
    } cases[] = {
        {"filled rectangle with outline", [] { return clipArt().rect(10, 10, 50, 40); }, 100, 100,
         {{30, 25, kRed}, {10, 10, kBlack}, {49, 39, kBlack}, {50, 40, kWhite}, {5, 5, kWhite}}},
        {"pen width and hollow brush",
         [] { return Wmf().window(0, 0, 100, 100).pen(0, 5, kBlue).select(0).brush(1, 0).select(1).rect(10, 10, 90, 90); },
         100, 100, {{10, 50, kBlue}, {14, 50, kBlue}, {16, 50, kWhite}, {50, 50, kWhite}}},
        {"null pen draws no outline",
         [] { return Wmf().window(0, 0, 100, 100).pen(5, 1, kBlack).select(0).brush(0, kGreen).select(1).rect(10, 10, 20, 20); },
         100, 100, {{10, 10, kGreen}, {19, 19, kGreen}, {20, 20, kWhite}}},
        {"ellipse", [] { return clipArt().box(0x0418, 0, 0, 100, 60); }, 100, 100,
         {{50, 30, kRed}, {2, 2, kWhite}, {50, 80, kWhite}}},
        {"polygon, alternate fill leaves the star's middle",
         [] { return clipArt().pen(5, 1, 0).select(2).poly(0x0324, star()); }, 100, 100,
         {{50, 50, kWhite}, {50, 12, kRed}}},
        {"polygon, winding fill fills it",
         [] { return clipArt().pen(5, 1, 0).select(2).rec(0x0106, {2}).poly(0x0324, star()); }, 100, 100,
         {{50, 50, kRed}, {50, 12, kRed}}},
        {"two polygons, the inner one a hole",
         [] {
             return clipArt().rec(0x0538, {2, 4, 4, 0, 0, 80, 0, 80, 80, 0, 80, 20, 20, 60, 20, 60, 60, 20, 60});
         },
         100, 100, {{10, 10, kRed}, {40, 40, kWhite}, {90, 90, kWhite}}},
        {"polyline and lines",
         [] { return clipArt().poly(0x0325, {{10, 20}, {90, 20}}).rec(0x0214, {10, 50}).rec(0x0213, {90, 50}); },
         100, 100, {{30, 20, kBlack}, {30, 22, kWhite}, {50, 60, kBlack}, {52, 60, kWhite}, {50, 90, kWhite}}},
        {"pie takes the quarter between its rays",
         [] { return clipArt().rec(0x081A, {0, 50, 50, 100, 100, 100, 0, 0}); }, 100, 100,
         {{70, 30, kRed}, {30, 70, kWhite}, {30, 30, kWhite}}},
        {"round rectangle keeps its corners clear",
         [] { return clipArt().rec(0x061C, {40, 40, 100, 100, 0, 0}); }, 100, 100,
         {{1, 1, kWhite}, {50, 50, kRed}, {50, 0, kBlack}}},
        {"a larger window scales down",
         [] { return clipArt().rec(0x020C, {200, 200}).rect(100, 100, 200, 200); }, 100, 100,
         {{75, 75, kRed}, {45, 45, kWhite}}},
        {"viewport extent and origin",
         [] { return clipArt().rec(0x020E, {50, 50}).rec(0x020D, {50, 50}).rect(0, 0, 100, 100); }, 100, 100,
         {{75, 75, kRed}, {25, 25, kWhite}}},
        {"window flipped upwards",
         [] { return Wmf().window(0, 100, 100, -100).brush(0, kRed).select(0).rect(0, 0, 50, 30); }, 100, 100,
         {{25, 90, kRed}, {25, 10, kWhite}}},
        {"window beside the origin", [] { return Wmf().window(-100, -100, 200, 100).rect(-10, -10, 10, 10); }, 200,
         100, {{90, 90, kBlack}, {100, 95, kWhite}, {80, 80, kWhite}}},
        {"restored state brings the brush back",
         [] { return clipArt().rec(0x001E, {}).brush(0, kBlue).select(2).rec(0x0127, {0xFFFF}).rect(0, 0, 50, 50); },
         100, 100, {{25, 25, kRed}}},
        {"a deleted object's slot is taken by the next",
         [] { return clipArt().rec(0x01F0, {0}).brush(0, kGreen).select(0).rect(0, 0, 50, 50); }, 100, 100,
         {{25, 25, kGreen}}},
        {"clip rectangle", [] { return clipArt().rec(0x0416, {50, 50, 0, 0}).pen(5, 1, 0).select(2).rect(0, 0, 100, 100); },
         100, 100, {{25, 25, kRed}, {75, 75, kWhite}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = c.make().bytes();
        Dib out;
        const MetafileInfo info = playMetafile(bytes.data(), bytes.size(), out);
        EXPECT_TRUE(info.ok) << info.error;
        EXPECT_GT(info.shapes, 0);
        ASSERT_EQ(dibwidth(out), c.width);
        ASSERT_EQ(dibheight(out), c.height);
        for (const Pixel& p : c.pixels) EXPECT_EQ(at(out, p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

TEST(MetafileDrawing, PlaceableBoxTextAndPicturesShareTheDrawing)
{
    // A 1 x 0.5 inch box at 96 dots per inch.
    std::vector<uint8_t> placed = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0xA0, 0x05, 0xD0, 0x02, 0xA0, 0x05};
    placed.resize(22, 0);
    Wmf w;
    w.window(0, 0, 1440, 720).brush(0, kRed).select(0).pen(5, 0, 0).select(1).rect(0, 0, 720, 720);
    // Text: a 30-pixel font in blue on a transparent background.
    std::vector<uint16_t> font = {uint16_t(-450), 0, 0, 0, 700, 0, 0, 0, 0, 'A' | 'r' << 8, 'i' | 'a' << 8, 'l'};
    font.resize(9 + 16, 0);
    w.rec(0x02FB, font).select(2).rec(0x0209, {0, 0xFF}).rec(0x0102, {1}).rec(0x0521, {2, 'W' | 'W' << 8, 0, 750});
    placed.insert(placed.end(), w.b.begin(), w.b.end());
    for (uint8_t c : {3, 0, 0, 0, 0, 0}) placed.push_back(c);
    Dib out;
    const MetafileInfo info = playMetafile(placed.data(), placed.size(), out);
    ASSERT_TRUE(info.ok) << info.error;
    ASSERT_EQ(dibwidth(out), 96);
    ASSERT_EQ(dibheight(out), 48);
    EXPECT_EQ(at(out, 40, 40), kRed);
    EXPECT_EQ(at(out, 47, 5), kRed);
    int blue = 0;
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 50; x < 96; ++x) blue += at(out, x, y) == kBlue;
    EXPECT_GT(blue, 20);

    // A picture transfer with a shape on top is drawn, not taken as stored.
    Dib pic;
    newdib(&pic, 8, 8, 24, nullptr, 0);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) setpixel(pic, x, y, kGreen);
    std::vector<uint8_t> mixed = metafileOfPicture(pic);
    mixed.resize(mixed.size() - 6);
    Wmf shape;
    shape.rect(2, 2, 6, 6);
    mixed.insert(mixed.end(), shape.b.begin() + 18, shape.b.end());
    for (uint8_t c : {3, 0, 0, 0, 0, 0}) mixed.push_back(c);
    const MetafileInfo mixedInfo = playMetafile(mixed.data(), mixed.size(), out);
    EXPECT_TRUE(mixedInfo.ok) << mixedInfo.error;
    EXPECT_EQ(mixedInfo.pictures, 1);
    EXPECT_EQ(at(out, 0, 0), kGreen);
    EXPECT_EQ(at(out, 2, 2), kBlack);
    EXPECT_EQ(at(out, 4, 4), kWhite);
}

TEST(MetafileDrawing, BadRecordsEndThePlaybackAndKeepWhatWasDrawn)
{
    const struct {
        const char* name;
        std::function<void(Wmf&)> add;
        bool ok;
    } cases[] = {
        {"a record running past the data", [](Wmf& w) { w.rec(0x041B, {0, 0}, 0x7FFFFFFF); }, false},
        {"an object index outside the table", [](Wmf& w) { w.select(200); }, false},
        {"deleting outside the table", [](Wmf& w) { w.rec(0x01F0, {8}); }, false},
        {"a full object table", [](Wmf& w) { for (int i = 0; i < 8; ++i) w.pen(0, 1, 0); }, false},
        {"a polygon longer than its record", [](Wmf& w) { w.rec(0x0324, {30000, 0, 0, 5, 5}); }, false},
        {"too many points in all", [](Wmf& w) { w.rec(0x0538, {3, 30000, 30000, 30000}); }, false},
        {"a window of no size", [](Wmf& w) { w.rec(0x020C, {0, 100}); }, false},
        {"a viewport scaled to nothing", [](Wmf& w) { w.rec(0x0412, {1, 0, 1, 0}); }, false},
        {"short and unknown records are skipped", [](Wmf& w) { w.rec(0x041B, {1}).rec(0x7777, {1, 2, 3}).rec(0x0127, {5}); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Wmf w = clipArt();
        w.rect(0, 0, 40, 40);
        c.add(w);
        w.brush(0, kBlue).select(2).rect(50, 50, 90, 90);
        const std::vector<uint8_t> bytes = w.bytes();
        Dib out;
        const MetafileInfo info = playMetafile(bytes.data(), bytes.size(), out);
        EXPECT_EQ(info.ok, c.ok) << info.error;
        EXPECT_EQ(info.error.empty(), c.ok);
        ASSERT_EQ(dibwidth(out), 100);
        EXPECT_EQ(at(out, 20, 20), kRed);
        EXPECT_EQ(at(out, 70, 70), c.ok ? kBlue : kWhite);
    }
    // Without a window or placeable box there is nothing to size a drawing by.
    Wmf bare;
    bare.rect(0, 0, 10, 10);
    const std::vector<uint8_t> bytes = bare.bytes();
    Dib out;
    EXPECT_TRUE(playMetafile(bytes.data(), bytes.size(), out).ok);
    EXPECT_TRUE(out.empty());
}

TEST(MetafileDrawing, ClipArtInRtfBecomesAPictureThatShowsIt)
{
    const std::vector<uint8_t> wmf = clipArt().rect(0, 0, 50, 100).bytes();
    std::string rtf = "{\\rtf1 a{\\pict\\wmetafile8\\picw2000\\pich2000\\picwgoal1440\\pichgoal1440 ";
    for (uint8_t c : wmf) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", c);
        rtf += hex;
    }
    rtf += "}b}";
    FrameState frame = StandardFrameState();
    frame.ProgDir = test::programDir();
    TMDIChild w(frame);
    w.FormCreate();
    ASSERT_EQ(ReadRtfFile(w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size()), rtfOk);
    ASSERT_EQ(w.Pictures.size(), 1u);
    const Dib& pic = w.Pictures[0];
    ASSERT_EQ(dibwidth(pic), 100);
    EXPECT_EQ(at(pic, 25, 50), kRed);
    EXPECT_EQ(at(pic, 75, 50), kWhite);
}

} // namespace
