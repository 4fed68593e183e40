#include "platform/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace quillet {

namespace {

// Saving through a link replaces what it points to, so the link survives.
std::filesystem::path resolvedTarget(const std::filesystem::path& target)
{
    std::error_code ec;
    if (!std::filesystem::is_symlink(target, ec)) return target;
    std::filesystem::path real = std::filesystem::canonical(target, ec);
    return ec ? target : real;
}

std::string systemReason(int err)
{
    return std::string(std::strerror(err));
}

template <class Buffer>
FileReadResult readWhole(const std::filesystem::path& path, uint64_t maxBytes, Buffer& bytes)
{
    bytes.clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer before fstat could tell us it is no file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return {systemReason(errno)};
    FileReadResult result;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.reason = systemReason(errno);
    } else if (S_ISDIR(st.st_mode)) {
        result.reason = systemReason(EISDIR);
    } else if (!S_ISREG(st.st_mode) || st.st_size < 0) {
        result.reason = "it is not a regular file";
    } else if (uint64_t(st.st_size) > maxBytes) {
        result.reason = FileTooLargeReason(maxBytes);
    } else {
        try {
            bytes.resize(size_t(st.st_size));
        } catch (const std::bad_alloc&) {
            result.reason = "there is not enough memory";
        }
    }
    size_t got = 0;
    while (result && got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result.reason = systemReason(errno);
        if (n <= 0) break;
        got += size_t(n);
    }
    if (result) bytes.resize(got);
    else bytes = Buffer();
    ::close(fd);
    return result;
}

} // namespace

FileReadResult ReadWholeFile(const std::filesystem::path& path, uint64_t maxBytes, std::vector<uint8_t>& bytes)
{
    return readWhole(path, maxBytes, bytes);
}
FileReadResult ReadWholeFile(const std::filesystem::path& path, uint64_t maxBytes, std::string& bytes)
{
    return readWhole(path, maxBytes, bytes);
}

std::string FileTooLargeReason(uint64_t maxBytes)
{
    const uint64_t mb = (maxBytes + (uint64_t(1) << 20) - 1) >> 20;
    return "the file is larger than " + std::to_string(mb) + " MB";
}

// ---- Temporary files of saves ---------------------------------------------------

namespace {

constexpr size_t kTempRandomChars = 6;

bool isTempRandomChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    std::filesystem::path dir = target.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
}

bool lockNow(int fd)
{
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

// Removes one leftover when it is a regular file of ours, old enough, and
// nobody holds its lock. The lock is kept until the name is gone, so a
// save cannot take it up meanwhile.
bool removeIfStale(const std::filesystem::path& file, int64_t minAgeSeconds)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    bool removed = false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const int64_t age = int64_t(now.tv_sec) - int64_t(st.st_mtim.tv_sec);
        if (age >= minAgeSeconds && lockNow(fd)) removed = ::unlink(file.c_str()) == 0;
    }
    ::close(fd);
    return removed;
}

} // namespace

std::string_view SaveTempTarget(std::string_view name)
{
    // "." + target + "." + six characters, the target not empty.
    if (name.size() < kTempRandomChars + 3 || name.front() != '.') return {};
    const size_t dot = name.size() - kTempRandomChars - 1;
    if (name[dot] != '.') return {};
    for (size_t i = dot + 1; i < name.size(); ++i)
        if (!isTempRandomChar(name[i])) return {};
    return name.substr(1, dot - 1);
}

bool IsSaveTempName(std::string_view name, std::string_view targetName)
{
    const std::string_view target = SaveTempTarget(name);
    return !target.empty() && target == targetName;
}

size_t RemoveStaleSaveTemps(const std::filesystem::path& folder,
                            const std::function<bool(std::string_view targetName)>& whose, int64_t minAgeSeconds)
{
    size_t removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string_view target = SaveTempTarget(name);
        if (target.empty() || !whose(target)) continue;
        if (removeIfStale(it->path(), minAgeSeconds)) ++removed;
    }
    return removed;
}

size_t RemoveStaleSaveTemps(const std::filesystem::path& target, int64_t minAgeSeconds)
{
    if (!target.has_filename()) return 0;
    const std::string own = target.filename().string();
    return RemoveStaleSaveTemps(
        folderOf(target), [&](std::string_view name) { return name == own; }, minAgeSeconds);
}

// ---- Saving ---------------------------------------------------------------------

FileWriteResult WriteWholeFile(const std::filesystem::path& requested, const void* data, size_t size)
{
    return WriteWholeFile(requested, std::vector<std::string_view>{std::string_view(static_cast<const char*>(data), size)});
}

FileWriteResult WriteWholeFile(const std::filesystem::path& requested, const std::vector<std::string_view>& pieces)
{
    if (requested.empty() || !requested.has_filename()) return {systemReason(EINVAL)};
    const std::filesystem::path target = resolvedTarget(requested);
    // The save replaces the target by renaming over it: over a device node,
    // a FIFO or a socket that would swap the system's object for a plain
    // file (as root, /dev/null or a printer port would be gone), and over a
    // folder it cannot work. Only a missing or a regular file is replaced.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        if (S_ISDIR(existing.st_mode)) return {systemReason(EISDIR)};
        return {"it is not a regular file"};
    }
    // What killed saves of this file left behind goes first; it may be the
    // very space this save needs.
    RemoveStaleSaveTemps(target);
    std::string name = ".";
    name += target.filename().string();
    name += ".XXXXXX";
    std::string tmpl = (folderOf(target) / name).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return {systemReason(errno)};
    // Held until the file has its final name, so a save of another running
    // copy never takes it for a leftover.
    (void)lockNow(fd);
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    // Permissions are a courtesy, not a reason to fail the save.
    (void)::fchmod(fd, mode);
    // The errno of the first step that failed, for the message.
    int err = 0;
    for (const std::string_view piece : pieces) {
        size_t done = 0;
        while (!err && done < piece.size()) {
            const ssize_t n = ::write(fd, piece.data() + done, piece.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) err = errno;
            else if (n == 0) err = EIO;
            else done += size_t(n);
        }
    }
    if (!err && ::fsync(fd) != 0) err = errno;
    // Renamed while still open and locked: between an unlock and the rename
    // another save could take the file for a leftover. After a good fsync
    // the bytes are on disk, so closing can no longer lose them.
    if (!err && std::rename(tmpl.c_str(), target.c_str()) != 0) err = errno;
    if (err) ::unlink(tmpl.c_str());
    ::close(fd);
    return {err ? systemReason(err) : std::string()};
}

bool ReplaceFileContents(const std::filesystem::path& requested, const void* data, size_t size)
{
    return bool(WriteWholeFile(requested, data, size));
}

} // namespace quillet
