// libFuzzer entry for plain text files in the ANSI code page (see
// tests/fuzz/CMakeLists.txt and plain_text_fuzz.h). Seeds: short texts
// with every kind of line end, tabs, control codes and NUL bytes.

#include "tests/fuzz/plain_text_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return quillet::fuzz::plainTextInput(data, size, false);
}
