#pragma once
// The texts of the progress dialog: the status line and one item's block of
// the log, formatted from a report's own values. Line breaks are "\n".

#include <QString>

struct BatchReport;

// "Processing %d from %d".
QString BatchStatusLine(int index, int total);

// The log block of a report's status.
QString BatchLogText(const BatchReport& report);

// The cancel's block, which names no file.
QString BatchCancelledText();

// The name of an item's algorithm; a mode outside 0-9 shows its number.
QString BatchAlgorithmName(int mode);
