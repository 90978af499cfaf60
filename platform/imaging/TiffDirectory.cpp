#include "platform/imaging/TiffDirectory.h"

#include <new>

namespace imaging {

namespace {

constexpr std::uint64_t kEntryBytes = 12;

}  // namespace

std::uint64_t TiffFieldTypeSize(std::uint32_t type) {
    switch (type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1;
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
    case 13:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 0;
    }
}

std::optional<TiffDirectory> TiffDirectory::ReadFirst(std::span<const std::uint8_t> data) {
    if (data.size() < 8)
        return std::nullopt;
    bool bigEndian;
    if (data[0] == 'I' && data[1] == 'I')
        bigEndian = false;
    else if (data[0] == 'M' && data[1] == 'M')
        bigEndian = true;
    else
        return std::nullopt;
    const ByteReader reader(data, bigEndian);
    std::uint32_t magic = 0, ifd = 0;
    if (!reader.U16(2, magic) || magic != 42 || !reader.U32(4, ifd))
        return std::nullopt;
    return Parse(reader, 0, ifd);
}

std::optional<TiffDirectory> TiffDirectory::ReadAt(std::span<const std::uint8_t> data, bool bigEndian,
                                                   std::uint64_t offset) {
    return Parse(ByteReader(data, bigEndian), 0, offset);
}

std::optional<TiffDirectory> TiffDirectory::ReadAt(const ByteReader& reader, std::uint64_t offset) {
    return Parse(reader, 0, offset);
}

std::optional<TiffDirectory> TiffDirectory::ReadAt(ByteSource& source, bool bigEndian, std::uint64_t offset) {
    std::uint8_t countBytes[2];
    if (!source.ReadAt(offset, countBytes, 2))
        return std::nullopt;
    std::uint32_t count = 0;
    ByteReader(countBytes, bigEndian).U16(0, count);
    // The count, the entries and, when the source has them, the next offset.
    const std::uint64_t entries = 2 + count * kEntryBytes;
    if (!source.Has(offset, entries))
        return std::nullopt;
    const std::uint64_t bytes = source.Has(offset, entries + 4) ? entries + 4 : entries;
    try {
        auto copied = std::make_shared<std::vector<std::uint8_t>>(bytes);
        if (!source.ReadAt(offset, copied->data(), copied->size()))
            return std::nullopt;
        auto dir = Parse(ByteReader(*copied, bigEndian), offset, offset);
        if (dir)
            dir->copied_ = std::move(copied);
        return dir;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<TiffDirectory> TiffDirectory::ReadSub(std::uint32_t offset) const {
    if (copied_)
        return std::nullopt;
    return Parse(reader_, base_, offset);
}

std::optional<TiffDirectory> TiffDirectory::Parse(ByteReader reader, std::uint64_t base, std::uint64_t ifd) {
    TiffDirectory dir{reader, base};
    std::uint32_t count = 0;
    const auto at = dir.Local(ifd, 2);
    if (!at || !dir.reader_.U16(*at, count))
        return std::nullopt;
    const std::uint64_t first = *at + 2;
    if (!dir.reader_.Has(first, count * kEntryBytes))
        return std::nullopt;
    dir.entries_.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = first + i * kEntryBytes;
        TiffEntry e;
        dir.reader_.U16(entry, e.tag);
        dir.reader_.U16(entry + 2, e.type);
        dir.reader_.U32(entry + 4, e.count);
        e.fieldOffset = base + entry + 8;
        dir.entries_.push_back(e);
    }
    if (std::uint32_t next = 0; dir.reader_.U32(first + count * kEntryBytes, next))
        dir.next_ = next;
    return dir;
}

std::optional<std::uint64_t> TiffDirectory::Local(std::uint64_t offset, std::uint64_t bytes) const {
    if (offset < base_ || !reader_.Has(offset - base_, bytes))
        return std::nullopt;
    return offset - base_;
}

const TiffEntry* TiffDirectory::Find(std::uint32_t tag) const {
    for (const auto& e : entries_)
        if (e.tag == tag)
            return &e;
    return nullptr;
}

std::uint32_t TiffDirectory::Field(const TiffEntry& entry) const {
    std::uint32_t value = 0;
    const std::uint64_t at = entry.fieldOffset - base_;  // the entry's own bytes: inside the data
    if (entry.type == 3)
        reader_.U16(at, value);
    else
        reader_.U32(at, value);
    return value;
}

std::optional<std::uint64_t> TiffDirectory::ValueOffset(const TiffEntry& entry, std::uint64_t bytes) const {
    if (bytes <= 4)
        return entry.fieldOffset - base_;
    std::uint32_t offset = 0;
    reader_.U32(entry.fieldOffset - base_, offset);
    return Local(offset, bytes);
}

std::optional<std::uint64_t> TiffDirectory::ValueAt(const TiffEntry& entry) const {
    const std::uint64_t size = TiffFieldTypeSize(entry.type);
    if (size == 0)
        return std::nullopt;
    const auto at = ValueOffset(entry, size * entry.count);
    if (!at)
        return std::nullopt;
    return base_ + *at;
}

std::span<const std::uint8_t> TiffDirectory::RawValue(const TiffEntry& entry) const {
    const std::uint64_t bytes = TiffFieldTypeSize(entry.type) * entry.count;
    if (bytes == 0)
        return {};
    const auto at = ValueOffset(entry, bytes);
    return at ? reader_.Bytes(*at, bytes) : std::span<const std::uint8_t>{};
}

std::optional<std::uint32_t> TiffDirectory::Unsigned(std::uint32_t tag, std::uint32_t index) const {
    const TiffEntry* e = Find(tag);
    if (!e || index >= e->count)
        return std::nullopt;
    const std::uint64_t size = TiffFieldTypeSize(e->type);
    if (e->type != 1 && e->type != 3 && e->type != 4)
        return std::nullopt;
    const auto at = ValueOffset(*e, size * e->count);
    if (!at)
        return std::nullopt;
    std::uint32_t v = 0;
    const std::uint64_t where = *at + size * index;
    const bool ok = size == 1 ? reader_.U8(where, v) : size == 2 ? reader_.U16(where, v) : reader_.U32(where, v);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<double> TiffDirectory::Rational(std::uint32_t tag) const {
    const TiffEntry* e = Find(tag);
    if (!e || e->count == 0)
        return std::nullopt;
    if (e->type == 3 || e->type == 4) {
        const auto v = Unsigned(tag);
        if (!v)
            return std::nullopt;
        return static_cast<double>(*v);
    }
    if (e->type != 5)
        return std::nullopt;
    const auto at = ValueOffset(*e, 8);
    std::uint32_t num = 0, den = 0;
    if (!at || !reader_.U32(*at, num) || !reader_.U32(*at + 4, den) || den == 0)
        return std::nullopt;
    return static_cast<double>(num) / den;
}

}  // namespace imaging
