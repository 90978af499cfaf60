#pragma once
// Ids of the batch run: its two dialogs and their controls, the commands the
// worker posts to the progress dialog, its string-table texts, and the status
// of one item's report.

// Dialogs.
inline constexpr int IDD_BATCH_SETTINGS = 143;
inline constexpr int IDD_BATCH_PROGRESS = 145;

// Batch Settings.
inline constexpr int IDC_OUTFOLDER = 1032;
inline constexpr int IDC_BROWSE = 1033;
inline constexpr int IDC_NEWNAME = 1034;
inline constexpr int IDC_SKIP = 1035;
inline constexpr int IDC_OVERWRITE = 1036;
inline constexpr int IDC_UNIQUE = 1037;
inline constexpr int IDC_SAMEFOLDER = 1038;
inline constexpr int IDC_OUTFORMAT = 1039;
inline constexpr int IDC_QUALITY = 1040;
inline constexpr int IDC_QUALITY_SPIN = 1041;

// Batch processing.
inline constexpr int IDC_BATCH_STATUS = 1043;
inline constexpr int IDC_BATCH_PROGRESS = 1044;
inline constexpr int IDC_BATCH_LOG = 1045;

// Posted by the worker to the progress dialog: the end of the run, one
// item's report (its BatchReport as the payload), and the bar's position
// (wParam; the engine's progress command id).
inline constexpr int IDC_BATCH_FINISHED = 3;
inline constexpr int IDC_BATCH_NEW_IMAGE = 4;
inline constexpr int IDC_BATCH_BAR_POSITION = 32838;

// String table: IDS_RESIZED_TO ... IDS_RESIZED_IMAGES (batch.tsv) and the
// framework's "Please enter an integer between %1 and %2.", IDS_INT_RANGE.
#include "res/StringIds.h"

// The outcome of one item, as reported to the progress dialog.
enum BatchItemStatus : int {
    BATCH_ITEM_STARTED = 0,           // source loaded, output decided; the resize follows
    BATCH_ITEM_OPEN_FAILED = 1,       // the source cannot be decoded; the run goes on
    BATCH_ITEM_NO_OUTPUT_FOLDER = 2,  // the output folder does not exist; the run stops
    BATCH_ITEM_SKIPPED = 3,           // the output exists and the policy is Skip; the run goes on
    BATCH_ITEM_NO_MEMORY = 4,         // no target image (size, mode or memory); the run goes on
    BATCH_ITEM_CANCELLED = 5,         // the resize failed or was stopped; the run stops
    BATCH_ITEM_WRITE_FAILED = 6,      // the output cannot be written; the run stops
    BATCH_ITEM_NO_SIZE = 7,           // the item has no size: its file could not be read; the run goes on
};

// The message box of a missing output folder (a text of the code, not of the
// string table).
inline constexpr char kCantCreateOutputFolder[] = "Can't create output folder!";
