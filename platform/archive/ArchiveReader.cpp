#include "platform/archive/ArchiveReader.h"

#include "platform/archive/ArchiveTags.h"
#include "platform/codepage/Windows1252.h"

namespace platform {

using namespace archivetags;

const char* ArchiveException::what() const noexcept {
    switch (m_cause) {
    case endOfFile:
        return "archive ends early";
    case badIndex:
        return "archive refers to nothing stored";
    case badClass:
        return "archive holds an unexpected class";
    case invalidFile:
        return "archive holds an invalid record";
    }
    return "archive error";
}

void ArchiveReader::Need(std::uint64_t count) const {
    if (count > BytesLeft())
        throw ArchiveException(ArchiveException::endOfFile);
}

std::uint8_t ArchiveReader::ReadByte() {
    Need(1);
    return m_data[m_position++];
}

std::uint16_t ArchiveReader::ReadWord() {
    Need(2);
    const std::uint16_t value = static_cast<std::uint16_t>(m_data[m_position] | m_data[m_position + 1] << 8);
    m_position += 2;
    return value;
}

std::uint32_t ArchiveReader::ReadDword() {
    Need(4);
    const std::uint32_t low = ReadWord();
    return low | std::uint32_t{ReadWord()} << 16;
}

std::uint64_t ArchiveReader::ReadUint64() {
    Need(8);
    const std::uint64_t low = ReadDword();
    return low | std::uint64_t{ReadDword()} << 32;
}

std::span<const std::uint8_t> ArchiveReader::ReadBytes(std::uint64_t count) {
    Need(count);
    const auto bytes = m_data.subspan(m_position, count);
    m_position += count;
    return bytes;
}

std::int64_t ArchiveReader::ReadTime() {
    const std::uint32_t first = ReadDword();
    if (first == kTime64Marker)
        return ReadInt64();
    return static_cast<std::int32_t>(first);
}

// The framework's length rule: a byte below FF is the length; otherwise a
// word, where FFFE announces UTF-16 and starts over, FFFF a DWORD, whose
// FFFFFFFF announces a 64-bit length.
std::uint64_t ArchiveReader::ReadStringLength(bool& wide) {
    wide = false;
    std::uint8_t shortLength = ReadByte();
    if (shortLength < 0xFF)
        return shortLength;
    std::uint16_t wordLength = ReadWord();
    if (wordLength == 0xFFFE) {
        wide = true;
        shortLength = ReadByte();
        if (shortLength < 0xFF)
            return shortLength;
        wordLength = ReadWord();
    }
    if (wordLength < 0xFFFF)
        return wordLength;
    const std::uint32_t dwordLength = ReadDword();
    if (dwordLength < 0xFFFFFFFF)
        return dwordLength;
    return ReadUint64();
}

std::u16string ArchiveReader::ReadString() {
    bool wide = false;
    const std::uint64_t length = ReadStringLength(wide);
    const std::uint64_t charBytes = wide ? 2 : 1;
    if (length > BytesLeft() / charBytes)
        throw ArchiveException(ArchiveException::endOfFile);
    const auto bytes = ReadBytes(length * charBytes);
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = wide ? static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8) : Windows1252ToUtf16(bytes[i]);
    return text;
}

std::uint64_t ArchiveReader::ReadCount(std::uint64_t minBytesPerElement) {
    std::uint64_t count = ReadWord();
    if (count == 0xFFFF) {
        count = ReadDword();
        if (count == 0xFFFFFFFF)
            count = ReadUint64();
    }
    if (minBytesPerElement > 0 && count > BytesLeft() / minBytesPerElement)
        throw ArchiveException(ArchiveException::endOfFile);
    return count;
}

std::optional<ArchiveClass> ArchiveReader::ReadObjectClass() {
    const std::uint16_t tag = ReadWord();
    if (tag == kNullTag)
        return std::nullopt;
    if (m_map.size() + m_objectsSkipped >= kMaxMapCount)
        throw ArchiveException(ArchiveException::badIndex);
    if (tag == kNewClassTag) {
        ArchiveClass archived;
        archived.schema = ReadWord();
        const std::uint16_t nameLength = ReadWord();
        if (nameLength == 0 || nameLength > kMaxClassNameLength)
            throw ArchiveException(ArchiveException::badClass);
        const auto name = ReadBytes(nameLength);
        archived.name.assign(name.begin(), name.end());
        m_map.emplace_back(archived);
        m_map.emplace_back(std::nullopt);  // the object
        return archived;
    }
    std::uint32_t reference = 0;
    if (tag == kBigObjectTag)
        reference = ReadDword();
    else
        reference = (std::uint32_t{tag} & kClassTag) << 16 | (tag & ~kClassTag);
    // Without the class bit the tag refers to an earlier object.
    if ((reference & kBigClassTag) == 0)
        throw ArchiveException(ArchiveException::badIndex);
    const std::uint32_t index = reference & ~kBigClassTag;
    if (index >= m_map.size() || !m_map[index])
        throw ArchiveException(ArchiveException::badIndex);
    ArchiveClass archived = *m_map[index];
    m_map.emplace_back(std::nullopt);
    return archived;
}

void ArchiveReader::ResumeAfterObjects(ArchiveClass archived, std::uint64_t objects) {
    if (objects == 0 || objects >= kMaxMapCount)
        throw ArchiveException(ArchiveException::badIndex);
    m_map.assign({std::nullopt, std::move(archived), std::nullopt});
    m_objectsSkipped = objects - 1;
}

}  // namespace platform
