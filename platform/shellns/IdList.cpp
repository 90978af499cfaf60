#include "platform/shellns/IdList.h"

#include <algorithm>

namespace platform::shellns {

namespace {

constexpr std::int64_t kMaxRecordSize = 0xFFFF;

std::uint16_t ReadU16(const QByteArray& bytes, qsizetype at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                      (static_cast<std::uint8_t>(bytes[at + 1]) << 8));
}

void AppendU16(QByteArray& bytes, std::uint16_t value) {
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>(value >> 8));
}

std::int64_t RecordSize(const IdRecord& record) { return 3 + 2 * static_cast<std::int64_t>(record.name.size()); }

}  // namespace

bool IsKnownKind(std::uint8_t kind) {
    return kind >= static_cast<std::uint8_t>(ItemKind::Libraries) &&
           kind <= static_cast<std::uint8_t>(ItemKind::Folder);
}

std::optional<IdList> IdList::FromBytes(const QByteArray& bytes) {
    std::vector<IdRecord> records;
    qsizetype at = 0;
    for (;;) {
        if (at + 2 > bytes.size())
            return std::nullopt;
        const std::uint16_t size = ReadU16(bytes, at);
        if (size == 0)
            break;
        if (size < 3 || (size - 3) % 2 != 0 || size > bytes.size() - at)
            return std::nullopt;
        const auto kind = static_cast<std::uint8_t>(bytes[at + 2]);
        if (!IsKnownKind(kind))
            return std::nullopt;
        QString name;
        const int units = (size - 3) / 2;
        name.reserve(units);
        for (int i = 0; i < units; ++i)
            name.append(QChar(ReadU16(bytes, at + 3 + 2 * i)));
        records.push_back({static_cast<ItemKind>(kind), name});
        at += size;
    }
    if (at + 2 != bytes.size())
        return std::nullopt;
    return IdList(std::move(records));
}

QByteArray IdList::ToBytes() const {
    QByteArray bytes;
    for (const IdRecord& record : records_) {
        const std::int64_t size = RecordSize(record);
        if (size > kMaxRecordSize)
            return {};
        AppendU16(bytes, static_cast<std::uint16_t>(size));
        bytes.append(static_cast<char>(record.kind));
        for (const QChar unit : record.name)
            AppendU16(bytes, unit.unicode());
    }
    AppendU16(bytes, 0);
    return bytes;
}

std::int64_t IdList::ByteSize() const {
    std::int64_t size = 2;
    for (const IdRecord& record : records_)
        size += RecordSize(record);
    return size;
}

IdList IdList::Combined(const IdList& child) const {
    std::vector<IdRecord> records = records_;
    records.insert(records.end(), child.records_.begin(), child.records_.end());
    return IdList(std::move(records));
}

IdList IdList::LastOnly() const { return records_.empty() ? IdList() : IdList({records_.back()}); }

IdList IdList::Parent() const {
    if (records_.empty())
        return {};
    return IdList(std::vector<IdRecord>(records_.begin(), records_.end() - 1));
}

bool IsEqualIdList(const IdList& a, const IdList& b) { return a == b; }

bool IsParentIdList(const IdList& parent, const IdList& child) {
    const auto& p = parent.Records();
    const auto& c = child.Records();
    return p.size() < c.size() && std::equal(p.begin(), p.end(), c.begin());
}

}  // namespace platform::shellns
