// libFuzzer entry for the metafile player (see tests/fuzz/CMakeLists.txt):
// whatever the bytes, a picture it gives is a usable one, and a picture we
// write comes back as it was.

#include "formats/rtf/Wmf.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillet;
    if (size > (size_t(1) << 20)) return 0;
    Dib picture;
    const MetafileInfo info = playMetafile(data, size, picture);
    // A refused metafile keeps a picture only when it drew before the break.
    if (!info.ok && !picture.empty() && info.shapes == 0 && info.pictures == 0) std::abort();
    if (picture.empty()) return 0;
    if (!dibUsable(picture) || dibwidth(picture) <= 0 || dibheight(picture) <= 0) std::abort();
    if (info.shapes > 0 && (dibwidth(picture) > kMaxMetafileSide || dibheight(picture) > kMaxMetafileSide))
        std::abort();
    const std::vector<uint8_t> again = metafileOfPicture(picture);
    Dib back;
    if (again.empty() || !playMetafile(again.data(), again.size(), back).ok) std::abort();
    if (dibwidth(back) != dibwidth(picture) || dibheight(back) != dibheight(picture)) std::abort();
    return 0;
}
