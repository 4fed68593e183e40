#include "render/Overlays.h"

#include <algorithm>

namespace quillet {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// Dotted XOR for one mark, then the pen as every other drawing expects it.
struct XorDots {
    Canvas& C;
    explicit XorDots(Canvas& c) : C(c)
    {
        C.setPenMode(PenMode::Xor);
        C.setPenStyle(PenStyle::Dot);
    }
    ~XorDots()
    {
        C.setPenMode(PenMode::Copy);
        C.setPenStyle(PenStyle::Solid);
    }
};

} // namespace

void drawDragOutline(Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    const int32_t l = std::min(x1, x2), r = std::max(x1, x2);
    const int32_t t = std::min(y1, y2), b = std::max(y1, y2);
    if (r <= l || b <= t) return;
    XorDots pen(canvas);
    canvas.rectangle(l, t, r, b, std::nullopt, kWhite, 1);
}

void drawDragLine(Canvas& canvas, int32_t x, int32_t height)
{
    if (height <= 0) return;
    XorDots pen(canvas);
    canvas.line(x, 0, x, height, kWhite, 1);
}

} // namespace quillet
