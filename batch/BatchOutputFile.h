#pragma once
// Writing one batch output so that no file is ever harmed: the image is saved
// into a fresh hidden folder beside the output (BatchTempFolder.h) and only
// the complete file is renamed into place: over the old file for Replace,
// never over anything for New (a file that appeared meanwhile is kept and the
// write fails). The temporary folder is removed either way.
//
// The two steps can be taken apart: StagedBatchOutput holds a complete
// temporary file until Commit renames it into place; dropped uncommitted, it
// removes the temporary and leaves the output as it was.

#include <QString>

#include <functional>
#include <memory>

#include "batch/BatchOutputName.h"

class BatchTempFolder;

namespace imaging {
class Bitmap;
}

class StagedBatchOutput {
public:
    // Saves the target into a temporary beside the output; check IsWritten.
    // `stopRequested`, when set, is asked at each block of the write: true
    // stops it there (nothing is written and no reason is given).
    StagedBatchOutput(imaging::Bitmap& target, const BatchOutput& output, const imaging::Bitmap& source, int quality,
                      float dpi, const std::function<bool()>& stopRequested = {});
    ~StagedBatchOutput();
    StagedBatchOutput(const StagedBatchOutput&) = delete;
    StagedBatchOutput& operator=(const StagedBatchOutput&) = delete;

    bool IsWritten() const { return written_; }
    // Why the output could not be written or put in place, when that is
    // known ("No space left on device"); empty otherwise.
    const QString& Failure() const { return failure_; }
    // Renames the temporary into place; false when it could not be (or was
    // never written). Once only.
    bool Commit();

private:
    BatchOutput output_;
    std::unique_ptr<BatchTempFolder> folder_;
    QString file_;  // the temporary file inside it
    bool written_ = false;
    QString failure_;
};
