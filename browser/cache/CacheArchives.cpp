#include "browser/cache/CacheArchives.h"

#include <set>

#include "platform/archive/ArchiveReader.h"
#include "platform/archive/ArchiveWriter.h"

namespace {

// The least bytes an element can take, so that a count that cannot be true is
// refused before anything is read: a text of 1 byte and a class tag of 2.
constexpr std::uint64_t kMinCellEntryBytes = 3;
constexpr std::uint64_t kMinIndexEntryBytes = 2;
constexpr int kMaxArchiveNumber = 100000000;

QString FromArchive(const std::u16string& text) { return QString::fromStdU16String(text); }

// A file path the cache can key: absolute, not a folder, no NUL.
bool IsCellPath(const QString& path) {
    return path.startsWith(u'/') && !path.endsWith(u'/') && !path.contains(QChar(u'\0'));
}

bool IsFolderKey(const QString& folder) {
    return folder.startsWith(u'/') && folder.endsWith(u'/') && !folder.contains(QChar(u'\0'));
}

}  // namespace

QString ArchiveFilePath(const QString& cacheFolder, int number) {
    return cacheFolder + QStringLiteral("/FLD%1.tmp").arg(number);
}

std::optional<int> ArchiveNumberOf(const QString& path, const QString& cacheFolder) {
    const QString prefix = cacheFolder + QStringLiteral("/FLD");
    if (cacheFolder.isEmpty() || !path.startsWith(prefix) || !path.endsWith(QStringLiteral(".tmp")))
        return std::nullopt;
    const QStringView digits = QStringView(path).mid(prefix.size(), path.size() - prefix.size() - 4);
    if (digits.isEmpty() || digits.size() > 9 || digits.front() == u'0')
        return std::nullopt;
    for (const QChar c : digits)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    const int number = digits.toInt();
    if (number < 1 || number > kMaxArchiveNumber)
        return std::nullopt;
    return number;
}

QString FolderOfPath(const QString& path) { return FolderViewOfPath(path).toString(); }

QStringView FolderViewOfPath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QStringView() : QStringView(path).left(slash + 1);
}

CellArchive ReadCellArchiveContents(std::span<const std::uint8_t> bytes) {
    platform::ArchiveReader reader(bytes);
    CellArchive archive;
    archive.count = reader.ReadCount(kMinCellEntryBytes);
    for (std::uint64_t i = 0; i < archive.count; ++i) {
        const std::uint64_t offset = bytes.size() - reader.BytesLeft();
        QString path = FromArchive(reader.ReadString());
        CellRef cell = CPaletteItemImg::ReadObject(reader);
        archive.elements.emplace(path, ElementSpan{offset, bytes.size() - reader.BytesLeft() - offset, i});
        if (IsCellPath(path))
            archive.entries.emplace_back(std::move(path), std::move(cell));
    }
    archive.end = bytes.size() - reader.BytesLeft();
    return archive;
}

CellEntries ReadCellArchive(std::span<const std::uint8_t> bytes) { return ReadCellArchiveContents(bytes).entries; }

std::vector<std::uint8_t> CellRecordBytes(CPaletteItemImg& cell) {
    platform::ArchiveWriter writer;
    cell.Serialize(writer);
    return writer.TakeBytes();
}

namespace {

// Writes the elements, numbered from `ordinal`; the writer's output starts
// at `base` in the archive.
void WriteElements(platform::ArchiveWriter& writer, const std::vector<CellElement>& elements, std::uint64_t base,
                   std::uint64_t ordinal, ElementSpans& spans) {
    for (const CellElement& element : elements) {
        const std::uint64_t offset = base + writer.Bytes().size();
        writer.WriteString(element.path.toStdU16String());
        CPaletteItemImg::WriteObjectRecord(writer, element.record);
        spans[element.path] = ElementSpan{offset, base + writer.Bytes().size() - offset, ordinal++};
    }
}

}  // namespace

std::vector<std::uint8_t> WriteCellElements(const std::vector<CellElement>& elements, ElementSpans& spans) {
    platform::ArchiveWriter writer;
    writer.WriteCount(elements.size());
    WriteElements(writer, elements, 0, 0, spans);
    return writer.TakeBytes();
}

std::vector<std::uint8_t> AppendedCellElements(const std::vector<CellElement>& elements, std::uint64_t stored,
                                               std::uint64_t end, ElementSpans& spans) {
    platform::ArchiveWriter writer;
    CPaletteItemImg::ResumeArchiveOfCells(writer, static_cast<std::uint32_t>(stored));
    WriteElements(writer, elements, end, stored, spans);
    return writer.TakeBytes();
}

CellRef ReadCellElement(std::span<const std::uint8_t> bytes, const ElementSpan& span, const QString& path) {
    platform::ArchiveReader reader(bytes);
    if (span.ordinal > 0)
        CPaletteItemImg::ResumeArchiveOfCells(reader, span.ordinal);
    if (FromArchive(reader.ReadString()) != path)
        throw platform::ArchiveException(platform::ArchiveException::invalidFile);
    CellRef cell = CPaletteItemImg::ReadObject(reader);
    if (!reader.AtEnd())
        throw platform::ArchiveException(platform::ArchiveException::invalidFile);
    return cell;
}

std::vector<std::uint8_t> CellCountBytes(std::uint64_t count) {
    platform::ArchiveWriter writer;
    writer.WriteCount(count);
    return writer.TakeBytes();
}

std::vector<std::uint8_t> WriteCellArchive(const CellEntries& entries) {
    platform::ArchiveWriter writer;
    writer.WriteCount(entries.size());
    for (const auto& [path, cell] : entries) {
        writer.WriteString(path.toStdU16String());
        CPaletteItemImg::WriteObject(writer, *cell);
    }
    return writer.TakeBytes();
}

ArchiveNumbers ReadCacheIndex(std::span<const std::uint8_t> bytes, const QString& cacheFolder) {
    platform::ArchiveReader reader(bytes);
    const std::uint64_t count = reader.ReadCount(kMinIndexEntryBytes);
    ArchiveNumbers archives;
    std::set<int> taken;  // two folders never share an archive
    for (std::uint64_t i = 0; i < count; ++i) {
        const QString folder = FromArchive(reader.ReadString());
        const QString archive = FromArchive(reader.ReadString());
        const std::optional<int> number = ArchiveNumberOf(archive, cacheFolder);
        if (number && IsFolderKey(folder) && !archives.contains(folder) && taken.insert(*number).second)
            archives[folder] = *number;
    }
    return archives;
}

std::vector<std::uint8_t> WriteCacheIndex(const ArchiveNumbers& archives, const QString& cacheFolder) {
    platform::ArchiveWriter writer;
    writer.WriteCount(archives.size());
    for (const auto& [folder, number] : archives) {
        writer.WriteString(folder.toStdU16String());
        writer.WriteString(ArchiveFilePath(cacheFolder, number).toStdU16String());
    }
    return writer.TakeBytes();
}
