#pragma once
// Advisory file locks (flock) that say "this folder belongs to a running
// program". The lock lasts as long as the object, and the system drops it
// when the process ends in any way, crash included, so a lock that can be
// taken means its owner is gone.

#include <filesystem>
#include <string>

namespace quillet {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the exclusive lock on `file` (created when missing) without
    // waiting. False when someone else holds it or the file cannot be
    // opened; any lock this object held before is released first.
    bool tryLock(const std::filesystem::path& file);
    bool locked() const { return Fd >= 0; }
    void release();

private:
    int Fd = -1;
};

// A new empty folder `parent`/`prefix`XXXXXX that only this user can enter;
// empty when it cannot be made.
std::filesystem::path MakeUniqueFolder(const std::filesystem::path& parent, const std::string& prefix);

} // namespace quillet
