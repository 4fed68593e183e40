#pragma once
// A value that many records hold alike, kept once: copies of the handle
// share one immutable block, counted atomically (lines are copied on worker
// threads), and a write goes through edit(), which first clones the block
// when anything else holds it. The ten lines of a paragraph, and the
// paragraphs of a plain text, hold one format instead of a copy each.
//
// Reading: h->Field, *h, or a const T& the handle converts to.
// Writing: h.edit().Field = v, or h = value (which replaces the block).
// No mutable reference to a block that is shared is ever handed out.

#include <atomic>
#include <cstdint>
#include <utility>

namespace quillet {

template <class T>
class SharedValue {
    struct Block {
        std::atomic<uint64_t> Refs{1};
        T Value{};
    };

public:
    SharedValue() noexcept : p_(defaultBlock()) {}
    SharedValue(const T& v) : p_(new Block{1, v}) {}
    SharedValue(T&& v) : p_(new Block{1, std::move(v)}) {}
    SharedValue(const SharedValue& o) noexcept : p_(o.p_) { retain(p_); }
    SharedValue(SharedValue&& o) noexcept : p_(std::exchange(o.p_, defaultBlock())) {}
    ~SharedValue() { release(p_); }

    SharedValue& operator=(const SharedValue& o) noexcept
    {
        if (p_ == o.p_) return *this;
        retain(o.p_);
        release(std::exchange(p_, o.p_));
        return *this;
    }
    SharedValue& operator=(SharedValue&& o) noexcept
    {
        if (this != &o) release(std::exchange(p_, std::exchange(o.p_, defaultBlock())));
        return *this;
    }
    // Replaces the value. A block nothing else holds is written in place,
    // as nobody can see the difference and it saves an allocation.
    SharedValue& operator=(const T& v)
    {
        if (unique()) p_->Value = v;
        else release(std::exchange(p_, new Block{1, v}));
        return *this;
    }
    SharedValue& operator=(T&& v)
    {
        if (unique()) p_->Value = std::move(v);
        else release(std::exchange(p_, new Block{1, std::move(v)}));
        return *this;
    }

    const T& get() const noexcept { return p_->Value; }
    const T& operator*() const noexcept { return p_->Value; }
    const T* operator->() const noexcept { return &p_->Value; }
    operator const T&() const noexcept { return p_->Value; }

    // The value to write, held by this handle alone: a shared block is
    // cloned first, so the other holders keep what they had.
    T& edit()
    {
        if (!unique()) release(std::exchange(p_, new Block{1, p_->Value}));
        return p_->Value;
    }

    // Whether both hold the very same block.
    bool sharesWith(const SharedValue& o) const noexcept { return p_ == o.p_; }
    // Takes o's block when the values are equal, so equal neighbours hold
    // one block; returns whether they are equal.
    bool shareIfEqual(const SharedValue& o)
    {
        if (p_ == o.p_) return true;
        if (!(p_->Value == o.p_->Value)) return false;
        *this = o;
        return true;
    }

    friend bool operator==(const SharedValue& a, const SharedValue& b)
    {
        return a.p_ == b.p_ || a.p_->Value == b.p_->Value;
    }
    friend bool operator==(const SharedValue& a, const T& b) { return a.p_->Value == b; }

private:
    // Every handle made without a value holds this one block, never counted
    // and never freed, so a default line costs no allocation.
    static Block* defaultBlock() noexcept { return &kDefault; }
    static bool counted(const Block* b) noexcept { return b != &kDefault; }
    static void retain(Block* b) noexcept
    {
        if (counted(b)) b->Refs.fetch_add(1, std::memory_order_relaxed);
    }
    static void release(Block* b) noexcept
    {
        if (counted(b) && b->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete b;
    }
    bool unique() const noexcept { return counted(p_) && p_->Refs.load(std::memory_order_acquire) == 1; }

    static inline constinit Block kDefault{};
    Block* p_;
};

} // namespace quillet
