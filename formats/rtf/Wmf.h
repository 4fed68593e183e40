#pragma once
// Windows metafiles, the picture form RTF and Word files carry. We write one
// picture per metafile (render/MetafileCanvas) and play back both kinds we
// meet: a metafile that only transfers pictures gives its picture as stored,
// and one that draws (clip art: pens, brushes, shapes, polygons, text) is
// rasterised by our own player. Every record is checked against the bytes
// before it is used.

#include "platform/Dib.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

// A metafile that holds one picture of width x height pixels drawn at
// (0, 0, width, height); empty for an empty picture.
std::vector<uint8_t> metafileOfPicture(const Dib& picture);

struct MetafileInfo {
    bool ok = false;
    std::string error;           // why not, when !ok
    int32_t windowWidth = 0;     // from the window extent record (0: none)
    int32_t windowHeight = 0;
    int32_t records = 0;         // records read, the end record included
    int32_t pictures = 0;        // picture transfer records found
    int32_t shapes = 0;          // drawing records played (lines, shapes, text)
};

// The largest metafile records walked: a file that claims more is cut off
// there, so a metafile of tiny records cannot keep the reader busy.
inline constexpr int32_t kMaxMetafileRecords = 1 << 20;

// Most points one polygon, polyline or set of polygons may hold; a record
// claiming more ends the playback.
inline constexpr int32_t kMaxMetafilePoints = 1 << 16;
// The longest side of a drawn metafile's picture, in pixels.
inline constexpr int32_t kMaxMetafileSide = 2048;
// Without a placeable header the window is drawn with its longer side at
// most this many pixels (one pixel per logical unit when it is smaller).
inline constexpr int32_t kMetafileDrawSide = 1024;

// Plays the metafile into `picture`, which stays empty when the bytes are
// not a metafile or hold nothing to show.
//  - A metafile that only transfers pictures gives the picture it holds (the
//    largest when there are several) as it is stored, not redrawn, so it
//    keeps its own pixels through a round trip. A broken record gives none.
//  - One that draws is rasterised into a 24-bit picture on white: the
//    placeable header's box at 96 dots per inch, or else the first window
//    the metafile sets, at one pixel per logical unit up to
//    kMetafileDrawSide. A broken record, an object index outside the table,
//    an oversized polygon or a window of no size ends the playback with
//    !ok and the reason; what was drawn before stays in the picture.
MetafileInfo playMetafile(const uint8_t* data, size_t size, Dib& picture);

} // namespace quillet
