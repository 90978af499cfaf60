#pragma once
// What one batch run works on: a copy of the items and of the batch options,
// taken on the UI thread when the run starts. The worker reads only this
// copy, so nothing the UI changes during the run reaches it.

#include <QString>

#include <cstdint>
#include <vector>

#include "browser/items/Item.h"

class AppSettings;
class CITEMLIST;

// The settings the run reads besides the items'.
struct BatchOptions {
    int overwriteMethod = 1;  // 0 skip, 1 overwrite, 2 unique name
    int outFormat = 0;        // 0 as the source, 1 .jpg, 2 .tif, 3 .bmp, 4 .png
    QString outFolder;        // ends with '/'
    int newName = 0;
    int sameFolder = 0;
    int jpegQuality = 90;
    int crop = 0;  // the global size correction is "Crop"

    static BatchOptions FromSettings(const AppSettings& settings);
};

struct BatchRun {
    std::vector<CItem> items;
    BatchOptions options;
    // How many items may be worked on at once; 0 lets the worker choose for
    // the machine (1 runs one item at a time).
    int itemsInFlight = 0;
    // The memory the work in flight may take, in bytes; 0 lets the worker
    // choose.
    std::int64_t workBudgetBytes = 0;

    // Copies the list (under its lock) and the options.
    static BatchRun Snapshot(CITEMLIST& list, const AppSettings& settings);
};
