#include "batch/BatchOutputFile.h"

#include <unistd.h>
#include <cstdio>
#include <cstdlib>

#include <QByteArray>
#include <QFile>

#include "app/saving/SaveImage.h"
#include "platform/imaging/Bitmap.h"
#include "platform/paths/Paths.h"
#include "platform/shellfiles/ShellFiles.h"

namespace {

// A temporary folder, removed with whatever is left in it.
class TempFolder {
public:
    explicit TempFolder(const QString& parent) {
        QByteArray pattern = QFile::encodeName(parent) + kBatchTempPrefix + "XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = QFile::decodeName(pattern);
    }
    ~TempFolder() {
        if (path_.isEmpty())
            return;
        if (!file_.isEmpty())
            ::unlink(QFile::encodeName(file_).constData());
        ::rmdir(QFile::encodeName(path_).constData());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool IsValid() const { return !path_.isEmpty(); }
    // The file of that name inside the folder, removed with the folder.
    QString File(const QString& name) {
        file_ = path_ + u'/' + name;
        return file_;
    }

private:
    QString path_;
    QString file_;
};

}  // namespace

bool WriteBatchOutput(imaging::Bitmap& target, const BatchOutput& output, const imaging::Bitmap& source, int quality,
                      float dpi) {
    if (output.kind != BatchOutputKind::New && output.kind != BatchOutputKind::Replace)
        return false;
    const platform::PathParts parts = platform::SplitPath(output.path);
    TempFolder temp(parts.drive + parts.dir);
    if (!temp.IsValid())
        return false;
    // The temporary keeps the output's name, so the encoder is the one the
    // output's extension asks for.
    const QString file = temp.File(parts.name + parts.ext);
    if (!SaveImageWithEncoder(&target, QFile::encodeName(file).toStdString(), 1, &source, quality, dpi))
        return false;
    if (output.kind == BatchOutputKind::Replace)
        return std::rename(QFile::encodeName(file).constData(), QFile::encodeName(output.path).constData()) == 0;
    return platform::RenameNoReplace(file, output.path) == platform::RenameStatus::Renamed;
}
