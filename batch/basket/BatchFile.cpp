#include "batch/basket/BatchFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <string_view>

#include "browser/items/Item.h"
#include "browser/items/ItemList.h"
#include "platform/archive/ArchiveException.h"
#include "platform/archive/ArchiveReader.h"
#include "platform/archive/ArchiveWriter.h"
#include "platform/files/RegularFile.h"

namespace {

constexpr std::u16string_view kHeaderText{kBatchFileHeader, std::size(kBatchFileHeader) - 1};
static_assert(kHeaderText.size() * 2 == kBatchFileHeaderBytes);

bool HasHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kBatchFileHeaderBytes)
        return false;
    for (std::size_t i = 0; i < kHeaderText.size(); ++i) {
        const char16_t unit = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        if (unit != kHeaderText[i])
            return false;
    }
    return true;
}

std::u16string_view Utf16Of(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

BatchFileRecord ReadRecord(platform::ArchiveReader& reader) {
    BatchFileRecord record;
    record.path = QString::fromStdU16String(reader.ReadString());
    // Width and height as one block of 8 bytes.
    const std::uint64_t size = reader.ReadUint64();
    record.width = static_cast<std::int32_t>(static_cast<std::uint32_t>(size));
    record.height = static_cast<std::int32_t>(static_cast<std::uint32_t>(size >> 32));
    record.dpi = std::bit_cast<float>(reader.ReadDword());
    record.mode = reader.ReadInt32();
    record.correction = reader.ReadInt32();
    return record;
}

}  // namespace

BatchFileRecord BatchFileRecord::Of(const CItem& item) {
    return {item.m_strPath,    item.m_nTargetWidth, item.m_nTargetHeight,
            item.m_fTargetDpi, item.m_nMode,        item.m_nCorrection};
}

void BatchFileRecord::ApplyTo(CItem& item) const {
    item.m_strPath = path;
    item.m_nTargetWidth = width;
    item.m_nTargetHeight = height;
    item.m_fTargetDpi = dpi;
    item.m_nMode = mode;
    item.m_nCorrection = correction;
}

std::vector<std::uint8_t> EncodeBatchFile(std::span<const BatchFileRecord> records) {
    platform::ArchiveWriter writer;
    for (const char16_t unit : kHeaderText)
        writer.WriteWord(unit);
    writer.WriteInt32(static_cast<std::int32_t>(records.size()));
    for (const BatchFileRecord& record : records) {
        writer.WriteString(Utf16Of(record.path));
        writer.WriteInt32(record.width);
        writer.WriteInt32(record.height);
        writer.WriteDword(std::bit_cast<std::uint32_t>(record.dpi));
        writer.WriteInt32(record.mode);
        writer.WriteInt32(record.correction);
    }
    return writer.TakeBytes();
}

std::optional<std::vector<BatchFileRecord>> DecodeBatchFile(std::span<const std::uint8_t> bytes) {
    if (!HasHeader(bytes))
        return std::nullopt;
    platform::ArchiveReader reader(bytes.subspan(kBatchFileHeaderBytes));
    try {
        const std::int32_t count = reader.ReadInt32();
        // A count the bytes left cannot hold is refused before anything is
        // allocated for it; so is a negative one, which no writer gives.
        if (count < 0 || static_cast<std::uint64_t>(count) > reader.BytesLeft() / kMinBatchRecordBytes)
            return std::nullopt;
        std::vector<BatchFileRecord> records;
        records.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i)
            records.push_back(ReadRecord(reader));
        return records;
    } catch (const platform::ArchiveException&) {
        return std::nullopt;
    }
}

std::vector<BatchFileRecord> BatchRecordsOf(const CITEMLIST& items) {
    std::vector<BatchFileRecord> records;
    records.reserve(items.GetCount());
    for (const auto& item : items)
        records.push_back(BatchFileRecord::Of(*item));
    return records;
}

BatchFileLoad ReadBatchFile(const QString& path) {
    BatchFileLoad load;
    // Only a regular file is read: a pipe or a device would block or never end.
    QFile file;
    if (platform::RefuseSpecialFile(path, "batch file") || !platform::OpenRegularFile(file, path, &load.error)) {
        if (load.error.isEmpty())
            load.error = QStringLiteral("Not a regular file");
        return load;
    }
    if (file.size() > kMaxBatchFileBytes) {
        load.status = BatchFileStatus::WrongFile;
        return load;
    }
    // One byte more than the limit tells a file that grew meanwhile.
    const QByteArray bytes = file.read(kMaxBatchFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        load.error = file.errorString();
        return load;
    }
    std::optional<std::vector<BatchFileRecord>> records;
    if (bytes.size() <= kMaxBatchFileBytes)
        records = DecodeBatchFile(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                            static_cast<std::size_t>(bytes.size())));
    if (!records) {
        load.status = BatchFileStatus::WrongFile;
        return load;
    }
    load.status = BatchFileStatus::Ok;
    load.records = std::move(*records);
    return load;
}

bool WriteBatchFile(const QString& path, std::span<const BatchFileRecord> records, QString* error) {
    const std::vector<std::uint8_t> bytes = EncodeBatchFile(records);
    QSaveFile file(path);
    const auto size = static_cast<qint64>(bytes.size());
    if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char*>(bytes.data()), size) != size ||
        !file.commit()) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    return true;
}
