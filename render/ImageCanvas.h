#pragma once
// The off-screen 32-bit page image, drawn by our own rasteriser so the
// renderer runs headless and pixel for pixel the same on every machine.

#include "render/Canvas.h"

#include <vector>

namespace quillet {

class ImageCanvas final : public Canvas {
public:
    ImageCanvas(int32_t width, int32_t height, int32_t dpi);

    int32_t dpi() const override { return Dpi; }
    int32_t width() const override { return W; }
    int32_t height() const override { return H; }
    void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) override;
    void invertRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width) override;
    void text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour) override;
    void setClip(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    void clearClip() override;
    void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                 std::optional<uint32_t> pen, int32_t penWidth) override;
    void drawImage(const ImageCanvas& image, int32_t x, int32_t y) override;

    // 0x00BBGGRR; outside the image 0xDEADBEEF.
    uint32_t pixel(int32_t x, int32_t y) const;
    void setPixel(int32_t x, int32_t y, uint32_t colour);
    // Direct row access: W pixels of 0x00BBGGRR.
    uint32_t* row(int32_t y) { return Pixels.data() + size_t(y) * size_t(W); }
    const uint32_t* row(int32_t y) const { return Pixels.data() + size_t(y) * size_t(W); }

private:
    // The clip intersected with the image.
    void bounds(int32_t& l, int32_t& t, int32_t& r, int32_t& b) const;
    void blend(int32_t x, int32_t y, uint32_t colour, unsigned coverage);

    int32_t W;
    int32_t H;
    int32_t Dpi;
    std::vector<uint32_t> Pixels;
    int32_t ClipL, ClipT, ClipR, ClipB;
};

} // namespace quillet
