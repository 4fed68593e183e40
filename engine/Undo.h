#pragma once
// One whole-document undo snapshot.

#include "engine/Records.h"

#include <string>
#include <vector>

namespace quillet {

struct UndoCopy {
    std::string Label;              // at most 255 bytes
    std::vector<TextArea> Areas;    // deep copy of the document's areas
    TextPos Anchor;
    TextPos Cursor;
    int32_t CurrentPage = 0;
    CurrentFontState FontState;
};

} // namespace quillet
