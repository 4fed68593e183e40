#pragma once
// What the renderer draws on: the off-screen page image, the printer, a
// metafile, the PDF writer. Conventions every implementation keeps:
//   - integer device pixels, x to the right, y downwards;
//   - colours are 0x00BBGGRR (red in the low byte), as in the document;
//   - rectangles exclude their right and bottom edges: (0,0)-(10,10) covers
//     pixels 0..9 both ways;
//   - a line excludes its end point, so a zigzag drawn segment by segment
//     sets every pixel once (which matters in XOR mode);
//   - text is drawn with the top-left of its cell at (x, y) (the baseline at
//     y + ascent), transparently unless a text background is set.

#include "platform/Dib.h"
#include "platform/DibPixels.h"
#include "platform/FontMetrics.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quillet {

class ImageCanvas;

enum class CanvasKind { ScreenBitmap, Printer, Metafile, Pdf };

// How the pen's pixels combine with what is there. The mode applies to
// line(), rectangle() and ellipse() (outline and fill); fillRect(), text and
// pictures always copy, invertRect() always inverts.
enum class PenMode {
    Copy,     // pixel = colour
    Xor,      // pixel ^= colour: drawing twice restores
    NotXor,   // pixel = ~(pixel ^ colour)
    Not,      // pixel = ~pixel, whatever the colour
};

enum class PenStyle {
    Solid,
    Dot,      // one pixel on, one off, counted from the line's start; pens wider than 1 draw solid
};

// The one raster operation pictures are drawn with; canvases refuse others.
inline constexpr uint32_t SRCCOPY = 0x00CC0020;

// One rectangle of a clip region (right and bottom exclusive).
struct ClipBox {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const ClipBox&, const ClipBox&) = default;
};

// A device-compatible bitmap: 0x00BBGGRR pixels, rows top-down, no padding.
struct Bitmap32 {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Pixels;
};

// Every call is pure virtual or inline: the interface carries no code of
// its own, so the Qt layer implements it without linking the core.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual CanvasKind kind() const = 0;
    // Horizontal resolution in dots per inch (what fonts are made at).
    virtual int32_t dpi() const = 0;
    int32_t resolution() const { return dpi(); }
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;

    // ---- filled areas and lines
    virtual void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) = 0;
    // Inverts every colour bit (the selection); twice restores.
    virtual void invertRect(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    // From (x1, y1) up to but not including (x2, y2), `width` pixels wide:
    // a pixel of the thin line at (x, y) grows to x - (width-1)/2 .. + width-1,
    // likewise in y.
    virtual void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width) = 0;
    // Fill (none = hollow) and an outline of penWidth pixels lying inside the
    // rectangle (none = no outline).
    virtual void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                           std::optional<uint32_t> pen, int32_t penWidth) = 0;
    // The ellipse inscribed in the rectangle; the outline is a ring of
    // penWidth pixels along the inside of its rim.
    virtual void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                         std::optional<uint32_t> pen, int32_t penWidth) = 0;

    // Pen state for line(), rectangle() and ellipse(); Copy and Solid until set.
    void setPenMode(PenMode m) { penMode_ = m; }
    PenMode penMode() const { return penMode_; }
    void setPenStyle(PenStyle s) { penStyle_ = s; }
    PenStyle penStyle() const { return penStyle_; }

    // ---- text
    // Windows-1252 text in the font's measured glyphs and integer advances,
    // so the ink stays inside font->textExtent(ansi) from (x, y). A font made
    // with StrikeOut draws its bar as the platform font does; underlines are
    // the renderer's (fonts are made without them).
    virtual void text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour) = 0;
    // With a colour, text() first fills its cell (the text extent) with it;
    // none (the default) draws text transparently.
    void setTextBackground(std::optional<uint32_t> colour) { textBackground_ = colour; }
    std::optional<uint32_t> textBackground() const { return textBackground_; }

    // ---- clipping: every primitive, text and picture stays inside
    virtual void setClip(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    // The union of the boxes (the ring around a frame is four of them); an
    // empty list clips everything away.
    virtual void setClipRegion(const std::vector<ClipBox>& boxes) = 0;
    virtual void clearClip() = 0;

    // ---- pictures
    // A page image one to one at (x, y) (the screen copy of a page).
    virtual void drawImage(const ImageCanvas& image, int32_t x, int32_t y) = 0;
    // The source rectangle of the picture stretched to (x, y, width, height),
    // nearest pixel, rows and columns dropped when shrinking. The source y is
    // counted as the picture stores its rows: from the bottom row up, so
    // sourceY = 0 ends the transfer with the picture's last (lowest) row.
    // Returns the rows drawn; 0 or less means the device could not do it
    // (an unusable picture, a source outside it, an operation other than
    // SRCCOPY).
    virtual int32_t stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture,
                               int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                               uint32_t rop) = 0;
    // What every device refuses alike: an operation other than SRCCOPY, an
    // unusable picture, empty sizes, a source rectangle outside the picture.
    static bool stretchDibDrawable(int32_t width, int32_t height, const Dib& picture, int32_t sourceX,
                                   int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop)
    {
        if (rop != SRCCOPY || !dibUsable(picture) || width <= 0 || height <= 0 || sourceWidth <= 0 ||
            sourceHeight <= 0)
            return false;
        const int32_t pw = dibwidth(picture), ph = dibheight(picture);
        return sourceX >= 0 && sourceY >= 0 && sourceWidth <= pw - sourceX && sourceHeight <= ph - sourceY;
    }
    // Whether the device takes whole pictures unscaled (setDibToDevice).
    virtual bool canSendDib() const { return true; }
    // The whole picture one to one at (x, y); rows drawn, 0 on failure.
    virtual int32_t setDibToDevice(int32_t x, int32_t y, const Dib& picture)
    {
        if (!dibUsable(picture)) return 0;
        return stretchDib(x, y, dibwidth(picture), dibheight(picture), picture, 0, 0, dibwidth(picture),
                          dibheight(picture), SRCCOPY);
    }
    // A rectangle of a device-compatible bitmap (top-down coordinates)
    // stretched to the destination; false when the device cannot.
    virtual bool stretchBitmap(int32_t x, int32_t y, int32_t width, int32_t height, const Bitmap32& bitmap,
                               int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                               uint32_t rop) = 0;

    // ---- direct access to an off-screen 32-bit image
    // Row y as width() colours 0x00BBGGRR, or null when the canvas keeps no
    // such image (printer, PDF, recording) or y is off the surface. Writes
    // bypass the clip.
    virtual uint32_t* pixelRow(int32_t) { return nullptr; }

private:
    PenMode penMode_ = PenMode::Copy;
    PenStyle penStyle_ = PenStyle::Solid;
    std::optional<uint32_t> textBackground_;
};

// The colour a pen mode leaves on a pixel (both 0x00BBGGRR or both 0x00RRGGBB).
inline uint32_t applyPenMode(PenMode mode, uint32_t pixel, uint32_t colour)
{
    switch (mode) {
    case PenMode::Copy: return colour & 0xFFFFFF;
    case PenMode::Xor: return (pixel ^ colour) & 0xFFFFFF;
    case PenMode::NotXor: return ~(pixel ^ colour) & 0xFFFFFF;
    case PenMode::Not: return ~pixel & 0xFFFFFF;
    }
    return colour & 0xFFFFFF;
}

} // namespace quillet
