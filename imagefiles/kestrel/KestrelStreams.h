#pragma once
// The codec's buffered byte streams.
//
// IStream hands out bytes from a 1024-byte buffer that the concrete stream's
// Read refills. After the first refill the four bytes below the cursor are a
// reserve, so the decoder can push back a marker (two bytes) or the whole
// bytes of its bit buffer. OStream collects bytes in a 1024-byte buffer and
// hands them to the concrete stream's Write when it is full.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imagefiles/kestrel/KestrelError.h"

namespace Kestrel {

class IStream {
public:
    IStream();
    virtual ~IStream();
    IStream(const IStream&) = delete;
    IStream& operator=(const IStream&) = delete;

    // Copies up to count bytes into destination; returns how many were
    // delivered, 0 (or less) at the end of the data.
    virtual std::ptrdiff_t Read(std::uint8_t* destination, std::size_t count) = 0;

    // Refills the buffer behind the reserve; returns Read's result.
    std::ptrdiff_t Fill();

    // Next byte; raises Kestrel::Error at the end of the data.
    std::uint8_t ReadByte() {
        if (m_cursor >= m_end)
            FillOrThrow();
        return *m_cursor++;
    }

    // Big-endian 16-bit value.
    std::uint16_t ReadU16() {
        const unsigned high = ReadByte();
        return static_cast<std::uint16_t>((high << 8) | ReadByte());
    }

    // Pushes one byte back in front of the cursor; the byte need not be the
    // one that was read. Raises Kestrel::Error when nothing lies below the
    // cursor.
    void Unget(std::uint8_t byte);

    // Skips count bytes; raises Kestrel::Error when the data ends first.
    void Skip(std::size_t count);

    static constexpr std::size_t kBufferSize = 1024;
    static constexpr std::size_t kReserve = 4;

private:
    void FillOrThrow();

    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::uint8_t* m_cursor;
    std::uint8_t* m_end;
};

class OStream {
public:
    OStream();
    virtual ~OStream();
    OStream(const OStream&) = delete;
    OStream& operator=(const OStream&) = delete;

    // Takes count bytes of data.
    virtual void Write(const std::uint8_t* data, std::size_t count) = 0;
    // Passes everything written so far on to the destination.
    virtual void Flush() = 0;

    void PutByte(std::uint8_t byte) {
        if (m_cursor >= m_limit)
            FlushBuffer();
        *m_cursor++ = byte;
    }

    // Writes the buffered bytes and empties the buffer.
    void FlushBuffer();
    // FlushBuffer, then Flush.
    void FlushAll();
    // Appends count bytes through the buffer.
    void WriteBlock(const std::uint8_t* data, std::size_t count);

    static constexpr std::size_t kBufferSize = 1024;

private:
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::uint8_t* m_cursor;
    std::uint8_t* m_limit;
};

}  // namespace Kestrel
