#pragma once
// Saving without ever leaving a half-written file: the bytes go to a fresh
// file in the target's folder, are flushed to disk and renamed over the
// target. Any write, flush, close or rename error is a failure, and the
// previous file stays as it was.

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace quillet {

bool ReplaceFileContents(const std::filesystem::path& target, const void* data, size_t size);
inline bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes)
{
    return ReplaceFileContents(target, bytes.data(), bytes.size());
}

} // namespace quillet
