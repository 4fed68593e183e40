#include "platform/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillet {

InstanceLock::~InstanceLock() { release(); }

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept
{
    if (this != &other) {
        release();
        Fd = std::exchange(other.Fd, -1);
    }
    return *this;
}

bool InstanceLock::tryLock(const std::filesystem::path& file)
{
    release();
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        ::close(fd);
        return false;
    }
    Fd = fd;
    return true;
}

void InstanceLock::release()
{
    // Closing the descriptor drops the lock.
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
}

std::filesystem::path MakeUniqueFolder(const std::filesystem::path& parent, const std::string& prefix)
{
    std::string tmpl = (parent / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(tmpl.data())) return {};
    return tmpl;
}

} // namespace quillet
