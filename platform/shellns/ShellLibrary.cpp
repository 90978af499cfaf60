#include "platform/shellns/ShellLibrary.h"

#include "platform/shellns/MountTable.h"

#include "platform/files/RegularFile.h"
#include "platform/paths/Paths.h"
#include "platform/shellfiles/ShellFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace platform::shellns {

namespace {

const QString kExtension = QString::fromUtf16(kLibraryExtension);

}  // namespace

QString LibrariesFolder() {
    const QString data = platform::CommonDataFolder();
    return data.isEmpty() ? QString() : data + QStringLiteral("Libraries");
}

QString LibraryFilePath(const QString& name) { return LibrariesFolder() + u'/' + name + kExtension; }

bool IsLibraryFileName(const QString& path) {
    return path.size() > kExtension.size() && path.endsWith(kExtension, Qt::CaseInsensitive);
}

QString LibraryNameOfFile(const QString& path) {
    if (!IsLibraryFileName(path))
        return {};
    const QString fileName = path.section(u'/', -1);
    return fileName.left(fileName.size() - kExtension.size());
}

QStringList LibraryNames() {
    const QString folder = LibrariesFolder();
    if (folder.isEmpty())
        return {};
    QStringList names;
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("*") + kExtension}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        const QString name = LibraryNameOfFile(file);
        if (!name.isEmpty())
            names.append(name);
    }
    names.sort();
    return names;
}

std::optional<QStringList> ParseLibrary(const QByteArray& bytes) {
    if (bytes.size() > kMaxLibraryFileSize)
        return std::nullopt;
    QXmlStreamReader xml(bytes);
    QStringList folders;
    int depth = 0;
    bool sawRoot = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Comment:
            break;
        case QXmlStreamReader::Characters:
            if (!xml.isWhitespace())
                return std::nullopt;
            break;
        case QXmlStreamReader::StartElement:
            ++depth;
            if (depth == 1) {
                if (sawRoot || xml.name() != u"library" || xml.attributes().value(QLatin1String("version")) != u"1")
                    return std::nullopt;
                sawRoot = true;
            } else if (depth == 2 && xml.name() == u"folder") {
                const QString path = xml.attributes().value(QLatin1String("path")).toString();
                if (!IsCleanAbsolutePath(path) || folders.size() >= kMaxLibraryFolders)
                    return std::nullopt;
                folders.append(path);
            } else {
                return std::nullopt;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            // DTDs, entity references, processing instructions: not ours.
            return std::nullopt;
        }
    }
    if (xml.hasError() || !sawRoot)
        return std::nullopt;
    return folders;
}

QByteArray SerializeLibrary(const QStringList& folders) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("library"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    for (const QString& folder : folders) {
        xml.writeEmptyElement(QStringLiteral("folder"));
        xml.writeAttribute(QStringLiteral("path"), folder);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

std::optional<QStringList> LoadLibraryFile(const QString& path) {
    QFile file;
    if (RefuseSpecialFile(path, "library file") || !OpenRegularFile(file, path) || file.size() > kMaxLibraryFileSize)
        return std::nullopt;
    return ParseLibrary(file.read(kMaxLibraryFileSize + 1));
}

bool SaveLibraryFile(const QString& path, const QStringList& folders) {
    if (RefuseSpecialFile(path, "library file"))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = SerializeLibrary(folders);
    return file.write(bytes) == bytes.size() && file.commit();
}

QString CreateLibraryFile(const QString& name, const QStringList& folders) {
    const QString folder = LibrariesFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    QTemporaryFile temp(folder + QStringLiteral("/.library-XXXXXX"));
    const QByteArray bytes = SerializeLibrary(folders);
    if (!temp.open() || temp.write(bytes) != bytes.size() || !temp.flush())
        return {};
    // The rename never replaces: a name taken meanwhile tries the next one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString free = platform::CollisionFreeName(folder, name + kExtension);
        if (free.isEmpty())
            return {};
        const QString target = folder + u'/' + free;
        switch (platform::RenameNoReplace(temp.fileName(), target)) {
        case platform::RenameStatus::Renamed:
            temp.setAutoRemove(false);
            return target;
        case platform::RenameStatus::TargetExists:
            continue;
        case platform::RenameStatus::InvalidName:
        case platform::RenameStatus::Failed:
            return {};
        }
    }
    return {};
}

}  // namespace platform::shellns
