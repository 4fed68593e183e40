#pragma once
// The frame's list of recently used files and the File-menu entries made
// from it. Entries are full paths (UTF-8), newest first, without duplicates.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Tags of the File-menu items the list produces: the separator, then one
// item per entry (kRecentFirstTag + index). Items tagged above
// kRecentTagsAbove belong to the list and are rebuilt on every opening.
inline constexpr int32_t kRecentTagsAbove = 97;
inline constexpr int32_t kRecentSeparatorTag = 98;
inline constexpr int32_t kRecentFirstTag = 99;
// Longest menu text, in characters, before a path is shortened.
inline constexpr size_t kRecentNameLength = 25;

// Removes every entry equal to `path` (exact comparison), puts it at the
// head and trims the list to `max` entries (a negative max counts as 0).
void AddRecentFile(std::vector<std::string>& list, const std::string& path, int32_t max);
// Drops the oldest entries until at most `max` remain.
void TrimRecentFiles(std::vector<std::string>& list, int32_t max);

// The text a path shows in the menu: a path longer than 25 characters
// shows its file name only, and a name still longer keeps its first 24
// characters followed by "...". Characters are counted as code points, and
// a cut never splits one.
std::string ShortenRecentFileName(std::string_view path);

struct RecentFileMenuItem {
    std::string Caption;  // UTF-8, with "&" marking the accelerator
    int32_t Tag = 0;
    friend bool operator==(const RecentFileMenuItem&, const RecentFileMenuItem&) = default;
};
// The items appended to the File menu: nothing for an empty list, else a
// separator "-" followed by "&1 name", "&2 name", ... An "&" inside a name
// is doubled so that it shows as itself instead of marking an accelerator.
std::vector<RecentFileMenuItem> RecentFileMenuItems(const std::vector<std::string>& list);

// The list index a clicked item's tag stands for, or nothing when the tag
// is not one of the list's items (the separator, a stale item).
std::optional<size_t> RecentFileIndexFromTag(int32_t tag, size_t count);

} // namespace quillet
