#pragma once
// Item id lists of our shell namespace, in the byte layout the system stores:
// a sequence of records, each a 16-bit little-endian size that counts its own
// two bytes, a kind byte and the item's name in UTF-16 little-endian, ended
// by a 16-bit zero. The desktop (the root) is the empty list: just the two
// zero bytes.
//
// An absolute list names an item from the desktop down; a relative list (one
// record) names a child within its parent folder. Lists read from outside
// (the saved tree state) are untrusted: FromBytes checks every record.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::shellns {

// What a record names. The values are stored in saved lists: never renumber.
enum class ItemKind : std::uint8_t {
    Libraries = 1,      // the Libraries folder (virtual)
    Library = 2,        // one library, named by its file's base name
    Home = 3,           // the user's home folder
    Computer = 4,       // the mounted volumes (virtual)
    Network = 5,        // the network mounts (virtual)
    Volume = 6,         // a mounted volume, named by its mount point
    NetworkMount = 7,   // a network mount, named by its mount point
    LibraryFolder = 8,  // a folder of a library, named by its absolute path
    Folder = 9,         // a sub-folder, named by its file name
};

bool IsKnownKind(std::uint8_t kind);

struct IdRecord {
    ItemKind kind = ItemKind::Folder;
    QString name;

    friend bool operator==(const IdRecord&, const IdRecord&) = default;
};

class IdList {
public:
    // The desktop.
    IdList() = default;
    explicit IdList(std::vector<IdRecord> records) : records_(std::move(records)) {}
    static IdList One(ItemKind kind, const QString& name = {}) { return IdList({IdRecord{kind, name}}); }

    // Parses a stored list: every record at least 3 bytes with an even name
    // part and a known kind, the end marker inside the bytes, nothing after
    // it. nullopt otherwise.
    static std::optional<IdList> FromBytes(const QByteArray& bytes);

    // The stored form, end marker included. A name too long for a record
    // (over 32765 UTF-16 units) gives an empty array.
    QByteArray ToBytes() const;
    // The stored size, end marker included (IdListSize): 2 for the desktop.
    std::int64_t ByteSize() const;

    bool IsDesktop() const { return records_.empty(); }
    const std::vector<IdRecord>& Records() const { return records_; }
    const IdRecord& Last() const { return records_.back(); }

    // This list followed by `child` (CombineIdLists).
    IdList Combined(const IdList& child) const;
    // The last record alone (the relative id within the parent).
    IdList LastOnly() const;
    // Without its last record; the desktop stays the desktop.
    IdList Parent() const;

    friend bool operator==(const IdList&, const IdList&) = default;

private:
    std::vector<IdRecord> records_;
};

// The shell's id-list equality (ILIsEqual): the same records.
bool IsEqualIdList(const IdList& a, const IdList& b);
// The shell's ancestor test (ILIsParent, not immediate): `parent` is a proper
// prefix of `child`.
bool IsParentIdList(const IdList& parent, const IdList& child);

}  // namespace platform::shellns
