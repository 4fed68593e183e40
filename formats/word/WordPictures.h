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

// Drawn objects: a text's anchors (character 8) name shapes of the file's
// drawing records, whose picture property names a blip of the blip store.
struct DrawnAnchor {
    int32_t Cp = 0;      // in its story
    uint32_t Spid = 0;   // the shape
    int32_t WidthTwips = 0, HeightTwips = 0;
};
struct OfficeArt {
    struct Blip {
        bool InTable = false;  // the record lies in the table stream, else in the main stream
        uint32_t Offset = 0;
    };
    std::vector<Blip> Store;  // by picture number - 1
    std::vector<std::pair<uint32_t, uint32_t>> PictureOfShape;  // shape id, picture number; sorted
};
// The anchors of one story at [fc, fc + lcb) of the table stream, by CP.
std::vector<DrawnAnchor> readDrawnAnchors(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb);
// The blip store and the pictures of the shapes at [fc, fc + lcb).
OfficeArt readOfficeArt(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb);
// The picture a drawn object shows, sized by its anchor; empty when it
// shows none this program reads.
WordPicture drawnPicture(const OfficeArt& art, const DrawnAnchor& anchor, const std::vector<uint8_t>& table,
                         const std::vector<uint8_t>& main);

// A compressed metafile blip inflates to at most this many bytes.
inline constexpr size_t kMaxMetafileBytes = size_t(64) << 20;

} // namespace quillet::word
