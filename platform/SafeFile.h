#pragma once
// Reading whole files, and saving without ever leaving a half-written file:
// the bytes go to a fresh file in the target's folder, are flushed to disk
// and renamed over the target. Any write, flush, close or rename error is a
// failure, and the previous file stays as it was. A target that is a
// symbolic link keeps the link: the file it points to is replaced.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
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
// The file's bytes in pieces, written one after the other: a large file
// made of parts need not be copied into one block first.
FileWriteResult WriteWholeFile(const std::filesystem::path& target, const std::vector<std::string_view>& pieces);

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

// Leftovers of saves that never finished. A save writes ".<name>.XXXXXX"
// (six random letters or digits) beside its target and holds an flock lock
// on it until it is renamed into place; a save killed on the way leaves it
// behind, unlocked. Every save first removes such files of its own target,
// and only those that no running save holds and that are older than
// kStaleSaveAge: the age covers the instant between a save making its file
// and locking it, and file systems where locks do not reach other programs
// are left alone.
inline constexpr int64_t kStaleSaveAgeSeconds = 60;

// Whether `name` is a save's temporary file for a target called
// `targetName` (both plain file names, no folder).
bool IsSaveTempName(std::string_view name, std::string_view targetName);
// The target name of a save's temporary file name, or empty when `name`
// is none.
std::string_view SaveTempTarget(std::string_view name);

// Removes the stale temporary files in `folder` of every target that
// `whose` accepts (given the target's file name); returns how many went.
// minAgeSeconds 0 takes unlocked files of any age: only for folders no
// other program writes to.
size_t RemoveStaleSaveTemps(const std::filesystem::path& folder,
                            const std::function<bool(std::string_view targetName)>& whose,
                            int64_t minAgeSeconds = kStaleSaveAgeSeconds);
// The same for one target's own temporary files.
size_t RemoveStaleSaveTemps(const std::filesystem::path& target, int64_t minAgeSeconds = kStaleSaveAgeSeconds);

} // namespace quillet
