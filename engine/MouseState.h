#pragma once
// What the mouse code keeps between a press and its release, what it hands
// the view to show (drag outlines, guide lines, the mouse cursor, the page's
// popup), and the plain geometry of its drags. No platform types: the view
// reads these after each event and draws or shows them itself.

#include "engine/Records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

class TMDIChild;

// Mouse cursor over the page or a ruler; the view maps each to its own.
enum class MouseCursor : uint8_t {
    Default, HandPoint, Cross, IBeam, SizeWE, SizeNS, SizeAll, SizeNWSE, SizeNESW, Drag,
};

// A mark over the page while a drag runs, in paint-box pixels: the rubber
// band of a new object, the outline of a moved frame or resized picture, or
// the full-height guide line of a column or ruler drag. Drawn by the view
// over the presented image (dotted, inverting), never into the page image.
struct DragOverlay {
    enum Kind : uint8_t { None = 0, Rect = 1, VLine = 2 };
    uint8_t Shape = None;
    int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;  // Rect: two corners in any order; VLine: X1
    friend bool operator==(const DragOverlay&, const DragOverlay&) = default;
};

// A new text frame or drawing object as the insert-mode drag asks for it:
// page millimetres, ordered edges.
struct InsertBox {
    int32_t Mode = 0;   // the insert mode (1 text frame, 2..7 objects)
    int32_t Page = 0;
    uint8_t Rising = 0; // dragged right-up or left-down
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const InsertBox&, const InsertBox&) = default;
};

// Maps a mouse x on the page to a table column border in millimetres.
struct ColumnDragMap {
    double Mm0 = 0, Mm1 = 0;
    int32_t Px0 = 0, Px1 = 0;
    bool usable() const { return Px1 != Px0 && Mm1 != Mm0; }
};

// One item the page's popup shows above its fixed items.
struct PopupItem {
    enum Action : uint8_t { Separator = 0, LearnWord = 1, IgnoreWord = 2, Suggestion = 3 };
    uint8_t Kind = Separator;
    int32_t Tag = 99;      // 99 for the spelling block, 100 + i for suggestion i
    std::string Text;      // Windows-1252
    friend bool operator==(const PopupItem&, const PopupItem&) = default;
};

// Work the mouse code asks of parts of the window that come later (the
// spell-check run). An unset hook does nothing.
struct MouseHooks {
    // A spelling item of the popup was chosen (its Tag and Kind).
    void (*SpellingAction)(TMDIChild&, const PopupItem&) = nullptr;
};

struct MouseState {
    MouseCursor Cursor = MouseCursor::IBeam;
    DragOverlay Overlay;
    // Insert mode: the left button went down on the page; the mouse moved since.
    uint8_t InsertDragging = 0, InsertMoved = 0;
    int32_t InsertStartX = 0, InsertStartY = 0;
    int32_t InsertEndX = -9999, InsertEndY = 0;  // -9999: no band drawn yet
    // The outline of a moved or resized floating area (paint-box pixels).
    int32_t ObjLeft = 0, ObjTop = 0, ObjRight = 0, ObjBottom = 0;
    uint8_t ObjMoved = 0;
    // The box the last insert-mode drag asked for.
    InsertBox LastInsert;
    // The picture being resized, as the press found it.
    int32_t PictureIndex = -1;
    // Table column drag.
    uint8_t OverColumnBorder = 0;
    ColumnDragMap ColumnMap;
    // The borders the press found (the pass's list, kept for the release).
    std::vector<TableTrack> ColumnTracks;
    int32_t ColumnDragX = 0;
    uint8_t NoSnap = 0;
    // The popup the view is to show after a right click (paint-box pixels),
    // with the spelling items from the top down.
    uint8_t PopupPending = 0;
    int32_t PopupX = 0, PopupY = 0;
    std::vector<PopupItem> PopupItems;
    MouseHooks Hooks;
};

namespace mousegeom {

constexpr double kMmPerInch = 25.39995;
// The smallest new object after a drag and after a plain click.
constexpr double kMinDraggedMm = 2.5;
constexpr double kMinClickedMm = 24.5;
// The smallest side a moved or resized floating area keeps.
constexpr double kMinAreaMm = 2.5;
// The smallest side of a resized inline picture, in pixels.
constexpr int32_t kMinPicturePx = 10;
constexpr double kColumnSnapMm = 5;

// Millimetres per screen pixel at this resolution and zoom.
double mmPerPixel(int32_t dpi, double zoomPercent);

// The box a rubber band from (x1, y1) to (x2, y2) asks for, in millimetres
// from the page origin. A plain click (not moved) grows the far edges to the
// click size, a drag to the dragged minimum.
InsertBox insertBoxFromDrag(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool moved, double mmPerPx,
                            int32_t originX, int32_t originY);

// Which edges a handle moves: 0 moves all four.
bool handleMovesLeft(int32_t handle);
bool handleMovesTop(int32_t handle);
bool handleMovesRight(int32_t handle);
bool handleMovesBottom(int32_t handle);

// A floating area's place on its page (millimetres) and page index.
struct AreaPlacement {
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
    int32_t Page = 0;
    uint8_t Rising = 0;
    friend bool operator==(const AreaPlacement&, const AreaPlacement&) = default;
};

// Where a drag of `handle` by (dx, dy) pixels puts an area: the moved edges
// follow the mouse exactly, swapped edges toggle Rising, each side keeps the
// minimum, the centre stays on a page of 0..lastPage.
AreaPlacement placeDraggedArea(const AreaPlacement& from, int32_t handle, int32_t dxPx, int32_t dyPx, double mmPerPx,
                               double pageWidth, double pageHeight, int32_t lastPage);

// The box of a resized picture: a corner handle keeps the picture's own
// width:height (the smaller fitting box wins), measured from the fixed corner.
void fitAspectRatio(int32_t handle, int32_t picWidth, int32_t picHeight, int32_t& left, int32_t& top,
                    int32_t& right, int32_t& bottom);

// Column drag: the border in mm for a mouse x (snapped to 5 mm unless
// noSnap), and the x it is drawn at. False when the map is degenerate.
bool columnPosition(const ColumnDragMap& map, int32_t x, bool noSnap, double& mm, int32_t& shownX);

// The cursor of a mouse zone kind (0 text, 1 column border, 2 object
// border, 3..10 the handles in handle order).
MouseCursor cursorForZone(int32_t kind);

// The spelling block of the popup for a misspelt word with these
// suggestions, top to bottom.
std::vector<PopupItem> spellingPopupItems(const std::vector<std::string>& suggestions);

} // namespace mousegeom

} // namespace quillet
