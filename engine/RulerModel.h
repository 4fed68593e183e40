#pragma once
// What the rulers show, worked out without any drawing: the ticks and
// centimetre numbers of the scale, the indent markers and tab stops, and
// where a marker being dragged snaps. The view paints these lists; the
// mouse handlers of the horizontal ruler (Ruler.cpp) use the same lists for
// hitting markers and for the snapped value.

#include "engine/Childwin.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

// Images of the rulers: 0 first-line, 1 left, 2 right indent marker,
// 3 + kind a tab stop of that kind (left, centre, right, decimal).
enum RulerImage : int32_t {
    riFirstIndent = 0, riLeftIndent = 1, riRightIndent = 2, riTabLeft = 3, riTabCenter = 4, riTabRight = 5,
    riTabDecimal = 6,
};

struct RulerPicture {
    int32_t Width = 0, Height = 0;
    // The white part along the scale (x for the horizontal ruler, y for the
    // vertical one); equal ends: no white part.
    int32_t WhiteFrom = 0, WhiteTo = 0;
    struct Tick {
        int32_t At = 0;       // x (horizontal) or y (vertical)
        int32_t Inset = 0;    // from both edges across the ruler
        friend bool operator==(const Tick&, const Tick&) = default;
    };
    struct Number {
        int32_t At = 0;       // the centre of the text along the scale
        int32_t Value = 0;    // centimetres (shown without a sign)
        friend bool operator==(const Number&, const Number&) = default;
    };
    struct Glyph {
        int32_t Image = 0;
        int32_t X = 0, Y = 0; // top-left of the image
        friend bool operator==(const Glyph&, const Glyph&) = default;
    };
    std::vector<Tick> Ticks;
    std::vector<Number> Numbers;
    std::vector<Glyph> Glyphs;
};

namespace ruler {

// The band across the ruler, from this far in to this far from the far edge.
constexpr int32_t kBandInset = 6;
// The kinds of tab stop the corner box cycles through, with its hints.
const char* tabKindHint(int32_t kind);

// Marker x of the horizontal ruler at rest: first-line, left, right.
int32_t firstMarkerX(const TMDIChild::RulerValuesRec& r);
int32_t leftMarkerX(const TMDIChild::RulerValuesRec& r);
int32_t rightMarkerX(const TMDIChild::RulerValuesRec& r);
// The scale has a width in pixels and in millimetres.
bool hasScale(const TMDIChild::RulerValuesRec& r);
// x of a tab stop at `mm` on the scale.
int32_t tabX(const TMDIChild::RulerValuesRec& r, double mm);

// Where indents are measured from within the block, and the right edge
// of the text: the cell's own offset and right edge inside a table, the
// block's edges elsewhere (a column's scale starts at the column).
double cellOffsetMm(const TMDIChild::RulerValuesRec& r, bool inCell);
double cellRightMm(const TMDIChild::RulerValuesRec& r, bool inCell);

// The horizontal ruler for the caret line's tab stops, with the drag state;
// while a marker is dragged (Kind > 0 and not noSnap) this also snaps:
// `dragX` becomes the nearest 5-mm tick and drag.Value its millimetres.
RulerPicture composeHorizontal(const TMDIChild::RulerValuesRec& r, const std::vector<TabStop>& tabs, bool inCell,
                               TMDIChild::RulerDragState& drag, int32_t& dragX, bool noSnap, int32_t width,
                               int32_t height);
RulerPicture composeVertical(const TMDIChild::RulerValuesRec& r, int32_t width, int32_t height);

// Which drag a press at (x, y) starts: 0 none, 1..4 a marker, 100 a tab
// stop (its index in tabIndex).
int32_t hitMarker(const TMDIChild::RulerValuesRec& r, const std::vector<TabStop>& tabs, int32_t x, int32_t y,
                  int32_t& tabIndex);

// The paragraph format after a drag of `kind` that ended at `value` mm.
void applyDrag(AbsatzFormat& para, int32_t kind, int32_t tabIndex, double value, double startMm, double rightMm);

} // namespace ruler

} // namespace quillet
