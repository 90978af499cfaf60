#pragma once
// "Batch processing": the dialog shown for the whole of a batch run. Shown,
// it starts the worker on its copy of the run; it then shows "Processing n
// from N", a bar while an engine algorithm (modes 5-9) runs, and a growing
// log with one block per report. Its button reads "Cancel" while the worker
// runs (a press asks the worker to stop and turns the button off until the
// run has ended; the dialog stays) and "Done" after
// the worker's end has arrived, when a press, Escape or closing ends it. A
// run cancelled while it ran always ends with the cancel's block and the bar
// at 0, also when the cancel came after the worker's last look at the flag.
//
// It is also the run's progress sink: its CRSProgress part goes to the
// resize, and its Progress moves the dialog's own bar.
//
// Threads: the worker reaches the dialog only through its command port
// (reports, bar positions, the end) and through Progress, which touches the
// progress fields alone. The dialog joins the worker when the end arrives and
// again, after asking it to stop, before it is destroyed, so the worker never
// uses a dialog that is gone.

#include <QDialog>

#include <memory>
#include <thread>

#include "batch/BatchRun.h"
#include "batch/BatchWorker.h"
#include "engine/RSProgress.h"
#include "platform/commands/PostedCommand.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace platform {
class Event;
}

class CBatchProgress : public QDialog, public CRSProgress, public IBatchReporter, private platform::CommandReceiver {
    Q_OBJECT

public:
    explicit CBatchProgress(BatchRun run, QWidget* parent = nullptr);
    ~CBatchProgress() override;

    // Worker thread.
    int Progress(int percent) override;
    void ReportFile(const BatchReport& report) override;
    void BatchFinished() override;

    // UI thread: the worker has been started and its end has not arrived.
    bool IsRunning() const { return running_; }
    QString LogText() const;

    // Cancel and Escape.
    void reject() override;

    // How long a report waits to be shown before the worker goes on.
    static constexpr int kReportWaitMs = 10000;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void OnPostedCommand(const platform::Command& command) override;
    void OnFileReport(const BatchReport& report);
    void OnBatchFinished();
    void SetBarPosition(int position);
    void AppendLog(const QString& text);
    void StopWorker();

    QLabel* m_staticStatus;
    QPlainTextEdit* m_editLog;
    QProgressBar* m_progressBar;
    QPushButton* m_btnCancel;

    BatchRun run_;
    int m_nTotal = 0;
    int m_nStatus = 0;  // status of the last report shown
    std::shared_ptr<platform::Event> m_evReportShown;
    std::shared_ptr<platform::CommandPort> port_;
    std::thread worker_;
    bool m_bCancelPressed = false;  // Cancel (or Escape) while the worker ran
    bool started_ = false;
    bool running_ = false;
};
