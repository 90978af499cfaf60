#include "batch/BatchOutputName.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "batch/BatchIds.h"
#include "batch/BatchRun.h"
#include "platform/files/LocalFileName.h"
#include "platform/paths/Paths.h"
#include "platform/resources/StringTable.h"

namespace fs = std::filesystem;

namespace {

fs::path FsPath(const QString& path) { return fs::path(platform::LocalFilePath(path)); }

QString OutputExtension(int format, const QString& sourceExtension) {
    switch (format) {
    case 0:
        return sourceExtension;
    case 1:
        return QStringLiteral(".jpg");
    case 2:
        return QStringLiteral(".tif");
    case 3:
        return QStringLiteral(".bmp");
    case 4:
        return QStringLiteral(".png");
    default:
        return {};
    }
}

QString ResizedSuffix(int width, int height) {
    return QString::asprintf(platform::LoadResString(IDS_RESIZED_TO).toUtf8().constData(), width, height);
}

// The folder of a path without its trailing separator; a lone "/" stays.
QString FolderToTest(const QString& dir) {
    if (dir.size() > 1 && dir.endsWith(u'/'))
        return dir.chopped(1);
    return dir;
}

bool IsFolder(const QString& path) {
    struct stat st {};
    return !path.isEmpty() && ::stat(platform::LocalFileName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool HasOutputFolder(const QString& outputPath) {
    const platform::PathParts parts = platform::SplitPath(outputPath);
    return IsFolder(FolderToTest(parts.drive + parts.dir));
}

bool EntryExists(const QString& path) {
    struct stat st {};
    return ::lstat(platform::LocalFileName(path).constData(), &st) == 0;
}

bool IsSameFile(const QString& a, const QString& b) {
    std::error_code error;
    const fs::path canonicalA = fs::weakly_canonical(FsPath(a), error);
    if (error)
        return a == b;
    const fs::path canonicalB = fs::weakly_canonical(FsPath(b), error);
    if (error)
        return a == b;
    if (canonicalA == canonicalB)
        return true;
    return fs::equivalent(canonicalA, canonicalB, error) && !error;
}

BatchOutput MakeBatchOutputName(const QString& source, int width, int height, const BatchOptions& options,
                                int lastUniqueNumber) {
    return MakeBatchOutputName(source, width, height, options, lastUniqueNumber, EntryExists);
}

BatchOutput MakeBatchOutputName(const QString& source, int width, int height, const BatchOptions& options,
                                int lastUniqueNumber, const std::function<bool(const QString&)>& isTaken) {
    const platform::PathParts parts = platform::SplitPath(source);
    QString base;
    if (options.sameFolder) {
        base = parts.drive + parts.dir + parts.name;
    } else {
        QString folder = options.outFolder;
        if (!folder.isEmpty() && !folder.endsWith(u'/'))
            folder += u'/';
        base = folder + parts.name;
    }
    if (options.sameFolder || options.newName)
        base += ResizedSuffix(width, height);
    const QString path = base + OutputExtension(options.outFormat, parts.ext);

    const platform::PathParts out = platform::SplitPath(path);
    BatchOutput result{BatchOutputKind::New, path};
    if (isTaken(path)) {
        switch (options.overwriteMethod) {
        case 0:
            return {BatchOutputKind::Skip, path};
        case 2: {
            result.kind = BatchOutputKind::NoFreeName;
            const QString stem = out.drive + out.dir + out.name;
            for (int n = 1; n <= lastUniqueNumber; ++n) {
                const QString candidate = stem + QString::asprintf("_%d", n) + out.ext;
                if (!isTaken(candidate)) {
                    result = {BatchOutputKind::New, candidate};
                    break;
                }
            }
            break;
        }
        default:  // 1 and values outside the policy's range replace the file
            result.kind = BatchOutputKind::Replace;
            break;
        }
    }
    if (!HasOutputFolder(result.path))
        return {BatchOutputKind::NoFolder, result.path};
    if (result.kind != BatchOutputKind::NoFreeName && IsSameFile(result.path, source))
        return {BatchOutputKind::IsSource, result.path};
    return result;
}
