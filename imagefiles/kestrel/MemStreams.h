#pragma once
// The codec's streams over memory: ISSStreamMem reads a caller's block,
// OSSStream appends to a caller's memory file.

#include <cstdint>

#include "imagefiles/kestrel/KestrelStreams.h"
#include "platform/memfile/CMemFile.h"

// Reads a block of memory that the caller keeps alive for the stream's life.
class ISSStreamMem : public Kestrel::IStream {
public:
    ISSStreamMem(const std::uint8_t* data, std::uint64_t size) : m_data(data), m_size(size) {}
    ~ISSStreamMem() override = default;

    std::ptrdiff_t Read(std::uint8_t* destination, std::size_t count) override;

private:
    const std::uint8_t* m_data;
    std::uint64_t m_position = 0;
    std::uint64_t m_size;
};

// Writes into an open memory file that the caller owns.
class OSSStream : public Kestrel::OStream {
public:
    explicit OSSStream(platform::CMemFile& file) : m_file(&file) {}
    ~OSSStream() override = default;

    void Write(const std::uint8_t* data, std::size_t count) override;
    void Flush() override;

    // Bytes handed to the file so far.
    std::uint64_t Total() const { return m_total; }

private:
    platform::CMemFile* m_file;
    std::uint64_t m_total = 0;
};
