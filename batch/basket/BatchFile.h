#pragma once
// Batch files (".vpb"): the basket's items with their output settings.
//
// Layout, little-endian: the header "ORVEK Vespera 2.0 Batch" in UTF-16 (46
// bytes, no terminator), then in the framework's archive layout an int32 item
// count and per item its path (an archive string), int32 width and height,
// float32 resolution in dots per inch, int32 algorithm and int32 size
// correction. Paths are written in the archive's UTF-16 form; single-byte
// paths of older files are read as Windows-1252.
//
// Batch files are untrusted. A file is read whole and decoded before anything
// is changed: a wrong header, a count the bytes left cannot hold, a record cut
// short or a file past kMaxBatchFileBytes refuse the whole file. The values
// are kept as stored; their users check their ranges. Writing goes to a
// temporary file renamed over the chosen one only when it is complete.

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class CItem;
class CITEMLIST;

struct BatchFileRecord {
    QString path;
    std::int32_t width = 0;
    std::int32_t height = 0;
    float dpi = 0.0f;
    std::int32_t mode = 0;
    std::int32_t correction = 0;

    static BatchFileRecord Of(const CItem& item);
    // Gives an item the record's path and output settings.
    void ApplyTo(CItem& item) const;
    bool operator==(const BatchFileRecord&) const = default;
};

inline constexpr char16_t kBatchFileHeader[] = u"ORVEK Vespera 2.0 Batch";
inline constexpr std::size_t kBatchFileHeaderBytes = 46;
// The least bytes a record takes: an empty 8-bit path (its length byte) and
// five 4-byte values.
inline constexpr std::uint64_t kMinBatchRecordBytes = 21;
// Larger files are refused unread: over a hundred thousand items of long paths.
inline constexpr std::int64_t kMaxBatchFileBytes = std::int64_t{64} << 20;

std::vector<std::uint8_t> EncodeBatchFile(std::span<const BatchFileRecord> records);
// The records of a whole file, or nothing when it is not a batch file or is
// damaged anywhere.
std::optional<std::vector<BatchFileRecord>> DecodeBatchFile(std::span<const std::uint8_t> bytes);

std::vector<BatchFileRecord> BatchRecordsOf(const CITEMLIST& items);

enum class BatchFileStatus {
    Ok,
    CannotAccess,  // the file cannot be opened, read or written
    WrongFile,     // not a batch file, or a damaged one
};

struct BatchFileLoad {
    BatchFileStatus status = BatchFileStatus::CannotAccess;
    std::vector<BatchFileRecord> records;
    QString error;  // the system's reason with CannotAccess
};

BatchFileLoad ReadBatchFile(const QString& path);
// False with the system's reason in `error` when the file cannot be
// written; the file as it was is then kept.
bool WriteBatchFile(const QString& path, std::span<const BatchFileRecord> records, QString* error);
