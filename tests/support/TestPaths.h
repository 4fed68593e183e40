#pragma once
// Where tests find the program folder, their input files and their output.

#include <filesystem>

namespace quillet::test {

inline std::filesystem::path programDir() { return QUILLET_PROGRAM_DIR; }
inline std::filesystem::path dataDir() { return QUILLET_TEST_DATA_DIR; }
// Created on first use; rendered pages and written files land here.
std::filesystem::path outputDir();

} // namespace quillet::test
