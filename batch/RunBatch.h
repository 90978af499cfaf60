#pragma once
// The Run command's body: asks for the batch options in Batch Settings,
// stores them in the settings, and runs the batch over a copy of the items
// in the modal progress dialog. Returns when that dialog has closed: true
// when a run took place, false when Batch Settings was cancelled (nothing is
// changed then). UI thread.

class AppSettings;
class CITEMLIST;
class QWidget;

bool RunBatch(CITEMLIST& items, AppSettings& settings, QWidget* parent);
