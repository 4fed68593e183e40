// libFuzzer entry for the picture loader: GIF through giflib (first frame).
// Seeds and crashes ever found: tests/fuzz/corpus/gif/.

#include "tests/fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return quillet::fuzz::loadAndCheck(data, size, 0);
}
