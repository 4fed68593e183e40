#pragma once
// What the renderer draws on: the off-screen page image, the printer, the
// PDF writer. Integer device pixels; rectangles exclude their right and
// bottom edges; colours are 0x00BBGGRR; text is drawn transparently with the
// top-left of its cell at (x, y).

#include "platform/FontMetrics.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillet {

class ImageCanvas;

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual int32_t dpi() const = 0;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) = 0;
    // Inverts every colour bit (the selection); twice restores.
    virtual void invertRect(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    // From (x1, y1) up to but not including (x2, y2), `width` pixels wide.
    virtual void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width) = 0;
    virtual void text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour) = 0;
    virtual void setClip(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    virtual void clearClip() = 0;
    virtual void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                         std::optional<uint32_t> pen, int32_t penWidth) = 0;
    virtual void drawImage(const ImageCanvas& image, int32_t x, int32_t y) = 0;
};

} // namespace quillet
