#pragma once
// One whole-document undo snapshot.

#include "engine/Records.h"

#include <memory>
#include <string>
#include <vector>

namespace quillet {

// A snapshot's areas. Each area is held read-only and shared: an area that
// no command changed between two snapshots is one object in both, so a
// snapshot costs what the command changed rather than the whole document.
class SnapshotAreas {
public:
    // Held writable only so that an area no other snapshot shares can be
    // refilled once its snapshot is dropped; nothing changes a held area.
    using Ptr = std::shared_ptr<TextArea>;

    size_t size() const { return Items.size(); }
    bool empty() const { return Items.empty(); }
    const TextArea& operator[](size_t i) const { return *Items[i]; }
    std::shared_ptr<const TextArea> shared(size_t i) const { return Items[i]; }
    void clear() { std::vector<Ptr>().swap(Items); }
    void reserve(size_t n) { Items.reserve(n); }
    void push_back(Ptr p) { Items.push_back(std::move(p)); }
    // Area i when this snapshot alone holds it, taken out (else null).
    Ptr takeIfUnshared(size_t i)
    {
        if (Items[i].use_count() != 1) return nullptr;
        return std::move(Items[i]);
    }

    struct const_iterator {
        std::vector<Ptr>::const_iterator At;
        const TextArea& operator*() const { return **At; }
        const TextArea* operator->() const { return At->get(); }
        const_iterator& operator++() { ++At; return *this; }
        friend bool operator==(const const_iterator&, const const_iterator&) = default;
    };
    const_iterator begin() const { return {Items.begin()}; }
    const_iterator end() const { return {Items.end()}; }

    friend bool operator==(const SnapshotAreas& s, const std::vector<TextArea>& areas)
    {
        if (s.size() != areas.size()) return false;
        for (size_t i = 0; i < areas.size(); ++i)
            if (!(s[i] == areas[i])) return false;
        return true;
    }

private:
    std::vector<Ptr> Items;
};

struct UndoCopy {
    std::string Label;              // at most 255 bytes
    SnapshotAreas Areas;            // the document's areas, shared where unchanged
    TextPos Anchor;
    TextPos Cursor;
    int32_t CurrentPage = 0;
    CurrentFontState FontState;
};

} // namespace quillet
