#include "platform/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

template <class Buffer>
bool readWhole(const std::filesystem::path& path, Buffer& bytes)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0;
    if (ok) {
        try {
            bytes.resize(size_t(st.st_size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    size_t got = 0;
    while (ok && got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        got += size_t(n);
    }
    if (ok) bytes.resize(got);
    else bytes.clear();
    ::close(fd);
    return ok;
}

} // namespace

bool ReadFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes) { return readWhole(path, bytes); }
bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes) { return readWhole(path, bytes); }

bool ReplaceFileContents(const std::filesystem::path& requested, const void* data, size_t size)
{
    if (requested.empty() || !requested.has_filename()) return false;
    const std::filesystem::path target = resolvedTarget(requested);
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::string name = ".";
    name += target.filename().string();
    name += ".XXXXXX";
    std::string tmpl = (dir / name).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    // Permissions are a courtesy, not a reason to fail the save.
    (void)::fchmod(fd, mode);
    const auto* bytes = static_cast<const char*>(data);
    bool ok = true;
    size_t done = 0;
    while (ok && done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += size_t(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(tmpl.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(tmpl.c_str());
    return ok;
}

} // namespace quillet
