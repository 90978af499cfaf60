#include "batch/BatchOutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files/LocalFileName.h"

#include "batch/BatchTempFolder.h"
#include "core/saving/SaveImage.h"
#include "platform/imaging/Bitmap.h"
#include "platform/paths/Paths.h"
#include "platform/shellfiles/ShellFiles.h"

StagedBatchOutput::StagedBatchOutput(imaging::Bitmap& target, const BatchOutput& output, const imaging::Bitmap& source,
                                     int quality, float dpi, const std::function<bool()>& stopRequested)
    : output_(output) {
    if (output.kind != BatchOutputKind::New && output.kind != BatchOutputKind::Replace)
        return;
    const platform::PathParts parts = platform::SplitPath(output.path);
    folder_ = std::make_unique<BatchTempFolder>(parts.drive + parts.dir);
    if (!folder_->IsValid()) {
        failure_ = folder_->Failure();
        return;
    }
    // The temporary has the output's extension, so the encoder is the one
    // the output asks for; its title is one the folder's lock file never has.
    file_ = folder_->Path() + QStringLiteral("/image") + parts.ext;
    std::string failure;
    written_ = SaveImageWithEncoder(&target, platform::LocalFilePath(file_), 1, &source, quality, dpi, &failure,
                                    stopRequested) != 0;
    failure_ = QString::fromStdString(failure);
}

// The temporary folder goes with whatever is left in it.
StagedBatchOutput::~StagedBatchOutput() = default;

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
