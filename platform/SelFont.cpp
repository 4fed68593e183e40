#include "platform/SelFont.h"

#include <cmath>

namespace quillet {

int32_t SelFontHeight(int32_t dpi, double size, double zoom)
{
    // Each step rounds on its own in double, in this order: another order
    // moves some sizes across a pixel boundary, and with them line breaks of
    // documents laid out before.
    double v = static_cast<double>(dpi) * size;
    v = v / 72.0;
    v = v * zoom;
    v = v / 100.0;
    const double cut = std::trunc(v);
    // A size that truncates to 0 pixels (tiny size times zoom, or no number
    // at all) still gets the smallest font: a height of 0 would ask for the
    // platform's default size, far larger than what the document says.
    if (!(std::fabs(cut) >= 1.0)) return -1;
    if (cut >= kMaxFontPixels) return -kMaxFontPixels;
    if (cut <= -kMaxFontPixels) return kMaxFontPixels;
    return -static_cast<int32_t>(cut);
}

LogFont SelFontLogFont(const std::string& face, int32_t dpi, uint8_t charset, uint8_t style,
                       double size, double zoom)
{
    LogFont lf;
    lf.Face = face;
    lf.Height = SelFontHeight(dpi, size, zoom);
    lf.Weight = (style & 1) ? 700 : 400;
    lf.Italic = (style & 2) != 0;
    lf.StrikeOut = (style & 8) != 0;
    // Underlines of every kind are drawn by the renderer, never by the font.
    lf.Underline = false;
    lf.Charset = charset;
    return lf;
}

FontHandle selfont(const std::string& face, int32_t dpi, uint8_t charset, uint8_t style, double size,
                   double zoom)
{
    return FontService::instance().createFont(SelFontLogFont(face, dpi, charset, style, size, zoom));
}

} // namespace quillet
