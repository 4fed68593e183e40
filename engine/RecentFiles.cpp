#include "engine/RecentFiles.h"

#include <algorithm>

namespace quillet {

namespace {

bool isContinuationByte(char c) { return (uint8_t(c) & 0xC0) == 0x80; }

size_t codePointCount(std::string_view s)
{
    return size_t(std::count_if(s.begin(), s.end(), [](char c) { return !isContinuationByte(c); }));
}

// The first `n` code points of s.
std::string_view firstCodePoints(std::string_view s, size_t n)
{
    size_t seen = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (isContinuationByte(s[i])) continue;
        if (seen == n) return s.substr(0, i);
        ++seen;
    }
    return s;
}

std::string_view fileNamePart(std::string_view path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string escapeAmpersands(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '&') out += '&';
        out += c;
    }
    return out;
}

} // namespace

void TrimRecentFiles(std::vector<std::string>& list, int32_t max)
{
    const size_t limit = size_t(std::max<int32_t>(max, 0));
    if (list.size() > limit) list.resize(limit);
}

void AddRecentFile(std::vector<std::string>& list, const std::string& path, int32_t max)
{
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
    list.insert(list.begin(), path);
    TrimRecentFiles(list, max);
}

std::string ShortenRecentFileName(std::string_view path)
{
    if (codePointCount(path) <= kRecentNameLength) return std::string(path);
    const std::string_view name = fileNamePart(path);
    if (codePointCount(name) <= kRecentNameLength) return std::string(name);
    return std::string(firstCodePoints(name, kRecentNameLength - 1)) + "...";
}

std::vector<RecentFileMenuItem> RecentFileMenuItems(const std::vector<std::string>& list)
{
    std::vector<RecentFileMenuItem> items;
    if (list.empty()) return items;
    items.reserve(list.size() + 1);
    items.push_back({"-", kRecentSeparatorTag});
    for (size_t i = 0; i < list.size(); ++i) {
        std::string caption = "&";
        caption += std::to_string(i + 1);
        caption += ' ';
        caption += escapeAmpersands(ShortenRecentFileName(list[i]));
        items.push_back({std::move(caption), kRecentFirstTag + int32_t(i)});
    }
    return items;
}

std::optional<size_t> RecentFileIndexFromTag(int32_t tag, size_t count)
{
    if (tag < kRecentFirstTag) return std::nullopt;
    const size_t index = size_t(int64_t(tag) - kRecentFirstTag);
    if (index >= count) return std::nullopt;
    return index;
}

} // namespace quillet
