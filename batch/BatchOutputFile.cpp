#include "batch/BatchOutputFile.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QByteArray>
#include <QFile>

#include "core/saving/SaveImage.h"
#include "platform/imaging/Bitmap.h"
#include "platform/paths/Paths.h"
#include "platform/shellfiles/ShellFiles.h"

namespace {

// A fresh temporary folder inside `parent`; empty when none could be made.
QString MakeTempFolder(const QString& parent) {
    QByteArray pattern = QFile::encodeName(parent) + kBatchTempPrefix + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    return QFile::decodeName(pattern);
}

}  // namespace

StagedBatchOutput::StagedBatchOutput(imaging::Bitmap& target, const BatchOutput& output, const imaging::Bitmap& source,
                                     int quality, float dpi)
    : output_(output) {
    if (output.kind != BatchOutputKind::New && output.kind != BatchOutputKind::Replace)
        return;
    const platform::PathParts parts = platform::SplitPath(output.path);
    folder_ = MakeTempFolder(parts.drive + parts.dir);
    if (folder_.isEmpty()) {
        failure_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    // The temporary keeps the output's name, so the encoder is the one the
    // output's extension asks for.
    file_ = folder_ + u'/' + parts.name + parts.ext;
    std::string failure;
    written_ =
        SaveImageWithEncoder(&target, QFile::encodeName(file_).toStdString(), 1, &source, quality, dpi, &failure) != 0;
    failure_ = QString::fromStdString(failure);
}

StagedBatchOutput::~StagedBatchOutput() {
    if (folder_.isEmpty())
        return;
    // After a commit the file is gone from here and unlink fails harmlessly.
    ::unlink(QFile::encodeName(file_).constData());
    ::rmdir(QFile::encodeName(folder_).constData());
}

bool StagedBatchOutput::Commit() {
    if (!written_)
        return false;
    written_ = false;
    bool renamed = false;
    if (output_.kind == BatchOutputKind::Replace)
        renamed = std::rename(QFile::encodeName(file_).constData(), QFile::encodeName(output_.path).constData()) == 0;
    else
        renamed = platform::RenameNoReplace(file_, output_.path) == platform::RenameStatus::Renamed;
    if (!renamed)
        failure_ = QString::fromLocal8Bit(std::strerror(errno));
    return renamed;
}
