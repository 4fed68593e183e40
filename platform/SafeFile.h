#pragma once
// Reading whole files, and saving without ever leaving a half-written file:
// the bytes go to a fresh file in the target's folder, are flushed to disk
// and renamed over the target. Any write, flush, close or rename error is a
// failure, and the previous file stays as it was. A target that is a
// symbolic link keeps the link: the file it points to is replaced.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

bool ReplaceFileContents(const std::filesystem::path& target, const void* data, size_t size);
inline bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes)
{
    return ReplaceFileContents(target, bytes.data(), bytes.size());
}
inline bool ReplaceFileContents(const std::filesystem::path& target, const std::vector<uint8_t>& bytes)
{
    return ReplaceFileContents(target, bytes.data(), bytes.size());
}

// The whole file; false (and nothing) when it is not a readable regular
// file. A file that shrinks while it is read ends where it ends then.
bool ReadFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes);
bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes);

} // namespace quillet
