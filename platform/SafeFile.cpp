#include "platform/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

bool ReplaceFileContents(const std::filesystem::path& target, const void* data, size_t size)
{
    if (target.empty() || !target.has_filename()) return false;
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
