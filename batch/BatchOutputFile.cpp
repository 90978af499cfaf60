#include "batch/BatchOutputFile.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QByteArray>

#include "core/saving/SaveImage.h"
#include "platform/files/LocalFileName.h"
#include "platform/imaging/Bitmap.h"
#include "platform/paths/Paths.h"
#include "platform/shellfiles/ShellFiles.h"

namespace {

// A fresh temporary folder inside `parent`; empty when none could be made.
QString MakeTempFolder(const QString& parent) {
    QByteArray pattern = platform::LocalFileName(parent) + kBatchTempPrefix + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    return platform::FileNameFromLocal(pattern);
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
    // The temporary keeps the output's extension, so the encoder is the one
    // it asks for; its name is a plain one the encoder's file classes can
    // reach whatever bytes the output's name holds.
    file_ = folder_ + QStringLiteral("/output") + parts.ext;
    std::string failure;
    written_ = SaveImageWithEncoder(&target, platform::LocalFileName(file_).toStdString(), 1, &source, quality, dpi,
                                    &failure) != 0;
    failure_ = QString::fromStdString(failure);
}

StagedBatchOutput::~StagedBatchOutput() {
    if (folder_.isEmpty())
        return;
    // After a commit the file is gone from here and unlink fails harmlessly.
    ::unlink(platform::LocalFileName(file_).constData());
    ::rmdir(platform::LocalFileName(folder_).constData());
}

bool StagedBatchOutput::Commit() {
    if (!written_)
        return false;
    written_ = false;
    bool renamed = false;
    if (output_.kind == BatchOutputKind::Replace)
        renamed = std::rename(platform::LocalFileName(file_).constData(),
                              platform::LocalFileName(output_.path).constData()) == 0;
    else
        renamed = platform::RenameNoReplace(file_, output_.path) == platform::RenameStatus::Renamed;
    if (!renamed)
        failure_ = QString::fromLocal8Bit(std::strerror(errno));
    return renamed;
}
