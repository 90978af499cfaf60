#pragma once
// The namespace's small-icon list: one icon per kind of item, each with an
// index that stays the same for the life of the process (the "system image
// list" of the folder tree and of the library location texts).

#include "platform/shellns/IdList.h"

#include <QIcon>

namespace platform::shellns {

enum class ShellIcon {
    Folder,
    FolderOpen,
    Desktop,
    Home,
    Computer,
    Drive,
    RemovableDrive,
    Network,
    NetworkDrive,
    Libraries,
    Library,
};
inline constexpr int kShellIconCount = static_cast<int>(ShellIcon::Library) + 1;

// The icon index of an item (open: the icon it shows while selected); -1
// when the list names nothing of the namespace.
int IconIndexOf(const IdList& absolute, bool open);

// The icon of an index (the desktop's theme first, then Qt's own file
// icons); a null icon for an index out of range. Needs a QGuiApplication.
QIcon SystemIcon(int index);

}  // namespace platform::shellns
