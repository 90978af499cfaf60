#pragma once
// A growable in-memory file: a byte buffer with a read and write position.
//
// Writing at the position overwrites and extends the buffer as needed;
// reading at the position delivers what lies before the end. Growth failures
// surface as std::bad_alloc; nothing else fails.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class CMemFile {
public:
    CMemFile() = default;
    explicit CMemFile(std::vector<std::uint8_t> contents) : m_data(std::move(contents)) {}

    // Writes count bytes at the position and moves the position past them.
    void Write(const void* data, std::size_t count);
    // Reads up to count bytes from the position; returns how many were read.
    std::size_t Read(void* destination, std::size_t count);
    // Nothing is buffered: kept for the callers that flush.
    void Flush() {}

    std::uint64_t GetLength() const { return m_data.size(); }
    // Moves the position; a position beyond the end is limited to the end.
    void Seek(std::uint64_t position);

    const std::vector<std::uint8_t>& Data() const { return m_data; }
    // Hands the contents over and leaves the file empty.
    std::vector<std::uint8_t> Detach();

private:
    std::vector<std::uint8_t> m_data;
    std::uint64_t m_position = 0;
};

}  // namespace platform
