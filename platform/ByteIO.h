#pragma once
// Little-endian byte cursors. Every reader of untrusted bytes (documents,
// settings, word lists, patterns, pictures, the clipboard) pulls them through
// ByteReader: the first failure sticks, so a parser reads a group of fields
// and checks once, and failOffset() says where the bytes ran out or a check
// gave up, for the message.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(std::string_view s)
        : data_(reinterpret_cast<const uint8_t*>(s.data())), size_(s.size()) {}
    explicit ByteReader(const std::vector<uint8_t>& v) : data_(v.data()), size_(v.size()) {}

    explicit operator bool() const { return ok_; }
    bool ok() const { return ok_; }
    size_t offset() const { return pos_; }
    size_t size() const { return size_; }
    size_t remaining() const { return ok_ ? size_ - pos_ : 0; }
    bool atEnd() const { return pos_ >= size_; }
    // Marks the data as bad at the current offset; later failures keep the
    // first offset.
    void fail() { failAt(pos_); }
    // Where the first failure happened (the size when nothing failed).
    size_t failOffset() const { return ok_ ? size_ : failOffset_; }
    const uint8_t* data() const { return data_; }

    // count records of at least minBytes each fit in what is left; a
    // count that cannot fails the reader. Nothing overflows: the remainder
    // is divided, the count never multiplied.
    bool fits(int64_t count, size_t minBytes)
    {
        if (!ok_) return false;
        if (count < 0 || (minBytes > 0 && uint64_t(count) > remaining() / minBytes)) {
            fail();
            return false;
        }
        return true;
    }

    uint8_t u8() { uint8_t v = 0; take(&v, 1); return v; }
    int8_t i8() { return static_cast<int8_t>(u8()); }
    uint16_t u16() { uint8_t b[2]{}; take(b, 2); return static_cast<uint16_t>(b[0] | (b[1] << 8)); }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    uint32_t u32()
    {
        uint8_t b[4]{};
        take(b, 4);
        return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint64_t u64() { uint64_t lo = u32(); uint64_t hi = u32(); return lo | (hi << 32); }
    int64_t i64() { return static_cast<int64_t>(u64()); }
    double f64() { uint64_t b = u64(); double d; std::memcpy(&d, &b, 8); return d; }
    float f32() { uint32_t b = u32(); float f; std::memcpy(&f, &b, 4); return f; }

    // Copies n bytes out; on shortage fails and fills with zeros.
    bool bytes(void* out, size_t n) { return take(out, n); }
    std::string str(size_t n)
    {
        std::string s;
        if (!ok_ || n > size_ - pos_) { fail(); return s; }
        s.assign(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    // A string stored as a 32-bit length and its bytes; a negative length,
    // one past the data or one above maxLength fails the reader.
    bool lpString32(std::string& out, size_t maxLength = SIZE_MAX)
    {
        const int32_t n = i32();
        if (!ok_) return false;
        if (n < 0 || size_t(n) > maxLength || size_t(n) > size_ - pos_) {
            fail();
            return false;
        }
        out = str(size_t(n));
        return ok_;
    }
    // A string stored as one length byte and at most 255 bytes.
    bool lpString8(std::string& out)
    {
        const uint8_t n = u8();
        if (!ok_) return false;
        out = str(n);
        return ok_;
    }
    void skip(size_t n)
    {
        if (!ok_ || n > size_ - pos_) { fail(); return; }
        pos_ += n;
    }
    // Moves to an absolute offset inside the data.
    void seek(size_t off)
    {
        if (!ok_ || off > size_) { fail(); return; }
        pos_ = off;
    }
    const uint8_t* here() const { return data_ + pos_; }
    // The next n bytes in place, or nullptr (and a failed reader) when
    // fewer are left.
    const uint8_t* view(size_t n)
    {
        if (!ok_ || n > size_ - pos_) { fail(); return nullptr; }
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

private:
    void failAt(size_t off)
    {
        if (ok_) failOffset_ = off;
        ok_ = false;
    }
    bool take(void* out, size_t n)
    {
        if (!ok_ || n > size_ - pos_) {
            fail();
            std::memset(out, 0, n);
            return false;
        }
        std::memcpy(out, data_ + pos_, n);
        pos_ += n;
        return true;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    size_t failOffset_ = 0;
    bool ok_ = true;
};

class ByteWriter {
public:
    std::vector<uint8_t>& buffer() { return buf_; }
    const std::vector<uint8_t>& buffer() const { return buf_; }
    size_t size() const { return buf_.size(); }

    void u8(uint8_t v) { buf_.push_back(v); }
    void i8(int8_t v) { u8(static_cast<uint8_t>(v)); }
    void u16(uint16_t v) { u8(uint8_t(v)); u8(uint8_t(v >> 8)); }
    void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void u32(uint32_t v) { for (int i = 0; i < 4; ++i) u8(uint8_t(v >> (8 * i))); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void u64(uint64_t v) { u32(uint32_t(v)); u32(uint32_t(v >> 32)); }
    void f64(double d) { uint64_t b; std::memcpy(&b, &d, 8); u64(b); }
    void f32(float f) { uint32_t b; std::memcpy(&b, &f, 4); u32(b); }
    void zeros(size_t n) { buf_.insert(buf_.end(), n, 0); }
    void bytes(const void* p, size_t n)
    {
        const auto* b = static_cast<const uint8_t*>(p);
        buf_.insert(buf_.end(), b, b + n);
    }
    void str(std::string_view s) { bytes(s.data(), s.size()); }
    // The counterpart of ByteReader::lpString32. A string longer than a
    // 32-bit length can say is cut at that length, so what is written can
    // always be read back.
    void lpString32(std::string_view s)
    {
        const size_t n = s.size() < size_t(INT32_MAX) ? s.size() : size_t(INT32_MAX);
        i32(int32_t(n));
        bytes(s.data(), n);
    }
    // Overwrites four bytes at an earlier offset (length fields written last).
    void patchU32(size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) buf_[at + i] = uint8_t(v >> (8 * i)); }

private:
    std::vector<uint8_t> buf_;
};

} // namespace quillet
