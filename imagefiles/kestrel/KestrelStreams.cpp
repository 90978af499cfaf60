#include "imagefiles/kestrel/KestrelStreams.h"

#include <algorithm>
#include <cstring>

namespace Kestrel {

IStream::IStream() : m_buffer(new std::uint8_t[kBufferSize]), m_cursor(m_buffer.get()), m_end(m_buffer.get()) {}

IStream::~IStream() = default;

std::ptrdiff_t IStream::Fill() {
    std::uint8_t* const refillStart = m_buffer.get() + kReserve;
    // Until four bytes have been read the reserve is still being filled.
    m_cursor = m_end < refillStart ? m_end : refillStart;
    const std::size_t room = static_cast<std::size_t>(m_buffer.get() + kBufferSize - m_cursor);
    const std::ptrdiff_t got = Read(m_cursor, room);
    // A stream that claims more than it was asked for cannot be trusted.
    if (got > static_cast<std::ptrdiff_t>(room))
        ThrowError();
    m_end = m_cursor + std::max<std::ptrdiff_t>(got, 0);
    return got;
}

void IStream::FillOrThrow() {
    if (Fill() <= 0)
        ThrowError();
}

void IStream::Unget(std::uint8_t byte) {
    if (m_cursor <= m_buffer.get())
        ThrowError();
    *--m_cursor = byte;
}

void IStream::Skip(std::size_t count) {
    while (count > 0) {
        if (m_cursor >= m_end)
            FillOrThrow();
        const std::size_t n = std::min(count, static_cast<std::size_t>(m_end - m_cursor));
        m_cursor += n;
        count -= n;
    }
}

OStream::OStream()
    : m_buffer(new std::uint8_t[kBufferSize]), m_cursor(m_buffer.get()), m_limit(m_buffer.get() + kBufferSize) {}

OStream::~OStream() = default;

void OStream::FlushBuffer() {
    Write(m_buffer.get(), static_cast<std::size_t>(m_cursor - m_buffer.get()));
    m_cursor = m_buffer.get();
}

void OStream::FlushAll() {
    FlushBuffer();
    Flush();
}

void OStream::WriteBlock(const std::uint8_t* data, std::size_t count) {
    while (count > 0) {
        if (m_cursor >= m_limit)
            FlushBuffer();
        const std::size_t n = std::min(count, static_cast<std::size_t>(m_limit - m_cursor));
        std::memcpy(m_cursor, data, n);
        m_cursor += n;
        data += n;
        count -= n;
    }
}

}  // namespace Kestrel
