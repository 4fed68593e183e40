#pragma once
// The font of a character format at a resolution and zoom: the single font
// source for measuring (printer resolution, zoom 100) and drawing.

#include "platform/FontMetrics.h"

#include <cstdint>
#include <string>

namespace quillet {

// Height asked for: -trunc(dpi * size / 72 * zoom / 100), evaluated in that order.
int32_t SelFontHeight(int32_t dpi, double size, double zoom);
LogFont SelFontLogFont(const std::string& face, int32_t dpi, uint8_t charset, uint8_t style,
                       double size, double zoom);
FontHandle selfont(const std::string& face, int32_t dpi, uint8_t charset, uint8_t style,
                   double size, double zoom);

} // namespace quillet
