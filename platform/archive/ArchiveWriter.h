#pragma once
// Writes values in the byte layout of the framework's archives (CArchive), so
// that files written here and files written by the framework read the same:
//   - numbers little-endian: BYTE 1 byte, WORD 2, DWORD 4, 64-bit values 8;
//   - time (CTime): the DWORD 8000000A hexadecimal, then 8 bytes of signed
//     seconds since 1970-01-01 00:00 UTC;
//   - text (CString, UTF-16): the byte FF and the word FFFE (the Unicode
//     marker), the length in characters as one byte below 255, else FF and a
//     word below 65534, else FF, FFFF and a DWORD; then 2 bytes per character.
//     An empty text is FF FE FF 00;
//   - element count: a word below 65535, else FFFF and a DWORD;
//   - object class tags: the first object of a class gets the new-class tag
//     FFFF, its schema (word), its name's length (word) and the name in ASCII;
//     later objects of that class the reference 8000 | index of the class.
//     Classes and objects share one numbering from 1, so the first class of
//     an archive is always referenced as 8001.
// Output grows in memory; nothing fails but allocation (std::bad_alloc).

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ArchiveWriter {
public:
    void WriteByte(std::uint8_t value);
    void WriteWord(std::uint16_t value);
    void WriteDword(std::uint32_t value);
    void WriteInt32(std::int32_t value) { WriteDword(static_cast<std::uint32_t>(value)); }
    void WriteUint64(std::uint64_t value);
    void WriteInt64(std::int64_t value) { WriteUint64(static_cast<std::uint64_t>(value)); }
    void WriteBytes(std::span<const std::uint8_t> bytes);

    void WriteTime(std::int64_t secondsSince1970);
    void WriteString(std::u16string_view text);
    void WriteCount(std::uint64_t count);

    // The tag in front of a new object of the class; the object's own record
    // follows. Class names are ASCII, 1..63 characters.
    void WriteObjectClass(std::string_view className, std::uint16_t schema);
    // Continues an archive that holds `objects` objects (at least one), all
    // of the class whose first object began the archive: the next objects of
    // that class get its reference, as if they were written in the same run.
    void ResumeAfterObjects(std::string_view className, std::uint32_t objects);
    // A null object pointer.
    void WriteNullObject() { WriteWord(0); }

    const std::vector<std::uint8_t>& Bytes() const { return m_out; }
    std::vector<std::uint8_t> TakeBytes() { return std::move(m_out); }

private:
    std::vector<std::uint8_t> m_out;
    std::map<std::string, std::uint32_t, std::less<>> m_classIndex;
    std::uint32_t m_mapCount = 1;  // index 0 stands for the null object
};

}  // namespace platform
