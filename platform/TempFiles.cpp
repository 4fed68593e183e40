#include "platform/TempFiles.h"

#include <cstdlib>

namespace quillet {

std::filesystem::path TempFolder()
{
    std::error_code ec;
    auto p = std::filesystem::temp_directory_path(ec);
    if (ec) p = "/tmp";
    return p;
}

} // namespace quillet
