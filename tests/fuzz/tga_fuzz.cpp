// libFuzzer entry for the picture loader: Targa pictures (uncompressed, run-length, colour-mapped, grey).
// Seeds and crashes ever found: tests/fuzz/corpus/tga/.

#include "tests/fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return quillet::fuzz::loadAndCheck(data, size, 0);
}
