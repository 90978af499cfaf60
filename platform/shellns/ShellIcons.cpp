#include "platform/shellns/ShellIcons.h"

#include "platform/shellns/MountTable.h"
#include "platform/shellns/ShellNamespace.h"

#include <QFileIconProvider>

namespace platform::shellns {

int IconIndexOf(const IdList& absolute, bool open) {
    const std::optional<ResolvedItem> item = ResolveIdList(absolute);
    if (!item)
        return -1;
    if (!item->kind)
        return static_cast<int>(ShellIcon::Desktop);
    ShellIcon icon = open ? ShellIcon::FolderOpen : ShellIcon::Folder;
    switch (*item->kind) {
    case ItemKind::Libraries:
        icon = ShellIcon::Libraries;
        break;
    case ItemKind::Library:
        icon = ShellIcon::Library;
        break;
    case ItemKind::Home:
        icon = ShellIcon::Home;
        break;
    case ItemKind::Computer:
        icon = ShellIcon::Computer;
        break;
    case ItemKind::Network:
        icon = ShellIcon::Network;
        break;
    case ItemKind::Volume:
        icon = IsRemovableMount(MountEntry{item->path, {}, {}, {}, {}}) ? ShellIcon::RemovableDrive : ShellIcon::Drive;
        break;
    case ItemKind::NetworkMount:
        icon = ShellIcon::NetworkDrive;
        break;
    case ItemKind::LibraryFolder:
    case ItemKind::Folder:
        break;
    }
    return static_cast<int>(icon);
}

QIcon SystemIcon(int index) {
    if (index < 0 || index >= kShellIconCount)
        return {};
    const QFileIconProvider provider;
    const QIcon folder = provider.icon(QAbstractFileIconProvider::Folder);
    const QIcon drive = provider.icon(QAbstractFileIconProvider::Drive);
    switch (static_cast<ShellIcon>(index)) {
    case ShellIcon::Folder:
        return folder;
    case ShellIcon::FolderOpen:
        return QIcon::fromTheme(QStringLiteral("folder-open"), folder);
    case ShellIcon::Desktop:
        return provider.icon(QAbstractFileIconProvider::Desktop);
    case ShellIcon::Home:
        return QIcon::fromTheme(QStringLiteral("user-home"), folder);
    case ShellIcon::Computer:
        return provider.icon(QAbstractFileIconProvider::Computer);
    case ShellIcon::Drive:
        return QIcon::fromTheme(QStringLiteral("drive-harddisk"), drive);
    case ShellIcon::RemovableDrive:
        return QIcon::fromTheme(QStringLiteral("drive-removable-media"), drive);
    case ShellIcon::Network:
        return provider.icon(QAbstractFileIconProvider::Network);
    case ShellIcon::NetworkDrive:
        return QIcon::fromTheme(QStringLiteral("folder-remote"), provider.icon(QAbstractFileIconProvider::Network));
    case ShellIcon::Libraries:
        return QIcon::fromTheme(QStringLiteral("folder-documents"), folder);
    case ShellIcon::Library:
        return QIcon::fromTheme(QStringLiteral("folder-pictures"), folder);
    }
    return {};
}

}  // namespace platform::shellns
