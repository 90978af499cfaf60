#include "imagefiles/kestrel/MemStreams.h"

#include <algorithm>
#include <cstring>

std::ptrdiff_t ISSStreamMem::Read(std::uint8_t* destination, std::size_t count) {
    const std::uint64_t n = std::min<std::uint64_t>(count, m_size - m_position);
    if (n > 0)
        std::memcpy(destination, m_data + m_position, static_cast<std::size_t>(n));
    m_position += n;
    return static_cast<std::ptrdiff_t>(n);
}

void OSSStream::Write(const std::uint8_t* data, std::size_t count) {
    m_total += count;
    m_file->Write(data, count);
}

void OSSStream::Flush() { m_file->Flush(); }
