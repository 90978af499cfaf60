#pragma once
// The batch worker: turns every item of a run into a resized image file.
//
// For each item, in order: decode the source, decide the output path
// (MakeBatchOutputName), report, resize into a new 24-bit target of the
// item's size with the item's algorithm (ResizeBitmap, with the run's crop
// flag and the given progress sink), and write it with the source's metadata
// at the item's resolution (StagedBatchOutput: a temporary, then renamed into
// place). Each step that matters is reported with its values; a missing
// output folder (also one removed during the run), a failed or stopped
// resize (also one out of memory) and a failed write end the run.
// A cancel (the abort flag) ends it with the cancel's block wherever it comes:
// before an item, after a decode, after a resize (also one that never looks
// at the flag), during a write (at its next block), after the output is
// written and before it is put in place (it is then dropped), or after the
// last item. The end of the run is always reported, last.
//
// Before its first item a run removes the temporary folders that runs which
// are gone (killed, crashed) left in its output folders (BatchTempFolder.h).
//
// Several items are worked on at once, a bounded number in flight: their
// sources are decoded, resized and saved under temporary names on a pool of
// threads, while the worker's own thread decides the names, reports and puts
// the outputs in place in list order. What the log shows and the files
// written are those of a run of one item at a time: an output decided but not
// yet in place counts as taken for the names that follow, and an item whose
// source is such an output reads it once it is in place. A cancel stops every
// item in flight within a row of its resize.

#include <QString>

#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>

#include "batch/BatchIds.h"
#include "batch/BatchRun.h"
#include "browser/items/Item.h"

class CRSProgress;

// One item's report: every value the log shows, copied for the receiver.
struct BatchReport {
    BatchItemStatus status = BATCH_ITEM_STARTED;
    int index = 0;  // 1-based
    int total = 0;
    CItem item;
    // The output path (STARTED, WRITE_FAILED, NO_OUTPUT_FOLDER) or the taken
    // one (SKIPPED); empty otherwise.
    QString outputPath;
    // WRITE_FAILED: why, when that is known ("File too large"); else empty.
    QString failure;
};

class IBatchReporter {
public:
    virtual ~IBatchReporter() = default;
    // Worker thread: one report; may wait until it has been shown.
    virtual void ReportFile(const BatchReport& report) = 0;
    // Worker thread: the run is over. The worker's last use of the reporter
    // and of the progress sink.
    virtual void BatchFinished() = 0;
};

// The 1-based number of the item being processed (0 before the first),
// written by the worker.
extern std::atomic<int> g_nBatchIndex;

// The worker's body, on the calling thread. Returns 1.
int BatchThreadProc(const BatchRun& run, IBatchReporter& reporter, CRSProgress* progress);

// Starts BatchThreadProc on a new thread; the caller joins it. The reporter
// and the progress sink must live until BatchFinished has been called.
std::thread StartBatchThread(BatchRun run, IBatchReporter& reporter, CRSProgress* progress);

// Test seam: the points of a run where the worker may be held. ItemStart
// comes before the stop flag is looked at for an item (so between items, and
// before the first), then Decode, Resize and Save come before those steps,
// and Write before each block of the save (where a stop is heard: the write
// ends there and its temporary goes).
enum class BatchStage { ItemStart, Decode, Resize, Save, Write };

// Called at each stage with the item's 0-based index, on the thread that
// reaches it: the worker's own for ItemStart, a thread of its pool for Decode,
// Resize, Save and Write (several items may be at their stages at once, so a
// hook must be safe to call from several threads). Tests set one to hold the
// worker on an event they control; a hook may wait but must not start a run
// itself. At Resize a hook may throw std::bad_alloc: the resize has then run
// out of memory. A run takes the hook that is set when it starts and keeps
// it to its end; unset (the default), each stage costs one test of an empty
// function. Set it before the run starts and clear it (with an empty
// function) after the run has been joined.
using BatchStageHook = std::function<void(BatchStage stage, std::size_t index)>;
void SetBatchStageHook(BatchStageHook hook);

// Whether an item's values can be worked on at all: mode 0-9, a finite
// resolution above 0 (the settings' own checks), both sides 1 .. the largest
// bitmap side, and pixels within the largest bitmap.
bool IsUsableBatchItem(const CItem& item);
