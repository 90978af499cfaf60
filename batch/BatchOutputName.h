#pragma once
// The output path of one batch item, by the naming, format and overwrite
// options of the run:
//   folder  the source's own (sameFolder) or the output folder;
//   title   the source's, with "_RESIZED_TO_<w>x<h>" when sameFolder or
//           newName is on (so beside the source the suffix is always there);
//   ext     by outFormat: 0 the source's as written, 1 .jpg, 2 .tif, 3 .bmp,
//           4 .png, any other value none.
// A path that is taken is handled by the overwrite policy: Skip hands the
// taken path back, Overwrite replaces it (the caller writes a temporary and
// renames it over the old file), Unique name takes the first free
// "title_<n>.ext" for n = 1 .. lastUniqueNumber.
//
// Nothing is created, deleted or shown here.

#include <QString>

#include <functional>

struct BatchOptions;

enum class BatchOutputKind {
    New,         // path is free: write it without replacing anything
    Replace,     // path exists and the policy overwrites it
    Skip,        // path exists and the policy is Skip (path: the taken one)
    NoFolder,    // the output's folder does not exist (the run stops)
    NoFreeName,  // every unique number is taken
    IsSource,    // the output would be the source itself
};

struct BatchOutput {
    BatchOutputKind kind = BatchOutputKind::New;
    QString path;
};

inline constexpr int kLastUniqueNumber = 9999999;

BatchOutput MakeBatchOutputName(const QString& source, int width, int height, const BatchOptions& options,
                                int lastUniqueNumber = kLastUniqueNumber);
// The same, where `isTaken` tells whether a path is taken (the files there
// and the outputs of a run that are still to be written).
BatchOutput MakeBatchOutputName(const QString& source, int width, int height, const BatchOptions& options,
                                int lastUniqueNumber, const std::function<bool(const QString&)>& isTaken);

// True when the folder an output path names exists.
bool HasOutputFolder(const QString& outputPath);

// True when a directory entry of that name exists (a dangling link counts).
bool EntryExists(const QString& path);

// True when the two paths name one file: the same canonical path, or the same
// file reached through another name.
bool IsSameFile(const QString& a, const QString& b);
