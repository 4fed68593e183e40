// libFuzzer entry for the picture loader: JPEG through libjpeg.
// Seeds and crashes ever found: tests/fuzz/corpus/jpeg/.

#include "tests/fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return quillet::fuzz::loadAndCheck(data, size, 7);
}
