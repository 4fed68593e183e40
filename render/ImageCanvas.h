#pragma once
// The off-screen 32-bit page image, drawn by our own rasteriser so the
// renderer runs headless and pixel for pixel the same on every machine.
// Pixels are 0x00BBGGRR, the model's colour value; in memory on a
// little-endian machine that is the byte order R, G, B, X.

#include "render/Canvas.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace quillet {

class ImageCanvas final : public Canvas {
public:
    // A white image. kind says which device it stands for (a page image of
    // the screen, or a printer page drawn headless in tests and previews).
    ImageCanvas(int32_t width, int32_t height, int32_t dpi, CanvasKind kind = CanvasKind::ScreenBitmap);

    CanvasKind kind() const override { return Kind; }
    int32_t dpi() const override { return Dpi; }
    int32_t width() const override { return W; }
    int32_t height() const override { return H; }
    void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) override;
    void invertRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width) override;
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                   std::optional<uint32_t> pen, int32_t penWidth) override;
    void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                 std::optional<uint32_t> pen, int32_t penWidth) override;
    void text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour) override;
    void setClip(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    void setClipRegion(const std::vector<ClipBox>& boxes) override;
    void clearClip() override;
    void drawImage(const ImageCanvas& image, int32_t x, int32_t y) override;
    int32_t stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture, int32_t sourceX,
                       int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop) override;
    bool stretchBitmap(int32_t x, int32_t y, int32_t width, int32_t height, const Bitmap32& bitmap, int32_t sourceX,
                       int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop) override;
    uint32_t* pixelRow(int32_t y) override { return y >= 0 && y < H ? row(y) : nullptr; }

    // 0x00BBGGRR; outside the image 0xDEADBEEF.
    uint32_t pixel(int32_t x, int32_t y) const;
    // Copies one pixel, inside the clip only.
    void setPixel(int32_t x, int32_t y, uint32_t colour);
    // Direct row access: W pixels of 0x00BBGGRR; y must lie inside.
    uint32_t* row(int32_t y) { return Pixels.data() + size_t(y) * size_t(W); }
    const uint32_t* row(int32_t y) const { return Pixels.data() + size_t(y) * size_t(W); }

    // While discarding, every drawing call is checked as usual (pictures
    // report what they would draw) but leaves the pixels alone: a pass that
    // must visit a page whose image nobody will see skips the rasterising.
    void setDiscarding(bool on) { Discarding = on; }
    bool discarding() const { return Discarding; }
    // Rows outside [top, bottom) are left as they are by every drawing
    // call, whatever the clip: a page image shown only in part on screen
    // need not be filled and lettered where nobody sees it.
    void setDrawnRows(int32_t top, int32_t bottom)
    {
        BandT = top;
        BandB = bottom;
    }
    void drawAllRows() { setDrawnRows(INT32_MIN, INT32_MAX); }

    // The image as an 8-bit RGB PNG file; false when it could not be written.
    bool writePng(const std::filesystem::path& file) const;

private:
    // The clip's bounding box intersected with the image and the rectangle.
    void bounds(int32_t& l, int32_t& t, int32_t& r, int32_t& b) const;
    bool inClip(int32_t x, int32_t y) const;
    // Calls fn(x0, x1) for each piece of row y between x0 and x1 (exclusive)
    // that survives the clip and the image edges; pieces never overlap.
    template <typename Fn> void clippedSpans(int32_t y, int64_t x0, int64_t x1, Fn&& fn) const;
    // The pen mode over a span.
    void penSpan(int32_t y, int64_t x0, int64_t x1, uint32_t colour);
    void blend(int32_t x, int32_t y, uint32_t colour, unsigned coverage);
    // A glyph's coverage map (rows of `width` bytes) laid over the image
    // with its top left at (gx, gy), inside the clip.
    void drawGlyph(const uint8_t* coverage, int32_t width, int32_t rows, int64_t gx, int64_t gy, uint32_t colour);
    // Rows of a source stretched to the destination; `rowColours(top-down
    // source row, out)` delivers one source row of sourceWidth colours from
    // sourceX on.
    template <typename RowFn>
    void stretchRows(int32_t x, int32_t y, int32_t width, int32_t height, int32_t sourceWidth, int32_t sourceHeight,
                     RowFn&& rowColours);

    int32_t W;
    int32_t H;
    int32_t Dpi;
    CanvasKind Kind;
    std::vector<uint32_t> Pixels;
    // Bounding box of the clip (unbounded without one) and, for a region of
    // several boxes, the boxes themselves.
    int32_t ClipL, ClipT, ClipR, ClipB;
    std::vector<ClipBox> Region;
    bool Discarding = false;
    int32_t BandT = INT32_MIN, BandB = INT32_MAX;
};

} // namespace quillet
