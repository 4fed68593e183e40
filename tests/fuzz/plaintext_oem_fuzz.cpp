// libFuzzer entry for plain text files in the DOS code page (see
// tests/fuzz/CMakeLists.txt and plain_text_fuzz.h). Seeds: short texts
// with accented letters and box-drawing characters of code page 850.

#include "tests/fuzz/plain_text_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return quillet::fuzz::plainTextInput(data, size, true);
}
