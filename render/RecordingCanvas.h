#pragma once
// A canvas that writes down what is drawn on it: for tests that check which
// calls the renderer made (a picture sent row by row, a selection inverted,
// text at a cell position), and as a headless target that needs no pixels.
// It can also pass every call on to another canvas, so a test gets both the
// record and the picture.

#include "render/Canvas.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

enum class CanvasOp {
    FillRect, InvertRect, Line, Rectangle, Ellipse, Text,
    SetClip, SetClipRegion, ClearClip,
    DrawImage, StretchDib, SetDibToDevice, StretchBitmap,
};

struct CanvasCall {
    CanvasOp Op = CanvasOp::FillRect;
    // Rectangle, line end points (Left, Top) -> (Right, Bottom), text or
    // picture position (Left, Top) and destination size.
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    uint32_t Colour = 0;                 // fill, line, text colour
    std::optional<uint32_t> Fill, Pen;   // rectangle and ellipse
    int32_t PenWidth = 0;
    PenMode Mode = PenMode::Copy;
    PenStyle Style = PenStyle::Solid;
    std::optional<uint32_t> TextBackground;
    std::string Text;                    // Windows-1252 as drawn
    std::string FontFace;
    int32_t FontPixels = 0;              // em size of the font
    std::vector<ClipBox> Clip;           // SetClip and SetClipRegion
    // Pictures: source rectangle (stretchDib: y from the bottom row;
    // stretchBitmap: from the top), the picture's size and depth, and a
    // hash of its pixel block so tests can tell pictures and rows apart.
    int32_t SourceX = 0, SourceY = 0, SourceWidth = 0, SourceHeight = 0;
    int32_t PictureWidth = 0, PictureHeight = 0, PictureBits = 0;
    uint64_t PictureHash = 0;
    uint32_t Rop = 0;
    int32_t Result = 0;                  // what the picture call returned
};

class RecordingCanvas final : public Canvas {
public:
    // A canvas of its own with the given kind, resolution and size.
    RecordingCanvas(CanvasKind kind = CanvasKind::ScreenBitmap, int32_t dpi = 96, int32_t width = 1000,
                    int32_t height = 1000);
    // Records and passes every call on to `target` (not owned), taking its
    // kind, resolution and size; picture results are the target's.
    explicit RecordingCanvas(Canvas& target);

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
    bool canSendDib() const override;
    int32_t setDibToDevice(int32_t x, int32_t y, const Dib& picture) override;
    bool stretchBitmap(int32_t x, int32_t y, int32_t width, int32_t height, const Bitmap32& bitmap, int32_t sourceX,
                       int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop) override;
    uint32_t* pixelRow(int32_t y) override { return Target ? Target->pixelRow(y) : nullptr; }

    // How a device without a target answers picture calls, to reach the
    // fallbacks of picture drawing: results of 0 are failures.
    int32_t StretchDibResult = 1;     // 1: the rows asked for
    bool SendsDib = true;
    int32_t SetDibResult = 1;         // 1: the picture's rows
    bool StretchBitmapResult = true;

    std::vector<CanvasCall> Calls;
    // The calls of one kind, in order.
    std::vector<CanvasCall> callsOf(CanvasOp op) const;
    size_t count(CanvasOp op) const;
    void clear() { Calls.clear(); }
    // One line per call, for failure messages.
    std::string describe() const;

private:
    CanvasCall base(CanvasOp op) const;
    // Pen and text state onto the target before a forwarded call.
    void syncTarget();

    Canvas* Target = nullptr;
    CanvasKind Kind;
    int32_t Dpi, W, H;
};

// FNV-1a over a picture's pixel block.
uint64_t pictureHash(const Dib& d);

} // namespace quillet
