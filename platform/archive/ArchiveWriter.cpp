#include "platform/archive/ArchiveWriter.h"

#include <stdexcept>

#include "platform/archive/ArchiveTags.h"

namespace platform {

using namespace archivetags;

void ArchiveWriter::WriteByte(std::uint8_t value) { m_out.push_back(value); }

void ArchiveWriter::WriteWord(std::uint16_t value) {
    m_out.push_back(static_cast<std::uint8_t>(value));
    m_out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ArchiveWriter::WriteDword(std::uint32_t value) {
    WriteWord(static_cast<std::uint16_t>(value));
    WriteWord(static_cast<std::uint16_t>(value >> 16));
}

void ArchiveWriter::WriteUint64(std::uint64_t value) {
    WriteDword(static_cast<std::uint32_t>(value));
    WriteDword(static_cast<std::uint32_t>(value >> 32));
}

void ArchiveWriter::WriteBytes(std::span<const std::uint8_t> bytes) {
    m_out.insert(m_out.end(), bytes.begin(), bytes.end());
}

void ArchiveWriter::WriteTime(std::int64_t secondsSince1970) {
    WriteDword(kTime64Marker);
    WriteInt64(secondsSince1970);
}

void ArchiveWriter::WriteString(std::u16string_view text) {
    const std::uint64_t length = text.size();
    WriteByte(0xFF);
    WriteWord(0xFFFE);
    if (length < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(length));
    } else {
        WriteByte(0xFF);
        if (length < 0xFFFE) {
            WriteWord(static_cast<std::uint16_t>(length));
        } else {
            WriteWord(0xFFFF);
            if (length < 0xFFFFFFFF) {
                WriteDword(static_cast<std::uint32_t>(length));
            } else {
                WriteDword(0xFFFFFFFF);
                WriteUint64(length);
            }
        }
    }
    for (const char16_t c : text)
        WriteWord(static_cast<std::uint16_t>(c));
}

void ArchiveWriter::WriteCount(std::uint64_t count) {
    if (count < 0xFFFF) {
        WriteWord(static_cast<std::uint16_t>(count));
        return;
    }
    WriteWord(0xFFFF);
    if (count < 0xFFFFFFFF) {
        WriteDword(static_cast<std::uint32_t>(count));
        return;
    }
    WriteDword(0xFFFFFFFF);
    WriteUint64(count);
}

void ArchiveWriter::ResumeAfterObjects(std::string_view className, std::uint32_t objects) {
    if (objects == 0 || objects >= kMaxMapCount)
        throw std::invalid_argument("an archive of 1 or more objects expected");
    m_classIndex.clear();
    m_classIndex.emplace(std::string(className), 1);
    m_mapCount = 2 + objects;  // the null object, the class, then the objects
}

void ArchiveWriter::WriteObjectClass(std::string_view className, std::uint16_t schema) {
    if (className.empty() || className.size() > kMaxClassNameLength)
        throw std::invalid_argument("archive class name of 1..63 characters expected");
    const auto known = m_classIndex.find(className);
    if (known != m_classIndex.end()) {
        const std::uint32_t index = known->second;
        if (index < kBigObjectTag) {
            WriteWord(static_cast<std::uint16_t>(kClassTag | index));
        } else {
            WriteWord(kBigObjectTag);
            WriteDword(kBigClassTag | index);
        }
    } else {
        WriteWord(kNewClassTag);
        WriteWord(schema);
        WriteWord(static_cast<std::uint16_t>(className.size()));
        for (const char c : className)
            WriteByte(static_cast<std::uint8_t>(c));
        m_classIndex.emplace(std::string(className), m_mapCount++);
    }
    ++m_mapCount;  // the object itself
}

}  // namespace platform
