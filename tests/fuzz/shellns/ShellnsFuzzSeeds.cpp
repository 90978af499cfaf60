// Writes seeds for the tree-state and library-file fuzz targets: id lists of
// the namespace's kinds as the tree saves them, and library files as the
// service writes them.
#include "platform/shellns/IdList.h"
#include "platform/shellns/ShellLibrary.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s tree-state-folder library-folder\n", argv[0]);
        return 2;
    }
    const QString stateFolder = QString::fromLocal8Bit(argv[1]);
    const QString libraryFolder = QString::fromLocal8Bit(argv[2]);
    if (!QDir().mkpath(stateFolder) || !QDir().mkpath(libraryFolder))
        return 1;
    using namespace platform::shellns;
    const IdList lists[] = {
        IdList(),
        IdList(
            {{ItemKind::Home, {}}, {ItemKind::Folder, "Pictures"}, {ItemKind::Folder, QString::fromUtf8("Été 2020")}}),
        IdList({{ItemKind::Computer, {}}, {ItemKind::Volume, "/"}, {ItemKind::Folder, "srv"}}),
        IdList({{ItemKind::Network, {}}, {ItemKind::NetworkMount, "/mnt/nas"}, {ItemKind::Folder, "photos"}}),
        IdList({{ItemKind::Libraries, {}},
                {ItemKind::Library, "Pictures"},
                {ItemKind::LibraryFolder, "/home/me/Pictures"}}),
        IdList({{ItemKind::Folder, "Work"}}),
    };
    int n = 0;
    for (const IdList& list : lists) {
        if (!Write(QStringLiteral("%1/state%2").arg(stateFolder).arg(n++), list.ToBytes()))
            return 1;
    }
    const QStringList libraries[] = {
        {},
        {"/home/me/Pictures"},
        {"/home/me/Pictures", "/media/disk/Photos & \"Scans\"", "/"},
    };
    n = 0;
    for (const QStringList& folders : libraries) {
        if (!Write(QStringLiteral("%1/library%2.library-ms").arg(libraryFolder).arg(n++), SerializeLibrary(folders)))
            return 1;
    }
    return 0;
}
