#include "tests/support/TestFiles.h"

#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace quillet::test {

std::filesystem::path freshTestDir(std::string_view group)
{
    const std::filesystem::path dir =
        outputDir() / group / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string readAll(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const std::filesystem::path& p, std::string_view bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

} // namespace quillet::test
