#include "formats/rtf/Wmf.h"

#include "platform/ByteIO.h"
#include "platform/FontMetrics.h"
#include "render/ImageCanvas.h"
#include "render/MetafileCanvas.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <optional>

namespace quillet {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint16_t kMetaEof = 0x0000;
constexpr uint16_t kMetaSetWindowExt = 0x020C;
constexpr uint16_t kMetaStretchDib = 0x0F43;
constexpr uint16_t kMetaDibStretchBlt = 0x0B41;
constexpr uint16_t kMetaDibBitBlt = 0x0940;
constexpr uint16_t kMetaSetDibToDev = 0x0D33;
constexpr uint32_t kSrcCopy = 0x00CC0020;
constexpr size_t kInfoHeaderBytes = 40;

MetafileInfo refuse(MetafileInfo info, std::string why)
{
    info.ok = false;
    info.error = std::move(why);
    return info;
}

// A packed picture (header, colour table, rows) made into a picture file
// image, so the one picture reader checks it like any file.
bool decodePacked(const uint8_t* dib, size_t size, Dib& out)
{
    if (size < kInfoHeaderBytes) return false;
    ByteReader in(std::string_view(reinterpret_cast<const char*>(dib), size));
    const uint32_t headerSize = in.u32();
    in.skip(10);
    const uint16_t bpp = in.u16();
    const uint32_t compression = in.u32();
    in.skip(12);
    const uint32_t used = in.u32();
    if (!in || headerSize < kInfoHeaderBytes || headerSize > size) return false;
    uint64_t colours = 0;
    if (bpp <= 8) colours = used != 0 ? std::min<uint64_t>(used, uint64_t(1) << bpp) : uint64_t(1) << bpp;
    else colours = used;
    uint64_t offBits = 14 + uint64_t(headerSize) + colours * 4;
    if (compression == 3 && headerSize == kInfoHeaderBytes) offBits += 12;  // the three colour masks
    if (offBits - 14 > size) return false;
    std::vector<uint8_t> file;
    file.reserve(size + 14);
    const uint32_t total = uint32_t(std::min<uint64_t>(size + 14, UINT32_MAX));
    const uint8_t head[14] = {'B', 'M', uint8_t(total), uint8_t(total >> 8), uint8_t(total >> 16),
                              uint8_t(total >> 24), 0, 0, 0, 0, uint8_t(offBits), uint8_t(offBits >> 8),
                              uint8_t(offBits >> 16), uint8_t(offBits >> 24)};
    file.insert(file.end(), head, head + 14);
    file.insert(file.end(), dib, dib + size);
    Dib d;
    OpenDibFromMemory(&d, file.data(), file.size(), 0);
    if (d.empty()) return false;
    out = std::move(d);
    return true;
}

} // namespace

std::vector<uint8_t> metafileOfPicture(const Dib& picture)
{
    if (!dibUsable(picture)) return {};
    const int32_t w = dibwidth(picture), h = dibheight(picture);
    MetafileCanvas canvas(w, h);
    if (canvas.stretchDib(0, 0, w, h, picture, 0, 0, w, h, kSrcCopy) == 0) return {};
    return canvas.wmf();
}

namespace {

// Records the player acts on besides the picture transfers above.
enum : uint16_t {
    kSaveDc = 0x001E,
    kCreatePalette = 0x00F7,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetPolyFillMode = 0x0106,
    kRestoreDc = 0x0127,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kCreatePatternBrush = 0x01F9,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kOffsetWindowOrg = 0x020F,
    kOffsetViewportOrg = 0x0211,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kScaleWindowExt = 0x0410,
    kScaleViewportExt = 0x0412,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kExtTextOut = 0x0A32,
};

constexpr size_t kMaxSavedStates = 256;
// Pixels (and polygon edge steps) one metafile may cost to draw; past it
// the playback ends, so a file of many huge shapes cannot keep us busy.
constexpr int64_t kDrawBudget = int64_t(1) << 27;
// Pixel coordinates are held well inside 32 bits whatever the mapping.
constexpr double kCoordLimit = 1e7;

bool isDrawing(uint16_t function)
{
    switch (function) {
    case kLineTo: case kPolygon: case kPolyline: case kPolyPolygon: case kRectangle: case kRoundRect:
    case kEllipse: case kArc: case kPie: case kChord: case kTextOut: case kExtTextOut:
        return true;
    default:
        return false;
    }
}

enum class WalkEnd { Done, Broken, Stopped };

// Calls fn(function, parameter reader) for every record after the header
// until the end record, the end of the bytes, a record that runs past them
// (Broken) or fn answering false (Stopped).
template <typename Fn> WalkEnd walkRecords(ByteReader in, int32_t& records, Fn&& fn)
{
    while (records < kMaxMetafileRecords) {
        const uint32_t words = in.u32();
        const uint16_t function = in.u16();
        if (!in) return WalkEnd::Done;  // a file that ends without its end record keeps what it drew
        // A record counts its own 6 header bytes; fewer is a broken file.
        if (words < 3 || uint64_t(words) * 2 - 6 > in.remaining()) return WalkEnd::Broken;
        ++records;
        const size_t bytes = size_t(words) * 2 - 6;
        const uint8_t* params = in.view(bytes);
        if (function == kMetaEof) return WalkEnd::Done;
        if (!fn(function, ByteReader(params, bytes))) return WalkEnd::Stopped;
    }
    return WalkEnd::Done;
}

// Where the transfer records keep their packed picture, after the fixed
// parameters; 0 for other records.
size_t transferFixedBytes(uint16_t function)
{
    switch (function) {
    case kMetaStretchDib: return 4 + 2 + 16;
    case kMetaDibStretchBlt: return 4 + 16;
    case kMetaDibBitBlt: return 4 + 12;
    case kMetaSetDibToDev: return 2 + 16;
    default: return 0;
    }
}

// The metafile only transfers pictures: the largest is the picture, as stored.
MetafileInfo takeLargestPicture(ByteReader in, MetafileInfo info, Dib& picture)
{
    uint64_t bestPixels = 0;
    const WalkEnd end = walkRecords(in, info.records, [&](uint16_t function, ByteReader p) {
        if (function == kMetaSetWindowExt) {
            info.windowHeight = p.i16();
            info.windowWidth = p.i16();
            return true;
        }
        const size_t fixed = transferFixedBytes(function);
        if (fixed == 0 || p.size() < fixed + kInfoHeaderBytes) return true;  // a transfer without a picture
        Dib d;
        if (!decodePacked(p.data() + fixed, p.size() - fixed, d)) return true;
        ++info.pictures;
        const uint64_t pixels = uint64_t(dibwidth(d)) * uint64_t(dibheight(d));
        if (pixels > bestPixels) {
            bestPixels = pixels;
            picture = std::move(d);
        }
        return true;
    });
    if (end == WalkEnd::Broken) {
        // A broken file gives nothing, not the pictures before the break.
        picture = Dib();
        return refuse(info, "a record runs past the end");
    }
    info.ok = true;
    return info;
}

// What the drawing is laid onto: a box of the metafile's units and the
// picture's size in pixels.
struct Frame {
    double OrgX = 0, OrgY = 0, ExtX = 1, ExtY = 1;
    int32_t Width = 1, Height = 1;
};

// The box at `pixelsPerUnit`, its longer side at most `maxSide` pixels.
Frame frameOf(double orgX, double orgY, double extX, double extY, double pixelsPerUnit, int32_t maxSide)
{
    Frame f{orgX, orgY, extX, extY, 1, 1};
    double w = std::fabs(extX) * pixelsPerUnit, h = std::fabs(extY) * pixelsPerUnit;
    const double longer = std::max(w, h);
    if (longer > maxSide) {
        w = w * maxSide / longer;
        h = h * maxSide / longer;
    }
    f.Width = std::clamp(int32_t(std::lround(w)), 1, maxSide);
    f.Height = std::clamp(int32_t(std::lround(h)), 1, maxSide);
    return f;
}

struct PenSpec {
    uint16_t Style = 0;
    double Width = 0;  // logical units; 0 is one pixel
    uint32_t Colour = 0;
};
struct BrushSpec {
    uint16_t Style = 0;
    uint32_t Colour = 0xFFFFFF;
};
struct FontSpec {
    int32_t Height = 0;  // logical units; < 0 the character height, > 0 the cell, 0 the default
    int32_t Weight = 400;
    bool Italic = false, Underline = false, StrikeOut = false;
    uint8_t Charset = 1;
    std::string Face;
};
enum class ObjectKind : uint8_t { Empty, Pen, Brush, Font, Other };
struct GdiObject {
    ObjectKind Kind = ObjectKind::Empty;
    PenSpec Pen;
    BrushSpec Brush;
    FontSpec Font;
};

// The drawing state SaveDC keeps.
struct DcState {
    PenSpec Pen;
    BrushSpec Brush;
    FontSpec Font;
    uint32_t TextColour = 0, BkColour = 0xFFFFFF;
    bool Opaque = true, Winding = false;
    uint16_t TextAlign = 0;
    uint16_t MapMode = 8;
    double WinOrgX = 0, WinOrgY = 0, WinExtX = 1, WinExtY = 1;
    double VpOrgX = 0, VpOrgY = 0, VpExtX = 1, VpExtY = 1;
    double CurX = 0, CurY = 0;
    std::optional<ClipBox> Clip;  // pixels
};

struct LPoint {
    double X = 0, Y = 0;
};

// A colour reference as the model's 0x00BBGGRR; a palette index (we keep
// no palette) draws black.
uint32_t colourOf(uint32_t ref)
{
    return (ref >> 24) == 1 ? 0 : ref & 0xFFFFFF;
}

class Player {
public:
    Player(const Frame& frame, uint16_t objects)
        : F(frame), Image(frame.Width, frame.Height, 96), Objects(objects)
    {
        S.WinOrgX = S.VpOrgX = frame.OrgX;
        S.WinOrgY = S.VpOrgY = frame.OrgY;
        S.WinExtX = S.VpExtX = frame.ExtX;
        S.WinExtY = S.VpExtY = frame.ExtY;
    }

    // Plays one record; false ends the playback, with the reason in Why.
    bool play(uint16_t function, ByteReader p);

    Dib picture() const
    {
        Dib d;
        newdib(&d, F.Width, F.Height, 24, nullptr, 0);
        if (!dibUsable(d)) return Dib();
        for (int32_t y = 0; y < F.Height; ++y) {
            const uint32_t* src = Image.row(y);
            uint8_t* dst = d.row(F.Height - 1 - y);
            for (int32_t x = 0; x < F.Width; ++x) {
                dst[3 * x] = uint8_t(src[x] >> 16);
                dst[3 * x + 1] = uint8_t(src[x] >> 8);
                dst[3 * x + 2] = uint8_t(src[x]);
            }
        }
        return d;
    }

    std::string Why;
    int32_t Shapes = 0;
    int32_t Pictures = 0;
    int32_t WindowWidth = 0, WindowHeight = 0;

private:
    bool stop(const char* why)
    {
        Why = why;
        return false;
    }
    // Charges drawing work; false (and the reason) once the budget is spent.
    bool charge(int64_t cost)
    {
        Budget -= std::max<int64_t>(cost, 1);
        return Budget >= 0 || stop("too much drawing");
    }
    // Logical units to frame units, per axis.
    double ratioX() const
    {
        const double rx = S.MapMode == 1 ? 1.0 : S.VpExtX / S.WinExtX;
        if (S.MapMode != 7) return rx;
        const double ry = S.VpExtY / S.WinExtY;
        return std::copysign(std::min(std::fabs(rx), std::fabs(ry)), rx);
    }
    double ratioY() const
    {
        const double ry = S.MapMode == 1 ? 1.0 : S.VpExtY / S.WinExtY;
        if (S.MapMode != 7) return ry;
        const double rx = S.VpExtX / S.WinExtX;
        return std::copysign(std::min(std::fabs(rx), std::fabs(ry)), ry);
    }
    double scaleX() const { return ratioX() * F.Width / F.ExtX; }
    double scaleY() const { return ratioY() * F.Height / F.ExtY; }
    static int32_t pixel(double v) { return int32_t(std::clamp(std::floor(v + 0.5), -kCoordLimit, kCoordLimit)); }
    int32_t px(double x) const { return pixel(((x - S.WinOrgX) * ratioX() + S.VpOrgX - F.OrgX) * F.Width / F.ExtX); }
    int32_t py(double y) const { return pixel(((y - S.WinOrgY) * ratioY() + S.VpOrgY - F.OrgY) * F.Height / F.ExtY); }

    std::optional<uint32_t> penColour() const
    {
        if ((S.Pen.Style & 0x0F) == 5) return std::nullopt;  // the null pen
        return S.Pen.Colour;
    }
    int32_t penWidth() const
    {
        const double w = std::fabs(S.Pen.Width * scaleX());
        return std::clamp(int32_t(std::lround(std::min(w, 1e6))), 1, std::max(F.Width, F.Height));
    }
    std::optional<uint32_t> brushColour() const
    {
        // Solid and hatched brushes fill with their colour (hatches drawn
        // solid); the null brush and picture patterns leave the inside alone.
        if (S.Brush.Style == 0 || S.Brush.Style == 2) return S.Brush.Colour;
        return std::nullopt;
    }
    // The part of the picture a box covers, as work to charge.
    int64_t visibleArea(int64_t l, int64_t t, int64_t r, int64_t b) const
    {
        const int64_t w = std::clamp<int64_t>(r, 0, F.Width) - std::clamp<int64_t>(l, 0, F.Width);
        const int64_t h = std::clamp<int64_t>(b, 0, F.Height) - std::clamp<int64_t>(t, 0, F.Height);
        return std::max<int64_t>(w, 0) * std::max<int64_t>(h, 0);
    }
    bool line(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
    {
        const auto pen = penColour();
        if (!pen) return true;
        const int32_t w = penWidth();
        const int64_t steps = std::max(std::llabs(int64_t(x2) - x1), std::llabs(int64_t(y2) - y1));
        if (!charge(std::min<int64_t>(steps, 2 * (F.Width + F.Height)) * w)) return false;
        Image.line(x1, y1, x2, y2, *pen, w);
        return true;
    }
    bool createObject(const GdiObject& o)
    {
        for (GdiObject& slot : Objects) {
            if (slot.Kind == ObjectKind::Empty) {
                slot = o;
                return true;
            }
        }
        return stop("the object table is full");
    }
    void applyClip()
    {
        if (S.Clip) Image.setClip(S.Clip->Left, S.Clip->Top, S.Clip->Right, S.Clip->Bottom);
        else Image.clearClip();
    }
    bool setExtent(double& x, double& y, ByteReader& p)
    {
        const int16_t ny = p.i16(), nx = p.i16();
        if (!p) return true;
        if (nx == 0 || ny == 0) return stop("a window or viewport of no size");
        x = nx;
        y = ny;
        return true;
    }
    bool scaleExtent(double& x, double& y, ByteReader& p)
    {
        const int16_t yDen = p.i16(), yNum = p.i16(), xDen = p.i16(), xNum = p.i16();
        if (!p) return true;
        if (xDen == 0 || yDen == 0 || xNum == 0 || yNum == 0) return stop("a window or viewport of no size");
        x = x * xNum / xDen;
        y = y * yNum / yDen;
        // Repeated scaling must not run the mapping out of range.
        if (std::fabs(x) > 1e9 || std::fabs(y) > 1e9 || std::fabs(x) < 1e-9 || std::fabs(y) < 1e-9)
            return stop("a window or viewport of no size");
        return true;
    }
    // Reads `count` points; false when the record holds fewer.
    static bool readPoints(ByteReader& p, size_t count, std::vector<LPoint>& out)
    {
        if (!p.fits(int64_t(count), 4)) return false;
        for (size_t i = 0; i < count; ++i) {
            const int16_t x = p.i16(), y = p.i16();
            out.push_back({double(x), double(y)});
        }
        return true;
    }
    bool shape(const std::vector<LPoint>& points, const std::vector<size_t>& counts, bool fill, bool closed);
    bool fillPolygons(const std::vector<std::pair<int32_t, int32_t>>& pts, const std::vector<size_t>& counts,
                      uint32_t colour);
    // Points along the arc of the ellipse in the box from the ray through
    // (xs, ys) counter-clockwise to the ray through (xe, ye).
    void arcPoints(double l, double t, double r, double b, double xs, double ys, double xe, double ye,
                   std::vector<LPoint>& out) const;
    bool text(ByteReader& p, bool extended);
    bool transfer(uint16_t function, ByteReader& p);

    Frame F;
    ImageCanvas Image;
    std::vector<GdiObject> Objects;
    DcState S;
    std::vector<DcState> Saved;
    int64_t Budget = kDrawBudget;
};

void Player::arcPoints(double l, double t, double r, double b, double xs, double ys, double xe, double ye,
                       std::vector<LPoint>& out) const
{
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    const double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
    if (rx <= 0 || ry <= 0) return;
    const double a0 = std::atan2(-(ys - cy) / ry, (xs - cx) / rx);
    double sweep = std::atan2(-(ye - cy) / ry, (xe - cx) / rx) - a0;
    if (sweep <= 0) sweep += 2 * std::numbers::pi;
    const double radius = std::max(std::fabs(rx * scaleX()), std::fabs(ry * scaleY()));
    const int32_t n = std::clamp(int32_t(std::min(sweep * radius / 2, 1e6)) + 4, 4, 720);
    for (int32_t i = 0; i <= n; ++i) {
        const double a = a0 + sweep * i / n;
        out.push_back({cx + rx * std::cos(a), cy - ry * std::sin(a)});
    }
}

bool Player::fillPolygons(const std::vector<std::pair<int32_t, int32_t>>& pts, const std::vector<size_t>& counts,
                          uint32_t colour)
{
    struct Edge {
        double X0, Y0, X1, Y1;
        int Dir;
    };
    std::vector<Edge> edges;
    size_t at = 0;
    for (const size_t n : counts) {
        for (size_t i = 0; i < n; ++i) {
            const auto [ax, ay] = pts[at + i];
            const auto [bx, by] = pts[at + (i + 1) % n];
            if (ay == by) continue;
            if (ay < by) edges.push_back({double(ax), double(ay), double(bx), double(by), 1});
            else edges.push_back({double(bx), double(by), double(ax), double(ay), -1});
        }
        at += n;
    }
    if (edges.empty()) return true;
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.Y0 < b.Y0; });
    double bottom = edges.front().Y1;
    for (const Edge& e : edges) bottom = std::max(bottom, e.Y1);
    const int32_t y0 = std::max<int32_t>(0, int32_t(std::floor(edges.front().Y0)));
    const int32_t y1 = std::min<int32_t>(F.Height, int32_t(std::ceil(bottom)));
    // Pixels whose centres lie inside are filled: the scan line of row y
    // runs at y + 0.5, and a span covers the centres between two crossings.
    std::vector<const Edge*> active;
    std::vector<std::pair<double, int>> crossings;
    size_t next = 0;
    for (int32_t y = y0; y < y1; ++y) {
        const double yc = y + 0.5;
        while (next < edges.size() && edges[next].Y0 <= yc) active.push_back(&edges[next++]);
        std::erase_if(active, [&](const Edge* e) { return e->Y1 <= yc; });
        // The crossings are sorted on every row: a polygon of many long
        // edges costs by their count times its logarithm, row by row.
        const int64_t n = int64_t(active.size());
        if (!charge((n + 1) * (1 + 4 * int64_t(std::bit_width(uint64_t(n)))))) return false;
        crossings.clear();
        for (const Edge* e : active) {
            if (e->Y0 > yc) continue;
            crossings.push_back({e->X0 + (yc - e->Y0) * (e->X1 - e->X0) / (e->Y1 - e->Y0), e->Dir});
        }
        std::sort(crossings.begin(), crossings.end());
        auto span = [&](double a, double b) {
            const int64_t l = std::clamp<int64_t>(int64_t(std::ceil(a - 0.5)), 0, F.Width);
            const int64_t r = std::clamp<int64_t>(int64_t(std::ceil(b - 0.5)), 0, F.Width);
            if (r > l && charge(r - l)) Image.fillRect(int32_t(l), y, int32_t(r), y + 1, colour);
        };
        if (!S.Winding) {
            for (size_t i = 0; i + 1 < crossings.size(); i += 2) span(crossings[i].first, crossings[i + 1].first);
        } else {
            int winding = 0;
            double from = 0;
            for (const auto& [x, dir] : crossings) {
                const int before = winding;
                winding += dir;
                if (before == 0 && winding != 0) from = x;
                else if (before != 0 && winding == 0) span(from, x);
            }
        }
        if (Budget < 0) return false;
    }
    return true;
}

bool Player::shape(const std::vector<LPoint>& points, const std::vector<size_t>& counts, bool fill, bool closed)
{
    std::vector<std::pair<int32_t, int32_t>> pts;
    pts.reserve(points.size());
    for (const LPoint& p : points) pts.push_back({px(p.X), py(p.Y)});
    ++Shapes;
    if (fill) {
        if (const auto brush = brushColour(); brush && !fillPolygons(pts, counts, *brush)) return false;
    }
    size_t at = 0;
    for (const size_t n : counts) {
        const size_t segments = closed ? n : (n > 0 ? n - 1 : 0);
        for (size_t i = 0; i < segments && n > 1; ++i) {
            const auto [ax, ay] = pts[at + i];
            const auto [bx, by] = pts[at + (i + 1) % n];
            if (!line(ax, ay, bx, by)) return false;
        }
        at += n;
    }
    return true;
}

bool Player::text(ByteReader& p, bool extended)
{
    int16_t x = 0, y = 0, count = 0;
    uint16_t options = 0;
    std::optional<ClipBox> box;
    std::string_view chars;
    if (extended) {
        y = p.i16();
        x = p.i16();
        count = p.i16();
        options = p.u16();
        if (options & 0x0006) {  // opaque or clipped: the rectangle follows
            const int16_t l = p.i16(), t = p.i16(), r = p.i16(), b = p.i16();
            box = ClipBox{std::min(px(l), px(r)), std::min(py(t), py(b)), std::max(px(l), px(r)),
                          std::max(py(t), py(b))};
        }
        if (!p || count < 0 || size_t(count) > p.remaining()) return true;
        chars = std::string_view(reinterpret_cast<const char*>(p.view(size_t(count))), size_t(count));
        // The character spacing array that may follow is not used: glyphs
        // advance by the font's own widths.
    } else {
        count = p.i16();
        if (!p || count < 0 || size_t(count) > p.remaining()) return true;
        chars = std::string_view(reinterpret_cast<const char*>(p.view(size_t(count))), size_t(count));
        p.skip(size_t(count) & 1);
        y = p.i16();
        x = p.i16();
        if (!p) return true;
    }
    ++Shapes;
    if (box && (options & 0x0002)) {
        if (!charge(visibleArea(box->Left, box->Top, box->Right, box->Bottom))) return false;
        Image.fillRect(box->Left, box->Top, box->Right, box->Bottom, S.BkColour);
    }
    if (chars.empty()) return true;
    const bool updateCp = S.TextAlign & 1;
    int32_t dx = updateCp ? px(S.CurX) : px(x), dy = updateCp ? py(S.CurY) : py(y);
    LogFont lf;
    lf.Face = S.Font.Face.empty() ? "Arial" : S.Font.Face;
    if (S.Font.Height != 0) {
        const double h = S.Font.Height * std::fabs(scaleY());
        // Text taller than the whole picture is not clip art; it is skipped.
        if (std::fabs(h) > kMaxMetafileSide) return true;
        lf.Height = std::lround(h);
        if (lf.Height == 0) lf.Height = S.Font.Height < 0 ? -1 : 1;
    }
    lf.Weight = S.Font.Weight <= 0 ? 400 : std::min(S.Font.Weight, 1000);
    lf.Italic = S.Font.Italic;
    lf.StrikeOut = S.Font.StrikeOut;
    lf.Charset = S.Font.Charset;
    // Rotated text (the escapement) is drawn level: clip art rarely turns
    // its labels, and a level label beats none.
    const FontHandle font = FontService::instance().createFont(lf);
    if (!font) return true;
    const TextExtent ext = font->textExtent(chars);
    switch (S.TextAlign & 6) {
    case 2: dx -= ext.cx; break;      // right
    case 6: dx -= ext.cx / 2; break;  // centre
    default: break;
    }
    if ((S.TextAlign & 24) == 24) dy -= font->ascent();  // baseline
    else if (S.TextAlign & 8) dy -= font->height();      // bottom
    // Each glyph is rasterised whole (and kept) even where it is clipped
    // away, so large text costs by its size, not by what shows.
    const int64_t glyph = std::max<int64_t>(font->pixelSize(), 16);
    if (!charge(int64_t(chars.size()) * glyph * glyph * 4)) return false;
    if (box && (options & 0x0004)) {
        ClipBox c = *box;
        if (S.Clip) {
            c.Left = std::max(c.Left, S.Clip->Left);
            c.Top = std::max(c.Top, S.Clip->Top);
            c.Right = std::min(c.Right, S.Clip->Right);
            c.Bottom = std::min(c.Bottom, S.Clip->Bottom);
        }
        Image.setClip(c.Left, c.Top, std::max(c.Left, c.Right), std::max(c.Top, c.Bottom));
    }
    Image.setTextBackground(S.Opaque ? std::optional<uint32_t>(S.BkColour) : std::nullopt);
    Image.text(dx, dy, font, chars, S.TextColour);
    Image.setTextBackground(std::nullopt);
    if (S.Font.Underline) {
        const int32_t top = dy + font->ascent() + 1;
        Image.fillRect(dx, top, dx + ext.cx, top + std::max(1, font->pixelSize() / 20), S.TextColour);
    }
    applyClip();
    if (updateCp && scaleX() != 0) S.CurX += ext.cx / scaleX();
    return true;
}

bool Player::transfer(uint16_t function, ByteReader& p)
{
    const size_t fixed = transferFixedBytes(function);
    if (p.size() < fixed + kInfoHeaderBytes) return true;
    const uint8_t* dib = p.data() + fixed;
    int32_t rop = int32_t(kSrcCopy), sx = 0, sy = 0, sw = -1, sh = -1, dx = 0, dy = 0, dw = 0, dh = 0;
    switch (function) {
    case kMetaStretchDib:
    case kMetaDibStretchBlt:
        rop = int32_t(p.u32());
        if (function == kMetaStretchDib) p.u16();  // colour use
        sh = p.i16(); sw = p.i16(); sy = p.i16(); sx = p.i16();
        dh = p.i16(); dw = p.i16(); dy = p.i16(); dx = p.i16();
        break;
    case kMetaDibBitBlt:
        rop = int32_t(p.u32());
        sy = p.i16(); sx = p.i16();
        dh = sh = p.i16(); dw = sw = p.i16();
        dy = p.i16(); dx = p.i16();
        break;
    default:  // set bits to the device: the whole picture at its place
        p.skip(10);
        dh = p.i16(); dw = p.i16(); dy = p.i16(); dx = p.i16();
        break;
    }
    // Masks and other raster operations are not copies; drawing them as
    // copies would paint black boxes over the picture.
    if (uint32_t(rop) != kSrcCopy) return true;
    Dib d;
    if (!decodePacked(dib, p.size() - fixed, d)) return true;
    ++Pictures;
    const int32_t l = std::min(px(dx), px(dx + dw)), r = std::max(px(dx), px(dx + dw));
    const int32_t t = std::min(py(dy), py(dy + dh)), b = std::max(py(dy), py(dy + dh));
    if (r <= l || b <= t) return true;
    if (!charge(visibleArea(l, t, r, b))) return false;
    if (Image.stretchDib(l, t, r - l, b - t, d, sx, sy, sw, sh, SRCCOPY) <= 0)
        Image.stretchDib(l, t, r - l, b - t, d, 0, 0, dibwidth(d), dibheight(d), SRCCOPY);
    return true;
}

bool Player::play(uint16_t function, ByteReader p)
{
    if (!charge(1)) return false;
    switch (function) {
    case kSaveDc:
        if (Saved.size() < kMaxSavedStates) Saved.push_back(S);
        return true;
    case kRestoreDc: {
        const int16_t n = p.i16();
        if (!p || n == 0) return true;
        const size_t depth = n < 0 ? size_t(-int32_t(n)) : 0;
        size_t keep = 0;
        if (n < 0) {
            if (depth > Saved.size()) return true;
            keep = Saved.size() - depth;
        } else {
            if (size_t(n) > Saved.size()) return true;
            keep = size_t(n) - 1;
        }
        S = Saved[keep];
        Saved.resize(keep);
        applyClip();
        return true;
    }
    case kSetBkMode: { const uint16_t m = p.u16(); if (p) S.Opaque = m == 2; return true; }
    case kSetMapMode: { const uint16_t m = p.u16(); if (p && m >= 1 && m <= 8) S.MapMode = m; return true; }
    case kSetPolyFillMode: { const uint16_t m = p.u16(); if (p) S.Winding = m == 2; return true; }
    case kSetTextAlign: { const uint16_t a = p.u16(); if (p) S.TextAlign = a; return true; }
    case kSetBkColor: { const uint32_t c = p.u32(); if (p) S.BkColour = colourOf(c); return true; }
    case kSetTextColor: { const uint32_t c = p.u32(); if (p) S.TextColour = colourOf(c); return true; }
    case kSetWindowOrg: {
        const int16_t y = p.i16(), x = p.i16();
        if (p) S.WinOrgX = x, S.WinOrgY = y;
        return true;
    }
    case kSetViewportOrg: {
        const int16_t y = p.i16(), x = p.i16();
        if (p) S.VpOrgX = x, S.VpOrgY = y;
        return true;
    }
    case kOffsetWindowOrg: {
        const int16_t y = p.i16(), x = p.i16();
        if (p) S.WinOrgX += x, S.WinOrgY += y;
        return true;
    }
    case kOffsetViewportOrg: {
        const int16_t y = p.i16(), x = p.i16();
        if (p) S.VpOrgX += x, S.VpOrgY += y;
        return true;
    }
    case kMetaSetWindowExt: {
        ByteReader q = p;
        const int16_t h = q.i16(), w = q.i16();
        if (q) WindowWidth = w, WindowHeight = h;
        return setExtent(S.WinExtX, S.WinExtY, p);
    }
    case kSetViewportExt: return setExtent(S.VpExtX, S.VpExtY, p);
    case kScaleWindowExt: return scaleExtent(S.WinExtX, S.WinExtY, p);
    case kScaleViewportExt: return scaleExtent(S.VpExtX, S.VpExtY, p);
    case kIntersectClipRect: {
        const int16_t b = p.i16(), r = p.i16(), t = p.i16(), l = p.i16();
        if (!p) return true;
        ClipBox c{std::min(px(l), px(r)), std::min(py(t), py(b)), std::max(px(l), px(r)), std::max(py(t), py(b))};
        if (S.Clip) {
            c.Left = std::max(c.Left, S.Clip->Left);
            c.Top = std::max(c.Top, S.Clip->Top);
            c.Right = std::max(c.Left, std::min(c.Right, S.Clip->Right));
            c.Bottom = std::max(c.Top, std::min(c.Bottom, S.Clip->Bottom));
        }
        S.Clip = c;
        applyClip();
        return true;
    }
    case kCreatePenIndirect: {
        GdiObject o;
        o.Kind = ObjectKind::Pen;
        o.Pen.Style = p.u16();
        o.Pen.Width = p.i16();
        p.i16();
        o.Pen.Colour = colourOf(p.u32());
        return !p ? createObject(GdiObject{ObjectKind::Other, {}, {}, {}}) : createObject(o);
    }
    case kCreateBrushIndirect: {
        GdiObject o;
        o.Kind = ObjectKind::Brush;
        o.Brush.Style = p.u16();
        o.Brush.Colour = colourOf(p.u32());
        return !p ? createObject(GdiObject{ObjectKind::Other, {}, {}, {}}) : createObject(o);
    }
    case kCreateFontIndirect: {
        GdiObject o;
        o.Kind = ObjectKind::Font;
        o.Font.Height = p.i16();
        p.skip(6);  // width, escapement, orientation
        o.Font.Weight = p.i16();
        o.Font.Italic = p.u8() != 0;
        o.Font.Underline = p.u8() != 0;
        o.Font.StrikeOut = p.u8() != 0;
        o.Font.Charset = p.u8();
        p.skip(4);  // precisions, quality, pitch and family
        if (!p) return createObject(GdiObject{ObjectKind::Other, {}, {}, {}});
        const size_t n = std::min<size_t>(p.remaining(), 32);
        const char* face = reinterpret_cast<const char*>(p.view(n));
        o.Font.Face.assign(face, std::find(face, face + n, '\0'));
        return createObject(o);
    }
    case kCreatePalette:
    case kCreatePatternBrush:
    case kDibCreatePatternBrush:
    case kCreateRegion:
        // Objects we do not draw with still take their place in the table,
        // so the indexes of the later ones stay right.
        return createObject(GdiObject{ObjectKind::Other, {}, {}, {}});
    case kSelectObject:
    case kDeleteObject: {
        const uint16_t i = p.u16();
        if (!p) return true;
        if (i >= Objects.size()) return stop("an object index outside the table");
        GdiObject& o = Objects[i];
        if (function == kDeleteObject) o = GdiObject();
        else if (o.Kind == ObjectKind::Pen) S.Pen = o.Pen;
        else if (o.Kind == ObjectKind::Brush) S.Brush = o.Brush;
        else if (o.Kind == ObjectKind::Font) S.Font = o.Font;
        return true;
    }
    case kMoveTo: {
        const int16_t y = p.i16(), x = p.i16();
        if (p) S.CurX = x, S.CurY = y;
        return true;
    }
    case kLineTo: {
        const int16_t y = p.i16(), x = p.i16();
        if (!p) return true;
        ++Shapes;
        const bool ok = line(px(S.CurX), py(S.CurY), px(x), py(y));
        S.CurX = x;
        S.CurY = y;
        return ok;
    }
    case kRectangle:
    case kEllipse: {
        const int16_t b = p.i16(), r = p.i16(), t = p.i16(), l = p.i16();
        if (!p) return true;
        ++Shapes;
        const int32_t x0 = std::min(px(l), px(r)), x1 = std::max(px(l), px(r));
        const int32_t y0 = std::min(py(t), py(b)), y1 = std::max(py(t), py(b));
        if (!charge(visibleArea(x0, y0, x1, y1))) return false;
        if (function == kRectangle) Image.rectangle(x0, y0, x1, y1, brushColour(), penColour(), penWidth());
        else Image.ellipse(x0, y0, x1, y1, brushColour(), penColour(), penWidth());
        return true;
    }
    case kRoundRect: {
        const int16_t h = p.i16(), w = p.i16(), b0 = p.i16(), r0 = p.i16(), t0 = p.i16(), l0 = p.i16();
        if (!p) return true;
        const double l = std::min(l0, r0), r = std::max(l0, r0), t = std::min(t0, b0), b = std::max(t0, b0);
        const double rx = std::min(std::fabs(double(w)) / 2, (r - l) / 2);
        const double ry = std::min(std::fabs(double(h)) / 2, (b - t) / 2);
        std::vector<LPoint> pts;
        if (rx <= 0 || ry <= 0) {
            pts = {{l, t}, {r, t}, {r, b}, {l, b}};
        } else {
            // Four quarter ellipses, corner by corner counter-clockwise.
            arcPoints(r - 2 * rx, t, r, t + 2 * ry, r, t + ry, r - rx, t, pts);
            arcPoints(l, t, l + 2 * rx, t + 2 * ry, l + rx, t, l, t + ry, pts);
            arcPoints(l, b - 2 * ry, l + 2 * rx, b, l, b - ry, l + rx, b, pts);
            arcPoints(r - 2 * rx, b - 2 * ry, r, b, r - rx, b, r, b - ry, pts);
        }
        return shape(pts, {pts.size()}, true, true);
    }
    case kArc:
    case kPie:
    case kChord: {
        const int16_t ye = p.i16(), xe = p.i16(), ys = p.i16(), xs = p.i16();
        const int16_t b = p.i16(), r = p.i16(), t = p.i16(), l = p.i16();
        if (!p) return true;
        std::vector<LPoint> pts;
        if (function == kPie) pts.push_back({(l + r) / 2.0, (t + b) / 2.0});
        arcPoints(l, t, r, b, xs, ys, xe, ye, pts);
        if (pts.size() < 2) return true;
        return shape(pts, {pts.size()}, function != kArc, function != kArc);
    }
    case kPolygon:
    case kPolyline: {
        const int16_t n = p.i16();
        if (!p) return true;
        // A 16-bit count stays below the point cap; only a negative one is wrong.
        if (n < 0) return stop("a polygon of a negative count");
        std::vector<LPoint> pts;
        if (!readPoints(p, size_t(n), pts)) return stop("a polygon of more points than its record holds");
        if (n < 2) return true;
        return shape(pts, {pts.size()}, function == kPolygon, function == kPolygon);
    }
    case kPolyPolygon: {
        const uint16_t polygons = p.u16();
        if (!p.fits(polygons, 2)) return stop("a polygon of more points than its record holds");
        std::vector<size_t> counts;
        size_t total = 0;
        for (uint16_t i = 0; i < polygons; ++i) {
            counts.push_back(p.u16());
            total += counts.back();
        }
        if (total > size_t(kMaxMetafilePoints)) return stop("a polygon of too many points");
        std::vector<LPoint> pts;
        if (!readPoints(p, total, pts)) return stop("a polygon of more points than its record holds");
        return shape(pts, counts, true, true);
    }
    case kTextOut: return text(p, false);
    case kExtTextOut: return text(p, true);
    case kMetaStretchDib:
    case kMetaDibStretchBlt:
    case kMetaDibBitBlt:
    case kMetaSetDibToDev:
        return transfer(function, p);
    default:
        return true;  // records that change nothing we draw are skipped by their size
    }
}

} // namespace

MetafileInfo playMetafile(const uint8_t* data, size_t size, Dib& picture)
{
    MetafileInfo info;
    picture = Dib();
    ByteReader in(data, size);
    // The placeable header gives the drawing's box in metafile units and
    // how many of them make an inch.
    std::optional<Frame> placed;
    if (size >= 22) {
        ByteReader peek = in;
        if (peek.u32() == kPlaceableKey) {
            peek.u16();
            const int16_t l = peek.i16(), t = peek.i16(), r = peek.i16(), b = peek.i16();
            const uint16_t inch = peek.u16();
            if (inch > 0 && r != l && b != t)
                placed = frameOf(l, t, double(r) - l, double(b) - t, 96.0 / inch, kMaxMetafileSide);
            in.skip(22);
        }
    }
    const uint16_t type = in.u16();
    const uint16_t headerWords = in.u16();
    in.u16();  // version
    in.u32();  // size in words; the records themselves say where they end
    const uint16_t objects = in.u16();
    in.u32();
    in.u16();
    if (!in || (type != 1 && type != 2) || headerWords != 9) return refuse(info, "not a metafile");

    // A first walk finds whether the metafile draws, and its first window.
    bool draws = false;
    std::optional<LPoint> origin, extent;
    int32_t scanned = 0;
    walkRecords(in, scanned, [&](uint16_t function, ByteReader p) {
        draws = draws || isDrawing(function);
        const int16_t y = p.i16(), x = p.i16();
        if (p && function == kSetWindowOrg && !origin) origin = LPoint{double(x), double(y)};
        if (p && function == kMetaSetWindowExt && !extent && x != 0 && y != 0) extent = LPoint{double(x), double(y)};
        return true;
    });
    std::optional<Frame> frame = placed;
    if (!frame && extent) {
        const LPoint o = origin.value_or(LPoint{});
        frame = frameOf(o.X, o.Y, extent->X, extent->Y, 1.0, kMetafileDrawSide);
    }
    // Without a box to draw into (no placeable header, no window) only the
    // pictures it carries can be shown.
    if (!draws || !frame) return takeLargestPicture(in, info, picture);

    Player player(*frame, objects);
    const WalkEnd end = walkRecords(in, info.records, [&](uint16_t function, ByteReader p) {
        return player.play(function, p);
    });
    info.windowWidth = player.WindowWidth;
    info.windowHeight = player.WindowHeight;
    info.pictures = player.Pictures;
    info.shapes = player.Shapes;
    // A playback that ended before anything was drawn shows nothing, not a
    // blank picture.
    if (player.Shapes > 0 || player.Pictures > 0) picture = player.picture();
    if (end == WalkEnd::Broken) return refuse(info, "a record runs past the end");
    if (end == WalkEnd::Stopped) return refuse(info, player.Why);
    info.ok = true;
    return info;
}

} // namespace quillet
