// libFuzzer entry for the picture loader: PNG through libpng.
// Seeds and crashes ever found: tests/fuzz/corpus/png/.

#include "tests/fuzz/picture_fuzz.h"

#include <vector>

#include <zlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Almost every mutation breaks a chunk checksum and stops the library
    // at once; the checksums are made good again so mutations reach the
    // chunks' contents. The file as given is tried too.
    quillet::fuzz::loadAndCheck(data, size, 14);
    std::vector<uint8_t> fixed(data, data + size);
    size_t at = 8;
    while (at + 12 <= fixed.size()) {
        const size_t length = size_t(fixed[at]) << 24 | size_t(fixed[at + 1]) << 16 | size_t(fixed[at + 2]) << 8 | fixed[at + 3];
        if (length > fixed.size() - at - 12) break;
        const uLong crc = crc32(0, fixed.data() + at + 4, uInt(length + 4));
        for (int i = 0; i < 4; ++i) fixed[at + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
        at += length + 12;
    }
    if (fixed != std::vector<uint8_t>(data, data + size)) quillet::fuzz::loadAndCheck(fixed.data(), fixed.size(), 14);
    return 0;
}
