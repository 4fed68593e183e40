#pragma once
// State of one paint pass, shared by the page loop (PagePainter.cpp), the
// line drawing (LineDrawing.cpp) and the hit tests (HitTest.cpp). Internal
// to the renderer.

#include "engine/Childwin.h"
#include "engine/FloatingAreas.h"
#include "platform/FontMetrics.h"
#include "render/Canvas.h"
#include "render/RenderPolicy.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillet {

class Canvas;
class ImageCanvas;

namespace paint {

// The text-run look of a pass, set before every run.
struct Effect {
    double Size = 12;
    int32_t Underline = 0;  // 0 none, 1 single, 2 double
    uint32_t Color = 0;
    uint32_t ShadowColor = 0x808080;
    uint32_t OutlineColor = 0x00FFFF;
    bool Shadow = false;
    bool Outline = false;
};

// Pixel rectangle, right and bottom exclusive.
struct PxRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool contains(int32_t x, int32_t y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
};

// What one line of an area looks like in pixels, for the glyph tests.
struct LineGeometry {
    int32_t Line = 0;
    int32_t CharCount = 0;
    int32_t Ty = 0, By = 0, LineHpx = 0;
    int32_t AlignOffset = 0;
    int32_t CellLeft = 0, CellWidthPx = 0;  // tables only
    bool InTable = false;
    bool SingleColumn = true;
    bool FirstColumn = true, LastColumn = true;
    bool ColumnFirstLine = false, ColumnLastLine = false;
    int32_t ColumnLeftBorder = 0, ColumnRightBorder = 0;
    // Ruler values the caret hands on when it is placed on this line.
    TMDIChild::RulerValuesRec Ruler;
};

struct Pass {
    TMDIChild& W;
    Canvas* Cv = nullptr;    // where pages are drawn (page image or printer)
    ImageCanvas* Bitmap = nullptr;  // the page image (screen only)
    RenderPolicy Policy;

    // Per-call values.
    int32_t Dpi = 96;
    double Zoom = 100;
    double MmPerPx = 1;
    double PxPerPt = 1;
    int32_t PageW = 0, PageH = 0, Pages = 1;
    int32_t OriginX = 0, OriginY = 0, Pitch = 0;
    int32_t BitmapW = 0, BitmapH = 0;
    int32_t ScrollX = 0, ScrollY = 0;
    double PageWmm = 0, PageHmm = 0;  // page size in mm for far-side edges

    // Program-wide options as this pass sees them.
    bool HideHelpLines = false;
    bool ShowAll = false, ShowTab = false, ShowSpace = false, ShowParagraphEnd = false;
    bool Spelling = false, GridLines = false;

    // Current page.
    int32_t Page = 0;
    int32_t PageY = 0;
    // The areas that may be floating on the current page, in area order
    // (null: any area may be); an area that follows its line onto the page
    // joins them.
    std::vector<int32_t>* PageFloating = nullptr;
    // The same areas filed by height, for the wrap tests and anchor offers
    // (null: PageFloating is walked). Told of every area that moves or joins.
    FloatingIndex* PageFloatIndex = nullptr;
    // Where a page's drawing stays (printer and PDF pages: the sheet);
    // every area clip is cut down to it. None on screen: the page image
    // bounds the drawing there.
    std::optional<ClipBox> PageClip;

    // Current area.
    int32_t Area = -1;
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    double InnerWmm = 0, InnerHmm = 0;
    double AreaLeftMm = 0, AreaTopMm = 0;  // the area's edges on the page

    // Hits of the page.
    int32_t HitArea = -1;
    int32_t GrabbedArea = -1;
    bool ObjectSelectedOnPage = false;

    // Pending caret (paint-box pixels already shifted by the scroll position).
    bool CaretRequested = false;
    int32_t CaretReqX = 0, CaretReqY = 0, CaretReqH = 0;
    TMDIChild::RulerValuesRec CaretRuler;
    bool CaretRulerValid = false;
    bool CaretOnPage = false;

    // Running font.
    FontHandle Font;
    std::string FontFace;
    int32_t FontSize = -1;
    uint8_t FontStyle = 0, FontCharset = 0;
    Effect Fx;

    // The floating areas that move with their lines, by the anchor id they
    // hold as the pass begins (in area order), made for AnchoredFor areas.
    std::unordered_map<int32_t, std::vector<int32_t>> Anchored;
    size_t AnchoredFor = SIZE_MAX;

    // Something that layout depends on moved: lay out again.
    bool Changed = false;

    explicit Pass(TMDIChild& w) : W(w) {}

    int32_t px(double mm) const;        // trunc(mm / MmPerPx)
    // A character's size is a float, up to half a float step below the
    // whole pixels it was measured at: that much is allowed for before
    // truncating, so the character keeps its measured pixels.
    int32_t px(float mm) const;
    int32_t pxRound(double mm) const;   // round half to even
    // The running font for a format and whole-point size.
    void useFont(const std::string& face, int32_t size, uint8_t style, uint8_t charset);
    void invalidateFont() { Font.reset(); FontSize = -1; }
};

// ---- The pass (PagePainter.cpp) ----
// What a screen pass draws on instead of its page image: tests put a
// recording canvas over the image here to see the calls it gets.
using PageCanvasTap = std::function<Canvas&(ImageCanvas& pageImage)>;
// Which areas each page can show, found in one walk of the areas. A pass
// that draws every page, and a print or export job that draws one page a
// call, would otherwise walk every area for every page: the square of the
// pages for a long document.
class PageDirectory {
public:
    explicit PageDirectory(const TMDIChild& w);
    // The page count, as GetAnzPages gives it.
    int32_t pages() const { return Pages; }
    // Page 0 and the pages that have a body, in order.
    const std::vector<int32_t>& bodyPages() const { return BodyPages; }
    bool hasBody(int32_t page) const;
    // The areas that may stand on `page` as a pass begins, in area order:
    // those of that page and those that stand on several pages.
    void areasOn(int32_t page, std::vector<int32_t>& out) const;
    // Made for an area array of another size: page flow added areas since.
    bool outOf(const TMDIChild& w) const { return w.Areas.size() != AreaCount; }

private:
    size_t AreaCount = 0;
    int32_t Pages = 1;
    std::vector<int32_t> BodyPages;
    std::vector<std::pair<int32_t, int32_t>> Tied;  // (page, area), sorted
    std::vector<int32_t> Roaming;                   // ascending
};

// One pass for any target; false when the paint box was resized first. A
// print or export job that draws its pages one call each hands every call
// the directory it made once (the document does not change while it runs).
bool drawPages(TMDIChild& w, Canvas& target, const RenderPolicy& policy, int32_t pageIndex,
               int32_t originX, int32_t originY, const PageCanvasTap& tap = {},
               const PageDirectory* job = nullptr);

// ---- Clipping (PagePainter.cpp) ----
// Clips to a box, or to the union of boxes, within the page clip.
void clipTo(Pass& p, const ClipBox& box);
void clipToRegion(Pass& p, const std::vector<ClipBox>& boxes);
// Back to the page clip (none on screen).
void restoreClip(Pass& p);

// A pen mode and style for the drawing of one scope; solid copy again
// afterwards, which is what every other drawing of the pass expects.
class PenScope {
public:
    PenScope(Canvas& c, PenMode mode, PenStyle style = PenStyle::Solid) : C(c)
    {
        C.setPenMode(mode);
        C.setPenStyle(style);
    }
    ~PenScope()
    {
        C.setPenMode(PenMode::Copy);
        C.setPenStyle(PenStyle::Solid);
    }
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;

private:
    Canvas& C;
};

// ---- Drawing helpers over the canvas (PagePainter.cpp) ----
void fillRect(Pass& p, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t color);
void fastFill(Pass& p, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t color, int32_t limit);
void invertRect(Pass& p, int32_t l, int32_t t, int32_t r, int32_t b);
void drawLine(Pass& p, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color, int32_t width);
void drawText(Pass& p, const FontHandle& f, int32_t x, int32_t y, std::string_view text, uint32_t color);
void drawPicture(Pass& p, int32_t index, int32_t x, int32_t y, int32_t w, int32_t h);
// A throw-away font for marks and bullets.
FontHandle tempFont(const Pass& p, const std::string& face, double size, uint8_t style, uint8_t charset);

// Pages nobody sees are drawn only for what they write back, so their areas
// that write nothing are left out (PagePainter.cpp). Tests turn it off to
// compare with a pass that draws every area.
extern bool SkipUnseenAreas;
// The wrap tests and anchor offers of a pass go through the page's index of
// floating areas (PagePainter.cpp). Tests turn it off to compare with a
// pass that walks all of the page's floating areas.
extern bool IndexFloatingAreas;

// ---- Line drawing (LineDrawing.cpp) ----
// Draws the lines of the pass's current area starting at InnerTop.
void drawAreaLines(Pass& p);
// A text run in the pass's effect with the running font.
void textRun(Pass& p, const FontHandle& f, int32_t x, int32_t y, std::string_view text);

// ---- Hit tests (HitTest.cpp) ----
// Called after each glyph is drawn (and once for an empty line).
// glyphH: this glyph's caret height; prevH: the one before it.
void glyphHit(Pass& p, const LineGeometry& g, int32_t j, int32_t cx, int32_t rx, int32_t glyphH,
              int32_t prevH);
// Caret request at a glyph's right edge or an empty position.
void requestCaret(Pass& p, const LineGeometry& g, int32_t x, int32_t caretH);
// Zones of a table cell; true when a click took the border.
void tableBorderZones(Pass& p, int32_t area, int32_t line, int32_t l, int32_t t, int32_t r,
                      int32_t b, int32_t penWidth, const TMDIChild::RulerValuesRec& ruler);
// Handle number 1..8 under (x, y) of a box, 0 none; `size` is the handle size.
int32_t handleAt(int32_t x, int32_t y, int32_t w, int32_t h, int32_t size, int32_t mx, int32_t my);
// The eight handle squares of a box in the order of the handle numbers.
void handleRects(int32_t x, int32_t y, int32_t w, int32_t h, int32_t size, PxRect out[8]);
// Object handles and drag state for a click on a floating area's grown box.
void objectGrab(Pass& p, int32_t area, int32_t left, int32_t top, int32_t right, int32_t bottom);
// Zones of the cursor's floating area, on its grown rectangle.
void objectZones(Pass& p, int32_t area, int32_t left, int32_t top, int32_t right, int32_t bottom);
// A picture glyph shown with its handles (frame, zones, handle test).
void pictureHandles(Pass& p, TextChar& c, int32_t cx, int32_t ty, int32_t cw, int32_t ch);

} // namespace paint
} // namespace quillet
