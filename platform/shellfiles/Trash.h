#pragma once
// Moving files and folders to the freedesktop.org trash, by their names'
// bytes, so that a name that is not UTF-8 goes to the trash whole.
//
// An item on the file system of the home trash ($XDG_DATA_HOME/Trash, or
// ~/.local/share/Trash) goes there; an item on another file system goes to
// the trash at the top of that file system: $topdir/.Trash/$uid when the
// administrator made $topdir/.Trash (a real folder, not a link, with the
// sticky bit), else $topdir/.Trash-$uid. Every trash holds files/ (the
// items) and info/ (one NAME.trashinfo per item, which names the item's
// place before and the time it came). Folders this code makes are private
// to the user (mode 0700).

#include <sys/types.h>

#include <string>
#include <system_error>

namespace platform {

// Where an item went: its entry under the trash's files/ and its info file.
struct TrashedItem {
    std::string file;
    std::string info;
};

// Moves the file, folder or link `item` (absolute, or relative to the
// current folder; a link itself, never its target) into the trash of its
// file system and tells where it went. Its name in the trash is its own
// name, or "name (2).ext" and so on when that is taken there: the info file
// is made first, exclusively, and reserves the name; the item is then
// renamed into files/ without ever replacing anything. On failure the
// errno of the cause comes back, the item stays where it was and no info
// file is left.
std::error_code MoveToTrash(const std::string& item, TrashedItem& placed);

// The user's trash folder at the top of a file system, made when missing:
// `topdir`/.Trash/`uid` when `topdir`/.Trash is a folder (not a link) with
// the sticky bit set, else `topdir`/.Trash-`uid`. The folder must be a
// folder of the user's own, not a link. Empty, with the cause in `error`,
// when neither can be had.
std::string TopdirTrash(const std::string& topdir, uid_t uid, std::error_code& error);

// The value of an info file's Path= key for `path` (bytes): every byte but
// the unreserved ones of a URI (letters, digits, "-._~") and '/' is written
// as %XX with upper-case hex digits.
std::string TrashInfoPath(const std::string& path);

}  // namespace platform
