#pragma once
// Random access to the bytes of an untrusted file or memory block, for
// parsers that read a few small pieces of a file that may be large (the
// directories of a TIFF) instead of all of it.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace imaging {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies count bytes at offset; false, copying nothing, when fewer exist.
    virtual bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) = 0;

    // True when count bytes exist at offset (no overflow for any value).
    bool Has(std::uint64_t offset, std::uint64_t count) const { return offset <= Size() && count <= Size() - offset; }
};

// A block in memory, which outlives the source.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> data) : data_(data) {}
    std::uint64_t Size() const override { return data_.size(); }
    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override {
        if (!Has(offset, count))
            return false;
        if (count > 0)
            std::memcpy(destination, data_.data() + offset, count);
        return true;
    }

private:
    std::span<const std::uint8_t> data_;
};

// The bytes of another source from `start` to its end, offsets counted from
// `start` (a JPEG's TIFF structure counts from its own header).
class TailSource final : public ByteSource {
public:
    TailSource(ByteSource& source, std::uint64_t start) : source_(source), start_(start) {}
    std::uint64_t Size() const override { return start_ <= source_.Size() ? source_.Size() - start_ : 0; }
    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override {
        return Has(offset, count) && source_.ReadAt(start_ + offset, destination, count);
    }

private:
    ByteSource& source_;
    std::uint64_t start_;
};

}  // namespace imaging
