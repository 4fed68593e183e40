#pragma once
// Reading a picture's pixels as colours, for everything that draws pictures
// (the page image, the Qt painter, the PDF writer).

#include "platform/Dib.h"

#include <cstdint>

namespace quillet {

// One stored row of a picture dibUsable accepts as 0x00BBGGRR colours (width entries),
// palette depths through the colour table (missing entries are black).
void dibRowColours(const Dib& d, int32_t storageRow, uint32_t* out);

} // namespace quillet
