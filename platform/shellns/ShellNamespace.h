#pragma once
// Our shell namespace: the tree of folders that the folder tree shows.
//
//   Desktop (the root; its path is the desktop folder)
//     Libraries             the libraries (ShellLibrary.h), each with its folders
//     Home                  the home folder
//     Computer              the mounted volumes (MountTable.h)
//     Network               the network mounts
//     <sub-folders of the desktop folder>
//
// Below every file-system item come its sub-folders; hidden (dot) folders are
// left out and files never appear. A ShellFolder is a folder of this tree,
// named by its absolute id list; like the shell's folder objects it answers
// for its children given by relative (one-record) id lists.

#include "platform/shellns/IdList.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::shellns {

// Attributes of an item.
namespace Attr {
inline constexpr std::uint32_t Folder = 1u << 0;
inline constexpr std::uint32_t HasSubfolder = 1u << 1;
inline constexpr std::uint32_t FileSystem = 1u << 2;
inline constexpr std::uint32_t Storage = 1u << 3;
inline constexpr std::uint32_t CanRename = 1u << 4;
inline constexpr std::uint32_t CanDelete = 1u << 5;
inline constexpr std::uint32_t Removable = 1u << 6;
// Not an attribute: asks that the item be checked to exist first.
inline constexpr std::uint32_t Validate = 1u << 31;
}  // namespace Attr

enum class NameForm {
    Normal,      // the name shown to the user
    ForParsing,  // the path of a file-system item or library file; a fixed name for the virtual folders
};

// Parsing names of the virtual folders.
inline constexpr char16_t kLibrariesParsingName[] = u"shell:Libraries";
inline constexpr char16_t kComputerParsingName[] = u"shell:Computer";
inline constexpr char16_t kNetworkParsingName[] = u"shell:Network";

class ShellFolder {
public:
    // The desktop.
    ShellFolder() = default;
    explicit ShellFolder(IdList absolute) : absolute_(std::move(absolute)) {}

    const IdList& AbsoluteId() const { return absolute_; }

    // The children, each as a relative id list, in no particular order;
    // nullopt when the folder cannot be listed (missing, unreadable, not a
    // folder of the namespace).
    std::optional<std::vector<IdList>> EnumObjects() const;

    // The child as a folder of its own; nullopt when it is not one.
    std::optional<ShellFolder> BindToObject(const IdList& relative) const;

    // The attributes of `mask` that the child has; with Attr::Validate in the
    // mask, nullopt when the child no longer exists.
    std::optional<std::uint32_t> GetAttributesOf(const IdList& relative, std::uint32_t mask) const;

    std::optional<QString> GetDisplayNameOf(const IdList& relative, NameForm form) const;

    // Order of two children: negative, 0 or positive; 0 only for equal ids.
    // Virtual folders come first (Libraries, Home, Computer, Network), then
    // names in the order a person reads them (case-blind, numbers by value).
    int CompareIDs(const IdList& a, const IdList& b) const;

    // Renames the child's folder on disk to `newName` in its parent folder,
    // never replacing an existing entry. False when that failed or the child
    // has no folder of its own to rename.
    bool SetNameOf(const IdList& relative, const QString& newName) const;

private:
    IdList absolute_;
};

// What an absolute id list names, by its records alone (nothing is looked
// up on disk): the kind of its last record (nullopt for the desktop) and the
// file-system path. nullopt when the records do not form a path of the
// namespace (a Volume outside Computer, a Folder name with '/', ...).
struct ResolvedItem {
    std::optional<ItemKind> kind;  // none: the desktop
    QString path;                  // empty for virtual items and libraries
};
std::optional<ResolvedItem> ResolveIdList(const IdList& absolute);

// The file-system path of an item (SHGetPathFromIDList); empty for the
// virtual folders, libraries and lists that name nothing of ours.
QString PathFromIdList(const IdList& absolute);

// The id list of an absolute path through the volume that holds it:
// Computer, the volume, then one record per folder (Network and the mount
// for a network file system). nullopt for a relative path or a path on no
// shown volume.
std::optional<IdList> IdListFromPath(const QString& path);

// The parsing name of an item from the desktop.
QString ParsingNameOf(const IdList& absolute);

// The ids of the special folders.
IdList LibrariesIdList();
IdList HomeIdList();
IdList ComputerIdList();
IdList NetworkIdList();

// The folder whose sub-folders appear at the desktop's level.
QString DesktopFolderPath();

}  // namespace platform::shellns
