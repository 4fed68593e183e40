#include "render/RecordingCanvas.h"

#include "render/ImageCanvas.h"

#include <cstdio>

namespace quillet {

namespace {

const char* opName(CanvasOp op)
{
    switch (op) {
    case CanvasOp::FillRect: return "fillRect";
    case CanvasOp::InvertRect: return "invertRect";
    case CanvasOp::Line: return "line";
    case CanvasOp::Rectangle: return "rectangle";
    case CanvasOp::Ellipse: return "ellipse";
    case CanvasOp::Text: return "text";
    case CanvasOp::SetClip: return "setClip";
    case CanvasOp::SetClipRegion: return "setClipRegion";
    case CanvasOp::ClearClip: return "clearClip";
    case CanvasOp::DrawImage: return "drawImage";
    case CanvasOp::StretchDib: return "stretchDib";
    case CanvasOp::SetDibToDevice: return "setDibToDevice";
    case CanvasOp::StretchBitmap: return "stretchBitmap";
    }
    return "?";
}

void describePicture(CanvasCall& c, const Dib& d)
{
    c.PictureWidth = dibwidth(d);
    c.PictureHeight = dibheight(d);
    c.PictureBits = dibbitcount(d);
    c.PictureHash = pictureHash(d);
}

} // namespace

uint64_t pictureHash(const Dib& d)
{
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : d.Bits) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

RecordingCanvas::RecordingCanvas(CanvasKind kind, int32_t dpi, int32_t width, int32_t height)
    : Kind(kind), Dpi(dpi > 0 ? dpi : 96), W(std::max(0, width)), H(std::max(0, height))
{
}

RecordingCanvas::RecordingCanvas(Canvas& target)
    : Target(&target), Kind(target.kind()), Dpi(target.dpi()), W(target.width()), H(target.height())
{
}

CanvasCall RecordingCanvas::base(CanvasOp op) const
{
    CanvasCall c;
    c.Op = op;
    c.Mode = penMode();
    c.Style = penStyle();
    c.TextBackground = textBackground();
    return c;
}

void RecordingCanvas::syncTarget()
{
    Target->setPenMode(penMode());
    Target->setPenStyle(penStyle());
    Target->setTextBackground(textBackground());
}

void RecordingCanvas::fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour)
{
    CanvasCall c = base(CanvasOp::FillRect);
    c.Left = left, c.Top = top, c.Right = right, c.Bottom = bottom, c.Colour = colour;
    Calls.push_back(std::move(c));
    if (Target) syncTarget(), Target->fillRect(left, top, right, bottom, colour);
}

void RecordingCanvas::invertRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    CanvasCall c = base(CanvasOp::InvertRect);
    c.Left = left, c.Top = top, c.Right = right, c.Bottom = bottom;
    Calls.push_back(std::move(c));
    if (Target) syncTarget(), Target->invertRect(left, top, right, bottom);
}

void RecordingCanvas::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width)
{
    CanvasCall c = base(CanvasOp::Line);
    c.Left = x1, c.Top = y1, c.Right = x2, c.Bottom = y2, c.Colour = colour, c.PenWidth = width;
    Calls.push_back(std::move(c));
    if (Target) syncTarget(), Target->line(x1, y1, x2, y2, colour, width);
}

void RecordingCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                                std::optional<uint32_t> pen, int32_t penWidth)
{
    CanvasCall c = base(CanvasOp::Rectangle);
    c.Left = left, c.Top = top, c.Right = right, c.Bottom = bottom;
    c.Fill = fill, c.Pen = pen, c.PenWidth = penWidth;
    Calls.push_back(std::move(c));
    if (Target) syncTarget(), Target->rectangle(left, top, right, bottom, fill, pen, penWidth);
}

void RecordingCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                              std::optional<uint32_t> pen, int32_t penWidth)
{
    CanvasCall c = base(CanvasOp::Ellipse);
    c.Left = left, c.Top = top, c.Right = right, c.Bottom = bottom;
    c.Fill = fill, c.Pen = pen, c.PenWidth = penWidth;
    Calls.push_back(std::move(c));
    if (Target) syncTarget(), Target->ellipse(left, top, right, bottom, fill, pen, penWidth);
}

void RecordingCanvas::text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour)
{
    CanvasCall c = base(CanvasOp::Text);
    c.Left = x, c.Top = y, c.Colour = colour, c.Text = std::string(ansi);
    if (font) {
        const TextExtent e = font->textExtent(ansi);
        c.Right = x + e.cx;
        c.Bottom = y + e.cy;
        c.FontFace = font->logFont().Face;
        c.FontPixels = font->pixelSize();
    }
    Calls.push_back(std::move(c));
    if (Target) syncTarget(), Target->text(x, y, font, ansi, colour);
}

void RecordingCanvas::setClip(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    CanvasCall c = base(CanvasOp::SetClip);
    c.Left = left, c.Top = top, c.Right = right, c.Bottom = bottom;
    c.Clip = {ClipBox{left, top, right, bottom}};
    Calls.push_back(std::move(c));
    if (Target) Target->setClip(left, top, right, bottom);
}

void RecordingCanvas::setClipRegion(const std::vector<ClipBox>& boxes)
{
    CanvasCall c = base(CanvasOp::SetClipRegion);
    c.Clip = boxes;
    Calls.push_back(std::move(c));
    if (Target) Target->setClipRegion(boxes);
}

void RecordingCanvas::clearClip()
{
    Calls.push_back(base(CanvasOp::ClearClip));
    if (Target) Target->clearClip();
}

void RecordingCanvas::drawImage(const ImageCanvas& image, int32_t x, int32_t y)
{
    CanvasCall c = base(CanvasOp::DrawImage);
    c.Left = x, c.Top = y, c.Right = x + image.width(), c.Bottom = y + image.height();
    Calls.push_back(std::move(c));
    if (Target) Target->drawImage(image, x, y);
}

int32_t RecordingCanvas::stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture,
                                    int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                    uint32_t rop)
{
    CanvasCall c = base(CanvasOp::StretchDib);
    c.Left = x, c.Top = y, c.Right = x + width, c.Bottom = y + height;
    c.SourceX = sourceX, c.SourceY = sourceY, c.SourceWidth = sourceWidth, c.SourceHeight = sourceHeight;
    c.Rop = rop;
    describePicture(c, picture);
    if (Target) c.Result = Target->stretchDib(x, y, width, height, picture, sourceX, sourceY, sourceWidth, sourceHeight, rop);
    else c.Result = StretchDibResult > 0 ? height : StretchDibResult;
    const int32_t result = c.Result;
    Calls.push_back(std::move(c));
    return result;
}

bool RecordingCanvas::canSendDib() const { return Target ? Target->canSendDib() : SendsDib; }

int32_t RecordingCanvas::setDibToDevice(int32_t x, int32_t y, const Dib& picture)
{
    CanvasCall c = base(CanvasOp::SetDibToDevice);
    c.Left = x, c.Top = y, c.Right = x + dibwidth(picture), c.Bottom = y + dibheight(picture);
    describePicture(c, picture);
    if (Target) c.Result = Target->setDibToDevice(x, y, picture);
    else c.Result = SetDibResult > 0 ? dibheight(picture) : SetDibResult;
    const int32_t result = c.Result;
    Calls.push_back(std::move(c));
    return result;
}

bool RecordingCanvas::stretchBitmap(int32_t x, int32_t y, int32_t width, int32_t height, const Bitmap32& bitmap,
                                    int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                    uint32_t rop)
{
    CanvasCall c = base(CanvasOp::StretchBitmap);
    c.Left = x, c.Top = y, c.Right = x + width, c.Bottom = y + height;
    c.SourceX = sourceX, c.SourceY = sourceY, c.SourceWidth = sourceWidth, c.SourceHeight = sourceHeight;
    c.Rop = rop;
    c.PictureWidth = bitmap.Width;
    c.PictureHeight = bitmap.Height;
    c.PictureBits = 32;
    const bool ok = Target ? Target->stretchBitmap(x, y, width, height, bitmap, sourceX, sourceY, sourceWidth,
                                                   sourceHeight, rop)
                           : StretchBitmapResult;
    c.Result = ok ? 1 : 0;
    Calls.push_back(std::move(c));
    return ok;
}

std::vector<CanvasCall> RecordingCanvas::callsOf(CanvasOp op) const
{
    std::vector<CanvasCall> out;
    for (const CanvasCall& c : Calls)
        if (c.Op == op) out.push_back(c);
    return out;
}

size_t RecordingCanvas::count(CanvasOp op) const
{
    size_t n = 0;
    for (const CanvasCall& c : Calls) n += c.Op == op;
    return n;
}

std::string RecordingCanvas::describe() const
{
    std::string out;
    char buf[160];
    for (const CanvasCall& c : Calls) {
        std::snprintf(buf, sizeof buf, "%s (%d,%d)-(%d,%d) colour %06X", opName(c.Op), c.Left, c.Top, c.Right,
                      c.Bottom, c.Colour);
        out += buf;
        if (c.Mode == PenMode::Xor) out += " xor";
        if (c.Mode == PenMode::NotXor) out += " not-xor";
        if (c.Mode == PenMode::Not) out += " not";
        if (c.Style == PenStyle::Dot) out += " dotted";
        if (c.Op == CanvasOp::SetClipRegion) {
            for (const ClipBox& b : c.Clip) {
                std::snprintf(buf, sizeof buf, " [%d,%d-%d,%d]", b.Left, b.Top, b.Right, b.Bottom);
                out += buf;
            }
            if (c.Clip.empty()) out += " (empty)";
        }
        if (c.Op == CanvasOp::Text) out += " \"" + c.Text + "\"";
        if (c.PictureBits) {
            std::snprintf(buf, sizeof buf, " src (%d,%d %dx%d) of %dx%dx%d -> %d", c.SourceX, c.SourceY,
                          c.SourceWidth, c.SourceHeight, c.PictureWidth, c.PictureHeight, c.PictureBits, c.Result);
            out += buf;
        }
        out += '\n';
    }
    return out;
}

} // namespace quillet
