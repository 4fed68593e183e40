// libFuzzer entry for the picture loader: Windows and OS/2 bitmaps, with or without file header, incl. run-length.
// Seeds and crashes ever found: tests/fuzz/corpus/bmp/.

#include "tests/fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return quillet::fuzz::loadAndCheck(data, size, 0);
}
