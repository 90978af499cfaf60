#pragma once
// Bounds-checked reading of numbers from an untrusted byte block. Every read
// says whether the bytes were there; nothing reads past the end.

#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging {

class ByteReader {
public:
    ByteReader(std::span<const std::uint8_t> data, bool bigEndian) : data_(data), bigEndian_(bigEndian) {}

    std::size_t Size() const { return data_.size(); }
    void SetBigEndian(bool bigEndian) { bigEndian_ = bigEndian; }
    bool BigEndian() const { return bigEndian_; }

    // True when count bytes exist at offset (no overflow for any value).
    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= data_.size() && count <= data_.size() - offset;
    }

    bool U8(std::uint64_t offset, std::uint32_t& value) const {
        if (!Has(offset, 1))
            return false;
        value = data_[offset];
        return true;
    }
    bool U16(std::uint64_t offset, std::uint32_t& value) const {
        if (!Has(offset, 2))
            return false;
        const std::uint32_t a = data_[offset], b = data_[offset + 1];
        value = bigEndian_ ? (a << 8 | b) : (b << 8 | a);
        return true;
    }
    bool U32(std::uint64_t offset, std::uint32_t& value) const {
        if (!Has(offset, 4))
            return false;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint32_t byte = data_[offset + (bigEndian_ ? i : 3 - i)];
            v = v << 8 | byte;
        }
        value = v;
        return true;
    }
    std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t count) const {
        if (!Has(offset, count))
            return {};
        return data_.subspan(offset, count);
    }

private:
    std::span<const std::uint8_t> data_;
    bool bigEndian_;
};

}  // namespace imaging
