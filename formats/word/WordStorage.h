#pragma once
// The compound file around a Word document, read from bytes in memory. Only
// the streams at the top level are reached, by name, whatever their case;
// nothing is ever written.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace quillet::word {

class CompoundFile {
public:
    // Nullptr when the bytes are no compound file (or a damaged one). The
    // bytes must outlive the object.
    static std::unique_ptr<CompoundFile> open(const uint8_t* data, size_t size);
    ~CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    // The whole stream `name` (ASCII letters compared without case). False
    // when there is none, when it cannot be read whole, or when it claims
    // more bytes than the file holds: a stream's sectors are distinct parts
    // of the file, so a larger size can only come from a damaged chain.
    bool readStream(std::string_view name, std::vector<uint8_t>& out) const;

private:
    CompoundFile() = default;
    struct Handles;
    std::unique_ptr<Handles> H;
    size_t FileSize = 0;
};

} // namespace quillet::word
