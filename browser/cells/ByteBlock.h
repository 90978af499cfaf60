#pragma once
// CByteBlock: an owned, non-empty block of bytes (a cell's compressed
// thumbnail). Cells share blocks through std::shared_ptr<const CByteBlock>,
// so a block in use by a drawing stays alive while a better pass swaps in
// another.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

class CByteBlock {
public:
    // Throws std::invalid_argument "invalid num_bytes argument" for 0 bytes.
    explicit CByteBlock(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {
        if (m_bytes.empty())
            throw std::invalid_argument("invalid num_bytes argument");
    }
    // Throws std::invalid_argument "invalid src argument" for an empty source.
    CByteBlock(const CByteBlock& other) : m_bytes(other.m_bytes) {
        if (m_bytes.empty())
            throw std::invalid_argument("invalid src argument");
    }
    CByteBlock& operator=(const CByteBlock&) = delete;

    std::uint32_t Size() const { return static_cast<std::uint32_t>(m_bytes.size()); }
    std::span<const std::uint8_t> Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};
