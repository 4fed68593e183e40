#pragma once
// A nullable value kept on the heap. Copying it copies the value, so a record
// holding one stays an ordinary value type; it costs one pointer while empty,
// which matters for fields that almost every character leaves unset.

#include <memory>
#include <utility>

namespace quillet {

template <class T>
class Boxed {
public:
    Boxed() = default;
    Boxed(const T& v) : p_(std::make_unique<T>(v)) {}
    Boxed(T&& v) : p_(std::make_unique<T>(std::move(v))) {}
    Boxed(const Boxed& o) : p_(o.p_ ? std::make_unique<T>(*o.p_) : nullptr) {}
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& o)
    {
        if (this != &o) p_ = o.p_ ? std::make_unique<T>(*o.p_) : nullptr;
        return *this;
    }
    Boxed& operator=(Boxed&&) noexcept = default;
    Boxed& operator=(const T& v) { p_ = std::make_unique<T>(v); return *this; }
    Boxed& operator=(T&& v) { p_ = std::make_unique<T>(std::move(v)); return *this; }

    explicit operator bool() const { return p_ != nullptr; }
    bool has_value() const { return p_ != nullptr; }
    void reset() { p_.reset(); }
    T& operator*() { return *p_; }
    const T& operator*() const { return *p_; }
    T* operator->() { return p_.get(); }
    const T* operator->() const { return p_.get(); }
    T* get() { return p_.get(); }
    const T* get() const { return p_.get(); }
    // The value, or `fallback` when empty.
    const T& value_or(const T& fallback) const { return p_ ? *p_ : fallback; }

    friend bool operator==(const Boxed& a, const Boxed& b)
    {
        if (!a.p_ || !b.p_) return !a.p_ && !b.p_;
        return *a.p_ == *b.p_;
    }

private:
    std::unique_ptr<T> p_;
};

} // namespace quillet
