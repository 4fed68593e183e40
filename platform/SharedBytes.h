#pragma once
// A read-only block of bytes with shared ownership. A clipboard stream runs
// to a hundred megabytes, and handing it on by value (from the writer to
// the clipboard, from the clipboard to the reader) cost a fresh copy each
// time; a SharedBytes hands on the one block instead. Whoever holds one
// keeps the bytes alive, so replacing the clipboard while a paste still
// reads never pulls the bytes away under it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quillet {

class SharedBytes {
public:
    SharedBytes() = default;
    // Takes the vector over without copying its bytes (a const vector is
    // copied once).
    SharedBytes(std::vector<uint8_t>&& bytes) { adopt(std::make_shared<std::vector<uint8_t>>(std::move(bytes))); }
    SharedBytes(const std::vector<uint8_t>& bytes) { adopt(std::make_shared<std::vector<uint8_t>>(bytes)); }
    // Bytes owned by something else, alive as long as `owner` is.
    SharedBytes(std::shared_ptr<const void> owner, const uint8_t* data, size_t size)
        : owner_(std::move(owner)), data_(size ? data : nullptr), size_(data ? size : 0)
    {
    }

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::span<const uint8_t> span() const { return {data_, size_}; }
    operator std::span<const uint8_t>() const { return span(); }
    void clear() { *this = SharedBytes(); }
    // The vector the block was made from, when this is its last holder, so
    // its memory (already in place) can take the next large block; empty
    // when someone else still reads the bytes or they were never a vector
    // of ours. This is empty afterwards either way.
    std::vector<uint8_t> reclaim()
    {
        std::vector<uint8_t> out;
        if (vector_ && owner_.use_count() == 1) out = std::move(*vector_);
        clear();
        return out;
    }
    // Holders of the same block (for tests: nothing was copied).
    bool sameBlock(const SharedBytes& other) const { return data_ == other.data_ && size_ == other.size_; }

    friend bool operator==(const SharedBytes& a, const std::vector<uint8_t>& b)
    {
        return a.size_ == b.size() && (a.size_ == 0 || std::equal(b.begin(), b.end(), a.data_));
    }

private:
    void adopt(std::shared_ptr<std::vector<uint8_t>> v)
    {
        if (v->empty()) return;
        data_ = v->data();
        size_ = v->size();
        vector_ = v.get();
        owner_ = std::move(v);
    }

    std::shared_ptr<const void> owner_;
    std::vector<uint8_t>* vector_ = nullptr;  // the owner, when it is a vector of ours
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace quillet
