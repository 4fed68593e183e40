#pragma once
// A minimal PNG writer for page images: 8-bit RGB, no interlacing.

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace quillet {

// `pixels` holds height rows of `stride` entries, each 0x00BBGGRR (red in
// the low byte). Writes a fresh file and renames it over `file`; false when
// any step fails (nothing half-written is left behind).
bool writePngFile(const std::filesystem::path& file, const uint32_t* pixels, int32_t width, int32_t height,
                  size_t stride);

} // namespace quillet
