#include "platform/memfile/CMemFile.h"

#include <algorithm>
#include <cstring>

namespace platform {

void CMemFile::Write(const void* data, std::size_t count) {
    if (count == 0)
        return;
    const std::uint64_t end = m_position + count;
    if (end > m_data.size())
        m_data.resize(end);
    std::memcpy(m_data.data() + m_position, data, count);
    m_position = end;
}

std::size_t CMemFile::Read(void* destination, std::size_t count) {
    const std::size_t available = static_cast<std::size_t>(m_data.size() - m_position);
    const std::size_t n = std::min(count, available);
    if (n > 0)
        std::memcpy(destination, m_data.data() + m_position, n);
    m_position += n;
    return n;
}

void CMemFile::Seek(std::uint64_t position) { m_position = std::min<std::uint64_t>(position, m_data.size()); }

std::vector<std::uint8_t> CMemFile::Detach() {
    std::vector<std::uint8_t> out;
    out.swap(m_data);
    m_position = 0;
    return out;
}

}  // namespace platform
