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

// Why a whole-file read gave nothing: empty when it succeeded, else a
// reason fit for the second line of a message ("No such file or directory",
// "the file is larger than 64 MB", "it is not a regular file").
struct FileReadResult {
    std::string reason;
    explicit operator bool() const { return reason.empty(); }
};

// Why a save failed: empty when it succeeded, else the system's text for
// the step that failed ("No space left on device", "Permission denied"),
// fit for the second line of a message.
struct FileWriteResult {
    std::string reason;
    explicit operator bool() const { return reason.empty(); }
};

// ReplaceFileContents that says why it failed.
FileWriteResult WriteWholeFile(const std::filesystem::path& target, const void* data, size_t size);
inline FileWriteResult WriteWholeFile(const std::filesystem::path& target, const std::vector<uint8_t>& bytes)
{
    return WriteWholeFile(target, bytes.data(), bytes.size());
}

// The largest file any reader takes whole unless it names its own cap.
constexpr uint64_t kDefaultMaxFileBytes = uint64_t(1) << 30;

// The whole file, when it is a regular file of at most maxBytes; otherwise
// nothing and the reason. Devices, folders and FIFOs are refused before a
// byte is read (a FIFO would block for ever), and the size is checked
// before anything is allocated. A file that shrinks while it is read ends
// where it ends then; one that grows is cut at its size when opened.
FileReadResult ReadWholeFile(const std::filesystem::path& path, uint64_t maxBytes, std::vector<uint8_t>& bytes);
FileReadResult ReadWholeFile(const std::filesystem::path& path, uint64_t maxBytes, std::string& bytes);

inline bool ReadFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes)
{
    return bool(ReadWholeFile(path, kDefaultMaxFileBytes, bytes));
}
inline bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes)
{
    return bool(ReadWholeFile(path, kDefaultMaxFileBytes, bytes));
}

// "the file is larger than N MB", the reason given for a file over a cap.
std::string FileTooLargeReason(uint64_t maxBytes);

} // namespace quillet
