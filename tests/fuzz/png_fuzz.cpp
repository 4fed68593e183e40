// libFuzzer entry for the picture loader: PNG through libpng.
// Seeds and crashes ever found: tests/fuzz/corpus/png/.

#include "tests/fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return quillet::fuzz::loadAndCheck(data, size, 14);
}
