#pragma once
// Pictures of a Word 97 file: the picture header in the "Data" stream and
// the drawing records after it, whose picture blips (metafile, JPEG, PNG)
// become the document's pictures.

#include "platform/Dib.h"

#include <cstdint>
#include <vector>

namespace quillet::word {

struct WordPicture {
    Dib Picture;
    int32_t WidthTwips = 0, HeightTwips = 0;
};

// The picture at offset fc of the Data stream; an empty Picture when there
// is none this program reads, or the records are damaged.
WordPicture readPicture(const std::vector<uint8_t>& data, int32_t fc);

// A compressed metafile blip inflates to at most this many bytes.
inline constexpr size_t kMaxMetafileBytes = size_t(64) << 20;

} // namespace quillet::word
