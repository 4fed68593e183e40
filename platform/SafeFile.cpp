#include "platform/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
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

FileWriteResult WriteWholeFile(const std::filesystem::path& requested, const void* data, size_t size)
{
    if (requested.empty() || !requested.has_filename()) return {systemReason(EINVAL)};
    const std::filesystem::path target = resolvedTarget(requested);
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::string name = ".";
    name += target.filename().string();
    name += ".XXXXXX";
    std::string tmpl = (dir / name).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return {systemReason(errno)};
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    // Permissions are a courtesy, not a reason to fail the save.
    (void)::fchmod(fd, mode);
    const auto* bytes = static_cast<const char*>(data);
    // The errno of the first step that failed, for the message.
    int err = 0;
    size_t done = 0;
    while (!err && done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        else if (n == 0) err = EIO;
        else done += size_t(n);
    }
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && std::rename(tmpl.c_str(), target.c_str()) != 0) err = errno;
    if (err) ::unlink(tmpl.c_str());
    return {err ? systemReason(err) : std::string()};
}

bool ReplaceFileContents(const std::filesystem::path& requested, const void* data, size_t size)
{
    return bool(WriteWholeFile(requested, data, size));
}

} // namespace quillet
