#pragma once
// Windows metafiles, the picture form RTF carries. We write one picture per
// metafile (render/MetafileCanvas) and read back the subset that holds
// pictures: the optional placeable header, the metafile header, window
// origin and extent, and the picture transfer records. Every record is
// checked against the bytes before it is used.

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
};

// The largest metafile records walked: a file that claims more is cut off
// there, so a metafile of tiny records cannot keep the reader busy.
inline constexpr int32_t kMaxMetafileRecords = 1 << 20;

// Plays the metafile: the picture it holds (the largest transfer when there
// are several) goes into `picture`, which stays empty when there is none or
// the bytes are not a metafile. The picture is taken as it is stored, not
// redrawn, so it keeps its own pixels through a round trip.
MetafileInfo playMetafile(const uint8_t* data, size_t size, Dib& picture);

} // namespace quillet
