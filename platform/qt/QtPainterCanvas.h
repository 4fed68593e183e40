#pragma once
// The canvas over a QPainter: a printer page (QPrinter) or any Qt paint
// device. The painter is the caller's and stays active while the canvas is
// used; the canvas changes its pen, brush, clip and composition per call.
// Text needs a running QGuiApplication (glyphs come from Qt's font engine).
// Pixel results follow ImageCanvas for rectangles and straight lines;
// diagonals, ellipses and glyph shading are Qt's.

#include "render/Canvas.h"

#include <QHash>
#include <QRawFont>

class QPainter;

namespace quillet {

class QtPainterCanvas final : public Canvas {
public:
    // dpi and size come from the painter's device.
    QtPainterCanvas(QPainter& painter, CanvasKind kind);

    CanvasKind kind() const override { return Kind; }
    int32_t dpi() const override { return Dpi; }
    int32_t width() const override { return W; }
    int32_t height() const override { return H; }

    void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) override;
    // Raster devices only; printers have nothing to invert.
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

private:
    // Pen-mode composition for line, rectangle and ellipse; copy otherwise.
    void usePenMode();
    void useCopy();
    void fillSpan(int64_t l, int64_t t, int64_t r, int64_t b, uint32_t colour);
    const QRawFont& rawFont(const PlatformFont& font);
    QRawFont loadRawFont(const PlatformFont& font) const;

    QPainter& P;
    CanvasKind Kind;
    int32_t Dpi, W, H;
    QHash<QString, QRawFont> Fonts;
};

} // namespace quillet
