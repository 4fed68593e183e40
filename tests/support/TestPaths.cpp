#include "tests/support/TestPaths.h"

namespace quillet::test {

std::filesystem::path outputDir()
{
    std::filesystem::path dir = QUILLET_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace quillet::test
