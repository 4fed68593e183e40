#pragma once
#include <filesystem>
#include <string>

namespace quillet {

// The system's temporary folder.
std::filesystem::path TempFolder();

} // namespace quillet
