#pragma once
// Writing one batch output so that no file is ever harmed: the image is saved
// into a fresh hidden folder beside the output (".vespera-batch-XXXXXX", a
// name without an image extension, so browsers and thumbnail builders pass it
// by) and only the complete file is renamed into place: over the old file
// for Replace, never over anything for New (a file that appeared meanwhile
// is kept and the write fails). The temporary folder is removed either way.

#include "batch/BatchOutputName.h"

namespace imaging {
class Bitmap;
}

// False when the output could not be written; an old file is then as it was.
bool WriteBatchOutput(imaging::Bitmap& target, const BatchOutput& output, const imaging::Bitmap& source, int quality,
                      float dpi);

// The prefix of the temporary folders.
inline constexpr char kBatchTempPrefix[] = ".vespera-batch-";
