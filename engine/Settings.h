#pragma once
// The user's settings, kept in "settings.dat" in the program folder: read
// once at start-up, written at shutdown and whenever an option changes.
//
// The file is a flat little-endian image without header or version; a
// string is an i32 byte count followed by its bytes. A file that ends early
// leaves the fields after its end as they were, so files of older builds
// still load.

#include "platform/ByteIO.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace quillet {

struct FrameState;
struct FrameOptions;

inline constexpr const char* kSettingsFileName = "settings.dat";

// The ranges values read from the file or taken from the Options dialog are
// kept to.
inline constexpr int32_t kMinUndoDepth = 1;
inline constexpr int32_t kMaxUndoDepth = 1000;
inline constexpr int32_t kMaxRecentFiles = 1000;
inline constexpr int32_t kMaxAutoSaveMinutes = 1000;
inline constexpr int32_t kMaxQuoteStyle = 4;
inline constexpr double kMaxLineWidthPt = 72.0;
// A larger file is no file of ours: it is not read, and the defaults stay.
// A thousand recent files of the longest paths fit.
inline constexpr size_t kMaxSettingsFileSize = 4u << 20;

// ProgDir / "settings.dat".
std::filesystem::path SettingsFilePath(const FrameState& frame);

// Puts every setting the file holds to the value the frame starts with
// when there is no file (QuoteStyle 4, UndoDepth 10, four recent files,
// auto-save every 8 minutes, spelling while typing, all toolbars shown...).
// The frame calls it before OpenSettings.
void SetDefaultSettings(FrameState& frame);

// Reads the file over the current state. A missing or unreadable file, or
// anything but a regular file, changes nothing; a short or damaged one is taken up to the first field
// that is not wholly there or cannot be right, and the rest stays. Values
// outside their ranges are pulled into them. False when nothing could be
// read (no file).
bool OpenSettings(FrameState& frame, const std::filesystem::path& file);
// Writes the whole file (temporary file in the same folder, then renamed
// over the old one). False when it could not be written completely; the
// previous file is then unchanged.
bool SaveSettings(const FrameState& frame, const std::filesystem::path& file);

// The file image and its reading, for the two functions above and tests.
std::vector<uint8_t> EncodeSettings(const FrameState& frame);
void DecodeSettings(FrameState& frame, ByteReader& in);

// The auto-save timer's interval; 0 means the timer never fires.
int32_t AutoSaveIntervalMs(const FrameOptions& options);

} // namespace quillet
