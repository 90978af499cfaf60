#pragma once
// Reads values written in the byte layout of ArchiveWriter.h (the
// framework's archives) from an untrusted block of bytes. Every value and
// every length is checked against the bytes left before it is used or
// anything is allocated for it; a value that is not there, a length past the
// end or a reference to a class never stored raises ArchiveException.
//
// Texts are read in both forms the framework writes: UTF-16 (after the FF FE
// FF marker) and 8-bit (in the Windows program's code page, Windows-1252),
// with 1-, 3-, 7- or 15-byte lengths.
// Object references to earlier objects are not supported: archives of this
// program never hold them, and a reader refuses them as badIndex.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/archive/ArchiveException.h"

namespace platform {

struct ArchiveClass {
    std::string name;
    std::uint16_t schema = 0;
};

class ArchiveReader {
public:
    explicit ArchiveReader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::uint64_t BytesLeft() const { return m_data.size() - m_position; }
    bool AtEnd() const { return m_position == m_data.size(); }

    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::uint32_t ReadDword();
    std::int32_t ReadInt32() { return static_cast<std::int32_t>(ReadDword()); }
    std::uint64_t ReadUint64();
    std::int64_t ReadInt64() { return static_cast<std::int64_t>(ReadUint64()); }
    // count bytes, viewed in place.
    std::span<const std::uint8_t> ReadBytes(std::uint64_t count);

    // A time as the writer stores it, or an older 32-bit one (a first DWORD
    // other than 8000000A is itself the time in signed seconds).
    std::int64_t ReadTime();
    std::u16string ReadString();
    // An element count, refused when count x minBytesPerElement exceeds the
    // bytes left (each element needs at least that many bytes).
    std::uint64_t ReadCount(std::uint64_t minBytesPerElement);

    // The class tag in front of the next object: its class, or nothing for a
    // null object. The object takes the next index, as the writer counts.
    std::optional<ArchiveClass> ReadObjectClass();

    // Reads on in an archive whose first object began with the class and
    // which holds `objects` objects (at least one) before these bytes, all
    // of that class: the bytes of its later elements, read on their own.
    void ResumeAfterObjects(ArchiveClass archived, std::uint64_t objects);

private:
    void Need(std::uint64_t count) const;
    std::uint64_t ReadStringLength(bool& wide);

    std::span<const std::uint8_t> m_data;
    std::uint64_t m_position = 0;
    // Index -> class for class entries; objects hold an empty slot.
    std::vector<std::optional<ArchiveClass>> m_map{std::nullopt};
    // Objects of a resumed archive that take indexes without a slot here.
    std::uint64_t m_objectsSkipped = 0;
};

}  // namespace platform
