#include "batch/RunBatch.h"

#include "batch/BatchDlg.h"
#include "batch/BatchProgress.h"
#include "batch/BatchRun.h"
#include "core/settings/AppSettings.h"

bool RunBatch(CITEMLIST& items, AppSettings& settings, QWidget* parent) {
    CBatchDlg settingsDialog(parent);
    settingsDialog.LoadFrom(settings);
    if (settingsDialog.exec() != QDialog::Accepted)
        return false;
    settingsDialog.StoreTo(settings);

    CBatchProgress progress(BatchRun::Snapshot(items, settings), parent);
    progress.exec();
    return true;
}
